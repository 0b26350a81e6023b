#include "plugin/arxutil/PolylineUtil.h"

#include <cmath>

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbpline.h"
#include "platform/arx/acdb/dbpoly.h"
#include "plugin/arxutil/DwgDatabaseUtil.h"
#include "plugin/arxutil/EntityUtil.h"
#include "plugin/arxutil/GePointUtil.h"
#include "plugin/arxutil/MathUtil.h"

namespace {

constexpr double kMinSize = 1e-9;

AcDbDatabase* WorkingDb() {
    return acdbHostApplicationServices()->workingDatabase();
}

bool IsUsableRadius(double radius) {
    return radius > kMinSize && std::isfinite(radius);
}

// Posts a polyline of vertices with bulges, all with the width.
AcDbObjectId PostPolyline(const AcGePoint2dArray& points, const AcGeDoubleArray& bulges, double width,
                          bool closed, const CEntityProperty& prop) {
    AcDbPolyline* pPoly = new AcDbPolyline(points.length());
    for (int i = 0; i < points.length(); ++i) {
        pPoly->addVertexAt(i, points[i], bulges.isValid(i) ? bulges[i] : 0, width, width);
    }
    pPoly->setClosed(closed);
    return CDwgDatabaseUtil::PostToModelSpace(pPoly, prop, WorkingDb());
}

// A full turn of 0.035-radian steps: a ray that still meets vertices after that will keep meeting them.
constexpr int kMaxRayTurns = 180;

}  // namespace

AcDbObjectId CPolylineUtil::Add(const AcGePoint2dArray& points, CEntityProperty prop, double width) {
    if (points.length() < 2) {
        return AcDbObjectId::kNull;
    }
    return PostPolyline(points, AcGeDoubleArray(), width, false, prop);
}

AcDbObjectId CPolylineUtil::Add(const AcGePoint2d& ptStart, const AcGePoint2d& ptEnd, CEntityProperty prop,
                                double width) {
    AcGePoint2dArray points;
    points.append(ptStart);
    points.append(ptEnd);
    return Add(points, prop, width);
}

AcDbObjectId CPolylineUtil::Add3dPolyline(const AcGePoint3dArray& points, CEntityProperty prop) {
    if (points.length() < 2) {
        return AcDbObjectId::kNull;
    }
    AcDb3dPolyline* pPoly = new AcDb3dPolyline(AcDb::k3dSimplePoly, points, false);
    return CDwgDatabaseUtil::PostToModelSpace(pPoly, prop, WorkingDb());
}

AcDbObjectId CPolylineUtil::AddRectangle(const AcGePoint2d& pt1, const AcGePoint2d& pt2, double width,
                                         CEntityProperty prop) {
    const double x1 = std::min(pt1.x, pt2.x), x2 = std::max(pt1.x, pt2.x);
    const double y1 = std::min(pt1.y, pt2.y), y2 = std::max(pt1.y, pt2.y);
    if (!(x2 - x1 > kMinSize) || !(y2 - y1 > kMinSize)) {
        return AcDbObjectId::kNull;
    }
    AcGePoint2dArray points;
    points.append(AcGePoint2d(x1, y1));
    points.append(AcGePoint2d(x2, y1));
    points.append(AcGePoint2d(x2, y2));
    points.append(AcGePoint2d(x1, y2));
    return PostPolyline(points, AcGeDoubleArray(), width, true, prop);
}

AcDbObjectId CPolylineUtil::AddPolygon(const AcGePoint2d& ptCenter, int number, double radius,
                                       double rotation, double width, CEntityProperty prop) {
    // Fewer than three sides make no polygon (and none divides by zero).
    if (number < 3 || !IsUsableRadius(radius)) {
        return AcDbObjectId::kNull;
    }
    const double step = 2 * CMathUtil::PI() / number;
    AcGePoint2dArray points;
    for (int i = 0; i < number; ++i) {
        points.append(
            AcGePoint2d(ptCenter.x + radius * std::cos(i * step), ptCenter.y + radius * std::sin(i * step)));
    }
    const AcDbObjectId polyId = Add(points, prop, width);
    if (polyId.isNull()) {
        return polyId;
    }
    AcDbPolyline* pPoly = nullptr;
    if (acdbOpenObject(pPoly, polyId, AcDb::kForWrite) == Acad::eOk) {
        pPoly->setClosed(true);
        pPoly->close();
    }
    CEntityUtil::Rotate(polyId, ptCenter, rotation);
    return polyId;
}

AcDbObjectId CPolylineUtil::AddPolyCircle(const AcGePoint2d& ptCenter, double radius, double width,
                                          CEntityProperty prop) {
    if (!IsUsableRadius(radius)) {
        return AcDbObjectId::kNull;
    }
    // Two half circles; the closing segment is the second one (a third vertex on the first would add a
    // zero-length segment).
    AcGePoint2dArray points;
    points.append(AcGePoint2d(ptCenter.x + radius, ptCenter.y));
    points.append(AcGePoint2d(ptCenter.x - radius, ptCenter.y));
    AcGeDoubleArray bulges;
    bulges.append(1.0);
    bulges.append(1.0);
    return PostPolyline(points, bulges, width, true, prop);
}

