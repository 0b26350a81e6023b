// Until the plug-in frame lands: its hidden window is the window of class "TarnArxWin", when there is one.
#include "plugin/app/Settings.h"

HWND GetMessageWindow() {
    return FindWindowW(u"TarnArxWin", nullptr);
}
