// The small scanner and the address texts built on it: IPv4 addresses, CIDR blocks, masks and MACs.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "plugin/cutil/cutil.h"

namespace {

constexpr size_t kMaxField = 1000;
constexpr int kMaxConversions = 32;

inline bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

struct Piece {
    const char* text;
    size_t length;
};

// Matches the literal at p: bytes exactly, and a run of white space in the literal against a run of one or
// more white-space bytes in the text. The position after the match, or null.
const char* MatchLiteral(const char* p, const Piece& literal) {
    size_t i = 0;
    while (i < literal.length) {
        if (IsSpace(literal.text[i])) {
            while (i < literal.length && IsSpace(literal.text[i])) {
                ++i;
            }
            if (!IsSpace(*p)) {
                return nullptr;
            }
            while (IsSpace(*p)) {
                ++p;
            }
        } else {
            if (*p != literal.text[i]) {
                return nullptr;
            }
            ++p;
            ++i;
        }
    }
    return p;
}

// Optional "-" (when allowed) and digits, then only white space; the value within the given range.
bool ParseInteger(const char* field, size_t length, bool allowMinus, long long low, long long high,
                  long long* value) {
    size_t i = 0;
    const bool negative = allowMinus && i < length && field[i] == '-';
    if (negative) {
        ++i;
    }
    const size_t first = i;
    long long magnitude = 0;
    for (; i < length && IsDigit(field[i]); ++i) {
        magnitude = magnitude * 10 + (field[i] - '0');
        if (magnitude > 0xFFFFFFFFLL) {
            return false;
        }
    }
    if (i == first) {
        return false;
    }
    for (; i < length; ++i) {
        if (!IsSpace(field[i])) {
            return false;
        }
    }
    const long long v = negative ? -magnitude : magnitude;
    if (v < low || v > high) {
        return false;
    }
    *value = v;
    return true;
}

// "a.b.c.d" with white space allowed anywhere; each number 0-255 of 1 to 3 digits.
bool ParseAddress(const char* field, size_t length, uint32_t* address) {
    uint32_t result = 0;
    int parts = 0;
    int digits = 0;
    uint32_t part = 0;
    for (size_t i = 0; i <= length; ++i) {
        const char c = i < length ? field[i] : '.';
        if (IsSpace(c)) {
            continue;
        }
        if (IsDigit(c)) {
            if (++digits > 3) {
                return false;
            }
            part = part * 10 + static_cast<uint32_t>(c - '0');
        } else if (c == '.') {
            if (digits == 0 || part > 255 || parts == 4) {
                return false;
            }
            result = (result << 8) | part;
            ++parts;
            digits = 0;
            part = 0;
        } else {
            return false;
        }
    }
    if (parts != 4) {
        return false;
    }
    *address = result;
    return true;
}

// "-", digits and at most one point, with at least one digit.
bool ParseFixed(const char* field, size_t length, double* value) {
    size_t i = field[0] == '-' ? 1 : 0;
    int digits = 0;
    bool point = false;
    for (; i < length; ++i) {
        if (IsDigit(field[i])) {
            ++digits;
        } else if (field[i] == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (digits == 0) {
        return false;
    }
    char copy[kMaxField + 1];
    std::memcpy(copy, field, length);
    copy[length] = '\0';
    *value = StrToDouble(copy, nullptr);
    return true;
}

}  // namespace

int ScanText(const char* text, const char* format, ...) {
    if (text == nullptr || format == nullptr) {
        return 0;
    }
    // Literal pieces around the conversions: literals[0] conversions[0] literals[1] ...
    Piece literals[kMaxConversions + 1];
    char conversions[kMaxConversions];
    int count = 0;
    const char* start = format;
    for (const char* f = format; *f != '\0'; ++f) {
        if (*f == '%' && std::strchr("sdfuI", f[1]) != nullptr && f[1] != '\0') {
            if (count == kMaxConversions) {
                return 0;
            }
            literals[count] = {start, static_cast<size_t>(f - start)};
            conversions[count++] = f[1];
            start = f + 2;
            ++f;
        }
    }
    literals[count] = {start, std::strlen(start)};

    const char* p = MatchLiteral(text, literals[0]);
    if (p == nullptr) {
        return 0;
    }
    va_list args;
    va_start(args, format);
    bool ok = true;
    for (int i = 0; i < count && ok; ++i) {
        const Piece& next = literals[i + 1];
        const char* fieldEnd = nullptr;
        const char* after = nullptr;
        if (next.length == 0) {
            // Only the last field may run to the end; two conversions side by side have no boundary.
            if (i != count - 1) {
                ok = false;
                break;
            }
            fieldEnd = p + std::strlen(p);
            after = fieldEnd;
        } else {
            for (const char* q = p; *q != '\0'; ++q) {
                if ((after = MatchLiteral(q, next)) != nullptr) {
                    fieldEnd = q;
                    break;
                }
            }
            if (fieldEnd == nullptr) {
                ok = false;
                break;
            }
        }
        const size_t length = static_cast<size_t>(fieldEnd - p);
        if (length > kMaxField) {
            ok = false;
            break;
        }
        long long integer = 0;
        switch (conversions[i]) {
            case 's': {
                char* out = va_arg(args, char*);
                const size_t capacity = va_arg(args, size_t);
                if (out != nullptr) {
                    if (length + 1 > capacity) {
                        ok = false;
                        break;
                    }
                    std::memcpy(out, p, length);
                    out[length] = '\0';
                }
                break;
            }
            case 'd': {
                int* out = va_arg(args, int*);
                ok = ParseInteger(p, length, true, -2147483647LL - 1, 2147483647LL, &integer);
                if (ok && out != nullptr) {
                    *out = static_cast<int>(integer);
                }
                break;
            }
            case 'u': {
                unsigned* out = va_arg(args, unsigned*);
                ok = ParseInteger(p, length, false, 0, 0xFFFFFFFFLL, &integer);
                if (ok && out != nullptr) {
                    *out = static_cast<unsigned>(integer);
                }
                break;
            }
            case 'f': {
                double* out = va_arg(args, double*);
                double value = 0.0;
                ok = length > 0 && ParseFixed(p, length, &value);
                if (ok && out != nullptr) {
                    *out = value;
                }
                break;
            }
            case 'I': {
                uint32_t* out = va_arg(args, uint32_t*);
                uint32_t address = 0;
                ok = ParseAddress(p, length, &address);
                if (ok && out != nullptr) {
                    *out = address;
                }
                break;
            }
            default:
                ok = false;
        }
        p = after;
    }
    va_end(args);
    return (ok && p != nullptr && *p == '\0') ? 1 : 0;
}

int IsIPv4(const char* text) {
    if (text == nullptr || std::strlen(text) >= 16 || !AllCharsIn(text, "0123456789.")) {
        return 0;
    }
    int n[4];
    if (!ScanText(text, "%d.%d.%d.%d", &n[0], &n[1], &n[2], &n[3])) {
        return 0;
    }
    for (int v : n) {
        if (v < 0 || v > 255) {
            return 0;
        }
    }
    // At most three characters each ("0001" is refused though its value fits).
    char part[4][4];
    return ScanText(text, "%s.%s.%s.%s", part[0], sizeof(part[0]), part[1], sizeof(part[1]), part[2],
                    sizeof(part[2]), part[3], sizeof(part[3]));
}

int IsCidr(const char* text) {
    if (text == nullptr || std::strlen(text) >= 32 || !AllCharsIn(text, "0123456789./")) {
        return 0;
    }
    char address[32];
    char suffix[32];
    if (SplitAt(text, "/", address, sizeof(address), suffix, sizeof(suffix)) != 1 || !IsIPv4(address)) {
        return 0;
    }
    if (std::strchr(suffix, '.') != nullptr) {
        return (IsIPv4(suffix) && PrefixFromMask(TextToIPv4(suffix)) >= 0) ? 1 : 0;
    }
    const size_t digits = std::strlen(suffix);
    return (digits >= 1 && digits <= 2 && std::strchr(suffix, '/') == nullptr && StrToU32(suffix) <= 32) ? 1
                                                                                                         : 0;
}

int ParseCidr(const char* text, uint32_t* address, int* prefix) {
    if (!IsCidr(text)) {
        return 0;
    }
    uint32_t value = 0;
    int length = 0;
    uint32_t mask = 0;
    if (ScanText(text, "%I/%d", &value, &length)) {
        // The prefix was checked by IsCidr.
    } else if (ScanText(text, "%I/%I", &value, &mask)) {
        length = PrefixFromMask(mask);
    } else {
        return 0;
    }
    if (address != nullptr) {
        *address = value;
    }
    if (prefix != nullptr) {
        *prefix = length;
    }
    return 1;
}

int IsMac(const char* text) {
    if (text == nullptr || std::strlen(text) != 17 || !AllCharsIn(text, "0123456789abcdefABCDEF:")) {
        return 0;
    }
    char part[6][3];
    if (!ScanText(text, "%s:%s:%s:%s:%s:%s", part[0], sizeof(part[0]), part[1], sizeof(part[1]), part[2],
                  sizeof(part[2]), part[3], sizeof(part[3]), part[4], sizeof(part[4]), part[5],
                  sizeof(part[5]))) {
        return 0;
    }
    for (const auto& p : part) {
        if (std::strlen(p) != 2) {
            return 0;
        }
    }
    return 1;
}

int IsIntInRange(const char* text, int low, int high) {
    if (text == nullptr) {
        return 0;
    }
    const size_t length = std::strlen(text);
    // Digits only: no white space around the number.
    if (length == 0 || IsSpace(text[length - 1]) ||
        !AllCharsIn(text + (text[0] == '-' ? 1 : 0), "0123456789")) {
        return 0;
    }
    long long value = 0;
    return (ParseInteger(text, length, true, low, high, &value)) ? 1 : 0;
}

uint32_t MaskFromPrefix(int prefix) {
    if (prefix <= 0 || prefix > 32) {
        return 0;
    }
    return prefix == 32 ? 0xFFFFFFFFu : ~(0xFFFFFFFFu >> prefix);
}

int PrefixFromMask(uint32_t mask) {
    int ones = 0;
    while (ones < 32 && (mask & (0x80000000u >> ones)) != 0) {
        ++ones;
    }
    return MaskFromPrefix(ones) == mask ? ones : -1;
}

char* IPv4ToText(uint32_t address, char* buffer, int size) {
    if (buffer == nullptr || size < 1) {
        return nullptr;
    }
    const int n = std::snprintf(buffer, static_cast<size_t>(size), "%d.%d.%d.%d",
                                static_cast<int>(address >> 24), static_cast<int>((address >> 16) & 0xFF),
                                static_cast<int>((address >> 8) & 0xFF), static_cast<int>(address & 0xFF));
    if (n < 0 || n >= size) {
        buffer[0] = '\0';
        return nullptr;
    }
    return buffer;
}

uint32_t TextToIPv4(const char* text) {
    uint32_t address = 0;
    return ScanText(text, "%I", &address) ? address : 0;
}
