// Code-page conversions. CP_ACP (and the OEM code page) is 936, converted by iconv as GBK; CP_UTF8 uses the
// stand-in's own UTF-8 converter; the other Windows code pages that drawing files name (874, 932, 949, 950,
// 1250 to 1258) go through iconv under their "CPnnn" names. Counts follow the real platform: -1 means "to and
// including the NUL".
#include <errno.h>
#include <iconv.h>

#include <cstring>
#include <string>

#include "platform/win32/core/unicode.h"
#include "platform/win32/sys/sys_api.h"

namespace {

enum class Page { kAnsi, kUtf8, kOther, kUnknown };

Page PageOf(UINT codePage) {
    switch (codePage) {
        case CP_ACP:
        case CP_OEMCP:
        case 936:
            return Page::kAnsi;
        case CP_UTF8:
            return Page::kUtf8;
        case 874:
        case 932:
        case 949:
        case 950:
            return Page::kOther;
        default:
            return codePage >= 1250 && codePage <= 1258 ? Page::kOther : Page::kUnknown;
    }
}

// The iconv name of a code page that is not UTF-8.
std::string CharsetOf(UINT codePage) {
    return PageOf(codePage) == Page::kAnsi ? std::string("GBK") : "CP" + std::to_string(codePage);
}

// One iconv descriptor per call keeps the functions thread-safe; glibc caches the conversion modules.
class Iconv {
public:
    Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Iconv() {
        if (m_cd != reinterpret_cast<iconv_t>(-1)) {
            iconv_close(m_cd);
        }
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return m_cd; }

private:
    iconv_t m_cd;
};

// Code-page bytes to UTF-16. A byte sequence that the page does not define fails when strict, otherwise
// gives '?' for its first byte and the conversion goes on with the next byte.
bool PageToUtf16(const std::string& charset, const char* text, size_t length, bool strict,
                 std::u16string& out) {
    Iconv cd("UTF-16LE", charset.c_str());
    if (!cd.ok()) {
        return false;
    }
    char* in = const_cast<char*>(text);
    size_t inLeft = length;
    char buffer[256];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof(buffer);
        const size_t rc = iconv(cd.get(), &in, &inLeft, &outPtr, &outLeft);
        for (char* p = buffer; p + 1 < outPtr; p += 2) {
            out.push_back(static_cast<char16_t>(static_cast<unsigned char>(p[0]) |
                                                (static_cast<unsigned char>(p[1]) << 8)));
        }
        if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
            if (strict) {
                return false;
            }
            out.push_back(u'?');
            ++in;
            --inLeft;
        }
    }
    return true;
}

// UTF-16 to a code page; each character the page cannot hold (and each unpaired surrogate) becomes the
// default text.
bool Utf16ToPage(const std::string& charset, const char16_t* text, size_t length,
                 const std::string& defaultText, bool* usedDefault, std::string& out) {
    Iconv cd(charset.c_str(), "UTF-16LE");
    if (!cd.ok()) {
        return false;
    }
    std::string bytes(length * 2, '\0');
    for (size_t i = 0; i < length; ++i) {
        bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    char* in = bytes.data();
    size_t inLeft = bytes.size();
    char buffer[256];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof(buffer);
        const size_t rc = iconv(cd.get(), &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<size_t>(outPtr - buffer));
        if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
            out += defaultText;
            *usedDefault = true;
            // Skip the whole character: a surrogate pair is one character.
            const char16_t unit = static_cast<char16_t>(static_cast<unsigned char>(in[0]) |
                                                        (static_cast<unsigned char>(in[1]) << 8));
            size_t skip = 2;
            if (unit >= 0xD800 && unit <= 0xDBFF && inLeft >= 4) {
                const char16_t next = static_cast<char16_t>(static_cast<unsigned char>(in[2]) |
                                                            (static_cast<unsigned char>(in[3]) << 8));
                if (next >= 0xDC00 && next <= 0xDFFF) {
                    skip = 4;
                }
            }
            in += skip;
            inLeft -= skip;
        }
    }
    return true;
}

// Copies a converted text out under the real platform's capacity rules.
template <typename Char>
int Deliver(const std::basic_string<Char>& converted, Char* out, int capacity) {
    const size_t needed = converted.size();
    if (needed == 0) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (capacity == 0) {
        return static_cast<int>(needed);
    }
    if (needed > static_cast<size_t>(capacity)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(out, converted.data(), needed * sizeof(Char));
    return static_cast<int>(needed);
}

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int count, LPWSTR out, int capacity) {
    const Page page = PageOf(codePage);
    if (page == Page::kUnknown || text == nullptr || count == 0 || count < -1 || capacity < 0 ||
        (capacity > 0 && out == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const size_t length = count == -1 ? std::strlen(text) + 1 : static_cast<size_t>(count);
    const bool strict = (flags & MB_ERR_INVALID_CHARS) != 0;
    std::u16string converted;
    if (page == Page::kUtf8) {
        bool ok = true;
        converted = platform::Utf8ToUtf16(std::string_view(text, length), strict, &ok);
        if (!ok) {
            SetLastError(ERROR_NO_UNICODE_TRANSLATION);
            return 0;
        }
    } else if (!PageToUtf16(CharsetOf(codePage), text, length, strict, converted)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    return Deliver(converted, out, capacity);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, int count, LPSTR out, int capacity,
                        LPCSTR defaultChar, BOOL* usedDefaultChar) {
    const Page page = PageOf(codePage);
    // UTF-8 has no default character: the real platform refuses both arguments for it.
    if (page == Page::kUnknown || text == nullptr || count == 0 || count < -1 || capacity < 0 ||
        (capacity > 0 && out == nullptr) ||
        (page == Page::kUtf8 && (defaultChar != nullptr || usedDefaultChar != nullptr))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const size_t length = count == -1 ? platform::WideLength(text) + 1 : static_cast<size_t>(count);
    std::string converted;
    if (page == Page::kUtf8) {
        bool ok = true;
        converted = platform::Utf16ToUtf8(std::u16string_view(text, length),
                                          (flags & WC_ERR_INVALID_CHARS) != 0, &ok);
        if (!ok) {
            SetLastError(ERROR_NO_UNICODE_TRANSLATION);
            return 0;
        }
    } else {
        bool used = false;
        const std::string fallback = defaultChar != nullptr && defaultChar[0] != '\0'
                                         ? std::string(1, defaultChar[0])
                                         : std::string("?");
        if (!Utf16ToPage(CharsetOf(codePage), text, length, fallback, &used, converted)) {
            SetLastError(ERROR_NO_UNICODE_TRANSLATION);
            return 0;
        }
        if (usedDefaultChar != nullptr) {
            *usedDefaultChar = used ? TRUE : FALSE;
        }
    }
    return Deliver(converted, out, capacity);
}
