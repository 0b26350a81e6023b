#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/win32/core/paths.h"
#include "platform/win32/sys/sys_api.h"
#include "platform/win32/sys/sys_hooks.h"
#include "support/testdirs.h"
#include "support/testfiles.h"

namespace {

std::u16string Win(const std::string& hostPath) {
    return platform::ToWindowsPath(hostPath);
}

DWORD LastError() {
    return GetLastError();
}

TEST(Files, WindowsAndPosixPathsReachTheSameFile) {
    const std::string dir = tarntest::TempDir();
    const std::u16string windows = Win(dir) + u"\\图纸.txt";
    ASSERT_EQ(windows.substr(0, 3), u"C:\\");
    FILE* file = _wfopen(windows.c_str(), u"wt");
    ASSERT_NE(file, nullptr);
    std::fputs("hello", file);
    std::fclose(file);

    struct _stat64 st;
    const std::u16string posix = platform::ToWindowsPath(dir).substr(2) + u"/图纸.txt";  // "\tmp\..." form
    ASSERT_EQ(_wstat64(posix.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 5);
    EXPECT_EQ(st.st_mode & _S_IFMT, static_cast<uint32_t>(_S_IFREG));
    ASSERT_EQ(_wstat64(Win(dir).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & _S_IFMT, static_cast<uint32_t>(_S_IFDIR));
    EXPECT_EQ(st.st_size, 0);                              // a folder's size is 0
    EXPECT_EQ(_wfopen(Win(dir).c_str(), u"rb"), nullptr);  // a folder is not a file

    // Another drive cannot be mapped.
    EXPECT_EQ(_wfopen(u"D:\\x.txt", u"wb"), nullptr);
    EXPECT_FALSE(DeleteFileW(u"D:\\x.txt"));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(GetFileAttributesW(u"D:\\x.txt"), INVALID_FILE_ATTRIBUTES);

    EXPECT_EQ(_wremove(windows.c_str()), 0);
    EXPECT_EQ(_wstat64(windows.c_str(), &st), -1);
}

TEST(Files, ErrorsFollowTheRealPlatform) {
    const std::u16string dir = Win(tarntest::TempDir());
    const std::u16string file = dir + u"\\a.txt";
    const std::u16string sub = dir + u"\\Sub";
    tarntest::WriteFile(tarntest::TempDir() + "/a.txt", "abc");

    EXPECT_FALSE(DeleteFileW((dir + u"\\missing.txt").c_str()));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(DeleteFileW((dir + u"\\nofolder\\x.txt").c_str()));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

    EXPECT_TRUE(CreateDirectoryW(sub.c_str(), nullptr));
    EXPECT_FALSE(CreateDirectoryW(sub.c_str(), nullptr));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(CreateDirectoryW((dir + u"\\no\\deeper").c_str(), nullptr));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(DeleteFileW(sub.c_str()));  // DeleteFileW refuses folders
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    EXPECT_TRUE(CopyFileW(file.c_str(), (sub + u"\\b.txt").c_str(), TRUE));
    EXPECT_FALSE(CopyFileW(file.c_str(), (sub + u"\\b.txt").c_str(), TRUE));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
    EXPECT_FALSE(CopyFileW(file.c_str(), file.c_str(), FALSE));  // onto itself would empty it
    EXPECT_EQ(std::filesystem::file_size(tarntest::TempDir() + "/a.txt"), 3u);
    EXPECT_FALSE(MoveFileW(file.c_str(), (sub + u"\\b.txt").c_str()));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(RemoveDirectoryW(sub.c_str()));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_DIR_NOT_EMPTY));
    EXPECT_TRUE(MoveFileW((sub + u"\\b.txt").c_str(), (dir + u"\\c.txt").c_str()));
    EXPECT_TRUE(RemoveDirectoryW(sub.c_str()));

    // A read-only file can be neither deleted nor overwritten.
    ::chmod((tarntest::TempDir() + "/c.txt").c_str(), 0444);
    EXPECT_EQ(GetFileAttributesW((dir + u"\\c.txt").c_str()) & FILE_ATTRIBUTE_READONLY,
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(DeleteFileW((dir + u"\\c.txt").c_str()));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(CopyFileW(file.c_str(), (dir + u"\\c.txt").c_str(), FALSE));
    ::chmod((tarntest::TempDir() + "/c.txt").c_str(), 0644);
    EXPECT_TRUE(DeleteFileW((dir + u"\\c.txt").c_str()));
}

// The injected faults reach copies and moves: onto a file whose opens fail, neither a copy nor a move is
// made; a copy onto a full disk fails whole and leaves no half copy behind.
TEST(Files, InjectedFaultsReachCopiesAndMoves) {
    const std::string dir = tarntest::TempDir();
    tarntest::WriteFile(dir + "/a.txt", "abc");
    const std::u16string from = Win(dir + "/a.txt");
    platform::InjectFileOpenFailure(dir + "/b.txt", EACCES);
    EXPECT_FALSE(MoveFileW(from.c_str(), Win(dir + "/b.txt").c_str()));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(CopyFileW(from.c_str(), Win(dir + "/b.txt").c_str(), FALSE));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(std::filesystem::exists(dir + "/b.txt"));

    std::filesystem::create_directories(dir + "/full");
    platform::InjectDiskFull(dir + "/full");
    EXPECT_FALSE(CopyFileW(from.c_str(), Win(dir + "/full/a.txt").c_str(), FALSE));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_FALSE(std::filesystem::exists(dir + "/full/a.txt"));
    EXPECT_EQ(tarntest::ReadFile(dir + "/a.txt"), "abc");
    EXPECT_TRUE(MoveFileW(from.c_str(), Win(dir + "/c.txt").c_str()));  // other files are not touched
}

TEST(Files, FindListsDotsThenEntriesAndShowsLinksAsReparsePoints) {
    const std::string host = tarntest::TempDir() + "/tree";
    const std::string outside = tarntest::TempDir() + "/outside";
    std::filesystem::create_directories(host + "/Sub");
    std::filesystem::create_directories(outside);
    tarntest::WriteFile(host + "/b.txt", "12345");
    tarntest::WriteFile(outside + "/keep.txt", "x");
    std::filesystem::create_directory_symlink(outside, host + "/link");
    const std::u16string dir = Win(host);

    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((dir + u"\\*").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    std::vector<std::u16string> names;
    std::vector<DWORD> attributes;
    do {
        names.push_back(data.cFileName);
        attributes.push_back(data.dwFileAttributes);
        if (names.back() == u"b.txt") {
            EXPECT_EQ(data.nFileSizeLow, 5u);
        }
    } while (FindNextFileW(find, &data));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_EQ(platform::OpenFindHandleCount(), 1u);
    EXPECT_TRUE(FindClose(find));
    EXPECT_EQ(platform::OpenFindHandleCount(), 0u);
    EXPECT_FALSE(FindClose(find));

    ASSERT_EQ(names, (std::vector<std::u16string>{u".", u"..", u"Sub", u"b.txt", u"link"}));
    EXPECT_TRUE(attributes[0] & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(attributes[2] & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(attributes[3] & FILE_ATTRIBUTE_DIRECTORY);
    // A link to a folder carries both bits, as on the real platform.
    EXPECT_EQ(attributes[4], static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(GetFileAttributesW((dir + u"\\link").c_str()),
              static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY));

    // Patterns in the last element ignore case; no match is 2, a missing folder 3.
    find = FindFirstFileW((dir + u"\\?.TXT").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::u16string(data.cFileName), u"b.txt");
    EXPECT_FALSE(FindNextFileW(find, &data));
    FindClose(find);
    EXPECT_EQ(FindFirstFileW((dir + u"\\*.dxf").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(FindFirstFileW((dir + u"\\nothere\\*").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

    // Removing the link entry as a file, the way a tree removal does, leaves its target alone.
    EXPECT_TRUE(DeleteFileW((dir + u"\\link").c_str()));
    EXPECT_TRUE(std::filesystem::exists(outside + "/keep.txt"));
}

}  // namespace
