#include "plugin/exchange/PropertyText.h"

#include <algorithm>

namespace {

constexpr const char16_t* kLineEnd = u"\r\n";
constexpr const char16_t* kShownLineEnd = u"   ";  // how a header or trailer shows its line breaks in a cell
constexpr const char16_t* kEndMarker = u"\"\r\n}";

// The value cell's text as it goes into the property line: bare for the two boolean cells, else quoted.
CString ValueText(const CString& cell, bool* quoted) {
    if (cell == kBoolTrue || cell == kBoolFalse) {
        *quoted = false;
        return cell.Mid(5);
    }
    *quoted = true;
    return u"\"" + cell + u"\"";
}

}  // namespace

bool CPropertyText::IsTagged(const CString& text) {
    return text.Find(u"zavrel_ct name") >= 1;
}

bool CPropertyText::ParsePropertyLine(const CString& line, CPropertyLine& out) {
    const int colon = line.Find(u':');
    const std::vector<int> q = FindFirstPositions(line, u"\"", 4);
    if (q[0] < 0 || q[1] < 0 || colon < 0 || !(q[0] < q[1] && q[1] < colon)) {
        return false;
    }
    out.m_name = line.Mid(q[0] + 1, q[1] - q[0] - 1);
    if (q[2] >= 0 && q[3] >= 0 && q[2] < q[3] && q[2] > colon) {
        out.m_value = line.Mid(q[2] + 1, q[3] - q[2] - 1);
        out.m_quoted = true;
        out.m_valueStart = q[2];
        out.m_valueEnd = q[3] + 1;
        return true;
    }
    if (q[2] >= 0 || q[3] >= 0) {
        return false;
    }
    // A bare value: after the colon and its spaces, without a comma that ends it or trailing spaces.
    int start = colon + 1;
    while (start < line.GetLength() && line[start] == u' ') {
        ++start;
    }
    int end = line.GetLength();
    const int comma = line.Find(u',', start);
    if (comma >= 0 && comma == end - 1) {
        end = comma;
    }
    while (end > start && line[end - 1] == u' ') {
        --end;
    }
    out.m_value = line.Mid(start, end - start);
    if (out.m_value == u"true") {
        out.m_value = kBoolTrue;
    } else if (out.m_value == u"false") {
        out.m_value = kBoolFalse;
    }
    out.m_quoted = false;
    out.m_valueStart = start;
    out.m_valueEnd = end;
    return true;
}

CString CPropertyText::ReplaceAll(const CString& text, const CString& from, const CString& to) {
    if (from.IsEmpty()) {
        return text;
    }
    CString out;
    int at = 0;
    for (int hit = text.Find(from, 0); hit >= 0; hit = text.Find(from, at)) {
        out += text.Mid(at, hit - at);
        out += to;
        at = hit + from.GetLength();
    }
    out += text.Mid(at);
    return out;
}

std::vector<int> CPropertyText::FindFirstPositions(const CString& text, const CString& pattern, int n) {
    std::vector<int> positions(size_t(std::max(n, 0)), -1);
    int from = 0;
    for (int& position : positions) {
        position = text.Find(pattern, from);
        if (position < 0) {
            break;
        }
        from = position + 1;
    }
    return positions;
}

bool CPropertyText::Parse(const CString& text) {
    m_source = text;
    m_tagLine.Empty();
    m_rows.clear();
    const int tag = text.Find(kPropertyTag);
    if (tag < 0) {
        return false;
    }
    if (tag > 0) {
        Row header;
        header.m_kind = RowKind::kHeader;
        header.m_name = kHeaderRowName;
        header.m_value = ReplaceAll(text.Left(tag), kLineEnd, kShownLineEnd);
        header.m_start = 0;
        header.m_end = tag;
        m_rows.push_back(header);
    }
    // The tag line with its line break; without one it is the whole rest and there is no body.
    const int tagEnd = text.Find(kLineEnd, tag);
    const int bodyStart = tagEnd < 0 ? text.GetLength() : tagEnd + 2;
    m_tagLine = text.Mid(tag, bodyStart - tag);

    int bodyEnd = text.GetLength();
    Row trailer;
    const int marker = text.Find(kEndMarker, bodyStart);
    if (marker >= 0 && marker + 4 < text.GetLength()) {
        bodyEnd = marker + 4;
        trailer.m_kind = RowKind::kTrailer;
        trailer.m_name = kTrailerRowName;
        trailer.m_value = ReplaceAll(text.Mid(bodyEnd), kLineEnd, kShownLineEnd);
        trailer.m_start = bodyEnd;
        trailer.m_end = text.GetLength();
    }
    int at = bodyStart;
    while (at < bodyEnd) {
        const int lineEnd = text.Find(kLineEnd, at);
        if (lineEnd < 0 || lineEnd >= bodyEnd) {
            break;
        }
        CPropertyLine line;
        if (!ParsePropertyLine(text.Mid(at, lineEnd - at), line)) {
            break;
        }
        Row row;
        row.m_name = line.m_name;
        row.m_value = line.m_value;
        row.m_quoted = line.m_quoted;
        row.m_start = at + line.m_valueStart;
        row.m_end = at + line.m_valueEnd;
        m_rows.push_back(row);
        at = lineEnd + 2;
    }
    // After a bare last value the body ends with its brace alone; what follows is the trailer all the same.
    if (trailer.m_kind != RowKind::kTrailer && !m_rows.empty() && at < text.GetLength() && text[at] == u'}' &&
        at + 1 < text.GetLength()) {
        trailer.m_kind = RowKind::kTrailer;
        trailer.m_name = kTrailerRowName;
        trailer.m_value = ReplaceAll(text.Mid(at + 1), kLineEnd, kShownLineEnd);
        trailer.m_start = at + 1;
        trailer.m_end = text.GetLength();
    }
    if (trailer.m_kind == RowKind::kTrailer) {
        m_rows.push_back(trailer);
    }
    return true;
}

bool CPropertyText::SetCell(int row, const CString& text) {
    if (row < 0 || row >= static_cast<int>(m_rows.size())) {
        return false;
    }
    Row& target = m_rows[size_t(row)];
    if (target.m_value == text) {
        return true;
    }
    target.m_value = text;
    target.m_edited = true;
    return true;
}

bool CPropertyText::Edited() const {
    return std::any_of(m_rows.begin(), m_rows.end(), [](const Row& row) { return row.m_edited; });
}

CString CPropertyText::Text() const {
    CString out;
    int at = 0;
    for (const Row& row : m_rows) {
        if (!row.m_edited) {
            continue;
        }
        out += m_source.Mid(at, row.m_start - at);
        if (row.m_kind == RowKind::kProperty) {
            bool quoted = false;
            out += ValueText(row.m_value, &quoted);
        } else {
            out += ReplaceAll(row.m_value, kShownLineEnd, kLineEnd);
        }
        at = row.m_end;
    }
    out += m_source.Mid(at);
    return out;
}
