// Sent and posted messages, timers and the pump. A send calls the target's procedure directly, so a send made
// from inside it nests exactly as on Windows; posted messages, late deliveries and timers run only from the
// pump, never inside a send.
#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/win32/bus/bus_hooks.h"
#include "platform/win32/bus/bus_state.h"
#include "platform/win32/core/clock.h"

namespace platform::bus {

namespace {

// Copies a COPYDATASTRUCT and its payload into fresh heap blocks (lpData null when cbData is 0). Refuses a
// payload pointer that is null while cbData says there are bytes to read.
bool CopyPayload(LPARAM lParam, CopiedData* out) {
    const auto* src = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (src->cbData > 0 && src->lpData == nullptr) {
        return false;
    }
    out->cds = std::make_unique<COPYDATASTRUCT>(*src);
    out->cds->lpData = nullptr;
    if (src->cbData > 0) {
        out->bytes.reset(new BYTE[src->cbData]);
        std::memcpy(out->bytes.get(), src->lpData, src->cbData);
        out->cds->lpData = out->bytes.get();
    }
    return true;
}

// Delivers a sent message; false (with the last error set) when it cannot be delivered.
bool Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    auto w = LookupOrFail(hwnd);
    if (!w) {
        return false;
    }
    if (message == WM_COPYDATA && lParam != 0) {
        CopiedData copy;
        if (!CopyPayload(lParam, &copy)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        // The copy is freed when the receiver returns: a receiver that keeps the pointer reads freed memory.
        *result = CallProc(w, message, wParam, reinterpret_cast<LPARAM>(copy.cds.get()));
        return true;
    }
    *result = CallProc(w, message, wParam, lParam);
    return true;
}

Timer* FindTimer(HWND hwnd, UINT_PTR id) {
    for (Timer& t : S().timers) {
        if (t.hwnd == hwnd && t.id == id) {
            return &t;
        }
    }
    return nullptr;
}

// The timer due first (at or before the limit); ties go to the one armed first.
Timer* EarliestDue(uint64_t limit) {
    Timer* best = nullptr;
    for (Timer& t : S().timers) {
        if (t.due <= limit &&
            (best == nullptr || t.due < best->due || (t.due == best->due && t.seq < best->seq))) {
            best = &t;
        }
    }
    return best;
}

// Fires the first timer due at the limit, if any. It is re-armed before its handler runs, from its due time
// and without backlog, so that a SetTimer or KillTimer inside the handler has the last word.
bool FireDueTimer(uint64_t limit) {
    const uint64_t now = clock::NowMs();
    Timer* t = EarliestDue(std::min(limit, now));
    if (t == nullptr) {
        return false;
    }
    uint64_t next = t->due + t->interval;
    if (next <= now) {
        next = now + t->interval;
    }
    t->due = next;
    t->seq = ++S().nextSeq;
    const HWND hwnd = t->hwnd;
    const UINT_PTR id = t->id;
    const TIMERPROC proc = t->proc;
    if (proc != nullptr) {
        proc(hwnd, WM_TIMER, id, static_cast<DWORD>(now));
    } else if (auto w = Lookup(hwnd)) {
        CallProc(w, WM_TIMER, id, 0);
    }
    return true;
}

bool DeliverQueued(std::deque<QueuedMessage>& queue) {
    QueuedMessage q = std::move(queue.front());
    queue.pop_front();
    auto w = Lookup(q.hwnd);
    if (!w) {
        return false;
    }
    const LPARAM lParam = q.copy.cds ? reinterpret_cast<LPARAM>(q.copy.cds.get()) : q.lParam;
    CallProc(w, q.message, q.wParam, lParam);
    return true;
}

}  // namespace

void DropWindowTraffic(HWND hwnd) {
    State& s = S();
    std::erase_if(s.timers, [hwnd](const Timer& t) { return t.hwnd == hwnd; });
    std::erase_if(s.late, [hwnd](const QueuedMessage& q) { return q.hwnd == hwnd; });
    std::vector<MSG> dropped;
    for (const QueuedMessage& q : s.posted) {
        if (q.hwnd == hwnd) {
            dropped.push_back(MSG{q.hwnd, q.message, q.wParam, q.lParam, 0, {0, 0}});
        }
    }
    std::erase_if(s.posted, [hwnd](const QueuedMessage& q) { return q.hwnd == hwnd; });
    s.timesOut.erase(hwnd);
    DropCaretOf(hwnd);
    // The hook runs once the queue is consistent again: it may post or destroy in turn.
    auto hook = s.dropHooks.find(hwnd);
    if (hook == s.dropHooks.end()) {
        return;
    }
    const DropHook run = std::move(hook->second);
    s.dropHooks.erase(hook);
    for (const MSG& message : dropped) {
        run(message);
    }
}

}  // namespace platform::bus

using platform::bus::S;

LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    return platform::bus::Send(hwnd, message, wParam, lParam, &result) ? result : 0;
}

