#include <gtest/gtest.h>

#include <cstdint>

#include "platform/mfc/cstring.h"
#include "platform/mfc/wideformat.h"
#include "platform/win32/core/unicode.h"

namespace {

std::string U8(const CString& s) {
    return platform::Utf16ToUtf8(s.View());
}

CString Fmt(const char16_t* format, ...) {
    va_list args;
    va_start(args, format);
    CString s;
    s.FormatV(format, args);
    va_end(args);
    return s;
}

TEST(CStringFormat, FollowsTheWideConventionsOfTheRealPlatform) {
    EXPECT_EQ(Fmt(u"%s|%S", u"中文", "\xd6\xd0\xce\xc4"),
              u"中文|中文");  // %S is narrow, in the ANSI code page
    EXPECT_EQ(Fmt(u"%ls|%hs|%ws", u"a", "b", u"c"), u"a|b|c");
    EXPECT_EQ(Fmt(u"%s", static_cast<const char16_t*>(nullptr)), u"(null)");
    EXPECT_EQ(Fmt(u"%c%C%%", u'中', 'x'), u"中x%");
    EXPECT_EQ(Fmt(u"%I64d %I64u %I64x", INT64_MIN, UINT64_MAX, int64_t{0xABCDEF012345}),
              u"-9223372036854775808 18446744073709551615 abcdef012345");
    EXPECT_EQ(Fmt(u"%lld|%ld|%lu", -5LL, -7, 4000000000u), u"-5|-7|4000000000");
    EXPECT_EQ(Fmt(u"[%5d][%-5d][%05d][%+d][% d]", 42, 42, 42, 42, 42), u"[   42][42   ][00042][+42][ 42]");
    EXPECT_EQ(Fmt(u"%x %X %#x %o %u", 255, 255, 255, 8, 3u), u"ff FF 0xff 10 3");
    EXPECT_EQ(Fmt(u"%.2f %f %e %g %.1lf", 3.14159, 1.5, 12345.678, 0.0001, 2.25),
              u"3.14 1.500000 1.234568e+04 0.0001 2.2");
    EXPECT_EQ(Fmt(u"[%*d][%-*d][%.*f]", 4, 7, 3, 7, 1, 2.345), u"[   7][7  ][2.3]");
    EXPECT_EQ(Fmt(u"[%6s][%-6s][%.2s]", u"ab", u"ab", u"abcdef"), u"[    ab][ab    ][ab]");
    EXPECT_EQ(Fmt(u"%p", reinterpret_cast<void*>(0x1F)), u"000000000000001F");
    EXPECT_EQ(Fmt(u"100%"), u"100%");  // a lone '%' at the end is kept

    // Two-stage formats build the format first.
    CString format;
    format.Format(u"<%%.%df>:", 2);
    EXPECT_EQ(format, u"<%.2f>:");
    EXPECT_EQ(Fmt(format, 2.5), u"<2.50>:");
    format.Format(u"%%0.%df", 3);
    EXPECT_EQ(Fmt(format, 3.14159), u"3.142");

    CString s(u"x=");
    s.AppendFormat(u"%d,%s", 1, u"y");
    EXPECT_EQ(s, u"x=1,y");
}

TEST(CString, LeftMidRightClampAsTheFrameworkDoes) {
    const CString s(u"abcdef");
    EXPECT_EQ(s.Left(-1), u"");
    EXPECT_EQ(s.Left(2), u"ab");
    EXPECT_EQ(s.Left(99), u"abcdef");
    EXPECT_EQ(s.Mid(-3), u"abcdef");
    EXPECT_EQ(s.Mid(4), u"ef");
    EXPECT_EQ(s.Mid(9), u"");
    EXPECT_EQ(s.Mid(2, 2), u"cd");
    EXPECT_EQ(s.Mid(4, 10), u"ef");
    EXPECT_EQ(s.Mid(1, -2), u"");
    EXPECT_EQ(s.Right(-1), u"");
    EXPECT_EQ(s.Right(2), u"ef");
    EXPECT_EQ(s.Right(10), u"abcdef");
    // ReverseFind of a missing character feeds Left(-1).
    EXPECT_EQ(s.Left(s.ReverseFind(u'\\')), u"");
}

TEST(CString, FindTrimCompareAndEdit) {
    const CString path(u"C:\\a\\b\\M.arx");
    EXPECT_EQ(path.Find(u'\\'), 2);
    EXPECT_EQ(path.Find(u'\\', 3), 4);
    EXPECT_EQ(path.Find(u'\\', 99), -1);
    EXPECT_EQ(path.Find(u"b\\"), 5);
    EXPECT_EQ(path.Find(u"b\\", 6), -1);
    EXPECT_EQ(path.Find(u"", 3), 3);
    EXPECT_EQ(path.ReverseFind(u'\\'), 6);
    EXPECT_EQ(path.Left(path.ReverseFind(u'\\')), u"C:\\a\\b");
    EXPECT_EQ(path.FindOneOf(u".:"), 1);

    CString t(u" \t中文 　\r\n");
    t.TrimRight();
    EXPECT_EQ(t, u" \t中文");
    t.TrimLeft();
    EXPECT_EQ(t, u"中文");
    CString j(u"a,b,,;");
    j.TrimRight(u",;");
    EXPECT_EQ(j, u"a,b");
    CString k(u"xxaxx");
    k.Trim(u'x');
    EXPECT_EQ(k, u"a");

    EXPECT_EQ(CString(u"Yes").CompareNoCase(u"yES"), 0);
    EXPECT_LT(CString(u"abc").CompareNoCase(u"ABD"), 0);
    EXPECT_GT(CString(u"b").Compare(u"a"), 0);
    EXPECT_NE(CString(u"Yes"), u"yes");  // == is exact
    EXPECT_TRUE(CString(u"a") < CString(u"b"));
    CString up(u"dxf中");
    EXPECT_EQ(up.MakeUpper(), u"DXF中");

    CString e(u"a-b-c");
    EXPECT_EQ(e.Replace(u"-", u"--"), 2);
    EXPECT_EQ(e, u"a--b--c");
    EXPECT_EQ(e.Remove(u'-'), 4);
    EXPECT_EQ(e.Insert(1, u"XY"), 5);
    EXPECT_EQ(e.Delete(0, 2), 3);
    EXPECT_EQ(e, u"Ybc");
    EXPECT_EQ(e.Delete(2, 10), 2);

    const CString list(u" a, b ,,c");
    int start = 0;
    std::vector<CString> tokens;
    for (CString tok = list.Tokenize(u", ", start); start != -1; tok = list.Tokenize(u", ", start)) {
        tokens.push_back(tok);
    }
    ASSERT_EQ(tokens.size(), 3u);
    EXPECT_EQ(tokens[2], u"c");
    EXPECT_EQ(CString(u"123abc").SpanIncluding(u"0123456789"), u"123");
}

TEST(CString, BufferAccessAndNarrowConversion) {
    CString s(u"abc");
    char16_t* buffer = s.GetBuffer(10);
    const std::u16string text = u"0123456789";
    std::copy(text.begin(), text.end(), buffer);
    buffer[10] = 0;  // the terminator slot belongs to the caller too
    s.ReleaseBuffer();
    EXPECT_EQ(s, u"0123456789");
    buffer = s.GetBuffer(3);
    buffer[2] = 0;
    s.ReleaseBuffer();
    EXPECT_EQ(s, u"01");
    s.GetBuffer(5);
    s.ReleaseBuffer(1);
    EXPECT_EQ(s, u"0");
    EXPECT_EQ(s.GetLength(), 1);

    EXPECT_EQ(CString("\xd6\xd0\xce\xc4"), u"中文");  // narrow text is in the ANSI code page
    EXPECT_EQ(CStringA(CString(u"中文")).Str(), "\xd6\xd0\xce\xc4");
    EXPECT_EQ(U8(CString(u'-', 3)), "---");
    EXPECT_THROW((void)CString(u"ab").GetAt(2), std::out_of_range);
    EXPECT_EQ(CString(u"ab")[1], u'b');
}

}  // namespace
