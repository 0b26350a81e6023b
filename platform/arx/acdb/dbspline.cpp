#include "platform/arx/acdb/dbspline.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/arx/acdb/dxfcodec.h"
#include "platform/arx/acdb/dxfgroups.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;

const FieldDesc kFields[] = {
    {70, FieldKind::kInt16, "flags", nullptr, nullptr},
    {71, FieldKind::kInt16, "degree", nullptr, nullptr},
    {42, FieldKind::kReal, "knotTolerance", nullptr, nullptr},
    {43, FieldKind::kReal, "controlPointTolerance", nullptr, nullptr},
    {44, FieldKind::kReal, "fitTolerance", nullptr, nullptr},
};

constexpr int kLengthPieces = 512;

}  // namespace

TARN_RX_DEFINE(AcDbSpline, AcDbCurve, u"SPLINE", kFields, std::size(kFields))

AcDbSpline::AcDbSpline(int degree, bool rational, bool closed, bool periodic,
                       const AcGePoint3dArray& controlPoints, const AcGeDoubleArray& knots,
                       const AcGeDoubleArray& weights, double controlPtTol, double knotTol) {
    setNurbsData(degree, rational, closed, periodic, controlPoints, knots, weights, controlPtTol, knotTol);
}

// Each fit interval becomes one cubic Bezier piece with Catmull-Rom tangents (chord-length parameters);
// the pieces share their ends, knots of multiplicity 3 join them.
AcDbSpline::AcDbSpline(const AcGePoint3dArray& fitPoints, const AcGeVector3d& startTangent,
                       const AcGeVector3d& endTangent, int /*order*/, double /*fitTolerance*/)
    : m_fitPoints(fitPoints) {
    const int n = fitPoints.length();
    if (n < 2) {
        return;
    }
    std::vector<double> u(static_cast<size_t>(n), 0.0);
    for (int i = 1; i < n; ++i) {
        const double chord = fitPoints[i].distanceTo(fitPoints[i - 1]);
        if (!(chord > 0.0)) {
            return;  // coincident fit points make no curve: the spline stays null
        }
        u[static_cast<size_t>(i)] = u[static_cast<size_t>(i - 1)] + chord;
    }
    auto tangent = [&](int i) -> AcGeVector3d {
        if (i == 0) {
            return startTangent.isZeroLength() ? (fitPoints[1] - fitPoints[0]) / u[1] : startTangent.normal();
        }
        if (i == n - 1) {
            const AcGeVector3d chord = (fitPoints[n - 1] - fitPoints[n - 2]) /
                                       (u[static_cast<size_t>(n - 1)] - u[static_cast<size_t>(n - 2)]);
            return endTangent.isZeroLength() ? chord : endTangent.normal();
        }
        return (fitPoints[i + 1] - fitPoints[i - 1]) /
               (u[static_cast<size_t>(i + 1)] - u[static_cast<size_t>(i - 1)]);
    };
    AcGePoint3dArray points;
    AcGeDoubleArray knots;
    knots.append(0.0);
    points.append(fitPoints[0]);
    for (int i = 0; i + 1 < n; ++i) {
        const double h = u[static_cast<size_t>(i + 1)] - u[static_cast<size_t>(i)];
        points.append(fitPoints[i] + tangent(i) * (h / 3.0));
        points.append(fitPoints[i + 1] - tangent(i + 1) * (h / 3.0));
        points.append(fitPoints[i + 1]);
        for (int k = 0; k < 3; ++k) {
            knots.append(u[static_cast<size_t>(i)]);
        }
    }
    for (int k = 0; k < 4; ++k) {
        knots.append(u[static_cast<size_t>(n - 1)]);
    }
    setNurbsData(3, false, false, false, points, knots, AcGeDoubleArray());
}

