// Strings held as UTF-16 code units, with MacRoman and UTF-8 conversion.
#include "CFInternal.h"

#include <cstring>
#include <map>
#include <mutex>

namespace cf {

namespace {

// Unicode code points of MacRoman bytes 0x80 to 0xFF (Apple's mapping, with the euro sign at 0xDB).
const char16_t kMacRomanHigh[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5,
    0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3, 0x00F2, 0x00F4,
    0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6,
    0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8, 0x221E, 0x00B1, 0x2264, 0x2265,
    0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF,
    0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB, 0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5,
    0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044,
    0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02, 0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9,
    0x0131, 0x02C6, 0x02DC, 0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7};

// MacRoman byte of a code unit, or -1 when MacRoman has no such character.
int macRomanByte(char16_t c) {
    if (c < 0x80) return c;
    for (int i = 0; i < 128; ++i)
        if (kMacRomanHigh[i] == c) return 0x80 + i;
    return -1;
}

bool isSurrogateHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isSurrogateLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

bool decode(const UInt8* bytes, size_t length, CFStringEncoding encoding, std::u16string& out) {
    out.clear();
    switch (encoding) {
        case kCFStringEncodingUTF8:
            return decodeUTF8(bytes, length, out);
        case kCFStringEncodingMacRoman:
            for (size_t i = 0; i < length; ++i)
                out += bytes[i] < 0x80 ? char16_t(bytes[i]) : kMacRomanHigh[bytes[i] - 0x80];
            return true;
        default:
            return false;
    }
}

// Encodes chars[index...]; appends the bytes of one character (or surrogate pair) and returns
// how many code units it used, 0 when the character cannot be encoded.
size_t encodeOne(const std::u16string& chars, size_t index, CFStringEncoding encoding, std::string& out) {
    const char16_t c = chars[index];
    switch (encoding) {
        case kCFStringEncodingUTF8: {
            uint32_t cp = c;
            size_t used = 1;
            if (isSurrogateHigh(c)) {
                if (index + 1 >= chars.size() || !isSurrogateLow(chars[index + 1])) return 0;
                cp = 0x10000 + ((uint32_t(c) - 0xD800) << 10) + (chars[index + 1] - 0xDC00);
                used = 2;
            } else if (isSurrogateLow(c)) {
                return 0;
            }
            if (cp < 0x80) {
                out += char(cp);
            } else if (cp < 0x800) {
                out += char(0xC0 | (cp >> 6));
                out += char(0x80 | (cp & 0x3F));
            } else if (cp < 0x10000) {
                out += char(0xE0 | (cp >> 12));
                out += char(0x80 | ((cp >> 6) & 0x3F));
                out += char(0x80 | (cp & 0x3F));
            } else {
                out += char(0xF0 | (cp >> 18));
                out += char(0x80 | ((cp >> 12) & 0x3F));
                out += char(0x80 | ((cp >> 6) & 0x3F));
                out += char(0x80 | (cp & 0x3F));
            }
            return used;
        }
        case kCFStringEncodingMacRoman: {
            const int b = macRomanByte(c);
            if (b < 0) return 0;
            out += char(b);
            return 1;
        }
        default:
            return 0;
    }
}

// Whole-string conversion; false when a character cannot be encoded.
bool encode(const std::u16string& chars, CFStringEncoding encoding, std::string& out) {
    out.clear();
    for (size_t i = 0; i < chars.size();) {
        const size_t used = encodeOne(chars, i, encoding, out);
        if (used == 0) return false;
        i += used;
    }
    return true;
}

char16_t foldCase(char16_t c) {
    if (c >= 'A' && c <= 'Z') return c + 32;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;  // Latin-1 capitals
    return c;
}

bool isDigit(char16_t c) { return c >= '0' && c <= '9'; }

// Compares the digit runs starting at a[i] and b[j] by value and advances past them.
int compareNumber(const std::u16string& a, size_t& i, const std::u16string& b, size_t& j) {
    while (i < a.size() && a[i] == '0' && i + 1 < a.size() && isDigit(a[i + 1])) ++i;
    while (j < b.size() && b[j] == '0' && j + 1 < b.size() && isDigit(b[j + 1])) ++j;
    size_t ei = i, ej = j;
    while (ei < a.size() && isDigit(a[ei])) ++ei;
    while (ej < b.size() && isDigit(b[ej])) ++ej;
    int result = 0;
    if (ei - i != ej - j) {
        result = ei - i < ej - j ? -1 : 1;
    } else {
        for (size_t k = 0; k < ei - i && result == 0; ++k)
            if (a[i + k] != b[j + k]) result = a[i + k] < b[j + k] ? -1 : 1;
    }
    i = ei;
    j = ej;
    return result;
}

std::mutex constantsMutex;
std::map<std::string, __CFString*>& constants() {
    static auto* table = new std::map<std::string, __CFString*>();  // never freed: strings are immortal
    return *table;
}

}  // namespace

bool decodeUTF8(const UInt8* bytes, size_t length, std::u16string& out) {
    for (size_t i = 0; i < length;) {
        const UInt8 b = bytes[i];
        uint32_t cp;
        size_t extra;
        if (b < 0x80) {
            cp = b;
            extra = 0;
        } else if ((b & 0xE0) == 0xC0) {
            cp = b & 0x1F;
            extra = 1;
        } else if ((b & 0xF0) == 0xE0) {
            cp = b & 0x0F;
            extra = 2;
        } else if ((b & 0xF8) == 0xF0) {
            cp = b & 0x07;
            extra = 3;
        } else {
            return false;
        }
        if (i + extra >= length && extra > 0) return false;  // truncated sequence
        for (size_t k = 1; k <= extra; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (bytes[i + k] & 0x3F);
        }
        static const uint32_t minimum[4] = {0, 0x80, 0x800, 0x10000};
        if (cp < minimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += char16_t(0xD800 + (cp >> 10));
            out += char16_t(0xDC00 + (cp & 0x3FF));
        } else {
            out += char16_t(cp);
        }
        i += extra + 1;
    }
    return true;
}

CFStringRef makeString(std::u16string chars) { return new __CFString(std::move(chars)); }

CFStringRef makeStringFromUTF8(const std::string& utf8) {
    std::u16string chars;
    if (!decodeUTF8(reinterpret_cast<const UInt8*>(utf8.data()), utf8.size(), chars)) return nullptr;
    return makeString(std::move(chars));
}

std::string utf8Of(CFStringRef str) {
    std::string out;
    if (str != nullptr) encode(str->chars, kCFStringEncodingUTF8, out);
    return out;
}

}  // namespace cf

