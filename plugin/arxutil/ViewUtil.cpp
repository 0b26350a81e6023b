#include "plugin/arxutil/ViewUtil.h"

#include <cmath>
#include <limits>

#include "plugin/arxutil/ConvertUtil.h"
#include "plugin/arxutil/DwgDatabaseUtil.h"

namespace {

// Extents with nothing in them hold their minimum above their maximum.
bool IsEmptyExtents(const AcDbExtents& extents) {
    return extents.minPoint().x > extents.maxPoint().x;
}

bool GetReal(const ACHAR* name, double& value) {
    resbuf rb;
    if (acedGetVar(name, &rb) != RTNORM || rb.restype != RTREAL || !std::isfinite(rb.resval.rreal)) {
        return false;
    }
    value = rb.resval.rreal;
    return true;
}

bool GetShort(const ACHAR* name, short& value) {
    resbuf rb;
    if (acedGetVar(name, &rb) != RTNORM || rb.restype != RTSHORT) {
        return false;
    }
    value = rb.resval.rint;
    return true;
}

bool GetPoint(const ACHAR* name, AcGePoint3d& point) {
    resbuf rb;
    if (acedGetVar(name, &rb) != RTNORM || (rb.restype != RTPOINT && rb.restype != RT3DPOINT)) {
        return false;
    }
    point.set(rb.resval.rpoint[X], rb.resval.rpoint[Y], rb.restype == RT3DPOINT ? rb.resval.rpoint[Z] : 0.0);
    return std::isfinite(point.x) && std::isfinite(point.y) && std::isfinite(point.z);
}

// The screen size and view height, each a positive number, or false.
bool GetViewSize(double& sx, double& sy, double& height) {
    AcGePoint3d screen;
    if (!GetPoint(u"SCREENSIZE", screen) || !GetReal(u"VIEWSIZE", height)) {
        return false;
    }
    sx = screen.x;
    sy = screen.y;
    return sx > 0.0 && sy > 0.0 && height > 0.0;
}

bool FitsInt32(double value) {
    return value >= static_cast<double>(std::numeric_limits<Adesk::Int32>::min()) &&
           value < static_cast<double>(std::numeric_limits<Adesk::Int32>::max()) + 1.0;
}

bool Transform(const AcGePoint3d& in, short from, short to, bool displacement, AcGePoint3d& out) {
    resbuf rbFrom;
    resbuf rbTo;
    rbFrom.rbnext = nullptr;
    rbFrom.restype = RTSHORT;
    rbFrom.resval.rint = from;
    rbTo.rbnext = nullptr;
    rbTo.restype = RTSHORT;
    rbTo.resval.rint = to;
    ads_point a = {in.x, in.y, in.z};
    ads_point b;
    if (acedTrans(a, &rbFrom, &rbTo, displacement ? 1 : 0, b) != RTNORM) {
        return false;
    }
    out.set(b[X], b[Y], b[Z]);
    return true;
}

// Sets the view's centre (DCS) and size and makes it current. A window of zero height or width takes the
// missing size from the view's own shape; a window empty both ways is refused.
void SetViewWindow(AcDbViewTableRecord& view, const AcGePoint2d& center, double width, double height) {
    if (!std::isfinite(width) || !std::isfinite(height) || (width <= 0.0 && height <= 0.0)) {
        return;
    }
    const double aspect = view.width() / view.height();
    if (height <= 0.0) {
        height = width / aspect;
    } else if (width <= 0.0) {
        width = height * aspect;
    }
    view.setCenterPoint(center);
    view.setHeight(height);
    view.setWidth(width);
    acedSetCurrentView(&view, nullptr);
}

// The model-space extents of the working drawing; false when there is no drawing or nothing to measure.
bool ModelSpaceExtents(AcDbExtents& extents) {
    AcDbDatabase* pDb = acdbHostApplicationServices()->workingDatabase();
    AcDbBlockTable* pBlkTbl = nullptr;
    if (pDb == nullptr || pDb->getBlockTable(pBlkTbl, AcDb::kForRead) != Acad::eOk) {
        return false;
    }
    AcDbBlockTableRecord* pBlkTblRcd = nullptr;
    const Acad::ErrorStatus es = pBlkTbl->getAt(ACDB_MODEL_SPACE, pBlkTblRcd, AcDb::kForRead);
    pBlkTbl->close();
    if (es != Acad::eOk) {
        return false;
    }
    extents.addBlockExt(pBlkTblRcd);
    pBlkTblRcd->close();
    return !IsEmptyExtents(extents);
}

}  // namespace

