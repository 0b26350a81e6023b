// The folder picker: the shell's folder browser with an edit field above its tree, in which a folder path can
// be typed; OK accepts the field's folder only when it exists.
#pragma once

#include "platform/mfc/afxwin.h"

inline constexpr int IDC_PATH_EDIT = 14148;

class CPathDialog : public CWnd {
public:
    CPathDialog(LPCTSTR caption, LPCTSTR prompt, LPCTSTR initialFolder, CWnd* owner);

    // 1 when a folder was accepted, -1 otherwise.
    INT_PTR DoModal();
    CString GetPathName() const;

protected:
    static int BrowseCallback(HWND hwnd, UINT message, LPARAM lParam, LPARAM data);
    void OnBrowserInit(HWND hwnd);
    void OnSelectionChanged(LPCITEMIDLIST item);

    afx_msg void OnOK();
    afx_msg void OnChangeEditPath();
    DECLARE_MESSAGE_MAP()

    WCHAR m_szCaption[256] = {};
    WCHAR m_szPrompt[MAX_PATH] = {};
    WCHAR m_szInitial[MAX_PATH] = {};
    WCHAR m_szPath[MAX_PATH] = {};  // the chosen folder
    HWND m_hOwner = nullptr;
    BROWSEINFOW m_bi = {};
    int m_bAccepted = 0;
};
