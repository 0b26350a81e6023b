#include "platform/arx/acdb/dxfio.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>

#include "platform/win32/core/unicode.h"
#include "platform/win32/sys/sys_api.h"

namespace platform::dxf {

namespace {

// Degrees to radians in long double: with its wider mantissa the round trip through decimal degrees comes
// back to the same double.
constexpr long double kRadiansPerDegree = 3.141592653589793238462643383279502884L / 180.0L;

int HexDigit(char c) {
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

template <class Char>
bool IsEscape(const Char* text, size_t length, size_t at) {
    if (at + 7 > length || text[at] != '\\' || (text[at + 1] != 'U' && text[at + 1] != 'u') ||
        text[at + 2] != '+') {
        return false;
    }
    for (size_t i = at + 3; i < at + 7; ++i) {
        const auto c = text[i];
        if (c > 0x7F || HexDigit(static_cast<char>(c)) < 0) {
            return false;
        }
    }
    return true;
}

bool IsAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

// Bytes of a code page through the system's conversion; pages it does not know read as the ANSI code page.
std::u16string FromCodePage(std::string_view bytes, int codePage) {
    if (bytes.empty() || bytes.size() > static_cast<size_t>(INT_MAX)) {
        return std::u16string();
    }
    const int length = static_cast<int>(bytes.size());
    UINT page = codePage > 0 ? static_cast<UINT>(codePage) : CP_ACP;
    int needed = MultiByteToWideChar(page, 0, bytes.data(), length, nullptr, 0);
    if (needed == 0 && page != CP_ACP) {
        page = CP_ACP;
        needed = MultiByteToWideChar(page, 0, bytes.data(), length, nullptr, 0);
    }
    if (needed <= 0) {
        return Utf8ToUtf16(bytes);
    }
    std::u16string out(static_cast<size_t>(needed), u'\0');
    out.resize(static_cast<size_t>(MultiByteToWideChar(page, 0, bytes.data(), length, out.data(), needed)));
    return out;
}

}  // namespace

namespace {

constexpr ValueType ValueTypeBySearch(int code) {
    struct Range {
        int from;
        int to;
        ValueType type;
    };
    constexpr Range kRanges[] = {
        // Handles as texts (5, 105, 320-329, 1005) are checked where they are used: an Xrecord may hold
        // any text under those codes.
        {0, 9, ValueType::kText},          {10, 59, ValueType::kReal},      {60, 79, ValueType::kInteger},
        {90, 99, ValueType::kInteger},     {100, 105, ValueType::kText},    {110, 149, ValueType::kReal},
        {160, 179, ValueType::kInteger},   {210, 239, ValueType::kReal},    {270, 299, ValueType::kInteger},
        {300, 309, ValueType::kText},      {310, 319, ValueType::kBinary},  {320, 329, ValueType::kText},
        {330, 369, ValueType::kHandle},    {370, 389, ValueType::kInteger}, {390, 399, ValueType::kHandle},
        {400, 409, ValueType::kInteger},   {410, 419, ValueType::kText},    {420, 429, ValueType::kInteger},
        {430, 439, ValueType::kText},      {440, 459, ValueType::kInteger}, {460, 469, ValueType::kReal},
        {470, 479, ValueType::kText},      {480, 481, ValueType::kHandle},  {999, 1003, ValueType::kText},
        {1004, 1004, ValueType::kBinary},  {1005, 1009, ValueType::kText},  {1010, 1059, ValueType::kReal},
        {1060, 1071, ValueType::kInteger},
    };
    for (const Range& r : kRanges) {
        if (code >= r.from && code <= r.to) {
            return r.type;
        }
    }
    return ValueType::kUnknown;
}

// Asked for every group of a file: the ranges above laid out as a table when the program is built.
constexpr auto kValueTypes = [] {
    std::array<ValueType, 1072> table{};
    for (int c = 0; c < static_cast<int>(table.size()); ++c) {
        table[static_cast<size_t>(c)] = ValueTypeBySearch(c);
    }
    return table;
}();

}  // namespace

ValueType ValueTypeOf(int code) {
    return code >= 0 && code < static_cast<int>(kValueTypes.size()) ? kValueTypes[static_cast<size_t>(code)]
                                                                    : ValueType::kUnknown;
}

bool IsPointCode(int code) {
    return (code >= 10 && code <= 18) || (code >= 110 && code <= 112) || code == 210 ||
           (code >= 1010 && code <= 1013);
}

std::string EncodeText(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0x20 && c < 0x7F && !(c == u'\\' && IsEscape(text.data(), text.size(), i))) {
            out.push_back(static_cast<char>(c));
        } else {
            char escape[8];
            std::snprintf(escape, sizeof(escape), "\\U+%04X", static_cast<unsigned>(c));
            out += escape;
        }
    }
    return out;
}