bool CViewUtil::GetCurViewRect(ViewRectInfo& info, double scale) {
    AcGePoint3d center;
    double sx = 0.0;
    double sy = 0.0;
    double h = 0.0;
    if (!GetPoint(u"VIEWCTR", center) || !GetViewSize(sx, sy, h) || !std::isfinite(scale)) {
        return false;
    }
    const double w = sx / sy * h;
    if (!std::isfinite(w) || !FitsInt32(sx) || !FitsInt32(sy)) {
        return false;
    }
    info.minX = center.x - w / 2.0 * scale;
    info.minY = center.y - h / 2.0 * scale;
    info.maxX = center.x + w / 2.0 * scale;
    info.maxY = center.y + h / 2.0 * scale;
    info.screenW = static_cast<Adesk::Int32>(sx);
    info.screenH = static_cast<Adesk::Int32>(sy);
    return true;
}

void CViewUtil::ZoomWindow(const AcGePoint3d& pt1, const AcGePoint3d& pt2, double factor) {
    AcDbViewTableRecord view;
    if (!(factor > 0.0) || !GetCurrentView(view)) {
        return;
    }
    const AcGePoint3d p1 = CConvertUtil::WcsToDcsPoint(pt1);
    const AcGePoint3d p2 = CConvertUtil::WcsToDcsPoint(pt2);
    const AcGePoint2d center((p1.x + p2.x) / 2.0, (p1.y + p2.y) / 2.0);
    SetViewWindow(view, center, std::fabs(p1.x - p2.x) * factor, std::fabs(p1.y - p2.y) * factor);
}

void CViewUtil::UpdateDisplay() {
    AcApDocument* pDoc = acDocManager->curDocument();
    if (pDoc != nullptr) {
        pDoc->transactionManager()->queueForGraphicsFlush();
        pDoc->transactionManager()->flushGraphics();
    }
    acedUpdateDisplay();
}

AcGePoint3d CViewUtil::GetModelSpaceCenter() {
    AcDbExtents extents;
    if (!ModelSpaceExtents(extents)) {
        return AcGePoint3d::kOrigin;
    }
    const AcGePoint3d lo = extents.minPoint();
    const AcGePoint3d hi = extents.maxPoint();
    return AcGePoint3d((lo.x + hi.x) / 2.0, (lo.y + hi.y) / 2.0, (lo.z + hi.z) / 2.0);
}

bool CViewUtil::GetCurrentView(AcDbViewTableRecord& view) {
    short viewMode = 0;
    short tileMode = 0;
    short cvport = 0;
    double lens = 0.0;
    double twist = 0.0;
    double frontZ = 0.0;
    double backZ = 0.0;
    double sx = 0.0;
    double sy = 0.0;
    double h = 0.0;
    AcGePoint3d center;
    AcGePoint3d target;
    AcGePoint3d dir;
    if (!GetShort(u"VIEWMODE", viewMode) || !GetShort(u"TILEMODE", tileMode) ||
        !GetShort(u"CVPORT", cvport) || !GetReal(u"LENSLENGTH", lens) || !GetReal(u"VIEWTWIST", twist) ||
        !GetReal(u"FRONTZ", frontZ) || !GetReal(u"BACKZ", backZ) || !GetViewSize(sx, sy, h) ||
        !GetPoint(u"VIEWCTR", center) || !GetPoint(u"TARGET", target) || !GetPoint(u"VIEWDIR", dir)) {
        return false;
    }
    AcGePoint3d centerDcs;
    AcGePoint3d targetWcs;
    AcGePoint3d dirWcs;
    if (!Transform(center, 1, 2, false, centerDcs) || !Transform(target, 1, 0, false, targetWcs) ||
        !Transform(dir, 1, 0, true, dirWcs)) {
        return false;
    }
    view.setPerspectiveEnabled((viewMode & 1) != 0);
    view.setFrontClipEnabled((viewMode & 2) != 0);
    view.setBackClipEnabled((viewMode & 4) != 0);
    view.setFrontClipAtEye((viewMode & 16) == 0);
    view.setCenterPoint(AcGePoint2d(centerDcs.x, centerDcs.y));
    view.setLensLength(lens);
    view.setTarget(targetWcs);
    view.setViewDirection(AcGeVector3d(dirWcs.x, dirWcs.y, dirWcs.z));
    view.setHeight(h);
    view.setWidth(sx / sy * h);
    view.setViewTwist(twist);
    const bool paperspace = tileMode == 0 && cvport == 1;
    view.setIsPaperspaceView(paperspace);
    view.setFrontClipDistance(paperspace ? 0.0 : frontZ);
    view.setBackClipDistance(paperspace ? 0.0 : backZ);
    return true;
}

