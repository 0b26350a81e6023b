// Number conversions and the UTF-8 cut.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "plugin/cutil/cutil.h"

namespace {

TEST(StrToU64, ReadsHexAndDecimalUpToTheirLimits) {
    EXPECT_EQ(StrToU64("0x1F"), 31u);
    EXPECT_EQ(StrToU64("0XfF"), 255u);
    EXPECT_EQ(StrToU64("0x"), 0u);  // too short for hexadecimal; decimal stops at the x
    EXPECT_EQ(StrToU64("12a"), 12u);
    EXPECT_EQ(StrToU64("0x123456789abcdef01"), 0x123456789abcdef0ull);
    EXPECT_EQ(StrToU64("0xffffffffffffffff"), UINT64_MAX);
    EXPECT_EQ(StrToU64("0xg1"), 0u);
    EXPECT_EQ(StrToU64("18446744073709551615"), UINT64_MAX);
    EXPECT_EQ(StrToU64("18446744073709551616"), 0u);                      // wraps modulo 2^64
    EXPECT_EQ(StrToU64("99999999999999999999"), 7766279631452241919ull);  // 10^20 - 1 mod 2^64
    // Only 23 decimal bytes are read.
    EXPECT_EQ(StrToU64("000000000000000000000129"), 12u);
    EXPECT_EQ(StrToU64(""), 0u);
    EXPECT_EQ(StrToU64("-5"), 0u);
    EXPECT_EQ(StrToU64(" 5"), 0u);
    EXPECT_EQ(StrToU64(nullptr), 0u);
}

TEST(I64ToStr, WritesEveryRadixAndRefusesOthers) {
    char buf[65];
    EXPECT_STREQ(I64ToStr(-255, buf, 16), "ffffffffffffff01");
    EXPECT_STREQ(I64ToStr(-255, buf, 10), "-255");
    EXPECT_STREQ(I64ToStr(0, buf, 10), "0");
    EXPECT_STREQ(I64ToStr(INT64_MIN, buf, 10), "-9223372036854775808");
    EXPECT_STREQ(I64ToStr(INT64_MAX, buf, 10), "9223372036854775807");
    EXPECT_STREQ(I64ToStr(35, buf, 36), "z");
    EXPECT_STREQ(I64ToStr(5, buf, 2), "101");
    EXPECT_EQ(I64ToStr(-1, buf, 2), buf);
    EXPECT_EQ(std::string(buf), std::string(64, '1'));
    EXPECT_STREQ(I64ToStr(-1, buf, 8), "1777777777777777777777");
    EXPECT_EQ(I64ToStr(1, buf, 37), nullptr);
    EXPECT_EQ(I64ToStr(1, buf, 1), nullptr);
    EXPECT_EQ(I64ToStr(1, buf, 0), nullptr);
}

// Runs the cut on an exact-size heap copy (with its NUL), so reading past the end shows under ASan.
std::string Cut(const std::string& text, int* kept = nullptr) {
    std::unique_ptr<char[]> copy(new char[text.size() + 1]);
    std::memcpy(copy.get(), text.c_str(), text.size() + 1);
    const int n = CutValidUtf8(copy.get());
    if (kept != nullptr) {
        *kept = n;
    }
    EXPECT_EQ(static_cast<size_t>(n), std::strlen(copy.get()));
    return std::string(copy.get());
}

TEST(CutValidUtf8, KeepsWholeCharactersOnly) {
    const std::string zhong = "\xE4\xB8\xAD";  // 中
    const std::string e = "\xC3\xA9";          // é
    int kept = -1;
    EXPECT_EQ(Cut("plain ascii", &kept), "plain ascii");
    EXPECT_EQ(kept, 11);
    EXPECT_EQ(Cut("a" + e + zhong + "b", &kept), "a" + e + zhong + "b");
    EXPECT_EQ(kept, 7);
    EXPECT_EQ(Cut(""), "");
    EXPECT_EQ(CutValidUtf8(nullptr), 0);

    // The top of the three-byte range: a full-width comma (U+FF0C) stays whole, or goes whole when cut.
    const std::string comma = "\xEF\xBC\x8C";
    EXPECT_EQ(Cut("a" + comma + "b", &kept), "a" + comma + "b");
    EXPECT_EQ(kept, 5);
    EXPECT_EQ(Cut("a" + comma.substr(0, 2)), "a");

    // A last character that lost bytes goes, and nothing is read past the NUL.
    EXPECT_EQ(Cut("ab" + zhong + "\xE4\xB8", &kept), "ab" + zhong);
    EXPECT_EQ(kept, 5);
    EXPECT_EQ(Cut("ab\xE4"), "ab");
    EXPECT_EQ(Cut("ab\xC3"), "ab");
    // Every lead byte of the two-byte range counts, C0 and C1 among them.
    EXPECT_EQ(Cut("a\xC0\x80"
                  "b\xC1\xBF"
                  "c\xDF\xBF",
                  &kept),
              "a\xC0\x80"
              "b\xC1\xBF"
              "c\xDF\xBF");
    EXPECT_EQ(kept, 9);

    // 60 CJK characters cut at byte 99 keep 33 whole characters; "a" + 40 at 99 keeps 97 bytes.
    std::string sixty;
    for (int i = 0; i < 60; ++i) {
        sixty += zhong;
    }
    EXPECT_EQ(Cut(sixty.substr(0, 99)).size(), 99u);
    EXPECT_EQ(Cut(sixty.substr(0, 100)).size(), 99u);
    EXPECT_EQ(Cut(("a" + sixty).substr(0, 99)).size(), 97u);

    // Four-byte characters count as broken; stray continuation bytes and broken sequences cut too.
    EXPECT_EQ(Cut("x\xF0\x9F\x98\x80y"), "x");
    EXPECT_EQ(Cut("x\x80y"), "x");
    EXPECT_EQ(Cut("x\xE4"
                  "A\xADy"),
              "x");
    EXPECT_EQ(Cut("x\xC3"
                  "A"),
              "x");
    EXPECT_EQ(Cut("x\xFFy"), "x");
}

}  // namespace
