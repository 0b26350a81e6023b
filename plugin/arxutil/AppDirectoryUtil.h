// The folder of a module file (the plug-in's own folder, for its log, settings, icons and map images).
#pragma once

#include "platform/mfc/cstring.h"
#include "platform/win32/windows.h"

class CAppDirectoryUtil {
public:
    virtual ~CAppDirectoryUtil() = default;

    // The module's path up to, not including, its last backslash ("C:\A\B\M.arx" gives "C:\A\B"); empty when
    // the path can't be had whole.
    static CString GetCurrentDirectory(HMODULE module);
    // The folder above the module's folder ("C:\A").
    static CString GetParentDirectory(HMODULE module);
};
