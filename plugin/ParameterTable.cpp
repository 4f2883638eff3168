#include "ParameterTable.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace halvorax {

namespace {
constexpr FileBlock F1 = FileBlock::First;
constexpr FileBlock F2 = FileBlock::Second;
constexpr FileBlock NW = FileBlock::NotWritten;
}  // namespace

// The order matters: initialization, patch reading and writing walk the rows top to bottom,
// and where two rows share an index the later row's name and number display win.
const ParameterRow reparameters[kNumParameterRows] = {
    {"lforate", "LFO Rate", 26, 0, 127, 0, F1, false},
    {"lfodelay", "LFO Delay", 27, 0, 127, 0, F1, false},
    {"dcorange", "DCO Range", 0, 0, 3, 2, F1, false},
    {"dcolfo", "DCO LFO", 1, 0, 127, 0, F1, false},
    {"dcopulse", "DCO Pulse", 6, 0, 3, 0, F1, false},
    {"dcosaw", "DCO Saw", 7, 0, 5, 1, F1, false},
    {"dcosub", "DCO Sub", 8, 0, 5, 0, F1, false},
    {"dcosublevel", "Sub Level", 9, 0, 3, 0, F1, false},
    {"dconoiselevel", "Noise Level", 10, 0, 3, 0, F1, false},
    {"dcopwm", "DCO PWM", 11, 0, 127, 0, F1, false},
    {"dcopwmrate", "DCO PWM Rate", 12, 0, 127, 0, F1, false},
    {"dcoenvdepth", "DCO Env", 2, 0, 127, 0, F1, false},
    {"dcoenvmode", "DCO Env Mode", 3, 0, 3, 0, F1, false},
    {"vcfhpf", "VCF HPF", 13, 0, 3, 0, F1, false},
    {"vcffreq", "VCF Freq", 14, 0, 127, 127, F1, false},
    {"vcfreso", "VCF Reso", 15, 0, 127, 0, F1, false},
    {"vcflfo", "VCF LFO", 18, 0, 127, 0, F1, false},
    {"vcfenv", "VCF ENV", 16, 0, 127, 0, F1, false},
    {"vcfenvmode", "VCF Env Mode", 17, 0, 3, 0, F1, false},
    {"vcfkeyfollow", "VCF Key Follow", 19, 0, 127, 0, F1, false},
    {"vcalevel", "VCA Level", 21, 0, 127, 0, F1, false},
    {"vcaenv", "VCA Env Mode", 22, 0, 3, 1, F1, false},
    {"envt1", "Env T1", 28, 0, 127, 0, F1, false},
    {"envl1", "Env L1", 29, 0, 127, 0, F1, false},
    {"envt2", "Env T2", 30, 0, 127, 0, F1, false},
    {"envl2", "Env L2", 31, 0, 127, 0, F1, false},
    {"envt3", "Env T3", 32, 0, 127, 0, F1, false},
    {"envl3", "Env L3", 33, 0, 127, 0, F1, false},
    {"envt4", "Env T4", 34, 0, 127, 0, F1, false},
    {"envkeyfollow", "Env Key Follow", 35, 0, 127, 0, F1, false},
    {"portatime", "Porta Time", 36, 0, 127, 0, F1, false},
    {"portamode", "Porta Mode", 37, 0, 1, 0, F1, false},
    {"benderrange", "Bender Range", 5, 0, 12, 12, F1, false},
    {"monopoly", "Poly Mode", 38, 0, 1, 1, F1, false},
    {"chorusenabled", "Chorus", 24, 0, 1, 0, F1, false},
    {"chorusrate", "Chorus Rate", 25, 0, 127, 0, F1, false},
    {"volume", "Master Volume", 43, 0, 1, 1, F1, true},
    {"dcoafterdepth", "DCO After", 4, 0, 127, 0, F1, false},
    {"vcfafterdepth", "VCF After", 20, 0, 127, 0, F1, false},
    {"vcaafterdepth", "VCA After", 23, 0, 127, 0, F1, false},
    {"polymode", "Poly Mode", 38, 0, 1, 1, NW, false},
    {"mastervolume", "Master Volume", 43, 0, 127, 100, F2, false},
    {"chordmode", "Chord Mode", 47, 0, 1, 0, F2, false},
    {"chordmemory", "Chord Write", 46, 0, 1, 0, F2, false},
    {"chordcount", "Chord Count", 48, 0, 6, 3, F2, false},
    {"chordnote0", "Chord Note 0", 49, 0, 127, 0, F2, false},
    {"chordnote1", "Chord Note 1", 50, 0, 127, 3, F2, false},
    {"chordnote2", "Chord Note 2", 51, 0, 127, 5, F2, false},
    {"chordnote3", "Chord Note 3", 52, 0, 127, 9, F2, false},
    {"chordnote4", "Chord Note 4", 53, 0, 127, 11, F2, false},
    {"chordnote5", "Chord Note 5", 54, 0, 127, 13, F2, false},
    {"aftertouchenabled", "Aftertouch Enabled", 55, 0, 1, 0, F2, false},
    {"retrigdco", "Retrig DCO", 56, 0, 1, 0, F2, false},
    {"retriglfo", "Retrig LFO", 57, 0, 1, 0, F2, false},
    {"filtermode", "Filter Mode", 59, 0, 1, 0, F2, false},
};

