// Build step: writes the Audio Unit side's parameter map, TDParameters.txt, from the parameter
// table. One line per host control: index, name, range, how its value shows ("=" a number, "b"
// off/on, or one name per step), unit and default. The chord memory and the indices without a
// row are left out: they are not controls.
//
//   make-parameter-map <output file>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "ParameterTable.h"
#include "SafeFile.h"

using namespace halvorax;

namespace {

std::string valueNames(const ParameterRow& row) {
    switch (row.control) {
        case HostControl::Value:
            return "=";
        case HostControl::Toggle:
            return "b";
        case HostControl::Named:
        case HostControl::Hidden:
            break;
    }
    std::string names;
    for (int step = row.minimum; step <= row.maximum; ++step) {
        const char* text = listText(row.index, step);
        names += (step > row.minimum ? "|" : "") + (text != nullptr ? std::string(text) : std::to_string(step));
    }
    return names;
}

std::string parameterMap() {
    std::string map = "vst param #\tname\tmin\tmax\tdisplay\tunit\tdefault\n";
    for (int index = 0; index < kNumParameters; ++index) {
        const ParameterRow* row = lastRowForIndex(index);
        if (row == nullptr || row->control == HostControl::Hidden) continue;
        map += std::to_string(index) + '\t' + row->name + '\t' + std::to_string(row->minimum) + '\t' +
               std::to_string(row->maximum) + '\t' + valueNames(*row) + '\t' + (row->unit ? row->unit : "-") + '\t' +
               std::to_string(row->defaultValue) + '\n';
    }
    return map;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-parameter-map OUTPUT\n");
        return 2;
    }
    if (!replaceFile(argv[1], parameterMap())) {
        std::fprintf(stderr, "make-parameter-map: cannot write %s: %s\n", argv[1], std::strerror(errno));
        return 1;
    }
    return 0;
}