std::u16string DecodeText(std::string_view raw, int codePage) {
    // Plain ASCII without escapes, as most values are, reads as it stands.
    if (IsAscii(raw) && raw.find('\\') == std::string_view::npos) {
        return std::u16string(raw.begin(), raw.end());
    }
    std::u16string units;
    if (IsAscii(raw)) {
        units.assign(raw.begin(), raw.end());
    } else {
        bool ok = true;
        units = Utf8ToUtf16(raw, true, &ok);
        if (!ok) {
            units = FromCodePage(raw, codePage);
        }
    }
    std::u16string out;
    out.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        if (IsEscape(units.data(), units.size(), i)) {
            unsigned value = 0;
            for (size_t k = i + 3; k < i + 7; ++k) {
                value = value << 4 | static_cast<unsigned>(HexDigit(static_cast<char>(units[k])));
            }
            out.push_back(static_cast<char16_t>(value));
            i += 6;
        } else {
            out.push_back(units[i]);
        }
    }
    return out;
}

std::string FormatReal(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    return std::string(buffer, result.ptr);
}

std::string FormatInteger(long long value) {
    return std::to_string(value);
}

std::string FormatHandle(std::uint64_t handle) {
    char buffer[24];
    std::snprintf(buffer, sizeof(buffer), "%llX", static_cast<unsigned long long>(handle));
    return buffer;
}

std::string FormatDegrees(double radians) {
    if (!std::isfinite(radians)) {
        return FormatReal(radians);
    }
    if (std::fabs(static_cast<long double>(radians) / kRadiansPerDegree) >
        static_cast<long double>(DBL_MAX)) {
        // Beyond the double range in degrees: the same direction within one turn.
        return FormatDegrees(std::fmod(radians, 2.0 * 3.141592653589793));
    }
    long double degrees = static_cast<long double>(radians) / kRadiansPerDegree;
    char buffer[64];
    // The shortest decimal that comes back; a nudge of the last digit settles the rare case none does.
    for (int attempt = 0; attempt < 8; ++attempt) {
        for (int precision = 15; precision <= 21; ++precision) {
            const auto result = std::to_chars(buffer, buffer + sizeof(buffer), degrees,
                                              std::chars_format::general, precision);
            double back = 0.0;
            const std::string text(buffer, result.ptr);
            if (ParseDegrees(text, back) && back == radians) {
                return text;
            }
        }
        degrees = std::nextafter(degrees, attempt % 2 == 0 ? HUGE_VALL : -HUGE_VALL);
    }
    return FormatReal(radians / static_cast<double>(kRadiansPerDegree));
}

std::string FormatBinary(std::string_view bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out.push_back(kHex[b >> 4]);
        out.push_back(kHex[b & 0xF]);
    }
    return out;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

