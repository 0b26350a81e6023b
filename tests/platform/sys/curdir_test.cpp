// The current folder and full paths.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/win32/core/paths.h"
#include "platform/win32/sys/curdir.h"
#include "support/testdirs.h"

namespace {

std::u16string Full(const char16_t* path) {
    WCHAR buffer[MAX_PATH] = {};
    const DWORD n = GetFullPathNameW(path, MAX_PATH, buffer, nullptr);
    return n > 0 && n < MAX_PATH ? std::u16string(buffer) : u"<failed>";
}

TEST(CurrentFolder, FullPathsResolveRelativeNamesAndDots) {
    const std::string here = std::filesystem::current_path().string();
    ASSERT_EQ(::chdir(tarntest::TempDir().c_str()), 0);
    const std::u16string cwd = platform::ToWindowsPath(tarntest::TempDir());
    WCHAR buffer[MAX_PATH] = {};
    EXPECT_EQ(GetCurrentDirectoryW(MAX_PATH, buffer), cwd.size());
    EXPECT_EQ(std::u16string(buffer), cwd);
    EXPECT_EQ(GetCurrentDirectoryW(2, buffer), cwd.size() + 1);  // too small: the size needed

    EXPECT_EQ(Full(u"a\\b"), cwd + u"\\a\\b");
    EXPECT_EQ(Full(u".\\a\\..\\c\\"), cwd + u"\\c");
    ASSERT_EQ(::chdir(here.c_str()), 0);

    EXPECT_EQ(Full(u"C:\\x\\.\\y\\..\\z\\"), u"C:\\x\\z");
    EXPECT_EQ(Full(u"c:/x//y"), u"c:\\x\\y");
    EXPECT_EQ(Full(u"C:\\..\\.."), u"C:\\");
    EXPECT_EQ(Full(u"\\x"), u"C:\\x");
    EXPECT_EQ(Full(u""), u"<failed>");
    WCHAR* file = nullptr;
    ASSERT_GT(GetFullPathNameW(u"C:\\x\\name.txt", MAX_PATH, buffer, &file), 0u);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(std::u16string(file), u"name.txt");
}

}  // namespace
