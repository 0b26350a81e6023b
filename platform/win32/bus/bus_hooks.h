// Test and host hooks of the message bus: the pump (the host's idle loop, a modal loop, a test), the virtual
// clock's advance, and the time-out mode of SendMessageTimeoutW. All on the single UI thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/bus/bus_api.h"

namespace platform {

// Delivers what is queued: late deliveries of timed-out sends first, then posted messages (FIFO), then timers
// due (by the time the pump started) in due order; repeats until nothing is queued and no timer is due.
// Returns how many were delivered.
// Re-entrant (a handler may pump again). Stops after kPumpCap deliveries in one call, so that a handler that
// keeps posting to itself cannot hang the caller.
inline constexpr int kPumpCap = 100000;
int PumpMessages();

// Virtual clock only: pumps, then steps the clock to each due timer's time in order and fires it (pumping
// after each), then sets the clock to now + ms and pumps. On the real clock it only pumps.
void AdvanceClock(uint64_t ms);

// While on, SendMessageTimeoutW to this window returns 0 with last error ERROR_TIMEOUT; the message (with a
// copy of a WM_COPYDATA payload) is delivered at the next pump and its result dropped. SendMessageW is not
// affected. Cleared when the window is destroyed.
void SetSendTimesOut(HWND target, bool on);

// For a loop on the real clock: when the next timer is due (clock milliseconds; -1 for none), and whether
// messages wait in the queue.
int64_t NextTimerDueMs();
bool HasPendingMessages();

// Windows alive (for leak checks).
size_t LiveWindowCount();
// The screen GetSystemMetrics reports (1920 x 1080 until set).
void SetScreenSize(int width, int height);

// What a window leaves queued when it goes (destroyed, or dropped by the reset): its drop hook sees each
// posted message dropped, so that whoever posted a payload (a heap block in lParam) frees it. One hook per
// window; it goes with the window.
using DropHook = std::function<void(const MSG& message)>;
void SetDropHook(HWND hwnd, DropHook hook);

// Live windows and timers, for finding those whose code lies in a module about to be unloaded.
struct WindowRecord {
    HWND hwnd = nullptr;
    std::u16string className;
    std::u16string text;
    WNDPROC proc = nullptr;
};
std::vector<WindowRecord> LiveWindows();
struct TimerRecord {
    HWND hwnd = nullptr;  // null for a thread timer
    UINT_PTR id = 0;
    TIMERPROC proc = nullptr;
};
std::vector<TimerRecord> LiveTimers();

// Whether PostQuitMessage was called (and its exit code); the host's loop ends on it.
bool QuitPosted(int* exitCode);

// The thread's caret as the window that owns it made it: owner null when there is none.
struct CaretRecord {
    HWND owner = nullptr;
    int width = 0;
    int height = 0;
    POINT position = {0, 0};
    bool visible = false;
};
CaretRecord Caret();

// The window brought to the top last (by creation, BringWindowToTop or SetForegroundWindow); null for none.
HWND TopWindow();

}  // namespace platform
