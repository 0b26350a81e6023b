// Further file and folder operations on the real file system under the test's temporary folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "platform/win32/core/paths.h"
#include "platform/win32/core/unicode.h"
#include "platform/win32/sys/sys_hooks.h"
#include "plugin/cutil/cutil.h"
#include "support/testdirs.h"
#include "support/testfiles.h"

namespace fs = std::filesystem;

namespace {

std::string Win(const std::string& hostPath) {
    return platform::Utf16ToUtf8(platform::ToWindowsPath(hostPath));
}

std::string Hex(const uint8_t digest[16]) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (int i = 0; i < 16; ++i) {
        out += kDigits[digest[i] >> 4];
        out += kDigits[digest[i] & 15];
    }
    return out;
}

TEST(FileInfo, ReadWholeFilesTimesAndKinds) {
    const std::string dir = tarntest::TempDir();
    const std::string file = Win(dir + "/数据.txt");
    tarntest::WriteFile(dir + "/数据.txt", "line one\r\nline two");

    char* data = nullptr;
    ASSERT_EQ(ReadFileU8(file.c_str(), &data), 18);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::string(data, 18), "line one\r\nline two");
    EXPECT_TRUE(std::all_of(data + 18, data + 18 + 500, [](char c) { return c == 0; }));  // the slack
    std::free(data);

    tarntest::WriteFile(dir + "/empty", "");
    ASSERT_EQ(ReadFileU8((dir + "/empty").c_str(), &data), 0);
    std::free(data);
    data = reinterpret_cast<char*>(1);
    EXPECT_EQ(ReadFileU8((dir + "/missing").c_str(), &data), -1);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(ReadFileU8(dir.c_str(), &data), -1);  // a folder is not read
    EXPECT_EQ(ReadFileU8((dir + "/bad\xFF").c_str(), &data), -1);

    const fs::file_time_type stamp = fs::file_time_type::clock::now() - std::chrono::hours(48);
    fs::last_write_time(dir + "/数据.txt", stamp);
    const int64_t expected = std::chrono::duration_cast<std::chrono::seconds>(
                                 std::chrono::file_clock::to_sys(stamp).time_since_epoch())
                                 .count();
    EXPECT_EQ(FileModTimeU8(file.c_str()), expected);
    EXPECT_GT(FileCreateTimeU8(file.c_str()), 0);
    EXPECT_EQ(FileModTimeU8((dir + "/missing").c_str()), 0);
    EXPECT_EQ(FileCreateTimeU8((dir + "/missing").c_str()), 0);
    EXPECT_EQ(FileModTimeU8((dir + "/bad\xFF").c_str()), -1);
    EXPECT_EQ(FileCreateTimeU8(nullptr), -1);

    EXPECT_EQ(PathExistsU8(file.c_str()), 1);
    EXPECT_EQ(PathExistsU8(Win(dir).c_str()), 2);
    EXPECT_EQ(PathExistsU8((dir + "/missing").c_str()), -1);
    EXPECT_EQ(PathExistsU8(nullptr), -1);
}

TEST(FileInfo, MoveCopyAndFolderChains) {
    const std::string dir = tarntest::TempDir();
    tarntest::WriteFile(dir + "/a.txt", "alpha");
    EXPECT_NE(CopyFileU8(Win(dir + "/a.txt").c_str(), Win(dir + "/b.txt").c_str(), 1), 0);
    EXPECT_EQ(tarntest::ReadFile(dir + "/b.txt"), "alpha");
    tarntest::WriteFile(dir + "/c.txt", "gamma");
    EXPECT_EQ(CopyFileU8((dir + "/c.txt").c_str(), (dir + "/b.txt").c_str(), 1), 0);  // exists: refused
    EXPECT_EQ(tarntest::ReadFile(dir + "/b.txt"), "alpha");
    EXPECT_NE(CopyFileU8((dir + "/c.txt").c_str(), (dir + "/b.txt").c_str(), 0), 0);
    EXPECT_EQ(tarntest::ReadFile(dir + "/b.txt"), "gamma");
    EXPECT_NE(MoveFileU8((dir + "/b.txt").c_str(), (dir + "/moved.txt").c_str()), 0);
    EXPECT_FALSE(fs::exists(dir + "/b.txt"));
    EXPECT_EQ(tarntest::ReadFile(dir + "/moved.txt"), "gamma");
    EXPECT_EQ(MoveFileU8(nullptr, (dir + "/x").c_str()), 0);
    EXPECT_EQ(MoveFileU8((dir + "/a.txt").c_str(), nullptr), 0);
    EXPECT_EQ(CopyFileU8((dir + "/a.txt").c_str(), nullptr, 0), 0);
    EXPECT_EQ(MoveFileU8((dir + "/a.txt").c_str(), (dir + "/bad\xFF").c_str()), 0);
    EXPECT_TRUE(fs::exists(dir + "/a.txt"));

    // Every level, in Windows form with a drive root and in host form; the last level only when asked.
    CreateDirsU8(Win(dir + "/一/二/三").c_str(), 0);
    EXPECT_TRUE(fs::is_directory(dir + "/一/二"));
    EXPECT_FALSE(fs::exists(dir + "/一/二/三"));
    CreateDirsU8(Win(dir + "/一/二/三").c_str(), 1);
    EXPECT_TRUE(fs::is_directory(dir + "/一/二/三"));
    CreateDirsU8((dir + "/p/q/r/").c_str(), 0);
    EXPECT_TRUE(fs::is_directory(dir + "/p/q/r"));
    CreateDirsU8((dir + "/bad\xFF/x").c_str(), 1);
    EXPECT_FALSE(fs::exists(dir + "/bad\xFF"));
}

