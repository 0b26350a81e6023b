// The tagged property text of a received object's remark, as the property dialog reads and writes it: the
// input is the text in UTF-16 units (two bytes each, so unpaired surrogates come too). Unedited, the text
// comes back as it was; the rows' spans lie in order within it; and a quoted value set to a plain word
// reads back as that word with every other row as it was.
#include <string>

#include "fuzz/entries/entries.h"
#include "plugin/exchange/PropertyText.h"

namespace tarnfuzz {

std::string RunPropertyText(const std::uint8_t* data, std::size_t size) {
    std::u16string units(size / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    const CString text(units.c_str(), static_cast<int>(units.size()));
    CPropertyText read;
    read.Parse(text);
    if (read.Text() != text) {
        return "an unedited text did not come back as it was";
    }
    const std::vector<CPropertyText::Row>& rows = read.Rows();
    int at = 0;
    for (const CPropertyText::Row& row : rows) {
        if (row.m_start < at || row.m_end < row.m_start || row.m_end > text.GetLength()) {
            return "a row's span lies outside the text or before the previous row's";
        }
        at = row.m_end;
    }
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].m_kind != CPropertyText::RowKind::kProperty || !rows[i].m_quoted ||
            rows[i].m_value == u"v") {
            continue;
        }
        CPropertyText edited;
        edited.Parse(text);
        edited.SetCell(static_cast<int>(i), u"v");
        CPropertyText again;
        again.Parse(edited.Text());
        if (again.Rows().size() != rows.size()) {
            return "editing a value changed the number of rows";
        }
        for (size_t j = 0; j < rows.size(); ++j) {
            const CString& want = j == i ? CString(u"v") : rows[j].m_value;
            if (again.Rows()[j].m_value != want || again.Rows()[j].m_name != rows[j].m_name) {
                return "editing row " + std::to_string(i) + " changed what row " + std::to_string(j) +
                       " reads";
            }
        }
    }
    return {};
}

}  // namespace tarnfuzz