LRESULT SendMessageTimeoutW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT, UINT,
                            PDWORD_PTR result) {
    if (result != nullptr) {
        *result = 0;
    }
    if (!platform::bus::LookupOrFail(hwnd)) {
        return 0;
    }
    if (S().timesOut.count(hwnd) != 0) {
        platform::bus::QueuedMessage q;
        q.hwnd = hwnd;
        q.message = message;
        q.wParam = wParam;
        q.lParam = lParam;
        if (message == WM_COPYDATA && lParam != 0) {
            // The sender's buffer is gone by the time of the late delivery: the queue keeps its own copy.
            if (!platform::bus::CopyPayload(lParam, &q.copy)) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return 0;
            }
            q.lParam = 0;
        }
        S().late.push_back(std::move(q));
        SetLastError(ERROR_TIMEOUT);
        return 0;
    }
    LRESULT answer = 0;
    if (!platform::bus::Send(hwnd, message, wParam, lParam, &answer)) {
        return 0;
    }
    if (result != nullptr) {
        *result = static_cast<DWORD_PTR>(answer);
    }
    return 1;
}

BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!platform::bus::LookupOrFail(hwnd)) {
        return FALSE;
    }
    platform::bus::QueuedMessage q;
    q.hwnd = hwnd;
    q.message = message;
    q.wParam = wParam;
    q.lParam = lParam;
    S().posted.push_back(std::move(q));
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    S().quit = true;
    S().quitCode = exitCode;
}

UINT RegisterWindowMessageW(LPCWSTR name) {
    if (name == nullptr || name[0] == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return platform::bus::AtomFor(name);
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc) {
    if (hwnd != nullptr && !platform::bus::LookupOrFail(hwnd)) {
        return 0;
    }
    auto& s = S();
    platform::bus::Timer* t = platform::bus::FindTimer(hwnd, id);
    if (t == nullptr && hwnd == nullptr) {
        // A timer without a window gets an id of its own unless it names one of its kind to re-arm.
        do {
            id = s.nextThreadTimerId++;
        } while (id == 0 || platform::bus::FindTimer(nullptr, id) != nullptr);
    }
    if (t == nullptr) {
        s.timers.push_back(platform::bus::Timer{});
        t = &s.timers.back();
        t->hwnd = hwnd;
        t->id = id;
    }
    t->interval = std::clamp<uint64_t>(elapseMs, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
    t->due = platform::clock::NowMs() + t->interval;
    t->seq = ++s.nextSeq;
    t->proc = proc;
    return hwnd != nullptr && id == 0 ? 1 : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
    auto& timers = S().timers;
    const auto before = timers.size();
    std::erase_if(timers, [hwnd, id](const platform::bus::Timer& t) { return t.hwnd == hwnd && t.id == id; });
    return timers.size() != before ? TRUE : FALSE;
}

namespace platform {

int PumpMessages() {
    // Timers count as due by the time the pump started: on the real clock a timer whose handler outlasts its
    // interval then fires once per pump instead of keeping the pump busy.
    const uint64_t started = clock::NowMs();
    int delivered = 0;
    while (delivered < kPumpCap) {
        auto& s = bus::S();
        // Sent messages come before posted ones, and timers only when nothing else waits, as on Windows.
        if (!s.late.empty()) {
            delivered += bus::DeliverQueued(s.late) ? 1 : 0;
        } else if (!s.posted.empty()) {
            delivered += bus::DeliverQueued(s.posted) ? 1 : 0;
        } else if (bus::FireDueTimer(started)) {
            ++delivered;
        } else {
            break;
        }
    }
    return delivered;
}

void AdvanceClock(uint64_t ms) {
    PumpMessages();
    if (!clock::IsVirtual()) {
        return;
    }
    const uint64_t target = clock::NowMs() + ms;
    while (const bus::Timer* t = bus::EarliestDue(target)) {
        clock::SetVirtualNowMs(t->due);
        bus::FireDueTimer(clock::NowMs());
        PumpMessages();
    }
    clock::SetVirtualNowMs(target);
    PumpMessages();
}

void SetSendTimesOut(HWND target, bool on) {
    if (on) {
        bus::S().timesOut.insert(target);
    } else {
        bus::S().timesOut.erase(target);
    }
}

int64_t NextTimerDueMs() {
    int64_t next = -1;
    for (const bus::Timer& t : bus::S().timers) {
        if (next < 0 || static_cast<int64_t>(t.due) < next) {
            next = static_cast<int64_t>(t.due);
        }
    }
    return next;
}

bool HasPendingMessages() {
    return !bus::S().late.empty() || !bus::S().posted.empty();
}

bool QuitPosted(int* exitCode) {
    if (exitCode != nullptr) {
        *exitCode = bus::S().quitCode;
    }
    return bus::S().quit;
}

}  // namespace platform

void platform::SetDropHook(HWND hwnd, DropHook hook) {
    if (!platform::bus::Lookup(hwnd)) {
        return;
    }
    if (hook) {
        S().dropHooks[hwnd] = std::move(hook);
    } else {
        S().dropHooks.erase(hwnd);
    }
}

std::vector<platform::TimerRecord> platform::LiveTimers() {
    std::vector<TimerRecord> timers;
    for (const platform::bus::Timer& t : S().timers) {
        timers.push_back(TimerRecord{t.hwnd, t.id, t.proc});
    }
    return timers;
}
