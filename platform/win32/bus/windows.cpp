// Window classes and windows: the table, creation and destruction, and the recorded per-window state.
#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/win32/bus/bus_hooks.h"
#include "platform/win32/bus/bus_state.h"
#include "platform/win32/core/testhooks.h"
#include "platform/win32/core/unicode.h"

namespace platform::bus {

namespace {

constexpr ATOM kDialogAtom = 32770;
constexpr int kDialogExtra = 3 * static_cast<int>(sizeof(LONG_PTR));  // DWLP_MSGRESULT and two more slots

// The dialog class's procedure: a dialog answers 0 for what it does not handle.
LRESULT DialogClassProc(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

void AddPredefinedClasses(State& s) {
    WndClass dialog;
    dialog.name = u"#32770";
    dialog.atom = kDialogAtom;
    dialog.proc = &DialogClassProc;
    dialog.wndExtra = kDialogExtra;
    dialog.predefined = true;
    s.classes.push_back(std::move(dialog));
}

void ResetState(State& s) {
    // Windows are destroyed as the platform would at the end of a session, top-level ones first (each takes
    // its children along), so that their owners and drop hooks see them go.
    std::vector<HWND> topLevel;
    for (const auto& [key, w] : s.windows) {
        if (!w->destroying && (w->parent == nullptr || w->parent == HWND_MESSAGE || !Lookup(w->parent))) {
            topLevel.push_back(w->handle);
        }
    }
    for (HWND hwnd : topLevel) {
        if (Lookup(hwnd)) {
            DestroyWindow(hwnd);
        }
    }
    s.windows.clear();
    s.dropHooks.clear();
    s.late.clear();
    s.posted.clear();
    s.timers.clear();
    s.timesOut.clear();
    std::erase_if(s.classes, [](const WndClass& c) { return !c.predefined; });
    s.nextThreadTimerId = 1;
    s.quit = false;
    s.quitCode = 0;
    s.foreground = nullptr;
}

std::u16string Fold(std::u16string_view name) {
    std::u16string folded(name);
    for (char16_t& c : folded) {
        c = ToUpperChar(c);
    }
    return folded;
}

// Class names may be given as an atom (MAKEINTATOM): a "pointer" below 0x10000.
bool IsAtomName(LPCWSTR name) {
    return reinterpret_cast<ULONG_PTR>(name) < 0x10000;
}

WndClass* FindClass(LPCWSTR name) {
    if (name == nullptr) {
        return nullptr;
    }
    for (WndClass& c : S().classes) {
        if (IsAtomName(name) ? c.atom == static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name))
                             : EqualsNoCase(c.name, name)) {
            return &c;
        }
    }
    return nullptr;
}

int CopyText(const std::u16string& text, LPWSTR buffer, int capacity) {
    if (buffer == nullptr || capacity <= 0) {
        return 0;
    }
    const int n = std::min(static_cast<int>(text.size()), capacity - 1);
    std::memcpy(buffer, text.data(), static_cast<size_t>(n) * sizeof(char16_t));
    buffer[n] = 0;
    return n;
}

}  // namespace

State& S() {
    static State state;
    static const bool registered = [] {
        AddPredefinedClasses(state);
        RegisterReset("bus", [] { ResetState(S()); });
        return true;
    }();
    (void)registered;
    return state;
}

std::shared_ptr<Window> Lookup(HWND hwnd) {
    auto& windows = S().windows;
    auto it = windows.find(reinterpret_cast<uintptr_t>(hwnd));
    return it == windows.end() ? nullptr : it->second;
}

std::shared_ptr<Window> LookupOrFail(HWND hwnd) {
    auto w = Lookup(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    }
    return w;
}

LRESULT CallProc(const std::shared_ptr<Window>& w, UINT message, WPARAM wParam, LPARAM lParam) {
    const std::shared_ptr<Window> keep =
        w;  // the caller's reference may be the table's, which a destroy drops
    WNDPROC proc = keep->proc;
    return proc != nullptr ? proc(keep->handle, message, wParam, lParam) : 0;
}

UINT AtomFor(std::u16string_view name) {
    auto& atoms = S().atoms;
    const std::u16string key = Fold(name);
    auto it = atoms.find(key);
    if (it != atoms.end()) {
        return it->second;
    }
    const UINT atom = 0xC000u + static_cast<UINT>(atoms.size());
    if (atom > 0xFFFFu) {
        return 0;
    }
    atoms.emplace(key, atom);
    return atom;
}

}  // namespace platform::bus

using platform::bus::Lookup;
using platform::bus::LookupOrFail;
using platform::bus::S;

