#include "ParameterMap.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

#include "PresetFiles.h"
#include "TandemExceptions.h"

namespace tandem {

namespace {

constexpr size_t kMaxIndexField = 32;
constexpr size_t kMaxNameField = 255;
constexpr size_t kMaxDisplayField = 1023;
constexpr size_t kMaxUnitField = 255;
constexpr size_t kInfoNameBytes = 51;
// Halfway display within 0.0001 of the middle, both ends included; the extra billionth keeps
// decimal displays such as 5.0001 on the inclusive side of binary rounding.
constexpr double kLinearTolerance = 0.0001 + 1e-9;

std::string skipLeadingSpaces(const char* text) {
    while (*text == ' ') ++text;
    return text;
}

// Tabs and line ends inside a name or label would break the record apart.
std::string fieldText(const char* text) {
    std::string field = skipLeadingSpaces(text);
    std::replace_if(
        field.begin(), field.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
    return field.empty() ? "-" : field;
}

// The fields of one record: runs of tabs separate them, so no field is empty.
std::vector<std::string> splitAtTabs(const char* line) {
    std::vector<std::string> fields;
    const char* p = line;
    while (*p) {
        while (*p == '\t') ++p;
        if (!*p) break;
        const char* start = p;
        while (*p && *p != '\t') ++p;
        fields.emplace_back(start, p);
    }
    return fields;
}

std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool parseFiniteField(const std::string& field, float& value) {
    double number = 0.0;
    if (!ParameterMap::parseNumber(trimmed(field).c_str(), number)) return false;
    value = float(number);
    return std::isfinite(number) && std::isfinite(value);
}

// The value of the leading decimal digits (0 without any); false when it cannot be an index.
bool parseIndex(const std::string& field, int64_t& index) {
    index = 0;
    for (size_t i = 0; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        index = index * 10 + (field[i] - '0');
        if (index > INT32_MAX) return false;
    }
    return true;
}

CFStringRef macRomanString(const std::string& text) {
    return CFStringCreateWithBytes(nullptr, reinterpret_cast<const UInt8*>(text.data()), CFIndex(text.size()),
                                   kCFStringEncodingMacRoman, false);
}

CFArrayRef valueNameList(const std::string& display) {
    CFMutableArrayRef names = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
    size_t start = 0;
    while (true) {
        const size_t bar = display.find('|', start);
        CFStringRef name = macRomanString(display.substr(start, bar == std::string::npos ? bar : bar - start));
        CFArrayAppendValue(names, name);
        CFRelease(name);
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    return names;
}

struct MapRecord {
    int32_t index = 0;
    bool globalMeta = false;
    std::string name;
    float minimum = 0, maximum = 0, defaultValue = 0;
    std::string display;
    std::string unit;
};

// Reads the seven fields of a record line; false when the line is to be skipped.
bool parseRecord(const char* line, int32_t parameterCount, MapRecord& record) {
    const std::vector<std::string> fields = splitAtTabs(line);
    if (fields.size() < 7) return false;
    std::string indexField = trimmed(fields[0]);
    if (indexField.empty() || indexField.size() > kMaxIndexField || indexField.find(' ') != std::string::npos)
        return false;
    if (indexField.back() == '+') {
        record.globalMeta = true;
        indexField.pop_back();
    }
    int64_t index = 0;
    if (!parseIndex(indexField, index) || index >= parameterCount) return false;
    record.index = int32_t(index);
    record.name = skipLeadingSpaces(fields[1].c_str());
    record.display = skipLeadingSpaces(fields[4].c_str());
    record.unit = skipLeadingSpaces(fields[5].c_str());
    if (record.name.size() > kMaxNameField || record.display.size() > kMaxDisplayField ||
        record.unit.size() > kMaxUnitField)
        return false;
    if (!parseFiniteField(fields[2], record.minimum) || !parseFiniteField(fields[3], record.maximum) ||
        !parseFiniteField(fields[6], record.defaultValue))
        return false;
    // The range's width must be a float too: values are scaled by it.
    return record.minimum < record.maximum && std::isfinite(record.maximum - record.minimum) &&
           record.minimum <= record.defaultValue && record.defaultValue <= record.maximum && !record.display.empty();
}

void fillInfo(const MapRecord& record, AudioUnitParameterInfo& info, CFArrayRef& valueStrings) {
    std::memset(&info, 0, sizeof info);
    std::memcpy(info.name, record.name.data(), std::min(record.name.size(), kInfoNameBytes));
    info.cfNameString = macRomanString(record.name);
    if (!record.unit.empty() && record.unit != "-") {
        info.unitName = macRomanString(record.unit);
        info.unit = kAudioUnitParameterUnit_CustomUnit;
    } else {
        info.unit = kAudioUnitParameterUnit_Generic;
    }
    info.clumpID = 0;
    info.minValue = record.minimum;
    info.maxValue = record.maximum;
    info.defaultValue = record.defaultValue;
    info.flags = kMappedParameterFlags;
    if (record.display == "b") {
        info.minValue = 0.0f;
        info.maxValue = 1.0f;
        info.unit = kAudioUnitParameterUnit_Boolean;
    } else if (record.display == "?") {
        info.flags = kMappedWithStringsFlags;
    } else if (record.display != "=") {
        valueStrings = valueNameList(record.display);
        info.minValue = 0.0f;
        info.maxValue = float(CFArrayGetCount(valueStrings) - 1);
        info.unit = kAudioUnitParameterUnit_Indexed;
    }
    // A Boolean or a list replaces the line's range; a default beyond the new range would name
    // no state, and hosts expect it within the range.
    info.defaultValue = std::clamp(info.defaultValue, info.minValue, info.maxValue);
    if (record.globalMeta) info.flags |= kMappedGlobalMetaFlag;
}

}  // namespace

bool ParameterMap::parseNumber(const char* text, double& value) {
    while (*text == ' ') ++text;
    if (*text == '+') ++text;
    const char* end = text + std::strlen(text);
    if (text == end || *text == '+') return false;
    const auto result = std::from_chars(text, end, value);
    return result.ec == std::errc() && result.ptr == end;
}

std::string ParameterMap::formatNumber(double value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
    return std::string(text, result.ptr);
}

std::string ParameterMap::createDefault(EffectAccess& effect, bool vstSupportsExtensions) {
    std::string map = kParameterMapHeader;
    const int32_t count = effect.parameterCount();
    for (int32_t i = 0; i < count; ++i) {
        char name[25] = {}, label[25] = {};
        char atCurrent[25] = {}, atZero[25] = {}, atHalf[25] = {}, atOne[25] = {};
        effect.getParameterName(i, name);
        effect.getParameterLabel(i, label);
        const float current = effect.getParameter(i);
        effect.getParameterDisplay(i, atCurrent);
        effect.setParameter(i, 0.0f);
        effect.getParameterDisplay(i, atZero);
        effect.setParameter(i, 0.5f);
        effect.getParameterDisplay(i, atHalf);
        effect.setParameter(i, 1.0f);
        effect.getParameterDisplay(i, atOne);
        effect.setParameter(i, current);

        double c = 0, zero = 0, half = 0, one = 0;
        const bool linear = parseNumber(atZero, zero) && parseNumber(atCurrent, c) && parseNumber(atOne, one) &&
                            parseNumber(atHalf, half) && std::fabs(half - (zero + one) / 2.0) <= kLinearTolerance;
        double minimum = 0.0, maximum = 1.0, defaultValue = current;
        char kind = '=';
        std::string unit = fieldText(label);
        if (linear) {
            minimum = zero;
            maximum = one;
            defaultValue = c;
        } else if (vstSupportsExtensions) {
            kind = '?';
        } else {
            unit = "-";
        }
        map += std::to_string(i) + '\t' + fieldText(name) + '\t' + formatNumber(minimum) + '\t' +
               formatNumber(maximum) + '\t' + kind + '\t' + unit + '\t' + formatNumber(defaultValue) + '\r';
    }
    return map;
}

void ParameterMap::read(const unsigned char* bytes, size_t size, const ParameterMapping& mapping) {
    const unsigned char* end = bytes ? bytes + size : nullptr;
    char line[kLineBufferSize];
    const unsigned char* position = readLine(bytes, end, line);  // the header
    while (position < end) {
        position = readLine(position, end, line);
        const char* text = line;
        while (*text == ' ') ++text;
        if (*text == 0 || *text == ';') continue;
        MapRecord record;
        if (!parseRecord(text, mapping.parameterCount, record)) continue;
        AudioUnitParameterInfo& info = mapping.parameterInfos[record.index];
        if (info.cfNameString != nullptr) continue;  // mapped by an earlier line
        if (*mapping.mappedParameterCount >= kMaxMappedParameters) throw TandemException("Too many mapped parameters");
        fillInfo(record, info, mapping.parameterValueStrings[record.index]);
        mapping.mappedParameters[(*mapping.mappedParameterCount)++] = UInt32(record.index);
    }
}

void ParameterMap::release(const ParameterMapping& mapping) {
    for (int32_t i = 0; i < mapping.parameterCount; ++i) {
        AudioUnitParameterInfo& info = mapping.parameterInfos[i];
        if (info.unitName) CFRelease(info.unitName);
        if (info.cfNameString) CFRelease(info.cfNameString);
        if (mapping.parameterValueStrings[i]) CFRelease(mapping.parameterValueStrings[i]);
        std::memset(&info, 0, sizeof info);
        mapping.parameterValueStrings[i] = nullptr;
    }
    *mapping.mappedParameterCount = 0;
}

}  // namespace tandem
