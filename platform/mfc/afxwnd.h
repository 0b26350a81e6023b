// CObject, run-time classes, command targets with message maps, and CWnd. A CWnd is attached to a window of
// the message bus: windows it creates with its own class get their messages from the first one (WM_CREATE);
// windows of another class (a dialog class, a copy of it) are subclassed right after creation, so their
// WM_CREATE goes to the class procedure only. Messages then go through WindowProc: the message map, then
// the procedure the window had before (Default).
#pragma once

#include "platform/mfc/controls_api.h"
#include "platform/mfc/cstring.h"

#define afx_msg
#define AFXAPI
#define AFX_MSG_CALL
#define IDC_STATIC (-1)

typedef CREATESTRUCTW CREATESTRUCT;
typedef CREATESTRUCTW* LPCREATESTRUCT;
typedef WNDCLASSW WNDCLASS;
typedef const RECT* LPCRECT;
typedef POINT* LPPOINT;

class CObject;
class CWnd;
class CDataExchange;

struct CRuntimeClass {
    const char* m_lpszClassName;
    int m_nObjectSize;
    const CRuntimeClass* m_pBaseClass;
    BOOL IsDerivedFrom(const CRuntimeClass* base) const;
};

#define RUNTIME_CLASS(class_name) (class_name::GetThisClass())
#define DECLARE_DYNAMIC(class_name)             \
public:                                         \
    static const CRuntimeClass* GetThisClass(); \
    const CRuntimeClass* GetRuntimeClass() const override;