ATOM RegisterClassW(const WNDCLASSW* wc) {
    if (wc == nullptr || wc->lpszClassName == nullptr || wc->lpfnWndProc == nullptr || wc->cbWndExtra < 0 ||
        platform::bus::IsAtomName(wc->lpszClassName) || wc->lpszClassName[0] == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (platform::bus::FindClass(wc->lpszClassName) != nullptr) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    const UINT atom = platform::bus::AtomFor(wc->lpszClassName);
    if (atom == 0) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    platform::bus::WndClass c;
    c.name = wc->lpszClassName;
    c.atom = static_cast<ATOM>(atom);
    c.proc = wc->lpfnWndProc;
    c.wndExtra = wc->cbWndExtra;
    S().classes.push_back(std::move(c));
    return static_cast<ATOM>(atom);
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE) {
    auto* c = platform::bus::FindClass(className);
    if (c == nullptr) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (c->predefined) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    for (const auto& [key, w] : S().windows) {
        if (platform::EqualsNoCase(w->className, c->name)) {
            SetLastError(ERROR_CLASS_HAS_WINDOWS);
            return FALSE;
        }
    }
    const ATOM atom = c->atom;
    std::erase_if(S().classes, [atom](const platform::bus::WndClass& k) { return k.atom == atom; });
    return TRUE;
}

BOOL GetClassInfoW(HINSTANCE, LPCWSTR className, WNDCLASSW* wc) {
    const auto* c = platform::bus::FindClass(className);
    if (c == nullptr || wc == nullptr) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    *wc = WNDCLASSW{};
    wc->lpfnWndProc = c->proc;
    wc->cbWndExtra = c->wndExtra;
    wc->lpszClassName = c->name.c_str();  // valid while the class stays registered
    return TRUE;
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    const auto* c = platform::bus::FindClass(className);
    if (c == nullptr) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    if (parent != nullptr && parent != HWND_MESSAGE && !Lookup(parent)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    auto& s = S();
    auto w = std::make_shared<platform::bus::Window>();
    w->handle = reinterpret_cast<HWND>(s.nextHandle);
    s.nextHandle += 0x10;
    w->className = c->name;
    w->text = windowName != nullptr ? windowName : u"";
    w->proc = c->proc;
    w->parent = parent;
    w->style = style;
    w->extra.assign(static_cast<size_t>(c->wndExtra), 0);
    w->visible = (style & WS_VISIBLE) != 0;
    w->zOrder = ++s.nextZ;
    const HWND hwnd = w->handle;
    s.windows.emplace(reinterpret_cast<uintptr_t>(hwnd), w);

    CREATESTRUCTW cs{
        param,      instance,        menu,   parent, height, width, y, x, static_cast<LONG>(style),
        windowName, c->name.c_str(), exStyle};
    if (platform::bus::CallProc(w, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    return Lookup(hwnd) ? hwnd : nullptr;  // WM_CREATE may have destroyed it
}

BOOL DestroyWindow(HWND hwnd) {
    auto w = LookupOrFail(hwnd);
    if (!w) {
        return FALSE;
    }
    if (w->destroying) {
        return TRUE;  // a destroy from inside its own WM_DESTROY: already under way
    }
    w->destroying = true;
    auto& s = S();
    if (s.foreground == hwnd) {
        s.foreground = nullptr;
    }
    platform::bus::CallProc(w, WM_DESTROY, 0, 0);
    std::vector<HWND> children;
    for (const auto& [key, child] : s.windows) {
        if (child->parent == hwnd) {
            children.push_back(child->handle);
        }
    }
    for (HWND child : children) {
        DestroyWindow(child);
    }
    platform::bus::CallProc(w, WM_NCDESTROY, 0, 0);
    s.windows.erase(reinterpret_cast<uintptr_t>(hwnd));
    platform::bus::DropWindowTraffic(hwnd);
    return TRUE;
}

BOOL IsWindow(HWND hwnd) {
    return Lookup(hwnd) ? TRUE : FALSE;
}

HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) {
    const platform::bus::WndClass* c = nullptr;
    if (className != nullptr) {
        c = platform::bus::FindClass(className);
        if (c == nullptr) {
            return nullptr;
        }
    }
    // Top-level windows only, the one nearest the top first (as a search down the z-order would find it).
    const platform::bus::Window* best = nullptr;
    for (const auto& [key, w] : S().windows) {
        if (w->destroying || w->parent == HWND_MESSAGE || (w->style & WS_CHILD) != 0) {
            continue;
        }
        if (c != nullptr && !platform::EqualsNoCase(w->className, c->name)) {
            continue;
        }
        if (windowName != nullptr && w->text != windowName) {
            continue;
        }
        if (best == nullptr || w->zOrder > best->zOrder) {
            best = w.get();
        }
    }
    return best != nullptr ? best->handle : nullptr;
}

HWND GetParent(HWND hwnd) {
    auto w = LookupOrFail(hwnd);
    return w && w->parent != HWND_MESSAGE ? w->parent : nullptr;
}

LONG_PTR GetWindowLongPtrW(HWND hwnd, int index) {
    auto w = LookupOrFail(hwnd);
    if (!w) {
        return 0;
    }
    if (index == GWLP_USERDATA) {
        return w->userData;
    }
    if (index == GWLP_WNDPROC) {
        return reinterpret_cast<LONG_PTR>(w->proc);
    }
    if (index >= 0 && static_cast<size_t>(index) + sizeof(LONG_PTR) <= w->extra.size()) {
        LONG_PTR value = 0;
        std::memcpy(&value, w->extra.data() + index, sizeof value);
        return value;
    }
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value) {
    auto w = LookupOrFail(hwnd);
    if (!w) {
        return 0;
    }
    LONG_PTR previous = 0;
    if (index == GWLP_USERDATA) {
        previous = std::exchange(w->userData, value);
    } else if (index == GWLP_WNDPROC) {
        if (value == 0) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        previous = reinterpret_cast<LONG_PTR>(std::exchange(w->proc, reinterpret_cast<WNDPROC>(value)));
    } else if (index >= 0 && static_cast<size_t>(index) + sizeof(LONG_PTR) <= w->extra.size()) {
        std::memcpy(&previous, w->extra.data() + index, sizeof previous);
        std::memcpy(w->extra.data() + index, &value, sizeof value);
    } else {
        SetLastError(ERROR_INVALID_INDEX);
    }
    return previous;
}

int GetWindowTextW(HWND hwnd, LPWSTR buffer, int capacity) {
    auto w = LookupOrFail(hwnd);
    if (!w) {
        if (buffer != nullptr && capacity > 0) {
            buffer[0] = 0;
        }
        return 0;
    }
    return platform::bus::CopyText(w->text, buffer, capacity);
}

int GetWindowTextLengthW(HWND hwnd) {
    auto w = LookupOrFail(hwnd);
    return w ? static_cast<int>(w->text.size()) : 0;
}

BOOL SetWindowTextW(HWND hwnd, LPCWSTR text) {
    auto w = LookupOrFail(hwnd);
    if (!w) {
        return FALSE;
    }
    w->text = text != nullptr ? text : u"";
    return TRUE;
}

int GetClassNameW(HWND hwnd, LPWSTR buffer, int capacity) {
    auto w = LookupOrFail(hwnd);
    return w ? platform::bus::CopyText(w->className, buffer, capacity) : 0;
}

BOOL ShowWindow(HWND hwnd, int cmdShow) {
    auto w = LookupOrFail(hwnd);
    if (!w) {
        return FALSE;
    }
    const BOOL wasVisible = w->visible ? TRUE : FALSE;
    switch (cmdShow) {
        case SW_HIDE:
            w->visible = false;
            break;
        case SW_SHOWMINIMIZED:
        case SW_MINIMIZE:
            w->visible = true;
            w->iconic = true;
            break;
        case SW_SHOWNORMAL:
        case SW_SHOWMAXIMIZED:
        case SW_RESTORE:
            w->visible = true;
            w->iconic = false;
            break;
        default:
            w->visible = true;
            break;
    }
    return wasVisible;
}

BOOL IsWindowVisible(HWND hwnd) {
    auto w = Lookup(hwnd);
    return w && w->visible ? TRUE : FALSE;
}

BOOL IsIconic(HWND hwnd) {
    auto w = Lookup(hwnd);
    return w && w->iconic ? TRUE : FALSE;
}

BOOL BringWindowToTop(HWND hwnd) {
    auto w = LookupOrFail(hwnd);
    if (!w) {
        return FALSE;
    }
    w->zOrder = ++S().nextZ;
    return TRUE;
}

BOOL SetForegroundWindow(HWND hwnd) {
    if (!BringWindowToTop(hwnd)) {
        return FALSE;
    }
    S().foreground = hwnd;
    return TRUE;
}

HWND GetForegroundWindow() {
    return Lookup(S().foreground) ? S().foreground : nullptr;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
    auto w = LookupOrFail(hwnd);
    if (!w) {
        return FALSE;
    }
    const bool wasDisabled = !w->enabled;
    w->enabled = enable != FALSE;
    return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
    auto w = Lookup(hwnd);
    return w && w->enabled ? TRUE : FALSE;
}

LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM, LPARAM) {
    if (message == WM_CLOSE) {
        DestroyWindow(hwnd);
    }
    return 0;
}

LRESULT CallWindowProcW(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return previous != nullptr ? previous(hwnd, message, wParam, lParam) : 0;
}

namespace {
int g_screenWidth = 1920;
int g_screenHeight = 1080;
}  // namespace

int GetSystemMetrics(int index) {
    switch (index) {
        case SM_CXSCREEN:
            return g_screenWidth;
        case SM_CYSCREEN:
            return g_screenHeight;
        default:
            return 0;
    }
}

namespace platform {

void SetScreenSize(int width, int height) {
    g_screenWidth = width;
    g_screenHeight = height;
}

size_t LiveWindowCount() {
    return bus::S().windows.size();
}

std::vector<WindowRecord> LiveWindows() {
    std::vector<WindowRecord> windows;
    for (const auto& [key, w] : bus::S().windows) {
        windows.push_back(WindowRecord{w->handle, w->className, w->text, w->proc});
    }
    return windows;
}

HWND TopWindow() {
    const bus::Window* top = nullptr;
    for (const auto& [key, w] : bus::S().windows) {
        if (w->parent == HWND_MESSAGE) {
            continue;
        }
        if (top == nullptr || w->zOrder > top->zOrder) {
            top = w.get();
        }
    }
    return top != nullptr ? top->handle : nullptr;
}

}  // namespace platform
