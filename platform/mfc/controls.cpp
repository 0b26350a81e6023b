// Control windows, the dialog manager and kept geometry (see controls_api.h).
#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/mfc/controls_api.h"
#include "platform/mfc/mfc_internal.h"
#include "platform/win32/bus/bus_hooks.h"
#include "platform/win32/core/testhooks.h"
#include "platform/win32/core/unicode.h"

namespace {

struct ControlState {
    std::u16string className;
    DWORD style = 0;
    int check = BST_UNCHECKED;
    std::vector<std::u16string> items;
    std::vector<LPARAM> itemData;
    int selection = -1;
    HFONT font = nullptr;
    int limit = 0;
};

struct ChildId {
    HWND parent = nullptr;
    int id = 0;
};

struct ModalState {
    bool ended = false;
    INT_PTR result = 0;
};

struct State {
    bool classesRegistered = false;
    std::map<HWND, ControlState> controls;
    std::map<HWND, ChildId> ids;
    std::map<HWND, RECT> rects;
    std::set<HWND> topmost;
    std::map<HWND, ModalState> modal;
    HWND focus = nullptr;
};

State& S() {
    static State* state = [] {
        platform::RegisterReset("mfc.controls", [] { S() = State(); });
        return new State();
    }();
    return *state;
}

bool IsClass(const ControlState& c, std::u16string_view name) {
    return platform::EqualsNoCase(c.className, name);
}

bool IsList(const ControlState& c) {
    return IsClass(c, u"ComboBox") || IsClass(c, u"ListBox");
}

void ShowSelection(HWND hwnd, const ControlState& c) {
    // A drop-down list shows its selected item as its window text.
    if (IsClass(c, u"ComboBox")) {
        const bool valid = c.selection >= 0 && c.selection < static_cast<int>(c.items.size());
        SetWindowTextW(hwnd, valid ? c.items[static_cast<size_t>(c.selection)].c_str() : u"");
    }
}

LRESULT ListMessage(HWND hwnd, ControlState& c, UINT message, WPARAM wParam, LPARAM lParam) {
    const int count = static_cast<int>(c.items.size());
    const int index = static_cast<int>(static_cast<INT_PTR>(wParam));
    const bool inRange = index >= 0 && index < count;
    switch (message) {
        case CB_ADDSTRING:
        case LB_ADDSTRING: {
            const auto* text = reinterpret_cast<const char16_t*>(lParam);
            c.items.emplace_back(text != nullptr ? text : u"");
            c.itemData.push_back(0);
            return count;
        }
        case CB_INSERTSTRING:
        case LB_INSERTSTRING: {
            const auto* text = reinterpret_cast<const char16_t*>(lParam);
            const int at = index < 0 || index > count ? count : index;
            c.items.insert(c.items.begin() + at, text != nullptr ? text : u"");
            c.itemData.insert(c.itemData.begin() + at, 0);
            if (c.selection >= at) {
                ++c.selection;
            }
            return at;
        }
        case CB_DELETESTRING:
        case LB_DELETESTRING:
            if (!inRange) {
                return CB_ERR;
            }
            c.items.erase(c.items.begin() + index);
            c.itemData.erase(c.itemData.begin() + index);
            if (c.selection == index) {
                c.selection = -1;
                ShowSelection(hwnd, c);
            } else if (c.selection > index) {
                --c.selection;
            }
            return count - 1;
        case CB_RESETCONTENT:
        case LB_RESETCONTENT:
            c.items.clear();
            c.itemData.clear();
            c.selection = -1;
            ShowSelection(hwnd, c);
            return 0;
        case CB_GETCOUNT:
        case LB_GETCOUNT:
            return count;
        case CB_GETCURSEL:
        case LB_GETCURSEL:
            return c.selection;
        case CB_SETCURSEL:
        case LB_SETCURSEL:
            // An index out of range clears the selection and reports CB_ERR.
            c.selection = inRange ? index : -1;
            ShowSelection(hwnd, c);
            return inRange ? index : CB_ERR;
        case CB_GETLBTEXT:
        case LB_GETTEXT: {
            if (!inRange) {
                return CB_ERR;
            }
            const std::u16string& item = c.items[static_cast<size_t>(index)];
            auto* out = reinterpret_cast<char16_t*>(lParam);
            if (out != nullptr) {
                std::copy(item.begin(), item.end(), out);
                out[item.size()] = 0;
            }
            return static_cast<LRESULT>(item.size());
        }
        case CB_GETLBTEXTLEN:
        case LB_GETTEXTLEN:
            return inRange ? static_cast<LRESULT>(c.items[static_cast<size_t>(index)].size()) : CB_ERR;
        case CB_FINDSTRINGEXACT:
        case LB_FINDSTRINGEXACT: {
            const auto* text = reinterpret_cast<const char16_t*>(lParam);
            for (int i = 0; i < count; ++i) {
                const int at = (index + 1 + i) % count;  // the search starts after the given index
                if (text != nullptr && platform::EqualsNoCase(c.items[static_cast<size_t>(at)], text)) {
                    return at;
                }
            }
            return CB_ERR;
        }
        case CB_SETITEMDATA:
        case LB_SETITEMDATA:
            if (!inRange) {
                return CB_ERR;
            }
            c.itemData[static_cast<size_t>(index)] = lParam;
            return 0;
        case CB_GETITEMDATA:
        case LB_GETITEMDATA:
            return inRange ? c.itemData[static_cast<size_t>(index)] : CB_ERR;
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

void ClickButton(HWND hwnd, ControlState& c) {
    const DWORD type = c.style & BS_TYPEMASK;
    if (type == BS_AUTOCHECKBOX) {
        c.check = c.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
    } else if (type == BS_AUTO3STATE) {
        c.check = (c.check + 1) % 3;
    } else if (type == BS_AUTORADIOBUTTON) {
        const HWND parent = GetParent(hwnd);
        for (auto& [other, state] : S().controls) {
            if (other != hwnd && (state.style & BS_TYPEMASK) == BS_AUTORADIOBUTTON &&
                GetParent(other) == parent) {
                state.check = BST_UNCHECKED;
            }
        }
        c.check = BST_CHECKED;
    }
    platform::mfc::NotifyParent(hwnd, BN_CLICKED);
}

LRESULT ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto& s = S();
    if (message == WM_CREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ControlState c;
        c.className = cs->lpszClass != nullptr ? cs->lpszClass : u"";
        c.style = static_cast<DWORD>(cs->style);
        s.controls[hwnd] = std::move(c);
        platform::mfc::RecordChild(hwnd, cs->hwndParent,
                                   static_cast<int>(reinterpret_cast<INT_PTR>(cs->hMenu)));
        s.rects[hwnd] = RECT{cs->x, cs->y, cs->x + cs->cx, cs->y + cs->cy};
        return 0;
    }
    if (message == WM_NCDESTROY) {
        s.controls.erase(hwnd);
        platform::mfc::ForgetWindow(hwnd);
        return 0;
    }
    auto it = s.controls.find(hwnd);
    if (it == s.controls.end()) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    ControlState& c = it->second;
    switch (message) {
        case BM_GETCHECK:
            return c.check;
        case BM_SETCHECK:
            c.check = static_cast<int>(wParam);
            return 0;
        case BM_GETSTATE:
            return c.check;
        case BM_CLICK:
            ClickButton(hwnd, c);
            return 0;
        case WM_SETFONT:
            c.font = reinterpret_cast<HFONT>(wParam);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(c.font);
        case EM_LIMITTEXT:
            c.limit = static_cast<int>(wParam);
            return 0;
        case EM_SETSEL:
        case EM_SETREADONLY:
            return 1;
        default:
            if (IsList(c)) {
                return ListMessage(hwnd, c, message, wParam, lParam);
            }
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

const char16_t* const kControlClasses[] = {u"Button",   u"Edit",    u"Static",
                                           u"ComboBox", u"ListBox", u"SysTreeView32"};

}  // namespace

namespace platform {

void EnsureControlClasses() {
    auto& s = S();
    if (s.classesRegistered) {
        return;
    }
    s.classesRegistered = true;
    for (const char16_t* name : kControlClasses) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &ControlProc;
        wc.lpszClassName = name;
        RegisterClassW(&wc);  // already there after a partial reset: fine
    }
    mfc::RegisterListViewClass();
}

bool IsTopmost(HWND hwnd) {
    return IsWindow(hwnd) && S().topmost.count(hwnd) != 0;
}

void BeginModal(HWND dialog) {
    S().modal[dialog] = ModalState{};
}

bool ModalEnded(HWND dialog) {
    auto it = S().modal.find(dialog);
    return !IsWindow(dialog) || (it != S().modal.end() && it->second.ended);
}

INT_PTR ModalResult(HWND dialog) {
    auto it = S().modal.find(dialog);
    return it != S().modal.end() ? it->second.result : IDCANCEL;
}

void EndModal(HWND dialog) {
    S().modal.erase(dialog);
}

namespace mfc {

void RecordChild(HWND hwnd, HWND parent, int id) {
    S().ids[hwnd] = ChildId{parent, id};
}

void RecordRect(HWND hwnd, const RECT& rect) {
    S().rects[hwnd] = rect;
}

void ForgetWindow(HWND hwnd) {
    auto& s = S();
    s.ids.erase(hwnd);
    s.rects.erase(hwnd);
    s.topmost.erase(hwnd);
    if (s.focus == hwnd) {
        s.focus = nullptr;
    }
}

void NotifyParent(HWND control, UINT code) {
    const HWND parent = GetParent(control);
    if (parent != nullptr) {
        SendMessageW(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
                     reinterpret_cast<LPARAM>(control));
    }
}

std::u16string ControlClass(HWND control) {
    auto it = S().controls.find(control);
    return it != S().controls.end() ? it->second.className : std::u16string();
}

std::vector<std::u16string> ControlItems(HWND control) {
    auto it = S().controls.find(control);
    return it != S().controls.end() ? it->second.items : std::vector<std::u16string>();
}

DWORD ControlStyle(HWND control) {
    auto it = S().controls.find(control);
    return it != S().controls.end() ? it->second.style : 0;
}

}  // namespace mfc
}  // namespace platform

HWND GetDlgItem(HWND dialog, int id) {
    platform::EnsureControlClasses();
    for (const auto& [hwnd, child] : S().ids) {
        if (child.parent == dialog && child.id == id && IsWindow(hwnd)) {
            return hwnd;
        }
    }
    return nullptr;
}

int GetDlgCtrlID(HWND control) {
    auto it = S().ids.find(control);
    return it != S().ids.end() && IsWindow(control) ? it->second.id : 0;
}

BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text) {
    const HWND item = GetDlgItem(dialog, id);
    return item != nullptr ? SetWindowTextW(item, text) : FALSE;
}

UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR buffer, int capacity) {
    const HWND item = GetDlgItem(dialog, id);
    if (item == nullptr) {
        if (buffer != nullptr && capacity > 0) {
            buffer[0] = 0;
        }
        return 0;
    }
    return static_cast<UINT>(GetWindowTextW(item, buffer, capacity));
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
    const HWND item = GetDlgItem(dialog, id);
    if (item == nullptr) {
        return FALSE;
    }
    SendMessageW(item, BM_SETCHECK, check, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
    const HWND item = GetDlgItem(dialog, id);
    return item != nullptr ? static_cast<UINT>(SendMessageW(item, BM_GETCHECK, 0, 0)) : 0;
}

LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND item = GetDlgItem(dialog, id);
    return item != nullptr ? SendMessageW(item, message, wParam, lParam) : 0;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    if (!IsWindow(dialog)) {
        return FALSE;
    }
    auto it = S().modal.find(dialog);
    if (it != S().modal.end()) {
        it->second.ended = true;
        it->second.result = result;
    } else {
        ShowWindow(dialog, SW_HIDE);
    }
    return TRUE;
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
    if (!IsWindow(hwnd) || rect == nullptr) {
        return FALSE;
    }
    auto it = S().rects.find(hwnd);
    *rect = it != S().rects.end() ? it->second : RECT{0, 0, 0, 0};
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
    if (!GetWindowRect(hwnd, rect)) {
        return FALSE;
    }
    *rect = RECT{0, 0, rect->right - rect->left, rect->bottom - rect->top};
    return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL) {
    if (!IsWindow(hwnd)) {
        return FALSE;
    }
    S().rects[hwnd] = RECT{x, y, x + width, y + height};
    return TRUE;
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    if (!IsWindow(hwnd)) {
        return FALSE;
    }
    auto& s = S();
    RECT r{};
    GetWindowRect(hwnd, &r);
    if ((flags & SWP_NOMOVE) == 0) {
        r = RECT{x, y, x + (r.right - r.left), y + (r.bottom - r.top)};
    }
    if ((flags & SWP_NOSIZE) == 0) {
        r.right = r.left + cx;
        r.bottom = r.top + cy;
    }
    s.rects[hwnd] = r;
    if ((flags & SWP_NOZORDER) == 0) {
        if (insertAfter == HWND_TOPMOST) {
            s.topmost.insert(hwnd);
            BringWindowToTop(hwnd);
        } else if (insertAfter == HWND_NOTOPMOST) {
            s.topmost.erase(hwnd);
        } else if (insertAfter == HWND_TOP) {
            BringWindowToTop(hwnd);
        }
    }
    if ((flags & SWP_SHOWWINDOW) != 0) {
        ShowWindow(hwnd, SW_SHOW);
    } else if ((flags & SWP_HIDEWINDOW) != 0) {
        ShowWindow(hwnd, SW_HIDE);
    }
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* point) {
    return IsWindow(hwnd) && point != nullptr ? TRUE : FALSE;
}

BOOL ClientToScreen(HWND hwnd, POINT* point) {
    return IsWindow(hwnd) && point != nullptr ? TRUE : FALSE;
}

HWND SetFocus(HWND hwnd) {
    const HWND previous = GetFocus();
    if (hwnd == nullptr || IsWindow(hwnd)) {
        S().focus = hwnd;
        // An edit that loses the focus gives up its caret and tells its parent, as the user's next click
        // makes it do.
        if (previous != nullptr && previous != hwnd &&
            platform::EqualsNoCase(platform::mfc::ControlClass(previous), u"Edit")) {
            if (platform::Caret().owner == previous) {
                DestroyCaret();
            }
            platform::mfc::NotifyParent(previous, EN_KILLFOCUS);
        }
    }
    return previous;
}

HWND GetFocus() {
    return IsWindow(S().focus) ? S().focus : nullptr;
}
