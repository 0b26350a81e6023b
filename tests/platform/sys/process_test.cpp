// Programs started by CreateProcessW: the command line split as the C runtime splits it, the program found as
// Win32 finds it, and the process handle waited on for the exit code.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "platform/win32/sys/sys_api.h"
#include "platform/win32/sys/sys_hooks.h"
#include "support/testdirs.h"

namespace {

std::set<std::string> Entries(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// Runs the command line (the program searched along PATH) in the current folder; the exit code, or -1.
int RunLine(const char16_t* applicationName, std::u16string line) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(applicationName, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        return -1;
    }
    EXPECT_EQ(WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    EXPECT_TRUE(CloseHandle(info.hThread));
    EXPECT_TRUE(CloseHandle(info.hProcess));
    return static_cast<int>(code);
}

TEST(Processes, TheCommandLineIsSplitByTheRuntimesRules) {
    const std::string dir = tarntest::TempDir();
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    // Blanks separate; quotes group and vanish; \" is a quote; \\" a backslash and a delimiter; "" inside
    // quotes a quote; backslashes elsewhere are literal; a quoted program name keeps its backslashes.
    EXPECT_EQ(
        RunLine(nullptr, u"\"touch\" plain \"a b\" c\\\"d e\\\\\"f g\" h\\i \"j\"\"k\" \"semi; &|$()\""), 0);
    const std::set<std::string> expected{"plain", "a b", "c\"d", "e\\f g", "h\\i", "j\"k", "semi; &|$()"};
    EXPECT_EQ(Entries(dir), expected);
    std::filesystem::current_path(before);
}

TEST(Processes, ProgramsAreFoundAsWin32FindsThemAndWaitedFor) {
    // A bare name on the command line is searched; one given as the application name is not.
    EXPECT_EQ(RunLine(nullptr, u"false"), 1);
    EXPECT_EQ(RunLine(u"false", u"false"), -1);
    EXPECT_EQ(RunLine(u"C:\\usr\\bin\\false", u"false"), 1);
    EXPECT_EQ(RunLine(u"D:\\false", u"false"), -1);
    // A program still running: a time-out, STILL_ACTIVE, then its end.
    const size_t handles = platform::OpenKernelHandleCount();
    STARTUPINFOW startup{};
    std::u16string line = u"sleep 0.2";
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 0), WAIT_TIMEOUT);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 5000), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(GetExitCodeProcess(info.hThread, &code));  // not a process
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    EXPECT_EQ(platform::OpenKernelHandleCount(), handles);
}

}  // namespace
