// Files, folders and the log line on the real file system under the test's temporary folder.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>

#include "platform/win32/core/clock.h"
#include "platform/win32/core/paths.h"
#include "platform/win32/core/unicode.h"
#include "platform/win32/sys/sys_hooks.h"
#include "plugin/cutil/cutil.h"
#include "support/testclock.h"
#include "support/testdirs.h"
#include "support/testfiles.h"

namespace fs = std::filesystem;

namespace {

void Touch(const std::string& path, const std::string& text = "x") {
    tarntest::WriteFile(path, text);
}

TEST(FileOps, WriteSizeDeleteAndOpen) {
    const std::string dir = tarntest::TempDir();
    const std::string file = dir + "/data.bin";
    EXPECT_EQ(WriteFileData(file.c_str(), "hello", 5), 1);
    EXPECT_EQ(GetFileSizeU8(file.c_str()), 5);
    EXPECT_EQ(tarntest::ReadFile(file), "hello");

    // A count of 0 truncates (or creates) the file and still succeeds.
    EXPECT_EQ(WriteFileData(file.c_str(), "", 0), 1);
    EXPECT_EQ(GetFileSizeU8(file.c_str()), 0);
    const std::string empty = dir + "/empty.bin";
    EXPECT_EQ(WriteFileData(empty.c_str(), nullptr, 0), 1);
    EXPECT_TRUE(fs::exists(empty));

    EXPECT_EQ(GetFileSizeU8(dir.c_str()), 0);  // a folder reports 0, as on the real platform
    // Sizes beyond a signed 32-bit number read as its largest (sparse files: no disk space taken), never as
    // missing or as the size modulo 4 GiB.
    const std::string huge = dir + "/huge.bin";
    for (const uintmax_t size : {uintmax_t(1) << 31, (uintmax_t(1) << 32) + 5}) {
        tarntest::WriteFile(huge, "");
        std::error_code ec;
        fs::resize_file(huge, size, ec);
        ASSERT_FALSE(ec) << ec.message();
        EXPECT_EQ(GetFileSizeU8(huge.c_str()), INT32_MAX) << size;
    }
    fs::remove(huge);
    EXPECT_EQ(GetFileSizeU8((dir + "/missing").c_str()), -1);
    EXPECT_EQ(GetFileSizeU8(nullptr), -1);
    EXPECT_EQ(WriteFileData((dir + "/no/such/folder.bin").c_str(), "x", 1), 0);

    FILE* f = OpenFileU8(file.c_str(), "ab");
    ASSERT_NE(f, nullptr);
    std::fputs("tail", f);
    std::fclose(f);
    EXPECT_EQ(tarntest::ReadFile(file), "tail");
    EXPECT_EQ(OpenFileU8((dir + "/missing").c_str(), "rb"), nullptr);

    EXPECT_NE(DeleteFileU8(file.c_str()), 0);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(DeleteFileU8(file.c_str()), 0);
    EXPECT_EQ(DeleteFileU8(nullptr), 0);
}

TEST(FileOps, ShortWriteOrFailedCloseIsFailure) {
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    // Every write to /dev/full fails with "no space"; the buffered bytes fail at the latest on close.
    EXPECT_EQ(WriteFileData("/dev/full", "abc", 3), 0);
    EXPECT_EQ(WriteFileData("/dev/full", "", 0), 1);
}

TEST(FileOps, WindowsPathsWithChineseNames) {
    const std::u16string base = platform::ToWindowsPath(tarntest::TempDir());
    const std::string folder = platform::Utf16ToUtf8(base + u"\\图纸");
    const std::string file = platform::Utf16ToUtf8(base + u"\\图纸\\一号.dat");
    CreateDirU8(folder.c_str());
    CreateDirU8(folder.c_str());  // already there: ignored
    EXPECT_EQ(WriteFileData(file.c_str(), "abcdef", 6), 1);
    EXPECT_EQ(GetFileSizeU8(file.c_str()), 6);
    EXPECT_EQ(tarntest::ReadFile(tarntest::TempDir() + "/图纸/一号.dat"), "abcdef");
    EXPECT_NE(DeleteFileU8(file.c_str()), 0);

    // One level only: a folder whose parent is missing is not created.
    const std::string deep = platform::Utf16ToUtf8(base + u"\\甲\\乙");
    CreateDirU8(deep.c_str());
    EXPECT_FALSE(fs::exists(tarntest::TempDir() + "/甲"));
}

TEST(FileOps, InvalidUtf8PathFailsBeforeTouchingFiles) {
    const std::string dir = tarntest::TempDir();
    const std::string bad = dir + "/bad\xFF";
    Touch(bad, "keep");  // a host name that no valid UTF-8 text names
    EXPECT_EQ(GetFileSizeU8(bad.c_str()), -1);
    EXPECT_EQ(DeleteFileU8(bad.c_str()), 0);
    EXPECT_EQ(OpenFileU8(bad.c_str(), "rb"), nullptr);
    EXPECT_EQ(WriteFileData(bad.c_str(), "x", 1), 0);
    EXPECT_EQ(tarntest::ReadFile(bad), "keep");
    RemoveDirTreeU8((dir + "/\xC3").c_str());
    EXPECT_TRUE(fs::exists(bad));

    const std::string newDir = dir + "/new\xC0\x80";
    CreateDirU8(newDir.c_str());
    EXPECT_FALSE(fs::exists(newDir));
    EXPECT_EQ(OpenFileU8((dir + "/ok.txt").c_str(), "w\xFF"), nullptr);
    EXPECT_FALSE(fs::exists(dir + "/ok.txt"));
}

// Builds a chain of folders under root whose path is length bytes (one more at worst); returns it.
std::string DeepFolder(const std::string& root, size_t length) {
    std::string path = root;
    while (path.size() < length) {
        const size_t room = length - path.size() - 1;
        path += "/" + std::string(std::max<size_t>(1, std::min<size_t>(200, room)), 'd');
    }
    fs::create_directories(path);
    return path;
}

TEST(FileOps, PathsLongerThanTheirBuffersFail) {
    const std::string deep = DeepFolder(tarntest::TempDir(), 1100);
    const std::string file = deep + "/f.txt";
    Touch(file, "abc");
    ASSERT_LT(file.size(), 2047u);
    EXPECT_EQ(GetFileSizeU8(file.c_str()), -1);  // beyond 1023 units
    EXPECT_EQ(DeleteFileU8(file.c_str()), 0);    // beyond 1024 units
    EXPECT_TRUE(fs::exists(file));
    FILE* f = OpenFileU8(file.c_str(), "rb");  // 2048 units is enough
    ASSERT_NE(f, nullptr);
    std::fclose(f);
}

TEST(RemoveDirTree, RemovesNestedTreesAndNothingForEmptyPaths) {
    const std::string root = tarntest::TempDir() + "/tree";
    fs::create_directories(root + "/a/b/c");
    fs::create_directories(root + "/empty");
    Touch(root + "/top.txt");
    Touch(root + "/a/one.txt");
    Touch(root + "/a/b/c/deep.png");
    Touch(root + "/a/b/.hidden");

    RemoveDirTreeU8("");
    RemoveDirTreeU8(nullptr);
    EXPECT_TRUE(fs::exists(root + "/a/b/c/deep.png"));

    RemoveDirTreeU8(platform::Utf16ToUtf8(platform::ToWindowsPath(root)).c_str());
    EXPECT_FALSE(fs::exists(root));
    EXPECT_TRUE(fs::exists(tarntest::TempDir()));
    RemoveDirTreeU8(root.c_str());  // already gone: nothing happens
}

TEST(RemoveDirTree, UndeletableFileKeepsItsFolders) {
    const std::string root = tarntest::TempDir() + "/tree";
    fs::create_directories(root + "/a/b");
    fs::create_directories(root + "/other");
    Touch(root + "/a/b/locked.txt");
    Touch(root + "/a/free.txt");
    Touch(root + "/other/free.txt");
    fs::permissions(root + "/a/b/locked.txt", fs::perms::owner_read);  // read-only: DeleteFileW refuses

    RemoveDirTreeU8(root.c_str());
    EXPECT_TRUE(fs::exists(root + "/a/b/locked.txt"));
    EXPECT_FALSE(fs::exists(root + "/a/free.txt"));
    EXPECT_FALSE(fs::exists(root + "/other"));
    fs::permissions(root + "/a/b/locked.txt", fs::perms::owner_all);
}

TEST(RemoveDirTree, NeverFollowsLinksOutOfTheTree) {
    const std::string dir = tarntest::TempDir();
    const std::string outside = dir + "/outside";
    fs::create_directories(outside + "/sub");
    Touch(outside + "/keep.txt");
    Touch(outside + "/sub/keep2.txt");

    const std::string root = dir + "/cache";
    fs::create_directories(root + "/level");
    Touch(root + "/level/tile.png");
    fs::create_directory_symlink(outside, root + "/level/link-to-folder");
    fs::create_symlink(outside + "/keep.txt", root + "/link-to-file");
    fs::create_directory_symlink(dir + "/nowhere", root + "/dangling");

    RemoveDirTreeU8(root.c_str());
    EXPECT_FALSE(fs::exists(fs::symlink_status(root)));
    EXPECT_TRUE(fs::exists(outside + "/keep.txt"));
    EXPECT_TRUE(fs::exists(outside + "/sub/keep2.txt"));

    // A link given as the tree itself goes as a link; its target keeps its files.
    const std::string rootLink = dir + "/cache-link";
    fs::create_directory_symlink(outside, rootLink);
    RemoveDirTreeU8(rootLink.c_str());
    EXPECT_FALSE(fs::exists(fs::symlink_status(rootLink)));
    EXPECT_TRUE(fs::exists(outside + "/keep.txt"));
    EXPECT_TRUE(fs::exists(outside + "/sub/keep2.txt"));
    EXPECT_EQ(platform::OpenFindHandleCount(), 0u);
}

TEST(RemoveDirTree, SkipsChildPathsThatDoNotFitInsteadOfTruncating) {
    const std::string root = tarntest::TempDir() + "/r";
    // The folder's own pattern fits in 1023 units, a file name in it does not.
    const std::string deep = DeepFolder(root, 1000);
    ASSERT_LT(deep.size() + 2, 1023u);
    const std::string longFile = deep + "/" + std::string(100, 'f');
    Touch(longFile);
    Touch(root + "/gone.txt");

    RemoveDirTreeU8(root.c_str());
    EXPECT_TRUE(fs::exists(longFile));
    EXPECT_FALSE(fs::exists(root + "/gone.txt"));
    EXPECT_EQ(platform::OpenFindHandleCount(), 0u);
}

TEST(WriteLog, AppendsTimeStampedLines) {
    const int64_t base = tarntest::LocalSeconds(2026, 3, 14, 9, 26, 53);
    platform::clock::SetWallBase(base);

    const std::string log =
        platform::Utf16ToUtf8(platform::ToWindowsPath(tarntest::TempDir()) + u"\\DebugLog.txt");
    WriteLog(log.c_str(), "start %d of %s", 7, "中文");
    platform::clock::SetVirtualNowMs(61500);
    WriteLog(log.c_str(), "%s", "100% done %s %n");
    EXPECT_EQ(tarntest::ReadFile(tarntest::TempDir() + "/DebugLog.txt"),
              "[2026/03/14 09:26:53]  start 7 of 中文\n"
              "[2026/03/14 09:27:54]  100% done %s %n\n");

    WriteLog((tarntest::TempDir() + "/no/such/log.txt").c_str(), "x");
    EXPECT_FALSE(fs::exists(tarntest::TempDir() + "/no"));

    struct tm fixed;
    LocalTimeNow(&fixed, base + 3600);
    EXPECT_EQ(fixed.tm_hour, 10);
    EXPECT_EQ(fixed.tm_min, 26);
}

}  // namespace
