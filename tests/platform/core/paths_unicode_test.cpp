#include <gtest/gtest.h>

#include "platform/win32/core/paths.h"
#include "platform/win32/core/unicode.h"

namespace {

TEST(PathMapping, WindowsFormsMapToTheHostAndBack) {
    EXPECT_EQ(platform::ToHostPath(u"C:\\home\\u\\a.dxf"), "/home/u/a.dxf");
    EXPECT_EQ(platform::ToHostPath(u"c:/home/u"), "/home/u");
    EXPECT_EQ(platform::ToHostPath(u"C:"), "/");
    EXPECT_EQ(platform::ToHostPath(u"\\tmp\\x"), "/tmp/x");
    EXPECT_EQ(platform::ToHostPath(u"/tmp/x"), "/tmp/x");
    EXPECT_EQ(platform::ToHostPath(u"rel\\dir\\f.txt"), "rel/dir/f.txt");
    EXPECT_EQ(platform::ToHostPath(u"C:\\图纸\\一.dxf"), "/图纸/一.dxf");

    std::string out = "untouched";
    EXPECT_FALSE(platform::ToHostPath(u"D:\\data", out));
    EXPECT_FALSE(platform::ToHostPath(u"\\\\server\\share", out));
    const char16_t lone[] = {u'C', u':', u'\\', 0xD800, 0};
    EXPECT_FALSE(platform::ToHostPath(lone, out));
    EXPECT_EQ(out, "untouched");

    EXPECT_EQ(platform::ToWindowsPath("/home/u/a.dxf"), u"C:\\home\\u\\a.dxf");
    EXPECT_EQ(platform::ToWindowsPath("/"), u"C:\\");
    EXPECT_EQ(platform::ToWindowsPath("a/b"), u"a\\b");
    EXPECT_EQ(platform::ToHostPath(platform::ToWindowsPath("/x/图/y z")), "/x/图/y z");
}

TEST(Unicode, StrictAndLenientConversions) {
    bool ok = false;
    EXPECT_EQ(platform::Utf8ToUtf16("a\xE4\xB8\x80\xF0\x9F\x98\x80", true, &ok), u"a一\U0001F600");
    EXPECT_TRUE(ok);
    // Overlong form, surrogate, truncated sequence and stray continuation bytes are refused when strict.
    for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "\xE4\xB8", "\x80", "\xF5\x80\x80\x80"}) {
        EXPECT_TRUE(platform::Utf8ToUtf16(bad, true, &ok).empty()) << bad;
        EXPECT_FALSE(ok);
    }
    EXPECT_EQ(platform::Utf8ToUtf16("x\xE4\xB8", false, &ok), u"x\uFFFD\uFFFD");
    const char16_t lone[] = {u'a', 0xDC00, 0};
    EXPECT_EQ(platform::Utf16ToUtf8(lone), "a\xEF\xBF\xBD");
    EXPECT_TRUE(platform::Utf16ToUtf8(lone, true, &ok).empty());
    EXPECT_FALSE(ok);
    EXPECT_TRUE(platform::EqualsNoCase(u"TarnWin", u"tarnwin"));
    EXPECT_LT(platform::CompareNoCase(u"abc", u"ABD"), 0);
    EXPECT_EQ(platform::WideLength(u"一二"), 2u);
}

}  // namespace