double CViewUtil::GetDwgLengthOfPixels(double pixels) {
    double sx = 0.0;
    double sy = 0.0;
    double h = 0.0;
    if (!GetViewSize(sx, sy, h)) {
        return 0.0;
    }
    return pixels * h / sy;
}

void CViewUtil::ZoomCenter(const AcGePoint3d& center) {
    AcDbViewTableRecord view;
    if (!GetCurrentView(view)) {
        return;
    }
    const AcGePoint3d p = CConvertUtil::WcsToDcsPoint(center);
    view.setCenterPoint(AcGePoint2d(p.x, p.y));
    acedSetCurrentView(&view, nullptr);
}

void CViewUtil::ZoomExtents() {
    AcDbViewTableRecord view;
    AcDbExtents extents;
    if (!ModelSpaceExtents(extents) || !GetCurrentView(view)) {
        return;
    }
    const AcGePoint3d lo = extents.minPoint();
    const AcGePoint3d hi = extents.maxPoint();
    double minX = 1e30;
    double minY = 1e30;
    double maxX = -1e30;
    double maxY = -1e30;
    for (int i = 0; i < 8; ++i) {
        const AcGePoint3d corner((i & 1) ? hi.x : lo.x, (i & 2) ? hi.y : lo.y, (i & 4) ? hi.z : lo.z);
        const AcGePoint3d p = CConvertUtil::WcsToDcsPoint(corner);
        minX = std::fmin(minX, p.x);
        minY = std::fmin(minY, p.y);
        maxX = std::fmax(maxX, p.x);
        maxY = std::fmax(maxY, p.y);
    }
    SetViewWindow(view, AcGePoint2d((minX + maxX) / 2.0, (minY + maxY) / 2.0), std::fabs(maxX - minX),
                  std::fabs(maxY - minY));
}

Acad::ErrorStatus CViewUtil::ZoomActiveVportExtents(AcDbDatabase* pDb) {
    if (pDb == nullptr) {
        return Acad::eNoDatabase;
    }
    const AcDbExtents extents = CDwgDatabaseUtil::GetModelSpaceExtent(pDb);
    if (IsEmptyExtents(extents)) {
        return Acad::eInvalidExtents;
    }
    AcDbViewportTable* pVportTbl = nullptr;
    Acad::ErrorStatus es = pDb->getViewportTable(pVportTbl, AcDb::kForWrite);
    if (es != Acad::eOk) {
        return es;
    }
    AcDbViewportTableRecord* pVportRcd = nullptr;
    if (pVportTbl->getAt(u"*ACTIVE", pVportRcd, AcDb::kForWrite) == Acad::eOk) {
        const AcGePoint3d lo = extents.minPoint();
        const AcGePoint3d hi = extents.maxPoint();
        pVportRcd->setCenterPoint(AcGePoint2d((lo.x + hi.x) / 2.0, (lo.y + hi.y) / 2.0));
        pVportRcd->setHeight((hi.y - lo.y) * 1.2);
        pVportRcd->setWidth((hi.x - lo.x) * 1.2);
        pVportRcd->close();
    }
    return pVportTbl->close();
}