Acad::ErrorStatus AcDbSpline::setNurbsData(int degree, bool rational, bool closed, bool periodic,
                                           const AcGePoint3dArray& controlPoints,
                                           const AcGeDoubleArray& knots, const AcGeDoubleArray& weights,
                                           double controlPtTol, double knotTol) {
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es != Acad::eOk) {
        return es;
    }
    m_degree = degree;
    m_rational = rational;
    m_closed = closed;
    m_periodic = periodic;
    m_points = controlPoints;
    m_knots = AcGeKnotVector(knots.length(), knots.asArrayPtr(), knotTol > 0.0 ? knotTol : 1e-9);
    m_weights = rational ? weights : AcGeDoubleArray();
    m_controlPtTol = controlPtTol;
    m_knotTol = knotTol;
    return isNull() ? Acad::eInvalidInput : Acad::eOk;
}

Acad::ErrorStatus AcDbSpline::getNurbsData(int& degree, bool& rational, bool& closed, bool& periodic,
                                           AcGePoint3dArray& controlPoints, AcGeDoubleArray& knots,
                                           AcGeDoubleArray& weights, double& controlPtTol,
                                           double& knotTol) const {
    degree = m_degree;
    rational = m_rational;
    closed = isClosed();
    periodic = m_periodic;
    controlPoints = m_points;
    knots = m_knots;
    weights.removeAll();
    if (m_rational) {
        weights = m_weights;
    }
    controlPtTol = m_controlPtTol;
    knotTol = m_knotTol;
    return Acad::eOk;
}

bool AcDbSpline::isNull() const {
    if (m_rational && m_weights.length() != m_points.length()) {
        return true;
    }
    return !tarnCurve2d().isValid();
}

Acad::ErrorStatus AcDbSpline::getControlPointAt(int index, AcGePoint3d& point) const {
    if (!m_points.isValid(index)) {
        return Acad::eInvalidIndex;
    }
    point = m_points[index];
    return Acad::eOk;
}

double AcDbSpline::weightAt(int index) const {
    return m_rational && m_weights.isValid(index) ? m_weights[index] : 1.0;
}

Acad::ErrorStatus AcDbSpline::getFitPointAt(int index, AcGePoint3d& point) const {
    if (!m_fitPoints.isValid(index)) {
        return Acad::eInvalidIndex;
    }
    point = m_fitPoints[index];
    return Acad::eOk;
}

AcGeNurbCurve2d AcDbSpline::tarnCurve2d() const {
    AcGePoint2dArray points(m_points.length());
    for (const AcGePoint3d& p : m_points) {
        points.append(AcGePoint2d(p.x, p.y));
    }
    return m_rational ? AcGeNurbCurve2d(m_degree, m_knots, points, m_weights, m_periodic)
                      : AcGeNurbCurve2d(m_degree, m_knots, points, m_periodic);
}

// z follows the same basis as x and y: a second plane curve carries it as its x.
AcGePoint3d AcDbSpline::evaluate(double param) const {
    AcGePoint2dArray heights(m_points.length());
    for (const AcGePoint3d& p : m_points) {
        heights.append(AcGePoint2d(p.z, 0.0));
    }
    const AcGeNurbCurve2d zCurve = m_rational ? AcGeNurbCurve2d(m_degree, m_knots, heights, m_weights)
                                              : AcGeNurbCurve2d(m_degree, m_knots, heights);
    const AcGePoint2d xy = tarnCurve2d().evalPoint(param);
    return AcGePoint3d(xy.x, xy.y, zCurve.evalPoint(param).x);
}

double AcDbSpline::startParam() const {
    return m_knots[m_degree];
}

double AcDbSpline::endParam() const {
    return m_knots[m_points.length()];
}

bool AcDbSpline::isClosed() const {
    if (isNull()) {
        return false;
    }
    return m_closed || evaluate(startParam()).isEqualTo(evaluate(endParam()));
}

