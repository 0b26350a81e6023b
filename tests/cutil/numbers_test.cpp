// Number texts, the scanner and address texts, and the time helpers on the test clock.
#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/win32/core/clock.h"
#include "plugin/cutil/cutil.h"
#include "support/testclock.h"

namespace {

TEST(StrToDouble, ReadsNumbersAndReportsRangeErrors) {
    char* end = nullptr;
    const char* text = "  -12.5e2xyz";
    EXPECT_EQ(StrToDouble(text, &end), -1250.0);
    EXPECT_EQ(end, text + 9);
    EXPECT_EQ(StrToDouble("+.5", nullptr), 0.5);
    EXPECT_EQ(StrToDouble("3.", nullptr), 3.0);
    EXPECT_EQ(StrToDouble("0.1", nullptr), 0.1);  // correctly rounded
    EXPECT_EQ(StrToDouble("1.2.3", &end), 1.2);
    EXPECT_STREQ(end, ".3");
    text = "7e";
    EXPECT_EQ(StrToDouble(text, &end), 7.0);  // a bare "e" is not read
    EXPECT_EQ(end, text + 1);
    text = "abc";
    EXPECT_EQ(StrToDouble(text, &end), 0.0);
    EXPECT_EQ(end, text);
    text = "-.";
    EXPECT_EQ(StrToDouble(text, &end), 0.0);
    EXPECT_EQ(end, text);

    errno = 0;
    EXPECT_EQ(StrToDouble(nullptr, nullptr), 0.0);
    EXPECT_EQ(errno, 22);
    errno = 0;
    EXPECT_EQ(StrToDouble("1e400", nullptr), HUGE_VAL);
    EXPECT_EQ(errno, 34);
    errno = 0;
    EXPECT_EQ(StrToDouble("-99999e99999999999999999", nullptr), -HUGE_VAL);
    EXPECT_EQ(errno, 34);
    errno = 0;
    EXPECT_EQ(StrToDouble("0.0001e-400", nullptr), 0.0);
    EXPECT_EQ(errno, 34);
    errno = 0;
    EXPECT_EQ(StrToDouble("0e99999", nullptr), 0.0);
    EXPECT_EQ(errno, 0);
}

TEST(NumberTexts, GroupsRadicesRoundingAndSwaps) {
    char buf[32];
    EXPECT_STREQ(ThousandsText(0, buf, sizeof(buf)), "0");
    EXPECT_STREQ(ThousandsText(999, buf, sizeof(buf)), "999");
    EXPECT_STREQ(ThousandsText(1000, buf, sizeof(buf)), "1,000");
    EXPECT_STREQ(ThousandsText(-1234567, buf, sizeof(buf)), "-1,234,567");
    EXPECT_STREQ(ThousandsText(INT64_MIN, buf, sizeof(buf)), "-9,223,372,036,854,775,808");
    EXPECT_STREQ(ThousandsText(INT64_MIN, buf, 27), "-9,223,372,036,854,775,808");
    EXPECT_EQ(ThousandsText(INT64_MIN, buf, 26), nullptr);
    EXPECT_EQ(ThousandsText(1000, buf, 5), nullptr);

    EXPECT_EQ(ByteSwap32(0x11223344u), 0x44332211u);
    EXPECT_EQ(ByteSwap64(0x1122334455667788ull), 0x8877665544332211ull);

    EXPECT_EQ(StrToU32("4294967295"), UINT32_MAX);
    EXPECT_EQ(StrToU32("4294967296"), 0u);            // wraps
    EXPECT_EQ(StrToU32("12345678901"), 1234567890u);  // 10 digits at most
    EXPECT_EQ(StrToU32("42abc"), 42u);
    EXPECT_EQ(StrToU32(""), 0u);
    EXPECT_EQ(StrToU32(nullptr), 0u);

    EXPECT_EQ(RoundNearInt(2.9999999), 3);
    EXPECT_EQ(RoundNearInt(2.99), 2);
    EXPECT_EQ(RoundNearInt(2.0000001), 2);
    EXPECT_EQ(RoundNearInt(-2.9999999), -3);
    EXPECT_EQ(RoundNearInt(-2.5), -2);
    EXPECT_EQ(RoundNearInt(1e300), INT_MAX);
    EXPECT_EQ(RoundNearInt(-1e300), INT_MIN);
    EXPECT_EQ(RoundNearInt(std::nan("")), 0);

    char small[33];
    EXPECT_STREQ(I32ToStr(-255, small, 16), "ffffff01");
    EXPECT_STREQ(I32ToStr(-255, small, 10), "-255");
    EXPECT_STREQ(I32ToStr(INT32_MIN, small, 10), "-2147483648");
    EXPECT_STREQ(I32ToStr(-1, small, 2), std::string(32, '1').c_str());
    EXPECT_EQ(I32ToStr(1, small, 37), nullptr);
}

TEST(NumberTexts, SizesDistancesAndSearch) {
    char buf[32];
    EXPECT_STREQ(SizeText(1023, buf, sizeof(buf)), "1023 B");
    EXPECT_STREQ(SizeText(1536, buf, sizeof(buf)), "1.5 K");
    EXPECT_STREQ(SizeText(1048576, buf, sizeof(buf)), "1.0 M");
    EXPECT_STREQ(SizeText(3221225472LL, buf, sizeof(buf)), "3.0 G");
    EXPECT_EQ(SizeText(1536, buf, 5), nullptr);
    EXPECT_STREQ(DistanceText(999, buf, sizeof(buf)), "999米");
    EXPECT_STREQ(DistanceText(1500, buf, sizeof(buf)), "1.5公里");
    EXPECT_EQ(DistanceText(1500, buf, 9), nullptr);

    struct Record {
        char tag[4];
        int key;
    };
    const Record records[] = {{"a", 2}, {"b", 5}, {"c", 9}, {"d", 14}};
    auto compare = [](const void* key, const void* recordKey) {
        const int a = *static_cast<const int*>(key);
        int b;
        std::memcpy(&b, recordKey, sizeof(b));
        return a < b ? -1 : (a > b ? 1 : 0);
    };
    int index = -1;
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(
            BinarySearch(records, sizeof(Record), offsetof(Record, key), 4, &records[i].key, compare, &index),
            1);
        EXPECT_EQ(index, i);
    }
    const int missing[][2] = {{1, 0}, {3, 1}, {10, 3}, {20, 4}};
    for (const auto& m : missing) {
        EXPECT_EQ(BinarySearch(records, sizeof(Record), offsetof(Record, key), 4, &m[0], compare, &index), 0);
        EXPECT_EQ(index, m[1]);
    }
    EXPECT_EQ(
        BinarySearch(records, sizeof(Record), offsetof(Record, key), 0, &missing[0][0], compare, &index), 0);
    EXPECT_EQ(index, 0);
}

