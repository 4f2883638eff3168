// The LV2 face of the parameter table: the plug-in's port layout, and the one mapping between
// a control port's value (panel units) and the effect's normalized parameter value.
#pragma once

#include <cstdint>
#include <vector>

#include "ParameterTable.h"

namespace halvorax::lv2 {

// Identities the plug-in, its panel and its saved state are known by. They never change once
// released: sessions and presets refer to them.
constexpr const char* kPluginUri = "https://brindlecove.com/plugins/halvorax";
constexpr const char* kUiUri = "https://brindlecove.com/plugins/halvorax#ui";
constexpr const char* kStateUri = "https://brindlecove.com/plugins/halvorax#state";
constexpr const char* kPresetUriBase = "https://brindlecove.com/plugins/halvorax/presets/";

constexpr uint32_t kMidiInPort = 0;
constexpr uint32_t kLeftOutPort = 1;
constexpr uint32_t kRightOutPort = 2;
constexpr uint32_t kNotifyPort = 3;  // to the panel: the chord memory and patch name the plug-in has
constexpr uint32_t kFirstControlPort = 4;

enum class PortKind { Integer, Toggle, List };

struct ControlPort {
    const ParameterRow* row;  // the row naming the parameter (the last one with its index)
    PortKind kind;
};

// The control ports in port order: one per parameter index of the table, ascending, except the
// chord memory (chord count and notes), which the plug-in's state carries instead.
const std::vector<ControlPort>& controlPorts();

// The port value showing a normalized value: its whole step, within the row's range.
float portValue(const ParameterRow& row, float normalized);

// The normalized value for a port value: clamped to the range, rounded to the nearest step,
// then step / maximum, exactly as the effect stores a step. False for a value that is not a
// number.
bool normalizedValue(const ParameterRow& row, float port, float& normalized);

}  // namespace halvorax::lv2
