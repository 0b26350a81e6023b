// CString: the framework's wide string (UTF-16 code units), with the members the plug-in uses and their
// framework behaviour: clamped Left/Mid/Right, -1 for "not found", GetBuffer/ReleaseBuffer, and Format with
// the real platform's wide printf conventions (platform/mfc/wideformat.h). Narrow text given to a constructor
// or assigned is converted through the ANSI code page (CP_ACP), as in a Unicode build.
#pragma once

#include <compare>
#include <concepts>
#include <cstdarg>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/core/wintypes.h"

class CStringA;

class CString {
public:
    CString() = default;
    CString(const char16_t* text);  // NOLINT: implicit, as in the framework; null gives an empty string
    CString(const char16_t* text, int length);
    explicit CString(char16_t ch, int repeat = 1);
    CString(const char* ansi);      // NOLINT: converted through the ANSI code page
    CString(const CStringA& ansi);  // NOLINT
    explicit CString(std::u16string_view text) : m_str(text) {}
    explicit CString(std::u16string text) : m_str(std::move(text)) {}

    CString& operator=(const char16_t* text);
    CString& operator=(const char* ansi);
    CString& operator=(char16_t ch);

    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }

    char16_t GetAt(int index) const;
    void SetAt(int index, char16_t ch);
    template <std::integral I>
    char16_t operator[](I index) const {
        return GetAt(static_cast<int>(index));
    }

    operator const char16_t*() const { return m_str.c_str(); }  // NOLINT: LPCTSTR, as in the framework
    const char16_t* GetString() const { return m_str.c_str(); }
    // The stand-in's own access for platform code and tests.
    const std::u16string& Str() const { return m_str; }
    std::u16string_view View() const { return m_str; }

    // A writable buffer of at least minLength characters plus the terminator, holding the current text.
    // ReleaseBuffer(-1) takes the length up to the first NUL.
    char16_t* GetBuffer(int minLength = 0);
    char16_t* GetBufferSetLength(int length);
    void ReleaseBuffer(int newLength = -1);

    void Format(const char16_t* format, ...);
    void AppendFormat(const char16_t* format, ...);
    void FormatV(const char16_t* format, va_list args);
    void AppendFormatV(const char16_t* format, va_list args);

    CString Left(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Right(int count) const;
    CString SpanIncluding(const char16_t* charSet) const;
    CString SpanExcluding(const char16_t* charSet) const;
    // Next token after start (tokens separated by any of the delimiters); start becomes -1 at the end.
    CString Tokenize(const char16_t* delimiters, int& start) const;

    int Find(char16_t ch, int start = 0) const;
    int Find(const char16_t* sub, int start = 0) const;
    int ReverseFind(char16_t ch) const;
    int FindOneOf(const char16_t* charSet) const;

    int Replace(char16_t oldCh, char16_t newCh);
    int Replace(const char16_t* oldText, const char16_t* newText);
    int Remove(char16_t ch);
    int Insert(int index, char16_t ch);
    int Insert(int index, const char16_t* text);
    int Delete(int index, int count = 1);

    CString& Trim();
    CString& Trim(char16_t ch);
    CString& Trim(const char16_t* charSet);
    CString& TrimLeft();
    CString& TrimLeft(char16_t ch);
    CString& TrimLeft(const char16_t* charSet);
    CString& TrimRight();
    CString& TrimRight(char16_t ch);
    CString& TrimRight(const char16_t* charSet);

    CString& MakeUpper();
    CString& MakeLower();
    CString& MakeReverse();

    int Compare(const char16_t* other) const;
    int CompareNoCase(const char16_t* other) const;

    CString& operator+=(const CString& text);
    CString& operator+=(const char16_t* text);
    CString& operator+=(char16_t ch);
    CString& operator+=(const char* ansi);

    friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
    friend bool operator==(const CString& a, const char16_t* b);
    friend std::strong_ordering operator<=>(const CString& a, const CString& b);
    friend std::strong_ordering operator<=>(const CString& a, const char16_t* b);

private:
    std::u16string m_str;
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, const char16_t* b);
CString operator+(const char16_t* a, const CString& b);
CString operator+(const CString& a, char16_t b);
CString operator+(char16_t a, const CString& b);

template <>
struct std::hash<CString> {
    size_t operator()(const CString& s) const noexcept { return std::hash<std::u16string>()(s.Str()); }
};

// Narrow text in the ANSI code page; what the plug-in builds from a CString for narrow interfaces.
class CStringA {
public:
    CStringA() = default;
    CStringA(const char* text) : m_str(text != nullptr ? text : "") {}  // NOLINT
    CStringA(const char* text, int length) : m_str(text, static_cast<size_t>(length < 0 ? 0 : length)) {}
    explicit CStringA(
        const char16_t* wide);  // converted to the ANSI code page; unmappable characters give '?'
    explicit CStringA(const CString& wide) : CStringA(wide.GetString()) {}

    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    operator const char*() const { return m_str.c_str(); }  // NOLINT
    const char* GetString() const { return m_str.c_str(); }
    const std::string& Str() const { return m_str; }
    char* GetBuffer(int minLength = 0);
    void ReleaseBuffer(int newLength = -1);
    CStringA& operator+=(const char* text);
    friend bool operator==(const CStringA& a, const CStringA& b) { return a.m_str == b.m_str; }

private:
    std::string m_str;
};

// The framework's array of strings, as far as it is used.
class CStringArray {
public:
    INT_PTR GetSize() const { return static_cast<INT_PTR>(m_items.size()); }
    INT_PTR GetCount() const { return GetSize(); }
    bool IsEmpty() const { return m_items.empty(); }
    INT_PTR GetUpperBound() const { return GetSize() - 1; }
    INT_PTR Add(const CString& item);
    const CString& GetAt(INT_PTR index) const;
    CString& ElementAt(INT_PTR index);
    void SetAt(INT_PTR index, const CString& item);
    void InsertAt(INT_PTR index, const CString& item);
    void RemoveAt(INT_PTR index, INT_PTR count = 1);
    void RemoveAll() { m_items.clear(); }
    const CString& operator[](INT_PTR index) const { return GetAt(index); }
    CString& operator[](INT_PTR index) { return ElementAt(index); }

private:
    std::vector<CString> m_items;
};
