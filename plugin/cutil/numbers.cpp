// Number texts and small numeric helpers: the library's own strtod, grouped digits, byte order, rounding,
// size and distance texts, and the binary search over records.
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "plugin/cutil/cutil.h"

namespace {

inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

inline bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr double kNearInt = 1e-6;

}  // namespace

double StrToDouble(const char* text, char** end) {
    if (text == nullptr) {
        errno = EINVAL;
        if (end != nullptr) {
            *end = nullptr;
        }
        return 0.0;
    }
    const char* p = text;
    while (IsSpace(*p)) {
        ++p;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p++ == '-';
    }
    // Digits with at most one point; the order of magnitude is kept for telling overflow from underflow.
    const char* mantissa = p;
    int digits = 0;
    int64_t intDigits = 0;
    int64_t firstNonZero = -1;
    bool point = false;
    for (;; ++p) {
        if (IsDigit(*p)) {
            if (firstNonZero < 0 && *p != '0') {
                firstNonZero = digits;
            }
            ++digits;
            if (!point) {
                ++intDigits;
            }
        } else if (*p == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (digits == 0) {
        if (end != nullptr) {
            *end = const_cast<char*>(text);
        }
        return 0.0;
    }
    std::string number(mantissa, static_cast<size_t>(p - mantissa));
    long exponent = 0;
    if (*p == 'e' || *p == 'E') {
        char* after = nullptr;
        const int saved = errno;
        exponent = std::strtol(p + 1, &after, 10);
        errno = saved;
        if (after != p + 1) {
            p = after;
        } else {
            exponent = 0;  // a bare "e" is not part of the number
        }
    }
    if (end != nullptr) {
        *end = const_cast<char*>(p);
    }
    number += 'e';
    number += std::to_string(exponent);
    double value = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        errno = ERANGE;
        const int64_t clamped = exponent > 1000000 ? 1000000 : (exponent < -1000000 ? -1000000 : exponent);
        const bool overflow = firstNonZero >= 0 && intDigits - firstNonZero + clamped > 0;
        value = overflow ? HUGE_VAL : 0.0;
    }
    return negative ? -value : value;
}

char* ThousandsText(int64_t value, char* buffer, int size) {
    if (buffer == nullptr) {
        return nullptr;
    }
    // Unsigned magnitude, so that INT64_MIN needs no signed negation.
    uint64_t magnitude = static_cast<uint64_t>(value);
    if (value < 0) {
        magnitude = 0 - magnitude;
    }
    char reversed[32];
    int n = 0;
    int group = 0;
    do {
        if (group == 3) {
            reversed[n++] = ',';
            group = 0;
        }
        reversed[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
        ++group;
    } while (magnitude != 0);
    if (value < 0) {
        reversed[n++] = '-';
    }
    if (size < n + 1) {
        return nullptr;
    }
    for (int i = 0; i < n; ++i) {
        buffer[i] = reversed[n - 1 - i];
    }
    buffer[n] = '\0';
    return buffer;
}

uint32_t ByteSwap32(uint32_t value) {
    return (value >> 24) | ((value >> 8) & 0x0000FF00u) | ((value << 8) & 0x00FF0000u) | (value << 24);
}

uint64_t ByteSwap64(uint64_t value) {
    return (static_cast<uint64_t>(ByteSwap32(static_cast<uint32_t>(value))) << 32) |
           ByteSwap32(static_cast<uint32_t>(value >> 32));
}

uint32_t StrToU32(const char* text) {
    uint32_t value = 0;
    for (int i = 0; text != nullptr && i < 10 && IsDigit(text[i]); ++i) {
        value = value * 10 + static_cast<uint32_t>(text[i] - '0');  // wraps modulo 2^32 by design
    }
    return value;
}

int RoundNearInt(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= static_cast<double>(INT_MAX)) {
        return INT_MAX;
    }
    if (value <= static_cast<double>(INT_MIN)) {
        return INT_MIN;
    }
    const int n = static_cast<int>(value);
    if (static_cast<double>(n) + 1.0 - value < kNearInt) {
        return n + 1;
    }
    if (value - (static_cast<double>(n) - 1.0) < kNearInt) {
        return n - 1;
    }
    return n;
}

char* I32ToStr(int32_t value, char* buffer, int radix) {
    // Radix 10 keeps the sign; other radices take the value as unsigned 32-bit.
    const int64_t wide =
        radix == 10 ? static_cast<int64_t>(value) : static_cast<int64_t>(static_cast<uint32_t>(value));
    return I64ToStr(wide, buffer, radix);
}

char* SizeText(int64_t bytes, char* buffer, int size) {
    if (buffer == nullptr || size < 1) {
        return nullptr;
    }
    int n = 0;
    const double b = static_cast<double>(bytes);
    if (bytes < 1024) {
        n = std::snprintf(buffer, static_cast<size_t>(size), "%lld B", static_cast<long long>(bytes));
    } else if (bytes < 1048576) {
        n = std::snprintf(buffer, static_cast<size_t>(size), "%.1lf K", b / 1024);
    } else if (bytes < 1073741824) {
        n = std::snprintf(buffer, static_cast<size_t>(size), "%.1lf M", b / 1048576);
    } else {
        n = std::snprintf(buffer, static_cast<size_t>(size), "%.1lf G", b / 1073741824);
    }
    if (n < 0 || n >= size) {
        buffer[0] = '\0';
        return nullptr;
    }
    return buffer;
}

char* DistanceText(int64_t metres, char* buffer, int size) {
    if (buffer == nullptr || size < 1) {
        return nullptr;
    }
    int n = 0;
    if (metres < 1000) {
        n = std::snprintf(buffer, static_cast<size_t>(size), "%lld%s", static_cast<long long>(metres), "米");
    } else {
        n = std::snprintf(buffer, static_cast<size_t>(size), "%.1lf%s", static_cast<double>(metres) / 1000,
                          "公里");
    }
    if (n < 0 || n >= size) {
        buffer[0] = '\0';
        return nullptr;
    }
    return buffer;
}

int BinarySearch(const void* base, size_t recordSize, size_t keyOffset, int count, const void* key,
                 int (*compare)(const void* key, const void* recordKey), int* index) {
    int low = 0;
    int high = (base != nullptr && compare != nullptr && count > 0) ? count : 0;
    const auto* records = static_cast<const unsigned char*>(base);
    while (low < high) {
        const int mid = low + (high - low) / 2;
        const int order = compare(key, records + static_cast<size_t>(mid) * recordSize + keyOffset);
        if (order == 0) {
            if (index != nullptr) {
                *index = mid;
            }
            return 1;
        }
        if (order < 0) {
            high = mid;
        } else {
            low = mid + 1;
        }
    }
    if (index != nullptr) {
        *index = low;
    }
    return 0;
}
