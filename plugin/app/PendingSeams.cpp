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
bool CBaseMapLayer::Load() {
    return false;
}
bool CBaseMapLayer::Layout() {
    return false;
}
int CBaseMapLayer::GetLevel() {
    return m_grid.m_nLevel;
}
void CBaseMapLayer::OnMapViewState(const BYTE*, DWORD, uint32_t) {}
Acad::ErrorStatus CBaseMapLayer::InsertTileImage(CMapImageItem&) {
    return Acad::eNotImplementedYet;
}
Acad::ErrorStatus CBaseMapLayer::InsertCaptureImage(const AcGePoint2d&, const AcGePoint2d&, const CString&,
                                                    const CString&) {
    return Acad::eNotImplementedYet;
}
void CBaseMapLayer::RequeueRequest(const MapFileRequest&) {}
void CBaseMapLayer::FlushRequests() {}
void CBaseMapLayer::ShowMapFileError(int32_t) {}
int CBaseMapLayer::RequestCaptureImage(int) {
    return -1;
}
void CBaseMapLayer::PurgeImages() {}
void CMapImageItem::UpdateFetchProgress(uint32_t, uint32_t) {}
void CMapImageItem::ShowExtractProgress(int32_t, int32_t) {}

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
