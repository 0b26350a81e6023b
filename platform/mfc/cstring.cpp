#include "platform/mfc/cstring.h"

#include <algorithm>
#include <stdexcept>

#include "platform/mfc/wideformat.h"
#include "platform/win32/core/unicode.h"
#include "platform/win32/sys/sys_api.h"

namespace {

std::u16string_view ViewOf(const char16_t* text) {
    return text != nullptr ? std::u16string_view(text) : std::u16string_view();
}

std::u16string FromAnsi(const char* text) {
    if (text == nullptr || *text == 0) {
        return {};
    }
    const int needed = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (needed <= 1) {
        return {};
    }
    std::u16string wide(static_cast<size_t>(needed), u'\0');
    const int written = MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), needed);
    wide.resize(written > 0 ? static_cast<size_t>(written - 1) : 0);  // drop the converted NUL
    return wide;
}

// White space as the runtime's wide classification sees it: the ASCII controls and the Unicode spaces
// (including the ideographic space of Chinese text).
bool IsSpace(char16_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
           c == 0x3000;
}

// The framework's case functions work in the "C" locale: only ASCII letters change.
char16_t AsciiUpper(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
}
char16_t AsciiLower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

int Sign(int v) {
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

bool InSet(char16_t c, std::u16string_view set) {
    return set.find(c) != std::u16string_view::npos;
}

}  // namespace

CString::CString(const char16_t* text) : m_str(ViewOf(text)) {}

CString::CString(const char16_t* text, int length) {
    if (text != nullptr && length > 0) {
        m_str.assign(text, static_cast<size_t>(length));
    }
}

CString::CString(char16_t ch, int repeat) {
    if (repeat > 0) {
        m_str.assign(static_cast<size_t>(repeat), ch);
    }
}

CString::CString(const char* ansi) : m_str(FromAnsi(ansi)) {}

CString::CString(const CStringA& ansi) : m_str(FromAnsi(ansi.GetString())) {}

CString& CString::operator=(const char16_t* text) {
    m_str = std::u16string(ViewOf(text));  // a copy first: text may point into this string
    return *this;
}

CString& CString::operator=(const char* ansi) {
    m_str = FromAnsi(ansi);
    return *this;
}

CString& CString::operator=(char16_t ch) {
    m_str.assign(1, ch);
    return *this;
}

char16_t CString::GetAt(int index) const {
    if (index < 0 || index >= GetLength()) {
        throw std::out_of_range("CString::GetAt: index out of range");
    }
    return m_str[static_cast<size_t>(index)];
}

void CString::SetAt(int index, char16_t ch) {
    if (index < 0 || index >= GetLength()) {
        throw std::out_of_range("CString::SetAt: index out of range");
    }
    m_str[static_cast<size_t>(index)] = ch;
}

char16_t* CString::GetBuffer(int minLength) {
    const size_t capacity = std::max(m_str.size(), static_cast<size_t>(std::max(minLength, 0)));
    // One more character than asked, so that a writer may put its terminator at [minLength]; the resize adds
    // a zero there.
    m_str.resize(capacity + 1);
    return m_str.data();
}

char16_t* CString::GetBufferSetLength(int length) {
    m_str.resize(static_cast<size_t>(std::max(length, 0)));
    return m_str.data();
}

void CString::ReleaseBuffer(int newLength) {
    size_t length;
    if (newLength < 0) {
        length = std::min(m_str.size(), std::char_traits<char16_t>::length(m_str.c_str()));
    } else {
        length = std::min(m_str.size(), static_cast<size_t>(newLength));
    }
    m_str.resize(length);
}

