#include "ParameterTable.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace halvorax {

namespace {

constexpr FileBlock F1 = FileBlock::First, F2 = FileBlock::Second, NW = FileBlock::NotWritten;
constexpr bool D = false, F = true;  // written as "%d" or "%f"
constexpr DisplayKind Num = DisplayKind::Number, OnOff = DisplayKind::OnOff, List = DisplayKind::List;
constexpr EngineUse Plain = EngineUse::Plain, Step = EngineUse::Stepped, Smooth = EngineUse::Smoothed,
                    Dither = EngineUse::Dithered, Perf = EngineUse::Performance, Mode = EngineUse::ModeSwitch,
                    Chord = EngineUse::ChordMemory, Gain = EngineUse::OutputGain;
constexpr HostControl Hidden = HostControl::Hidden, Value = HostControl::Value, Toggle = HostControl::Toggle,
                      Named = HostControl::Named;

constexpr const char* kDcoEnv[] = {"Env", "-Env", "Dyn.Env", "-Dyn.Env"};
constexpr const char* kPulse[] = {"0", "1", "2", "3(PWM)"};
constexpr const char* kSaw[] = {"0", "1", "2", "3(PWM)", "4", "5"};
constexpr const char* kSub[] = {"0", "1", "2", "3", "4", "5"};
constexpr const char* kVcfEnv[] = {"Env", "-Env", "Dyn.Env", "Dyn"};
constexpr const char* kVcaEnv[] = {"Env", "Gate", "Dyn.Env", "Dyn.Gate"};
constexpr const char* kSemi = "semitones";

}  // namespace

