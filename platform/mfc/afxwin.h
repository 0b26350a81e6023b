// The GUI framework surface the plug-in uses, as the stand-in provides it.
#pragma once

#include "platform/win32/windows.h"

#include "platform/mfc/afxdlg.h"
#include "platform/mfc/afxwnd.h"
#include "platform/mfc/controls_api.h"
#include "platform/mfc/cstring.h"
#include "platform/mfc/msgbox.h"
#include "platform/mfc/shellbrowse.h"
#include "platform/mfc/stdiofile.h"
