#include "platform/arx/acdb/dxfloops.h"

#include <utility>

#include "platform/arx/acdb/dbarc.h"
#include "platform/arx/acdb/dbcircle.h"
#include "platform/arx/acdb/dbellipse.h"
#include "platform/arx/acdb/dbhatch.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/arx/acdb/dbline.h"
#include "platform/arx/acdb/dbspline.h"
#include "platform/arx/acdb/dxfgroups.h"

namespace platform::dxf {

namespace {

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
        out.degrees(50, static_cast<double>(EllipseParamOf(shape->startAngle(), shape->radiusRatio())));
        out.degrees(51, static_cast<double>(EllipseParamOf(shape->endAngle(), shape->radiusRatio())));
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

}  // namespace

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
                                           EllipseAngleOf(start, ratio), EllipseAngleOf(end, ratio));
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

}  // namespace platform::dxf
