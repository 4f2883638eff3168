#include "SysexImport.h"

#include <algorithm>

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

char AlphaJunoToneDump::character(unsigned char code) {
    if (code <= 25) return static_cast<char>('A' + code);
    if (code <= 51) return static_cast<char>('a' + code - 26);
    if (code <= 61) return static_cast<char>('0' + code - 52);
    if (code == 62) return ' ';
    if (code == 63) return '-';
    // A backslash would become a folder separator in the patch path; control and non-ASCII
    // bytes would make the name unprintable or invalid UTF-8.
    if (code < 0x20 || code >= 0x7f || code == '\\' || code == '/') return '?';
    return static_cast<char>(code);
}

bool AlphaJunoToneDump::parse(const unsigned char* bytes, std::size_t size) {
    // The whole message must be there, and it must be a tone dump: Roland, "all parameters"
    // (35), the Alpha Juno's format (23 20 01), closed by F7 at its last byte. Other Roland
    // messages, such as the bank dumps (37) of the same instrument, start alike.
    if (bytes == nullptr || size < kSize) return false;
    if (bytes[0] != 0xF0 || bytes[1] != 0x41 || bytes[2] != 0x35) return false;
    if (bytes[4] != 0x23 || bytes[5] != 0x20 || bytes[6] != 0x01 || bytes[53] != 0xF7) return false;

    for (int row = 0; row < kNumSysexRows; ++row) {
        const int maximum = sysexparameters[row].maximum;
        const int byte = std::min<int>(bytes[kFirstParameterByte + row], maximum);
        values[row] = static_cast<float>(byte) / static_cast<float>(maximum);
    }
    for (int i = 0; i < kNameLength; ++i) patchName[i] = character(bytes[kFirstNameByte + i]);
    patchName[kNameLength] = 0;
    return true;
}

}  // namespace halvorax
