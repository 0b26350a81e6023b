#include "platform/mfc/shellbrowse.h"

#include <cstring>
#include <map>
#include <string>

#include "platform/mfc/controls_api.h"
#include "platform/mfc/mfc_internal.h"
#include "platform/mfc/uidriver.h"
#include "platform/win32/core/testhooks.h"
#include "platform/win32/sys/sys_hooks.h"

namespace {

// The item-list layout SHGetPathFromIDListW reads: cb, a marker, the path with its NUL, a zero cb.

struct Browser {
    BROWSEINFOW* info = nullptr;
    std::u16string selection;
    WNDPROC super = nullptr;
};

std::map<HWND, Browser>& Browsers() {
    static auto* browsers = [] {
        platform::RegisterReset("mfc.browse", [] { Browsers().clear(); });
        return new std::map<HWND, Browser>();
    }();
    return *browsers;
}

bool IsFolder(const std::u16string& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void Select(HWND hwnd, const std::u16string& path) {
    Browsers()[hwnd].selection = path;
    SetDlgItemTextW(hwnd, IDC_BROWSE_TREE, path.c_str());
    const BROWSEINFOW* info = Browsers()[hwnd].info;
    if (info->lpfn != nullptr) {
        LPITEMIDLIST list = platform::MakeItemIdList(path);
        info->lpfn(hwnd, BFFM_SELCHANGED, reinterpret_cast<LPARAM>(list), info->lParam);
        CoTaskMemFree(list);
    }
}

LRESULT BrowserProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto it = Browsers().find(hwnd);
    if (it == Browsers().end()) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    const WNDPROC super = it->second.super;
    switch (message) {
        case BFFM_SETSELECTIONW: {
            std::u16string path;
            if (wParam != 0 && lParam != 0) {
                path = reinterpret_cast<const char16_t*>(lParam);
            } else if (wParam == 0) {
                WCHAR buffer[MAX_PATH];
                if (SHGetPathFromIDListW(reinterpret_cast<LPCITEMIDLIST>(lParam), buffer)) {
                    path = buffer;
                }
            }
            if (!path.empty() && IsFolder(path)) {
                Select(hwnd, path);
                return TRUE;
            }
            return FALSE;
        }
        case BFFM_ENABLEOK:
            EnableWindow(GetDlgItem(hwnd, IDOK), lParam != 0 ? TRUE : FALSE);
            return 0;
        case BFFM_SETSTATUSTEXTW:
            SetDlgItemTextW(hwnd, IDC_BROWSE_STATUS, reinterpret_cast<LPCWSTR>(lParam));
            return 0;
        case BFFM_SETOKTEXT:
            SetDlgItemTextW(hwnd, IDOK, reinterpret_cast<LPCWSTR>(lParam));
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                if (IsWindowEnabled(GetDlgItem(hwnd, IDOK))) {
                    EndDialog(hwnd, IDOK);
                }
                return 0;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(hwnd, IDCANCEL);
                return 0;
            }
            break;
        case WM_CLOSE:
            EndDialog(hwnd, IDCANCEL);
            return 0;
        case WM_NCDESTROY:
            Browsers().erase(it);
            break;
        default:
            break;
    }
    return CallWindowProcW(super, hwnd, message, wParam, lParam);
}

void AddControl(HWND parent, const char16_t* cls, const char16_t* text, DWORD style, int id, RECT r) {
    CreateWindowExW(0, cls, text, WS_CHILD | style, r.left, r.top, r.right - r.left, r.bottom - r.top, parent,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}

}  // namespace

LPITEMIDLIST SHBrowseForFolderW(BROWSEINFOW* info) {
    if (info == nullptr) {
        return nullptr;
    }
    platform::EnsureControlClasses();
    const HWND hwnd = CreateWindowExW(0, WC_DIALOG, u"浏览文件夹", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0,
                                      320, 400, info->hwndOwner, nullptr, nullptr, nullptr);
    if (hwnd == nullptr) {
        return nullptr;
    }
    Browser browser;
    browser.info = info;
    browser.super = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&BrowserProc)));
    Browsers()[hwnd] = browser;
    platform::mfc::RecordRect(hwnd, RECT{0, 0, 320, 400});
    const DWORD statusVisible = (info->ulFlags & BIF_STATUSTEXT) != 0 ? WS_VISIBLE : 0;
    AddControl(hwnd, u"Static", info->lpszTitle != nullptr ? info->lpszTitle : u"", WS_VISIBLE,
               IDC_BROWSE_PROMPT, RECT{10, 10, 310, 40});
    AddControl(hwnd, u"Static", u"", statusVisible, IDC_BROWSE_STATUS, RECT{10, 45, 310, 60});
    AddControl(hwnd, u"SysTreeView32", u"", WS_VISIBLE | WS_BORDER | WS_TABSTOP, IDC_BROWSE_TREE,
               RECT{10, 90, 310, 330});
    AddControl(hwnd, u"Button", u"确定", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK,
               RECT{150, 340, 225, 365});
    AddControl(hwnd, u"Button", u"取消", WS_VISIBLE | WS_TABSTOP, IDCANCEL, RECT{235, 340, 310, 365});

    platform::BeginModal(hwnd);
    if (info->lpfn != nullptr) {
        info->lpfn(hwnd, BFFM_INITIALIZED, 0, info->lParam);
    }
    if (!platform::ModalEnded(hwnd)) {
        ShowWindow(hwnd, SW_SHOW);
        platform::UiDialog user(hwnd);
        platform::FolderPickerRequest request;
        request.owner = info->hwndOwner;
        request.prompt = info->lpszTitle != nullptr ? info->lpszTitle : u"";
        request.flags = info->ulFlags;
        platform::RunFolderPicker(user, request);
    }
    if (!platform::ModalEnded(hwnd)) {
        EndDialog(hwnd, IDCANCEL);  // the user walked away
    }
    const INT_PTR result = platform::ModalResult(hwnd);
    auto it = Browsers().find(hwnd);
    const std::u16string selection = it != Browsers().end() ? it->second.selection : std::u16string();
    platform::EndModal(hwnd);
    if (IsWindow(hwnd)) {
        DestroyWindow(hwnd);
    }
    if (result != IDOK || selection.empty()) {
        return nullptr;
    }
    if (info->pszDisplayName != nullptr) {
        const size_t cut = selection.find_last_of(u"\\/");
        std::u16string name = cut == std::u16string::npos ? selection : selection.substr(cut + 1);
        name.resize(std::min<size_t>(name.size(), MAX_PATH - 1));
        std::copy(name.begin(), name.end(), info->pszDisplayName);
        info->pszDisplayName[name.size()] = 0;
    }
    return platform::MakeItemIdList(selection);
}