TEST(ScanText, LiteralsWhiteSpaceAndConversions) {
    char name[8];
    int n = 0;
    unsigned u = 0;
    double f = 0;
    uint32_t address = 0;
    EXPECT_EQ(ScanText("id=-42 ok", "id=%d %s", &n, name, sizeof(name)), 1);
    EXPECT_EQ(n, -42);
    EXPECT_STREQ(name, "ok");
    // Any run of white space matches a blank in the format.
    EXPECT_EQ(ScanText("a\t \r\n7", "a %u", &u), 1);
    EXPECT_EQ(u, 7u);
    EXPECT_EQ(ScanText("-3.25;x", "%f;%s", &f, name, sizeof(name)), 1);
    EXPECT_EQ(f, -3.25);
    EXPECT_EQ(ScanText("host 10. 0.0 .1", "host %I", &address), 1);
    EXPECT_EQ(address, 0x0A000001u);
    // A null destination skips the field but still checks it.
    EXPECT_EQ(ScanText("5,6", "%d,%d", nullptr, &n), 1);
    EXPECT_EQ(n, 6);
    EXPECT_EQ(ScanText("x,6", "%d,%d", nullptr, &n), 0);

    EXPECT_EQ(ScanText("12a", "%d", &n), 0);
    EXPECT_EQ(ScanText("-", "%d", &n), 0);
    EXPECT_EQ(ScanText("-1", "%u", &u), 0);
    EXPECT_EQ(ScanText("2147483648", "%d", &n), 0);  // beyond int
    EXPECT_EQ(ScanText("1.2.3", "%f", &f), 0);
    EXPECT_EQ(ScanText("1.2.3.256", "%I", &address), 0);
    EXPECT_EQ(ScanText("a=1", "b=%d", &n), 0);
    EXPECT_EQ(ScanText("a=1 tail", "a=%d", &n), 0);  // the text must be used up
    EXPECT_EQ(ScanText("a=1;", "a=%d", &n), 0);
    EXPECT_EQ(ScanText("12", "%d%d", &n, &n), 0);  // no boundary between two fields
    // A field longer than its buffer, or than 1000 bytes, fails rather than overflowing.
    EXPECT_EQ(ScanText("longer than eight", "%s", name, sizeof(name)), 0);
    EXPECT_EQ(ScanText("1234567", "%s", name, sizeof(name)), 1);
    const std::string huge = std::string(1001, '1') + ";";
    EXPECT_EQ(ScanText(huge.c_str(), "%s;", nullptr, size_t{0}), 0);
    EXPECT_EQ(ScanText(huge.c_str() + 1, "%s;", nullptr, size_t{0}), 1);
}