namespace {

// The usual form of a number in a file, told without parsing it: an optional minus, up to 18 digits and, for
// reals, a point among them. Anything else goes to the full check.
bool IsPlainNumber(std::string_view text, bool real) {
    size_t at = !text.empty() && text[0] == '-' ? 1 : 0;
    size_t digits = 0;
    bool point = false;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (c >= '0' && c <= '9') {
            ++digits;
        } else if (c == '.' && real && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digits > 0 && digits <= 18;
}

// A number that fills the text, blanks around it and one leading '+' allowed; text is left without them.
template <class T>
bool ParseWhole(std::string_view& text, T& value) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return false;
    }
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

// Decimal digits with an optional sign, point and exponent, and nothing else. Drawing values are finite, and
// the runtime's floating-point parses read past the range they are given for names such as "inf" and "nan",
// so those never reach them.
bool IsDecimal(std::string_view text) {
    size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        ++i;
    }
    bool digits = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (text[i] >= '0' && text[i] <= '9') {
            digits = true;
        } else if (text[i] == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!digits) {
        return false;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
            ++i;
        }
        if (i == text.size()) {
            return false;
        }
        for (; i < text.size(); ++i) {
            if (text[i] < '0' || text[i] > '9') {
                return false;
            }
        }
    }
    return i == text.size();
}

// A finite floating-point number filling the text, parsed from a terminated copy of it.
template <class T>
bool ParseFinite(std::string_view text, T& value) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    if (!IsDecimal(text) || text.size() > 4096) {
        return false;
    }
    // The copy is terminated, and ordinary numbers need no heap for it.
    char small[64];
    std::string large;
    const char* copy = small;
    if (text.size() < sizeof small) {
        std::memcpy(small, text.data(), text.size());
        small[text.size()] = 0;
    } else {
        large.assign(text);
        copy = large.c_str();
    }
    T parsed = 0;
    const auto result = std::from_chars(copy, copy + text.size(), parsed);
    if (result.ec != std::errc() || result.ptr != copy + text.size() || !std::isfinite(parsed)) {
        return false;
    }
    value = parsed;
    return true;
}

}  // namespace

namespace {

#if (defined(__x86_64__) || defined(__i386__)) && LDBL_MANT_DIG == 64
// digits / 10^scale correctly rounded to a double, through x87 extended precision (see below); false when the
// value is left to the full parse.
bool LongDivide(std::uint64_t digits, size_t scale, double& value) {
    static constexpr long double kPowers[] = {
        1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,  1e8L,  1e9L,  1e10L, 1e11L, 1e12L, 1e13L,
        1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L, 1e20L, 1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L};
    if (scale >= std::size(kPowers)) {
        return false;  // 10^28 and up are not exact in 64 bits
    }
    const long double quotient = static_cast<long double>(digits) / kPowers[scale];
    if (quotient != 0.0L) {
        // The explicit 64-bit mantissa: its low 11 bits are what the double drops; exactly 100...0 is
        // halfway.
        std::uint64_t mantissa = 0;
        std::memcpy(&mantissa, &quotient, sizeof mantissa);
        if ((mantissa & 0x7FF) == 0x400) {
            return false;
        }
    }
    value = static_cast<double>(quotient);
    return true;
}
#else
bool LongDivide(std::uint64_t, size_t, double&) {
    return false;
}
#endif

// The usual form of a real: an optional minus, digits and at most one point. With at most 15 digits the
// digits as an integer and the power of ten below them are both exact doubles, so one division gives the
// correctly rounded value, as a full parse would. Up to 19 digits (as other programs write every double) the
// same division in the 64-bit mantissa of x87 extended precision is exact in its operands and rounded once;
// its rounding to a double then gives the correctly rounded value unless the extended result lies exactly
// halfway between two doubles, which is left to the full parse.
bool ParseShortDecimal(std::string_view text, double& value) {
    static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    size_t at = !text.empty() && text[0] == '-' ? 1 : 0;
    std::uint64_t digits = 0;
    int count = 0;
    int decimals = -1;  // digits after the point, once one is seen
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (static_cast<unsigned>(c - '0') < 10) {
            if (++count > 19) {
                return false;
            }
            digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
            decimals += decimals >= 0 ? 1 : 0;
        } else if (c == '.' && decimals < 0) {
            decimals = 0;
        } else {
            return false;
        }
    }
    if (count == 0) {
        return false;
    }
    const size_t scale = decimals > 0 ? static_cast<size_t>(decimals) : 0;
    double magnitude = 0.0;
    if (count <= 15) {
        magnitude = static_cast<double>(digits) / kPowers[scale];
    } else if (!LongDivide(digits, scale, magnitude)) {
        return false;
    }
    value = text[0] == '-' ? -magnitude : magnitude;
    return true;
}

}  // namespace

