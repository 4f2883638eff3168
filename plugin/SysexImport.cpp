#include "SysexImport.h"

#include <strings.h>

#include <algorithm>
#include <cctype>

namespace halvorax {

namespace {
constexpr FileBlock NW = FileBlock::NotWritten;
}  // namespace

const ParameterRow sysexparameters[kNumSysexRows] = {
    {"dcoenvmode", "DCO Env Mode", 3, 0, 3, 0, NW, false},
    {"vcfenvmode", "VCF Env Mode", 17, 0, 3, 0, NW, false},
    {"vcaenv", "VCA Env Mode", 22, 0, 3, 1, NW, false},
    {"dcopulse", "DCO Pulse", 6, 0, 3, 0, NW, false},
    {"dcosaw", "DCO Saw", 7, 0, 5, 1, NW, false},
    {"dcosub", "DCO Sub", 8, 0, 5, 0, NW, false},
    {"dcorange", "DCO Range", 0, 0, 3, 2, NW, false},
    {"dcosublevel", "Sub Level", 9, 0, 3, 0, NW, false},
    {"dconoiselevel", "Noise Level", 10, 0, 3, 0, NW, false},
    {"vcfhpf", "VCF HPF", 13, 0, 3, 0, NW, false},
    {"chorusenabled", "Chorus", 24, 0, 1, 0, NW, false},
    {"dcolfo", "DCO LFO", 1, 0, 127, 0, NW, false},
    {"dcoenvdepth", "DCO Env", 2, 0, 127, 0, NW, false},
    {"dcoafterdepth", "DCO After", 4, 0, 127, 0, NW, false},
    {"dcopwm", "DCO PWM", 11, 0, 127, 0, NW, false},
    {"dcopwmrate", "DCO PWM Rate", 12, 0, 127, 0, NW, false},
    {"vcffreq", "VCF Freq", 14, 0, 127, 127, NW, false},
    {"vcfreso", "VCF Reso", 15, 0, 127, 0, NW, false},
    {"vcflfo", "VCF LFO", 18, 0, 127, 0, NW, false},
    {"vcfenv", "VCF ENV", 16, 0, 127, 0, NW, false},
    {"vcfkeyfollow", "VCF Key Follow", 19, 0, 127, 0, NW, false},
    {"vcfafterdepth", "VCF After", 20, 0, 127, 0, NW, false},
    {"vcalevel", "VCA Level", 21, 0, 127, 0, NW, false},
    {"vcaafterdepth", "VCA After", 23, 0, 127, 0, NW, false},
    {"lforate", "LFO Rate", 26, 0, 127, 0, NW, false},
    {"lfodelay", "LFO Delay", 27, 0, 127, 0, NW, false},
    {"envt1", "Env T1", 28, 0, 127, 0, NW, false},
    {"envl1", "Env L1", 29, 0, 127, 0, NW, false},
    {"envt2", "Env T2", 30, 0, 127, 0, NW, false},
    {"envl2", "Env L2", 31, 0, 127, 0, NW, false},
    {"envt3", "Env T3", 32, 0, 127, 0, NW, false},
    {"envl3", "Env L3", 33, 0, 127, 0, NW, false},
    {"envt4", "Env T4", 34, 0, 127, 0, NW, false},
    {"envkeyfollow", "Env Key Follow", 35, 0, 127, 0, NW, false},
    {"chorusrate", "Chorus Rate", 25, 0, 127, 0, NW, false},
    {"benderrange", "Bender Range", 5, 0, 12, 12, NW, false},
};

float toneValue(const juno::Tone& tone, int row) {
    const int maximum = sysexparameters[row].maximum;
    return static_cast<float>(std::min<int>(tone.values[row], maximum)) / static_cast<float>(maximum);
}

juno::Tone toneFromParameters(const float values[kNumParameters], const char* name) {
    juno::Tone tone;
    for (int row = 0; row < kNumSysexRows; ++row) {
        const ParameterRow& parameter = sysexparameters[row];
        const int value = truncateScaled(values[parameter.index], parameter.maximum);
        tone.values[row] = static_cast<unsigned char>(std::clamp(value, 0, parameter.maximum));
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
