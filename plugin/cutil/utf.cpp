// UTF-8 walks, UTF-16 measures, and the conversions between UTF-8, UTF-16 and the ANSI code page.
#include <cstdlib>
#include <cstring>

#include "platform/win32/windows.h"
#include "plugin/cutil/cutil.h"

namespace {

inline bool IsCont(unsigned char c) {
    return c >= 0x80 && c <= 0xBF;
}

// The byte length of the character at s: 1 ASCII, 2 or 3 for a whole sequence; 0 for the NUL or an invalid
// sequence (four-byte characters count as invalid, as in CutValidUtf8). Never reads past a NUL.
int SeqLen(const unsigned char* s) {
    const unsigned char c = s[0];
    if (c == 0) {
        return 0;
    }
    if (c < 0x80) {
        return 1;
    }
    if (c >= 0xC0 && c <= 0xDF && IsCont(s[1])) {
        return 2;
    }
    if (c >= 0xE0 && c <= 0xEF && IsCont(s[1]) && IsCont(s[2])) {
        return 3;
    }
    return 0;
}

inline const unsigned char* Bytes(const char* s) {
    return reinterpret_cast<const unsigned char*>(s);
}

// Characters of the text, or -1 when it holds an invalid sequence.
int CountChars(const char* text) {
    const unsigned char* s = Bytes(text);
    int n = 0;
    while (*s != 0) {
        const int len = SeqLen(s);
        if (len == 0) {
            return -1;
        }
        s += len;
        ++n;
    }
    return n;
}

size_t WideLen(const char16_t* s) {
    size_t n = 0;
    while (s[n] != 0) {
        ++n;
    }
    return n;
}

// A new UTF-16 block of the text in the code page; null for invalid text or no memory. With strict, a
// malformed byte fails instead of becoming a replacement.
char16_t* ToWideAlloc(UINT codePage, const char* text, bool strict) {
    const DWORD flags = strict ? MB_ERR_INVALID_CHARS : 0;
    const int units = MultiByteToWideChar(codePage, flags, text, -1, nullptr, 0);
    if (units <= 0) {
        return nullptr;
    }
    auto* wide = static_cast<char16_t*>(std::malloc(static_cast<size_t>(units) * sizeof(char16_t)));
    if (wide != nullptr && MultiByteToWideChar(codePage, flags, text, -1, wide, units) <= 0) {
        std::free(wide);
        return nullptr;
    }
    return wide;
}

// Whole text or nothing into out; the bytes without the NUL, or -1 (out "").
int FromWide(UINT codePage, const char16_t* wide, char* out, int size) {
    if (out == nullptr || size < 1) {
        return -1;
    }
    const int n =
        wide != nullptr ? WideCharToMultiByte(codePage, 0, wide, -1, out, size, nullptr, nullptr) : 0;
    if (n <= 0) {
        out[0] = '\0';
        return -1;
    }
    return n - 1;
}

}  // namespace

int Utf8Width(const char* text) {
    if (text == nullptr) {
        return 0;
    }
    int width = 0;
    for (const unsigned char* s = Bytes(text);;) {
        const int len = SeqLen(s);
        if (len == 0) {
            return width;
        }
        width += len == 1 ? 1 : 2;
        s += len;
    }
}

const char* Utf8Skip(const char* text, int count) {
    if (text == nullptr || count < 0) {
        return nullptr;
    }
    const unsigned char* s = Bytes(text);
    for (int i = 0; i < count; ++i) {
        const int len = SeqLen(s);
        if (len == 0) {
            return nullptr;
        }
        s += len;
    }
    return text + (s - Bytes(text));
}

const char* Utf8SkipBack(const char* text, int count) {
    if (text == nullptr || count < 0) {
        return nullptr;
    }
    const int total = CountChars(text);
    if (total < 0 || count > total) {
        return nullptr;
    }
    return Utf8Skip(text, total - count);
}

int IsValidUtf8(const char* text) {
    return (text != nullptr && CountChars(text) >= 0) ? 1 : 0;
}

int BlankInvalidUtf8(char* text) {
    if (text == nullptr) {
        return 0;
    }
    int blanked = 0;
    unsigned char* s = reinterpret_cast<unsigned char*>(text);
    while (*s != 0) {
        const int len = SeqLen(s);
        if (len > 0) {
            s += len;
            continue;
        }
        // The lead byte and the continuation bytes that hang on it go; a following lead starts afresh.
        *s++ = ' ';
        ++blanked;
        while (IsCont(*s)) {
            *s++ = ' ';
            ++blanked;
        }
    }
    return blanked;
}

int Utf16Width(const char16_t* text) {
    int width = 0;
    for (const char16_t* p = text; p != nullptr && *p != 0; ++p) {
        width += *p < 256 ? 1 : 2;
    }
    return width;
}

int Utf16Length(const char16_t* text) {
    return text != nullptr ? static_cast<int>(WideLen(text)) : 0;
}

