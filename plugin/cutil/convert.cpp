// Number conversions and the cut of a text at its last whole UTF-8 character.
#include "plugin/cutil/cutil.h"

namespace {

constexpr int kMaxHexDigits = 16;
constexpr int kMaxDecimalBytes = 23;

// The value of a hexadecimal digit, or -1.
int HexValue(unsigned char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

inline bool IsContinuation(unsigned char c) {
    return c >= 0x80 && c <= 0xBF;
}

}  // namespace

uint64_t StrToU64(const char* text) {
    if (text == nullptr) {
        return 0;
    }
    uint64_t value = 0;
    // "0x" alone is too short for hexadecimal; it reads as decimal and stops at the "x".
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X') && text[2] != '\0') {
        for (int i = 2; i < 2 + kMaxHexDigits; ++i) {
            const int digit = HexValue(static_cast<unsigned char>(text[i]));
            if (digit < 0) {
                break;
            }
            value = (value << 4) | static_cast<uint64_t>(digit);
        }
        return value;
    }
    for (int i = 0; i < kMaxDecimalBytes && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + static_cast<uint64_t>(text[i] - '0');  // wraps modulo 2^64 by design
    }
    return value;
}

char* I64ToStr(int64_t value, char* buffer, int radix) {
    if (radix < 2 || radix > 36 || buffer == nullptr) {
        return nullptr;
    }
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    // The magnitude is taken in unsigned arithmetic so that INT64_MIN needs no signed negation.
    uint64_t magnitude = static_cast<uint64_t>(value);
    char* out = buffer;
    if (radix == 10 && value < 0) {
        *out++ = '-';
        magnitude = 0 - magnitude;
    }
    char reversed[64];
    int n = 0;
    do {
        reversed[n++] = kDigits[magnitude % static_cast<uint64_t>(radix)];
        magnitude /= static_cast<uint64_t>(radix);
    } while (magnitude != 0);
    while (n > 0) {
        *out++ = reversed[--n];
    }
    *out = '\0';
    return buffer;
}

int CutValidUtf8(char* text) {
    if (text == nullptr) {
        return 0;
    }
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    int i = 0;
    // Each test of a following byte stops at the NUL (not a continuation byte), so a character that lost
    // its last bytes never makes the walk read past the end of the text.
    for (;;) {
        const unsigned char c = s[i];
        if (c == 0) {
            return i;
        }
        if (c < 0x80) {
            i += 1;
        } else if (c >= 0xC0 && c <= 0xDF && IsContinuation(s[i + 1])) {
            i += 2;
        } else if (c >= 0xE0 && c <= 0xEF && IsContinuation(s[i + 1]) && IsContinuation(s[i + 2])) {
            i += 3;
        } else {
            text[i] = '\0';
            return i;
        }
    }
}
