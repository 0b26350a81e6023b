// Codecs of the curve classes whose file form is lists and values set together: lightweight polylines,
// 2D and 3D polylines with their VERTEX records, ellipses, splines, hatches and regions.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>

#include "platform/arx/acdb/dbarc.h"
#include "platform/arx/acdb/dbcircle.h"
#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbellipse.h"
#include "platform/arx/acdb/dbhatch.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/arx/acdb/dbline.h"
#include "platform/arx/acdb/dbloop.h"
#include "platform/arx/acdb/dbpline.h"
#include "platform/arx/acdb/dbpoly.h"
#include "platform/arx/acdb/dbregion.h"
#include "platform/arx/acdb/dbspline.h"
#include "platform/arx/acdb/dxfcodec.h"
#include "platform/arx/acdb/dxffields.h"

namespace platform::dxf {

namespace {

constexpr double kFullTurn = 6.283185307179586;

void WritePoint(Writer& out, int code, const AcGePoint3d& p) {
    const double xyz[3] = {p.x, p.y, p.z};
    out.point(code, xyz);
}

void WriteVector(Writer& out, int code, const AcGeVector3d& v) {
    const double xyz[3] = {v.x, v.y, v.z};
    out.point(code, xyz);
}

// A point or vector from the first group of code and its +10 and +20 companions after it.
AcGePoint3d PointAt(const std::vector<Group>& body, size_t& i, int code) {
    double xyz[3] = {0.0, 0.0, 0.0};
    xyz[0] = ReadContext::real(body[i]);
    for (int k = 1; k < 3 && i + 1 < body.size() && body[i + 1].code == code + 10 * k; ++k) {
        xyz[k] = ReadContext::real(body[++i]);
    }
    return AcGePoint3d(xyz[0], xyz[1], xyz[2]);
}

// The first value of a code (with its companions for points), or the default.
bool Find(const std::vector<Group>& body, int code, AcGePoint3d& point) {
    for (size_t i = 0; i < body.size(); ++i) {
        if (body[i].code == code) {
            point = PointAt(body, i, code);
            return true;
        }
    }
    return false;
}

double FindReal(const std::vector<Group>& body, int code, double fallback) {
    for (const Group& g : body) {
        if (g.code == code) {
            return ReadContext::real(g);
        }
    }
    return fallback;
}

long long FindInteger(const std::vector<Group>& body, int code, long long fallback) {
    for (const Group& g : body) {
        if (g.code == code) {
            return ReadContext::integer(g);
        }
    }
    return fallback;
}

AcGeVector3d FindNormal(const std::vector<Group>& body) {
    AcGePoint3d n(0.0, 0.0, 1.0);
    Find(body, 210, n);
    const AcGeVector3d v(n.x, n.y, n.z);
    return v.isZeroLength() ? AcGeVector3d::kZAxis : v;
}

// Takes the geometry of a non-resident object built by constructor, keeping the target's entity part
// (layer, colour, owner, extension dictionary).
template <class T>
void AdoptGeometry(T* target, T& built) {
    static_cast<AcDbEntity&>(built) = static_cast<const AcDbEntity&>(*target);
    *target = built;
}

// ---- lightweight polylines: 90 count, 70 flags (1 closed), 38 elevation, 39 thickness, 43 constant width,
// then per vertex 10/20, 40/41 widths and 42 bulge ----

void WriteLwPolyline(const AcDbObject* object, Writer& out) {
    const auto* pline = static_cast<const AcDbPolyline*>(object);
    out.raw(100, "AcDbPolyline");
    out.integer(90, pline->numVerts());
    out.integer(70, pline->isClosed() ? 1 : 0);
    if (pline->elevation() != 0.0) {
        out.real(38, pline->elevation());
    }
    if (pline->thickness() != 0.0) {
        out.real(39, pline->thickness());
    }
    for (unsigned int i = 0; i < pline->numVerts(); ++i) {
        AcGePoint2d p;
        double bulge = 0.0, start = 0.0, end = 0.0;
        pline->getPointAt(i, p);
        pline->getBulgeAt(i, bulge);
        pline->getWidthsAt(i, start, end);
        const double xy[2] = {p.x, p.y};
        out.point(10, xy, 2);
        if (start != 0.0 || end != 0.0) {
            out.real(40, start);
            out.real(41, end);
        }
        if (bulge != 0.0) {
            out.real(42, bulge);
        }
    }
    if (!IsZAxis(pline->normal())) {
        WriteVector(out, 210, pline->normal());
    }
}

void ReadLwPolyline(AcDbObject* object, const std::vector<Group>& body, const ReadContext&) {
    auto* pline = static_cast<AcDbPolyline*>(object);
    struct Vertex {
        double x = 0.0, y = 0.0, bulge = 0.0, start = -1.0, end = -1.0;
    };
    // Reused from polyline to polyline: their lists keep their room.
    static thread_local std::vector<Vertex> vertices;
    static thread_local platform::detail::PlinePath path;
    vertices.clear();
    double constant = -1.0;
    for (const Group& g : body) {
        if (g.code == 10 && vertices.size() < kMaxListItems) {
            vertices.emplace_back();
            vertices.back().x = ReadContext::real(g);
        } else if (g.code == 43) {
            constant = ReadContext::real(g);
        } else if (!vertices.empty()) {
            Vertex& v = vertices.back();
            switch (g.code) {
                case 20:
                    v.y = ReadContext::real(g);
                    break;
                case 40:
                    v.start = ReadContext::real(g);
                    break;
                case 41:
                    v.end = ReadContext::real(g);
                    break;
                case 42:
                    v.bulge = ReadContext::real(g);
                    break;
                default:
                    break;
            }
        }
    }
    // The vertices in one go, so that the polyline's lists are made at their size; widths are mostly none.
    path.points.clear();
    path.bulges.clear();
    for (const Vertex& v : vertices) {
        path.points.emplace_back(v.x, v.y);
        path.bulges.push_back(v.bulge);
    }
    pline->tarnSetPath(path);
    for (size_t i = 0; i < vertices.size(); ++i) {
        const double start = std::max(0.0, vertices[i].start >= 0.0 ? vertices[i].start : constant);
        const double end = std::max(0.0, vertices[i].end >= 0.0 ? vertices[i].end : constant);
        if (start > 0.0 || end > 0.0) {
            pline->setWidthsAt(static_cast<unsigned int>(i), start, end);
        }
    }
    pline->setClosed((FindInteger(body, 70, 0) & 1) != 0);
    pline->setElevation(FindReal(body, 38, 0.0));
    pline->setThickness(FindReal(body, 39, 0.0));
    pline->setNormal(FindNormal(body));
}

// ---- 2D and 3D polylines: the POLYLINE record, a VERTEX record for each vertex, SEQEND ----

void WriteVertexHead(const AcDbEntity* owner, Writer& out, const char* type) {
    out.raw(0, type);
    out.handle(5, out.takeHandle());
    out.handle(330, owner->handle().value());
    out.raw(100, "AcDbEntity");
    out.text(8, owner->layer().str());
}

void WritePolyline2d(const AcDbObject* object, Writer& out) {
    const auto* pline = static_cast<const AcDb2dPolyline*>(object);
    const int type = pline->polyType();
    out.raw(100, "AcDb2dPolyline");
    out.integer(66, 1);
    WritePoint(out, 10, AcGePoint3d(0.0, 0.0, pline->elevation()));
    out.integer(70, (pline->isClosed() ? 1 : 0) | (type == AcDb::k2dFitCurvePoly ? 2 : 0) |
                        (type == AcDb::k2dQuadSplinePoly || type == AcDb::k2dCubicSplinePoly ? 4 : 0));
    out.real(40, pline->defaultStartWidth());
    out.real(41, pline->defaultEndWidth());
    if (type == AcDb::k2dQuadSplinePoly || type == AcDb::k2dCubicSplinePoly) {
        out.integer(75, type == AcDb::k2dQuadSplinePoly ? 5 : 6);
    }
    if (!IsZAxis(pline->normal())) {
        WriteVector(out, 210, pline->normal());
    }
    std::unique_ptr<AcDbObjectIterator> it(pline->vertexIterator());
    for (it->start(); !it->done(); it->step()) {
        const auto* vertex = AcDb2dVertex::cast(it->entity());
        WriteVertexHead(pline, out, "VERTEX");
        out.raw(100, "AcDbVertex");
        out.raw(100, "AcDb2dVertex");
        WritePoint(out, 10, vertex->position());
        out.real(40, vertex->startWidth());
        out.real(41, vertex->endWidth());
        out.real(42, vertex->bulge());
        const int kind = vertex->vertexType();
        out.integer(70, kind == AcDb::k2dCurveFitVertex    ? 1
                        : kind == AcDb::k2dSplineFitVertex ? 8
                        : kind == AcDb::k2dSplineCtlVertex ? 16
                                                           : 0);
    }
    WriteVertexHead(pline, out, "SEQEND");
}

void ReadPolyline2d(AcDbObject* object, const std::vector<Group>& body, const ReadContext& context) {
    auto* pline = static_cast<AcDb2dPolyline*>(object);
    const long long flags = FindInteger(body, 70, 0);
    const long long curve = FindInteger(body, 75, 0);
    const AcDb::Poly2dType type = (flags & 4) != 0
                                      ? (curve == 5 ? AcDb::k2dQuadSplinePoly : AcDb::k2dCubicSplinePoly)
                                  : (flags & 2) != 0 ? AcDb::k2dFitCurvePoly
                                                     : AcDb::k2dSimplePoly;
    AcGePoint3d dummy(0.0, 0.0, 0.0);
    Find(body, 10, dummy);
    AcGePoint3dArray points;
    AcGeDoubleArray bulges;
    std::vector<double> starts, ends;
    std::vector<long long> kinds;
    const double defStart = FindReal(body, 40, 0.0);
    const double defEnd = FindReal(body, 41, 0.0);
    if (context.followers != nullptr) {
        for (const std::vector<Group>& vertex : *context.followers) {
            if (points.length() >= static_cast<int>(kMaxListItems)) {
                break;
            }
            AcGePoint3d p(0.0, 0.0, 0.0);
            Find(vertex, 10, p);
            points.append(p);
            bulges.append(FindReal(vertex, 42, 0.0));
            starts.push_back(FindReal(vertex, 40, defStart));
            ends.push_back(FindReal(vertex, 41, defEnd));
            kinds.push_back(FindInteger(vertex, 70, 0));
        }
    }
    AcDb2dPolyline built(type, points, dummy.z, (flags & 1) != 0, defStart, defEnd, &bulges);
    built.setNormal(FindNormal(body));
    std::unique_ptr<AcDbObjectIterator> it(built.vertexIterator());
    size_t i = 0;
    for (it->start(); !it->done() && i < starts.size(); it->step(), ++i) {
        auto* vertex = AcDb2dVertex::cast(it->entity());
        vertex->setStartWidth(starts[i]);
        vertex->setEndWidth(ends[i]);
        vertex->tarnSetVertexType((kinds[i] & 16) != 0  ? AcDb::k2dSplineCtlVertex
                                  : (kinds[i] & 8) != 0 ? AcDb::k2dSplineFitVertex
                                  : (kinds[i] & 1) != 0 ? AcDb::k2dCurveFitVertex
                                                        : AcDb::k2dVertex);
    }
    AdoptGeometry(pline, built);
}

void WritePolyline3d(const AcDbObject* object, Writer& out) {
    const auto* pline = static_cast<const AcDb3dPolyline*>(object);
    out.raw(100, "AcDb3dPolyline");
    out.integer(66, 1);
    WritePoint(out, 10, AcGePoint3d(0.0, 0.0, 0.0));
    out.integer(70, 8 | (pline->isClosed() ? 1 : 0) | (pline->polyType() != AcDb::k3dSimplePoly ? 4 : 0));
    if (pline->polyType() != AcDb::k3dSimplePoly) {
        out.integer(75, pline->polyType() == AcDb::k3dQuadSplinePoly ? 5 : 6);
    }
    std::unique_ptr<AcDbObjectIterator> it(pline->vertexIterator());
    for (it->start(); !it->done(); it->step()) {
        const auto* vertex = AcDb3dPolylineVertex::cast(it->entity());
        WriteVertexHead(pline, out, "VERTEX");
        out.raw(100, "AcDbVertex");
        out.raw(100, "AcDb3dPolylineVertex");
        WritePoint(out, 10, vertex->position());
        const int kind = vertex->vertexType();
        out.integer(70, 32 | (kind == AcDb::k3dControlVertex ? 16 : kind == AcDb::k3dFitVertex ? 8 : 0));
    }
    WriteVertexHead(pline, out, "SEQEND");
}

void ReadPolyline3d(AcDbObject* object, const std::vector<Group>& body, const ReadContext& context) {
    auto* pline = static_cast<AcDb3dPolyline*>(object);
    const long long flags = FindInteger(body, 70, 8);
    const long long curve = FindInteger(body, 75, 0);
    const AcDb::Poly3dType type = (flags & 4) == 0 ? AcDb::k3dSimplePoly
                                  : curve == 5     ? AcDb::k3dQuadSplinePoly
                                                   : AcDb::k3dCubicSplinePoly;
    AcGePoint3dArray points;
    std::vector<long long> kinds;
    if (context.followers != nullptr) {
        for (const std::vector<Group>& vertex : *context.followers) {
            if (points.length() >= static_cast<int>(kMaxListItems)) {
                break;
            }
            AcGePoint3d p(0.0, 0.0, 0.0);
            Find(vertex, 10, p);
            points.append(p);
            kinds.push_back(FindInteger(vertex, 70, 32));
        }
    }
    AcDb3dPolyline built(type, points, (flags & 1) != 0);
    std::unique_ptr<AcDbObjectIterator> it(built.vertexIterator());
    size_t i = 0;
    for (it->start(); !it->done() && i < kinds.size(); it->step(), ++i) {
        AcDb3dPolylineVertex::cast(it->entity())
            ->tarnSetVertexType((kinds[i] & 16) != 0  ? AcDb::k3dControlVertex
                                : (kinds[i] & 8) != 0 ? AcDb::k3dFitVertex
                                                      : AcDb::k3dSimpleVertex);
    }
    AdoptGeometry(pline, built);
}

// ---- ellipses: 10 centre, 11 major axis, 210 normal, 40 ratio, 41/42 start and end parameters ----

// Files keep an ellipse's parameters, the ellipse keeps angles: both ways are computed in long double and
// the parameter written with enough digits that the reader gets the very same angle back.
constexpr long double kTwoPiLong = 6.283185307179586476925286766559005768L;

long double ParamOf(double angle, double ratio) {
    const long double a = angle;
    const long double t = std::atan2(std::sin(a), static_cast<long double>(ratio) * std::cos(a));
    return t + kTwoPiLong * std::round((a - t) / kTwoPiLong);
}

double AngleOf(long double param, double ratio) {
    const long double a = std::atan2(static_cast<long double>(ratio) * std::sin(param), std::cos(param));
    return static_cast<double>(a + kTwoPiLong * std::round((param - a) / kTwoPiLong));
}

long double ParseParam(std::string_view text) {
    text = Trim(text);
    long double value = 0.0L;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

std::string FormatParam(double angle, double ratio) {
    const long double param = ParamOf(angle, ratio);
    char buffer[64];
    for (int precision = 17; precision <= 21; ++precision) {
        const auto end =
            std::to_chars(buffer, buffer + sizeof(buffer), param, std::chars_format::general, precision);
        const std::string text(buffer, end.ptr);
        if (AngleOf(ParseParam(text), ratio) == angle) {
            return text;
        }
    }
    return FormatReal(static_cast<double>(param));
}

void WriteEllipse(const AcDbObject* object, Writer& out) {
    const auto* shape = static_cast<const AcDbEllipse*>(object);
    out.raw(100, "AcDbEllipse");
    WritePoint(out, 10, shape->center());
    WriteVector(out, 11, shape->majorAxis());
    WriteVector(out, 210, shape->normal());
    out.real(40, shape->radiusRatio());
    out.raw(41, FormatParam(shape->startAngle(), shape->radiusRatio()));
    out.raw(42, FormatParam(shape->endAngle(), shape->radiusRatio()));
}

void ReadEllipse(AcDbObject* object, const std::vector<Group>& body, const ReadContext&) {
    auto* shape = static_cast<AcDbEllipse*>(object);
    AcGePoint3d center(0.0, 0.0, 0.0), major(1.0, 0.0, 0.0);
    Find(body, 10, center);
    Find(body, 11, major);
    const AcGeVector3d axis(major.x, major.y, major.z);
    const double ratio = FindReal(body, 40, 1.0);
    double start = 0.0, end = kFullTurn;
    for (const Group& g : body) {
        if (g.code == 41) {
            start = AngleOf(ParseParam(g.value), ratio);
        } else if (g.code == 42) {
            end = AngleOf(ParseParam(g.value), ratio);
        }
    }
    shape->set(center, FindNormal(body), axis, ratio, start, end);
}

// ---- splines: 70 flags (1 closed, 2 periodic, 4 rational, 8 planar), 71 degree, 72-74 counts, 42-44
// tolerances, 40 knots, 10 control points, 41 weights, 11 fit points ----

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

// ---- boundary loops of hatches and regions: 92 type, then a polyline (72 has bulges, 73 closed, 93
// count, 10/20 and 42 per vertex) or 93 edges, each 72 its kind (1 line, 2 arc, 3 elliptical arc, 4
// spline) and its data; 97 the count of source objects and their 330 handles ----

void WriteEdge(const AcGeCurve2d& edge, Writer& out) {
    std::unique_ptr<AcDbEntity> entity(platform::detail::EdgeEntity(edge, 0.0));
    if (const auto* line = AcDbLine::cast(entity.get())) {
        out.integer(72, 1);
        const double a[2] = {line->startPoint().x, line->startPoint().y};
        const double b[2] = {line->endPoint().x, line->endPoint().y};
        out.point(10, a, 2);
        out.point(11, b, 2);
    } else if (const auto* arc = AcDbArc::cast(entity.get())) {
        out.integer(72, 2);
        const double c[2] = {arc->center().x, arc->center().y};
        out.point(10, c, 2);
        out.real(40, arc->radius());
        out.degrees(50, arc->startAngle());
        out.degrees(51, arc->endAngle());
        out.integer(73, 1);
    } else if (const auto* circle = AcDbCircle::cast(entity.get())) {
        out.integer(72, 2);
        const double c[2] = {circle->center().x, circle->center().y};
        out.point(10, c, 2);
        out.real(40, circle->radius());
        out.degrees(50, 0.0);
        out.degrees(51, kFullTurn);
        out.integer(73, 1);
    } else if (const auto* shape = AcDbEllipse::cast(entity.get())) {
        out.integer(72, 3);
        const double c[2] = {shape->center().x, shape->center().y};
        const double m[2] = {shape->majorAxis().x, shape->majorAxis().y};
        out.point(10, c, 2);
        out.point(11, m, 2);
        out.real(40, shape->radiusRatio());
        // Parameters in degrees, as files give them for boundary edges.
        out.degrees(50, static_cast<double>(ParamOf(shape->startAngle(), shape->radiusRatio())));
        out.degrees(51, static_cast<double>(ParamOf(shape->endAngle(), shape->radiusRatio())));
        out.integer(73, 1);
    } else if (const auto* spline = AcDbSpline::cast(entity.get())) {
        int degree = 0;
        bool rational = false, closed = false, periodic = false;
        AcGePoint3dArray points;
        AcGeDoubleArray knots, weights;
        double pointTol = 0.0, knotTol = 0.0;
        spline->getNurbsData(degree, rational, closed, periodic, points, knots, weights, pointTol, knotTol);
        out.integer(72, 4);
        out.integer(94, degree);
        out.integer(73, rational ? 1 : 0);
        out.integer(74, periodic ? 1 : 0);
        out.integer(95, knots.length());
        out.integer(96, points.length());
        for (double k : knots) {
            out.real(40, k);
        }
        for (int i = 0; i < points.length(); ++i) {
            const double p[2] = {points[i].x, points[i].y};
            out.point(10, p, 2);
            if (rational) {
                out.real(42, weights[i]);
            }
        }
    }
}

void WriteLoop(Adesk::Int32 type, const platform::detail::CurveLoop& loop, const AcDbObjectIdArray& ids,
               const AcDbDatabase* db, Writer& out) {
    out.integer(92, type);
    if (loop.polylineForm) {
        bool bulged = false;
        for (double b : loop.bulges) {
            bulged = bulged || b != 0.0;
        }
        out.integer(72, bulged ? 1 : 0);
        out.integer(73, 1);
        out.integer(93, loop.vertices.length());
        for (int i = 0; i < loop.vertices.length(); ++i) {
            const double p[2] = {loop.vertices[i].x, loop.vertices[i].y};
            out.point(10, p, 2);
            if (bulged) {
                out.real(42, i < loop.bulges.length() ? loop.bulges[i] : 0.0);
            }
        }
    } else {
        out.integer(93, static_cast<long long>(loop.edges.size()));
        for (const auto& edge : loop.edges) {
            WriteEdge(*edge, out);
        }
    }
    std::vector<std::uint64_t> sources;
    for (const AcDbObjectId& id : ids) {
        const detail::DbSlot* slot = detail::FindSlot(id);
        if (slot != nullptr && slot->object != nullptr && !slot->erased && slot->db == db) {
            sources.push_back(id.handle().value());
        }
    }
    out.integer(97, static_cast<long long>(sources.size()));
    for (std::uint64_t h : sources) {
        out.handle(330, h);
    }
}

// A loop as read: the polyline form, or the edges as non-resident entities at height z.
struct ReadLoop {
    Adesk::Int32 type = 0;
    bool polyline = false;
    AcGePoint2dArray vertices;
    AcGeDoubleArray bulges;
    std::vector<std::unique_ptr<AcDbEntity>> edges;
    AcDbObjectIdArray sources;
};

// The 50 and 51 angles of an edge (degrees in the file).
void AnglesFrom(const std::vector<Group>& data, double& start, double& end) {
    for (const Group& d : data) {
        if (d.code == 50) {
            start = ReadContext::degrees(d);
        } else if (d.code == 51) {
            end = ReadContext::degrees(d);
        }
    }
}

// Reads the groups from i on as one loop; false when they do not make one (i is left past what was read).
bool ParseLoop(const std::vector<Group>& body, size_t& i, double z, const ReadContext& context,
               ReadLoop& loop) {
    auto next = [&](int code) -> const Group* {
        return i < body.size() && body[i].code == code ? &body[i++] : nullptr;
    };
    const Group* g = next(92);
    if (g == nullptr) {
        return false;
    }
    loop.type = static_cast<Adesk::Int32>(ReadContext::integer(*g));
    loop.polyline = (loop.type & AcDbHatch::kPolyline) != 0;
    if (loop.polyline) {
        const Group* bulged = next(72);
        next(73);
        const Group* count = next(93);
        if (count == nullptr) {
            return false;
        }
        const long long n = ReadContext::integer(*count);
        for (long long k = 0; k < n && k < static_cast<long long>(kMaxListItems); ++k) {
            if (i >= body.size() || body[i].code != 10) {
                return false;
            }
            const AcGePoint3d p = PointAt(body, i, 10);
            ++i;
            loop.vertices.append(AcGePoint2d(p.x, p.y));
            const Group* b = bulged != nullptr && ReadContext::integer(*bulged) != 0 ? next(42) : nullptr;
            loop.bulges.append(b != nullptr ? ReadContext::real(*b) : 0.0);
        }
    } else {
        const Group* count = next(93);
        if (count == nullptr) {
            return false;
        }
        const long long n = ReadContext::integer(*count);
        for (long long k = 0; k < n && k < static_cast<long long>(kMaxListItems); ++k) {
            const Group* kind = next(72);
            if (kind == nullptr) {
                return false;
            }
            std::vector<Group> data;
            // The edge's groups run to the next edge, the source count or the next loop.
            while (i < body.size() && body[i].code != 72 && body[i].code != 97 && body[i].code != 92) {
                data.push_back(body[i++]);
            }
            AcGePoint3d a(0, 0, 0), b(0, 0, 0);
            Find(data, 10, a);
            Find(data, 11, b);
            const AcGePoint3d pa(a.x, a.y, z), pb(b.x, b.y, z);
            AcDbEntity* edge = nullptr;
            switch (ReadContext::integer(*kind)) {
                case 1:
                    edge = new AcDbLine(pa, pb);
                    break;
                case 2: {
                    double start = 0.0, end = 0.0;
                    AnglesFrom(data, start, end);
                    const double radius = FindReal(data, 40, 0.0);
                    if (FindInteger(data, 73, 1) == 0) {
                        // Clockwise arcs are kept by their mirror angles.
                        std::swap(start, end);
                        start = -start, end = -end;
                    }
                    if (end - start >= kFullTurn) {
                        edge = new AcDbCircle(pa, AcGeVector3d::kZAxis, radius);
                    } else {
                        edge = new AcDbArc(pa, radius, start, end);
                    }
                    break;
                }
                case 3: {
                    double start = 0.0, end = kFullTurn;
                    AnglesFrom(data, start, end);
                    if (FindInteger(data, 73, 1) == 0) {
                        std::swap(start, end);
                        start = -start, end = -end;
                    }
                    const double ratio = FindReal(data, 40, 1.0);
                    edge = new AcDbEllipse(pa, AcGeVector3d::kZAxis, AcGeVector3d(b.x, b.y, 0.0), ratio,
                                           AngleOf(start, ratio), AngleOf(end, ratio));
                    break;
                }
                case 4: {
                    AcGePoint3dArray points;
                    AcGeDoubleArray knots, weights;
                    for (size_t d = 0; d < data.size(); ++d) {
                        if (data[d].code == 40) {
                            knots.append(ReadContext::real(data[d]));
                        } else if (data[d].code == 42) {
                            weights.append(ReadContext::real(data[d]));
                        } else if (data[d].code == 10) {
                            const AcGePoint3d p = PointAt(data, d, 10);
                            points.append(AcGePoint3d(p.x, p.y, z));
                        }
                    }
                    const bool rational = FindInteger(data, 73, 0) != 0;
                    edge = new AcDbSpline(static_cast<int>(FindInteger(data, 94, 3) & 0xFFFF), rational,
                                          false, FindInteger(data, 74, 0) != 0, points, knots,
                                          rational ? weights : AcGeDoubleArray());
                    break;
                }
                default:
                    break;
            }
            if (edge != nullptr) {
                loop.edges.emplace_back(edge);
            }
        }
    }
    if (const Group* sources = next(97)) {
        const long long n = ReadContext::integer(*sources);
        for (long long k = 0; k < n && i < body.size() && body[i].code == 330; ++k) {
            const AcDbObjectId id = context.id(body[i++]);
            if (!id.isNull()) {
                loop.sources.append(id);
            }
        }
    }
    return true;
}

// ---- hatches ----

void WriteHatch(const AcDbObject* object, Writer& out) {
    const auto* hatch = static_cast<const AcDbHatch*>(object);
    out.raw(100, "AcDbHatch");
    WritePoint(out, 10, AcGePoint3d(0.0, 0.0, hatch->elevation()));
    WriteVector(out, 210, hatch->normal());
    out.text(2, hatch->patternName());
    out.integer(70, hatch->isSolidFill() ? 1 : 0);
    out.integer(71, hatch->associative() ? 1 : 0);
    out.integer(91, hatch->numLoops());
    for (int i = 0; i < hatch->numLoops(); ++i) {
        platform::detail::CurveLoop loop;
        Adesk::Int32 type = 0;
        AcDbObjectIdArray ids;
        if (hatch->associative()) {
            hatch->getAssocObjIdsAt(i, ids);
        }
        AcGePoint2dArray vertices;
        AcGeDoubleArray bulges;
        if (hatch->getLoopAt(i, type, vertices, bulges) == Acad::eOk) {
            loop.polylineForm = true;
            loop.vertices = vertices;
            loop.bulges = bulges;
        } else {
            AcGeVoidPointerArray edges;
            AcGeIntArray kinds;
            hatch->getLoopAt(i, type, edges, kinds);
            for (void* edge : edges) {
                loop.edges.emplace_back(static_cast<AcGeCurve2d*>(static_cast<AcGeCurve2d*>(edge)->copy()));
            }
        }
        WriteLoop(type, loop, ids, hatch->database(), out);
    }
    out.integer(75, 0);
    out.integer(76, hatch->patternType());
    if (!hatch->isSolidFill()) {
        out.degrees(52, 0.0);
        out.real(41, 1.0);
        out.integer(77, 0);
        out.integer(78, 0);
    }
    out.integer(98, 0);
}

void ReadHatch(AcDbObject* object, const std::vector<Group>& body, const ReadContext& context) {
    auto* hatch = static_cast<AcDbHatch*>(object);
    AcGePoint3d elevation(0.0, 0.0, 0.0);
    Find(body, 10, elevation);
    hatch->setElevation(elevation.z);
    const long long patternType = FindInteger(body, 76, AcDbHatch::kPreDefined);
    for (const Group& g : body) {
        if (g.code == 2) {
            hatch->setPattern(patternType >= 0 && patternType <= 2
                                  ? static_cast<AcDbHatch::HatchPatternType>(patternType)
                                  : AcDbHatch::kPreDefined,
                              context.text(g).c_str());
            break;
        }
    }
    const bool associative = FindInteger(body, 71, 0) != 0;
    bool allAssociated = associative;
    size_t i = 0;
    while (i < body.size() && body[i].code != 91) {
        ++i;
    }
    std::vector<ReadLoop> loops;
    if (i < body.size()) {
        const long long count = ReadContext::integer(body[i++]);
        for (long long k = 0; k < count && loops.size() < kMaxListItems; ++k) {
            ReadLoop loop;
            if (!ParseLoop(body, i, elevation.z, context, loop)) {
                break;
            }
            loops.push_back(std::move(loop));
        }
    }
    // Edge loops are rebuilt from entities; ones the file does not tie to live boundary objects go through
    // a scratch database that ends here.
    AcDbDatabase scratch(false, true);
    for (ReadLoop& loop : loops) {
        if (loop.polyline) {
            hatch->appendLoop(loop.type & ~AcDbHatch::kPolyline, loop.vertices, loop.bulges);
            allAssociated = allAssociated && !loop.sources.isEmpty();
            continue;
        }
        if (associative && !loop.sources.isEmpty() &&
            hatch->appendLoop(loop.type, loop.sources) == Acad::eOk) {
            continue;
        }
        allAssociated = false;
        AcDbObjectIdArray ids;
        for (auto& edge : loop.edges) {
            AcDbObjectId id;
            if (scratch.tarnAddObject(edge.get(), AcDbObjectId(), id) == Acad::eOk) {
                edge.release()->close();
                ids.append(id);
            }
        }
        hatch->appendLoop(loop.type, ids);
    }
    hatch->setAssociative(allAssociated);
}

// ---- regions: their one boundary as a loop (the host's solid-modeller data is not written) ----

void WriteRegion(const AcDbObject* object, Writer& out) {
    const auto* region = static_cast<const AcDbRegion*>(object);
    out.raw(100, "AcDbModelerGeometry");
    out.integer(70, 1);
    out.raw(100, "AcDbRegion");
    out.real(30, region->elevation());
    const platform::detail::CurveLoop& loop = region->tarnLoop();
    WriteLoop(loop.polylineForm ? AcDbHatch::kPolyline | AcDbHatch::kExternal : AcDbHatch::kExternal, loop,
              AcDbObjectIdArray(), region->database(), out);
}

void ReadRegion(AcDbObject* object, const std::vector<Group>& body, const ReadContext& context) {
    auto* region = static_cast<AcDbRegion*>(object);
    size_t i = 0;
    while (i < body.size() && body[i].code != 92) {
        ++i;
    }
    ReadLoop loop;
    if (!ParseLoop(body, i, FindReal(body, 30, 0.0), context, loop)) {
        return;
    }
    AcDbVoidPtrArray curves;
    AcDbPolyline outline;
    if (loop.polyline) {
        for (int k = 0; k < loop.vertices.length(); ++k) {
            outline.addVertexAt(static_cast<unsigned int>(k), loop.vertices[k], loop.bulges[k]);
        }
        outline.setClosed(true);
        outline.setElevation(FindReal(body, 30, 0.0));
        curves.append(&outline);
    } else {
        for (auto& edge : loop.edges) {
            curves.append(edge.get());
        }
    }
    AcDbVoidPtrArray regions;
    if (AcDbRegion::createFromCurves(curves, regions) == Acad::eOk && !regions.isEmpty()) {
        AdoptGeometry(region, *static_cast<AcDbRegion*>(regions[0]));
    }
    for (void* made : regions) {
        delete static_cast<AcDbRegion*>(made);
    }
}

const Codec kCurveCodecs[] = {
    {u"AcDbPolyline", WriteLwPolyline, ReadLwPolyline},
    {u"AcDb2dPolyline", WritePolyline2d, ReadPolyline2d},
    {u"AcDb3dPolyline", WritePolyline3d, ReadPolyline3d},
    {u"AcDbEllipse", WriteEllipse, ReadEllipse},
    {u"AcDbSpline", WriteSpline, ReadSpline},
    {u"AcDbHatch", WriteHatch, ReadHatch},
    {u"AcDbRegion", WriteRegion, ReadRegion},
};

}  // namespace

const Codec* FindCurveCodec(const AcRxClass* cls) {
    for (const Codec& codec : kCurveCodecs) {
        if (std::u16string_view(codec.className) == cls->name()) {
            return &codec;
        }
    }
    return nullptr;
}

}  // namespace platform::dxf
