// Placeholder bodies of the operations that the frame calls in Parts not built yet. Each does nothing and
// reports failure where it returns a status; its owner replaces it.
#include "plugin/basemap/BaseMapLayer.h"
#include "plugin/basemap/MapCapture.h"
#include "plugin/basemap/SetCoorDlg.h"
#include "plugin/exchange/EntityBuilders.h"
#include "plugin/exchange/Reactors.h"
#include "plugin/exchange/ReceiveRoad.h"
#include "plugin/exchange/SendRoad.h"

// ---- Send and receive roads, builders ----
void SendSelectedEntities() {}
bool SendEntityArray(const AcDbObjectIdArray&) {
    return false;
}
void PairSendAnswer(const BYTE*, DWORD) {}
bool ReceiveMapObjects(const BYTE*, DWORD) {
    return false;
}
AcDbObjectId CreateSignEntities(MapMarkObj*, const ACHAR*, bool) {
    return AcDbObjectId();
}

// ---- Base map, capture, associated points ----
Acad::ErrorStatus CBaseMapLayer::InsertCaptureImage(const AcGePoint2d&, const AcGePoint2d&, const CString&,
                                                    const CString&) {
    return Acad::eNotImplementedYet;
}
void CBaseMapLayer::StartCapture() {}
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
void DestroySetCoorDlg() {
    if (g_pSetCoorDlg != nullptr) {
        g_pSetCoorDlg->DestroyWindow();
        delete g_pSetCoorDlg;
        g_pSetCoorDlg = nullptr;
    }
}