#define IMPLEMENT_DYNAMIC(class_name, base_class_name)                                                   \
    const CRuntimeClass* class_name::GetThisClass() {                                                    \
        static const CRuntimeClass rc{#class_name, sizeof(class_name), base_class_name::GetThisClass()}; \
        return &rc;                                                                                      \
    }                                                                                                    \
    const CRuntimeClass* class_name::GetRuntimeClass() const {                                           \
        return GetThisClass();                                                                           \
    }
#define DECLARE_DYNCREATE(class_name) DECLARE_DYNAMIC(class_name)
#define IMPLEMENT_DYNCREATE(class_name, base_class_name) IMPLEMENT_DYNAMIC(class_name, base_class_name)

class CObject {
public:
    virtual ~CObject() = default;
    static const CRuntimeClass* GetThisClass();
    virtual const CRuntimeClass* GetRuntimeClass() const;
    BOOL IsKindOf(const CRuntimeClass* cls) const;
};

// Message maps: tables of (message, notification code, id range, registered-message variable, handler).
// The handler is a thunk that cracks wParam/lParam and calls the member function it was made for.
class CCmdTarget;
typedef LRESULT (*AFX_PMSG_THUNK)(CCmdTarget* target, UINT id, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nCode;
    UINT nID;
    UINT nLastID;
    const UINT* pRegistered;  // ON_REGISTERED_MESSAGE: the variable holding the number, read at dispatch
    AFX_PMSG_THUNK pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                     \
protected:                                        \
    static const AFX_MSGMAP* GetThisMessageMap(); \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)          \
    const AFX_MSGMAP* theClass::GetMessageMap() const { \
        return GetThisMessageMap();                     \
    }                                                   \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {   \
        using ThisClass [[maybe_unused]] = theClass;    \
        typedef baseClass TheBaseClass;                 \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {
#define END_MESSAGE_MAP()                                                                         \
    { 0, 0, 0, 0, nullptr, nullptr }                                                              \
    }                                                                                             \
    ;                                                                                             \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
    return &messageMap;                                                                           \
    }

namespace afxdetail {

template <typename T>
struct MemberClass;
template <typename C, typename R, typename... A>
struct MemberClass<R (C::*)(A...)> {
    using type = C;
};
template <auto F>
using ClassOf = typename MemberClass<decltype(F)>::type;

template <auto F>
ClassOf<F>* Target(CCmdTarget* t);

template <auto F>
LRESULT CallVoid(CCmdTarget* t, UINT, WPARAM, LPARAM) {
    (Target<F>(t)->*F)();
    return 0;
}
template <auto F>
LRESULT CallWithId(CCmdTarget* t, UINT id, WPARAM, LPARAM) {
    (Target<F>(t)->*F)(id);
    return 0;
}
template <auto F>
LRESULT CallMessage(CCmdTarget* t, UINT, WPARAM w, LPARAM l) {
    return (Target<F>(t)->*F)(w, l);
}
template <auto F>
LRESULT CallTimer(CCmdTarget* t, UINT, WPARAM w, LPARAM) {
    (Target<F>(t)->*F)(static_cast<UINT_PTR>(w));
    return 0;
}
template <auto F>
LRESULT CallCreate(CCmdTarget* t, UINT, WPARAM, LPARAM l) {
    return (Target<F>(t)->*F)(reinterpret_cast<LPCREATESTRUCT>(l));
}
template <auto F>
LRESULT CallNotify(CCmdTarget* t, UINT, WPARAM, LPARAM l) {
    LRESULT result = 0;
    (Target<F>(t)->*F)(reinterpret_cast<NMHDR*>(l), &result);
    return result;
}
template <auto F>
LRESULT CallCopyData(CCmdTarget* t, UINT, WPARAM w, LPARAM l);
template <auto F>
LRESULT CallShowWindow(CCmdTarget* t, UINT, WPARAM w, LPARAM l) {
    (Target<F>(t)->*F)(static_cast<BOOL>(w), static_cast<UINT>(l));
    return 0;
}
template <auto F>
LRESULT CallSize(CCmdTarget* t, UINT, WPARAM w, LPARAM l) {
    (Target<F>(t)->*F)(static_cast<UINT>(w), static_cast<int>(static_cast<SHORT>(LOWORD(l))),
                       static_cast<int>(static_cast<SHORT>(HIWORD(l))));
    return 0;
}

}  // namespace afxdetail

#define ON_COMMAND(id, memberFxn) \
    {WM_COMMAND, 0, static_cast<UINT>(id), static_cast<UINT>(id), nullptr, &::afxdetail::CallVoid<memberFxn>},
#define ON_COMMAND_RANGE(id, idLast, memberFxn) \
    {WM_COMMAND,                                \
     0,                                         \
     static_cast<UINT>(id),                     \
     static_cast<UINT>(idLast),                 \
     nullptr,                                   \
     &::afxdetail::CallWithId<memberFxn>},
#define ON_CONTROL(code, id, memberFxn)                                                          \
    {WM_COMMAND, static_cast<UINT>(code),          static_cast<UINT>(id), static_cast<UINT>(id), \
     nullptr,    &::afxdetail::CallVoid<memberFxn>},
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_DOUBLECLICKED(id, memberFxn) ON_CONTROL(BN_DOUBLECLICKED, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn) ON_CONTROL(EN_KILLFOCUS, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) ON_CONTROL(LBN_SELCHANGE, id, memberFxn)
// WM_NOTIFY from the control id with the notification code: handler(NMHDR*, LRESULT* result).
#define ON_NOTIFY(code, id, memberFxn) \
    {WM_NOTIFY,                        \
     static_cast<UINT>(code),          \
     static_cast<UINT>(id),            \
     static_cast<UINT>(id),            \
     nullptr,                          \
     &::afxdetail::CallNotify<memberFxn>},
#define ON_MESSAGE(message, memberFxn) \
    {static_cast<UINT>(message), 0, 0, 0, nullptr, &::afxdetail::CallMessage<memberFxn>},
#define ON_REGISTERED_MESSAGE(nMessageVariable, memberFxn) \
    {0xC000, 0, 0, 0, &(nMessageVariable), &::afxdetail::CallMessage<memberFxn>},
#define ON_WM_CREATE() {WM_CREATE, 0, 0, 0, nullptr, &::afxdetail::CallCreate<&ThisClass::OnCreate>},
#define ON_WM_DESTROY() {WM_DESTROY, 0, 0, 0, nullptr, &::afxdetail::CallVoid<&ThisClass::OnDestroy>},
#define ON_WM_CLOSE() {WM_CLOSE, 0, 0, 0, nullptr, &::afxdetail::CallVoid<&ThisClass::OnClose>},
#define ON_WM_TIMER() {WM_TIMER, 0, 0, 0, nullptr, &::afxdetail::CallTimer<&ThisClass::OnTimer>},
#define ON_WM_COPYDATA() {WM_COPYDATA, 0, 0, 0, nullptr, &::afxdetail::CallCopyData<&ThisClass::OnCopyData>},
#define ON_WM_SHOWWINDOW() \
    {WM_SHOWWINDOW, 0, 0, 0, nullptr, &::afxdetail::CallShowWindow<&ThisClass::OnShowWindow>},
#define ON_WM_SIZE() {WM_SIZE, 0, 0, 0, nullptr, &::afxdetail::CallSize<&ThisClass::OnSize>},

class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)
public:
    // Runs the WM_COMMAND entry for (id, code) of the most derived map that has one.
    virtual BOOL OnCmdMsg(UINT id, int code);
    // Whether a command handler for the id is in the map (what the idle update asks before it enables a
    // button or menu item).
    BOOL HasCommandHandler(UINT id) const;

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
};

template <auto F>
afxdetail::ClassOf<F>* afxdetail::Target(CCmdTarget* t) {
    return static_cast<ClassOf<F>*>(t);
}

// Fonts are handles only.
class CFont : public CObject {
public:
    HFONT m_hObject = nullptr;
    operator HFONT() const { return m_hObject; }  // NOLINT
    HFONT GetSafeHandle() const { return m_hObject; }
    static CFont* FromHandle(HFONT font);
    BOOL CreatePointFont(int pointSize, LPCTSTR faceName);
};

class CWnd : public CCmdTarget {
    DECLARE_DYNAMIC(CWnd)
public:
    CWnd() = default;
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;
    operator HWND() const { return m_hWnd; }  // NOLINT
    // Unlike the framework, never call it through a null pointer: that is undefined behaviour in C++.
    HWND GetSafeHwnd() const { return m_hWnd; }

