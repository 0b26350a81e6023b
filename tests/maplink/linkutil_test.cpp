// Link utilities: UTF-8/UTF-16 conversions, name cuts, default names, object ids and the debug log.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/win32/core/clock.h"
#include "platform/win32/sys/sys_hooks.h"
#include "plugin/cutil/cutil.h"
#include "plugin/maplink/linkutil.h"
#include "support/testclock.h"
#include "support/testdirs.h"
#include "support/testfiles.h"

namespace {

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) {
        out += s;
    }
    return out;
}

TEST(LinkConvert, Utf8ToUtf16DropsLongCharactersAndStopsAtMalformedBytes) {
    int count = -1;
    WCHAR* w = MapApiUtf8ToUtf16("a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80z", nullptr, &count);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(std::u16string(w), u"aé中z");
    EXPECT_EQ(count, 4);
    std::free(w);

    WCHAR buf[16];
    MapApiUtf8ToUtf16("ab\xF0\x9F", buf, &count);  // a four-byte lead with too few bytes left
    EXPECT_EQ(std::u16string(buf), u"ab");
    MapApiUtf8ToUtf16(
        "ab\x80"
        "cd",
        buf, &count);  // a continuation byte as a lead stops
    EXPECT_EQ(std::u16string(buf), u"ab");
    MapApiUtf8ToUtf16("ab\xE4\xB8", buf, &count);  // cut character at the end
    EXPECT_EQ(std::u16string(buf), u"ab");
    MapApiUtf8ToUtf16("x\xFEy", buf, nullptr);
    EXPECT_EQ(std::u16string(buf), u"x");
    MapApiUtf8ToUtf16(nullptr, buf, &count);
    EXPECT_EQ(count, 0);

    EXPECT_TRUE(MultiByteToCString(nullptr).IsEmpty());
    EXPECT_EQ(MultiByteToCString("图层\xE4\xB8\xAD"), CString(u"图层中"));
}

TEST(LinkConvert, Utf16ToUtf8StopsAtTheLastWholeCharacterThatFits) {
    char out[16];
    EXPECT_EQ(MapApiUtf16ToUtf8(u"a中", out, sizeof out), 4);
    EXPECT_STREQ(out, "a\xE4\xB8\xAD");
    // "a" takes 1 byte; a 3-byte character needs 4 bytes of room (with the NUL): 4 bytes in all is too few.
    EXPECT_EQ(MapApiUtf16ToUtf8(u"a中", out, 4), 1);
    EXPECT_STREQ(out, "a");
    EXPECT_EQ(MapApiUtf16ToUtf8(u"é", out, 2), 0);
    EXPECT_EQ(MapApiUtf16ToUtf8(u"é", out, 3), 2);
    EXPECT_EQ(MapApiUtf16ToUtf8(u"abc", out, 1), 0);
    EXPECT_STREQ(out, "");

    // Surrogates go out one by one and come back unchanged.
    const char16_t pair[] = {0xD83D, 0xDE00, 0};
    EXPECT_EQ(MapApiUtf16ToUtf8(pair, out, sizeof out), 6);
    EXPECT_STREQ(out, "\xED\xA0\xBD\xED\xB8\x80");
    WCHAR back[8];
    MapApiUtf8ToUtf16(out, back, nullptr);
    EXPECT_EQ(std::u16string(back), std::u16string(pair));
}

TEST(LinkConvert, CStringToMultiByteCutsNamesAtACharacterBoundary) {
    const CString name = MultiByteToCString(Repeat("中", 60).c_str());
    ASSERT_EQ(name.GetLength(), 60);
    char buf[kMapConvertBuffer];
    CStringToMultiByte(name, buf, sizeof buf, kMapNameMaxBytes);
    EXPECT_EQ(std::string(buf), Repeat("中", 33));
    CStringToMultiByte(name, buf, sizeof buf, 100);
    EXPECT_EQ(std::strlen(buf), 99u);
    CStringToMultiByte(name, buf, sizeof buf, 0);
    EXPECT_EQ(std::strlen(buf), 180u);
    CStringToMultiByte(MultiByteToCString(("a" + Repeat("中", 40)).c_str()), buf, sizeof buf, 99);
    EXPECT_EQ(std::strlen(buf), 97u);
    // Full-width punctuation is three bytes too.
    CStringToMultiByte(MultiByteToCString(Repeat("，", 60).c_str()), buf, sizeof buf, kMapNameMaxBytes);
    EXPECT_EQ(std::string(buf), Repeat("，", 33));
    // Remarks go through the 1000-byte buffer: cut there at a whole character.
    CStringToMultiByte(MultiByteToCString(Repeat("中", 400).c_str()), buf, sizeof buf, 0);
    EXPECT_EQ(std::strlen(buf), 999u);
}