bool ParseReal(std::string_view text, double& value) {
    if (ParseShortDecimal(text, value)) {
        return true;
    }
    if (IsPlainNumber(text, true)) {
        // Finite and well formed as it stands; a terminated copy all the same, and on the stack.
        char copy[24];
        std::memcpy(copy, text.data(), text.size());
        copy[text.size()] = 0;
        const auto result = std::from_chars(copy, copy + text.size(), value);
        if (result.ec == std::errc() && result.ptr == copy + text.size()) {
            return true;
        }
    }
    return ParseFinite(text, value);
}

bool IsReal(std::string_view text) {
    // Plain decimals without an exponent are finite whatever their digits: only the others need the parse.
    const std::string_view trimmed = Trim(text);
    if (trimmed.size() < 300 && trimmed.find_first_of("eE") == std::string_view::npos) {
        const std::string_view number =
            !trimmed.empty() && trimmed.front() == '+' ? trimmed.substr(1) : trimmed;
        return !number.empty() && number.front() != '+' && IsDecimal(number);
    }
    double value = 0.0;
    return ParseReal(text, value);
}

bool ParseInteger(std::string_view text, long long& value) {
    if (ParseWhole(text, value)) {
        return true;
    }
    // Some writers put integral reals ("1.0") under integer codes.
    double real = 0.0;
    if (ParseReal(text, real) && std::isfinite(real) && real == std::floor(real) &&
        std::fabs(real) < 9.0e18) {
        value = static_cast<long long>(real);
        return true;
    }
    return false;
}

bool ParseHandle(std::string_view text, std::uint64_t& handle) {
    text = Trim(text);
    if (text.empty() || text.size() > 16) {
        return false;
    }
    std::uint64_t value = 0;
    for (char c : text) {
        const int d = HexDigit(c);
        if (d < 0) {
            return false;
        }
        value = value << 4 | static_cast<std::uint64_t>(d);
    }
    handle = value;
    return true;
}

bool ParseDegrees(std::string_view text, double& radians) {
    long double degrees = 0.0L;
    // Beyond the double range in degrees is beyond it in radians too.
    if (!ParseFinite(text, degrees) || std::fabs(degrees) > static_cast<long double>(DBL_MAX)) {
        return false;
    }
    radians = static_cast<double>(degrees * kRadiansPerDegree);
    return true;
}

bool ParseBinary(std::string_view text, std::string& bytes) {
    text = Trim(text);
    if (text.size() % 2 != 0) {
        return false;
    }
    bytes.clear();
    bytes.reserve(text.size() / 2);
    for (size_t i = 0; i < text.size(); i += 2) {
        const int high = HexDigit(text[i]);
        const int low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        bytes.push_back(static_cast<char>(high << 4 | low));
    }
    return true;
}

bool IsBinary(std::string_view text) {
    text = Trim(text);
    if (text.size() % 2 != 0) {
        return false;
    }
    for (char c : text) {
        if (HexDigit(c) < 0) {
            return false;
        }
    }
    return true;
}

