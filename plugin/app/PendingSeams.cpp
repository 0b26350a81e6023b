// Placeholder bodies of the operations that the frame calls in Parts not built yet. Each does nothing and
// reports failure where it returns a status; its owner replaces it.
#include "plugin/app/ToolBar.h"
#include "plugin/basemap/BaseMapLayer.h"
#include "plugin/basemap/MapCapture.h"
#include "plugin/basemap/SetCoorDlg.h"
#include "plugin/exchange/EntityBuilders.h"
#include "plugin/exchange/Reactors.h"
#include "plugin/exchange/ReceiveRoad.h"
#include "plugin/exchange/SendRoad.h"

// ---- Send and receive roads, builders ----

// ---- Base map, capture, associated points ----
Acad::ErrorStatus CBaseMapLayer::InsertCaptureImage(const AcGePoint2d&, const AcGePoint2d&, const CString&,
                                                    const CString&) {
    return Acad::eNotImplementedYet;
}
int CBaseMapLayer::RequestCaptureImage(int) {
    return -1;
}
int InsertMapImage(const BYTE*, DWORD, const AcGePoint2d&, const AcGePoint2d&) {
    return -1;
}
bool ClearMapImages(AcDbDatabase*) {
    return false;
}

CSetCoorDlg* g_pSetCoorDlg = nullptr;
int ResendAssocPoints(DWORD) {
    return -1;
}
void DestroySetCoorDlg() {}

// ---- Toolbar ----
ViewRectInfo g_WholeViewRequestView;
BOOL CreateToolBarWnd() {
    return FALSE;
}
void DestroyToolBarWnd() {}
CWnd* GetToolBarWnd() {
    return nullptr;
}
bool FloatToolBar(const POINT&) {
    return false;
}
void ShowSetCoorDlg(CWnd*) {}