TEST(Addresses, IPv4CidrMacAndMasks) {
    EXPECT_EQ(IsIPv4("192.168.0.1"), 1);
    EXPECT_EQ(IsIPv4("0.0.0.0"), 1);
    EXPECT_EQ(IsIPv4("255.255.255.255"), 1);
    for (const char* bad : {"256.1.1.1", "1.2.3", "1.2.3.4.5", "1..2.3", "01.2.3.0004", "a.b.c.d", "1.2.3.4 ",
                            "", "-1.2.3.4", "1.2.3.4/8"}) {
        EXPECT_EQ(IsIPv4(bad), 0) << bad;
    }
    EXPECT_EQ(IsCidr("10.0.0.0/8"), 1);
    EXPECT_EQ(IsCidr("10.0.0.0/0"), 1);
    EXPECT_EQ(IsCidr("10.0.0.0/32"), 1);
    EXPECT_EQ(IsCidr("10.0.0.0/255.255.255.0"), 1);
    for (const char* bad : {"10.0.0.0/33", "10.0.0.0/123", "10.0.0.0/", "10.0.0.0", "10.0.0.0/255.0.255.0",
                            "10.0.0/8", "10.0.0.0/8/8"}) {
        EXPECT_EQ(IsCidr(bad), 0) << bad;
    }
    uint32_t address = 0;
    int prefix = -1;
    EXPECT_EQ(ParseCidr("192.168.1.0/24", &address, &prefix), 1);
    EXPECT_EQ(address, 0xC0A80100u);
    EXPECT_EQ(prefix, 24);
    EXPECT_EQ(ParseCidr("172.16.0.0/255.240.0.0", &address, &prefix), 1);
    EXPECT_EQ(address, 0xAC100000u);
    EXPECT_EQ(prefix, 12);
    EXPECT_EQ(ParseCidr("172.16.0.0/255.0.240.0", &address, &prefix), 0);

    EXPECT_EQ(IsMac("00:1A:2b:3C:4d:5E"), 1);
    EXPECT_EQ(IsMac("00:1A:2b:3C:4d:5"), 0);
    EXPECT_EQ(IsMac("001:A:2b:3C:4d:5E"), 0);
    EXPECT_EQ(IsMac("00-1A-2b-3C-4d-5E"), 0);
    EXPECT_EQ(IsMac("00:1A:2b:3C:4d:5G"), 0);

    EXPECT_EQ(IsIntInRange("-5", -10, 10), 1);
    EXPECT_EQ(IsIntInRange("11", -10, 10), 0);
    EXPECT_EQ(IsIntInRange("99999999999999999999", INT_MIN, INT_MAX), 0);  // no overflow into range
    EXPECT_EQ(IsIntInRange("5 ", 0, 10), 0);
    EXPECT_EQ(IsIntInRange("-", 0, 10), 0);
    EXPECT_EQ(IsIntInRange("", 0, 10), 0);
    EXPECT_EQ(IsIntInRange("1-", 0, 10), 0);

    EXPECT_EQ(MaskFromPrefix(24), 0xFFFFFF00u);
    EXPECT_EQ(MaskFromPrefix(32), 0xFFFFFFFFu);
    EXPECT_EQ(MaskFromPrefix(1), 0x80000000u);
    EXPECT_EQ(MaskFromPrefix(0), 0u);
    EXPECT_EQ(MaskFromPrefix(33), 0u);
    EXPECT_EQ(MaskFromPrefix(-1), 0u);
    EXPECT_EQ(PrefixFromMask(TextToIPv4("255.255.255.0")), 24);
    EXPECT_EQ(PrefixFromMask(0xFFFFFFFFu), 32);
    EXPECT_EQ(PrefixFromMask(0), 0);
    EXPECT_EQ(PrefixFromMask(0xFF00FF00u), -1);
    EXPECT_EQ(PrefixFromMask(0x7FFFFFFFu), -1);

    char text[16];
    EXPECT_STREQ(IPv4ToText(0xC0A80001u, text, sizeof(text)), "192.168.0.1");
    EXPECT_STREQ(IPv4ToText(0xFFFFFFFFu, text, sizeof(text)), "255.255.255.255");
    EXPECT_EQ(IPv4ToText(0xFFFFFFFFu, text, 15), nullptr);
    EXPECT_EQ(TextToIPv4("192.168.0.1"), 0xC0A80001u);
    EXPECT_EQ(TextToIPv4("not an address"), 0u);
}