AcDbObjectId CPolylineUtil::AddPolyArc(const AcGePoint2d& ptCenter, double radius, double startAngle,
                                       double endAngle, double width, CEntityProperty prop) {
    if (!IsUsableRadius(radius)) {
        return AcDbObjectId::kNull;
    }
    AcGePoint2dArray points;
    points.append(
        AcGePoint2d(ptCenter.x + radius * std::cos(startAngle), ptCenter.y + radius * std::sin(startAngle)));
    points.append(
        AcGePoint2d(ptCenter.x + radius * std::cos(endAngle), ptCenter.y + radius * std::sin(endAngle)));
    AcGeDoubleArray bulges;
    bulges.append(std::tan((endAngle - startAngle) / 4));
    bulges.append(0.0);
    return PostPolyline(points, bulges, width, false, prop);
}

void CPolylineUtil::IntersectWithGeRay(const AcDbPolyline* pPoly, const AcGeRay2d& geRay,
                                       AcGePoint3dArray& intPoints, double tol) {
    intPoints.removeAll();
    AcGeTol geTol;
    geTol.setEqualPoint(tol);
    const double z = pPoly->elevation();
    auto keep = [&](const AcGePoint2d& p) {
        const AcGePoint3d pt(p.x, p.y, z);
        if (CGePointUtil::FindPoint(intPoints, pt, tol) < 0) {
            intPoints.append(pt);
        }
    };
    const unsigned int n = pPoly->numVerts();
    const unsigned int segments = pPoly->isClosed() ? n : (n > 0 ? n - 1 : 0);
    for (unsigned int i = 0; i < segments; ++i) {
        double bulge = 0;
        pPoly->getBulgeAt(i, bulge);
        if (std::fabs(bulge) < 1e-7) {
            AcGeLineSeg2d line;
            AcGePoint2d hit;
            if (pPoly->getLineSegAt(i, line) == Acad::eOk && line.intersectWith(geRay, hit, geTol)) {
                keep(hit);
            }
        } else {
            AcGeCircArc2d arc;
            int count = 0;
            AcGePoint2d p1, p2;
            if (pPoly->getArcSegAt(i, arc) == Acad::eOk && arc.intersectWith(geRay, count, p1, p2, geTol)) {
                keep(p1);
                if (count > 1) {
                    keep(p2);
                }
            }
        }
    }
}

bool CPolylineUtil::PointIsPolyVert(const AcDbPolyline* pPoly, const AcGePoint2d& pt, double tol) {
    for (unsigned int i = 0; i < pPoly->numVerts(); ++i) {
        AcGePoint2d vertex;
        pPoly->getPointAt(i, vertex);
        if (CGePointUtil::IsEqual(vertex, pt, tol)) {
            return true;
        }
    }
    return false;
}

int CPolylineUtil::PtRelationToPoly(const AcDbPolyline* pPoly, const AcGePoint2d& pt, double tol) {
    AcGePoint3d closest;
    if (pPoly->getClosestPointTo(AcGePoint3d(pt.x, pt.y, pPoly->elevation()), closest, false) != Acad::eOk) {
        return -1;
    }
    const AcGePoint2d c(closest.x, closest.y);
    if (CGePointUtil::IsEqual(c, pt, tol)) {
        return 0;
    }
    AcGeVector2d direction = pt - c;
    AcGePoint3dArray intPoints;
    IntersectWithGeRay(pPoly, AcGeRay2d(pt, direction), intPoints, 1e-4);
    CGePointUtil::FilterEqualPoints(intPoints, 1e-4);
    int parity = -1;
    for (int turns = 0; !intPoints.isEmpty(); ++turns) {
        CGePointUtil::FilterNearPoints(intPoints, c, 1e-7);
        for (int i = intPoints.length() - 1; i >= 0; --i) {
            const AcGePoint3d& q = intPoints[i];
            if ((q.x - pt.x) * (c.x - pt.x) >= 0 && (q.y - pt.y) * (c.y - pt.y) >= 0) {
                intPoints.removeAt(i);
            }
        }
        bool throughVertex = false;
        for (const AcGePoint3d& q : intPoints) {
            throughVertex = throughVertex || PointIsPolyVert(pPoly, AcGePoint2d(q.x, q.y), 1e-4);
        }
        parity = intPoints.length() % 2 == 1 ? 1 : -1;
        if (!throughVertex) {
            return parity;
        }
        if (PointIsPolyVert(pPoly, pt, 1e-4)) {
            return 0;
        }
        // Turning the ray for ever would never end: after a full turn, the last count stands.
        if (turns >= kMaxRayTurns) {
            return parity;
        }
        direction.rotateBy(0.035);
        IntersectWithGeRay(pPoly, AcGeRay2d(pt, direction), intPoints, 1e-4);
    }
    return -1;
}
