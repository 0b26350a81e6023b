#include "plugin/arxutil/HatchUtil.h"

#include <cmath>

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbhatch.h"
#include "plugin/arxutil/ArcUtil.h"
#include "plugin/arxutil/ConvertUtil.h"
#include "plugin/arxutil/DwgDatabaseUtil.h"
#include "plugin/arxutil/SplineUtil.h"

namespace {

AcDbHatch* NewHatch(bool bAssociative, const TCHAR* patName) {
    AcDbHatch* pHatch = new AcDbHatch();
    pHatch->setNormal(AcGeVector3d(0, 0, 1));
    pHatch->setElevation(0);
    pHatch->setAssociative(bAssociative);
    pHatch->setPattern(AcDbHatch::kPreDefined, patName != nullptr ? patName : _T("SOLID"));
    return pHatch;
}

void EraseEntity(AcDbObjectId id) {
    AcDbEntity* pEnt = nullptr;
    if (acdbOpenAcDbEntity(pEnt, id, AcDb::kForWrite) == Acad::eOk) {
        pEnt->erase();
        pEnt->close();
    }
}

// Makes the posted hatch a persistent reactor of each entity it is associated with.
void AttachToBoundaries(AcDbObjectId hatchId) {
    AcDbHatch* pHatch = nullptr;
    if (acdbOpenObject(pHatch, hatchId, AcDb::kForRead) != Acad::eOk) {
        return;
    }
    AcDbObjectIdArray assocIds;
    pHatch->getAssocObjIds(assocIds);
    for (const AcDbObjectId& id : assocIds) {
        AcDbObject* pObj = nullptr;
        if (acdbOpenObject(pObj, id, AcDb::kForWrite) == Acad::eOk) {
            pObj->addPersistentReactor(hatchId);
            pObj->close();
        }
    }
    pHatch->close();
}

// Evaluates a hatch whose loops are in and posts it; then it is tied to its boundaries (associative) or the
// `erased` boundary entities go. A hatch that fails must not cost the boundary entities.
AcDbObjectId EvaluateAndPost(AcDbHatch* pHatch, CEntityProperty prop, bool bAssociative,
                             const AcDbObjectIdArray& erased) {
    if (pHatch->evaluateHatch(false) != Acad::eOk) {
        delete pHatch;
        return AcDbObjectId::kNull;
    }
    const AcDbObjectId hatchId =
        CDwgDatabaseUtil::PostToModelSpace(pHatch, prop, acdbHostApplicationServices()->workingDatabase());
    if (hatchId.isNull()) {
        return hatchId;
    }
    if (!bAssociative) {
        for (const AcDbObjectId& id : erased) {
            EraseEntity(id);
        }
    } else {
        AttachToBoundaries(hatchId);
    }
    return hatchId;
}

}  // namespace

AcDbObjectId CHatchUtil::Add(const AcDbObjectIdArray& objIds, CEntityProperty prop, bool bAssociative,
                             const TCHAR* patName) {
    AcDbHatch* pHatch = NewHatch(bAssociative, patName);
    // A hatch without its boundary is no hatch.
    if (pHatch->appendLoop(AcDbHatch::kExternal, objIds) != Acad::eOk) {
        delete pHatch;
        return AcDbObjectId::kNull;
    }
    return EvaluateAndPost(pHatch, prop, bAssociative, objIds);
}

AcDbObjectId CHatchUtil::Add(const std::vector<AcDbObjectIdArray>& outerLoops,
                             const std::vector<AcDbObjectIdArray>& innerLoops, CEntityProperty prop,
                             bool bAssociative, const TCHAR* patName) {
    AcDbHatch* pHatch = NewHatch(bAssociative, patName);
    const Adesk::Int32 innerType = outerLoops.empty() ? AcDbHatch::kExternal : AcDbHatch::kOutermost;
    // A non-associative hatch of loop lists takes away the first entity of each loop.
    AcDbObjectIdArray firsts;
    const auto appendLoops = [&](const std::vector<AcDbObjectIdArray>& loops, Adesk::Int32 loopType) {
        for (const AcDbObjectIdArray& loop : loops) {
            if (pHatch->appendLoop(loopType, loop) != Acad::eOk) {
                return false;
            }
            // Only an accepted loop's own first entity goes; a host that takes an empty loop gives none.
            if (!loop.isEmpty()) {
                firsts.append(loop[0]);
            }
        }
        return true;
    };
    if (!appendLoops(outerLoops, AcDbHatch::kExternal) || !appendLoops(innerLoops, innerType)) {
        delete pHatch;
        return AcDbObjectId::kNull;
    }
    return EvaluateAndPost(pHatch, prop, bAssociative, firsts);
}

