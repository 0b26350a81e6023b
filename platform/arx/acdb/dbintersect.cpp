// Intersections of the curve kinds, worked out in the XY plane from their lines and circular arcs.
#include <cmath>
#include <vector>

#include "platform/arx/acdb/dbarc.h"
#include "platform/arx/acdb/dbcircle.h"
#include "platform/arx/acdb/dbentity.h"
#include "platform/arx/acdb/dbline.h"
#include "platform/arx/acdb/dbpline.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTol = 1e-9;

// A line segment (a to b) or a circular arc (counter-clockwise from start over sweep radians), at height z
// (a line carries its own heights at both ends).
struct Piece {
    bool arc = false;
    bool unbounded = false;  // an infinite line, or a full circle
    AcGePoint3d a, b;
    AcGePoint3d center;
    double radius = 0.0;
    double start = 0.0;
    double sweep = 2 * kPi;
};

double Scale(const Piece& p) {
    return std::max(
        {1.0, std::fabs(p.a.x), std::fabs(p.a.y), std::fabs(p.center.x), std::fabs(p.center.y), p.radius});
}

bool Planar(const AcGeVector3d& normal) {
    return std::fabs(normal.x) < kTol && std::fabs(normal.y) < kTol && normal.z > 0.0;
}

Piece LinePiece(const AcGePoint3d& a, const AcGePoint3d& b, bool extend) {
    Piece p;
    p.a = a;
    p.b = b;
    p.unbounded = extend;
    return p;
}

Piece ArcPiece(const AcGePoint3d& center, double radius, double start, double sweep, bool extend) {
    Piece p;
    p.arc = true;
    p.center = center;
    p.radius = radius;
    p.start = start;
    p.sweep = extend ? 2 * kPi : sweep;
    p.unbounded = extend || sweep >= 2 * kPi;
    return p;
}

// The pieces of a supported entity; false for other kinds and for curves out of the XY plane's direction.
bool PiecesOf(const AcDbEntity* entity, bool extend, std::vector<Piece>& pieces) {
    if (const auto* line = AcDbLine::cast(entity)) {
        pieces.push_back(LinePiece(line->startPoint(), line->endPoint(), extend));
        return true;
    }
    if (const auto* arc = AcDbArc::cast(entity)) {
        if (!Planar(arc->normal())) {
            return false;
        }
        double sweep = std::fmod(arc->endAngle() - arc->startAngle(), 2 * kPi);
        sweep += sweep <= 0.0 ? 2 * kPi : 0.0;
        pieces.push_back(ArcPiece(arc->center(), arc->radius(), arc->startAngle(), sweep, extend));
        return true;
    }
    if (const auto* circle = AcDbCircle::cast(entity)) {
        if (!Planar(circle->normal())) {
            return false;
        }
        pieces.push_back(ArcPiece(circle->center(), circle->radius(), 0.0, 2 * kPi, true));
        return true;
    }
    if (const auto* pline = AcDbPolyline::cast(entity)) {
        if (!Planar(pline->normal())) {
            return false;
        }
        const unsigned n = pline->numVerts();
        const unsigned segments = pline->isClosed() ? n : (n > 0 ? n - 1 : 0);
        for (unsigned i = 0; i < segments; ++i) {
            AcGePoint3d p0, p1;
            double bulge = 0.0;
            pline->getPointAt(i, p0);
            pline->getPointAt((i + 1) % n, p1);
            pline->getBulgeAt(i, bulge);
            if (std::fabs(bulge) < 1e-12 || p0.distanceTo(p1) < kTol) {
                pieces.push_back(LinePiece(p0, p1, false));
                continue;
            }
            // The arc through the chord with the bulge (tan of a quarter of the included angle).
            const double included = 4.0 * std::atan(bulge);
            const double chord = p0.distanceTo(p1);
            const double radius = chord / (2.0 * std::sin(std::fabs(included) / 2.0));
            const AcGePoint3d mid(0.5 * (p0.x + p1.x), 0.5 * (p0.y + p1.y), p0.z);
            const double toCenter = radius * std::cos(std::fabs(included) / 2.0);
            AcGeVector3d along((p1.x - p0.x) / chord, (p1.y - p0.y) / chord, 0.0);
            // Left of the chord for a counter-clockwise arc; toCenter turns negative past half a turn.
            const double side = bulge > 0.0 ? 1.0 : -1.0;
            const AcGePoint3d center(mid.x - along.y * toCenter * side, mid.y + along.x * toCenter * side,
                                     p0.z);
            const double a0 = std::atan2(p0.y - center.y, p0.x - center.x);
            const double a1 = std::atan2(p1.y - center.y, p1.x - center.x);
            const double start = bulge > 0.0 ? a0 : a1;
            pieces.push_back(ArcPiece(center, radius, start, std::fabs(included), false));
        }
        return true;
    }
    return false;
}

bool OnLine(const Piece& p, double t) {
    return p.unbounded || (t >= -kTol && t <= 1.0 + kTol);
}

bool OnArc(const Piece& p, double x, double y) {
    if (p.unbounded) {
        return true;
    }
    double angle = std::fmod(std::atan2(y - p.center.y, x - p.center.x) - p.start, 2 * kPi);
    angle += angle < 0.0 ? 2 * kPi : 0.0;
    const double slack = kTol / std::max(p.radius, kTol);
    return angle <= p.sweep + slack || angle >= 2 * kPi - slack;
}

