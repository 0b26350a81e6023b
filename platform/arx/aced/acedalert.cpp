#include "platform/arx/aced/acedalert.h"

#include "platform/arx/acut/adscodes.h"
#include "platform/mfc/uidriver.h"
#include "platform/win32/core/testhooks.h"

namespace platform {

std::vector<std::u16string>& AlertTranscript() {
    static std::vector<std::u16string> transcript;
    static const bool registered = (RegisterReset("aced.alerts", [] { AlertTranscript().clear(); }), true);
    (void)registered;
    return transcript;
}

}  // namespace platform

int acedAlert(const ACHAR* text) {
    if (text == nullptr) {
        return RTERROR;
    }
    platform::AlertTranscript().emplace_back(text);
    platform::MessageBoxRequest box;
    box.text = text;
    box.caption = platform::kAlertCaption;
    box.type = MB_OK | MB_ICONWARNING;
    platform::ShowMessageBox(box);
    return RTNORM;
}
