// The plug-in's toolbar: a hidden host window owning the toolbar, its buttons and their commands.
#pragma once

#include "platform/arx/arxheaders.h"
#include "platform/mfc/afxwin.h"
#include "plugin/arxutil/ViewRectInfo.h"
#include "plugin/res/toolbar_res.h"

// The toolbar window's private message: re-place the point icons at the icon size of the settings.
inline constexpr UINT WM_TARN_RESIZE_ICONS = WM_APP + 47;
inline constexpr UINT kToolBarWndId = 32993;
inline constexpr int kToolBarButtonSize = 24;
// Images of the image list: one a button in order, then the base map switched off.
inline constexpr int kImageOnlineMapOn = 1;
inline constexpr int kImageOnlineMapOff = 5;

class CAcToolBar : public CToolBar {
    DECLARE_DYNAMIC(CAcToolBar)
public:
    // Creates the toolbar on the host's frame, owned by owner (the frame when null), with its buttons,
    // images and title, and floats it near the top right of the screen; null when it can't be created.
    static CAcToolBar* CreateToolBar(UINT resourceId, CWnd* owner, const char16_t* title);

    // The buttons are updated against the owner window, which handles their commands, and never disabled.
    void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;

    CWnd* m_pOwnerWnd = nullptr;
    CImageList m_imageList;

protected:
    DECLARE_MESSAGE_MAP()
};

class CAcToolBarWnd : public CWnd {
    DECLARE_DYNAMIC(CAcToolBarWnd)
public:
    ~CAcToolBarWnd() override;

    CAcToolBar* m_pToolBar = nullptr;
    AcDbObjectIdArray m_ids;  // scratch of the icon resize

    afx_msg void OnSendSelection();
    afx_msg void OnLoadOnlineMap();
    afx_msg void OnDownloadMap();
    afx_msg void OnClearMap();
    afx_msg void OnSetCoorPoints();
    afx_msg void OnPickEntity();
    afx_msg void OnSettings();

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    afx_msg int OnCreate(LPCREATESTRUCT cs);
    afx_msg void OnDestroy();
    afx_msg void OnClose();
    DECLARE_MESSAGE_MAP()

private:
    void ResizeIcons();
};

// Non-zero when the toolbar window exists afterwards.
BOOL CreateToolBarWnd();
void DestroyToolBarWnd();
// The toolbar's owner window, null while there is none.
CWnd* GetToolBarWnd();
// Floats the toolbar on the host's frame at the point, docked horizontally, and shows it; false without
// a toolbar.
bool FloatToolBar(const POINT& at);
// Shows the online base map's state on the base-map button (position 1).
void SetOnlineMapButtonState(CToolBar* toolBar, BYTE on);
// The base-map switch of the toolbar (what its button does): switches the online base map of the current
// drawing on or off. The capture and the editor reactor switch the map off through it.
void SwitchOnlineMap();
// Whether a drawing is current; when none is, says so on the command line in the host's words.
bool DrawingOpen();
// Opens the associated-point dialog (owner: the toolbar window).
void ShowSetCoorDlg(CWnd* owner);

// 1 when right turns dominate around the closed list of points, -1 when left turns do, 0 when they are
// even or there are fewer than three points.
int PolygonOrientation(const AcGePoint3dArray& points);

// The view recorded by the last whole-view image request (its screen width 0 while there was none).
extern ViewRectInfo g_WholeViewRequestView;
extern CAcToolBarWnd* g_pToolBarWnd;