Acad::ErrorStatus AcDbSpline::getStartParam(double& param) const {
    if (isNull()) {
        return Acad::eDegenerateGeometry;
    }
    param = startParam();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSpline::getEndParam(double& param) const {
    if (isNull()) {
        return Acad::eDegenerateGeometry;
    }
    param = endParam();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSpline::getStartPoint(AcGePoint3d& point) const {
    return isNull() ? Acad::eDegenerateGeometry : getPointAtParam(startParam(), point);
}

Acad::ErrorStatus AcDbSpline::getEndPoint(AcGePoint3d& point) const {
    return isNull() ? Acad::eDegenerateGeometry : getPointAtParam(endParam(), point);
}

Acad::ErrorStatus AcDbSpline::getPointAtParam(double param, AcGePoint3d& point) const {
    if (isNull()) {
        return Acad::eDegenerateGeometry;
    }
    const double slack = 1e-9 * std::max(1.0, endParam() - startParam());
    if (!std::isfinite(param) || param < startParam() - slack || param > endParam() + slack) {
        return Acad::eInvalidInput;
    }
    point = evaluate(param);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSpline::getDistAtParam(double param, double& dist) const {
    AcGePoint3d end;
    Acad::ErrorStatus es = getPointAtParam(param, end);
    if (es != Acad::eOk) {
        return es;
    }
    const double from = startParam();
    const double to = std::clamp(param, from, endParam());
    dist = 0.0;
    AcGePoint3d previous = evaluate(from);
    for (int i = 1; i <= kLengthPieces; ++i) {
        const AcGePoint3d next = evaluate(from + (to - from) * i / kLengthPieces);
        dist += previous.distanceTo(next);
        previous = next;
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSpline::getParamAtDist(double dist, double& param) const {
    if (isNull()) {
        return Acad::eDegenerateGeometry;
    }
    double total = 0.0;
    getDistAtParam(endParam(), total);
    if (!std::isfinite(dist) || dist < -1e-9 * std::max(1.0, total) || dist > total * (1 + 1e-9) + 1e-9) {
        return Acad::eInvalidInput;
    }
    double lo = startParam();
    double hi = endParam();
    for (int i = 0; i < 50; ++i) {
        const double mid = (lo + hi) / 2;
        double d = 0.0;
        getDistAtParam(mid, d);
        (d < dist ? lo : hi) = mid;
    }
    param = (lo + hi) / 2;
    return Acad::eOk;
}

// A fine search over the parameter, then a golden-section refinement around the best sample.
Acad::ErrorStatus AcDbSpline::getClosestPointTo(const AcGePoint3d& given, AcGePoint3d& closest, bool) const {
    if (isNull()) {
        return Acad::eDegenerateGeometry;
    }
    const double from = startParam();
    const double to = endParam();
    constexpr int kSteps = 1000;
    const double step = (to - from) / kSteps;
    double best = from;
    for (int i = 0; i <= kSteps; ++i) {
        const double t = from + step * i;
        if (evaluate(t).distanceTo(given) < evaluate(best).distanceTo(given)) {
            best = t;
        }
    }
    double lo = std::max(from, best - step);
    double hi = std::min(to, best + step);
    constexpr double kGolden = 0.6180339887498949;
    for (int i = 0; i < 60; ++i) {
        const double a = hi - (hi - lo) * kGolden;
        const double b = lo + (hi - lo) * kGolden;
        if (evaluate(a).distanceTo(given) < evaluate(b).distanceTo(given)) {
            hi = b;
        } else {
            lo = a;
        }
    }
    closest = evaluate((lo + hi) / 2);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSpline::transformBy(const AcGeMatrix3d& matrix) {
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es != Acad::eOk) {
        return es;
    }
    for (AcGePoint3d& p : m_points) {
        p.transformBy(matrix);
    }
    for (AcGePoint3d& p : m_fitPoints) {
        p.transformBy(matrix);
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSpline::getGeomExtents(AcDbExtents& extents) const {
    if (isNull()) {
        return Acad::eInvalidExtents;
    }
    AcDbExtents box;
    const int samples = 64 * std::max(1, m_points.length() - m_degree);
    for (int i = 0; i <= samples; ++i) {
        box.addPoint(evaluate(startParam() + (endParam() - startParam()) * i / samples));
    }
    extents = box;
    return Acad::eOk;
}

// ---- splines: 70 flags (1 closed, 2 periodic, 4 rational, 8 planar), 71 degree, 72-74 counts, 42-44
// tolerances, 40 knots, 10 control points, 41 weights, 11 fit points ----

namespace {

using platform::dxf::AdoptGeometry;
using platform::dxf::FindInteger;
using platform::dxf::FindReal;
using platform::dxf::Group;
using platform::dxf::kMaxListItems;
using platform::dxf::PointAt;
using platform::dxf::ReadContext;
using platform::dxf::WritePoint;
using platform::dxf::Writer;

void WriteSpline(const AcDbObject* object, Writer& out) {
    const auto* spline = static_cast<const AcDbSpline*>(object);
    int degree = 0;
    bool rational = false, closed = false, periodic = false;
    AcGePoint3dArray points;
    AcGeDoubleArray knots, weights;
    double pointTol = 0.0, knotTol = 0.0;
    spline->getNurbsData(degree, rational, closed, periodic, points, knots, weights, pointTol, knotTol);
    out.raw(100, "AcDbSpline");
    out.integer(70, (closed ? 1 : 0) | (periodic ? 2 : 0) | (rational ? 4 : 0));
    out.integer(71, degree);
    out.integer(72, knots.length());
    out.integer(73, points.length());
    out.integer(74, spline->numFitPoints());
    out.real(42, knotTol);
    out.real(43, pointTol);
    for (double k : knots) {
        out.real(40, k);
    }
    for (const AcGePoint3d& p : points) {
        WritePoint(out, 10, p);
    }
    if (rational) {
        for (double w : weights) {
            out.real(41, w);
        }
    }
    for (int i = 0; i < spline->numFitPoints(); ++i) {
        AcGePoint3d p;
        spline->getFitPointAt(i, p);
        WritePoint(out, 11, p);
    }
}

void ReadSpline(AcDbObject* object, const std::vector<Group>& body, const ReadContext&) {
    auto* spline = static_cast<AcDbSpline*>(object);
    const long long flags = FindInteger(body, 70, 0);
    AcGePoint3dArray points, fit;
    AcGeDoubleArray knots, weights;
    for (size_t i = 0; i < body.size(); ++i) {
        const Group& g = body[i];
        if (static_cast<size_t>(points.length() + fit.length() + knots.length() + weights.length()) >=
            kMaxListItems) {
            break;
        }
        if (g.code == 40) {
            knots.append(ReadContext::real(g));
        } else if (g.code == 41) {
            weights.append(ReadContext::real(g));
        } else if (g.code == 10) {
            points.append(PointAt(body, i, 10));
        } else if (g.code == 11) {
            fit.append(PointAt(body, i, 11));
        }
    }
    const int degree = static_cast<int>(FindInteger(body, 71, 3) & 0xFFFF);
    const bool rational = (flags & 4) != 0;
    const bool closed = (flags & 1) != 0;
    const bool periodic = (flags & 2) != 0;
    const double knotTol = FindReal(body, 42, 0.0);
    const double pointTol = FindReal(body, 43, 0.0);
    // A spline through fit points is rebuilt from them when that gives the file's control data again, or
    // when the file gives only the fit points (other programs write such splines).
    if (fit.length() >= 2) {
        AcDbSpline built(fit, AcGeVector3d(0.0, 0.0, 0.0), AcGeVector3d(0.0, 0.0, 0.0));
        int d = 0;
        bool r = false, c = false, p = false;
        AcGePoint3dArray builtPoints;
        AcGeDoubleArray builtKnots, builtWeights;
        double pt = 0.0, kt = 0.0;
        built.getNurbsData(d, r, c, p, builtPoints, builtKnots, builtWeights, pt, kt);
        bool same =
            d == degree && builtPoints.length() == points.length() && builtKnots.length() == knots.length();
        for (int i = 0; same && i < points.length(); ++i) {
            same = builtPoints[i] == points[i];
        }
        for (int i = 0; same && i < knots.length(); ++i) {
            same = builtKnots[i] == knots[i];
        }
        if (same || (points.isEmpty() && knots.isEmpty())) {
            AdoptGeometry(spline, built);
            return;
        }
    }
    spline->setNurbsData(degree, rational, closed, periodic, points, knots,
                         rational ? weights : AcGeDoubleArray(), pointTol, knotTol);
}

const platform::dxf::Codec kCodec = {u"AcDbSpline", WriteSpline, ReadSpline};
const platform::dxf::CodecRegistration kRegistration(&kCodec);

}  // namespace