// The order matters: initialization, patch reading and writing walk the rows top to bottom,
// and where two rows share an index the later row decides what the index means to everything
// but the patch file (rows sharing an index agree on it anyway).
// Columns: id, name, index, minimum, maximum, default, file block, file format, display, list
// texts, engine use, smoothing divisor, host control, unit, APR position (-1: not in a tone).
// clang-format off
constexpr ParameterRow reparameters[kNumParameterRows] = {
    {"lforate",           "LFO Rate",           26, 0, 127, 0,   F1, D, Num,   {},      Plain,  0,  Value,  {},    24},
    {"lfodelay",          "LFO Delay",          27, 0, 127, 0,   F1, D, Num,   {},      Plain,  0,  Value,  {},    25},
    {"dcorange",          "DCO Range",          0,  0, 3,   2,   F1, D, Num,   {},      Step,   0,  Named,  {},    6},
    {"dcolfo",            "DCO LFO",            1,  0, 127, 0,   F1, D, Num,   {},      Plain,  0,  Value,  {},    11},
    {"dcopulse",          "DCO Pulse",          6,  0, 3,   0,   F1, D, List,  kPulse,  Step,   0,  Named,  {},    3},
    {"dcosaw",            "DCO Saw",            7,  0, 5,   1,   F1, D, List,  kSaw,    Step,   0,  Named,  {},    4},
    {"dcosub",            "DCO Sub",            8,  0, 5,   0,   F1, D, List,  kSub,    Step,   0,  Named,  {},    5},
    {"dcosublevel",       "Sub Level",          9,  0, 3,   0,   F1, D, Num,   {},      Step,   0,  Named,  {},    7},
    {"dconoiselevel",     "Noise Level",        10, 0, 3,   0,   F1, D, Num,   {},      Step,   0,  Named,  {},    8},
    {"dcopwm",            "DCO PWM",            11, 0, 127, 0,   F1, D, Num,   {},      Smooth, 10, Value,  {},    14},
    {"dcopwmrate",        "DCO PWM Rate",       12, 0, 127, 0,   F1, D, Num,   {},      Plain,  0,  Value,  {},    15},
    {"dcoenvdepth",       "DCO Env",            2,  0, 127, 0,   F1, D, Num,   {},      Plain,  0,  Value,  {},    12},
    {"dcoenvmode",        "DCO Env Mode",       3,  0, 3,   0,   F1, D, List,  kDcoEnv, Step,   0,  Named,  {},    0},
    {"vcfhpf",            "VCF HPF",            13, 0, 3,   0,   F1, D, Num,   {},      Step,   0,  Named,  {},    9},
    {"vcffreq",           "VCF Freq",           14, 0, 127, 127, F1, D, Num,   {},      Smooth, 1,  Value,  {},    16},
    {"vcfreso",           "VCF Reso",           15, 0, 127, 0,   F1, D, Num,   {},      Plain,  0,  Value,  {},    17},
    {"vcflfo",            "VCF LFO",            18, 0, 127, 0,   F1, D, Num,   {},      Plain,  0,  Value,  {},    18},
    {"vcfenv",            "VCF ENV",            16, 0, 127, 0,   F1, D, Num,   {},      Plain,  0,  Value,  {},    19},
    {"vcfenvmode",        "VCF Env Mode",       17, 0, 3,   0,   F1, D, List,  kVcfEnv, Step,   0,  Named,  {},    1},
    {"vcfkeyfollow",      "VCF Key Follow",     19, 0, 127, 0,   F1, D, Num,   {},      Dither, 0,  Value,  {},    20},
    {"vcalevel",          "VCA Level",          21, 0, 127, 0,   F1, D, Num,   {},      Smooth, 10, Value,  {},    22},
    {"vcaenv",            "VCA Env Mode",       22, 0, 3,   1,   F1, D, List,  kVcaEnv, Step,   0,  Named,  {},    2},
    {"envt1",             "Env T1",             28, 0, 127, 0,   F1, D, Num,   {},      Plain,  0,  Value,  {},    26},
    {"envl1",             "Env L1",             29, 0, 127, 0,   F1, D, Num,   {},      Plain,  0,  Value,  {},    27},
    {"envt2",             "Env T2",             30, 0, 127, 0,   F1, D, Num,   {},      Plain,  0,  Value,  {},    28},
    {"envl2",             "Env L2",             31, 0, 127, 0,   F1, D, Num,   {},      Plain,  0,  Value,  {},    29},
    {"envt3",             "Env T3",             32, 0, 127, 0,   F1, D, Num,   {},      Plain,  0,  Value,  {},    30},
    {"envl3",             "Env L3",             33, 0, 127, 0,   F1, D, Num,   {},      Plain,  0,  Value,  {},    31},
    {"envt4",             "Env T4",             34, 0, 127, 0,   F1, D, Num,   {},      Plain,  0,  Value,  {},    32},
    {"envkeyfollow",      "Env Key Follow",     35, 0, 127, 0,   F1, D, Num,   {},      Plain,  0,  Value,  {},    33},
    {"portatime",         "Porta Time",         36, 0, 127, 0,   F1, D, Num,   {},      Perf,   0,  Value,  {},    -1},
    {"portamode",         "Porta Mode",         37, 0, 1,   0,   F1, D, OnOff, {},      Perf,   0,  Toggle, {},    -1},
    {"benderrange",       "Bender Range",       5,  0, 12,  12,  F1, D, Num,   {},      Step,   0,  Value,  kSemi, 35},
    {"monopoly",          "Poly Mode",          38, 0, 1,   1,   F1, D, OnOff, {},      Perf,   0,  Toggle, {},    -1},
    {"chorusenabled",     "Chorus",             24, 0, 1,   0,   F1, D, OnOff, {},      Plain,  0,  Toggle, {},    10},
    {"chorusrate",        "Chorus Rate",        25, 0, 127, 0,   F1, D, Num,   {},      Plain,  0,  Value,  {},    34},
    {"volume",            "Master Volume",      43, 0, 1,   1,   F1, F, Num,   {},      Gain,   10, Value,  {},    -1},
    {"dcoafterdepth",     "DCO After",          4,  0, 127, 0,   F1, D, Num,   {},      Plain,  0,  Value,  {},    13},
    {"vcfafterdepth",     "VCF After",          20, 0, 127, 0,   F1, D, Num,   {},      Plain,  0,  Value,  {},    21},
    {"vcaafterdepth",     "VCA After",          23, 0, 127, 0,   F1, D, Num,   {},      Plain,  0,  Value,  {},    23},
    {"polymode",          "Poly Mode",          38, 0, 1,   1,   NW, D, OnOff, {},      Perf,   0,  Toggle, {},    -1},
    {"mastervolume",      "Master Volume",      43, 0, 127, 100, F2, D, Num,   {},      Gain,   10, Value,  {},    -1},
    {"chordmode",         "Chord Mode",         47, 0, 1,   0,   F2, D, OnOff, {},      Mode,   0,  Toggle, {},    -1},
    {"chordmemory",       "Chord Write",        46, 0, 1,   0,   F2, D, OnOff, {},      Mode,   0,  Toggle, {},    -1},
    {"chordcount",        "Chord Count",        48, 0, 6,   3,   F2, D, Num,   {},      Chord,  0,  Hidden, {},    -1},
    {"chordnote0",        "Chord Note 0",       49, 0, 127, 0,   F2, D, Num,   {},      Chord,  0,  Hidden, {},    -1},
    {"chordnote1",        "Chord Note 1",       50, 0, 127, 3,   F2, D, Num,   {},      Chord,  0,  Hidden, {},    -1},
    {"chordnote2",        "Chord Note 2",       51, 0, 127, 5,   F2, D, Num,   {},      Chord,  0,  Hidden, {},    -1},
    {"chordnote3",        "Chord Note 3",       52, 0, 127, 9,   F2, D, Num,   {},      Chord,  0,  Hidden, {},    -1},
    {"chordnote4",        "Chord Note 4",       53, 0, 127, 11,  F2, D, Num,   {},      Chord,  0,  Hidden, {},    -1},
    {"chordnote5",        "Chord Note 5",       54, 0, 127, 13,  F2, D, Num,   {},      Chord,  0,  Hidden, {},    -1},
    {"aftertouchenabled", "Aftertouch Enabled", 55, 0, 1,   0,   F2, D, Num,   {},      Plain,  0,  Toggle, {},    -1},
    {"retrigdco",         "Retrig DCO",         56, 0, 1,   0,   F2, D, Num,   {},      Plain,  0,  Toggle, {},    -1},
    {"retriglfo",         "Retrig LFO",         57, 0, 1,   0,   F2, D, Num,   {},      Plain,  0,  Toggle, {},    -1},
    {"filtermode",        "Filter Mode",        59, 0, 1,   0,   F2, D, Num,   {},      Plain,  0,  Toggle, {},    -1},
};
// clang-format on

