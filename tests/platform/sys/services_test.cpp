#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/win32/core/clock.h"
#include "platform/win32/core/paths.h"
#include "platform/win32/sys/sys_api.h"
#include "platform/win32/sys/sys_hooks.h"
#include "support/testdirs.h"

namespace {

TEST(Events, SingleThreadWaitRules) {
    HANDLE automatic = CreateEventW(nullptr, FALSE, TRUE, nullptr);
    ASSERT_NE(automatic, nullptr);
    EXPECT_EQ(WaitForSingleObject(automatic, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_TIMEOUT);        // the wait consumed the signal
    EXPECT_EQ(WaitForSingleObject(automatic, INFINITE), WAIT_FAILED);  // would hang for ever
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_POSSIBLE_DEADLOCK));
    EXPECT_EQ(platform::DeadlockedWaitCount(), 1u);
    EXPECT_TRUE(SetEvent(automatic));
    EXPECT_EQ(WaitForSingleObject(automatic, 10), WAIT_OBJECT_0);

    HANDLE manual = CreateEventW(nullptr, TRUE, FALSE, u"Named");
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
    HANDLE again = CreateEventW(nullptr, TRUE, FALSE, u"Named");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    SetEvent(again);  // the same event
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);  // manual reset stays signalled
    ResetEvent(manual);
    EXPECT_EQ(WaitForSingleObject(again, 0), WAIT_TIMEOUT);

    EXPECT_EQ(WaitForSingleObject(nullptr, INFINITE), WAIT_FAILED);
    EXPECT_EQ(platform::OpenKernelHandleCount(), 3u);
    EXPECT_TRUE(CloseHandle(automatic) && CloseHandle(manual) && CloseHandle(again));
    EXPECT_FALSE(CloseHandle(automatic));
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_FAILED);
}

TEST(Shell, CallsAreRecordedAndTheHookCanAnswer) {
    EXPECT_EQ(
        reinterpret_cast<uintptr_t>(ShellExecuteW(nullptr, u"open", u"https://x/y", nullptr, nullptr, 1)),
        42u);
    std::u16string started;
    platform::SetShellExecuteHook([&](const platform::ShellExecuteRecord& r) -> DWORD {
        if (r.file == u"C:\\missing.exe") {
            return ERROR_FILE_NOT_FOUND;
        }
        started = r.file;
        return 0;
    });
    SHELLEXECUTEINFOW sei{};
    sei.cbSize = sizeof(sei);
    sei.fMask = SEE_MASK_NOCLOSEPROCESS;
    sei.lpVerb = u"open";
    sei.lpFile = u"C:\\tarn\\tarn.exe";
    sei.nShow = SW_SHOWNORMAL;
    ASSERT_TRUE(ShellExecuteExW(&sei));
    EXPECT_EQ(started, u"C:\\tarn\\tarn.exe");
    EXPECT_GT(reinterpret_cast<uintptr_t>(sei.hInstApp), 32u);
    ASSERT_NE(sei.hProcess, nullptr);
    EXPECT_TRUE(CloseHandle(sei.hProcess));

    sei.lpFile = u"C:\\missing.exe";
    EXPECT_FALSE(ShellExecuteExW(&sei));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(sei.hProcess, nullptr);
    sei.cbSize = 12;
    EXPECT_FALSE(ShellExecuteExW(&sei));

    const auto& records = platform::ShellExecuteRecords();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].verb, u"open");
    EXPECT_EQ(records[0].file, u"https://x/y");
    EXPECT_FALSE(records[0].extended);
    EXPECT_TRUE(records[1].extended);
    EXPECT_EQ(records[1].mask, static_cast<ULONG>(SEE_MASK_NOCLOSEPROCESS));
    EXPECT_EQ(records[1].show, SW_SHOWNORMAL);
}