void Writer::putCode(int code) {
    char buffer[16];
    char* end = buffer;
    if (code >= 0 && code < 1000) {
        // "%3d": right-aligned in three places.
        buffer[0] = code >= 100 ? static_cast<char>('0' + code / 100) : ' ';
        buffer[1] = code >= 10 ? static_cast<char>('0' + code / 10 % 10) : ' ';
        buffer[2] = static_cast<char>('0' + code % 10);
        end = buffer + 3;
    } else {
        end = std::to_chars(buffer, buffer + sizeof buffer, code).ptr;
        const auto length = static_cast<size_t>(end - buffer);
        if (length < 3) {
            m_out.append(3 - length, ' ');
        }
    }
    *end++ = '\n';
    m_out.append(buffer, static_cast<size_t>(end - buffer));
}

void Writer::text(int code, std::u16string_view value) {
    // Printable ASCII without a backslash, as most values are, stands as it is.
    bool plain = true;
    for (const char16_t c : value) {
        if (c < 0x20 || c >= 0x7F || c == u'\\') {
            plain = false;
            break;
        }
    }
    if (!plain) {
        raw(code, EncodeText(value));
        return;
    }
    putCode(code);
    const size_t at = m_out.size();
    m_out.resize(at + value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        m_out[at + i] = static_cast<char>(value[i]);
    }
    endValue();
}

void Writer::real(int code, double value) {
    checkFinite(code, value);
    putCode(code);
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    m_out.append(buffer, result.ptr);
    endValue();
}

void Writer::integer(int code, long long value) {
    putCode(code);
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    m_out.append(buffer, result.ptr);
    endValue();
}

void Writer::noteInvalid(int code, double value) {
    m_invalid = "the object with handle " + FormatHandle(m_objectHandle) + " holds " + FormatReal(value) +
                " for group code " + std::to_string(code) + ", which no drawing file can hold";
}

void Writer::putHandle(int code, std::uint64_t value) {
    putCode(code);
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, 16);
    for (char* c = buffer; c < result.ptr; ++c) {
        if (*c >= 'a') {
            *c = static_cast<char>(*c - 'a' + 'A');
        }
    }
    m_out.append(buffer, result.ptr);
    endValue();
}

void Writer::point(int code, const double* xyz, int dimensions) {
    for (int i = 0; i < dimensions; ++i) {
        real(code + 10 * i, xyz[i]);
    }
}

bool Writer::flush() {
    if (!m_sink || m_out.empty()) {
        return !m_failed;
    }
    if (!m_failed && !m_sink(m_out)) {
        m_failed = true;
    }
    m_out.clear();
    return !m_failed;
}

bool Fail(Error& error, int line, const std::string& what, Acad::ErrorStatus status) {
    error.status = status;
    error.line = line;
    error.message = "line " + std::to_string(line) + ": " + what;
    return false;
}

void GroupStore::addSlowly(int code, std::string_view value) {
    const bool shortValue = value.size() < 0xFF;
    const size_t size = 2 + (shortValue ? 1 : 5) + value.size();
    if (m_blocks.empty() || m_used.back() + size > kBlockSize) {
        // A value longer than a block gets a block of its own size.
        const size_t capacity = std::max(kBlockSize, size);
        m_blocks.push_back(std::unique_ptr<char[]>(new char[capacity]));
        m_used.push_back(0);
    }
    char* out = m_blocks.back().get() + m_used.back();
    if (m_count % kMarkSpan == 0) {
        m_marks.push_back(Place{static_cast<std::uint32_t>(m_blocks.size() - 1), m_used.back()});
    }
    const auto code16 = static_cast<std::uint16_t>(code);
    std::memcpy(out, &code16, 2);
    if (shortValue) {
        out[2] = static_cast<char>(value.size());
        if (!value.empty()) {
            std::memcpy(out + 3, value.data(), value.size());
        }
    } else {
        out[2] = static_cast<char>(0xFF);
        const auto length = static_cast<std::uint32_t>(value.size());
        std::memcpy(out + 3, &length, 4);
        std::memcpy(out + 7, value.data(), value.size());
    }
    m_used.back() += static_cast<std::uint32_t>(size);
    ++m_count;
    const size_t capacity = std::max(kBlockSize, size_t{m_used.back()});
    m_tail = m_blocks.back().get() + m_used.back();
    m_room = capacity - m_used.back();
}

