#include "platform/arx/acdb/dbloop.h"

#include <algorithm>
#include <cmath>

#include "platform/arx/acdb/dbarc.h"
#include "platform/arx/acdb/dbcircle.h"
#include "platform/arx/acdb/dbellipse.h"
#include "platform/arx/acdb/dbgeom.h"
#include "platform/arx/acdb/dbline.h"
#include "platform/arx/acdb/dbpline.h"
#include "platform/arx/acdb/dbpoly.h"
#include "platform/arx/acdb/dbspline.h"

namespace platform::detail {

namespace {

AcGePoint2d Flat(const AcGePoint3d& p) {
    return AcGePoint2d(p.x, p.y);
}

// Planar entities must lie in a level plane to be seen from above without distortion.
bool IsLevel(const AcGeVector3d& normal) {
    return normal.isParallelTo(AcGeVector3d::kZAxis, AcGeTol(1e-10, 1e-9));
}

AcGePoint2d StartOf(const Pieces& run) {
    AcGePoint2d p;
    run.front()->hasStartPoint(p);
    return p;
}

AcGePoint2d EndOf(const Pieces& run) {
    AcGePoint2d p;
    run.back()->hasEndPoint(p);
    return p;
}

void Reverse(Pieces& run) {
    std::reverse(run.begin(), run.end());
    for (auto& piece : run) {
        piece->reverseParam();
    }
}

// A level path seen from above: the vertices in world XY, the bulges turned round when the normal points
// down (seen from above the path then runs the other way round).
PlinePath LevelPath(const PlinePath& path) {
    PlinePath level;
    const bool down = path.normal.z < 0.0;
    for (size_t i = 0; i < path.points.size(); ++i) {
        level.points.push_back(Flat(path.toWorld(path.points[i])));
        level.bulges.push_back(down ? -path.bulgeAt(static_cast<int>(i)) : path.bulgeAt(static_cast<int>(i)));
    }
    level.closed = path.closed;
    return level;
}

// The path of a polyline entity, when it is one.
bool EntityPath(const AcDbEntity* entity, PlinePath& path) {
    if (const AcDbPolyline* lw = AcDbPolyline::cast(entity)) {
        path = lw->tarnPath();
        return true;
    }
    if (const AcDb2dPolyline* p2 = AcDb2dPolyline::cast(entity)) {
        path = p2->tarnPath();
        return true;
    }
    return false;
}

// A path counts as closed by its flag or by a last vertex on the first.
bool PathCloses(const PlinePath& path) {
    return path.closed || (path.points.size() > 2 && path.points.front().isEqualTo(path.points.back()));
}

}  // namespace

CurveLoop& CurveLoop::operator=(const CurveLoop& other) {
    if (this != &other) {
        polylineForm = other.polylineForm;
        vertices = other.vertices;
        bulges = other.bulges;
        edges.clear();
        for (const auto& edge : other.edges) {
            edges.emplace_back(static_cast<AcGeCurve2d*>(edge->copy()));
        }
        fits = other.fits;
    }
    return *this;
}

PlinePath CurveLoop::path() const {
    PlinePath p;
    for (int i = 0; i < vertices.length(); ++i) {
        p.points.push_back(vertices[i]);
        p.bulges.push_back(bulges.isValid(i) ? bulges[i] : 0.0);
    }
    p.closed = true;
    return p;
}

void CurveLoop::transformBy(const AcGeMatrix2d& matrix) {
    for (AcGePoint2d& v : vertices) {
        v = matrix * v;
    }
    if (matrix.det() < 0.0) {
        for (double& b : bulges) {
            b = -b;
        }
    }
    for (auto& edge : edges) {
        edge->transformBy(matrix);
    }
    for (EdgeFit& fit : fits) {
        for (AcGePoint2d& p : fit.points) {
            p = matrix * p;
        }
        fit.startTangent = matrix * fit.startTangent;
        fit.endTangent = matrix * fit.endTangent;
    }
}

void CurveLoop::addExtents(double z, AcDbExtents& box) const {
    if (polylineForm) {
        PlinePath p = path();
        p.elevation = z;
        p.addExtents(box);
        return;
    }
    for (const auto& edge : edges) {
        AddCurveExtents(*edge, AcGeMatrix3d::kIdentity, z, box);
    }
}

double CurveLoop::signedArea() const {
    if (polylineForm) {
        return path().signedArea();
    }
    double twice = 0.0;
    AcGePoint2dArray samples;
    for (const auto& edge : edges) {
        edge->getSamplePoints(edge->isKindOf(AcGe::kLinearEnt2d) ? 2 : 720, samples);
        for (int i = 0; i + 1 < samples.length(); ++i) {
            twice += samples[i].x * samples[i + 1].y - samples[i + 1].x * samples[i].y;
        }
    }
    return twice / 2.0;
}

double CurveLoop::perimeter() const {
    if (polylineForm) {
        return path().length();
    }
    double sum = 0.0;
    for (const auto& edge : edges) {
        AcGeInterval range;
        edge->getInterval(range);
        sum += edge->length(range.lowerBound(), range.upperBound());
    }
    return sum;
}

bool EndsMeet(const AcGePoint2d& a, const AcGePoint2d& b) {
    const double size = std::max({std::fabs(a.x), std::fabs(a.y), std::fabs(b.x), std::fabs(b.y)});
    return a.distanceTo(b) <= std::max(1e-6, 1e-9 * size);
}

bool CurvePieces(const AcDbEntity* entity, Pieces& pieces, bool& closed) {
    pieces.clear();
    closed = false;
    if (const AcDbLine* line = AcDbLine::cast(entity)) {
        const AcGePoint2d a = Flat(line->startPoint());
        const AcGePoint2d b = Flat(line->endPoint());
        if (a.isEqualTo(b)) {
            return false;
        }
        pieces.push_back(std::make_unique<AcGeLineSeg2d>(a, b));
        return true;
    }
    if (const AcDbArc* arc = AcDbArc::cast(entity)) {
        if (!IsLevel(arc->normal()) || !(arc->radius() > 0.0)) {
            return false;
        }
        double from = 0.0, to = 0.0;
        AcGePoint3d start, middle, end;
        arc->getStartParam(from);
        arc->getEndParam(to);
        arc->getStartPoint(start);
        arc->getPointAtParam((from + to) / 2, middle);
        arc->getEndPoint(end);
        AcGe::ErrorCondition error = AcGe::kOk;
        auto piece = std::make_unique<AcGeCircArc2d>();
        piece->set(Flat(start), Flat(middle), Flat(end), error);
        if (error != AcGe::kOk) {
            return false;
        }
        pieces.push_back(std::move(piece));
        return true;
    }
    if (const AcDbCircle* circle = AcDbCircle::cast(entity)) {
        if (!IsLevel(circle->normal()) || !(circle->radius() > 0.0)) {
            return false;
        }
        AcGePoint3d start;
        circle->getStartPoint(start);
        const AcGePoint2d center = Flat(circle->center());
        pieces.push_back(std::make_unique<AcGeCircArc2d>(center, circle->radius(), 0.0, 0.0,
                                                         Flat(start) - center, circle->normal().z < 0.0));
        closed = true;
        return true;
    }
    if (const AcDbEllipse* ellipse = AcDbEllipse::cast(entity)) {
        if (ellipse->isNull() || !IsLevel(ellipse->normal())) {
            return false;
        }
        double from = 0.0, to = 0.0;
        ellipse->getStartParam(from);
        ellipse->getEndParam(to);
        const AcGeVector3d major = ellipse->majorAxis();
        const AcGeVector3d minor = ellipse->minorAxis();
        pieces.push_back(std::make_unique<AcGeEllipArc2d>(
            Flat(ellipse->center()), AcGeVector2d(major.x, major.y), AcGeVector2d(minor.x, minor.y),
            ellipse->majorRadius(), ellipse->minorRadius(), from, to));
        closed = ellipse->isClosed();
        return true;
    }
    if (const AcDbSpline* spline = AcDbSpline::cast(entity)) {
        if (spline->isNull()) {
            return false;
        }
        pieces.push_back(std::make_unique<AcGeNurbCurve2d>(spline->tarnCurve2d()));
        closed = pieces.back()->isClosed(AcGeTol(1e-9, 1e-12));
        return true;
    }
    PlinePath path;
    if (EntityPath(entity, path)) {
        if (!IsLevel(path.normal)) {
            return false;
        }
        LevelPath(path).appendPieces(pieces);
        closed = PathCloses(path);
        return !pieces.empty();
    }
    if (const AcDb3dPolyline* poly = AcDb3dPolyline::cast(entity)) {
        const std::vector<AcGePoint3d> points = poly->tarnRunPoints();
        for (size_t i = 0; i + 1 < points.size(); ++i) {
            if (!Flat(points[i]).isEqualTo(Flat(points[i + 1]))) {
                pieces.push_back(std::make_unique<AcGeLineSeg2d>(Flat(points[i]), Flat(points[i + 1])));
            }
        }
        closed = !pieces.empty() && EndsMeet(StartOf(pieces), EndOf(pieces));
        return !pieces.empty();
    }
    return false;
}

bool PolylineLoop(const AcDbEntity* entity, CurveLoop& loop) {
    PlinePath path;
    if (!EntityPath(entity, path) || !PathCloses(path) || !IsLevel(path.normal) || path.points.size() < 2) {
        return false;
    }
    const PlinePath level = LevelPath(path);
    loop = CurveLoop();
    loop.polylineForm = true;
    for (size_t i = 0; i < level.points.size(); ++i) {
        loop.vertices.append(level.points[i]);
        loop.bulges.append(level.bulges[i]);
    }
    return true;
}

namespace {

// Extends the chain with the parts that join its end until it closes or nothing joins.
void Extend(std::vector<Pieces>& parts, std::vector<bool>& used, Pieces& chain) {
    for (bool grown = true; grown && !EndsMeet(StartOf(chain), EndOf(chain));) {
        grown = false;
        for (size_t j = 0; j < parts.size() && !grown; ++j) {
            if (used[j]) {
                continue;
            }
            if (EndsMeet(EndOf(chain), EndOf(parts[j])) && !EndsMeet(EndOf(chain), StartOf(parts[j]))) {
                Reverse(parts[j]);
            }
            if (EndsMeet(EndOf(chain), StartOf(parts[j]))) {
                for (auto& piece : parts[j]) {
                    chain.push_back(std::move(piece));
                }
                used[j] = true;
                grown = true;
            }
        }
    }
}

}  // namespace

bool ChainClosed(std::vector<Pieces>& parts, Pieces& chain) {
    chain.clear();
    if (parts.empty() || std::any_of(parts.begin(), parts.end(), [](const Pieces& p) { return p.empty(); })) {
        return false;
    }
    std::vector<bool> used(parts.size(), false);
    chain = std::move(parts[0]);
    used[0] = true;
    Extend(parts, used, chain);
    const bool all = std::all_of(used.begin(), used.end(), [](bool u) { return u; });
    if (!all || !EndsMeet(StartOf(chain), EndOf(chain))) {
        chain.clear();
        return false;
    }
    return true;
}

std::vector<Pieces> ChainAllClosed(std::vector<Pieces>& parts) {
    std::vector<Pieces> loops;
    std::vector<bool> used(parts.size(), false);
    for (size_t i = 0; i < parts.size(); ++i) {
        if (used[i] || parts[i].empty()) {
            continue;
        }
        Pieces chain = std::move(parts[i]);
        used[i] = true;
        Extend(parts, used, chain);
        if (EndsMeet(StartOf(chain), EndOf(chain))) {
            loops.push_back(std::move(chain));
        }
    }
    return loops;
}

int EdgeTypeOf(const AcGeCurve2d& edge) {
    if (edge.isKindOf(AcGe::kLinearEnt2d)) {
        return 1;
    }
    switch (edge.type()) {
        case AcGe::kCircArc2d:
            return 2;
        case AcGe::kEllipArc2d:
            return 3;
        case AcGe::kNurbCurve2d:
            return 4;
        default:
            return 0;
    }
}

AcDbEntity* EdgeEntity(const AcGeCurve2d& edge, double z) {
    auto lift = [z](const AcGePoint2d& p) { return AcGePoint3d(p.x, p.y, z); };
    switch (EdgeTypeOf(edge)) {
        case 1: {
            AcGePoint2d a, b;
            if (!edge.hasStartPoint(a) || !edge.hasEndPoint(b)) {
                return nullptr;
            }
            return new AcDbLine(lift(a), lift(b));
        }
        case 2: {
            const auto& arc = static_cast<const AcGeCircArc2d&>(edge);
            if (arc.isClosed()) {
                return new AcDbCircle(lift(arc.center()), AcGeVector3d::kZAxis, arc.radius());
            }
            // Entity arcs run counter-clockwise: a clockwise piece is the arc from its end.
            const AcGePoint2d from = arc.isClockWise() ? arc.endPoint() : arc.startPoint();
            const AcGePoint2d to = arc.isClockWise() ? arc.startPoint() : arc.endPoint();
            return new AcDbArc(lift(arc.center()), arc.radius(), (from - arc.center()).angle(),
                               (to - arc.center()).angle());
        }
        case 3: {
            AcGeEllipArc2d ell = static_cast<const AcGeEllipArc2d&>(edge);
            if (ell.isClockWise()) {
                ell.reverseParam();
            }
            const double a = ell.majorRadius();
            const double b = ell.minorRadius();
            if (!(a > 0.0) || !(b > 0.0) || b > a) {
                return nullptr;
            }
            // The entity wants angles from the major axis.
            auto angle = [&](double t) { return std::atan2(b * std::sin(t), a * std::cos(t)); };
            const double start = angle(ell.startAng());
            const double end = ell.isClosed() ? start + kTwoPi : angle(ell.endAng());
            const AcGeVector2d major = ell.majorAxis() * a;
            return new AcDbEllipse(lift(ell.center()), AcGeVector3d::kZAxis,
                                   AcGeVector3d(major.x, major.y, 0.0), b / a, start, end);
        }
        case 4: {
            const auto& spline = static_cast<const AcGeNurbCurve2d&>(edge);
            AcGePoint3dArray points;
            AcGeDoubleArray weights;
            for (int i = 0; i < spline.numControlPoints(); ++i) {
                points.append(lift(spline.controlPointAt(i)));
                weights.append(spline.weightAt(i));
            }
            return new AcDbSpline(spline.degree(), spline.isRational(), false, spline.isPeriodic(), points,
                                  spline.knots(), weights);
        }
        default:
            return nullptr;
    }
}

}  // namespace platform::detail
