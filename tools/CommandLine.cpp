#include "CommandLine.h"

#include <getopt.h>

#include <cctype>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace halvorax {

namespace {

constexpr int kLongOnlyBase = 0x1000;  // getopt codes of the table's rows: base + row

std::string shown(double number) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", number);
    return text;
}

[[noreturn]] void refuse(const std::string& what, const char* text, const std::string& wanted) {
    throw UsageError(what + " wants " + wanted + ", not \"" + (text ? text : "") + "\"");
}

// strtod and strtol skip leading blanks and accept a prefix; a value here is the whole text.
bool wholeText(const char* text, const char* end) {
    return text != end && !std::isspace(static_cast<unsigned char>(text[0])) && *end == '\0';
}

}  // namespace

double numberArgument(const char* text, double min, double max, const std::string& what) {
    const bool anyFloat = min <= -FLT_MAX && max >= FLT_MAX;
    const std::string wanted = anyFloat ? "a finite number" : "a number from " + shown(min) + " to " + shown(max);
    if (text == nullptr) refuse(what, text, wanted);
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (!wholeText(text, end) || !std::isfinite(value) || value < min || value > max) refuse(what, text, wanted);
    return value;
}

long integerArgument(const char* text, long min, long max, const std::string& what) {
    const std::string wanted = "a whole number from " + std::to_string(min) + " to " + std::to_string(max);
    if (text == nullptr) refuse(what, text, wanted);
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (!wholeText(text, end) || errno == ERANGE || value < min || value > max) refuse(what, text, wanted);
    return value;
}

IndexedValue indexedArgument(const char* text, long maxIndex, double min, double max, const std::string& what) {
    const std::string whole = text ? text : "";
    const std::size_t equals = whole.find('=');
    if (equals == std::string::npos) refuse(what, text, "INDEX=VALUE");
    const std::string index = whole.substr(0, equals), value = whole.substr(equals + 1);
    return {integerArgument(index.c_str(), 0, maxIndex, what + " index"),
            numberArgument(value.c_str(), min, max, what + " value")};
}

OptionRow numberOption(const char* name, char letter, double min, double max, double& target) {
    return {name, letter, OptionRow::kRequired,
            [=, &target](const char* value) { target = numberArgument(value, min, max, std::string("--") + name); }};
}

OptionRow integerOption(const char* name, char letter, long min, long max, int& target) {
    return {name, letter, OptionRow::kRequired, [=, &target](const char* value) {
                target = int(integerArgument(value, min, max, std::string("--") + name));
            }};
}

OptionRow textOption(const char* name, char letter, std::string& target) {
    return {name, letter, OptionRow::kRequired, [&target](const char* value) { target = value; }};
}

OptionRow flagOption(const char* name, char letter, bool& target) {
    return {name, letter, OptionRow::kNone, [&target](const char*) { target = true; }};
}

std::vector<std::string> parseCommandLine(int argc, char** argv, const std::vector<OptionRow>& table) {
    std::string letters = ":";  // a leading colon: a missing value is reported as ':'
    std::vector<option> longOptions;
    for (std::size_t row = 0; row < table.size(); ++row) {
        const OptionRow& entry = table[row];
        const int kind = entry.argument == OptionRow::kNone       ? no_argument
                         : entry.argument == OptionRow::kRequired ? required_argument
                                                                  : optional_argument;
        longOptions.push_back({entry.name, kind, nullptr, kLongOnlyBase + int(row)});
        if (entry.letter == 0) continue;
        letters += entry.letter;
        if (entry.argument != OptionRow::kNone) letters += entry.argument == OptionRow::kRequired ? ":" : "::";
    }
    longOptions.push_back({nullptr, 0, nullptr, 0});
    opterr = 0;
    optind = 1;
    int code;
    while ((code = getopt_long(argc, argv, letters.c_str(), longOptions.data(), nullptr)) != -1) {
        if (code == '?' || code == ':') {
            const std::string given =
                optopt > 0 && optopt < kLongOnlyBase ? std::string("-") + char(optopt) : std::string(argv[optind - 1]);
            throw UsageError(code == ':' ? given + " wants a value" : "unknown option " + given);
        }
        for (std::size_t row = 0; row < table.size(); ++row)
            if (code == kLongOnlyBase + int(row) || (table[row].letter != 0 && code == table[row].letter))
                table[row].take(optarg);
    }
    return std::vector<std::string>(argv + optind, argv + argc);
}

int runTool(const char* toolName, const std::function<int()>& body) {
    try {
        return body();
    } catch (const UsageError& error) {
        std::fprintf(stderr, "%s: %s (see --help)\n", toolName, error.what());
        return 2;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "%s: out of memory\n", toolName);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", toolName, error.what());
    } catch (...) {
        std::fprintf(stderr, "%s: unexpected failure\n", toolName);
    }
    return 1;
}

}  // namespace halvorax
