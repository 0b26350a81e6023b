#include "platform/arx/acdb/dbpline.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/arx/acdb/dbarc.h"
#include "platform/arx/acdb/dbgeom.h"
#include "platform/arx/acdb/dbline.h"
#include "platform/arx/acdb/dxfcodec.h"
#include "platform/arx/acdb/dxffields.h"
#include "platform/arx/acdb/dxfgroups.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;

const FieldDesc kFields[] = {
    {70, FieldKind::kInt16, "closed", nullptr, nullptr},
    {38, FieldKind::kReal, "elevation", nullptr, nullptr},
    {39, FieldKind::kReal, "thickness", nullptr, nullptr},
    {210, FieldKind::kVector3d, "normal", nullptr, nullptr},
};

// How far a parameter or a distance may overshoot its range and still count as the end.
double Slack(double size) {
    return 1e-9 * std::max(1.0, std::fabs(size));
}

}  // namespace

TARN_RX_DEFINE(AcDbPolyline, AcDbCurve, u"LWPOLYLINE", kFields, std::size(kFields))

AcDbPolyline::AcDbPolyline(unsigned int numVerts) {
    m_path.points.reserve(numVerts);
    m_path.bulges.reserve(numVerts);
    m_startWidths.reserve(numVerts);
    m_endWidths.reserve(numVerts);
}

Acad::ErrorStatus AcDbPolyline::addVertexAt(unsigned int index, const AcGePoint2d& point, double bulge,
                                            double startWidth, double endWidth) {
    if (!tarnIsFinite(point) || !std::isfinite(bulge) || !std::isfinite(startWidth) ||
        !std::isfinite(endWidth)) {
        return Acad::eInvalidInput;  // no drawing file could hold the vertex
    }
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es != Acad::eOk) {
        return es;
    }
    const size_t at = std::min<size_t>(index, m_path.points.size());
    if (m_path.points.size() == m_path.points.capacity() || m_endWidths.size() == m_endWidths.capacity()) {
        // The four lists grow together, and from a few vertices on: polylines are built a vertex at a time.
        const size_t room = std::max<size_t>(4, 2 * m_path.points.size());
        m_path.points.reserve(room);
        m_path.bulges.reserve(room);
        m_startWidths.reserve(room);
        m_endWidths.reserve(room);
    }
    m_path.points.insert(m_path.points.begin() + static_cast<long>(at), point);
    m_path.bulges.insert(m_path.bulges.begin() + static_cast<long>(at), bulge);
    m_startWidths.insert(m_startWidths.begin() + static_cast<long>(at), std::max(0.0, startWidth));
    m_endWidths.insert(m_endWidths.begin() + static_cast<long>(at), std::max(0.0, endWidth));
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::removeVertexAt(unsigned int index) {
    if (!validIndex(index)) {
        return Acad::eInvalidIndex;
    }
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es == Acad::eOk) {
        m_path.points.erase(m_path.points.begin() + index);
        m_path.bulges.erase(m_path.bulges.begin() + index);
        m_startWidths.erase(m_startWidths.begin() + index);
        m_endWidths.erase(m_endWidths.begin() + index);
    }
    return es;
}

