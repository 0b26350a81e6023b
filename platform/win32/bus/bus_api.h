// Windows, window messages and timers: a table of windows on the single UI thread. Sends call the target's
// procedure directly (nested to any depth, as on Windows); posted messages and timers run only from the pump.
// Test and host hooks (pump, clock advance, time-out mode) are in bus/bus_hooks.h.
#pragma once

#include "platform/win32/core/wintypes.h"

typedef WORD ATOM;

struct WNDCLASSW {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HANDLE hCursor;
    HANDLE hbrBackground;
    LPCWSTR lpszMenuName;
    LPCWSTR lpszClassName;
};

struct CREATESTRUCTW {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCWSTR lpszName;
    LPCWSTR lpszClass;
    DWORD dwExStyle;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

#define WC_DIALOG (u"#32770")
#define GWLP_WNDPROC (-4)
#define GWLP_USERDATA (-21)
#define DWLP_MSGRESULT 0
#define HWND_MESSAGE (reinterpret_cast<HWND>(static_cast<LONG_PTR>(-3)))
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_CAPTION 0x00C00000L
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CYSIZE 31
#define USER_TIMER_MINIMUM 0x0000000Au
#define USER_TIMER_MAXIMUM 0x7FFFFFFFu
#define MAKEINTATOM(i) (reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(i))))
#ifndef ERROR_CANNOT_FIND_WND_CLASS
#define ERROR_CANNOT_FIND_WND_CLASS 1407L
#endif
#ifndef ERROR_CLASS_HAS_WINDOWS
#define ERROR_CLASS_HAS_WINDOWS 1412L
#endif
#ifndef ERROR_INVALID_INDEX
#define ERROR_INVALID_INDEX 1413L
#endif

// Window classes. "#32770" (the dialog class) is predefined; GetClassInfoW of it gives its procedure so that
// a copy can be registered under another name.
ATOM RegisterClassW(const WNDCLASSW* wc);
BOOL UnregisterClassW(LPCWSTR className, HINSTANCE instance);
BOOL GetClassInfoW(HINSTANCE instance, LPCWSTR className, WNDCLASSW* wc);

// Windows. CreateWindowExW sends WM_CREATE (lParam: the CREATESTRUCTW); returning -1 from it fails the
// creation. DestroyWindow sends WM_DESTROY and WM_NCDESTROY, kills the window's timers and drops its posted
// messages; a window destroyed while one of its procedures runs stays callable until that call returns.
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
HWND FindWindowW(LPCWSTR className, LPCWSTR windowName);
HWND GetParent(HWND hwnd);
LONG_PTR GetWindowLongPtrW(HWND hwnd, int index);
LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value);
int GetWindowTextW(HWND hwnd, LPWSTR buffer, int capacity);
BOOL SetWindowTextW(HWND hwnd, LPCWSTR text);
int GetClassNameW(HWND hwnd, LPWSTR buffer, int capacity);
BOOL ShowWindow(HWND hwnd, int cmdShow);
BOOL IsWindowVisible(HWND hwnd);
BOOL IsIconic(HWND hwnd);
BOOL BringWindowToTop(HWND hwnd);
BOOL SetForegroundWindow(HWND hwnd);
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL IsWindowEnabled(HWND hwnd);
LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Calls a procedure saved by subclassing (SetWindowLongPtrW with GWLP_WNDPROC returns the previous one).
LRESULT CallWindowProcW(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
int GetWindowTextLengthW(HWND hwnd);
HWND GetForegroundWindow();
int GetSystemMetrics(int index);

// The caret: one for the thread, owned by a window. CreateCaret replaces the one there is with a new caret,
// hidden, at (0, 0) of its owner's client area (a null bitmap gives a solid one; a width or height of 0 takes
// the border's 1 pixel, a negative one fails). ShowCaret and HideCaret of its owner (or of null: whoever owns
// it) count as on Windows: it shows once each hide is matched by a show. The caret goes with its owner.
BOOL CreateCaret(HWND hwnd, HBITMAP bitmap, int width, int height);
BOOL DestroyCaret();
BOOL ShowCaret(HWND hwnd);
BOOL HideCaret(HWND hwnd);
BOOL SetCaretPos(int x, int y);
BOOL GetCaretPos(LPPOINT point);

// Messages. SendMessageW copies a WM_COPYDATA payload into a fresh buffer freed when the call returns.
LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendMessageTimeoutW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT flags, UINT timeoutMs,
                            PDWORD_PTR result);
BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
UINT RegisterWindowMessageW(LPCWSTR name);

// Timers on the platform clock. SetTimer with an existing (window, id) re-arms that timer.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);
