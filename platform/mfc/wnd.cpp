// CObject, command targets, CWnd and the framework's window procedure.
#include <map>
#include <memory>

#include "platform/mfc/afxdlg.h"
#include "platform/mfc/mfc_internal.h"
#include "platform/mfc/uidriver.h"
#include "platform/win32/core/testhooks.h"
#include "platform/win32/core/unicode.h"
#include "platform/win32/sys/sys_hooks.h"

namespace {

constexpr const char16_t* kFrameworkClass = u"AfxWnd";

struct State {
    std::map<HWND, CWnd*> permanent;
    std::map<HWND, std::unique_ptr<CWnd>> temporary;
    std::map<HFONT, std::unique_ptr<CFont>> fonts;
    uintptr_t nextFont = 0x7F000;
    CWnd* pending = nullptr;  // the CWnd whose window is being created with the framework's class
    MSG current{};            // the message being handled, for Default()
    bool classRegistered = false;
    HINSTANCE resources = nullptr;
};

State& S() {
    static State* state = [] {
        platform::RegisterReset("mfc.windows", [] {
            // Windows are gone (the bus drops them without messages); CWnds owned by others just forget them.
            for (auto& [hwnd, wnd] : S().permanent) {
                wnd->m_hWnd = nullptr;
                wnd->m_pfnSuper = nullptr;
            }
            S() = State();
        });
        return new State();
    }();
    return *state;
}

void EnsureFrameworkClass() {
    platform::EnsureControlClasses();
    auto& s = S();
    if (!s.classRegistered) {
        s.classRegistered = true;
        WNDCLASSW wc{};
        wc.lpfnWndProc = &AfxWndProc;
        wc.lpszClassName = kFrameworkClass;
        RegisterClassW(&wc);
    }
}

CWnd* MakeTemporary(HWND hwnd) {
    const std::u16string cls = platform::mfc::ControlClass(hwnd);
    if (platform::EqualsNoCase(cls, u"Button")) {
        return new CButton();
    }
    if (platform::EqualsNoCase(cls, u"Edit")) {
        return new CEdit();
    }
    if (platform::EqualsNoCase(cls, u"Static")) {
        return new CStatic();
    }
    if (platform::EqualsNoCase(cls, u"ComboBox")) {
        return new CComboBox();
    }
    if (platform::EqualsNoCase(cls, u"ListBox")) {
        return new CListBox();
    }
    return new CWnd();
}

}  // namespace

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
    for (const CRuntimeClass* c = this; c != nullptr; c = c->m_pBaseClass) {
        if (c == base) {
            return TRUE;
        }
    }
    return FALSE;
}

const CRuntimeClass* CObject::GetThisClass() {
    static const CRuntimeClass rc{"CObject", sizeof(CObject), nullptr};
    return &rc;
}

const CRuntimeClass* CObject::GetRuntimeClass() const {
    return GetThisClass();
}

BOOL CObject::IsKindOf(const CRuntimeClass* cls) const {
    return GetRuntimeClass()->IsDerivedFrom(cls);
}

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr, nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const {
    return GetThisMessageMap();
}

BOOL CCmdTarget::OnCmdMsg(UINT id, int code) {
    for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
         map = map->pfnGetBaseMap != nullptr ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->pfn != nullptr; ++e) {
            if (e->nMessage == WM_COMMAND && e->nCode == static_cast<UINT>(code) && e->nID <= id &&
                id <= e->nLastID) {
                e->pfn(this, id, 0, 0);
                return TRUE;
            }
        }
    }
    return FALSE;
}

BOOL CCmdTarget::HasCommandHandler(UINT id) const {
    for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
         map = map->pfnGetBaseMap != nullptr ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->pfn != nullptr; ++e) {
            if (e->nMessage == WM_COMMAND && e->nCode == 0 && e->nID <= id && id <= e->nLastID) {
                return TRUE;
            }
        }
    }
    return FALSE;
}

