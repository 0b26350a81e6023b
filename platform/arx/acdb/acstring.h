// The SDK's owned wide string, returned where the host would hand out an allocated copy (entity layer and
// linetype names, record names). It converts to const ACHAR* for as long as it lives.
#pragma once

#include <string>

#include "platform/arx/acut/adesk.h"

class AcString {
public:
    AcString() = default;
    AcString(const ACHAR* text) : m_text(text != nullptr ? text : u"") {}  // NOLINT: implicit as in the host
    AcString(std::u16string text) : m_text(std::move(text)) {}             // NOLINT

    const ACHAR* kACharPtr() const { return m_text.c_str(); }
    const ACHAR* constPtr() const { return m_text.c_str(); }
    operator const ACHAR*() const { return m_text.c_str(); }  // NOLINT: implicit as in the host
    bool isEmpty() const { return m_text.empty(); }
    int length() const { return static_cast<int>(m_text.size()); }
    const std::u16string& str() const { return m_text; }

    bool operator==(const AcString& other) const { return m_text == other.m_text; }
    bool operator!=(const AcString& other) const { return m_text != other.m_text; }
    bool operator==(const ACHAR* other) const { return m_text == (other != nullptr ? other : u""); }
    bool operator!=(const ACHAR* other) const { return !(*this == other); }

private:
    std::u16string m_text;
};