    // The attached CWnd, or a temporary of the control's type (kept until the window is gone).
    static CWnd* FromHandle(HWND hwnd);
    static CWnd* FromHandlePermanent(HWND hwnd);
    BOOL Attach(HWND hwnd);
    HWND Detach();
    BOOL SubclassWindow(HWND hwnd);
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    HWND UnsubclassWindow();

    // A null class name uses the framework's own window class.
    virtual BOOL Create(LPCTSTR className, LPCTSTR windowName, DWORD style, const RECT& rect, CWnd* parent,
                        UINT id, void* context = nullptr);
    virtual BOOL CreateEx(DWORD exStyle, LPCTSTR className, LPCTSTR windowName, DWORD style, int x, int y,
                          int width, int height, HWND parent, HMENU idOrMenu, LPVOID param = nullptr);
    BOOL CreateEx(DWORD exStyle, LPCTSTR className, LPCTSTR windowName, DWORD style, const RECT& rect,
                  CWnd* parent, UINT id, LPVOID param = nullptr);
    virtual BOOL DestroyWindow();
    virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
    virtual void PostNcDestroy() {}
    // The headless pump does not call this (there is no keyboard or mouse); kept for overrides.
    virtual BOOL PreTranslateMessage(MSG* msg);

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The default processing of the message being handled.
    LRESULT Default();

    virtual void DoDataExchange(CDataExchange*) {}
    // Controls from members (FALSE) or members from controls with validation (TRUE); FALSE on a failure.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    CWnd* GetDlgItem(int id) const;
    void GetDlgItem(int id, HWND* out) const;
    int GetDlgCtrlID() const;
    CWnd* GetParent() const;
    CWnd* GetOwner() const { return GetParent(); }
    static CWnd* GetSafeOwner(CWnd* parent = nullptr, HWND* topLevel = nullptr);

    void SetWindowText(LPCTSTR text);
    int GetWindowText(LPTSTR buffer, int capacity) const;
    void GetWindowText(CString& text) const;
    int GetWindowTextLength() const;
    void SetDlgItemText(int id, LPCTSTR text);
    int GetDlgItemText(int id, CString& text) const;
    void CheckDlgButton(int id, UINT check);
    UINT IsDlgButtonChecked(int id) const;

    BOOL ShowWindow(int cmdShow);
    BOOL IsWindowVisible() const;
    BOOL EnableWindow(BOOL enable = TRUE);
    BOOL IsWindowEnabled() const;
    BOOL IsIconic() const;
    BOOL BringWindowToTop();
    BOOL SetForegroundWindow();
    CWnd* SetFocus();
    // The thread's caret, owned by this window: solid, of the given size, hidden until shown.
    void CreateSolidCaret(int width, int height);
    void ShowCaret();
    void HideCaret();
    static POINT GetCaretPos();
    void CenterWindow(CWnd* = nullptr) {}
    void UpdateWindow() {}
    void Invalidate(BOOL = TRUE) {}

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    UINT_PTR SetTimer(UINT_PTR id, UINT elapseMs, TIMERPROC proc = nullptr);
    BOOL KillTimer(UINT_PTR id);

    static const CWnd wndTop;
    static const CWnd wndBottom;
    static const CWnd wndTopMost;
    static const CWnd wndNoTopMost;
    BOOL SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags);
    void GetWindowRect(LPRECT rect) const;
    void GetClientRect(LPRECT rect) const;
    void ScreenToClient(LPRECT rect) const;
    void ScreenToClient(LPPOINT point) const;
    void ClientToScreen(LPRECT rect) const;
    void ClientToScreen(LPPOINT point) const;
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
    void MoveWindow(LPCRECT rect, BOOL repaint = TRUE);
    void SetFont(CFont* font, BOOL redraw = TRUE);
    CFont* GetFont() const;

    int MessageBox(LPCTSTR text, LPCTSTR caption = nullptr, UINT type = MB_OK);

protected:
    afx_msg int OnCreate(LPCREATESTRUCT cs);
    afx_msg void OnDestroy();
    afx_msg void OnClose();
    afx_msg void OnTimer(UINT_PTR id);
    afx_msg BOOL OnCopyData(CWnd* from, COPYDATASTRUCT* data);
    afx_msg void OnShowWindow(BOOL show, UINT status);
    afx_msg void OnSize(UINT type, int cx, int cy);

    DECLARE_MESSAGE_MAP()

public:
    WNDPROC m_pfnSuper = nullptr;  // the procedure the window had before this CWnd took it over
};

template <auto F>
LRESULT afxdetail::CallCopyData(CCmdTarget* t, UINT, WPARAM w, LPARAM l) {
    return (Target<F>(t)->*F)(CWnd::FromHandle(reinterpret_cast<HWND>(w)),
                              reinterpret_cast<COPYDATASTRUCT*>(l));
}

// The framework's window procedure: routes to the attached CWnd.
LRESULT AfxWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Registers a window class; an existing class of that name counts as registered (a reloaded module).
BOOL AfxRegisterClass(WNDCLASSW* wc);
// The instance handle of the calling module (each module has its own), and the module whose resources
// dialogs and resource loads use: the one set, or by default the caller's own.
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE instance);