CFont* CFont::FromHandle(HFONT font) {
    if (font == nullptr) {
        return nullptr;
    }
    auto& slot = S().fonts[font];
    if (!slot) {
        slot = std::make_unique<CFont>();
        slot->m_hObject = font;
    }
    return slot.get();
}

BOOL CFont::CreatePointFont(int, LPCTSTR) {
    m_hObject = reinterpret_cast<HFONT>(S().nextFont++);
    return TRUE;
}

const CWnd CWnd::wndTop;
const CWnd CWnd::wndBottom;
const CWnd CWnd::wndTopMost;
const CWnd CWnd::wndNoTopMost;

IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

CWnd::~CWnd() {
    if (m_hWnd != nullptr) {
        auto& s = S();
        auto it = s.permanent.find(m_hWnd);
        if (it != s.permanent.end() && it->second == this) {
            // Still attached: the framework destroys the window with its object.
            const HWND hwnd = m_hWnd;
            if (IsWindow(hwnd)) {
                ::DestroyWindow(hwnd);
            }
            s.permanent.erase(hwnd);
        }
    }
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
    auto& s = S();
    auto it = s.permanent.find(hwnd);
    return it != s.permanent.end() ? it->second : nullptr;
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    if (hwnd == nullptr || !IsWindow(hwnd)) {
        return nullptr;
    }
    if (CWnd* wnd = FromHandlePermanent(hwnd)) {
        return wnd;
    }
    auto& temps = S().temporary;
    std::erase_if(temps, [](const auto& entry) { return !IsWindow(entry.first); });
    auto& slot = temps[hwnd];
    if (!slot) {
        slot.reset(MakeTemporary(hwnd));
        slot->m_hWnd = hwnd;
    }
    return slot.get();
}

BOOL CWnd::Attach(HWND hwnd) {
    if (hwnd == nullptr || m_hWnd != nullptr || FromHandlePermanent(hwnd) != nullptr) {
        return FALSE;
    }
    S().permanent[hwnd] = this;
    m_hWnd = hwnd;
    return TRUE;
}

HWND CWnd::Detach() {
    const HWND hwnd = m_hWnd;
    if (hwnd != nullptr) {
        auto& s = S();
        auto it = s.permanent.find(hwnd);
        if (it != s.permanent.end() && it->second == this) {
            s.permanent.erase(it);
        }
    }
    m_hWnd = nullptr;
    return hwnd;
}

BOOL CWnd::SubclassWindow(HWND hwnd) {
    if (!IsWindow(hwnd) || !Attach(hwnd)) {
        return FALSE;
    }
    const auto previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    m_pfnSuper = previous == &AfxWndProc ? nullptr : previous;
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
    const HWND item = parent != nullptr ? ::GetDlgItem(parent->m_hWnd, static_cast<int>(id)) : nullptr;
    return item != nullptr && SubclassWindow(item);
}

HWND CWnd::UnsubclassWindow() {
    if (m_hWnd == nullptr) {
        return nullptr;
    }
    SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC,
                      reinterpret_cast<LONG_PTR>(m_pfnSuper != nullptr ? m_pfnSuper : &DefWindowProcW));
    m_pfnSuper = nullptr;
    return Detach();
}

