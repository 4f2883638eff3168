// Command-line options of the tools as a table: each option with the code that takes its
// value. Values are read strictly: a number is the whole text, finite and within its range;
// anything else is a UsageError carrying a one-line reason.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace halvorax {

// A command line (or one of its values) the tool refuses.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct OptionRow {
    enum Argument { kNone, kRequired, kOptional };
    const char* name;  // the long form, --name
    char letter;       // the short form, -l; 0 when there is none
    Argument argument;
    // Takes the option's value (null for kNone, and for kOptional given without one).
    std::function<void(const char* value)> take;
};

// Rows for the common kinds of value: each stores what it reads in `target`; numbers are
// checked as numberArgument and integerArgument check them, named by the option.
OptionRow numberOption(const char* name, char letter, double min, double max, double& target);
OptionRow integerOption(const char* name, char letter, long min, long max, int& target);
OptionRow textOption(const char* name, char letter, std::string& target);
OptionRow flagOption(const char* name, char letter, bool& target);

// Parses the options of argv against the table and returns the remaining (positional) arguments.
std::vector<std::string> parseCommandLine(int argc, char** argv, const std::vector<OptionRow>& table);

// The whole `text` as a finite number from `min` to `max` (-FLT_MAX to FLT_MAX: any finite
// float); `what` names the value in the error.
double numberArgument(const char* text, double min, double max, const std::string& what);
long integerArgument(const char* text, long min, long max, const std::string& what);

// "INDEX=VALUE": a whole index from 0 to `maxIndex`, and a finite number from `min` to `max`.
struct IndexedValue {
    long index;
    double value;
};
IndexedValue indexedArgument(const char* text, long maxIndex, double min, double max, const std::string& what);

// The top level of a tool's main: runs `body` and turns every exception into one line on
// stderr ("tool: reason") and a non-zero exit code (2 for a refused command line).
int runTool(const char* toolName, const std::function<int()>& body);

}  // namespace halvorax