Acad::ErrorStatus AcDbPolyline::getPointAt(unsigned int index, AcGePoint2d& point) const {
    if (!validIndex(index)) {
        return Acad::eInvalidIndex;
    }
    point = m_path.points[index];
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::getPointAt(unsigned int index, AcGePoint3d& point) const {
    if (!validIndex(index)) {
        return Acad::eInvalidIndex;
    }
    point = m_path.toWorld(m_path.points[index]);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::setPointAt(unsigned int index, const AcGePoint2d& point) {
    if (!validIndex(index)) {
        return Acad::eInvalidIndex;
    }
    return tarnSet(m_path.points[index], point);
}

Acad::ErrorStatus AcDbPolyline::getBulgeAt(unsigned int index, double& bulge) const {
    if (!validIndex(index)) {
        return Acad::eInvalidIndex;
    }
    bulge = m_path.bulges[index];
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::setBulgeAt(unsigned int index, double bulge) {
    if (!validIndex(index)) {
        return Acad::eInvalidIndex;
    }
    return tarnSet(m_path.bulges[index], bulge);
}

Acad::ErrorStatus AcDbPolyline::getWidthsAt(unsigned int index, double& startWidth, double& endWidth) const {
    if (!validIndex(index)) {
        return Acad::eInvalidIndex;
    }
    startWidth = m_startWidths[index];
    endWidth = m_endWidths[index];
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::setWidthsAt(unsigned int index, double startWidth, double endWidth) {
    if (!validIndex(index)) {
        return Acad::eInvalidIndex;
    }
    if (startWidth < 0.0 || endWidth < 0.0) {
        return Acad::eInvalidInput;
    }
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es == Acad::eOk) {
        m_startWidths[index] = startWidth;
        m_endWidths[index] = endWidth;
    }
    return es;
}

Acad::ErrorStatus AcDbPolyline::getConstantWidth(double& width) const {
    if (m_startWidths.empty()) {
        return Acad::eInvalidInput;
    }
    const double first = m_startWidths.front();
    auto same = [first](double w) { return w == first; };
    if (!std::all_of(m_startWidths.begin(), m_startWidths.end(), same) ||
        !std::all_of(m_endWidths.begin(), m_endWidths.end(), same)) {
        return Acad::eInvalidInput;
    }
    width = first;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::setConstantWidth(double width) {
    if (width < 0.0 || !std::isfinite(width)) {
        return Acad::eInvalidInput;
    }
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es == Acad::eOk) {
        std::fill(m_startWidths.begin(), m_startWidths.end(), width);
        std::fill(m_endWidths.begin(), m_endWidths.end(), width);
    }
    return es;
}

void AcDbPolyline::setClosed(bool closed) {
    if (assertWriteEnabled() == Acad::eOk) {
        m_path.closed = closed;
    }
}

void AcDbPolyline::setElevation(double elevation) {
    if (assertWriteEnabled() == Acad::eOk) {
        m_path.elevation = elevation;
    }
}

Acad::ErrorStatus AcDbPolyline::setNormal(const AcGeVector3d& normal) {
    return tarnSetNormal(m_path.normal, normal);
}

Acad::ErrorStatus AcDbPolyline::setThickness(double thickness) {
    return tarnSet(m_thickness, thickness);
}

bool AcDbPolyline::hasBulges() const {
    return std::any_of(m_path.bulges.begin(), m_path.bulges.end(), [](double b) { return b != 0.0; });
}

AcDbPolyline::SegType AcDbPolyline::segType(unsigned int index) const {
    const unsigned int n = numVerts();
    if (n == 1 && index == 0) {
        return kPoint;
    }
    if (static_cast<int>(index) >= m_path.numSegments()) {
        return kEmpty;
    }
    if (m_path.points[index].isEqualTo(m_path.segmentEnd(static_cast<int>(index)))) {
        return kCoincident;
    }
    return m_path.bulges[index] != 0.0 ? kArc : kLine;
}

Acad::ErrorStatus AcDbPolyline::getLineSegAt(unsigned int index, AcGeLineSeg2d& line) const {
    if (static_cast<int>(index) >= m_path.numSegments()) {
        return Acad::eInvalidIndex;
    }
    line.set(m_path.points[index], m_path.segmentEnd(static_cast<int>(index)));
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::getArcSegAt(unsigned int index, AcGeCircArc2d& arc) const {
    if (static_cast<int>(index) >= m_path.numSegments()) {
        return Acad::eInvalidIndex;
    }
    return m_path.arcSeg(static_cast<int>(index), arc) ? Acad::eOk : Acad::eInvalidInput;
}

Acad::ErrorStatus AcDbPolyline::getStartParam(double& param) const {
    if (m_path.points.empty()) {
        return Acad::eDegenerateGeometry;
    }
    param = 0.0;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::getEndParam(double& param) const {
    if (m_path.points.empty()) {
        return Acad::eDegenerateGeometry;
    }
    param = m_path.numSegments();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::getStartPoint(AcGePoint3d& point) const {
    return getPointAtParam(0.0, point);
}

Acad::ErrorStatus AcDbPolyline::getEndPoint(AcGePoint3d& point) const {
    return getPointAtParam(m_path.numSegments(), point);
}

Acad::ErrorStatus AcDbPolyline::getPointAtParam(double param, AcGePoint3d& point) const {
    const double end = m_path.numSegments();
    if (m_path.points.empty() || !std::isfinite(param) || param < -Slack(end) || param > end + Slack(end)) {
        return m_path.points.empty() ? Acad::eDegenerateGeometry : Acad::eInvalidInput;
    }
    point = m_path.toWorld(m_path.pointAt(std::clamp(param, 0.0, end)));
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::getParamAtPoint(const AcGePoint3d& point, double& param) const {
    if (m_path.points.empty()) {
        return Acad::eDegenerateGeometry;
    }
    AcGePoint3d closest;
    getClosestPointTo(point, closest);
    if (closest.distanceTo(point) > 1e-7 * std::max(1.0, m_path.length())) {
        return Acad::ePointNotOnEntity;
    }
    param = m_path.closestParam(m_path.toPlane(point));
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::getDistAtParam(double param, double& dist) const {
    const double end = m_path.numSegments();
    if (m_path.points.empty() || !std::isfinite(param) || param < -Slack(end) || param > end + Slack(end)) {
        return Acad::eInvalidInput;
    }
    dist = m_path.distAtParam(std::clamp(param, 0.0, end));
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::getParamAtDist(double dist, double& param) const {
    const double length = m_path.length();
    if (m_path.points.empty() || !std::isfinite(dist) || dist < -Slack(length) ||
        dist > length + Slack(length)) {
        return Acad::eInvalidInput;
    }
    param = m_path.paramAtDist(std::clamp(dist, 0.0, length));
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::getClosestPointTo(const AcGePoint3d& given, AcGePoint3d& closest,
                                                  bool) const {
    if (m_path.points.empty()) {
        return Acad::eDegenerateGeometry;
    }
    closest = m_path.toWorld(m_path.pointAt(m_path.closestParam(m_path.toPlane(given))));
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::getArea(double& area) const {
    area = std::fabs(m_path.signedArea());
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::transformBy(const AcGeMatrix3d& matrix) {
    double scale = 0.0;
    Acad::ErrorStatus es = platform::detail::StartUniformTransform(*this, matrix, scale);
    if (es != Acad::eOk) {
        return es;
    }
    const AcGeVector3d normal = (matrix * m_path.normal).normal();
    const AcGeMatrix3d toPlane = AcGeMatrix3d::worldToPlane(normal);
    double elevation = m_path.elevation;
    for (size_t i = 0; i < m_path.points.size(); ++i) {
        const AcGePoint3d p = toPlane * (matrix * m_path.toWorld(m_path.points[i]));
        m_path.points[i].set(p.x, p.y);
        elevation = p.z;
    }
    if (m_path.points.empty()) {
        elevation = (toPlane * (matrix * m_path.toWorld(AcGePoint2d::kOrigin))).z;
    }
    m_path.normal = normal;
    m_path.elevation = elevation;
    if (matrix.det() < 0.0) {
        for (double& b : m_path.bulges) {
            b = -b;
        }
    }
    for (double& w : m_startWidths) {
        w *= scale;
    }
    for (double& w : m_endWidths) {
        w *= scale;
    }
    m_thickness *= scale;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::getGeomExtents(AcDbExtents& extents) const {
    if (m_path.points.empty()) {
        return Acad::eInvalidExtents;
    }
    AcDbExtents box;
    m_path.addExtents(box);
    extents = box;
    return Acad::eOk;
}

void AcDbPolyline::tarnSetPath(const platform::detail::PlinePath& path) {
    if (assertWriteEnabled() != Acad::eOk) {
        return;
    }
    m_path = path;
    m_path.bulges.resize(m_path.points.size(), 0.0);
    m_startWidths.assign(m_path.points.size(), 0.0);
    m_endWidths.assign(m_path.points.size(), 0.0);
}

Acad::ErrorStatus AcDbPolyline::explode(AcDbVoidPtrArray& entities) const {
    platform::detail::ExplodePath(m_path, this, entities);
    return Acad::eOk;
}

void platform::detail::ExplodePath(const PlinePath& path, const AcDbEntity* source,
                                   AcDbVoidPtrArray& entities) {
    for (int i = 0; i < path.numSegments(); ++i) {
        const AcGePoint2d& a = path.points[static_cast<size_t>(i)];
        const AcGePoint2d b = path.segmentEnd(i);
        AcDbEntity* piece = nullptr;
        AcGeCircArc2d arc;
        if (path.arcSeg(i, arc)) {
            // Arcs run counter-clockwise about the normal, so a clockwise segment is the arc from its end.
            const AcGePoint2d& from = arc.isClockWise() ? b : a;
            const AcGePoint2d& to = arc.isClockWise() ? a : b;
            piece = new AcDbArc(path.toWorld(arc.center()), path.normal, arc.radius(),
                                (from - arc.center()).angle(), (to - arc.center()).angle());
        } else if (!a.isEqualTo(b)) {
            piece = new AcDbLine(path.toWorld(a), path.toWorld(b));
        }
        if (piece != nullptr) {
            piece->setPropertiesFrom(source);
            entities.append(piece);
        }
    }
}

// ---- lightweight polylines: 90 count, 70 flags (1 closed), 38 elevation, 39 thickness, 43 constant width,
// then per vertex 10/20, 40/41 widths and 42 bulge ----

namespace {

using platform::dxf::FindInteger;
using platform::dxf::FindNormal;
using platform::dxf::FindReal;
using platform::dxf::Group;
using platform::dxf::IsZAxis;
using platform::dxf::kMaxListItems;
using platform::dxf::ReadContext;
using platform::dxf::Writer;
using platform::dxf::WriteVector;

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

const platform::dxf::Codec kCodec = {u"AcDbPolyline", WriteLwPolyline, ReadLwPolyline};
const platform::dxf::CodecRegistration kRegistration(&kCodec);

}  // namespace
