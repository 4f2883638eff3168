// The instrument's parameter table: one static row per stored setting, giving everything a
// parameter means — its patch-file key, name, index, integer range and default, how the block
// hands it to the engine, how hosts show it, and where the hardware's tone carries it. Every
// reader (the effect, the editor, patch files, the sysex import, the Audio Unit map and the LV2
// ports) takes these facts from here.
#pragma once

#include <cstddef>

namespace halvorax {

// Parameters reported to the host, and how many of them hold values.
constexpr int kNumParameters = 60;
constexpr int kNumReportedParameters = 128;

enum class FileBlock : unsigned char { First, Second, NotWritten };

// How the host sees a parameter's value as text.
enum class DisplayKind : unsigned char { Number, OnOff, List };

// How a block hands a stored value to the engine.
enum class EngineUse : unsigned char {
    Plain,        // the normalized value unchanged
    Stepped,      // value × maximum, truncated: the step the engine selects
    Smoothed,     // approached by 1/smoothing of the remaining distance per segment
    Dithered,     // the value plus a tiny offset of alternating sign, keeping what it feeds off denormals
    Performance,  // an engine input of its own: portamento time and mode, poly mode
    ModeSwitch,   // chord write and chord mode, written after the mode checks
    ChordMemory,  // kept by the engine itself; patch files and the state carry it as plain numbers
    OutputGain,   // the master volume, applied to the host block, approached per block
};

// How formats that describe the controls up front (the Audio Unit map, LV2 ports) show it.
enum class HostControl : unsigned char {
    Hidden,  // not a control
    Value,   // its integer value
    Toggle,  // off/on
    Named,   // one name per step: the list texts, or the step numbers
};

constexpr int kNoSysexPosition = -1;

struct ParameterRow {
    const char* id;    // key in patch files
    const char* name;  // shown to the host and in the editor's status line
    int index;         // parameter index, also the engine's slot
    int minimum;
    int maximum;
    int defaultValue;
    FileBlock fileBlock;
    bool floatInFile;                // written with "%f" instead of "%d"
    DisplayKind display;             // the host's value text
    const char* const* listEntries;  // maximum + 1 texts, for DisplayKind::List
    EngineUse use;                   // what the engine receives
    float smoothing;                 // divisor of Smoothed and OutputGain, else 0
    HostControl control;             // the Audio Unit map entry and LV2 port kind
    const char* unit;                // the Audio Unit map's unit, or null
    int sysexPosition;               // byte of the hardware's tone, in APR order, or kNoSysexPosition
};

constexpr int kNumParameterRows = 55;
extern const ParameterRow reparameters[kNumParameterRows];

// The row that decides everything a parameter means but its file key: the last row with the
// index (two indices have two rows: 38 and 43). Null for indices without a row.
const ParameterRow* lastRowForIndex(int index);

// The row with this patch-file id, or null.
const ParameterRow* rowForId(const char* id);

// The row the hardware's tone carries at an APR position (0..35, checked by the caller).
constexpr int kNumSysexRows = 36;
const ParameterRow& sysexRow(int position);

// A row's default as a normalized value, and every parameter at its default (where two rows
// share an index the later one's; 0 for indices without a row).
float normalizedDefault(const ParameterRow& row);
void defaultParameterValues(float values[kNumParameters]);

// The highest value a parameter holds: 1, except the chord memory (count 6, notes 127), which
// patch loading and saving keep as plain numbers.
float parameterLimit(int index);

// A finite value held to 0..parameterLimit(index); values inside keep every bit. Every way a
// value enters (host, state chunk, patch file, controller) goes through it. NaN and infinities
// are not values: callers refuse them.
float clampParameter(int index, float value);

// The number of steps of a parameter the engine takes as steps (the editor snaps its control to
// them), or 0 for a continuous one.
int stepCount(int index);

// normalized × scale truncated toward zero, where a stored k / scale always gives k back.
// Every place that turns a normalized value into a step uses it.
int truncateScaled(float normalized, int scale);

// Integer value of a normalized value, truncated; k / maximum maps back to exactly k.
int integerValue(const ParameterRow& row, float normalized);

// Host-facing texts. Both write at most `size` bytes including the terminator and write
// nothing for indices without a row (their buffers are left untouched).
void parameterName(int index, char* text, std::size_t size);
void parameterDisplay(int index, float normalized, char* text, std::size_t size);

// How the display above shows a parameter, and the text of one step of a list (null for
// anything else), for formats that describe the controls up front.
DisplayKind displayKind(int index);
const char* listText(int index, int step);

}  // namespace halvorax
