#include "platform/arx/acdb/dxfio.h"

#include <charconv>
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

ValueType ValueTypeOf(int code) {
    struct Range {
        int from;
        int to;
        ValueType type;
    };
    static const Range kRanges[] = {
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
    const std::string copy(text);
    T parsed = 0;
    const auto result = std::from_chars(copy.data(), copy.data() + copy.size(), parsed);
    if (result.ec != std::errc() || result.ptr != copy.data() + copy.size() || !std::isfinite(parsed)) {
        return false;
    }
    value = parsed;
    return true;
}

}  // namespace

bool ParseReal(std::string_view text, double& value) {
    return ParseFinite(text, value);
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

void Writer::raw(int code, std::string_view value) {
    char buffer[16];
    std::snprintf(buffer, sizeof(buffer), "%3d\n", code);
    m_out += buffer;
    m_out.append(value.data(), value.size());
    m_out.push_back('\n');
}

void Writer::point(int code, const double* xyz, int dimensions) {
    for (int i = 0; i < dimensions; ++i) {
        real(code + 10 * i, xyz[i]);
    }
}

bool Fail(Error& error, int line, const std::string& what, Acad::ErrorStatus status) {
    error.status = status;
    error.line = line;
    error.message = "line " + std::to_string(line) + ": " + what;
    return false;
}

bool Tokenize(std::string_view file, std::vector<Group>& groups, Error& error) {
    groups.clear();
    if (file.size() >= 3 && file.substr(0, 3) == "\xEF\xBB\xBF") {
        file.remove_prefix(3);
    }
    // Text files have no NUL bytes; binary drawing files have one within their first line or two.
    if (file.substr(0, 64).find('\0') != std::string_view::npos) {
        return Fail(error, 1, "not an ASCII drawing file (binary files are not supported)",
                    Acad::eInvalidDwgVersion);
    }
    size_t at = 0;
    int line = 0;
    auto nextLine = [&](std::string_view& text) {
        if (at >= file.size()) {
            return false;
        }
        size_t end = file.find('\n', at);
        if (end == std::string_view::npos) {
            end = file.size();
        }
        text = file.substr(at, end - at);
        if (!text.empty() && text.back() == '\r') {
            text.remove_suffix(1);
        }
        at = end + 1;
        ++line;
        return true;
    };
    std::string_view codeText;
    std::string_view valueText;
    while (nextLine(codeText)) {
        const int codeLine = line;
        if (Trim(codeText).empty() && at >= file.size()) {
            break;  // a blank last line
        }
        long long code = 0;
        const std::string_view trimmed = Trim(codeText);
        const auto parsed = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), code);
        if (trimmed.empty() || parsed.ec != std::errc() || parsed.ptr != trimmed.data() + trimmed.size() ||
            ValueTypeOf(static_cast<int>(code)) == ValueType::kUnknown || code > 1071) {
            return Fail(error, codeLine, "invalid group code \"" + std::string(trimmed.substr(0, 40)) + "\"");
        }
        if (!nextLine(valueText)) {
            return Fail(error, codeLine,
                        "group code " + std::to_string(code) + " without a value (file truncated)");
        }
        Group group;
        group.code = static_cast<int>(code);
        group.line = codeLine;
        group.value = valueText;
        double real = 0.0;
        long long integer = 0;
        std::uint64_t handle = 0;
        std::string bytes;
        bool ok = true;
        switch (ValueTypeOf(group.code)) {
            case ValueType::kReal:
                ok = ParseReal(valueText, real);
                break;
            case ValueType::kInteger:
                ok = ParseInteger(valueText, integer);
                break;
            case ValueType::kHandle:
                ok = ParseHandle(valueText, handle);
                break;
            case ValueType::kBinary:
                ok = ParseBinary(valueText, bytes);
                break;
            default:
                break;
        }
        if (!ok) {
            return Fail(error, line,
                        "bad value \"" + std::string(Trim(valueText).substr(0, 40)) + "\" for group code " +
                            std::to_string(code));
        }
        if (ValueTypeOf(group.code) != ValueType::kText) {
            group.value = Trim(valueText);
        }
        groups.push_back(group);
    }
    return true;
}

}  // namespace platform::dxf
