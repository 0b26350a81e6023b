#include "platform/arx/acdb/dxfloops.h"

#include <cmath>
#include <memory>
#include <utility>

#include "platform/arx/acdb/dbhatch.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/arx/acdb/dbspline.h"
#include "platform/arx/acdb/dxfgroups.h"
#include "platform/arx/acge/geangle.h"
#include "platform/arx/acge/gearc2d.h"
#include "platform/arx/acge/geell2d.h"
#include "platform/arx/acge/gelnsg2d.h"
#include "platform/arx/acge/genurb2d.h"

namespace platform::dxf {

namespace {

using platform::detail::EdgeFit;

void WritePoint2d(Writer& out, int code, const AcGePoint2d& p) {
    const double xy[2] = {p.x, p.y};
    out.point(code, xy, 2);
}

// The 50 and 51 angles of an arc in the file's terms: its own angles when it runs counter-clockwise, those
// of its mirror image when it runs clockwise.
void ArcAngles(const AcGeCircArc2d& arc, double& start, double& end) {
    const double ref = std::atan2(arc.refVec().y, arc.refVec().x);
    start = platform::detail::NormalizeAngle(arc.isClockWise() ? arc.startAng() - ref : arc.startAng() + ref);
    const double sweep = arc.endAng() - arc.startAng();
    end = arc.isClosed() ? start + kFullTurn : platform::detail::NormalizeAngle(start + sweep);
}

void WriteEdge(const AcGeCurve2d& edge, const EdgeFit* fit, Writer& out) {
    switch (platform::detail::EdgeTypeOf(edge)) {
        case 1: {
            AcGePoint2d a, b;
            edge.hasStartPoint(a);
            edge.hasEndPoint(b);
            out.integer(72, 1);
            WritePoint2d(out, 10, a);
            WritePoint2d(out, 11, b);
            break;
        }
        case 2: {
            const auto& arc = static_cast<const AcGeCircArc2d&>(edge);
            double start = 0.0, end = 0.0;
            ArcAngles(arc, start, end);
            out.integer(72, 2);
            WritePoint2d(out, 10, arc.center());
            out.real(40, arc.radius());
            out.degrees(50, start);
            out.degrees(51, end);
            out.integer(73, arc.isClockWise() ? 0 : 1);
            break;
        }
        case 3: {
            // Parameters, not angles; a clockwise ellipse has its minor axis on the right of the major one,
            // which makes its parameters those of the mirror image.
            const auto& shape = static_cast<const AcGeEllipArc2d&>(edge);
            const AcGeVector2d major = shape.majorAxis() * shape.majorRadius();
            const double start = shape.startAng();
            const double end =
                shape.isClosed() ? start + kFullTurn : platform::detail::NormalizeAngle(shape.endAng());
            out.integer(72, 3);
            WritePoint2d(out, 10, shape.center());
            WritePoint2d(out, 11, AcGePoint2d(major.x, major.y));
            out.real(40, shape.minorRadius() / shape.majorRadius());
            out.degrees(50, start);
            out.degrees(51, end);
            out.integer(73, shape.isClockWise() ? 0 : 1);
            break;
        }
        case 4: {
            const auto& spline = static_cast<const AcGeNurbCurve2d&>(edge);
            const bool rational = spline.isRational();
            out.integer(72, 4);
            out.integer(94, spline.degree());
            out.integer(73, rational ? 1 : 0);
            out.integer(74, spline.isPeriodic() ? 1 : 0);
            out.integer(95, spline.numKnots());
            out.integer(96, spline.numControlPoints());
            for (int k = 0; k < spline.numKnots(); ++k) {
                out.real(40, spline.knotAt(k));
            }
            for (int k = 0; k < spline.numControlPoints(); ++k) {
                WritePoint2d(out, 10, spline.controlPointAt(k));
                if (rational) {
                    out.real(42, spline.weightAt(k));
                }
            }
            if (fit != nullptr && !fit->points.isEmpty()) {
                out.integer(97, fit->points.length());
                for (const AcGePoint2d& p : fit->points) {
                    WritePoint2d(out, 11, p);
                }
                if (!fit->startTangent.isZeroLength()) {
                    WritePoint2d(out, 12, AcGePoint2d(fit->startTangent.x, fit->startTangent.y));
                }
                if (!fit->endTangent.isZeroLength()) {
                    WritePoint2d(out, 13, AcGePoint2d(fit->endTangent.x, fit->endTangent.y));
                }
            }
            break;
        }
        default:
            break;
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

bool Finite(const AcGePoint3d& p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// A spline edge from its groups: the control points, knots and weights, or only fit points (then the curve
// through them). Null when they give no sound curve.
AcGeCurve2d* SplineEdge(const std::vector<Group>& data, EdgeFit& fit) {
    AcGePoint2dArray points;
    AcGeKnotVector knots;
    AcGeDoubleArray weights;
    for (size_t d = 0; d < data.size(); ++d) {
        const int code = data[d].code;
        if (code == 40) {
            knots.append(ReadContext::real(data[d]));
        } else if (code == 42) {
            weights.append(ReadContext::real(data[d]));
        } else if (code == 10 || code == 11) {
            const AcGePoint3d p = PointAt(data, d, code);
            if (!Finite(p)) {
                return nullptr;
            }
            (code == 10 ? points : fit.points).append(AcGePoint2d(p.x, p.y));
        } else if (code == 12 || code == 13) {
            const AcGePoint3d t = PointAt(data, d, code);
            if (!Finite(t)) {
                return nullptr;
            }
            (code == 12 ? fit.startTangent : fit.endTangent) = AcGeVector2d(t.x, t.y);
        }
    }
    const long long degree = FindInteger(data, 94, 3);
    if (degree < 1 || degree > 25) {
        return nullptr;
    }
    if (points.isEmpty() && fit.points.length() >= 2) {
        // Only fit points: the curve through them.
        AcGePoint3dArray through;
        for (const AcGePoint2d& p : fit.points) {
            through.append(AcGePoint3d(p.x, p.y, 0.0));
        }
        AcDbSpline fitted(through, AcGeVector3d(fit.startTangent.x, fit.startTangent.y, 0.0),
                          AcGeVector3d(fit.endTangent.x, fit.endTangent.y, 0.0));
        if (fitted.isNull()) {
            return nullptr;
        }
        auto curve = std::make_unique<AcGeNurbCurve2d>(fitted.tarnCurve2d());
        return curve->isValid() ? curve.release() : nullptr;
    }
    const bool rational = FindInteger(data, 73, 0) != 0;
    // A rational spline needs one weight per control point: without them it would be another curve.
    if (rational && weights.length() != points.length()) {
        return nullptr;
    }
    const bool periodic = FindInteger(data, 74, 0) != 0;
    auto curve =
        rational
            ? std::make_unique<AcGeNurbCurve2d>(static_cast<int>(degree), knots, points, weights, periodic)
            : std::make_unique<AcGeNurbCurve2d>(static_cast<int>(degree), knots, points, periodic);
    return curve->isValid() ? curve.release() : nullptr;
}

// An edge from its kind and groups, in the file's direction; null when the numbers give no curve.
AcGeCurve2d* Edge(long long kind, const std::vector<Group>& data, EdgeFit& fit) {
    AcGePoint3d a(0, 0, 0), b(0, 0, 0);
    Find(data, 10, a);
    Find(data, 11, b);
    if (!Finite(a) || !Finite(b)) {
        return nullptr;
    }
    const AcGePoint2d pa(a.x, a.y);
    const bool clockwise = FindInteger(data, 73, 1) == 0;
    switch (kind) {
        case 1:
            return new AcGeLineSeg2d(pa, AcGePoint2d(b.x, b.y));
        case 2: {
            double start = 0.0, end = 0.0;
            AnglesFrom(data, start, end);
            const double radius = FindReal(data, 40, 0.0);
            if (!(radius > 0.0) || !std::isfinite(radius) || !std::isfinite(start) || !std::isfinite(end)) {
                return nullptr;
            }
            // Measured clockwise from the x axis, the angles of the mirror image are the arc's own.
            return new AcGeCircArc2d(pa, radius, start, end, AcGeVector2d::kXAxis, clockwise);
        }
        case 3: {
            double start = 0.0, end = kFullTurn;
            AnglesFrom(data, start, end);
            const AcGeVector2d major(b.x, b.y);
            const double ratio = FindReal(data, 40, 1.0);
            const double length = major.length();
            if (!(length > 0.0) || !std::isfinite(length) || !(ratio > 0.0) || !std::isfinite(ratio) ||
                !std::isfinite(start) || !std::isfinite(end)) {
                return nullptr;
            }
            const AcGeVector2d minor = clockwise ? -major.perpVector() : major.perpVector();
            return new AcGeEllipArc2d(pa, major, minor, length, length * ratio, start, end);
        }
        case 4:
            return SplineEdge(data, fit);
        default:
            return nullptr;
    }
}

// Whether the 97 after a spline edge's control points counts its fit points rather than the loop's source
// objects: it does before another edge, and on the last edge when fit points (or, for none, the source
// count) follow it.
bool FitCountAt(const std::vector<Group>& body, size_t i, bool lastEdge) {
    if (!lastEdge) {
        return true;
    }
    if (i + 1 >= body.size()) {
        return false;
    }
    return ReadContext::integer(body[i]) > 0 ? body[i + 1].code == 11 : body[i + 1].code == 97;
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
            WritePoint2d(out, 10, loop.vertices[i]);
            if (bulged) {
                out.real(42, i < loop.bulges.length() ? loop.bulges[i] : 0.0);
            }
        }
    } else {
        out.integer(93, static_cast<long long>(loop.edges.size()));
        for (size_t e = 0; e < loop.edges.size(); ++e) {
            WriteEdge(*loop.edges[e], e < loop.fits.size() ? &loop.fits[e] : nullptr, out);
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

bool ParseLoop(const std::vector<Group>& body, size_t& i, const ReadContext& context, ReadLoop& loop) {
    auto next = [&](int code) -> const Group* {
        return i < body.size() && body[i].code == code ? &body[i++] : nullptr;
    };
    const Group* g = next(92);
    if (g == nullptr) {
        return false;
    }
    loop.type = static_cast<Adesk::Int32>(ReadContext::integer(*g));
    platform::detail::CurveLoop& geometry = loop.geometry;
    geometry.polylineForm = (loop.type & AcDbHatch::kPolyline) != 0;
    bool sound = true;
    if (geometry.polylineForm) {
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
            sound = sound && Finite(p);
            geometry.vertices.append(AcGePoint2d(p.x, p.y));
            const Group* b = bulged != nullptr && ReadContext::integer(*bulged) != 0 ? next(42) : nullptr;
            geometry.bulges.append(b != nullptr ? ReadContext::real(*b) : 0.0);
        }
    } else {
        const Group* count = next(93);
        if (count == nullptr) {
            return false;
        }
        const long long n = ReadContext::integer(*count);
        bool fitted = false;
        std::vector<EdgeFit> fits;
        for (long long k = 0; k < n && k < static_cast<long long>(kMaxListItems); ++k) {
            const Group* kind = next(72);
            if (kind == nullptr) {
                return false;
            }
            std::vector<Group> data;
            // The edge's groups run to the next edge, the source count or the next loop; a spline's fit
            // data runs on past its own count.
            auto collect = [&] {
                while (i < body.size() && body[i].code != 72 && body[i].code != 97 && body[i].code != 92) {
                    data.push_back(body[i++]);
                }
            };
            collect();
            const long long type = ReadContext::integer(*kind);
            if (type == 4 && i < body.size() && body[i].code == 97 && FitCountAt(body, i, k + 1 == n)) {
                ++i;
                collect();
            }
            EdgeFit fit;
            AcGeCurve2d* edge = sound ? Edge(type, data, fit) : nullptr;
            if (edge == nullptr) {
                // The rest of the loop is still passed over, so that the next one is read.
                sound = false;
                continue;
            }
            geometry.edges.emplace_back(edge);
            fitted = fitted || !fit.points.isEmpty();
            fits.push_back(std::move(fit));
        }
        if (fitted) {
            geometry.fits = std::move(fits);
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
    return sound && (geometry.polylineForm ? geometry.vertices.length() >= 2 : !geometry.edges.empty());
}

}  // namespace platform::dxf
