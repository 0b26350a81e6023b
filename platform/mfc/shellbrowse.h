// The shell's folder browser, headless. SHBrowseForFolderW builds a dialog window (the tree 14145, the prompt
// 14146, the status text 14147, OK and Cancel), calls the callback with BFFM_INITIALIZED, and hands the
// window to the UI driver; the driver's user selects folders (BFFM_SELCHANGED follows) and presses OK or
// Cancel. The answer is an item list for SHGetPathFromIDListW, freed with CoTaskMemFree or ILFree.
#pragma once

#include "platform/win32/windows.h"

typedef int (*BFFCALLBACK)(HWND hwnd, UINT message, LPARAM lParam, LPARAM data);

struct BROWSEINFOW {
    HWND hwndOwner;
    LPCITEMIDLIST pidlRoot;
    LPWSTR pszDisplayName;  // MAX_PATH units: the selected folder's name
    LPCWSTR lpszTitle;
    UINT ulFlags;
    BFFCALLBACK lpfn;
    LPARAM lParam;
    int iImage;
};
typedef BROWSEINFOW* LPBROWSEINFOW;

#define BIF_RETURNONLYFSDIRS 0x00000001u
#define BIF_DONTGOBELOWDOMAIN 0x00000002u
#define BIF_STATUSTEXT 0x00000004u
#define BIF_EDITBOX 0x00000010u
#define BIF_VALIDATE 0x00000020u
#define BIF_NEWDIALOGSTYLE 0x00000040u

#define BFFM_INITIALIZED 1
#define BFFM_SELCHANGED 2
#define BFFM_ENABLEOK (WM_USER + 101)
#define BFFM_SETSELECTIONW (WM_USER + 103)
#define BFFM_SETSTATUSTEXTW (WM_USER + 104)
#define BFFM_SETOKTEXT (WM_USER + 105)

// The browser's control ids.
#define IDC_BROWSE_TREE 14145
#define IDC_BROWSE_PROMPT 14146
#define IDC_BROWSE_STATUS 14147

LPITEMIDLIST SHBrowseForFolderW(BROWSEINFOW* info);
