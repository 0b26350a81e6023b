// The host's main frame: the parent of the plug-in's windows and the dock site of its toolbars. It exists
// from its first use until the platform is reset (the host's life).
#pragma once

#include "platform/mfc/afxext.h"

CMDIFrameWnd* acedGetAcadFrame();

namespace platform {
// The frame when something has asked for it; null before (the host updates its bars without making it).
CMDIFrameWnd* ExistingAcadFrame();
}  // namespace platform
