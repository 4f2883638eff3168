#include "Lv2Ports.h"

#include <algorithm>
#include <cmath>

namespace halvorax::lv2 {

namespace {

std::vector<ControlPort> buildPorts() {
    std::vector<ControlPort> ports;
    for (int index = 0; index < kNumParameters; ++index) {
        const ParameterRow* row = lastRowForIndex(index);
        if (row == nullptr || row->control == HostControl::Hidden) continue;
        PortKind kind = PortKind::Integer;
        if (row->display == DisplayKind::List)
            kind = PortKind::List;
        else if (row->control == HostControl::Toggle)
            kind = PortKind::Toggle;
        ports.push_back({row, kind});
    }
    return ports;
}

}  // namespace

const std::vector<ControlPort>& controlPorts() {
    static const std::vector<ControlPort> ports = buildPorts();
    return ports;
}

float portValue(const ParameterRow& row, float normalized) {
    return static_cast<float>(std::clamp(integerValue(row, normalized), row.minimum, row.maximum));
}

bool normalizedValue(const ParameterRow& row, float port, float& normalized) {
    if (!std::isfinite(port)) return false;
    const float step = std::round(std::clamp(port, static_cast<float>(row.minimum), static_cast<float>(row.maximum)));
    normalized = (step - static_cast<float>(row.minimum)) / static_cast<float>(row.maximum - row.minimum);
    return true;
}

}  // namespace halvorax::lv2
