// Internal state of the message bus, shared by its window and message halves. Not for use outside bus/.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/win32/bus/bus_api.h"
#include "platform/win32/bus/bus_hooks.h"

namespace platform::bus {

struct WndClass {
    std::u16string name;
    ATOM atom = 0;
    WNDPROC proc = nullptr;
    int wndExtra = 0;
    bool predefined = false;
};

// A window's record. Calls into its procedure hold a reference, so a window destroyed during one of them
// keeps its record until the call returns, while lookups by handle already fail.
struct Window {
    HWND handle = nullptr;
    std::u16string className;
    std::u16string text;
    WNDPROC proc = nullptr;
    HWND parent = nullptr;
    DWORD style = 0;
    LONG_PTR userData = 0;
    std::vector<BYTE> extra;
    bool visible = false;
    bool iconic = false;
    bool enabled = true;
    bool destroying = false;
    uint64_t zOrder = 0;
};

// A WM_COPYDATA payload copied for one delivery: both blocks live on the heap and are freed together.
struct CopiedData {
    std::unique_ptr<COPYDATASTRUCT> cds;
    std::unique_ptr<BYTE[]> bytes;
};

struct QueuedMessage {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    CopiedData copy;  // late deliveries of WM_COPYDATA only
};

struct Timer {
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    uint64_t interval = 0;
    uint64_t due = 0;
    uint64_t seq = 0;  // orders timers due at the same time: the one armed first fires first
    TIMERPROC proc = nullptr;
};

struct State {
    std::vector<WndClass> classes;
    std::map<uintptr_t, std::shared_ptr<Window>> windows;
    std::deque<QueuedMessage> late;
    std::deque<QueuedMessage> posted;
    std::vector<Timer> timers;
    std::set<HWND> timesOut;
    std::map<HWND, DropHook> dropHooks;
    std::map<std::u16string, UINT> atoms;  // folded name -> atom; shared by classes and registered messages
    uintptr_t nextHandle = 0x20000;        // never reused, so a stale handle never names a newer window
    uint64_t nextZ = 0;
    uint64_t nextSeq = 0;
    UINT_PTR nextThreadTimerId = 1;
    bool quit = false;
    int quitCode = 0;
    HWND foreground = nullptr;
};

State& S();

// The live window (also while it is being destroyed), or null.
std::shared_ptr<Window> Lookup(HWND hwnd);
// Lookup that sets ERROR_INVALID_WINDOW_HANDLE when the window is not alive.
std::shared_ptr<Window> LookupOrFail(HWND hwnd);

// Calls the window's procedure, keeping the record alive for the call.
LRESULT CallProc(const std::shared_ptr<Window>& w, UINT message, WPARAM wParam, LPARAM lParam);

// Drops the timers, queued messages and time-out mode of a window that is gone; its drop hook sees each
// posted message dropped.
void DropWindowTraffic(HWND hwnd);

// The caret goes when the window that owns it does.
void DropCaretOf(HWND hwnd);

// Atom of a name in the shared table, added from 0xC000 when new; 0 when the table is full.
UINT AtomFor(std::u16string_view name);

}  // namespace platform::bus