using namespace cf;

bool __CFString::equals(const CFObject& other) const { return chars == static_cast<const __CFString&>(other).chars; }

CFHashCode __CFString::hash() const {
    CFHashCode h = 1469598103934665603ULL;
    for (char16_t c : chars) h = (h ^ c) * 1099511628211ULL;
    return h;
}

CFTypeID CFStringGetTypeID(void) { return kStringType; }

CFStringRef __CFStringMakeConstantString(const char* cStr) {
    std::lock_guard<std::mutex> lock(constantsMutex);
    auto& table = constants();
    auto it = table.find(cStr);
    if (it != table.end()) return it->second;
    std::u16string chars;
    if (!decodeUTF8(reinterpret_cast<const UInt8*>(cStr), std::strlen(cStr), chars))
        decode(reinterpret_cast<const UInt8*>(cStr), std::strlen(cStr), kCFStringEncodingMacRoman, chars);
    auto* str = new __CFString(std::move(chars), true);
    table.emplace(cStr, str);
    return str;
}

CFStringRef CFStringCreateWithCString(CFAllocatorRef, const char* cStr, CFStringEncoding encoding) {
    if (cStr == nullptr) return nullptr;
    return CFStringCreateWithBytes(nullptr, reinterpret_cast<const UInt8*>(cStr), std::strlen(cStr), encoding, false);
}

