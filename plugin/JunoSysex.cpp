#include "JunoSysex.h"

#include <algorithm>
#include <cstring>

#include "ParameterTable.h"

namespace halvorax::juno {

namespace {

constexpr unsigned char kStart = 0xF0, kEnd = 0xF7, kRoland = 0x41, kFamily = 0x23, kGroup = 0x01;
constexpr unsigned char kApr = 0x35, kIpr = 0x36, kBld = 0x37, kDat = 0x42;
constexpr unsigned char kToneLevel = 0x20, kPatchLevel = 0x30, kChordLevel = 0x40;
constexpr int kHeaderSize = 7;
constexpr int kBulkDataOffset = 9;  // after the header, 00 and the tone number

// APR positions of the fields a bank tone packs.
constexpr int kDcoAfter = 13, kVcfKeyFollow = 20, kVcfAfter = 21, kVcaAfter = 23, kEnvKeyFollow = 33;
constexpr int kChorusRate = 34, kBenderRange = 35;
constexpr int kFourBitScale = 8;
// The seven-bit values of b3..b20, in byte order (VCF env before VCF LFO, unlike the APR).
constexpr int kSevenBitFields[18] = {11, 12, 14, 15, 16, 17, 19, 18, 22, 24, 25, 26, 27, 28, 29, 30, 31, 32};
// The switches in bit 7 of b4..b26, most significant bit first: APR position and width.
struct Switch {
    int position;
    int bits;
};
constexpr Switch kSwitches[] = {{10, 1}, {0, 2}, {1, 2}, {2, 2}, {5, 3}, {4, 3},
                                {3, 2},  {9, 2}, {6, 2}, {7, 2}, {8, 2}};
constexpr int kFirstSwitchByte = 4, kFirstNameByte = 21, kFirstChorusByte = 27;

bool isFamily(const unsigned char* b, std::size_t size) {
    return size >= kHeaderSize + 1 && b[0] == kStart && b[1] == kRoland && b[4] == kFamily && b[6] == kGroup;
}

unsigned char held(int position, int value) {
    return static_cast<unsigned char>(std::clamp(value, 0, maximum(position)));
}

}  // namespace

const char* kindName(Kind kind) {
    switch (kind) {
        case Kind::ToneApr:
            return "tone APR";
        case Kind::Ipr:
            return "IPR";
        case Kind::Bulk:
            return "BLD";
        case Kind::HandshakeData:
            return "DAT";
        case Kind::PatchOrChord:
            return "patch/chord";
        case Kind::OtherJuno:
            return "other Alpha Juno";
        case Kind::Foreign:
            return "foreign";
        case Kind::Truncated:
            return "truncated";
    }
    return "";
}

bool Scanner::next(Message& message) {
    while (position < size && data[position] != kStart) ++position;
    if (position >= size) return false;
    const std::size_t start = position++;
    while (position < size && data[position] < 0x80) ++position;
    if (position < size && data[position] == kEnd) {
        ++position;
        message = classify(data + start, position - start);
    } else {
        message = Message{};
        message.kind = Kind::Truncated;
        message.size = position - start;
    }
    message.offset = start;
    return true;
}

Message classify(const unsigned char* b, std::size_t size) {
    Message message;
    message.size = size;
    if (!isFamily(b, size) || b[size - 1] != kEnd) return message;
    message.channel = (b[3] & 0x0F) + 1;
    message.kind = Kind::OtherJuno;
    const unsigned char level = b[5];
    if (level == kPatchLevel || level == kChordLevel) {
        message.kind = Kind::PatchOrChord;
    } else if (level == kToneLevel) {
        if (b[2] == kApr && (size == kAprSize || size == kAprUnnamedSize)) message.kind = Kind::ToneApr;
        if (b[2] == kIpr && size == kIprSize) message.kind = Kind::Ipr;
        if (b[2] == kBld && size == kBulkSize) message.kind = Kind::Bulk;
        if (b[2] == kDat && size == kDataSize) message.kind = Kind::HandshakeData;
    }
    return message;
}

int maximum(int position) { return position >= 0 && position < kToneBytes ? sysexRow(position).maximum : 0; }

bool decodeApr(const unsigned char* bytes, std::size_t size, Tone& tone) {
    if (bytes == nullptr || classify(bytes, size).kind != Kind::ToneApr || bytes[2] != kApr) return false;
    for (int i = 0; i < kToneBytes; ++i) tone.values[i] = held(i, bytes[kHeaderSize + i]);
    tone.named = size == kAprSize;
    for (int i = 0; i < kNameLength; ++i) tone.name[i] = tone.named ? bytes[kHeaderSize + kToneBytes + i] : 62;
    return true;
}

void encodeApr(const Tone& tone, int channel, unsigned char out[kAprSize]) {
    const unsigned char header[kHeaderSize] = {kStart,  kRoland,    kApr,  static_cast<unsigned char>(channel & 0x0F),
                                               kFamily, kToneLevel, kGroup};
    std::memcpy(out, header, kHeaderSize);
    for (int i = 0; i < kToneBytes; ++i) out[kHeaderSize + i] = held(i, tone.values[i]);
    for (int i = 0; i < kNameLength; ++i) out[kHeaderSize + kToneBytes + i] = tone.name[i] & 0x7F;
    out[kAprSize - 1] = kEnd;
}

bool decodeIpr(const unsigned char* bytes, std::size_t size, int& position, int& value) {
    if (bytes == nullptr || classify(bytes, size).kind != Kind::Ipr) return false;
    if (bytes[7] >= kToneBytes) return false;
    position = bytes[7];
    value = held(position, bytes[8]);
    return true;
}

void unpackTone(const unsigned char p[kPackedSize], Tone& tone) {
    unsigned char* v = tone.values;
    const auto fourBit = [&](int position, int nibble) { v[position] = held(position, nibble * kFourBitScale); };
    fourBit(kVcfKeyFollow, p[0] & 15);
    fourBit(kDcoAfter, p[0] >> 4);
    fourBit(kVcaAfter, p[1] & 15);
    fourBit(kVcfAfter, p[1] >> 4);
    v[kBenderRange] = held(kBenderRange, p[2] & 15);
    fourBit(kEnvKeyFollow, p[2] >> 4);
    for (int i = 0; i < 18; ++i) v[kSevenBitFields[i]] = held(kSevenBitFields[i], p[3 + i] & 0x7F);
    int byte = kFirstSwitchByte;
    for (const Switch& field : kSwitches) {
        int value = 0;
        for (int bit = 0; bit < field.bits; ++bit) value = value << 1 | p[byte++] >> 7;
        v[field.position] = held(field.position, value);
    }
    int rate = 0;
    for (int i = 0; i < 4; ++i) rate |= (p[kFirstChorusByte + i] >> 6) << (2 * i);
    v[kChorusRate] = held(kChorusRate, rate);
    for (int i = 0; i < kNameLength; ++i) tone.name[i] = p[kFirstNameByte + i] & 0x3F;
    tone.named = true;
}

void packTone(const Tone& tone, unsigned char p[kPackedSize]) {
    std::memset(p, 0, kPackedSize);
    const auto value = [&](int position) { return static_cast<int>(held(position, tone.values[position])); };
    const auto fourBit = [&](int position) { return std::min(value(position) / kFourBitScale, 15); };
    p[0] = static_cast<unsigned char>(fourBit(kVcfKeyFollow) | fourBit(kDcoAfter) << 4);
    p[1] = static_cast<unsigned char>(fourBit(kVcaAfter) | fourBit(kVcfAfter) << 4);
    p[2] = static_cast<unsigned char>(value(kBenderRange) | fourBit(kEnvKeyFollow) << 4);
    for (int i = 0; i < 18; ++i) p[3 + i] = static_cast<unsigned char>(value(kSevenBitFields[i]));
    int byte = kFirstSwitchByte;
    for (const Switch& field : kSwitches)
        for (int bit = field.bits - 1; bit >= 0; --bit)
            p[byte++] |= static_cast<unsigned char>((value(field.position) >> bit & 1) << 7);
    for (int i = 0; i < kNameLength; ++i) p[kFirstNameByte + i] |= tone.name[i] & 0x3F;
    for (int i = 0; i < 4; ++i)
        p[kFirstChorusByte + i] |= static_cast<unsigned char>((value(kChorusRate) >> (2 * i) & 3) << 6);
}

bool decodeBulk(const unsigned char* bytes, std::size_t size, int& firstTone,
                unsigned char packed[kTonesPerMessage][kPackedSize]) {
    if (bytes == nullptr) return false;
    const Kind kind = classify(bytes, size).kind;
    if (!((kind == Kind::Bulk && bytes[2] == kBld) || (kind == Kind::HandshakeData && bytes[2] == kDat))) return false;
    if (bytes[7] != 0 || bytes[8] > kBankTones - kTonesPerMessage) return false;
    firstTone = bytes[8];
    const unsigned char* nibbles = bytes + kBulkDataOffset;
    for (int t = 0; t < kTonesPerMessage; ++t)
        for (int i = 0; i < kPackedSize; ++i, nibbles += 2)
            packed[t][i] = static_cast<unsigned char>((nibbles[0] & 15) | (nibbles[1] & 15) << 4);
    return true;
}

void encodeBank(const Tone tones[kBankTones], int channel, unsigned char out[kBankSize]) {
    for (int m = 0; m < kBankTones / kTonesPerMessage; ++m) {
        unsigned char* message = out + m * kBulkSize;
        const unsigned char header[kBulkDataOffset] = {
            kStart,     kRoland, kBld, static_cast<unsigned char>(channel & 0x0F),      kFamily,
            kToneLevel, kGroup,  0,    static_cast<unsigned char>(m * kTonesPerMessage)};
        std::memcpy(message, header, sizeof header);
        unsigned char* nibbles = message + kBulkDataOffset;
        for (int t = 0; t < kTonesPerMessage; ++t) {
            unsigned char packed[kPackedSize];
            packTone(tones[m * kTonesPerMessage + t], packed);
            for (int i = 0; i < kPackedSize; ++i) {
                *nibbles++ = packed[i] & 15;
                *nibbles++ = packed[i] >> 4;
            }
        }
        message[kBulkSize - 1] = kEnd;
    }
}

char character(unsigned char code) {
    if (code <= 25) return static_cast<char>('A' + code);
    if (code <= 51) return static_cast<char>('a' + code - 26);
    if (code <= 61) return static_cast<char>('0' + code - 52);
    if (code == 62) return ' ';
    if (code == 63) return '-';
    // A slash or backslash would become a folder separator in a patch path; control and
    // non-ASCII bytes would make the name unprintable or invalid UTF-8.
    if (code < 0x20 || code >= 0x7f || code == '\\' || code == '/') return '?';
    return static_cast<char>(code);
}

unsigned char nameCode(char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c - 'A');
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 'a' + 26);
    if (c >= '0' && c <= '9') return static_cast<unsigned char>(c - '0' + 52);
    if (c == '-') return 63;
    return 62;
}

void encodeName(const char* text, unsigned char name[kNameLength]) {
    std::size_t length = text ? std::strlen(text) : 0;
    for (int i = 0; i < kNameLength; ++i) name[i] = nameCode(static_cast<std::size_t>(i) < length ? text[i] : ' ');
}

void decodeName(const Tone& tone, char text[kNameLength + 1]) {
    for (int i = 0; i < kNameLength; ++i) text[i] = character(tone.name[i]);
    text[kNameLength] = 0;
}

}  // namespace halvorax::juno
