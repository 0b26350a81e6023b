// The tagged property text the map application keeps in an object's remark:
//   [header]<?zavrel_ct name=...\r\n
//   "name":"value",\r\n
//   "flag":true\r\n
//   }[trailer]
// read into rows for the property list, and written back by changing only what the user edited, so that
// lines the reader does not take as properties, bare values, spacing, the header and the trailer all
// survive a round trip untouched.
#pragma once

#include <string>
#include <vector>

#include "platform/mfc/cstring.h"

inline constexpr const char16_t* kPropertyTag = u"<?zavrel_ct name=";
inline constexpr const char16_t* kHeaderRowName = u"头部信息";
inline constexpr const char16_t* kTrailerRowName = u"尾部信息";
inline constexpr const char16_t* kBoolTrue = u"bool_true";
inline constexpr const char16_t* kBoolFalse = u"bool_false";

// One property line as ParsePropertyLine reads it: the name, the value as listed (bare true and false as
// "bool_true" and "bool_false"), and where the value's text (with its quotes when quoted) lies in the line.
struct CPropertyLine {
    CString m_name;
    CString m_value;
    bool m_quoted = false;
    int m_valueStart = 0;
    int m_valueEnd = 0;
};

class CPropertyText {
public:
    enum class RowKind { kHeader, kProperty, kTrailer };
    struct Row {
        RowKind m_kind = RowKind::kProperty;
        CString m_name;
        CString m_value;  // as shown: line breaks of a header or trailer as three spaces
        bool m_quoted = false;
        int m_start = 0;  // the span of the text the row stands for
        int m_end = 0;
        bool m_edited = false;
    };

    // Whether the text is a tagged property text (the tag after its first character, as the map
    // application's texts start with "<?").
    static bool IsTagged(const CString& text);
    // True for a property line; out holds its name, value and the value's place.
    static bool ParsePropertyLine(const CString& line, CPropertyLine& out);
    // Every occurrence replaced, the search going on after each replacement.
    static CString ReplaceAll(const CString& text, const CString& from, const CString& to);
    // The first n positions of the pattern (each search one character after the previous hit), -1 for those
    // not found.
    static std::vector<int> FindFirstPositions(const CString& text, const CString& pattern, int n);

    // Reads the text into rows; false (no rows) when it holds no tag. The list ends at the first line that
    // is not a property line; such lines stay in the text.
    bool Parse(const CString& text);
    const std::vector<Row>& Rows() const { return m_rows; }
    const CString& TagLine() const { return m_tagLine; }
    // The user's new text of a row's value cell; false for a row that does not exist.
    bool SetCell(int row, const CString& text);
    bool Edited() const;
    // The text with every edited row written into its place; the text as read when nothing was edited.
    CString Text() const;

private:
    CString m_source;
    CString m_tagLine;
    std::vector<Row> m_rows;
};
