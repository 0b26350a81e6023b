// The visible rectangle of the current view, in drawing units, and the viewport's size in pixels.
#pragma once

#include "platform/arx/acut/adesk.h"

struct ViewRectInfo {
    double minX = 0.0;
    double minY = 0.0;
    double maxX = 0.0;
    double maxY = 0.0;
    Adesk::Int32 screenW = 0;  // SCREENSIZE X, truncated toward zero
    Adesk::Int32 screenH = 0;  // SCREENSIZE Y, truncated toward zero
};
