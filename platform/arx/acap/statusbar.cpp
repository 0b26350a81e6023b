#include "platform/arx/acap/statusbar.h"

#include <algorithm>

#include "platform/win32/core/testhooks.h"

namespace platform {
namespace {

struct StatusBarState {
    std::vector<StatusBarEvent> events;
    bool shown = false;
    int minPos = 0;
    int maxPos = 0;
};

StatusBarState& State() {
    static StatusBarState state;
    static const bool registered =
        (RegisterReset("acap.statusbar", [] { State() = StatusBarState(); }), true);
    (void)registered;
    return state;
}

}  // namespace

const std::vector<StatusBarEvent>& StatusBarEvents() {
    return State().events;
}

void ClearStatusBarEvents() {
    State().events.clear();
}

bool ProgressMeterShown() {
    return State().shown;
}

}  // namespace platform

int acedSetStatusBarProgressMeter(const ACHAR* label, int minPos, int maxPos) {
    auto& s = platform::State();
    if (maxPos <= minPos) {
        return -1;
    }
    s.shown = true;
    s.minPos = minPos;
    s.maxPos = maxPos;
    s.events.push_back(
        {platform::StatusBarEvent::kMeter, label != nullptr ? label : u"", minPos, maxPos, minPos});
    return 0;
}

int acedSetStatusBarProgressMeterPos(int pos) {
    auto& s = platform::State();
    if (!s.shown) {
        return -1;
    }
    const int clamped = std::clamp(pos, s.minPos, s.maxPos);
    s.events.push_back({platform::StatusBarEvent::kPos, u"", s.minPos, s.maxPos, clamped});
    return 0;
}

void acedRestoreStatusBar() {
    auto& s = platform::State();
    s.shown = false;
    s.events.push_back({platform::StatusBarEvent::kRestore, u"", 0, 0, 0});
}
