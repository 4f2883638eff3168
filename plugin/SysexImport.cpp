#include "SysexImport.h"

#include <strings.h>

#include <algorithm>
#include <cctype>

namespace halvorax {

float toneValue(const juno::Tone& tone, int position) {
    const int maximum = sysexRow(position).maximum;
    return static_cast<float>(std::min<int>(tone.values[position], maximum)) / static_cast<float>(maximum);
}

juno::Tone toneFromParameters(const float values[kNumParameters], const char* name) {
    juno::Tone tone;
    for (int position = 0; position < kNumSysexRows; ++position) {
        const ParameterRow& parameter = sysexRow(position);
        const int value = truncateScaled(values[parameter.index], parameter.maximum);
        tone.values[position] = static_cast<unsigned char>(std::clamp(value, 0, parameter.maximum));
    }
    juno::encodeName(name, tone.name);
    tone.named = true;
    return tone;
}

std::string toneName(const juno::Tone& tone, const std::string& fallback) {
    if (!tone.named) return fallback;
    char text[juno::kNameLength + 1];
    juno::decodeName(tone, text);
    return text;
}

std::string toneNameOfPatch(const std::string& patchFile) {
    static const std::string kExtension = ".repatch";
    std::string name = patchFile;
    if (name.size() < kExtension.size() ||
        strcasecmp(name.c_str() + name.size() - kExtension.size(), kExtension.c_str()) != 0)
        return name;
    name.resize(name.size() - kExtension.size());
    if (name.size() >= 3 && std::isdigit(static_cast<unsigned char>(name[0])) &&
        std::isdigit(static_cast<unsigned char>(name[1])) && name[2] == ' ')
        name.erase(0, 3);
    else if (name.size() == 2 && std::isdigit(static_cast<unsigned char>(name[0])) &&
             std::isdigit(static_cast<unsigned char>(name[1])))
        name.clear();  // a tone named only spaces
    return name;
}

SysexContents readSysex(const unsigned char* bytes, std::size_t size) {
    SysexContents contents;
    bool seen[juno::kBankTones] = {};
    juno::Tone bank[juno::kBankTones];
    juno::Scanner scanner(bytes, size);
    juno::Message message;
    while (scanner.next(message)) {
        const unsigned char* start = bytes + message.offset;
        juno::Tone tone;
        int first = 0;
        unsigned char packed[juno::kTonesPerMessage][juno::kPackedSize];
        if (message.kind == juno::Kind::ToneApr && juno::decodeApr(start, message.size, tone)) {
            contents.singleTones.push_back(tone);
        } else if (juno::decodeBulk(start, message.size, first, packed)) {
            for (int t = 0; t < juno::kTonesPerMessage; ++t) {
                juno::unpackTone(packed[t], bank[first + t]);
                seen[first + t] = true;
            }
        }
    }
    for (int t = 0; t < juno::kBankTones; ++t)
        if (seen[t]) contents.bankTones.push_back({t + 1, bank[t]});
    return contents;
}

}  // namespace halvorax
