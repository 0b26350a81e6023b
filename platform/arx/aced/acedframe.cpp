#include "platform/arx/aced/acedframe.h"

#include <memory>

#include "platform/win32/core/testhooks.h"

namespace {

std::unique_ptr<CMDIFrameWnd>& Frame() {
    // Never destroyed at exit: the window table it would unregister from may be gone by then. The platform
    // reset drops the frame while the table lives.
    static auto* const holder = new std::unique_ptr<CMDIFrameWnd>();
    std::unique_ptr<CMDIFrameWnd>& frame = *holder;
    static const bool registered = (platform::RegisterReset("aced.frame", [] { Frame().reset(); }), true);
    (void)registered;
    return frame;
}

}  // namespace

CMDIFrameWnd* acedGetAcadFrame() {
    std::unique_ptr<CMDIFrameWnd>& frame = Frame();
    if (frame == nullptr || frame->m_hWnd == nullptr || !IsWindow(frame->m_hWnd)) {
        frame = std::make_unique<CMDIFrameWnd>();
        const RECT rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        frame->CreateEx(0, nullptr, u"tarnhost", WS_VISIBLE, rect, nullptr, 0);
    }
    return frame.get();
}

namespace platform {

CMDIFrameWnd* ExistingAcadFrame() {
    std::unique_ptr<CMDIFrameWnd>& frame = Frame();
    return frame != nullptr && frame->m_hWnd != nullptr && IsWindow(frame->m_hWnd) ? frame.get() : nullptr;
}

}  // namespace platform
