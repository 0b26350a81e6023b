#include "platform/win32/core/clock.h"

#include <chrono>

#include "platform/win32/core/testhooks.h"

namespace platform::clock {

namespace {

constexpr int64_t kDefaultWallBase = 1773480413;  // 2026-03-14 09:26:53 UTC

struct State {
    bool virtualMode = false;
    uint64_t virtualNow = 0;
    int64_t wallBase = kDefaultWallBase;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};

State& TheState() {
    static State state;
    static const bool registered = [] {
        RegisterReset("clock", [] {
            State& s = TheState();
            s.virtualNow = 0;
            s.wallBase = kDefaultWallBase;
        });
        return true;
    }();
    (void)registered;
    return state;
}

}  // namespace

uint64_t NowMs() {
    State& s = TheState();
    if (s.virtualMode) {
        return s.virtualNow;
    }
    const auto elapsed = std::chrono::steady_clock::now() - s.start;
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

void UseVirtual(bool on) {
    State& s = TheState();
    s.virtualMode = on;
    s.virtualNow = 0;
}

bool IsVirtual() {
    return TheState().virtualMode;
}

void SetVirtualNowMs(uint64_t ms) {
    State& s = TheState();
    if (ms > s.virtualNow) {
        s.virtualNow = ms;
    }
}

int64_t WallTimeSeconds() {
    State& s = TheState();
    if (s.virtualMode) {
        return s.wallBase + static_cast<int64_t>(s.virtualNow / 1000);
    }
    return static_cast<int64_t>(
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
            .count());
}

void SetWallBase(int64_t secondsSinceEpoch) {
    TheState().wallBase = secondsSinceEpoch;
}

}  // namespace platform::clock