bool Tokenizer::feed(std::string_view block) {
    if (m_failed) {
        return false;
    }
    if (!m_started) {
        // Enough of the head to see a byte-order mark and the NUL bytes of a binary file.
        m_head.append(block.data(), block.size());
        return m_head.size() < 3 + 64 || start();
    }
    return lines(block);
}

bool Tokenizer::start() {
    m_started = true;
    std::string head;
    head.swap(m_head);
    std::string_view data(head);
    if (data.size() >= 3 && data.substr(0, 3) == "\xEF\xBB\xBF") {
        data.remove_prefix(3);
    }
    // Text files have no NUL bytes; binary drawing files have one within their first line or two.
    if (data.substr(0, 64).find('\0') != std::string_view::npos) {
        m_failed = true;
        return Fail(m_error, 1, "not an ASCII drawing file (binary files are not supported)",
                    Acad::eInvalidDwgVersion);
    }
    return lines(data);
}

bool Tokenizer::lines(std::string_view data) {
    const char* at = data.data();
    const char* const end = at + data.size();
    while (at < end) {
        if (m_carry.empty() && !m_haveCode && m_blankLine == 0) {
            // The usual pair whole in the block: a code of blanks and up to four digits, then its value.
            const char* p = at;
            while (p < end && *p == ' ') {
                ++p;
            }
            int code = 0;
            const char* digits = p;
            while (p < end && p - digits < 5 && static_cast<unsigned>(*p - '0') < 10) {
                code = code * 10 + (*p - '0');
                ++p;
            }
            const ptrdiff_t count = p - digits;
            if (p < end && *p == '\r') {
                ++p;
            }
            const ValueType type = code <= 1071 ? ValueTypeOf(code) : ValueType::kUnknown;
            if (p < end && *p == '\n' && count > 0 && count < 5 && type != ValueType::kUnknown) {
                const char* value = p + 1;
                if (type == ValueType::kReal || type == ValueType::kInteger) {
                    // A number in its usual form, told as its line is scanned for its end.
                    const char* q = value < end && *value == '-' ? value + 1 : value;
                    const char* const first = q;
                    bool point = type != ValueType::kReal;  // integers take no point
                    for (; q < end; ++q) {
                        if (*q == '.' && !point) {
                            point = true;
                        } else if (static_cast<unsigned>(*q - '0') >= 10) {
                            break;
                        }
                    }
                    const ptrdiff_t length = q - first;
                    const ptrdiff_t digitCount = length - (point && type == ValueType::kReal ? 1 : 0);
                    const char* newline = q < end && *q == '\r' ? q + 1 : q;
                    if (newline < end && *newline == '\n' && digitCount > 0 && digitCount <= 18) {
                        m_codeLine = ++m_line;
                        ++m_line;
                        m_groups.add(code, std::string_view(value, static_cast<size_t>(q - value)));
                        at = newline + 1;
                        continue;
                    }
                }
                const auto* newline =
                    static_cast<const char*>(std::memchr(value, '\n', static_cast<size_t>(end - value)));
                if (newline != nullptr) {
                    std::string_view text(value, static_cast<size_t>(newline - value));
                    if (!text.empty() && text.back() == '\r') {
                        text.remove_suffix(1);
                    }
                    m_code = code;
                    m_codeLine = ++m_line;
                    ++m_line;
                    if (!valueLine(text)) {
                        m_failed = true;
                        return false;
                    }
                    at = newline + 1;
                    continue;
                }
            }
        }
        const auto* newline = static_cast<const char*>(std::memchr(at, '\n', static_cast<size_t>(end - at)));
        if (newline == nullptr) {
            m_carry.append(at, static_cast<size_t>(end - at));
            return true;
        }
        bool ok = true;
        if (m_carry.empty()) {
            ok = line(std::string_view(at, static_cast<size_t>(newline - at)));
        } else {
            m_carry.append(at, static_cast<size_t>(newline - at));
            ok = line(m_carry);
            m_carry.clear();
        }
        if (!ok) {
            m_failed = true;
            return false;
        }
        at = newline + 1;
    }
    return true;
}