TEST(FileInfo, ProgramAndTemporaryFolders) {
    platform::SetModuleFileName(nullptr, u"C:\\Program Files\\宿主\\tarnhost.exe");
    char buffer[64];
    ASSERT_NE(ModuleFolderU8(buffer, sizeof(buffer)), nullptr);
    EXPECT_STREQ(buffer, "C:\\Program Files\\宿主");
    EXPECT_EQ(ModuleFolderU8(buffer, 22), nullptr);  // 22 bytes hold 21 and the NUL; the folder has 23
    EXPECT_NE(ModuleFolderU8(buffer, 24), nullptr);

    const std::string temp = tarntest::TempDir() + "/临时";
    fs::create_directories(temp);
    platform::SetTempFolder(temp);
    const std::string expected = Win(temp) + "\\";
    char path[512];
    EXPECT_EQ(TempFolderU8(sizeof(path), path), static_cast<int>(expected.size()));
    EXPECT_EQ(path, expected);
    EXPECT_EQ(TempFolderU8(static_cast<int>(expected.size()), path), 0);
    EXPECT_EQ(TempFolderU8(5, path), 0);
    // A temporary folder at the drive's root fits 5 bytes, and a buffer under 6 is still refused.
    platform::SetTempFolder("/");
    EXPECT_EQ(TempFolderU8(6, path), 3);
    EXPECT_STREQ(path, "C:\\");
    EXPECT_EQ(TempFolderU8(5, path), 0);
}

TEST(FileInfo, ListsFoldersInGrowingArraysWithTerminatedNames) {
    const std::string dir = tarntest::TempDir() + "/list";
    fs::create_directories(dir + "/子目录");
    std::set<std::string> expected = {"子目录"};
    for (int i = 0; i < 150; ++i) {
        const std::string name = "f" + std::to_string(i);
        tarntest::WriteFile(dir + "/" + name, "x");
        expected.insert(name);
    }
    // 85 CJK characters: 255 bytes, one more than an entry's name holds.
    std::string longName;
    for (int i = 0; i < 85; ++i) {
        longName += "长";
    }
    tarntest::WriteFile(dir + "/" + longName, "x");
    expected.insert(longName.substr(0, 252));

    FolderEntryU8* entries = nullptr;
    const int count = ListFolderU8(Win(dir).c_str(), &entries);
    ASSERT_EQ(count, 152);
    ASSERT_NE(entries, nullptr);
    std::set<std::string> names;
    for (int i = 0; i < count; ++i) {
        ASSERT_NE(std::memchr(entries[i].name, 0, sizeof(entries[i].name)), nullptr);
        names.insert(entries[i].name);
        EXPECT_EQ(entries[i].isFolder, std::string(entries[i].name) == "子目录" ? 1 : 0);
    }
    EXPECT_EQ(names, expected);
    // The array grew in steps of 100 entries of zeros: the rest of the second step is all zero.
    const auto* raw = reinterpret_cast<const unsigned char*>(entries + count);
    EXPECT_TRUE(std::all_of(raw, raw + (200 - count) * sizeof(FolderEntryU8),
                            [](unsigned char c) { return c == 0; }));
    std::free(entries);

    fs::create_directories(dir + "/空");
    entries = reinterpret_cast<FolderEntryU8*>(1);
    EXPECT_EQ(ListFolderU8((dir + "/空").c_str(), &entries), 0);
    EXPECT_EQ(entries, nullptr);
    EXPECT_EQ(ListFolderU8((dir + "/missing").c_str(), &entries), 0);
    EXPECT_EQ(platform::OpenFindHandleCount(), 0u);
}

TEST(FileInfo, Md5OfFiles) {
    const std::string dir = tarntest::TempDir();
    uint8_t digest[16];
    tarntest::WriteFile(dir + "/abc", "abc");
    EXPECT_EQ(Md5File(Win(dir + "/abc").c_str(), digest), 1);
    EXPECT_EQ(Hex(digest), "900150983cd24fb0d6963f7d28e17f72");
    tarntest::WriteFile(dir + "/empty", "");
    EXPECT_EQ(Md5File((dir + "/empty").c_str(), digest), 1);
    EXPECT_EQ(Hex(digest), "d41d8cd98f00b204e9800998ecf8427e");
    // Several 1024-byte blocks and a tail give the digest of the whole.
    std::string big;
    for (int i = 0; i < 80; ++i) {
        big += "1234567890";
    }
    big += big + big;  // 2400 bytes
    tarntest::WriteFile(dir + "/big", big);
    uint8_t whole[16];
    Md5Buffer(whole, big.data(), static_cast<uint32_t>(big.size()));
    EXPECT_EQ(Md5File((dir + "/big").c_str(), digest), 1);
    EXPECT_EQ(Hex(digest), Hex(whole));
    Md5BufferAlias(digest, "abc", 3);
    EXPECT_EQ(Hex(digest), "900150983cd24fb0d6963f7d28e17f72");

    EXPECT_EQ(Md5File((dir + "/missing").c_str(), digest), 0);
    EXPECT_EQ(Md5File(dir.c_str(), digest), 0);  // a folder opens but cannot be read
}

}  // namespace