TEST(ModulePath, TableLookupAndTruncation) {
    const HMODULE plugin = platform::PluginModuleHandle();
    platform::SetModuleFileName(plugin, u"/opt/cad/TarnArx.arx");
    char16_t buffer[32];
    EXPECT_EQ(GetModuleFileNameW(plugin, buffer, 32), 22u);
    EXPECT_EQ(std::u16string(buffer), u"C:\\opt\\cad\\TarnArx.arx");

    // Too small: size - 1 units and a NUL, the result is the size, last error 122.
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameW(plugin, buffer, 8), 8u);
    EXPECT_EQ(std::u16string(buffer), u"C:\\opt\\");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(GetModuleFileNameW(plugin, buffer, 22), 22u);  // no room for the NUL is still too small

    EXPECT_GT(GetModuleFileNameW(nullptr, buffer, 32), 0u);  // the host program has a path by default
    platform::SetModuleFileName(nullptr, u"C:\\cad\\tarnhost.exe");
    EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, 32), 19u);
    EXPECT_EQ(GetModuleFileNameW(reinterpret_cast<HMODULE>(0x1234), buffer, 32), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST(Folders, ConfiguredFoldersAndDiskSpace) {
    const std::string appData = tarntest::TempDir() + "/Local";
    const std::string temp = tarntest::TempDir() + "/Temp";
    std::filesystem::create_directories(appData);
    platform::SetLocalAppDataFolder(appData);
    platform::SetTempFolder(temp);

    LPITEMIDLIST list = nullptr;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_LOCAL_APPDATA, &list), S_OK);
    char16_t path[MAX_PATH];
    ASSERT_TRUE(SHGetPathFromIDListW(list, path));
    CoTaskMemFree(list);
    EXPECT_EQ(std::u16string(path), platform::ToWindowsPath(appData));
    char16_t shortPath[MAX_PATH];
    EXPECT_EQ(GetShortPathNameW(path, shortPath, MAX_PATH), platform::ToWindowsPath(appData).size());
    EXPECT_EQ(std::u16string(shortPath), std::u16string(path));
    EXPECT_EQ(GetShortPathNameW(u"C:\\no\\such\\folder", shortPath, MAX_PATH), 0u);
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, path), S_OK);
    EXPECT_EQ(std::u16string(path), platform::ToWindowsPath(appData));

    const std::u16string expectedTemp = platform::ToWindowsPath(temp) + u"\\";
    EXPECT_EQ(GetTempPathW(MAX_PATH, path), expectedTemp.size());
    EXPECT_EQ(std::u16string(path), expectedTemp);
    EXPECT_EQ(GetTempPathW(4, path), expectedTemp.size() + 1);  // the size needed, with the NUL

    platform::SetLocalAppDataFolder("");
    EXPECT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_LOCAL_APPDATA, &list), E_FAIL);
    EXPECT_EQ(list, nullptr);

    ULARGE_INTEGER free{}, total{}, totalFree{};
    ASSERT_TRUE(GetDiskFreeSpaceExW(u"C:\\", &free, &total, &totalFree));
    EXPECT_GT(total.QuadPart, 0u);
    platform::SetDiskFreeSpace("", platform::DiskSpace{5, 10, 6, 0});
    platform::SetDiskFreeSpace(tarntest::TempDir(),
                               platform::DiskSpace{1ull << 30, 1ull << 40, 1ull << 30, 0});
    ASSERT_TRUE(GetDiskFreeSpaceExW(u"C:\\", &free, nullptr, nullptr));
    EXPECT_EQ(free.QuadPart, 5u);
    ASSERT_TRUE(GetDiskFreeSpaceExW(platform::ToWindowsPath(temp).c_str(), &free, nullptr, nullptr));
    EXPECT_EQ(free.QuadPart >> 30, 1u);
    platform::SetDiskFreeSpace(tarntest::TempDir(), platform::DiskSpace{0, 0, 0, ERROR_PATH_NOT_FOUND});
    EXPECT_FALSE(GetDiskFreeSpaceExW(platform::ToWindowsPath(temp).c_str(), &free, nullptr, nullptr));
    EXPECT_FALSE(GetDiskFreeSpaceExW(u"D:\\", &free, nullptr, nullptr));  // not on the mapped drive
}

TEST(Time, FollowsThePlatformClock) {
    platform::clock::SetWallBase(1773480413);  // 2026-03-14 09:26:53 UTC
    platform::clock::SetVirtualNowMs(61250);
    EXPECT_EQ(GetTickCount(), 61250u);
    EXPECT_EQ(GetTickCount64(), 61250u);
    SYSTEMTIME st{};
    GetSystemTime(&st);
    EXPECT_EQ(st.wYear, 2026);
    EXPECT_EQ(st.wMonth, 3);
    EXPECT_EQ(st.wDay, 14);
    EXPECT_EQ(st.wHour, 9);
    EXPECT_EQ(st.wMinute, 27);
    EXPECT_EQ(st.wSecond, 54);
    EXPECT_EQ(st.wMilliseconds, 250);

    __time64_t now = 0;
    EXPECT_EQ(_time64(&now), 1773480413 + 61);
    struct tm local;
    ASSERT_EQ(_localtime64_s(&local, &now), 0);
    const time_t plain = static_cast<time_t>(now);
    struct tm expected;
    localtime_r(&plain, &expected);
    EXPECT_EQ(local.tm_hour, expected.tm_hour);
    EXPECT_EQ(local.tm_min, 27);
    const __time64_t bad = -1;
    EXPECT_EQ(_localtime64_s(&local, &bad), EINVAL);
    EXPECT_EQ(local.tm_year, 0);
    EXPECT_EQ(local.tm_mday, 0);
}

}  // namespace