TEST(TimeHelpers, PatternsUtcAndZoneOnTheTestClock) {
    // Sunday 2026-03-15 08:07:06 local time.
    const int64_t base = tarntest::LocalSeconds(2026, 3, 15, 8, 7, 6);
    platform::clock::SetWallBase(base);
    EXPECT_EQ(NowSeconds(), base);
    platform::clock::SetVirtualNowMs(2345);
    EXPECT_EQ(NowSeconds(), base + 2);
    EXPECT_EQ(NowMillis(), (base + 2) * 1000 + 345);

    char out[64];
    EXPECT_STREQ(FormatTime(out, sizeof(out), "yyyy-mm-dd hh:mi:ss ww", base, 0),
                 "2026-03-15 08:07:06 \xC8\xD5");
    EXPECT_STREQ(FormatTime(out, sizeof(out), "yyyy-mm-dd", base + 86400, 0), "2026-03-16");
    // Only the first of each placeholder.
    EXPECT_STREQ(FormatTime(out, sizeof(out), "yyyy/yyyy ww", base + 86400, 0), "2026/yyyy \xD2\xBB");
    EXPECT_STREQ(FormatTime(out, sizeof(out), "no placeholders", base, 0), "no placeholders");
    EXPECT_EQ(FormatTime(out, 10, "yyyy-mm-dd", base, 0), nullptr);
    EXPECT_STREQ(FormatTime(out, 11, "yyyy-mm-dd", base, 0), "2026-03-15");
    EXPECT_STREQ(FormatTime(out, sizeof(out), "hh:mi:ss", 0, 0), "08:07:08");  // now, on the test clock

    struct tm utc;
    UtcTimeNow(&utc, 86400 * 365 + 3661);
    EXPECT_EQ(utc.tm_year, 71);
    EXPECT_EQ(utc.tm_yday, 0);
    EXPECT_EQ(utc.tm_hour, 1);
    EXPECT_EQ(utc.tm_min, 1);
    EXPECT_EQ(utc.tm_sec, 1);
    EXPECT_STREQ(FormatTime(out, sizeof(out), "yyyy-mm-dd hh:mi:ss", 86400 * 365 + 3661, 1),
                 "1971-01-01 01:01:01");

    EXPECT_EQ(MakeTime(2026, 3, 15, 8, 7, 6, 0), base);
    EXPECT_EQ(MakeTime(2026, 3, 15, 8, 7, 6, 1), base + TimeZoneOffset());
    EXPECT_EQ(MakeTime(2026, 13, 1, 0, 0, 0, 0), -1);
    EXPECT_EQ(MakeTime(2026, 1, 1, 24, 0, 0, 0), -1);
    const int zone = TimeZoneOffset();
    EXPECT_EQ(zone % 3600, 0);
    EXPECT_LE(zone, 12 * 3600);
    EXPECT_GE(zone, -12 * 3600);
}

}  // namespace
