// The instrument's parameter table: one static row per stored setting, giving its patch-file
// key, display name, index, integer range, default and how patch files carry it.
#pragma once

#include <cstddef>

namespace halvorax {

// Parameters reported to the host, and how many of them hold values.
constexpr int kNumReportedParameters = 128;
constexpr int kNumParameters = 60;

enum class FileBlock : unsigned char { First, Second, NotWritten };

// How the host sees a parameter's value as text.
enum class DisplayKind : unsigned char { Number, OnOff, List };

struct ParameterRow {
    const char* id;    // key in patch files
    const char* name;  // shown to the host and in the editor's status line
    int index;         // parameter index, also the engine's slot
    int minimum;
    int maximum;
    int defaultValue;
    FileBlock fileBlock;
    bool floatInFile;  // written with "%f" instead of "%d"
};

constexpr int kNumParameterRows = 55;
extern const ParameterRow reparameters[kNumParameterRows];

// The row that decides a parameter's name and number display: the last row with the index.
const ParameterRow* lastRowForIndex(int index);

// The row with this patch-file id, or null.
const ParameterRow* rowForId(const char* id);

// The highest value a parameter holds: 1, except the chord count (6) and the chord notes
// (127), which patch loading and saving keep as plain numbers.
float parameterLimit(int index);

// A finite value held to 0..parameterLimit(index); values inside keep every bit. Every way a
// value enters (host, state chunk, patch file, controller) goes through it. NaN and infinities
// are not values: callers refuse them.
float clampParameter(int index, float value);

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
