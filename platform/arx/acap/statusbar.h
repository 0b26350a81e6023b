// The status bar's progress meter, recorded.
#pragma once

#include <string>
#include <vector>

#include "platform/arx/acut/acut_all.h"

// Shows the meter with a label and a range: 0, or -1 for a range with max <= min.
int acedSetStatusBarProgressMeter(const ACHAR* label, int minPos, int maxPos);
// Moves the meter (clamped to its range): 0, or -1 when no meter is shown.
int acedSetStatusBarProgressMeterPos(int pos);
// Removes the meter.
void acedRestoreStatusBar();

namespace platform {

struct StatusBarEvent {
    enum Kind { kMeter, kPos, kRestore } kind;
    std::u16string label;
    int minPos = 0;
    int maxPos = 0;
    int pos = 0;
};
const std::vector<StatusBarEvent>& StatusBarEvents();
void ClearStatusBarEvents();
// Whether a meter is shown now.
bool ProgressMeterShown();

}  // namespace platform