BOOL CWnd::Create(LPCTSTR className, LPCTSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                  void*) {
    return CreateEx(0, className, windowName, style | WS_CHILD, rect, parent, id);
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCTSTR className, LPCTSTR windowName, DWORD style, const RECT& rect,
                    CWnd* parent, UINT id, LPVOID param) {
    return CreateEx(exStyle, className, windowName, style, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, parent != nullptr ? parent->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), param);
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCTSTR className, LPCTSTR windowName, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU idOrMenu, LPVOID param) {
    EnsureFrameworkClass();
    CREATESTRUCT cs{param, AfxGetInstanceHandle(),   idOrMenu,   parent,    height, width, y,
                    x,     static_cast<LONG>(style), windowName, className, exStyle};
    if (!PreCreateWindow(cs)) {
        PostNcDestroy();
        return FALSE;
    }
    auto& s = S();
    s.pending = this;
    const HWND hwnd =
        ::CreateWindowExW(cs.dwExStyle, cs.lpszClass != nullptr ? cs.lpszClass : kFrameworkClass, cs.lpszName,
                          static_cast<DWORD>(cs.style), cs.x, cs.y, cs.cx, cs.cy, cs.hwndParent, cs.hMenu,
                          cs.hInstance, cs.lpCreateParams);
    if (S().pending == this) {
        S().pending = nullptr;
    }
    if (hwnd == nullptr) {
        return FALSE;
    }
    if (m_hWnd != hwnd) {
        SubclassWindow(hwnd);  // a window of another class: taken over now that it exists
    }
    if ((cs.style & WS_CHILD) != 0) {
        platform::mfc::RecordChild(hwnd, cs.hwndParent,
                                   static_cast<int>(reinterpret_cast<INT_PTR>(cs.hMenu)));
    }
    platform::mfc::RecordRect(hwnd, RECT{cs.x, cs.y, cs.x + cs.cx, cs.y + cs.cy});
    return TRUE;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT&) {
    return TRUE;
}

BOOL CWnd::PreTranslateMessage(MSG*) {
    return FALSE;
}

BOOL CWnd::DestroyWindow() {
    if (m_hWnd == nullptr) {
        return FALSE;
    }
    const HWND hwnd = m_hWnd;
    const bool attached = FromHandlePermanent(hwnd) == this;
    const BOOL result = ::DestroyWindow(hwnd);
    if (!attached) {
        m_hWnd = nullptr;  // a temporary; an attached CWnd was detached at WM_NCDESTROY (and may be gone)
    }
    return result;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result)) {
        result = DefWindowProc(message, wParam, lParam);
    }
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == WM_COMMAND) {
        if (OnCommand(wParam, lParam)) {
            *result = 0;
            return TRUE;
        }
        return FALSE;
    }
    const auto* notify = message == WM_NOTIFY ? reinterpret_cast<const NMHDR*>(lParam) : nullptr;
    for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
         map = map->pfnGetBaseMap != nullptr ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->pfn != nullptr; ++e) {
            if (e->nMessage == WM_COMMAND) {
                continue;
            }
            // Notifications are matched by their code and the sending control's id.
            if (e->nMessage == WM_NOTIFY) {
                if (notify != nullptr && e->nCode == notify->code && e->nID <= notify->idFrom &&
                    notify->idFrom <= e->nLastID) {
                    *result = e->pfn(this, 0, wParam, lParam);
                    return TRUE;
                }
                continue;
            }
            const bool match = e->pRegistered != nullptr
                                   ? (*e->pRegistered != 0 && *e->pRegistered == message)
                                   : e->nMessage == message;
            if (match) {
                *result = e->pfn(this, 0, wParam, lParam);
                return TRUE;
            }
        }
    }
    return FALSE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM) {
    return OnCmdMsg(LOWORD(wParam), HIWORD(wParam));
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper != nullptr) {
        return CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    }
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() {
    const MSG& m = S().current;
    return DefWindowProc(m.message, m.wParam, m.lParam);
}

BOOL CWnd::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx(this, saveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (const platform::mfc::DataExchangeFailure&) {
        return FALSE;
    }
    return TRUE;
}

CWnd* CWnd::GetDlgItem(int id) const {
    return FromHandle(::GetDlgItem(m_hWnd, id));
}

void CWnd::GetDlgItem(int id, HWND* out) const {
    *out = ::GetDlgItem(m_hWnd, id);
}

int CWnd::GetDlgCtrlID() const {
    return ::GetDlgCtrlID(m_hWnd);
}

CWnd* CWnd::GetParent() const {
    return FromHandle(::GetParent(m_hWnd));
}

