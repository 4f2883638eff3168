#include "PatchFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

namespace halvorax {

namespace {

// Whitespace-separated tokens of a text, each cut to the longest token the format allows.
class Tokenizer {
public:
    Tokenizer(const char* text, std::size_t size) : position(text), end(text + size) {}

    bool next(std::string_view& token) {
        while (position < end && isSpace(*position)) ++position;
        if (position == end) return false;
        const char* start = position;
        while (position < end && !isSpace(*position)) ++position;
        token = std::string_view(start, std::min<std::size_t>(position - start, PatchFile::kMaxTokenLength));
        return true;
    }

private:
    static bool isSpace(char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
    const char* position;
    const char* end;
};

// The id inside `property="..."`; empty when the token has none or it is too long.
std::string_view propertyId(std::string_view token) {
    static constexpr std::string_view kKey = "property=";
    const std::size_t key = token.find(kKey);
    if (key == std::string_view::npos) return {};
    std::string_view rest = token.substr(key + kKey.size());
    if (!rest.empty() && rest.front() == '"') rest.remove_prefix(1);
    const std::size_t quote = rest.find('"');
    if (quote != std::string_view::npos) rest = rest.substr(0, quote);
    return rest.size() <= PatchFile::kMaxIdLength ? rest : std::string_view();
}

const ParameterRow* rowFor(std::string_view id) {
    if (id.empty()) return nullptr;
    for (const ParameterRow& row : reparameters)
        if (id == row.id) return &row;
    return nullptr;
}

// The leading decimal number of a token, like the C library's reading of "%f" but independent
// of the host's locale. False when the token does not start with a finite number.
bool readNumber(std::string_view token, float& number) {
    if (!token.empty() && token.front() == '+') token.remove_prefix(1);
    double value = 0.0;
    const auto result = std::from_chars(token.data(), token.data() + token.size(), value);
    if (result.ec != std::errc() || !std::isfinite(value)) return false;
    number = static_cast<float>(std::clamp(value, -1.0e30, 1.0e30));
    return true;
}

void appendLine(std::string& text, const char* line) {
    text += line;
    text += '\n';
}

void appendProperties(std::string& text, const char* suffix, const char* version) {
    text += "    <Properties deviceProductID=\"";
    text += PatchFile::kProductId;
    text += suffix;
    text += "\"  deviceVersion=\"";
    text += version;
    text += "\" >\n";
}

// The number of a row: "%d" of the truncated integer value, or "%f" (six decimals) of
// minimum + range × value; written without the host's locale so the point stays a point.
void appendNumber(std::string& text, const ParameterRow& row, float value) {
    char number[64];
    std::to_chars_result result;
    if (row.floatInFile) {
        const double scaled = row.minimum + static_cast<double>(row.maximum - row.minimum) * value;
        result = std::to_chars(number, number + sizeof number, std::clamp(scaled, -1.0e30, 1.0e30),
                               std::chars_format::fixed, 6);
    } else {
        result = std::to_chars(number, number + sizeof number, integerValue(row, value));
    }
    text.append(number, result.ptr);
}

void appendBlock(std::string& text, FileBlock block, const float values[kNumParameters]) {
    for (const ParameterRow& row : reparameters) {
        if (row.fileBlock != block) continue;
        text += "            <Value property=\"";
        text += row.id;
        text += "\"  type=\"number\" >\n                ";
        appendNumber(text, row, values[row.index]);
        text += '\n';
        appendLine(text, "            </Value>");
    }
}

}  // namespace

std::string PatchFile::format(const float values[kNumParameters]) {
    std::string text;
    text.reserve(6000);
    appendLine(text, "<?xml version=\"1.0\"?>");
    appendLine(text, "<ZudivorPatch version=\"1.0\" >");
    appendLine(text, "    <DeviceNameInEnglish>");
    appendLine(text, "        Halvorax Polyphonic Synthesizer");
    appendLine(text, "    </DeviceNameInEnglish>");
    appendProperties(text, "", "1.0f4");
    appendLine(text, "        <Object name=\"custom_properties\" >");
    appendBlock(text, FileBlock::First, values);
    appendLine(text, "       </Object>");
    appendLine(text, "    </Properties>");
    appendProperties(text, "VST", "1.0d2");
    appendLine(text, "        <Object name=\"vst_properties\" >");
    appendBlock(text, FileBlock::Second, values);
    appendLine(text, "       </Object>");
    appendLine(text, "    </Properties>");
    appendLine(text, "</ZudivorPatch>");
    return text;
}

int PatchFile::parse(const char* text, std::size_t size, float values[kNumParameters]) {
    if (text == nullptr) return 0;
    Tokenizer tokens(text, size);
    std::string_view token;
    int applied = 0;
    while (tokens.next(token)) {
        if (token != "<Value") continue;
        if (!tokens.next(token)) break;
        if (token.find("property=") == std::string_view::npos) continue;
        const ParameterRow* row = rowFor(propertyId(token));
        // The type attribute, the tag's ">", then the number; then the closing tag.
        std::string_view number;
        if (!tokens.next(number) || !tokens.next(number) || !tokens.next(number)) break;
        tokens.next(token);
        float value = 0.0f;
        if (row == nullptr || row->maximum <= 0 || !readNumber(number, value)) continue;
        // A value outside what the format can carry is held to it, so that a damaged file
        // cannot drive the engine out of range. The chord count and notes are whole numbers,
        // so that what is read is written back as it was.
        float normalized = value / static_cast<float>(row->maximum);
        if (parameterLimit(row->index) > 1.0f) normalized = std::trunc(normalized);
        values[row->index] = clampParameter(row->index, normalized);
        ++applied;
    }
    return applied;
}

}  // namespace halvorax
