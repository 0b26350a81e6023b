// Numbers as text and back, and splitting and joining of texts.
#pragma once

#include <vector>

#include "platform/mfc/cstring.h"

class CStringUtil {
public:
    virtual ~CStringUtil() = default;

    // "%d".
    static CString IntToString(int value);
    // "%f" (six decimals), whatever the magnitude.
    static CString DoubleToString(double value);
    // The number the text begins with (after blanks), 0 when it holds none.
    static double ToDouble(const CString& text);
    // Narrow text of the conversion code page, widened; null gives an empty text.
    static CString AnsiToString(const char* text);
    // Appends the pieces of the text (trailing blanks removed) between the separators; empty pieces only
    // when keepEmpty is set. A text without the separator is one piece.
    static void Split(const CString& text, const CString& separator, std::vector<CString>& parts,
                      bool keepEmpty);
    // Every part followed by the separator, then every trailing character that occurs in the separator
    // removed.
    static CString Join(const std::vector<CString>& parts, const CString& separator);
};
