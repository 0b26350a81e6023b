#include "platform/arx/aced/acedview.h"

#include <algorithm>
#include <cmath>

#include "platform/arx/acdb/dbviewrec.h"
#include "platform/arx/aced/acededitor.h"
#include "platform/arx/aced/sysvar.h"

namespace {

bool PositiveFinite(double value) {
    return std::isfinite(value) && value > 0.0;
}

// VIEWMODE bits the view record carries; the others (UCS follow, ...) stay as they are.
constexpr short kPerspective = 1;
constexpr short kFrontClip = 2;
constexpr short kBackClip = 4;
constexpr short kFrontNotAtEye = 16;

}  // namespace

Acad::ErrorStatus acedSetCurrentView(AcDbViewTableRecord* view, AcDbViewport* viewport) {
    if (viewport != nullptr) {
        return Acad::eNotApplicable;
    }
    if (view == nullptr || !PositiveFinite(view->height()) || !PositiveFinite(view->width()) ||
        view->viewDirection().isZeroLength()) {
        return Acad::eInvalidInput;
    }
    const AcGePoint2d center = view->centerPoint();
    if (!std::isfinite(center.x) || !std::isfinite(center.y)) {
        return Acad::eInvalidInput;
    }
    platform::SysVarStore& store = platform::CurrentSysVars();
    platform::ViewState& state = store.View();
    state.target = view->target();
    state.direction = view->viewDirection();
    state.twist = view->viewTwist();
    state.lensLength = view->lensLength();
    state.frontZ = view->frontClipDistance();
    state.backZ = view->backClipDistance();
    short mode =
        static_cast<short>(state.viewMode & ~(kPerspective | kFrontClip | kBackClip | kFrontNotAtEye));
    if (view->perspectiveEnabled()) {
        mode |= kPerspective;
    }
    if (view->frontClipEnabled()) {
        mode |= kFrontClip;
    }
    if (view->backClipEnabled()) {
        mode |= kBackClip;
    }
    if (!view->frontClipAtEye()) {
        mode |= kFrontNotAtEye;
    }
    state.viewMode = mode;

    // The viewport keeps its shape: the requested window is fitted inside it.
    double size = view->height();
    if (PositiveFinite(state.screenWidth) && PositiveFinite(state.screenHeight)) {
        size = std::max(size, view->width() * state.screenHeight / state.screenWidth);
    }
    state.height = size;
    // The centre is given in the display system of the new view (origin at its target).
    state.center = store.DisplayToWorld() * AcGePoint3d(center.x, center.y, 0.0);
    platform::ForEachEditorReactor([](AcEditorReactor* r) { r->viewChanged(); });
    return Acad::eOk;
}