CWnd* CWnd::GetSafeOwner(CWnd* parent, HWND* topLevel) {
    if (topLevel != nullptr) {
        *topLevel = parent != nullptr ? parent->m_hWnd : nullptr;
    }
    return parent;
}

void CWnd::SetWindowText(LPCTSTR text) {
    ::SetWindowTextW(m_hWnd, text);
}

int CWnd::GetWindowText(LPTSTR buffer, int capacity) const {
    return ::GetWindowTextW(m_hWnd, buffer, capacity);
}

void CWnd::GetWindowText(CString& text) const {
    const int length = ::GetWindowTextLengthW(m_hWnd);
    ::GetWindowTextW(m_hWnd, text.GetBuffer(length), length + 1);
    text.ReleaseBuffer();
}

int CWnd::GetWindowTextLength() const {
    return ::GetWindowTextLengthW(m_hWnd);
}

void CWnd::SetDlgItemText(int id, LPCTSTR text) {
    ::SetDlgItemTextW(m_hWnd, id, text);
}

int CWnd::GetDlgItemText(int id, CString& text) const {
    text.Empty();
    const HWND item = ::GetDlgItem(m_hWnd, id);
    if (item != nullptr) {
        FromHandle(item)->GetWindowText(text);
    }
    return text.GetLength();
}

void CWnd::CheckDlgButton(int id, UINT check) {
    ::CheckDlgButton(m_hWnd, id, check);
}

UINT CWnd::IsDlgButtonChecked(int id) const {
    return ::IsDlgButtonChecked(m_hWnd, id);
}

BOOL CWnd::ShowWindow(int cmdShow) {
    return ::ShowWindow(m_hWnd, cmdShow);
}
BOOL CWnd::IsWindowVisible() const {
    return ::IsWindowVisible(m_hWnd);
}
BOOL CWnd::EnableWindow(BOOL enable) {
    return ::EnableWindow(m_hWnd, enable);
}
BOOL CWnd::IsWindowEnabled() const {
    return ::IsWindowEnabled(m_hWnd);
}
BOOL CWnd::IsIconic() const {
    return ::IsIconic(m_hWnd);
}
BOOL CWnd::BringWindowToTop() {
    return ::BringWindowToTop(m_hWnd);
}
BOOL CWnd::SetForegroundWindow() {
    return ::SetForegroundWindow(m_hWnd);
}
CWnd* CWnd::SetFocus() {
    return FromHandle(::SetFocus(m_hWnd));
}

void CWnd::CreateSolidCaret(int width, int height) {
    ::CreateCaret(m_hWnd, nullptr, width, height);
}

void CWnd::ShowCaret() {
    ::ShowCaret(m_hWnd);
}

void CWnd::HideCaret() {
    ::HideCaret(m_hWnd);
}

POINT CWnd::GetCaretPos() {
    POINT point = {0, 0};
    ::GetCaretPos(&point);
    return point;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::PostMessageW(m_hWnd, message, wParam, lParam);
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapseMs, TIMERPROC proc) {
    return ::SetTimer(m_hWnd, id, elapseMs, proc);
}

BOOL CWnd::KillTimer(UINT_PTR id) {
    return ::KillTimer(m_hWnd, id);
}

BOOL CWnd::SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags) {
    HWND after = insertAfter != nullptr ? insertAfter->m_hWnd : HWND_TOP;
    if (insertAfter == &wndTopMost) {
        after = HWND_TOPMOST;
    } else if (insertAfter == &wndNoTopMost) {
        after = HWND_NOTOPMOST;
    } else if (insertAfter == &wndBottom) {
        after = HWND_BOTTOM;
    } else if (insertAfter == &wndTop) {
        after = HWND_TOP;
    }
    return ::SetWindowPos(m_hWnd, after, x, y, cx, cy, flags);
}

