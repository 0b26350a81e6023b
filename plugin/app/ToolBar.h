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
    // Sizing and showing keep the default window processing.
    afx_msg void OnSize(UINT type, int cx, int cy);
    afx_msg void OnShowWindow(BOOL show, UINT status);
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

    // Re-places the point icons at the icon size of the settings, as the toolbar's private message does, but
    // without the progress meter.
    void ResizeIconsWithoutProgress();

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    afx_msg int OnCreate(LPCREATESTRUCT cs);
    afx_msg void OnDestroy();
    afx_msg void OnClose();
    DECLARE_MESSAGE_MAP()

private:
    void ResizeIcons(bool showProgress);
};

// A dynamic-linker reactor of the plug-in; its handlers do nothing.
class CAppReactor : public AcRxDLinkerReactor {
public:
    void rxAppWillBeLoaded(const ACHAR*) override {}
    void rxAppLoaded(const ACHAR*) override {}
    void rxAppLoadAborted(const ACHAR*) override {}
    void rxAppWillBeUnloaded(const ACHAR*) override {}
    void rxAppUnloaded(const ACHAR*) override {}
    void rxAppUnloadAborted(const ACHAR*) override {}
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

// Asks the map application for the current view as one picture, the view widened by the first (or second)
// scale factor of the settings; the picture is inserted by the hidden window when the answer comes. Refused
// for longitude/latitude; the ZOOMFACTOR question runs first.
void RequestWholeViewImage();
void RequestWholeViewImageAtSecondScale();
// The ZOOMFACTOR question: matches the zoom at once when the settings ask for it for every drawing (first use
// of a load), else asks the user once a load whether to match it (and whether always to).
void AskZoomFactor();
// The first use of a load and the question asked in it, both fresh at a load.
extern BYTE g_bZoomFirstUse;
extern BYTE g_bZoomAsked;
// Asks for a real number (default 15.0) or one of the keywords FullSize, Create, Select (3.14, 10.0, 11.0)
// and returns it; the default when the input is cancelled.
double PromptRegionMode();
// Maps a code to a number 5000 to 5010 by the range its last three digits fall in (1071 kept whole).
int MapCodeRange(WORD code, WORD second);
// The named image definition of the working database, found or made from the plug-in's PNG resource (or
// from the PNG file), under a write lock of the working document; null on failure.
AcDbObjectId GetResImgDefIdLocked(const CString& name, UINT resourceId);
AcDbObjectId GetFileImgDefIdLocked(const CString& name, const CString& imagePath);

// 1 when right turns dominate around the closed list of points, -1 when left turns do, 0 when they are
// even or there are fewer than three points.
int PolygonOrientation(const AcGePoint3dArray& points);

// The view recorded by the last whole-view image request (its screen width 0 while there was none).
extern ViewRectInfo g_WholeViewRequestView;
extern CAcToolBarWnd* g_pToolBarWnd;
