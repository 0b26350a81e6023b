#include "platform/arx/aced/acedframe.h"

#include <memory>
#include <string>

#include "platform/arx/acap/acapdoc.h"
#include "platform/win32/core/testhooks.h"

namespace {

// The host's main frame. A WM_COPYDATA with dwData 1 carries a UTF-16 text for the command line: it is
// queued for the active document as if typed (it runs when the host is idle), and the answer is TRUE; any
// other copy, an empty text or no document gives FALSE.
class HostFrame : public CMDIFrameWnd {
protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message != WM_COPYDATA) {
            return CMDIFrameWnd::WindowProc(message, wParam, lParam);
        }
        const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (cds == nullptr || cds->dwData != 1 || cds->lpData == nullptr || cds->cbData < sizeof(char16_t)) {
            return FALSE;
        }
        // The text ends at its NUL or at the end of the data, whichever comes first.
        const auto* units = static_cast<const char16_t*>(cds->lpData);
        const size_t count = cds->cbData / sizeof(char16_t);
        std::u16string text(units, count);
        text.resize(std::char_traits<char16_t>::length(text.c_str()));
        AcApDocument* doc = acDocManager->mdiActiveDocument();
        if (text.empty() || doc == nullptr) {
            return FALSE;
        }
        return acDocManager->sendStringToExecute(doc, text.c_str(), false, false, true) == Acad::eOk;
    }
};

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
        frame = std::make_unique<HostFrame>();
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
