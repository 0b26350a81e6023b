#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <filesystem>
#include <string>

#include "platform/win32/core/paths.h"
#include "platform/win32/sys/sys_api.h"
#include "platform/win32/sys/sys_hooks.h"
#include "support/testdirs.h"
#include "support/testfiles.h"

namespace {

class Profile : public ::testing::Test {
protected:
    std::string m_host = tarntest::TempDir() + "/settings.ini";
    std::u16string m_file = platform::ToWindowsPath(m_host);

    std::u16string Get(const char16_t* section, const char16_t* key, const char16_t* fallback = u"NotExist",
                       DWORD size = 100, DWORD* result = nullptr) {
        char16_t buffer[100];
        const DWORD n = GetPrivateProfileStringW(section, key, fallback, buffer, size, m_file.c_str());
        if (result != nullptr) {
            *result = n;
        }
        return std::u16string(buffer, n);
    }
};

TEST_F(Profile, ReadingFollowsThePlatformRules) {
    // ANSI (GBK) file: 图 is CD BC.
    tarntest::WriteFile(
        m_host,
        "; comment\r\n[Settings]\r\n  Name =  \" quoted \"  \r\nEmpty=\r\nPath=C:\\\xCD\xBC\r\n\r\n"
        "[Other]\nk=v\n");
    EXPECT_EQ(Get(u"settings", u"NAME"), u" quoted ");
    EXPECT_EQ(Get(u"Settings", u"Empty"), u"");  // an existing empty value is not the default
    EXPECT_EQ(Get(u"Settings", u"Path"), u"C:\\图");
    EXPECT_EQ(Get(u"OTHER", u"k"), u"v");
    EXPECT_EQ(Get(u"Settings", u"k"), u"NotExist");
    EXPECT_EQ(Get(u"Nope", u"k", u"dflt  "), u"dflt");  // the default loses its trailing blanks
    EXPECT_EQ(Get(u"Settings", u"Name", nullptr, 100), u" quoted ");

    DWORD n = 0;
    EXPECT_EQ(Get(u"Settings", u"Path", u"", 4, &n), u"C:\\");  // cut to size - 1
    EXPECT_EQ(n, 3u);

    // Enumerations are double-NUL lists; cut ones end in two NULs and give size - 2.
    EXPECT_EQ(Get(nullptr, nullptr, u"", 100, &n), std::u16string(u"Settings\0Other\0", 15));
    EXPECT_EQ(Get(u"settings", nullptr, u"", 100, &n), std::u16string(u"Name\0Empty\0Path\0", 16));
    char16_t small[8];
    EXPECT_EQ(GetPrivateProfileStringW(u"Settings", nullptr, u"", small, 8, m_file.c_str()), 6u);
    EXPECT_EQ(std::u16string(small, 8), std::u16string(u"Name\0E\0\0", 8));

    // A missing file gives the default.
    const std::u16string missing = platform::ToWindowsPath(tarntest::TempDir() + "/none.ini");
    char16_t buffer[16];
    EXPECT_EQ(GetPrivateProfileStringW(u"a", u"b", u"zz", buffer, 16, missing.c_str()), 2u);
    EXPECT_EQ(GetPrivateProfileIntW(u"a", u"b", 7, missing.c_str()), 7u);
}

TEST_F(Profile, WritingCreatesReplacesAppendsAndDeletes) {
    ASSERT_TRUE(WritePrivateProfileStringW(u"TempPath", u"MapTemp", u"C:\\临时", m_file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(u"FILE_MD5", u"1", u"10", m_file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(u"temppath", u"Other", u"x", m_file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(u"TEMPPATH", u"maptemp", u"D:\\y", m_file.c_str()));
    // New file in the ANSI code page: 临时 is C1 D9 CA B1 before it was replaced.
    EXPECT_EQ(tarntest::ReadFile(m_host), "[TempPath]\r\nMapTemp=D:\\y\r\nOther=x\r\n[FILE_MD5]\r\n1=10\r\n");

    ASSERT_TRUE(WritePrivateProfileStringW(u"TempPath", u"Other", nullptr, m_file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(u"TempPath", u"gone", nullptr, m_file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(u"file_md5", nullptr, nullptr, m_file.c_str()));
    EXPECT_EQ(tarntest::ReadFile(m_host), "[TempPath]\r\nMapTemp=D:\\y\r\n");

    // A file that can't be written gives FALSE and stays as it was.
    ::chmod(m_host.c_str(), 0444);
    EXPECT_FALSE(WritePrivateProfileStringW(u"TempPath", u"MapTemp", u"z", m_file.c_str()));
    EXPECT_EQ(tarntest::ReadFile(m_host), "[TempPath]\r\nMapTemp=D:\\y\r\n");
    ::chmod(m_host.c_str(), 0644);
    const std::u16string noFolder = platform::ToWindowsPath(tarntest::TempDir() + "/no/such.ini");
    EXPECT_FALSE(WritePrivateProfileStringW(u"a", u"b", u"c", noFolder.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

    // A UTF-16 file keeps its encoding, and a key is added at the end of its own section.
    const char utf16[] = "\xFF\xFE[\0A\0]\0\n\0k\0=\0\x34\x75\n\0\n\0[\0B\0]\0\n\0";
    tarntest::WriteFile(m_host, std::string(utf16, sizeof(utf16) - 1));
    EXPECT_EQ(Get(u"a", u"K"), u"甴");
    ASSERT_TRUE(WritePrivateProfileStringW(u"A", u"n", u"😀", m_file.c_str()));
    EXPECT_EQ(Get(u"A", u"n"), u"😀");
    EXPECT_EQ(Get(u"A", nullptr), std::u16string(u"k\0n\0", 4));
    const std::string bytes = tarntest::ReadFile(m_host);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(bytes.size(), 2 + 2 * std::u16string(u"[A]\r\nk=甴\r\nn=😀\r\n\r\n[B]\r\n").size());
}

// The injected faults reach the profile writer as they reach every writer: a full disk or a failing open
// fail the write with their cause, and the file stays as it was, with no new text left beside it.
TEST_F(Profile, InjectedFaultsFailTheWriteAndKeepTheFile) {
    ASSERT_TRUE(WritePrivateProfileStringW(u"TempPath", u"MapTemp", u"C:\\a", m_file.c_str()));
    const std::string before = tarntest::ReadFile(m_host);
    platform::InjectDiskFull(tarntest::TempDir());
    EXPECT_FALSE(WritePrivateProfileStringW(u"TempPath", u"MapTemp", u"C:\\b", m_file.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    const BYTE record[4] = {1, 2, 3, 4};
    EXPECT_FALSE(
        WritePrivateProfileStructW(u"TarnArx", u"ini", const_cast<BYTE*>(record), 4, m_file.c_str()));
    EXPECT_EQ(tarntest::ReadFile(m_host), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tarntest::TempDir()),
                            std::filesystem::directory_iterator()),
              1);

    const std::string other = tarntest::TempDir() + "/sub/other.ini";
    std::filesystem::create_directories(tarntest::TempDir() + "/sub");
    tarntest::WriteFile(other, "[A]\r\nk=1\r\n");
    platform::InjectFileOpenFailure(other, EACCES);
    EXPECT_FALSE(WritePrivateProfileStringW(u"A", u"k", u"2", platform::ToWindowsPath(other).c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(tarntest::ReadFile(other), "[A]\r\nk=1\r\n");
}

TEST_F(Profile, IntegersAndStructsWithChecksum) {
    tarntest::WriteFile(m_host, "[N]\r\na=42\r\nb=-7\r\nc=12abc\r\nd=\r\n");
    EXPECT_EQ(GetPrivateProfileIntW(u"N", u"a", 5, m_file.c_str()), 42u);
    EXPECT_EQ(static_cast<int>(GetPrivateProfileIntW(u"N", u"b", 5, m_file.c_str())), -7);
    EXPECT_EQ(GetPrivateProfileIntW(u"N", u"c", 5, m_file.c_str()), 12u);
    EXPECT_EQ(GetPrivateProfileIntW(u"N", u"d", 5, m_file.c_str()), 0u);
    EXPECT_EQ(GetPrivateProfileIntW(u"N", u"e", 5, m_file.c_str()), 5u);

    std::array<unsigned char, 160> record{};
    for (size_t i = 0; i < record.size(); ++i) {
        record[i] = static_cast<unsigned char>(i * 7 + 3);
    }
    ASSERT_TRUE(WritePrivateProfileStructW(u"TarnArx", u"ini", record.data(), 160, m_file.c_str()));
    const std::u16string text = Get(u"TarnArx", u"ini", u"", 100);
    EXPECT_EQ(text.substr(0, 6), u"030A11");  // upper-case hex digits in byte order
    char16_t full[400];
    ASSERT_EQ(GetPrivateProfileStringW(u"TarnArx", u"ini", u"", full, 400, m_file.c_str()), 322u);
    unsigned sum = 0;
    for (unsigned char b : record) {
        sum += b;
    }
    char16_t expected[3];
    const char16_t* digits = u"0123456789ABCDEF";
    expected[0] = digits[(sum & 0xFF) >> 4];
    expected[1] = digits[sum & 0xF];
    expected[2] = 0;
    EXPECT_EQ(std::u16string(full + 320), std::u16string(expected));

    std::array<unsigned char, 160> back{};
    ASSERT_TRUE(GetPrivateProfileStructW(u"tarnarx", u"INI", back.data(), 160, m_file.c_str()));
    EXPECT_EQ(back, record);

    // Another size, a damaged checksum or a bad digit: FALSE and the buffer untouched.
    std::array<unsigned char, 160> untouched;
    untouched.fill(0xEE);
    EXPECT_FALSE(GetPrivateProfileStructW(u"TarnArx", u"ini", untouched.data(), 159, m_file.c_str()));
    std::u16string damaged(full);
    damaged[321] = damaged[321] == u'0' ? u'1' : u'0';
    ASSERT_TRUE(WritePrivateProfileStringW(u"TarnArx", u"ini", damaged.c_str(), m_file.c_str()));
    EXPECT_FALSE(GetPrivateProfileStructW(u"TarnArx", u"ini", untouched.data(), 160, m_file.c_str()));
    damaged = full;
    damaged[0] = u'G';
    ASSERT_TRUE(WritePrivateProfileStringW(u"TarnArx", u"ini", damaged.c_str(), m_file.c_str()));
    EXPECT_FALSE(GetPrivateProfileStructW(u"TarnArx", u"ini", untouched.data(), 160, m_file.c_str()));
    EXPECT_FALSE(GetPrivateProfileStructW(u"TarnArx", u"none", untouched.data(), 160, m_file.c_str()));
    for (unsigned char b : untouched) {
        ASSERT_EQ(b, 0xEE);
    }
}

}  // namespace