char* Utf16ToUtf8Alloc(const char16_t* text, int swapBytes) {
    if (text == nullptr) {
        return nullptr;
    }
    const size_t units = WideLen(text);
    // Each unit needs at most three bytes, so the block always holds the whole text.
    const size_t capacity = units * 2 * 3 / 2 + 100;
    char* out = static_cast<char*>(std::malloc(capacity));
    if (out == nullptr) {
        return nullptr;
    }
    const char16_t* source = text;
    char16_t* swapped = nullptr;
    if (swapBytes) {
        swapped = static_cast<char16_t*>(std::malloc((units + 1) * sizeof(char16_t)));
        if (swapped == nullptr) {
            std::free(out);
            return nullptr;
        }
        for (size_t i = 0; i <= units; ++i) {
            swapped[i] = static_cast<char16_t>((text[i] >> 8) | ((text[i] & 0xFF) << 8));
        }
        source = swapped;
    }
    if (WideCharToMultiByte(CP_UTF8, 0, source, -1, out, static_cast<int>(capacity), nullptr, nullptr) <= 0) {
        out[0] = '\0';
    }
    std::free(swapped);
    return out;
}

char16_t* Utf8ToUtf16Lib(const char* utf8, char16_t* out, int* count) {
    const size_t len = utf8 != nullptr ? std::strlen(utf8) : 0;
    if (out == nullptr) {
        out = static_cast<char16_t*>(std::malloc(2 * len + 2));
        if (out == nullptr) {
            return nullptr;
        }
    }
    const unsigned char* b = Bytes(utf8);
    size_t i = 0;
    int n = 0;
    while (i < len) {
        const unsigned c = b[i];
        if (c < 0x80) {
            out[n++] = static_cast<char16_t>(c);
            i += 1;
        } else if (c >= 0xC0 && c <= 0xDF) {
            if (i + 1 >= len || !IsCont(b[i + 1])) {
                break;
            }
            out[n++] = static_cast<char16_t>(((c - 0xC0) << 6) + (b[i + 1] - 0x80));
            i += 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            if (i + 2 >= len || !IsCont(b[i + 1]) || !IsCont(b[i + 2])) {
                break;
            }
            out[n++] = static_cast<char16_t>(((c - 0xE0) << 12) + (b[i + 1] - 0x80) * 64 + (b[i + 2] - 0x80));
            i += 3;
        } else {
            // Longer sequences are skipped whole (no 16-bit unit holds them), never past the text's end.
            const size_t skip = (c >= 0xF0 && c <= 0xF7)   ? 4
                                : (c >= 0xF8 && c <= 0xFB) ? 5
                                : (c == 0xFC || c == 0xFD) ? 6
                                                           : 0;
            if (skip == 0 || i + skip > len) {
                break;
            }
            i += skip;
        }
    }
    out[n] = 0;
    if (count != nullptr) {
        *count = n;
    }
    return out;
}

int Utf16ToUtf8Lib(const char16_t* utf16, char* out, int size) {
    if (out == nullptr || size < 1) {
        return 0;
    }
    int n = 0;
    for (const char16_t* p = utf16; p != nullptr && *p != 0; ++p) {
        const unsigned u = *p;
        const int room = size - n;
        if (room < 2) {
            break;
        }
        if (u < 0x80) {
            out[n++] = static_cast<char>(u);
        } else if (u < 0x800) {
            if (room < 3) {
                break;
            }
            out[n++] = static_cast<char>(0xC0 | (u >> 6));
            out[n++] = static_cast<char>(0x80 | (u & 0x3F));
        } else {
            if (room < 4) {
                break;
            }
            // Surrogates go out one by one as three bytes each, as the link's converter writes them.
            out[n++] = static_cast<char>(0xE0 | (u >> 12));
            out[n++] = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out[n++] = static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    out[n] = '\0';
    return n;
}

char16_t* AnsiToUtf16Alloc(const char* ansi) {
    return ansi != nullptr ? ToWideAlloc(CP_ACP, ansi, false) : nullptr;
}

int AnsiToUtf8(const char* ansi, char* out, int size) {
    char16_t* wide = AnsiToUtf16Alloc(ansi);
    const int n = FromWide(CP_UTF8, wide, out, size);
    std::free(wide);
    return n;
}

char* Utf8ToAnsi(const char* utf8) {
    char16_t* wide = utf8 != nullptr ? ToWideAlloc(CP_UTF8, utf8, true) : nullptr;
    if (wide == nullptr) {
        return nullptr;
    }
    char* out = nullptr;
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (bytes > 0) {
        out = static_cast<char*>(std::malloc(static_cast<size_t>(bytes)));
        if (out != nullptr && WideCharToMultiByte(CP_ACP, 0, wide, -1, out, bytes, nullptr, nullptr) <= 0) {
            std::free(out);
            out = nullptr;
        }
    }
    std::free(wide);
    return out;
}

int Utf16ToAnsi(const char16_t* utf16, char* out, int size) {
    return FromWide(CP_ACP, utf16, out, size);
}

int Utf8ToAnsiBounded(const char* utf8, char* out, int size) {
    char16_t* wide = utf8 != nullptr ? ToWideAlloc(CP_UTF8, utf8, true) : nullptr;
    if (wide == nullptr) {
        if (out != nullptr && size > 0) {
            out[0] = '\0';
        }
        return -1;
    }
    const int n = FromWide(CP_ACP, wide, out, size);
    std::free(wide);
    return n;
}