CFStringRef CFStringCreateWithBytes(CFAllocatorRef, const UInt8* bytes, CFIndex numBytes, CFStringEncoding encoding,
                                    Boolean) {  // no byte-order marks in MacRoman or UTF-8
    if (numBytes < 0 || (bytes == nullptr && numBytes > 0)) return nullptr;
    std::u16string chars;
    if (!decode(bytes, size_t(numBytes), encoding, chars)) return nullptr;
    return makeString(std::move(chars));
}

CFIndex CFStringGetLength(CFStringRef str) { return str ? CFIndex(str->chars.size()) : 0; }

Boolean CFStringGetCString(CFStringRef str, char* buffer, CFIndex bufferSize, CFStringEncoding encoding) {
    if (str == nullptr || buffer == nullptr || bufferSize <= 0) return false;
    std::string bytes;
    if (!encode(str->chars, encoding, bytes) || CFIndex(bytes.size()) + 1 > bufferSize) {
        buffer[0] = 0;
        return false;
    }
    std::memcpy(buffer, bytes.data(), bytes.size());
    buffer[bytes.size()] = 0;
    return true;
}

CFIndex CFStringGetBytes(CFStringRef str, CFRange range, CFStringEncoding encoding, UInt8 lossByte, Boolean,
                         UInt8* buffer, CFIndex maxBufLen, CFIndex* usedBufLen) {
    CFIndex used = 0;
    CFIndex converted = 0;
    if (str != nullptr && range.location >= 0 && range.length >= 0 &&
        size_t(range.location + range.length) <= str->chars.size()) {
        const std::u16string part = str->chars.substr(range.location, range.length);
        std::string out;
        size_t i = 0;
        while (i < part.size()) {
            std::string one;
            size_t n = encodeOne(part, i, encoding, one);
            if (n == 0) {
                if (lossByte == 0) break;
                one.assign(1, char(lossByte));
                n = 1;
            }
            if (buffer != nullptr && CFIndex(out.size() + one.size()) > maxBufLen) break;
            out += one;
            i += n;
        }
        converted = CFIndex(i);
        used = CFIndex(out.size());
        if (buffer != nullptr) std::memcpy(buffer, out.data(), out.size());
    }
    if (usedBufLen != nullptr) *usedBufLen = used;
    return converted;
}

CFIndex CFStringGetMaximumSizeForEncoding(CFIndex length, CFStringEncoding encoding) {
    switch (encoding) {
        case kCFStringEncodingUTF8:
            return length * 3;
        default:
            return length;
    }
}

CFComparisonResult CFStringCompare(CFStringRef s1, CFStringRef s2, CFStringCompareFlags options) {
    static const std::u16string empty;
    const std::u16string& a = s1 ? s1->chars : empty;
    const std::u16string& b = s2 ? s2->chars : empty;
    const bool fold = (options & kCFCompareCaseInsensitive) != 0;
    const bool numeric = (options & kCFCompareNumerically) != 0;
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (numeric && isDigit(a[i]) && isDigit(b[j])) {
            const int r = compareNumber(a, i, b, j);
            if (r != 0) return r < 0 ? kCFCompareLessThan : kCFCompareGreaterThan;
            continue;
        }
        const char16_t ca = fold ? foldCase(a[i]) : a[i];
        const char16_t cb = fold ? foldCase(b[j]) : b[j];
        if (ca != cb) return ca < cb ? kCFCompareLessThan : kCFCompareGreaterThan;
        ++i;
        ++j;
    }
    if (i < a.size()) return kCFCompareGreaterThan;
    if (j < b.size()) return kCFCompareLessThan;
    return kCFCompareEqualTo;
}
