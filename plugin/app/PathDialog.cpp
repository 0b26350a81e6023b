#include "plugin/app/PathDialog.h"

#include <algorithm>

#include "platform/win32/sys/curdir.h"

namespace {

constexpr int kEditHeight = 23;
constexpr int kEditGap = 4;  // between the field's bottom and the tree's top

void CopyText(WCHAR* to, size_t capacity, LPCTSTR from) {
    if (from == nullptr) {
        return;
    }
    size_t n = 0;
    while (n + 1 < capacity && from[n] != 0) {
        to[n] = from[n];
        ++n;
    }
    to[n] = 0;
}

bool IsExistingFolder(const WCHAR* path) {
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

BEGIN_MESSAGE_MAP(CPathDialog, CWnd)
ON_BN_CLICKED(IDOK, &CPathDialog::OnOK)
ON_EN_CHANGE(IDC_PATH_EDIT, &CPathDialog::OnChangeEditPath)
END_MESSAGE_MAP()

CPathDialog::CPathDialog(LPCTSTR caption, LPCTSTR prompt, LPCTSTR initialFolder, CWnd* owner) {
    CWnd* safeOwner = CWnd::GetSafeOwner(owner);
    m_hOwner = safeOwner != nullptr ? safeOwner->GetSafeHwnd() : nullptr;
    CopyText(m_szCaption, 256, caption);
    CopyText(m_szPrompt, MAX_PATH, prompt);
    CopyText(m_szInitial, MAX_PATH, initialFolder);
    m_bi.hwndOwner = m_hOwner;
    m_bi.pidlRoot = nullptr;
    m_bi.lpszTitle = m_szPrompt;
    m_bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
    m_bi.lpfn = &CPathDialog::BrowseCallback;
}

INT_PTR CPathDialog::DoModal() {
    m_bi.lParam = reinterpret_cast<LPARAM>(this);
    m_bAccepted = 0;
    m_szPath[0] = 0;
    LPITEMIDLIST item = SHBrowseForFolderW(&m_bi);
    if (item != nullptr) {
        CoTaskMemFree(item);
    }
    if (m_hWnd != nullptr) {
        Detach();  // the browser is gone; never leave a handle behind
    }
    if (m_bAccepted == 0) {
        m_szPath[0] = 0;
        return -1;
    }
    return 1;
}

CString CPathDialog::GetPathName() const {
    return CString(m_szPath);
}

int CPathDialog::BrowseCallback(HWND hwnd, UINT message, LPARAM lParam, LPARAM data) {
    auto* self = reinterpret_cast<CPathDialog*>(data);
    if (self == nullptr) {
        return 0;
    }
    if (message == BFFM_INITIALIZED) {
        self->OnBrowserInit(hwnd);
    } else if (message == BFFM_SELCHANGED) {
        self->OnSelectionChanged(reinterpret_cast<LPCITEMIDLIST>(lParam));
    }
    return 0;
}

void CPathDialog::OnBrowserInit(HWND hwnd) {
    if (m_szCaption[0] != 0) {
        ::SetWindowTextW(hwnd, m_szCaption);
    }
    // Subclassed so that OK and the field's changes reach this message map.
    SubclassWindow(hwnd);
    const HWND status = ::GetDlgItem(hwnd, IDC_BROWSE_STATUS);
    if (status != nullptr) {
        ::ShowWindow(status, SW_HIDE);
    }
    const HWND tree = ::GetDlgItem(hwnd, IDC_BROWSE_TREE);
    RECT treeRect = {0, 0, 0, 0};
    if (tree != nullptr) {
        ::GetWindowRect(tree, &treeRect);
        ScreenToClient(&treeRect);
    }
    const HWND edit = ::CreateWindowExW(
        WS_EX_CLIENTEDGE, u"EDIT", u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, treeRect.left,
        treeRect.top - kEditGap - kEditHeight, treeRect.right - treeRect.left, kEditHeight, hwnd,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PATH_EDIT)), AfxGetInstanceHandle(), nullptr);
    if (edit != nullptr) {
        ::SendMessageW(edit, WM_SETFONT, ::SendMessageW(hwnd, WM_GETFONT, 0, 0), TRUE);
    }
    if (m_szInitial[0] == 0) {
        ::GetCurrentDirectoryW(MAX_PATH, m_szInitial);
    }
    ::SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(m_szInitial));
}

void CPathDialog::OnSelectionChanged(LPCITEMIDLIST item) {
    WCHAR path[MAX_PATH] = {};
    const bool hasPath = item != nullptr && SHGetPathFromIDListW(item, path) != FALSE;
    if (!hasPath) {
        path[0] = 0;
    }
    ::SendMessageW(m_hWnd, BFFM_ENABLEOK, 0, hasPath ? TRUE : FALSE);
    ::SendMessageW(m_hWnd, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(path));
    ::SetDlgItemTextW(m_hWnd, IDC_PATH_EDIT, path);
}

void CPathDialog::OnChangeEditPath() {
    const int length = ::GetWindowTextLengthW(::GetDlgItem(m_hWnd, IDC_PATH_EDIT));
    ::SendMessageW(m_hWnd, BFFM_ENABLEOK, 0, length > 0 ? TRUE : FALSE);
}

void CPathDialog::OnOK() {
    WCHAR typed[MAX_PATH] = {};
    ::GetDlgItemTextW(m_hWnd, IDC_PATH_EDIT, typed, MAX_PATH);
    // A relative path would depend on whatever the current folder happens to be: it is made full first.
    WCHAR full[MAX_PATH] = {};
    const DWORD length = typed[0] != 0 ? ::GetFullPathNameW(typed, MAX_PATH, full, nullptr) : 0;
    if (length > 0 && length < MAX_PATH && IsExistingFolder(full)) {
        std::copy(full, full + length + 1, m_szPath);
        m_bAccepted = 1;
        ::EndDialog(m_hWnd, IDOK);
        return;
    }
    ::SetFocus(::GetDlgItem(m_hWnd, IDC_PATH_EDIT));
}