namespace {

struct ListDisplay {
    int index;
    int multiplier;
    const char* const* entries;
};

const char* const kDcoEnvModes[] = {"Env", "-Env", "Dyn.Env", "-Dyn.Env"};
const char* const kPulseModes[] = {"0", "1", "2", "3(PWM)"};
const char* const kSawModes[] = {"0", "1", "2", "3(PWM)", "4", "5"};
const char* const kSubModes[] = {"0", "1", "2", "3", "4", "5"};
const char* const kVcfEnvModes[] = {"Env", "-Env", "Dyn.Env", "Dyn"};
const char* const kVcaEnvModes[] = {"Env", "Gate", "Dyn.Env", "Dyn.Gate"};

const ListDisplay kLists[] = {
    {3, 3, kDcoEnvModes}, {6, 3, kPulseModes},   {7, 5, kSawModes},
    {8, 5, kSubModes},    {17, 3, kVcfEnvModes}, {22, 3, kVcaEnvModes},
};

const int kOnOffIndices[] = {24, 37, 38, 46, 47};

void copyText(char* text, std::size_t size, const char* source) {
    if (text == nullptr || size == 0) return;
    std::snprintf(text, size, "%s", source);
}

}  // namespace

const ParameterRow* lastRowForIndex(int index) {
    const ParameterRow* found = nullptr;
    for (const ParameterRow& row : reparameters)
        if (row.index == index) found = &row;
    return found;
}

const ParameterRow* rowForId(const char* id) {
    if (id == nullptr) return nullptr;
    for (const ParameterRow& row : reparameters)
        if (std::strcmp(row.id, id) == 0) return &row;
    return nullptr;
}

float parameterLimit(int index) {
    if (index == 48) return 6.0f;
    if (index >= 49 && index <= 54) return 127.0f;
    return 1.0f;
}

float clampParameter(int index, float value) { return std::clamp(value, 0.0f, parameterLimit(index)); }

int truncateScaled(float normalized, int scale) {
    if (!std::isfinite(normalized)) return 0;
    // A stored k / scale is a float a hair below or above the exact quotient; taking the
    // product in double with a tiny tolerance before truncating toward zero gives k back, so
    // a value never decays by one step per save.
    double product = static_cast<double>(normalized) * scale;
    product = std::clamp(product, -1.0e9, 1.0e9);
    return static_cast<int>(std::trunc(product + (product >= 0 ? 1.0e-4 : -1.0e-4)));
}

int integerValue(const ParameterRow& row, float normalized) {
    return row.minimum + truncateScaled(normalized, row.maximum - row.minimum);
}

void parameterName(int index, char* text, std::size_t size) {
    if (const ParameterRow* row = lastRowForIndex(index)) copyText(text, size, row->name);
}

DisplayKind displayKind(int index) {
    for (const ListDisplay& list : kLists)
        if (list.index == index) return DisplayKind::List;
    for (int onOff : kOnOffIndices)
        if (onOff == index) return DisplayKind::OnOff;
    return DisplayKind::Number;
}

const char* listText(int index, int step) {
    for (const ListDisplay& list : kLists)
        if (list.index == index) return step >= 0 && step <= list.multiplier ? list.entries[step] : nullptr;
    return nullptr;
}

void parameterDisplay(int index, float normalized, char* text, std::size_t size) {
    const ParameterRow* row = lastRowForIndex(index);
    if (row == nullptr || text == nullptr || size == 0) return;
    for (const ListDisplay& list : kLists) {
        if (list.index != index) continue;
        int entry = std::clamp(truncateScaled(normalized, list.multiplier), 0, list.multiplier);
        copyText(text, size, list.entries[entry]);
        return;
    }
    for (int onOff : kOnOffIndices) {
        if (onOff == index) {
            copyText(text, size, normalized > 0.0f ? "On" : "Off");
            return;
        }
    }
    char number[16];
    std::snprintf(number, sizeof number, "%d", integerValue(*row, normalized));
    copyText(text, size, number);
}

}  // namespace halvorax
