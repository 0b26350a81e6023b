// The framework's message boxes. AfxMessageBox's caption is the application's name; MessageBoxW with a null
// caption says "Error", as on the real platform. Whoever answers them (a person, a test's scripted user) is
// the UI driver's business (uidriver.h), not the caller's.
#pragma once

#include "platform/win32/windows.h"

int AfxMessageBox(LPCTSTR text, UINT type = MB_OK, UINT helpId = 0);
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
LPCTSTR AfxGetAppName();
