// Byte-string helpers: wildcard match, splits, case, replacement, sets, affixes, searches, lines, bounded
// copies, spans and trimming.
#include <cstdlib>
#include <cstring>

#include "platform/win32/windows.h"
#include "plugin/cutil/cutil.h"

namespace {

inline unsigned char Lower(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

inline bool SameNoCase(char a, char b) {
    return Lower(static_cast<unsigned char>(a)) == Lower(static_cast<unsigned char>(b));
}

inline bool InSet(char c, const char* set) {
    return c != '\0' && std::strchr(set, c) != nullptr;
}

inline bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The first place in text[0..textLen) where the n bytes of needle match ignoring case; null when none.
const char* FindNoCaseN(const char* text, size_t textLen, const char* needle, size_t n) {
    if (n > textLen) {
        return nullptr;
    }
    for (size_t i = 0; i + n <= textLen; ++i) {
        if (_strnicmp(text + i, needle, n) == 0) {
            return text + i;
        }
    }
    return nullptr;
}

bool CopyPart(const char* from, size_t n, char* out, int size) {
    if (out == nullptr || size < 1 || n > static_cast<size_t>(size) - 1) {
        return false;
    }
    std::memcpy(out, from, n);
    out[n] = '\0';
    return true;
}

}  // namespace

int WildcardMatch(const char* text, const char* pattern) {
    if (text == nullptr || pattern == nullptr) {
        return 0;
    }
    const char* t = text;
    const char* p = pattern;
    while (*t != '\0' && *p != '\0') {
        if (*p == '*') {
            // A run of "*" and "?" after it: the "?"s take that many bytes wherever the "*" ends.
            size_t anyBytes = 0;
            while (*p == '*' || *p == '?') {
                anyBytes += *p == '?' ? 1 : 0;
                ++p;
            }
            if (strnlen(t, anyBytes) < anyBytes) {
                return 0;
            }
            t += anyBytes;
            size_t segment = 0;
            while (p[segment] != '\0' && p[segment] != '*' && p[segment] != '?') {
                ++segment;
            }
            if (segment == 0) {
                return 1;  // the pattern ends: the "*" takes the rest
            }
            // No backtracking: only the first occurrence of the segment is tried.
            const char* found = FindNoCaseN(t, std::strlen(t), p, segment);
            if (found == nullptr) {
                return 0;
            }
            t = found + segment;
            p += segment;
        } else if (*p == '?' || SameNoCase(*p, *t)) {
            ++p;
            ++t;
        } else {
            return 0;
        }
    }
    if (*t != '\0') {
        return 0;
    }
    return (*p == '\0' || std::strcmp(p, "*") == 0) ? 1 : 0;
}

int SplitAt(const char* text, const char* separator, char* before, int beforeSize, char* after,
            int afterSize) {
    if (before != nullptr && beforeSize > 0) {
        before[0] = '\0';
    }
    if (after != nullptr && afterSize > 0) {
        after[0] = '\0';
    }
    if (text == nullptr) {
        return -1;
    }
    const char* at = (separator != nullptr && separator[0] != '\0') ? std::strstr(text, separator) : nullptr;
    const size_t head = at != nullptr ? static_cast<size_t>(at - text) : std::strlen(text);
    const char* tail = at != nullptr ? at + std::strlen(separator) : "";
    if (!CopyPart(text, head, before, beforeSize) || !CopyPart(tail, std::strlen(tail), after, afterSize)) {
        if (before != nullptr && beforeSize > 0) {
            before[0] = '\0';
        }
        if (after != nullptr && afterSize > 0) {
            after[0] = '\0';
        }
        return -1;
    }
    return at != nullptr ? 1 : 0;
}

char* ToLowerAscii(char* text) {
    for (char* p = text; p != nullptr && *p != '\0'; ++p) {
        if (*p >= 'A' && *p <= 'Z') {
            *p = static_cast<char>(*p + ('a' - 'A'));
        }
    }
    return text;
}

char* ToUpperAscii(char* text) {
    for (char* p = text; p != nullptr && *p != '\0'; ++p) {
        if (*p >= 'a' && *p <= 'z') {
            *p = static_cast<char>(*p - ('a' - 'A'));
        }
    }
    return text;
}

int ReplaceAll(char* text, int size, const char* from, const char* to, int maxCount) {
    if (text == nullptr || from == nullptr || to == nullptr || from[0] == '\0' || size < 1) {
        return 0;
    }
    const size_t fromLen = std::strlen(from);
    const size_t toLen = std::strlen(to);
    const size_t textLen = strnlen(text, static_cast<size_t>(size));
    if (textLen == static_cast<size_t>(size)) {
        return -1;  // no NUL within the buffer
    }
    // Count first, so that the result is known to fit before a byte is moved.
    int count = 0;
    size_t resultLen = textLen;
    for (const char* p = std::strstr(text, from); p != nullptr && (maxCount <= 0 || count < maxCount);
         p = std::strstr(p + fromLen, from)) {
        ++count;
        resultLen = resultLen - fromLen + toLen;
    }
    if (count == 0) {
        return 0;
    }
    if (resultLen + 1 > static_cast<size_t>(size)) {
        return -1;
    }
    char* result = static_cast<char*>(std::malloc(resultLen + 1));
    if (result == nullptr) {
        return -1;
    }
    char* out = result;
    const char* p = text;
    for (int done = 0; done < count; ++done) {
        const char* at = std::strstr(p, from);
        std::memcpy(out, p, static_cast<size_t>(at - p));
        out += at - p;
        std::memcpy(out, to, toLen);
        out += toLen;
        p = at + fromLen;
    }
    std::memcpy(out, p, std::strlen(p) + 1);
    std::memcpy(text, result, resultLen + 1);
    std::free(result);
    return count;
}

const char* SkipChars(const char* text, const char* set) {
    if (text == nullptr || set == nullptr) {
        return text;
    }
    while (InSet(*text, set)) {
        ++text;
    }
    return text;
}

int AnyCharIn(const char* text, const char* set) {
    return (text != nullptr && set != nullptr && text[std::strcspn(text, set)] != '\0') ? 1 : 0;
}

int AllCharsIn(const char* text, const char* set) {
    return (text != nullptr && set != nullptr && text[std::strspn(text, set)] == '\0') ? 1 : 0;
}

int StartsWithNoCase(const char* text, const char* prefix) {
    if (text == nullptr || prefix == nullptr) {
        return -1;
    }
    return _strnicmp(text, prefix, std::strlen(prefix)) == 0 ? 0 : -1;
}

int EndsWith(const char* text, const char* suffix) {
    if (text == nullptr || suffix == nullptr) {
        return -1;
    }
    const size_t n = std::strlen(text);
    const size_t m = std::strlen(suffix);
    return (m <= n && std::memcmp(text + n - m, suffix, m) == 0) ? 0 : -1;
}

int EndsWithNoCase(const char* text, const char* suffix) {
    if (text == nullptr || suffix == nullptr) {
        return -1;
    }
    const size_t n = std::strlen(text);
    const size_t m = std::strlen(suffix);
    return (m <= n && _strnicmp(text + n - m, suffix, m) == 0) ? 0 : -1;
}

const char* FindNoCase(const char* text, const char* needle) {
    if (text == nullptr || needle == nullptr) {
        return nullptr;
    }
    return FindNoCaseN(text, std::strlen(text), needle, std::strlen(needle));
}

int CompareNoCaseN(const char* a, const char* b, size_t count) {
    if (a == b) {
        return 0;
    }
    if (a == nullptr) {
        return -1;
    }
    if (b == nullptr) {
        return 1;
    }
    return _strnicmp(a, b, count);
}

const char* FindLast(const char* text, const char* needle) {
    if (text == nullptr || needle == nullptr) {
        return nullptr;
    }
    const size_t n = std::strlen(text);
    const size_t m = std::strlen(needle);
    if (m > n) {
        return nullptr;
    }
    for (size_t i = n - m + 1; i > 0; --i) {
        if (std::memcmp(text + i - 1, needle, m) == 0) {
            return text + i - 1;
        }
    }
    return nullptr;
}

const char* GetLine(const char* text, char* line, int size) {
    if (line != nullptr && size > 0) {
        line[0] = '\0';
    }
    const char* end = text != nullptr ? std::strstr(text, "\r\n") : nullptr;
    if (end == nullptr) {
        return nullptr;
    }
    if (line != nullptr && size > 0) {
        size_t n = static_cast<size_t>(end - text);
        if (n > static_cast<size_t>(size) - 1) {
            n = static_cast<size_t>(size) - 1;
        }
        std::memcpy(line, text, n);
        line[n] = '\0';
    }
    return end + 2;
}

char* CopyBounded(char* target, int size, const char* source) {
    if (target == nullptr || size < 1) {
        return target;
    }
    std::memset(target, 0, static_cast<size_t>(size));
    if (source != nullptr) {
        std::memcpy(target, source, strnlen(source, static_cast<size_t>(size) - 1));
    }
    return target;
}

char* AppendBounded(char* target, int size, const char* source) {
    if (target == nullptr || size < 1 || source == nullptr) {
        return target;
    }
    const size_t used = strnlen(target, static_cast<size_t>(size));
    if (used >= static_cast<size_t>(size) - 1) {
        target[size - 1] = '\0';
        return target;
    }
    const size_t n = strnlen(source, static_cast<size_t>(size) - 1 - used);
    std::memcpy(target + used, source, n);
    target[used + n] = '\0';
    return target;
}

int RemoveSpans(char* text, const char* open, const char* close) {
    if (text == nullptr || open == nullptr || close == nullptr || open[0] == '\0' || close[0] == '\0') {
        return 0;
    }
    const size_t openLen = std::strlen(open);
    const size_t closeLen = std::strlen(close);
    int removed = 0;
    char* p = text;
    while ((p = std::strstr(p, open)) != nullptr) {
        char* end = std::strstr(p + openLen, close);
        if (end == nullptr) {
            break;
        }
        end += closeLen;
        std::memmove(p, end, std::strlen(end) + 1);
        ++removed;
    }
    return removed;
}

char* TrimWhitespace(char* text) {
    if (text == nullptr) {
        return text;
    }
    size_t start = 0;
    while (IsBlank(text[start])) {
        ++start;
    }
    size_t end = std::strlen(text);
    while (end > start && IsBlank(text[end - 1])) {
        --end;
    }
    std::memmove(text, text + start, end - start);
    text[end - start] = '\0';
    return text;
}

const char* FindAnyOf(const char* text, const char* set) {
    if (text == nullptr || set == nullptr) {
        return nullptr;
    }
    const char* p = text + std::strcspn(text, set);
    return *p != '\0' ? p : nullptr;
}

int CountCharsIn(const char* text, const char* set, int count) {
    if (text == nullptr || set == nullptr) {
        return 0;
    }
    int n = 0;
    for (int i = 0; text[i] != '\0' && (count < 0 || i < count); ++i) {
        if (InSet(text[i], set)) {
            ++n;
        }
    }
    return n;
}

const char* FindLastChar(const char* text, char c) {
    return text != nullptr ? std::strrchr(text, c) : nullptr;
}
