// The tagged property text: read into rows, written back with only the edited values changed.
#include <gtest/gtest.h>

#include "plugin/exchange/PropertyText.h"

namespace {

using Kind = CPropertyText::RowKind;

using CellList = std::vector<std::pair<std::u16string, std::u16string>>;

CellList Cells(const CPropertyText& text) {
    CellList out;
    for (const auto& row : text.Rows()) {
        out.emplace_back(row.m_name.Str(), row.m_value.Str());
    }
    return out;
}

const CString kTag = u"<?zavrel_ct name=\"井\"?>\r\n";

TEST(PropertyText, ReadsPropertiesAndWritesTheEditedValueInItsPlace) {
    const CString text = kTag + u"\"a\":\"1\",\r\n\"b\":true\r\n}";
    CPropertyText model;
    ASSERT_TRUE(model.Parse(text));
    const CellList expected = {{u"a", u"1"}, {u"b", u"bool_true"}};
    EXPECT_EQ(Cells(model), expected);
    EXPECT_EQ(model.TagLine(), kTag);
    EXPECT_FALSE(model.Edited());
    EXPECT_EQ(model.Text(), text);

    ASSERT_TRUE(model.SetCell(0, u"2"));
    ASSERT_TRUE(model.SetCell(1, u"bool_false"));
    EXPECT_TRUE(model.Edited());
    EXPECT_EQ(model.Text(), kTag + u"\"a\":\"2\",\r\n\"b\":false\r\n}");
    // A boolean turned into any other text is written quoted.
    model.SetCell(1, u"maybe");
    EXPECT_EQ(model.Text(), kTag + u"\"a\":\"2\",\r\n\"b\":\"maybe\"\r\n}");
    EXPECT_FALSE(model.SetCell(2, u"x"));
}

TEST(PropertyText, HeaderTrailerAndLinesItCannotReadSurviveUntouched) {
    const CString text = u"前言\r\n第二行" + kTag +
                         u"\"url\":\"http://a:8080\",\r\n\"n\": 12 ,\r\n\"ok\":false,\r\nnot a property\r\n"
                         u"\"late\":\"x\"\r\n}尾\r\n巴";
    CPropertyText model;
    ASSERT_TRUE(model.Parse(text));
    const auto cells = Cells(model);
    ASSERT_EQ(cells.size(), 5u);
    EXPECT_EQ(cells[0], std::make_pair(std::u16string(u"头部信息"), std::u16string(u"前言   第二行")));
    EXPECT_EQ(cells[1].second, u"http://a:8080");  // a quoted value keeps its colon
    EXPECT_EQ(cells[2].second, u"12");             // a bare value other than true or false, as it stands
    EXPECT_EQ(cells[3].second, u"bool_false");
    EXPECT_EQ(cells[4], std::make_pair(std::u16string(u"尾部信息"), std::u16string(u"尾   巴")));
    EXPECT_EQ(model.Rows()[0].m_kind, Kind::kHeader);
    EXPECT_EQ(model.Rows()[4].m_kind, Kind::kTrailer);
    EXPECT_EQ(model.Text(), text);

    // One value edited: nothing else of the text moves.
    model.SetCell(3, u"bool_true");
    CString expected = text;
    expected.Replace(u"\"ok\":false", u"\"ok\":true");
    EXPECT_EQ(model.Text(), expected);
    // The header and the trailer edited: their three spaces are line breaks again.
    model.SetCell(0, u"新   头");
    model.SetCell(4, u"新尾");
    EXPECT_TRUE(model.Text().Find(u"新\r\n头<?zavrel_ct") == 0);
    EXPECT_EQ(model.Text().Right(8), CString(u"\"x\"\r\n}新尾"));
}

TEST(PropertyText, TextsWithoutTagOrBreaksAreNotLists) {
    CPropertyText model;
    EXPECT_FALSE(CPropertyText::IsTagged(u"plain remark"));
    EXPECT_FALSE(CPropertyText::IsTagged(u"zavrel_ct name at the start"));
    EXPECT_TRUE(CPropertyText::IsTagged(kTag));
    EXPECT_FALSE(model.Parse(u"plain remark"));
    EXPECT_TRUE(model.Rows().empty());
    // A tag without a line break: the tag line is the rest, there is no body.
    ASSERT_TRUE(model.Parse(u"<?zavrel_ct name=\"x\"?>"));
    EXPECT_TRUE(model.Rows().empty());
    EXPECT_EQ(model.TagLine(), CString(u"<?zavrel_ct name=\"x\"?>"));
    // Unbalanced quotes end the list; the text stays as typed.
    const CString odd = kTag + u"\"a\":\"1,\r\n\"b\":\"2\"\r\n}";
    ASSERT_TRUE(model.Parse(odd));
    EXPECT_TRUE(model.Rows().empty());
    EXPECT_EQ(model.Text(), odd);
}

TEST(PropertyText, LineParserAndHelpers) {
    CPropertyLine line;
    EXPECT_TRUE(CPropertyText::ParsePropertyLine(u"\"k\":\"v:w\",", line));
    EXPECT_EQ(line.m_value, CString(u"v:w"));
    EXPECT_TRUE(line.m_quoted);
    EXPECT_TRUE(CPropertyText::ParsePropertyLine(u"\"k\":  true  ,", line));
    EXPECT_EQ(line.m_value, CString(u"bool_true"));
    EXPECT_FALSE(CPropertyText::ParsePropertyLine(u"k:\"v\"", line));
    EXPECT_FALSE(CPropertyText::ParsePropertyLine(u"\"k\":\"v", line));
    EXPECT_FALSE(CPropertyText::ParsePropertyLine(u"}", line));

    EXPECT_EQ(CPropertyText::ReplaceAll(u"aXbXX", u"X", u"XX"), CString(u"aXXbXXXX"));
    EXPECT_EQ(CPropertyText::FindFirstPositions(u"a\"b\"", u"\"", 3), (std::vector<int>{1, 3, -1}));
}

}  // namespace
