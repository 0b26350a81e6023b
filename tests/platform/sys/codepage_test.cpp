#include <gtest/gtest.h>

#include <string>

#include "platform/win32/sys/sys_api.h"

namespace {

std::u16string ToWide(UINT page, DWORD flags, const std::string& bytes, int* result = nullptr) {
    char16_t buffer[64] = {};
    const int n = MultiByteToWideChar(page, flags, bytes.data(), static_cast<int>(bytes.size()), buffer, 64);
    if (result != nullptr) {
        *result = n;
    }
    return std::u16string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

TEST(CodePages, GbkRoundTripAndCounts) {
    // 日 is C8 D5, 一 is D2 BB in GBK.
    const char gbk[] = "a\xC8\xD5\xD2\xBB";
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, gbk, -1, nullptr, 0), 4);  // with the NUL
    char16_t wide[8];
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, gbk, -1, wide, 8), 4);
    EXPECT_EQ(std::u16string(wide), u"a日一");

    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"a日一", -1, nullptr, 0, nullptr, nullptr), 6);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"a日一", 3, nullptr, 0, nullptr, nullptr), 5);  // no NUL
    char narrow[8] = {};
    BOOL used = TRUE;
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, u"a日一", -1, narrow, 8, nullptr, &used), 6);
    EXPECT_STREQ(narrow, gbk);
    EXPECT_FALSE(used);

    // Too small a buffer fails with 122; a negative capacity is a bad parameter.
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"a日一", -1, narrow, 5, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, gbk, -1, wide, 3), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, gbk, -1, wide, -1), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(MultiByteToWideChar(12345, 0, gbk, -1, wide, 8), 0);  // no such page
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    // The other pages drawing files name, both ways.
    const char latin[] = "caf\xE9";
    EXPECT_EQ(MultiByteToWideChar(1252, 0, latin, -1, wide, 8), 5);
    EXPECT_EQ(std::u16string(wide), u"café");
    char western[16] = {};
    EXPECT_EQ(WideCharToMultiByte(1252, 0, u"café€日", -1, western, 16, nullptr, nullptr), 7);
    EXPECT_EQ(std::string(western), "caf\xE9\x80?");
    EXPECT_EQ(MultiByteToWideChar(950, 0, "\xA4\xA4", 2, wide, 8), 1);
    EXPECT_EQ(wide[0], u'中');
}

TEST(CodePages, UnmappableCharactersBecomeTheDefault) {
    char narrow[16] = {};
    BOOL used = FALSE;
    // An emoji (a surrogate pair) and a lone surrogate: one '?' each.
    const char16_t text[] = {u'x', 0xD83D, 0xDE00, u'y', 0xDC00, 0};
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, 16, nullptr, &used), 5);
    EXPECT_STREQ(narrow, "x?y?");
    EXPECT_TRUE(used);
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, u"\u00E9\u3042", -1, narrow, 16, "#", &used), 5);  // é あ in GBK
    EXPECT_TRUE(WideCharToMultiByte(CP_ACP, 0, u"\u0E01", -1, narrow, 16, "#", &used) == 2 && used);
    EXPECT_STREQ(narrow, "#");
    // UTF-8 has no default character: the real platform refuses the arguments.
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"x", -1, narrow, 16, nullptr, &used), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    // A GBK lead byte without a valid trail byte: '?' when lenient (the trail still counts), 1113 when
    // strict.
    int n = 0;
    EXPECT_EQ(ToWide(CP_ACP, 0, "\xC8 A", &n), u"? A");
    EXPECT_EQ(ToWide(CP_ACP, MB_ERR_INVALID_CHARS, "\xC8 A", &n), u"");
    EXPECT_EQ(n, 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
}

TEST(CodePages, Utf8StrictAndLenient) {
    int n = 0;
    EXPECT_EQ(ToWide(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xE4\xB8\x80\xF0\x9F\x98\x80", &n), u"a一\U0001F600");
    EXPECT_EQ(n, 4);
    for (const char* bad : {"a\xC0\xAF", "\xED\xA0\x80", "x\xE4\xB8", "\xFF"}) {
        SetLastError(0);
        EXPECT_EQ(ToWide(CP_UTF8, MB_ERR_INVALID_CHARS, bad, &n), u"") << bad;
        EXPECT_EQ(n, 0);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
    }
    EXPECT_EQ(ToWide(CP_UTF8, 0, "x\xFFy"), u"x\uFFFDy");

    char narrow[16] = {};
    ASSERT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"一\U0001F600", -1, narrow, 16, nullptr, nullptr), 8);
    EXPECT_STREQ(narrow, "\xE4\xB8\x80\xF0\x9F\x98\x80");
    const char16_t lone[] = {0xD800, 0};
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone, -1, narrow, 16, nullptr, nullptr), 0);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, lone, -1, narrow, 16, nullptr, nullptr), 4);
    EXPECT_STREQ(narrow, "\xEF\xBF\xBD");
}

}  // namespace