namespace {

// Rows by index and by APR position, found once when the program loads.
struct Lookup {
    const ParameterRow* byIndex[kNumParameters] = {};
    const ParameterRow* bySysex[kNumSysexRows] = {};
};

constexpr Lookup makeLookup() {
    Lookup lookup;
    for (const ParameterRow& row : reparameters) {
        lookup.byIndex[row.index] = &row;
        if (row.sysexPosition != kNoSysexPosition) lookup.bySysex[row.sysexPosition] = &row;
    }
    return lookup;
}

constexpr Lookup kLookup = makeLookup();

// Every position of the hardware's tone has its row.
constexpr bool sysexComplete() {
    for (const ParameterRow* row : kLookup.bySysex)
        if (row == nullptr) return false;
    return true;
}
static_assert(sysexComplete(), "a tone position without a parameter");

// Everything but the file key belongs to the index, so rows that share one agree on it; a
// smoothed row says by how much; a list names every step (a short list fails to compile here).
constexpr bool rowsAgree() {
    for (const ParameterRow& row : reparameters) {
        const ParameterRow& last = *kLookup.byIndex[row.index];
        if (row.display != last.display || row.use != last.use || row.smoothing != last.smoothing ||
            row.control != last.control || row.sysexPosition != last.sysexPosition)
            return false;
        const bool smoothed = row.use == EngineUse::Smoothed || row.use == EngineUse::OutputGain;
        if ((row.smoothing > 0.0f) != smoothed) return false;
        if ((row.display == DisplayKind::List) != (row.listEntries != nullptr)) return false;
        if (row.listEntries != nullptr && row.listEntries[row.maximum][0] == '\0') return false;
    }
    return true;
}
static_assert(rowsAgree(), "parameter rows disagree");

void copyText(char* text, std::size_t size, const char* source) {
    if (text == nullptr || size == 0) return;
    std::snprintf(text, size, "%s", source);
}

}  // namespace

const ParameterRow* lastRowForIndex(int index) {
    return index >= 0 && index < kNumParameters ? kLookup.byIndex[index] : nullptr;
}

const ParameterRow* rowForId(const char* id) {
    if (id == nullptr) return nullptr;
    for (const ParameterRow& row : reparameters)
        if (std::strcmp(row.id, id) == 0) return &row;
    return nullptr;
}

const ParameterRow& sysexRow(int position) { return *kLookup.bySysex[position]; }

float normalizedDefault(const ParameterRow& row) {
    return static_cast<float>(row.defaultValue) / static_cast<float>(row.maximum);
}

void defaultParameterValues(float values[kNumParameters]) {
    std::fill(values, values + kNumParameters, 0.0f);
    for (const ParameterRow& row : reparameters) values[row.index] = normalizedDefault(row);
}

float parameterLimit(int index) {
    const ParameterRow* row = lastRowForIndex(index);
    return row != nullptr && row->use == EngineUse::ChordMemory ? static_cast<float>(row->maximum) : 1.0f;
}

float clampParameter(int index, float value) { return std::clamp(value, 0.0f, parameterLimit(index)); }

int stepCount(int index) {
    const ParameterRow* row = lastRowForIndex(index);
    return row != nullptr && row->use == EngineUse::Stepped ? row->maximum : 0;
}

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
    const ParameterRow* row = lastRowForIndex(index);
    return row != nullptr ? row->display : DisplayKind::Number;
}

const char* listText(int index, int step) {
    const ParameterRow* row = lastRowForIndex(index);
    if (row == nullptr || row->display != DisplayKind::List || step < 0 || step > row->maximum) return nullptr;
    return row->listEntries[step];
}

void parameterDisplay(int index, float normalized, char* text, std::size_t size) {
    const ParameterRow* row = lastRowForIndex(index);
    if (row == nullptr || text == nullptr || size == 0) return;
    switch (row->display) {
        case DisplayKind::List:
            copyText(text, size,
                     row->listEntries[std::clamp(truncateScaled(normalized, row->maximum), 0, row->maximum)]);
            return;
        case DisplayKind::OnOff:
            copyText(text, size, normalized > 0.0f ? "On" : "Off");
            return;
        case DisplayKind::Number:
            break;
    }
    char number[16];
    std::snprintf(number, sizeof number, "%d", integerValue(*row, normalized));
    copyText(text, size, number);
}

}  // namespace halvorax