void CWnd::GetWindowRect(LPRECT rect) const {
    ::GetWindowRect(m_hWnd, rect);
}
void CWnd::GetClientRect(LPRECT rect) const {
    ::GetClientRect(m_hWnd, rect);
}
void CWnd::ScreenToClient(LPRECT) const {}
void CWnd::ScreenToClient(LPPOINT) const {}
void CWnd::ClientToScreen(LPRECT) const {}
void CWnd::ClientToScreen(LPPOINT) const {}
void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
    ::MoveWindow(m_hWnd, x, y, width, height, repaint);
}
void CWnd::MoveWindow(LPCRECT rect, BOOL repaint) {
    ::MoveWindow(m_hWnd, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, repaint);
}

void CWnd::SetFont(CFont* font, BOOL redraw) {
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font != nullptr ? font->m_hObject : nullptr), redraw);
}

CFont* CWnd::GetFont() const {
    return CFont::FromHandle(reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0)));
}

int CWnd::MessageBox(LPCTSTR text, LPCTSTR caption, UINT type) {
    platform::MessageBoxRequest box;
    box.owner = m_hWnd;
    box.text = text != nullptr ? text : u"";
    box.caption = caption != nullptr ? std::u16string(caption) : platform::AppName();
    box.type = type;
    return platform::ShowMessageBox(box);
}

int CWnd::OnCreate(LPCREATESTRUCT) {
    return static_cast<int>(Default());
}
void CWnd::OnDestroy() {
    Default();
}
void CWnd::OnClose() {
    Default();
}
void CWnd::OnTimer(UINT_PTR) {
    Default();
}
BOOL CWnd::OnCopyData(CWnd*, COPYDATASTRUCT*) {
    return static_cast<BOOL>(Default());
}
void CWnd::OnShowWindow(BOOL, UINT) {
    Default();
}
void CWnd::OnSize(UINT, int, int) {
    Default();
}

LRESULT AfxWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = CWnd::FromHandlePermanent(hwnd);
    if (wnd == nullptr && S().pending != nullptr) {
        wnd = S().pending;  // the first message of a window the CWnd is creating
        S().pending = nullptr;
        wnd->Attach(hwnd);
    }
    if (wnd == nullptr) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    const MSG saved = S().current;
    S().current = MSG{hwnd, message, wParam, lParam, 0, {0, 0}};
    const LRESULT result = wnd->WindowProc(message, wParam, lParam);
    S().current = saved;
    if (message == WM_NCDESTROY && CWnd::FromHandlePermanent(hwnd) == wnd) {
        wnd->Detach();
        wnd->m_pfnSuper = nullptr;
        platform::mfc::ForgetWindow(hwnd);
        wnd->PostNcDestroy();  // may delete the object
    }
    return result;
}

BOOL AfxRegisterClass(WNDCLASSW* wc) {
    if (wc == nullptr) {
        return FALSE;
    }
    if (RegisterClassW(wc) != 0) {
        return TRUE;
    }
    WNDCLASSW existing{};
    return GetClassInfoW(wc->hInstance, wc->lpszClassName, &existing);
}

namespace {

// Each module has its own framework state, so its instance handle is its own: the module whose code made
// the call. Calls from the program itself (the plug-in linked into a test program) get the in-process
// plug-in's handle.
HINSTANCE InstanceOfCaller(const void* returnAddress) {
    const HMODULE module = platform::ModuleOfAddress(returnAddress);
    return module != nullptr ? module : platform::PluginModuleHandle();
}

}  // namespace

[[gnu::noinline]] HINSTANCE AfxGetInstanceHandle() {
    return InstanceOfCaller(__builtin_return_address(0));
}

// The active resource module; by default the caller's own.
[[gnu::noinline]] HINSTANCE AfxGetResourceHandle() {
    return S().resources != nullptr ? S().resources : InstanceOfCaller(__builtin_return_address(0));
}

void AfxSetResourceHandle(HINSTANCE instance) {
    S().resources = instance;
}

HINSTANCE platform::mfc::ChosenResourceHandle() {
    return S().resources;
}