bool Tokenizer::finish() {
    if (m_failed || (!m_started && !start())) {
        return false;
    }
    if (!m_carry.empty()) {
        const std::string last = std::move(m_carry);
        m_carry.clear();
        if (!line(last)) {
            m_failed = true;
            return false;
        }
    }
    if (m_haveCode) {
        m_failed = true;
        return Fail(m_error, m_codeLine,
                    "group code " + std::to_string(m_code) + " without a value (file truncated)");
    }
    return true;  // a blank last line is no group
}

bool Tokenizer::line(std::string_view text) {
    if (!text.empty() && text.back() == '\r') {
        text.remove_suffix(1);
    }
    ++m_line;
    if (m_blankLine != 0) {
        return Fail(m_error, m_blankLine, "invalid group code \"\"");
    }
    if (!m_haveCode) {
        // The usual form first: blanks, then up to four digits.
        size_t at = 0;
        while (at < text.size() && text[at] == ' ') {
            ++at;
        }
        int fast = 0;
        size_t digits = 0;
        for (; at < text.size() && digits < 5 && text[at] >= '0' && text[at] <= '9'; ++at, ++digits) {
            fast = fast * 10 + (text[at] - '0');
        }
        if (digits > 0 && digits < 5 && at == text.size() && fast <= 1071 &&
            ValueTypeOf(fast) != ValueType::kUnknown) {
            m_haveCode = true;
            m_code = fast;
            m_codeLine = m_line;
            return true;
        }
        const std::string_view trimmed = Trim(text);
        if (trimmed.empty()) {
            m_blankLine = m_line;
            return true;
        }
        long long code = 0;
        const auto parsed = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), code);
        if (parsed.ec != std::errc() || parsed.ptr != trimmed.data() + trimmed.size() || code < 0 ||
            code > 1071 || ValueTypeOf(static_cast<int>(code)) == ValueType::kUnknown) {
            return Fail(m_error, m_line, "invalid group code \"" + std::string(trimmed.substr(0, 40)) + "\"");
        }
        m_haveCode = true;
        m_code = static_cast<int>(code);
        m_codeLine = m_line;
        return true;
    }
    m_haveCode = false;
    return valueLine(text);
}

bool Tokenizer::valueLine(std::string_view text) {
    const ValueType type = ValueTypeOf(m_code);
    // Numbers in their usual form have no blanks to trim.
    if ((type == ValueType::kReal || type == ValueType::kInteger) &&
        IsPlainNumber(text, type == ValueType::kReal)) {
        m_groups.add(m_code, text);
        return true;
    }
    bool ok = true;
    switch (type) {
        case ValueType::kReal:
            ok = IsReal(text);
            break;
        case ValueType::kInteger: {
            long long integer = 0;
            ok = ParseInteger(text, integer);
            break;
        }
        case ValueType::kHandle: {
            std::uint64_t handle = 0;
            ok = ParseHandle(text, handle);
            break;
        }
        case ValueType::kBinary:
            ok = IsBinary(text);
            break;
        default:
            break;
    }
    if (!ok) {
        return Fail(m_error, m_line,
                    "bad value \"" + std::string(Trim(text).substr(0, 40)) + "\" for group code " +
                        std::to_string(m_code));
    }
    m_groups.add(m_code, type != ValueType::kText ? Trim(text) : text);
    return true;
}

}  // namespace platform::dxf
