#include "plugin/arxutil/StringUtil.h"

#include <locale.h>
#include <stdio.h>
#include <stdlib.h>

namespace {

// Room for "%f" of any double: 309 integer digits, sign, point and six decimals.
constexpr size_t kNumberBuffer = 330;

locale_t CLocale() {
    static const locale_t locale = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
    return locale;
}

}  // namespace

CString CStringUtil::IntToString(int value) {
    char text[16] = {0};
    snprintf(text, sizeof text, "%d", value);
    return CString(text);
}

CString CStringUtil::DoubleToString(double value) {
    char text[kNumberBuffer] = {0};
    snprintf(text, sizeof text, "%f", value);
    return CString(text);
}

double CStringUtil::ToDouble(const CString& text) {
    // Numbers are read in the "C" locale whatever the process's locale is.
    const CStringA narrow(text);
    return strtod_l(narrow.GetString(), nullptr, CLocale());
}

CString CStringUtil::AnsiToString(const char* text) {
    return CString(text != nullptr ? text : "");
}

void CStringUtil::Split(const CString& text, const CString& separator, std::vector<CString>& parts,
                        bool keepEmpty) {
    CString whole = text;
    whole.TrimRight();
    // An empty separator is found everywhere and would never move on.
    if (separator.IsEmpty() || whole.Find(separator) < 0) {
        if (!whole.IsEmpty()) {
            parts.push_back(whole);
        }
        return;
    }
    int start = 0;
    for (;;) {
        const int next = whole.Find(separator, start);
        const CString piece = next < 0 ? whole.Mid(start) : whole.Mid(start, next - start);
        if (keepEmpty || !piece.IsEmpty()) {
            parts.push_back(piece);
        }
        if (next < 0) {
            break;
        }
        start = next + separator.GetLength();
    }
}

CString CStringUtil::Join(const std::vector<CString>& parts, const CString& separator) {
    CString joined;
    for (const CString& part : parts) {
        joined += part;
        joined += separator;
    }
    if (!separator.IsEmpty()) {
        joined.TrimRight(separator.GetString());
    }
    return joined;
}