double HeightAt(const Piece& p, double x, double y) {
    if (p.arc) {
        return p.center.z;
    }
    const double dx = p.b.x - p.a.x, dy = p.b.y - p.a.y;
    const double squared = dx * dx + dy * dy;
    const double t = squared > 0.0 ? ((x - p.a.x) * dx + (y - p.a.y) * dy) / squared : 0.0;
    return p.a.z + (p.b.z - p.a.z) * t;
}

// The XY crossings of two pieces.
void Cross(const Piece& p, const Piece& q, std::vector<AcGePoint2d>& out) {
    if (!p.arc && !q.arc) {
        const double rx = p.b.x - p.a.x, ry = p.b.y - p.a.y;
        const double sx = q.b.x - q.a.x, sy = q.b.y - q.a.y;
        const double denom = rx * sy - ry * sx;
        if (std::fabs(denom) <= kTol * std::hypot(rx, ry) * std::hypot(sx, sy)) {
            return;  // parallel or overlapping: no single point
        }
        const double t = ((q.a.x - p.a.x) * sy - (q.a.y - p.a.y) * sx) / denom;
        const double u = ((q.a.x - p.a.x) * ry - (q.a.y - p.a.y) * rx) / denom;
        if (OnLine(p, t) && OnLine(q, u)) {
            out.emplace_back(p.a.x + rx * t, p.a.y + ry * t);
        }
        return;
    }
    if (p.arc && !q.arc) {
        Cross(q, p, out);
        return;
    }
    if (!p.arc) {
        // A line and a circle: |a + t d - c| = r.
        const double dx = p.b.x - p.a.x, dy = p.b.y - p.a.y;
        const double fx = p.a.x - q.center.x, fy = p.a.y - q.center.y;
        const double A = dx * dx + dy * dy;
        if (A <= 0.0) {
            return;
        }
        const double B = 2 * (fx * dx + fy * dy);
        const double C = fx * fx + fy * fy - q.radius * q.radius;
        double disc = B * B - 4 * A * C;
        const double tangent = kTol * Scale(q) * A;
        if (disc < -tangent) {
            return;
        }
        disc = std::max(disc, 0.0);
        const double root = std::sqrt(disc);
        for (double t : {(-B - root) / (2 * A), (-B + root) / (2 * A)}) {
            const double x = p.a.x + dx * t, y = p.a.y + dy * t;
            if (OnLine(p, t) && OnArc(q, x, y)) {
                out.emplace_back(x, y);
            }
            if (root == 0.0) {
                break;
            }
        }
        return;
    }
    // Two circles.
    const double dx = q.center.x - p.center.x, dy = q.center.y - p.center.y;
    const double d = std::hypot(dx, dy);
    const double slack = kTol * Scale(p);
    if (d < slack || d > p.radius + q.radius + slack || d < std::fabs(p.radius - q.radius) - slack) {
        return;
    }
    const double a = (p.radius * p.radius - q.radius * q.radius + d * d) / (2 * d);
    const double h = std::sqrt(std::max(p.radius * p.radius - a * a, 0.0));
    const double mx = p.center.x + a * dx / d, my = p.center.y + a * dy / d;
    for (double sign : {1.0, -1.0}) {
        const double x = mx - sign * h * dy / d, y = my + sign * h * dx / d;
        if (OnArc(p, x, y) && OnArc(q, x, y)) {
            out.emplace_back(x, y);
        }
        if (h == 0.0) {
            break;
        }
    }
}

Acad::ErrorStatus Intersect(const AcDbEntity* self, const AcDbEntity* other, AcDb::Intersect type,
                            bool project, AcGePoint3dArray& points) {
    if (other == nullptr) {
        return Acad::eNullEntityPointer;
    }
    std::vector<Piece> mine, theirs;
    const bool extendThis = type == AcDb::kExtendThis || type == AcDb::kExtendBoth;
    const bool extendArg = type == AcDb::kExtendArg || type == AcDb::kExtendBoth;
    if (!PiecesOf(self, extendThis, mine) || !PiecesOf(other, extendArg, theirs)) {
        return Acad::eNotApplicable;
    }
    std::vector<AcGePoint3d> found;
    for (const Piece& p : mine) {
        for (const Piece& q : theirs) {
            std::vector<AcGePoint2d> crossings;
            Cross(p, q, crossings);
            for (const AcGePoint2d& c : crossings) {
                const AcGePoint3d point(c.x, c.y, HeightAt(p, c.x, c.y));
                if (!project && std::fabs(point.z - HeightAt(q, c.x, c.y)) > kTol * Scale(p)) {
                    continue;
                }
                bool seen = false;  // pieces that share an end find their crossing twice
                for (const AcGePoint3d& f : found) {
                    seen = seen || f.distanceTo(point) <= kTol * Scale(p);
                }
                if (!seen) {
                    found.push_back(point);
                }
            }
        }
    }
    for (const AcGePoint3d& point : found) {
        points.append(point);
    }
    return Acad::eOk;
}

}  // namespace

Acad::ErrorStatus AcDbEntity::intersectWith(const AcDbEntity* other, AcDb::Intersect type,
                                            AcGePoint3dArray& points) const {
    return Intersect(this, other, type, false, points);
}

Acad::ErrorStatus AcDbEntity::intersectWith(const AcDbEntity* other, AcDb::Intersect type,
                                            const AcGePlane& projPlane, AcGePoint3dArray& points) const {
    if (!Planar(projPlane.normal()) && !Planar(-projPlane.normal())) {
        return Acad::eNotApplicable;
    }
    return Intersect(this, other, type, true, points);
}