void CString::Format(const char16_t* format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CString::AppendFormat(const char16_t* format, ...) {
    va_list args;
    va_start(args, format);
    AppendFormatV(format, args);
    va_end(args);
}

void CString::FormatV(const char16_t* format, va_list args) {
    m_str = platform::FormatWideV(format, args);
}

void CString::AppendFormatV(const char16_t* format, va_list args) {
    m_str += platform::FormatWideV(format, args);
}

CString CString::Left(int count) const {
    count = std::clamp(count, 0, GetLength());
    return CString(m_str.substr(0, static_cast<size_t>(count)));
}

CString CString::Mid(int first) const {
    return Mid(first, GetLength());
}

CString CString::Mid(int first, int count) const {
    first = std::clamp(first, 0, GetLength());
    count = std::clamp(count, 0, GetLength() - first);
    return CString(m_str.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::Right(int count) const {
    count = std::clamp(count, 0, GetLength());
    return CString(m_str.substr(m_str.size() - static_cast<size_t>(count)));
}

CString CString::SpanIncluding(const char16_t* charSet) const {
    const size_t n = m_str.find_first_not_of(ViewOf(charSet));
    return Left(n == std::u16string::npos ? GetLength() : static_cast<int>(n));
}

CString CString::SpanExcluding(const char16_t* charSet) const {
    const size_t n = m_str.find_first_of(ViewOf(charSet));
    return Left(n == std::u16string::npos ? GetLength() : static_cast<int>(n));
}

CString CString::Tokenize(const char16_t* delimiters, int& start) const {
    if (start < 0 || start >= GetLength()) {
        start = -1;
        return CString();
    }
    const std::u16string_view set = ViewOf(delimiters);
    if (set.empty()) {
        CString rest = Mid(start);
        start = GetLength();  // the next call ends the loop instead of returning the rest forever
        return rest;
    }
    const size_t from = m_str.find_first_not_of(set, static_cast<size_t>(start));
    if (from == std::u16string::npos) {
        start = -1;
        return CString();
    }
    size_t to = m_str.find_first_of(set, from);
    if (to == std::u16string::npos) {
        to = m_str.size();
    }
    start = static_cast<int>(to) + 1;
    return CString(m_str.substr(from, to - from));
}

int CString::Find(char16_t ch, int start) const {
    if (start < 0 || start >= GetLength()) {
        return -1;
    }
    const size_t at = m_str.find(ch, static_cast<size_t>(start));
    return at == std::u16string::npos ? -1 : static_cast<int>(at);
}

int CString::Find(const char16_t* sub, int start) const {
    if (sub == nullptr || start < 0 || start > GetLength()) {
        return -1;
    }
    const size_t at = m_str.find(sub, static_cast<size_t>(start));
    return at == std::u16string::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(char16_t ch) const {
    const size_t at = m_str.rfind(ch);
    return at == std::u16string::npos ? -1 : static_cast<int>(at);
}

int CString::FindOneOf(const char16_t* charSet) const {
    const std::u16string_view set = ViewOf(charSet);
    if (set.empty()) {
        return -1;
    }
    const size_t at = m_str.find_first_of(set);
    return at == std::u16string::npos ? -1 : static_cast<int>(at);
}

int CString::Replace(char16_t oldCh, char16_t newCh) {
    int count = 0;
    if (oldCh == newCh) {
        return 0;
    }
    for (char16_t& c : m_str) {
        if (c == oldCh) {
            c = newCh;
            ++count;
        }
    }
    return count;
}

int CString::Replace(const char16_t* oldText, const char16_t* newText) {
    const std::u16string oldPart(ViewOf(oldText));
    const std::u16string newPart(ViewOf(newText));  // copies: either may point into this string
    if (oldPart.empty()) {
        return 0;
    }
    std::u16string result;
    int count = 0;
    size_t pos = 0;
    for (size_t at; (at = m_str.find(oldPart, pos)) != std::u16string::npos; pos = at + oldPart.size()) {
        result.append(m_str, pos, at - pos);
        result += newPart;
        ++count;
    }
    result.append(m_str, pos);
    m_str = std::move(result);
    return count;
}

int CString::Remove(char16_t ch) {
    const size_t before = m_str.size();
    std::erase(m_str, ch);
    return static_cast<int>(before - m_str.size());
}

int CString::Insert(int index, char16_t ch) {
    index = std::clamp(index, 0, GetLength());
    m_str.insert(static_cast<size_t>(index), 1, ch);
    return GetLength();
}

int CString::Insert(int index, const char16_t* text) {
    index = std::clamp(index, 0, GetLength());
    const std::u16string part(ViewOf(text));
    m_str.insert(static_cast<size_t>(index), part);
    return GetLength();
}

int CString::Delete(int index, int count) {
    index = std::max(index, 0);
    if (index < GetLength() && count > 0) {
        count = std::min(count, GetLength() - index);
        m_str.erase(static_cast<size_t>(index), static_cast<size_t>(count));
    }
    return GetLength();
}

CString& CString::Trim() {
    return TrimRight().TrimLeft();
}
CString& CString::Trim(char16_t ch) {
    return TrimRight(ch).TrimLeft(ch);
}
CString& CString::Trim(const char16_t* charSet) {
    return TrimRight(charSet).TrimLeft(charSet);
}

CString& CString::TrimLeft() {
    size_t n = 0;
    while (n < m_str.size() && IsSpace(m_str[n])) {
        ++n;
    }
    m_str.erase(0, n);
    return *this;
}

CString& CString::TrimLeft(char16_t ch) {
    const size_t n = m_str.find_first_not_of(ch);
    m_str.erase(0, n == std::u16string::npos ? m_str.size() : n);
    return *this;
}

CString& CString::TrimLeft(const char16_t* charSet) {
    const std::u16string set(ViewOf(charSet));
    size_t n = 0;
    while (n < m_str.size() && InSet(m_str[n], set)) {
        ++n;
    }
    m_str.erase(0, n);
    return *this;
}

CString& CString::TrimRight() {
    size_t n = m_str.size();
    while (n > 0 && IsSpace(m_str[n - 1])) {
        --n;
    }
    m_str.resize(n);
    return *this;
}

CString& CString::TrimRight(char16_t ch) {
    size_t n = m_str.size();
    while (n > 0 && m_str[n - 1] == ch) {
        --n;
    }
    m_str.resize(n);
    return *this;
}

CString& CString::TrimRight(const char16_t* charSet) {
    const std::u16string set(ViewOf(charSet));
    size_t n = m_str.size();
    while (n > 0 && InSet(m_str[n - 1], set)) {
        --n;
    }
    m_str.resize(n);
    return *this;
}

CString& CString::MakeUpper() {
    std::transform(m_str.begin(), m_str.end(), m_str.begin(), AsciiUpper);
    return *this;
}

CString& CString::MakeLower() {
    std::transform(m_str.begin(), m_str.end(), m_str.begin(), AsciiLower);
    return *this;
}

CString& CString::MakeReverse() {
    std::reverse(m_str.begin(), m_str.end());
    return *this;
}

int CString::Compare(const char16_t* other) const {
    return Sign(View().compare(ViewOf(other)));
}

int CString::CompareNoCase(const char16_t* other) const {
    // Both sides folded to lower case, then compared by code unit, as the runtime's case-blind compare does.
    const std::u16string_view b = ViewOf(other);
    const size_t n = std::min(m_str.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const char16_t x = AsciiLower(m_str[i]);
        const char16_t y = AsciiLower(b[i]);
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    return m_str.size() == b.size() ? 0 : (m_str.size() < b.size() ? -1 : 1);
}

CString& CString::operator+=(const CString& text) {
    m_str += text.m_str;
    return *this;
}

CString& CString::operator+=(const char16_t* text) {
    m_str += std::u16string(ViewOf(text));
    return *this;
}

CString& CString::operator+=(char16_t ch) {
    m_str += ch;
    return *this;
}

CString& CString::operator+=(const char* ansi) {
    m_str += FromAnsi(ansi);
    return *this;
}

bool operator==(const CString& a, const char16_t* b) {
    return a.View() == ViewOf(b);
}

std::strong_ordering operator<=>(const CString& a, const CString& b) {
    return a.View() <=> b.View();
}

std::strong_ordering operator<=>(const CString& a, const char16_t* b) {
    return a.View() <=> ViewOf(b);
}

CString operator+(const CString& a, const CString& b) {
    return CString(a.Str() + b.Str());
}

CString operator+(const CString& a, const char16_t* b) {
    CString r(a);
    r += b;
    return r;
}

CString operator+(const char16_t* a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}

CString operator+(const CString& a, char16_t b) {
    CString r(a);
    r += b;
    return r;
}

CString operator+(char16_t a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}

CStringA::CStringA(const char16_t* wide) {
    if (wide == nullptr || *wide == 0) {
        return;
    }
    const int needed = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (needed <= 1) {
        return;
    }
    m_str.resize(static_cast<size_t>(needed));
    const int written = WideCharToMultiByte(CP_ACP, 0, wide, -1, m_str.data(), needed, nullptr, nullptr);
    m_str.resize(written > 0 ? static_cast<size_t>(written - 1) : 0);
}

char* CStringA::GetBuffer(int minLength) {
    const size_t capacity = std::max(m_str.size(), static_cast<size_t>(std::max(minLength, 0)));
    m_str.resize(capacity + 1);
    return m_str.data();
}

void CStringA::ReleaseBuffer(int newLength) {
    size_t length;
    if (newLength < 0) {
        length = std::min(m_str.size(), std::char_traits<char>::length(m_str.c_str()));
    } else {
        length = std::min(m_str.size(), static_cast<size_t>(newLength));
    }
    m_str.resize(length);
}

CStringA& CStringA::operator+=(const char* text) {
    if (text != nullptr) {
        m_str += std::string(text);
    }
    return *this;
}

INT_PTR CStringArray::Add(const CString& item) {
    m_items.push_back(item);
    return GetSize() - 1;
}

const CString& CStringArray::GetAt(INT_PTR index) const {
    if (index < 0 || index >= GetSize()) {
        throw std::out_of_range("CStringArray: index out of range");
    }
    return m_items[static_cast<size_t>(index)];
}

CString& CStringArray::ElementAt(INT_PTR index) {
    if (index < 0 || index >= GetSize()) {
        throw std::out_of_range("CStringArray: index out of range");
    }
    return m_items[static_cast<size_t>(index)];
}

void CStringArray::SetAt(INT_PTR index, const CString& item) {
    ElementAt(index) = item;
}

void CStringArray::InsertAt(INT_PTR index, const CString& item) {
    if (index < 0) {
        throw std::out_of_range("CStringArray: index out of range");
    }
    if (index > GetSize()) {
        m_items.resize(static_cast<size_t>(index));  // the framework grows the array up to the index
    }
    m_items.insert(m_items.begin() + index, item);
}

void CStringArray::RemoveAt(INT_PTR index, INT_PTR count) {
    if (index < 0 || count < 0 || index + count > GetSize()) {
        throw std::out_of_range("CStringArray: index out of range");
    }
    m_items.erase(m_items.begin() + index, m_items.begin() + index + count);
}
