// Shared between the framework's sources; not part of the surface the plug-in sees.
#pragma once

#include <string>
#include <vector>

#include "platform/mfc/controls_api.h"

namespace platform::mfc {

// The child-id table behind GetDlgItem/GetDlgCtrlID, and the kept rectangles.
void RecordChild(HWND hwnd, HWND parent, int id);
void RecordRect(HWND hwnd, const RECT& rect);
// The resource module set with AfxSetResourceHandle; null when none is (each caller then uses its own).
HINSTANCE ChosenResourceHandle();
// Drops everything kept for a window that is being destroyed.
void ForgetWindow(HWND hwnd);

// Sends WM_COMMAND with the control's id and the notification code to its parent, as a control does.
void NotifyParent(HWND control, UINT code);

// A control's class name, items and style as created; empty for a window that is not a control.
std::u16string ControlClass(HWND control);
std::vector<std::u16string> ControlItems(HWND control);
DWORD ControlStyle(HWND control);
// Registers the list view's class "SysListView32" (with the other control classes).
void RegisterListViewClass();

}  // namespace platform::mfc

namespace platform::mfc {

// Thrown by CDataExchange::Fail and caught by UpdateData.
struct DataExchangeFailure {};

}  // namespace platform::mfc
