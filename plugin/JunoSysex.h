// The Alpha Juno family's system-exclusive formats, as bytes only (no files, no allocation):
// walking a byte stream message by message, the tone APR (54 bytes, or 44 without a name),
// the one-parameter IPR, the 64-tone bank (BLD, and handshake DAT) with its packed tones, and
// the 6-bit name code. Safe on the audio thread.
#pragma once

#include <cstddef>

namespace halvorax::juno {

constexpr int kToneBytes = 36;  // parameter bytes of a tone, in APR order
constexpr int kNameLength = 10;
constexpr int kBankTones = 64;
constexpr int kTonesPerMessage = 4;
constexpr int kPackedSize = 32;  // a tone inside a bank message, before nibble splitting
constexpr std::size_t kAprSize = 54;
constexpr std::size_t kAprUnnamedSize = 44;
constexpr std::size_t kIprSize = 10;
constexpr std::size_t kBulkSize = 266;  // BLD: header, tone number, 256 nibbles, F7
constexpr std::size_t kDataSize = 267;  // DAT: the same plus a checksum byte
constexpr std::size_t kBankSize = 16 * kBulkSize;

enum class Kind {
    ToneApr,        // a whole tone (54 or 44 bytes)
    Ipr,            // one tone parameter
    Bulk,           // BLD, four packed tones
    HandshakeData,  // DAT, four packed tones and a checksum
    PatchOrChord,   // the rack's patch and chord-memory messages
    OtherJuno,      // the family's header, anything else (handshake control, wrong length)
    Foreign,        // another manufacturer or device
    Truncated,      // cut short by another status byte or by the end of the data
};

const char* kindName(Kind kind);

struct Message {
    std::size_t offset = 0;
    std::size_t size = 0;
    Kind kind = Kind::Foreign;
    int channel = 0;  // 1..16 for the family's messages
};

// Walks the messages of a byte stream. A message runs from F0 to F7; bytes outside messages
// are stepped over; a message interrupted by another status byte ends there as Truncated and
// the walk goes on from that byte.
class Scanner {
public:
    Scanner(const unsigned char* data, std::size_t size) : data(data), size(data ? size : 0) {}
    bool next(Message& message);

private:
    const unsigned char* data;
    std::size_t size;
    std::size_t position = 0;
};

Message classify(const unsigned char* bytes, std::size_t size);

// A tone in the APR's own scale and order. Every value is within its parameter's range; the
// name holds the bytes as sent (the 6-bit code, other bytes kept for the import to show).
struct Tone {
    unsigned char values[kToneBytes] = {};
    unsigned char name[kNameLength] = {};
    bool named = false;
};

// Largest value of each APR position (3, 5, 1, 127 or 12).
int maximum(int position);

// A tone APR (54 or 44 bytes, any channel); values above their range are held to it.
bool decodeApr(const unsigned char* bytes, std::size_t size, Tone& tone);
// 54 bytes: the header for `channel` (0..15), the values, the name (spaces when unnamed).
void encodeApr(const Tone& tone, int channel, unsigned char out[kAprSize]);
// An IPR: position 0..35 and its value held to the position's range.
bool decodeIpr(const unsigned char* bytes, std::size_t size, int& position, int& value);

// A packed bank tone. Four-bit fields (aftertouch depths, key follows) travel as value × 8
// in the APR, so unpacking multiplies and packing divides, truncating.
void unpackTone(const unsigned char packed[kPackedSize], Tone& tone);
void packTone(const Tone& tone, unsigned char packed[kPackedSize]);

// A BLD or DAT message: the number (0..63) of its first tone and its four packed tones.
bool decodeBulk(const unsigned char* bytes, std::size_t size, int& firstTone,
                unsigned char packed[kTonesPerMessage][kPackedSize]);
// 16 BLD messages for 64 tones on `channel`.
void encodeBank(const Tone tones[kBankTones], int channel, unsigned char out[kBankSize]);

// The 6-bit name code: A-Z, a-z, 0-9, space, "-".
char character(unsigned char code);                                  // other bytes: themselves if printable, else "?"
unsigned char nameCode(char character);                              // characters outside the code become spaces
void encodeName(const char* text, unsigned char name[kNameLength]);  // padded with spaces
// The ten characters, terminated, into `text` (11 bytes).
void decodeName(const Tone& tone, char text[kNameLength + 1]);

}  // namespace halvorax::juno
