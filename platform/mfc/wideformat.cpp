#include "platform/mfc/wideformat.h"

#include <clocale>
#include <cstdio>
#include <cstring>
#include <locale.h>

#include "platform/win32/core/unicode.h"
#include "platform/win32/sys/sys_api.h"

namespace platform {

namespace {

// Widths and precisions beyond this are clipped: a format is code, but a runaway '*' argument must not make
// the formatter allocate gigabytes.
constexpr int kMaxWidth = 1 << 20;

enum class Size { None, Short, Char, Long32, Long64, Pointer, IntMax, LongDouble, Wide };

struct Field {
    bool minus = false;
    bool plus = false;
    bool space = false;
    bool zero = false;
    bool hash = false;
    int width = 0;
    int precision = -1;
    Size size = Size::None;
    char16_t conversion = 0;
};

locale_t ClassicLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

// Runs snprintf under the "C" locale, whatever locale the process has set.
template <typename... Args>
void AppendNumber(std::u16string& out, const std::string& format, Args... args) {
    const locale_t previous = uselocale(ClassicLocale());
    char small[128];
    int n = std::snprintf(small, sizeof small, format.c_str(), args...);
    std::string text;
    if (n >= 0 && static_cast<size_t>(n) < sizeof small) {
        text.assign(small, static_cast<size_t>(n));
    } else if (n >= 0) {
        text.resize(static_cast<size_t>(n) + 1);
        std::snprintf(text.data(), text.size(), format.c_str(), args...);
        text.resize(static_cast<size_t>(n));
    }
    uselocale(previous);
    for (char c : text) {
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    }
}

// The narrow printf format for a number: flags, width, precision, then the length and conversion.
std::string NarrowFormat(const Field& s, const char* length, char conversion) {
    std::string f = "%";
    if (s.minus)
        f += '-';
    if (s.plus)
        f += '+';
    if (s.space)
        f += ' ';
    if (s.zero)
        f += '0';
    if (s.hash)
        f += '#';
    if (s.width > 0)
        f += std::to_string(s.width);
    if (s.precision >= 0)
        f += "." + std::to_string(s.precision);
    f += length;
    f += conversion;
    return f;
}

void AppendPadded(std::u16string& out, std::u16string_view body, const Field& s) {
    const size_t width = s.width > 0 ? static_cast<size_t>(s.width) : 0;
    if (body.size() >= width) {
        out.append(body);
        return;
    }
    const size_t pad = width - body.size();
    if (s.minus) {
        out.append(body);
        out.append(pad, u' ');
    } else {
        // The real runtime pads strings and characters with zeros too when asked to.
        out.append(pad, s.zero ? u'0' : u' ');
        out.append(body);
    }
}

std::u16string WidenAnsi(const char* text, size_t length) {
    if (length == 0) {
        return {};
    }
    const int count = static_cast<int>(length);
    const int needed = MultiByteToWideChar(CP_ACP, 0, text, count, nullptr, 0);
    if (needed <= 0) {
        return std::u16string(length, u'?');
    }
    std::u16string wide(static_cast<size_t>(needed), u'\0');
    const int written = MultiByteToWideChar(CP_ACP, 0, text, count, wide.data(), needed);
    wide.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return wide;
}

int ReadNumber(const char16_t*& p) {
    long long value = 0;
    while (*p >= u'0' && *p <= u'9') {
        if (value < kMaxWidth) {
            value = value * 10 + (*p - u'0');
        }
        ++p;
    }
    return static_cast<int>(value < kMaxWidth ? value : kMaxWidth);
}

// Parses flags, width, precision and size after a '%'. Leaves p on the conversion character.
Field ParseField(const char16_t*& p, va_list& args) {
    Field s;
    for (;; ++p) {
        if (*p == u'-') {
            s.minus = true;
        } else if (*p == u'+') {
            s.plus = true;
        } else if (*p == u' ') {
            s.space = true;
        } else if (*p == u'0') {
            s.zero = true;
        } else if (*p == u'#') {
            s.hash = true;
        } else {
            break;
        }
    }
    if (*p == u'*') {
        ++p;
        int w = va_arg(args, int);
        if (w < 0) {
            s.minus = true;
            w = w == INT32_MIN ? kMaxWidth : -w;
        }
        s.width = w < kMaxWidth ? w : kMaxWidth;
    } else {
        s.width = ReadNumber(p);
    }
    if (*p == u'.') {
        ++p;
        if (*p == u'*') {
            ++p;
            const int prec = va_arg(args, int);
            s.precision = prec < 0 ? -1 : (prec < kMaxWidth ? prec : kMaxWidth);
        } else {
            s.precision = ReadNumber(p);
        }
    }
    if (p[0] == u'h' && p[1] == u'h') {
        s.size = Size::Char;
        p += 2;
    } else if (p[0] == u'h') {
        s.size = Size::Short;
        ++p;
    } else if (p[0] == u'l' && p[1] == u'l') {
        s.size = Size::Long64;
        p += 2;
    } else if (p[0] == u'l') {
        s.size = Size::Long32;
        ++p;
    } else if (p[0] == u'L') {
        s.size = Size::LongDouble;
        ++p;
    } else if (p[0] == u'I' && p[1] == u'6' && p[2] == u'4') {
        s.size = Size::Long64;
        p += 3;
    } else if (p[0] == u'I' && p[1] == u'3' && p[2] == u'2') {
        s.size = Size::None;
        p += 3;
    } else if (p[0] == u'I' || p[0] == u'z' || p[0] == u't') {
        s.size = Size::Pointer;
        ++p;
    } else if (p[0] == u'j') {
        s.size = Size::IntMax;
        ++p;
    } else if (p[0] == u'w') {
        s.size = Size::Wide;
        ++p;
    }
    s.conversion = *p;
    return s;
}

void FormatSigned(std::u16string& out, const Field& s, va_list& args) {
    long long value;
    switch (s.size) {
        case Size::Long64:
        case Size::LongDouble:
            value = va_arg(args, long long);
            break;
        case Size::Pointer:
            value = va_arg(args, intptr_t);
            break;
        case Size::IntMax:
            value = va_arg(args, intmax_t);
            break;
        case Size::Short:
            value = static_cast<short>(va_arg(args, int));
            break;
        case Size::Char:
            value = static_cast<signed char>(va_arg(args, int));
            break;
        default:
            value = va_arg(args, int);  // int, and long, which is 32 bits on the real platform
            break;
    }
    AppendNumber(out, NarrowFormat(s, "ll", 'd'), value);
}

void FormatUnsigned(std::u16string& out, const Field& s, char conversion, va_list& args) {
    unsigned long long value;
    switch (s.size) {
        case Size::Long64:
        case Size::LongDouble:
            value = va_arg(args, unsigned long long);
            break;
        case Size::Pointer:
            value = va_arg(args, uintptr_t);
            break;
        case Size::IntMax:
            value = va_arg(args, uintmax_t);
            break;
        case Size::Short:
            value = static_cast<unsigned short>(va_arg(args, unsigned int));
            break;
        case Size::Char:
            value = static_cast<unsigned char>(va_arg(args, unsigned int));
            break;
        default:
            value = va_arg(args, unsigned int);
            break;
    }
    AppendNumber(out, NarrowFormat(s, "ll", conversion), value);
}

void FormatFloat(std::u16string& out, const Field& s, char conversion, va_list& args) {
    if (s.size == Size::LongDouble) {
        const long double value = va_arg(args, long double);
        AppendNumber(out, NarrowFormat(s, "L", conversion), value);
    } else {
        const double value = va_arg(args, double);
        AppendNumber(out, NarrowFormat(s, "", conversion), value);
    }
}

void FormatString(std::u16string& out, const Field& s, bool wide, va_list& args) {
    const size_t limit = s.precision >= 0 ? static_cast<size_t>(s.precision) : SIZE_MAX;
    if (wide) {
        const char16_t* text = va_arg(args, const char16_t*);
        if (text == nullptr) {
            text = u"(null)";
        }
        size_t n = 0;
        while (n < limit && text[n] != 0) {  // never reads past the precision
            ++n;
        }
        AppendPadded(out, std::u16string_view(text, n), s);
    } else {
        const char* text = va_arg(args, const char*);
        if (text == nullptr) {
            AppendPadded(out, std::u16string_view(u"(null)").substr(0, limit), s);
            return;
        }
        size_t n = 0;
        while (n < limit && text[n] != 0) {
            ++n;
        }
        AppendPadded(out, WidenAnsi(text, n), s);
    }
}

void FormatChar(std::u16string& out, const Field& s, bool wide, va_list& args) {
    const int value = va_arg(args, int);
    std::u16string body;
    if (wide) {
        body.push_back(static_cast<char16_t>(value));
    } else {
        const char c = static_cast<char>(value);
        body = WidenAnsi(&c, 1);
    }
    AppendPadded(out, body, s);
}

}  // namespace

std::u16string FormatWideV(const char16_t* format, va_list args) {
    std::u16string out;
    if (format == nullptr) {
        return out;
    }
    va_list ap;
    va_copy(ap, args);
    const char16_t* p = format;
    while (*p != 0) {
        if (*p != u'%') {
            out.push_back(*p++);
            continue;
        }
        const char16_t* start = p++;
        if (*p == u'%') {
            out.push_back(u'%');
            ++p;
            continue;
        }
        const Field s = ParseField(p, ap);
        const bool narrowSize = s.size == Size::Short || s.size == Size::Char;
        const bool wideSize = s.size == Size::Long32 || s.size == Size::Wide;
        switch (s.conversion) {
            case u'd':
            case u'i':
                FormatSigned(out, s, ap);
                break;
            case u'u':
            case u'o':
            case u'x':
            case u'X':
                FormatUnsigned(out, s, static_cast<char>(s.conversion), ap);
                break;
            case u'f':
            case u'F':
            case u'e':
            case u'E':
            case u'g':
            case u'G':
            case u'a':
            case u'A':
                FormatFloat(out, s, static_cast<char>(s.conversion), ap);
                break;
            case u's':
                FormatString(out, s, !narrowSize, ap);
                break;
            case u'S':
                FormatString(out, s, wideSize, ap);
                break;
            case u'c':
                FormatChar(out, s, !narrowSize, ap);
                break;
            case u'C':
                FormatChar(out, s, wideSize, ap);
                break;
            case u'p': {
                // Pointers print as bare upper-case hex, zero-padded to the pointer's width.
                Field digits;
                digits.zero = true;
                digits.width = static_cast<int>(sizeof(void*) * 2);
                std::u16string body;
                AppendNumber(body, NarrowFormat(digits, "ll", 'X'),
                             static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(va_arg(ap, void*))));
                Field pad = s;
                pad.zero = false;
                AppendPadded(out, body, pad);
                break;
            }
            case u'n':
                (void)va_arg(ap, void*);
                break;
            case 0:
                out.append(start, p);  // a lone '%' at the end
                break;
            default:
                out.append(start, p + 1);
                break;
        }
        if (*p != 0) {
            ++p;
        }
    }
    va_end(ap);
    return out;
}

std::u16string FormatWide(const char16_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::u16string text = FormatWideV(format, args);
    va_end(args);
    return text;
}

}  // namespace platform
