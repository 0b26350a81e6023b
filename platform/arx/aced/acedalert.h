// The host's alert box.
#pragma once

#include <string>
#include <vector>

#include "platform/arx/acut/adesk.h"

// Shows a modal alert with an OK button (through the UI driver, as a message box captioned
// platform::kAlertCaption); returns RTNORM, or RTERROR for a null text.
int acedAlert(const ACHAR* text);

namespace platform {

inline constexpr const char16_t* kAlertCaption = u"Host Message";

// Every alert shown, in order (tests read it; reset between tests).
std::vector<std::u16string>& AlertTranscript();

}  // namespace platform
