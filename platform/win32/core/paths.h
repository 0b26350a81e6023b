// The one place where Windows paths meet the host file system. The stand-in presents the whole file system as
// drive C:, so "C:\home\u\a.dxf" is "/home/u/a.dxf". Every stand-in file function maps its path here.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Maps a Windows path (or a plain POSIX path) to the host's UTF-8 path. "C:\a\b", "c:/a/b" and "\a\b" give
// "/a/b"; a relative path keeps being relative with '/' separators. Fails (returns false) for another drive,
// a UNC path, or text that is not valid UTF-16.
bool ToHostPath(std::u16string_view windowsPath, std::string& hostPath);

// As above; an empty string when the path cannot be mapped.
std::string ToHostPath(std::u16string_view windowsPath);

// Maps a host path to the Windows form the plug-in sees: "/a/b" gives "C:\a\b", a relative path gets
// backslashes.
std::u16string ToWindowsPath(std::string_view hostPath);

// Test hook: another drive whose root is a host folder the test owns ("D:\a" is hostFolder + "/a", and a
// path in that folder shows as "D:\..."), so that a drive's root can be used without touching "/". An
// empty folder removes the drive. Drives go at the reset between tests.
void MapDrive(char16_t letter, const std::string& hostFolder);

}  // namespace platform
