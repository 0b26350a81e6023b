#include "plugin/arxutil/AppDirectoryUtil.h"

namespace {

constexpr DWORD kPathBuffer = 512;

// The module's full path, or empty when it is unknown or longer than the buffer: a cut path would name
// some other folder.
CString ModulePath(HMODULE module) {
    TCHAR path[kPathBuffer] = {0};
    const DWORD length = GetModuleFileNameW(module, path, kPathBuffer);
    if (length == 0 || length >= kPathBuffer) {
        return CString();
    }
    return CString(path);
}

// The text before the last backslash; empty when there is none.
CString CutAtLastBackslash(const CString& path) {
    return path.Left(path.ReverseFind(_T('\\')));
}

}  // namespace

CString CAppDirectoryUtil::GetCurrentDirectory(HMODULE module) {
    return CutAtLastBackslash(ModulePath(module));
}

CString CAppDirectoryUtil::GetParentDirectory(HMODULE module) {
    return CutAtLastBackslash(CutAtLastBackslash(ModulePath(module)));
}
