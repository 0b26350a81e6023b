// Wildcard matching, the byte-string helpers and the UTF-8, UTF-16 and ANSI conversions.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "plugin/cutil/cutil.h"

namespace {

// An exact-size heap copy with its NUL, so a walk past the end shows under ASan.
struct Copy {
    explicit Copy(const std::string& text) : data(new char[text.size() + 1]) {
        std::memcpy(data.get(), text.c_str(), text.size() + 1);
    }
    char* get() { return data.get(); }
    std::unique_ptr<char[]> data;
};

TEST(WildcardMatch, StarQuestionMarkAndCaseWithoutBacktracking) {
    EXPECT_EQ(WildcardMatch("ABC", "a*c"), 1);
    EXPECT_EQ(WildcardMatch("abc", "*b"), 0);  // text left after the match
    EXPECT_EQ(WildcardMatch("abc", "ab*"), 1);
    EXPECT_EQ(WildcardMatch("abc", "a?c"), 1);
    EXPECT_EQ(WildcardMatch("abc", "a?"), 0);
    EXPECT_EQ(WildcardMatch("ab", "a??"), 0);
    EXPECT_EQ(WildcardMatch("abc", "*"), 1);
    EXPECT_EQ(WildcardMatch("", "*"), 1);
    EXPECT_EQ(WildcardMatch("", ""), 1);
    EXPECT_EQ(WildcardMatch("", "**"), 0);  // only exactly "*" may be left
    EXPECT_EQ(WildcardMatch("a", ""), 0);
    EXPECT_EQ(WildcardMatch("Drawing1.DXF", "*.dxf"), 1);
    EXPECT_EQ(WildcardMatch("tile_12_7.png", "tile_*_?.PNG"), 1);
    EXPECT_EQ(WildcardMatch("abc", "**c"), 1);
    EXPECT_EQ(WildcardMatch("abxc", "a*?c"), 1);
    EXPECT_EQ(WildcardMatch("ac", "a*?c"), 0);
    EXPECT_EQ(WildcardMatch("abc", "a*??"), 1);
    EXPECT_EQ(WildcardMatch("ab", "a*??"), 0);
    // Only the first occurrence after a "*" is tried.
    EXPECT_EQ(WildcardMatch("abcb", "*b"), 0);
    EXPECT_EQ(WildcardMatch("abcbd", "*b?"), 0);
    EXPECT_EQ(WildcardMatch("中文.dxf", "中*.dxf"), 1);
    EXPECT_EQ(WildcardMatch(nullptr, "*"), 0);
}

TEST(StringHelpers, SplitReplaceTrimAndSpans) {
    char before[8];
    char after[8];
    EXPECT_EQ(SplitAt("key=value", "=", before, sizeof(before), after, sizeof(after)), 1);
    EXPECT_STREQ(before, "key");
    EXPECT_STREQ(after, "value");
    EXPECT_EQ(SplitAt("alone", "=", before, sizeof(before), after, sizeof(after)), 0);
    EXPECT_STREQ(before, "alone");
    EXPECT_STREQ(after, "");
    EXPECT_EQ(SplitAt("a==b", "==", before, sizeof(before), after, sizeof(after)), 1);
    EXPECT_STREQ(after, "b");
    EXPECT_EQ(SplitAt("k=12345678", "=", before, sizeof(before), after, sizeof(after)), -1);
    EXPECT_STREQ(before, "");

    char text[16] = "a-b-c-d";
    EXPECT_EQ(ReplaceAll(text, sizeof(text), "-", "--", 2), 2);
    EXPECT_STREQ(text, "a--b--c-d");
    EXPECT_EQ(ReplaceAll(text, sizeof(text), "--", "+", 0), 2);
    EXPECT_STREQ(text, "a+b+c-d");
    EXPECT_EQ(ReplaceAll(text, sizeof(text), "aa", "b", 0), 0);
    // Continues after each replacement: "aa" by "aaa" ends.
    char grow[16] = "aa";
    EXPECT_EQ(ReplaceAll(grow, sizeof(grow), "a", "aa", 0), 2);
    EXPECT_STREQ(grow, "aaaa");
    // A result that does not fit leaves the text as it was.
    char tight[8] = "x.y.z";
    EXPECT_EQ(ReplaceAll(tight, sizeof(tight), ".", "...", 0), -1);
    EXPECT_STREQ(tight, "x.y.z");
    EXPECT_EQ(ReplaceAll(tight, sizeof(tight), ".", "..", 0), 2);
    EXPECT_STREQ(tight, "x..y..z");

    char spaced[] = " \t\r\n mid dle \n\t";
    EXPECT_STREQ(TrimWhitespace(spaced), "mid dle");
    char blank[] = " \r\n";
    EXPECT_STREQ(TrimWhitespace(blank), "");

    char spans[] = "a<!--x-->b<!--y-->c<!--open";
    EXPECT_EQ(RemoveSpans(spans, "<!--", "-->"), 2);
    EXPECT_STREQ(spans, "abc<!--open");

    char mixed[] = "MiXed 中 Case1";
    EXPECT_STREQ(ToLowerAscii(mixed), "mixed 中 case1");
    EXPECT_STREQ(ToUpperAscii(mixed), "MIXED 中 CASE1");
}

TEST(StringHelpers, SearchesAffixesAndSets) {
    const char* text = "Hello World, hello";
    EXPECT_EQ(FindNoCase(text, "WORLD"), text + 6);
    EXPECT_EQ(FindNoCase(text, "xyz"), nullptr);
    EXPECT_EQ(FindLast(text, "ello"), text + 14);
    EXPECT_EQ(FindLast(text, "Hello World, hello!"), nullptr);
    EXPECT_EQ(FindLastChar(text, 'o'), text + 17);
    EXPECT_EQ(FindAnyOf(text, ",!"), text + 11);
    EXPECT_EQ(FindAnyOf(text, "!?"), nullptr);
    EXPECT_EQ(CountCharsIn(text, "lo", -1), 8);
    EXPECT_EQ(CountCharsIn(text, "lo", 5), 3);
    EXPECT_STREQ(SkipChars("  \tx y", " \t"), "x y");
    EXPECT_EQ(AnyCharIn("abc", "xyc"), 1);
    EXPECT_EQ(AnyCharIn("abc", "xyz"), 0);
    EXPECT_EQ(AllCharsIn("1.2.3", "0123456789."), 1);
    EXPECT_EQ(AllCharsIn("1.2.3a", "0123456789."), 0);

    EXPECT_EQ(StartsWithNoCase("C:\\Drawings", "c:\\drawings"), 0);
    EXPECT_EQ(StartsWithNoCase("C:", "c:\\x"), -1);
    EXPECT_EQ(EndsWith("plan.dxf", ".dxf"), 0);
    EXPECT_EQ(EndsWith("plan.DXF", ".dxf"), -1);
    EXPECT_EQ(EndsWith("f", ".dxf"), -1);
    EXPECT_EQ(EndsWithNoCase("plan.DXF", ".dxf"), 0);
    EXPECT_EQ(EndsWithNoCase("x", "xx"), -1);

    const char* same = "abc";
    EXPECT_EQ(CompareNoCaseN(same, same, 3), 0);
    EXPECT_EQ(CompareNoCaseN(nullptr, "a", 1), -1);
    EXPECT_EQ(CompareNoCaseN("a", nullptr, 1), 1);
    EXPECT_EQ(CompareNoCaseN("ABx", "aby", 2), 0);
    EXPECT_LT(CompareNoCaseN("ABx", "aby", 3), 0);
}

TEST(StringHelpers, LinesAndBoundedCopies) {
    const char* text = "first line\r\nsecond\r\nno end";
    char line[6];
    const char* next = GetLine(text, line, sizeof(line));
    EXPECT_STREQ(line, "first");  // cut to the buffer
    ASSERT_NE(next, nullptr);
    EXPECT_STREQ(next, "second\r\nno end");
    next = GetLine(next, line, sizeof(line));
    EXPECT_STREQ(line, "secon");
    EXPECT_EQ(GetLine(next, line, sizeof(line)), nullptr);
    EXPECT_STREQ(line, "");

    char target[6];
    std::memset(target, 'x', sizeof(target));
    CopyBounded(target, sizeof(target), "abcdefgh");
    EXPECT_STREQ(target, "abcde");
    CopyBounded(target, sizeof(target), "ab");
    EXPECT_EQ(std::memcmp(target, "ab\0\0\0\0", 6), 0);  // zero-filled
    AppendBounded(target, sizeof(target), "cd");
    EXPECT_STREQ(target, "abcd");
    AppendBounded(target, sizeof(target), "efg");
    EXPECT_STREQ(target, "abcde");
    AppendBounded(target, sizeof(target), "z");
    EXPECT_STREQ(target, "abcde");
}

TEST(Utf8, WidthsSkipsAndValidity) {
    const std::string zhong = "\xE4\xB8\xAD";  // 中
    const std::string e = "\xC3\xA9";          // é
    const std::string text = "a" + e + zhong + "b";
    Copy copy(text);
    EXPECT_EQ(Utf8Width(copy.get()), 6);
    EXPECT_EQ(Utf8Skip(copy.get(), 2), copy.get() + 3);
    EXPECT_EQ(Utf8Skip(copy.get(), 4), copy.get() + text.size());
    EXPECT_EQ(Utf8Skip(copy.get(), 5), nullptr);
    EXPECT_EQ(Utf8SkipBack(copy.get(), 1), copy.get() + 6);
    EXPECT_EQ(Utf8SkipBack(copy.get(), 2), copy.get() + 3);
    EXPECT_EQ(Utf8SkipBack(copy.get(), 4), copy.get());
    EXPECT_EQ(Utf8SkipBack(copy.get(), 5), nullptr);
    EXPECT_EQ(IsValidUtf8(copy.get()), 1);

    // A broken last character, a stray continuation byte and a four-byte character are invalid.
    Copy broken("ab" + zhong + "\xE4\xB8");
    EXPECT_EQ(IsValidUtf8(broken.get()), 0);
    EXPECT_EQ(Utf8Width(broken.get()), 4);
    EXPECT_EQ(Utf8SkipBack(broken.get(), 1), nullptr);
    EXPECT_EQ(Utf8Skip(broken.get(), 3), broken.get() + 5);
    EXPECT_EQ(Utf8Skip(broken.get(), 4), nullptr);
    EXPECT_EQ(BlankInvalidUtf8(broken.get()), 2);
    EXPECT_EQ(std::string(broken.get()), "ab" + zhong + "  ");

    Copy mixed("x\x80y\xF0\x9F\x98\x80z" + e);
    EXPECT_EQ(IsValidUtf8(mixed.get()), 0);
    EXPECT_EQ(BlankInvalidUtf8(mixed.get()), 5);
    EXPECT_EQ(std::string(mixed.get()), "x y    z" + e);
    EXPECT_EQ(IsValidUtf8(mixed.get()), 1);
    EXPECT_EQ(IsValidUtf8(""), 1);
    EXPECT_EQ(IsValidUtf8(nullptr), 0);
}

TEST(Utf16, MeasuresAndConversions) {
    EXPECT_EQ(Utf16Width(u"aé中"), 4);
    EXPECT_EQ(Utf16Length(u"aé中"), 3);
    EXPECT_EQ(Utf16Length(nullptr), 0);

    char* utf8 = Utf16ToUtf8Alloc(u"a中é", 0);
    ASSERT_NE(utf8, nullptr);
    EXPECT_STREQ(utf8, "a\xE4\xB8\xAD\xC3\xA9");
    std::free(utf8);
    const char16_t swapped[] = {0x6100, 0x2D4E, 0};  // "a中" byte-swapped
    utf8 = Utf16ToUtf8Alloc(swapped, 1);
    ASSERT_NE(utf8, nullptr);
    EXPECT_STREQ(utf8, "a\xE4\xB8\xAD");
    std::free(utf8);
    // Three-byte characters all along fit the block.
    const std::u16string cjk(500, u'中');
    utf8 = Utf16ToUtf8Alloc(cjk.c_str(), 0);
    ASSERT_NE(utf8, nullptr);
    EXPECT_EQ(std::strlen(utf8), 1500u);
    std::free(utf8);

    // The link's converters: four-byte characters dropped, surrogates written one by one, room checked.
    int count = -1;
    char16_t wide[16];
    Utf8ToUtf16Lib("a\xF0\x9F\x98\x80\xE4\xB8\xAD", wide, &count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(std::u16string(wide), u"a中");
    Utf8ToUtf16Lib("ab\xF0\x9F", wide, &count);  // a four-byte lead near the end stops the walk
    EXPECT_EQ(std::u16string(wide), u"ab");
    char16_t* allocated = Utf8ToUtf16Lib("\xC3\xA9x", nullptr, &count);
    ASSERT_NE(allocated, nullptr);
    EXPECT_EQ(std::u16string(allocated), u"éx");
    std::free(allocated);

    char out[8];
    EXPECT_EQ(Utf16ToUtf8Lib(u"\xD83D\xDE00", out, sizeof(out)), 6);
    EXPECT_STREQ(out, "\xED\xA0\xBD\xED\xB8\x80");
    EXPECT_EQ(Utf16ToUtf8Lib(u"ab中", out, 5), 2);  // three bytes need four of room
    EXPECT_STREQ(out, "ab");
    EXPECT_EQ(Utf16ToUtf8Lib(u"ab中", out, 6), 5);
}

TEST(Ansi, ConversionsThroughTheCodePage) {
    // 中 is D6 D0 in the ANSI code page (GBK).
    char* ansi = Utf8ToAnsi("a\xE4\xB8\xAD");
    ASSERT_NE(ansi, nullptr);
    EXPECT_STREQ(ansi, "a\xD6\xD0");
    char16_t* wide = AnsiToUtf16Alloc(ansi);
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(std::u16string(wide), u"a中");
    std::free(wide);
    char utf8[8];
    EXPECT_EQ(AnsiToUtf8(ansi, utf8, sizeof(utf8)), 4);
    EXPECT_STREQ(utf8, "a\xE4\xB8\xAD");
    EXPECT_EQ(AnsiToUtf8(ansi, utf8, 4), -1);  // whole or nothing
    EXPECT_STREQ(utf8, "");
    std::free(ansi);

    char out[8];
    EXPECT_EQ(Utf16ToAnsi(u"中\u0E01", out, sizeof(out)), 3);  // no Thai in the code page
    EXPECT_STREQ(out, "\xD6\xD0?");
    EXPECT_EQ(Utf8ToAnsiBounded("a\xE4\xB8\xAD", out, sizeof(out)), 3);
    EXPECT_STREQ(out, "a\xD6\xD0");
    EXPECT_EQ(Utf8ToAnsiBounded("a\xE4\xB8\xAD", out, 3), -1);
    EXPECT_EQ(Utf8ToAnsiBounded("bad\xFF", out, sizeof(out)), -1);  // invalid UTF-8 is refused
    EXPECT_EQ(Utf8ToAnsi("bad\xC3"), nullptr);
}

}  // namespace
