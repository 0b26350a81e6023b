// The plug-in's toolbar: a hidden host window owning the toolbar, its buttons and their commands.
#pragma once

#include "plugin/arxutil/ViewRectInfo.h"
#include "platform/mfc/afxwnd.h"

// Non-zero when the toolbar window exists afterwards.
BOOL CreateToolBarWnd();
void DestroyToolBarWnd();
// The toolbar's owner window, null while there is none.
CWnd* GetToolBarWnd();
// Floats the toolbar on the host's frame at the point, docked horizontally, and shows it; false without
// a toolbar.
bool FloatToolBar(const POINT& at);
// Opens the associated-point dialog (owner: the toolbar window).
void ShowSetCoorDlg(CWnd* owner);

// The view recorded by the last whole-view image request (its screen width 0 while there was none).
extern ViewRectInfo g_WholeViewRequestView;