void CHatchUtil::GetPolylineLoopPoints(AcGePoint3dArray& points, const AcGePoint2dArray& vertices,
                                       const AcGeDoubleArray& bulges) {
    const int n = vertices.length();
    auto bulgeAt = [&](int i) { return bulges.isValid(i) ? bulges[i] : 0.0; };
    for (int i = 0; i < n - 1; ++i) {
        if (bulgeAt(i) != 0) {
            CArcUtil::GetBulgeArcSamplePoints(CConvertUtil::ToPoint3d(vertices[i]),
                                              CConvertUtil::ToPoint3d(vertices[i + 1]), bulgeAt(i), points,
                                              false, 3);
        } else {
            points.append(CConvertUtil::ToPoint3d(vertices[i]));
            if (i == n - 2) {
                points.append(CConvertUtil::ToPoint3d(vertices[n - 1]));
            }
        }
    }
    if (n < 1) {
        return;
    }
    const AcGePoint3d last = CConvertUtil::ToPoint3d(vertices[n - 1]);
    if (points.isEmpty() || !(points.last() == last)) {
        points.append(last);
    }
    // The loop closes from its last vertex back to the first; when that segment is bulged, its arc belongs
    // to the ring too (a polyline circle would otherwise come out as a half disc).
    if (n > 1 && bulgeAt(n - 1) != 0 && !(vertices[n - 1] == vertices[0])) {
        // Its first sample is the last vertex, which the ring already holds.
        const int closingAt = points.length();
        CArcUtil::GetBulgeArcSamplePoints(last, CConvertUtil::ToPoint3d(vertices[0]), bulgeAt(n - 1), points,
                                          false, 3);
        if (points.length() > closingAt) {
            points.removeAt(closingAt);
        }
    }
}

void CHatchUtil::GetEdgeLoopPoints(AcGePoint3dArray& points, const AcGeVoidPointerArray& edgePtrs,
                                   const AcGeIntArray& edgeTypes) {
    const int n = std::min(edgePtrs.length(), edgeTypes.length());
    for (int i = 0; i < n; ++i) {
        const bool bLast = i == n - 1;
        const auto* pCurve = static_cast<const AcGeCurve2d*>(edgePtrs[i]);
        if (pCurve == nullptr) {
            continue;
        }
        switch (edgeTypes[i]) {
            case AcDbHatch::kLine: {
                AcGePoint2d start;
                if (pCurve->isKindOf(AcGe::kLinearEnt2d) && pCurve->hasStartPoint(start)) {
                    points.append(CConvertUtil::ToPoint3d(start));
                }
                break;
            }
            case AcDbHatch::kCirArc:
                if (pCurve->type() == AcGe::kCircArc2d) {
                    CArcUtil::GetSamplePoints(*static_cast<const AcGeCircArc2d*>(pCurve), points, bLast, 3);
                }
                break;
            case AcDbHatch::kEllArc:
                if (pCurve->type() == AcGe::kEllipArc2d) {
                    CArcUtil::GetEllipseArcSamplePoints(*static_cast<const AcGeEllipArc2d*>(pCurve), points,
                                                        bLast, 3);
                }
                break;
            case AcDbHatch::kSpline:
                if (pCurve->isKindOf(AcGe::kSplineEnt2d)) {
                    CSplineUtil::GetSamplePoints(*static_cast<const AcGeSplineEnt2d*>(pCurve), points, bLast);
                }
                break;
            default:
                break;
        }
    }
}