TEST(LinkNames, MakeObjectNameUsesTheTypePrefixAndTheLocalTime) {
    platform::clock::SetWallBase(tarntest::LocalSeconds(2026, 3, 14, 9, 5, 7));
    platform::clock::UseVirtual(true);

    CString name;
    EXPECT_EQ(MakeObjectName(name, 8), CString(u"Track_03_14_09_05_07"));
    EXPECT_EQ(MakeObjectName(name, 7), CString(u"Sign_03_14_09_05_07"));
    EXPECT_EQ(MakeObjectName(name, 13), CString(u"Shape_03_14_09_05_07"));
    EXPECT_EQ(MakeObjectName(name, 20), CString(u"Region_03_14_09_05_07"));
    EXPECT_EQ(MakeObjectName(name, 21), CString(u"BlockRef_03_14_09_05_07"));
    EXPECT_EQ(MakeObjectName(name, 22), CString(u"Proxy_03_14_09_05_07"));
    EXPECT_EQ(MakeObjectName(name, 30), CString(u"03_14_09_05_07"));
    platform::clock::SetVirtualNowMs(platform::clock::NowMs() + 61000);
    EXPECT_EQ(MakeObjectName(name, 8), CString(u"Track_03_14_09_06_08"));
}

TEST(LinkIds, GeneratorChainsMd5OverItsStateAndKeepsIdsInRange) {
    std::srand(1);
    CObjIdGenerator a;
    std::srand(1);
    CObjIdGenerator b;
    BYTE state[32];
    std::memcpy(state, a.State(), 32);

    const INT64 first = a.NextId64();
    EXPECT_EQ(first, b.NextId64());
    BYTE d[16];
    Md5Buffer(d, state, 32);
    uint64_t expect = 0;
    for (int i = 7; i >= 0; --i) {
        expect = (expect << 8) | d[i];
    }
    EXPECT_EQ(static_cast<uint64_t>(first), expect & 0x7FFFFFFFFFFFFFFFull);
    // The state moved its second half forward and took the digest.
    EXPECT_EQ(std::memcmp(a.State(), state + 16, 16), 0);
    EXPECT_EQ(std::memcmp(a.State() + 16, d, 16), 0);

    bool sawHighRaw = false;
    for (int i = 0; i < 2000; ++i) {
        BYTE before[32];
        std::memcpy(before, a.State(), 32);
        Md5Buffer(d, before, 32);
        sawHighRaw = sawHighRaw || (d[7] & 0x80) != 0;
        EXPECT_GE(a.NextId64(), 0);
        EXPECT_GE(b.NextId32(), 0);
    }
    EXPECT_TRUE(sawHighRaw);  // the top bit was really cleared somewhere

    BYTE digest[16];
    MapApiMd5(digest, "abc", 3);
    EXPECT_EQ(digest[0], 0x90);
    EXPECT_EQ(digest[15], 0x72);
}

TEST(LinkLog, DebugLogAppendsTimeStampedLinesBesideTheModule) {
    const std::string folder = tarntest::TempDir();
    const std::u16string module = MultiByteToCString((folder + "/TarnArx.arx").c_str()).Str();
    platform::SetModuleFileName(platform::PluginModuleHandle(), module);
    InitDebugLog();
    const std::string path = DebugLogPath();
    EXPECT_EQ(path.rfind("\\DebugLog.txt"), path.size() - 13);

    WriteDebugLog(CString(u"AcDbLine 100% %s %n"));
    WriteDebugLogF(u"%d entities on layer %s", 3, u"图层");
    ASSERT_TRUE(std::ifstream(folder + "/DebugLog.txt").good());
    const std::string text = tarntest::ReadFile(folder + "/DebugLog.txt");
    const size_t nl = text.find('\n');
    ASSERT_NE(nl, std::string::npos);
    const std::string line1 = text.substr(0, nl);
    ASSERT_GE(line1.size(), 23u);
    EXPECT_EQ(line1[0], '[');
    EXPECT_EQ(line1[5], '/');
    EXPECT_EQ(line1.substr(20, 3), "]  ");
    EXPECT_EQ(line1.substr(23), "AcDbLine 100% %s %n");
    // Log texts are written in the ANSI code page (GBK here): 图层 is CD BC B2 E3.
    EXPECT_EQ(text.substr(nl + 1 + 23), "3 entities on layer \xCD\xBC\xB2\xE3\n");
}

}  // namespace
