#include "platform/arx/acdb/dbpoly.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbgeom.h"
#include "platform/arx/acdb/dbline.h"
#include "platform/arx/acdb/dbpline.h"
#include "platform/arx/acdb/dxfcodec.h"
#include "platform/arx/acdb/dxffields.h"
#include "platform/arx/acdb/dxfgroups.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;

const FieldDesc k2dVertexFields[] = {
    {10, FieldKind::kPoint3d, "position", nullptr, nullptr},
    {42, FieldKind::kReal, "bulge", nullptr, nullptr},
    {40, FieldKind::kReal, "startWidth", nullptr, nullptr},
    {41, FieldKind::kReal, "endWidth", nullptr, nullptr},
};
const FieldDesc k3dVertexFields[] = {
    {10, FieldKind::kPoint3d, "position", nullptr, nullptr},
};
const FieldDesc k2dFields[] = {
    {70, FieldKind::kInt16, "closed", nullptr, nullptr},
    {30, FieldKind::kReal, "elevation", nullptr, nullptr},
    {210, FieldKind::kVector3d, "normal", nullptr, nullptr},
};
const FieldDesc k3dFields[] = {
    {70, FieldKind::kInt16, "closed", nullptr, nullptr},
};

double Slack(double size) {
    return 1e-9 * std::max(1.0, std::fabs(size));
}

// The non-resident lightweight twin of a path, to answer curve questions the same way.
struct Twin {
    explicit Twin(const platform::detail::PlinePath& path) { polyline.tarnSetPath(path); }
    AcDbPolyline polyline;
};

}  // namespace

TARN_RX_DEFINE_ABSTRACT(AcDbVertex, AcDbEntity, nullptr, 0)
TARN_RX_DEFINE(AcDb2dVertex, AcDbVertex, u"VERTEX", k2dVertexFields, std::size(k2dVertexFields))
TARN_RX_DEFINE(AcDb3dPolylineVertex, AcDbVertex, u"VERTEX", k3dVertexFields, std::size(k3dVertexFields))
TARN_RX_DEFINE(AcDb2dPolyline, AcDbCurve, u"POLYLINE", k2dFields, std::size(k2dFields))
TARN_RX_DEFINE(AcDb3dPolyline, AcDbCurve, u"POLYLINE", k3dFields, std::size(k3dFields))

#define TARN_SETTER(CLASS, NAME, TYPE, MEMBER)  \
    Acad::ErrorStatus CLASS::NAME(TYPE value) { \
        return tarnSet(MEMBER, value);          \
    }

TARN_SETTER(AcDb2dVertex, setPosition, const AcGePoint3d&, m_position)
TARN_SETTER(AcDb2dVertex, setBulge, double, m_bulge)
TARN_SETTER(AcDb2dVertex, setStartWidth, double, m_startWidth)
TARN_SETTER(AcDb2dVertex, setEndWidth, double, m_endWidth)
TARN_SETTER(AcDb3dPolylineVertex, setPosition, const AcGePoint3d&, m_position)
TARN_SETTER(AcDb2dPolyline, setPolyType, AcDb::Poly2dType, m_type)
TARN_SETTER(AcDb2dPolyline, setElevation, double, m_elevation)

#undef TARN_SETTER

void AcDbObjectIterator::start(bool atEnd) {
    m_index = atEnd ? static_cast<long>(m_entities.size()) - 1 : 0;
}

void AcDbObjectIterator::step(bool backwards, bool) {
    m_index += backwards ? -1 : 1;
}

// ---- AcDb2dPolyline

AcDb2dPolyline::AcDb2dPolyline(AcDb::Poly2dType type, const AcGePoint3dArray& vertices, double elevation,
                               bool closed, double defStartWidth, double defEndWidth,
                               const AcGeDoubleArray* bulges)
    : m_type(type),
      m_closed(closed),
      m_elevation(elevation),
      m_defStartWidth(defStartWidth),
      m_defEndWidth(defEndWidth) {
    for (int i = 0; i < vertices.length(); ++i) {
        const double bulge = bulges != nullptr && bulges->isValid(i) ? (*bulges)[i] : 0.0;
        m_vertices.adopt(new AcDb2dVertex(AcGePoint3d(vertices[i].x, vertices[i].y, elevation), bulge,
                                          defStartWidth, defEndWidth));
    }
}

Acad::ErrorStatus AcDb2dPolyline::appendVertex(AcDb2dVertex* vertex) {
    if (vertex == nullptr || vertex->database() != nullptr) {
        return Acad::eInvalidInput;
    }
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es == Acad::eOk) {
        m_vertices.adopt(vertex);
    }
    return es;
}

Acad::ErrorStatus AcDb2dPolyline::appendVertex(AcDbObjectId& id, AcDb2dVertex* vertex) {
    id = AcDbObjectId();
    return appendVertex(vertex);
}

AcDbObjectIterator* AcDb2dPolyline::vertexIterator() const {
    return new AcDbObjectIterator(m_vertices.pointers());
}

Acad::ErrorStatus AcDb2dPolyline::makeClosed() {
    return tarnSet(m_closed, true);
}

Acad::ErrorStatus AcDb2dPolyline::makeOpen() {
    return tarnSet(m_closed, false);
}

Acad::ErrorStatus AcDb2dPolyline::setNormal(const AcGeVector3d& normal) {
    return tarnSetNormal(m_normal, normal);
}

platform::detail::PlinePath AcDb2dPolyline::tarnPath() const {
    platform::detail::PlinePath path;
    for (const auto& v : m_vertices.items) {
        path.points.emplace_back(v->position().x, v->position().y);
        path.bulges.push_back(v->bulge());
    }
    path.closed = m_closed;
    path.elevation = m_elevation;
    path.normal = m_normal;
    return path;
}

Acad::ErrorStatus AcDb2dPolyline::getStartParam(double& param) const {
    return Twin(tarnPath()).polyline.getStartParam(param);
}
Acad::ErrorStatus AcDb2dPolyline::getEndParam(double& param) const {
    return Twin(tarnPath()).polyline.getEndParam(param);
}
Acad::ErrorStatus AcDb2dPolyline::getStartPoint(AcGePoint3d& point) const {
    return Twin(tarnPath()).polyline.getStartPoint(point);
}
Acad::ErrorStatus AcDb2dPolyline::getEndPoint(AcGePoint3d& point) const {
    return Twin(tarnPath()).polyline.getEndPoint(point);
}
Acad::ErrorStatus AcDb2dPolyline::getPointAtParam(double param, AcGePoint3d& point) const {
    return Twin(tarnPath()).polyline.getPointAtParam(param, point);
}
Acad::ErrorStatus AcDb2dPolyline::getDistAtParam(double param, double& dist) const {
    return Twin(tarnPath()).polyline.getDistAtParam(param, dist);
}
Acad::ErrorStatus AcDb2dPolyline::getParamAtDist(double dist, double& param) const {
    return Twin(tarnPath()).polyline.getParamAtDist(dist, param);
}
Acad::ErrorStatus AcDb2dPolyline::getPointAtDist(double dist, AcGePoint3d& point) const {
    return Twin(tarnPath()).polyline.getPointAtDist(dist, point);
}
Acad::ErrorStatus AcDb2dPolyline::getClosestPointTo(const AcGePoint3d& given, AcGePoint3d& closest,
                                                    bool extend) const {
    return Twin(tarnPath()).polyline.getClosestPointTo(given, closest, extend);
}
Acad::ErrorStatus AcDb2dPolyline::getArea(double& area) const {
    return Twin(tarnPath()).polyline.getArea(area);
}
Acad::ErrorStatus AcDb2dPolyline::getGeomExtents(AcDbExtents& extents) const {
    return Twin(tarnPath()).polyline.getGeomExtents(extents);
}

Acad::ErrorStatus AcDb2dPolyline::transformBy(const AcGeMatrix3d& matrix) {
    Twin twin(tarnPath());
    Acad::ErrorStatus es = twin.polyline.transformBy(matrix);
    if (es != Acad::eOk || (es = assertWriteEnabled()) != Acad::eOk) {
        return es;
    }
    const platform::detail::PlinePath& path = twin.polyline.tarnPath();
    const double scale = platform::detail::UniformScale(matrix);
    for (size_t i = 0; i < m_vertices.items.size(); ++i) {
        AcDb2dVertex& v = *m_vertices.items[i];
        v.setPosition(AcGePoint3d(path.points[i].x, path.points[i].y, path.elevation));
        v.setBulge(path.bulges[i]);
        v.setStartWidth(v.startWidth() * scale);
        v.setEndWidth(v.endWidth() * scale);
    }
    m_elevation = path.elevation;
    m_normal = path.normal;
    m_defStartWidth *= scale;
    m_defEndWidth *= scale;
    return Acad::eOk;
}

Acad::ErrorStatus AcDb2dPolyline::explode(AcDbVoidPtrArray& entities) const {
    platform::detail::ExplodePath(tarnPath(), this, entities);
    return Acad::eOk;
}

// ---- AcDb3dPolyline

AcDb3dPolyline::AcDb3dPolyline(AcDb::Poly3dType type, const AcGePoint3dArray& vertices, bool closed)
    : m_type(type), m_closed(closed) {
    for (const AcGePoint3d& p : vertices) {
        m_vertices.adopt(new AcDb3dPolylineVertex(p));
    }
}

Acad::ErrorStatus AcDb3dPolyline::appendVertex(AcDb3dPolylineVertex* vertex) {
    if (vertex == nullptr || vertex->database() != nullptr) {
        return Acad::eInvalidInput;
    }
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es == Acad::eOk) {
        m_vertices.adopt(vertex);
    }
    return es;
}

Acad::ErrorStatus AcDb3dPolyline::appendVertex(AcDbObjectId& id, AcDb3dPolylineVertex* vertex) {
    id = AcDbObjectId();
    return appendVertex(vertex);
}

AcDbObjectIterator* AcDb3dPolyline::vertexIterator() const {
    return new AcDbObjectIterator(m_vertices.pointers());
}

Acad::ErrorStatus AcDb3dPolyline::makeClosed() {
    return tarnSet(m_closed, true);
}

Acad::ErrorStatus AcDb3dPolyline::makeOpen() {
    return tarnSet(m_closed, false);
}

std::vector<AcGePoint3d> AcDb3dPolyline::tarnRunPoints() const {
    std::vector<AcGePoint3d> points;
    for (const auto& v : m_vertices.items) {
        if (v->vertexType() != AcDb::k3dControlVertex) {
            points.push_back(v->position());
        }
    }
    if (m_closed && points.size() > 1) {
        points.push_back(points.front());
    }
    return points;
}

Acad::ErrorStatus AcDb3dPolyline::getStartParam(double& param) const {
    if (tarnRunPoints().empty()) {
        return Acad::eDegenerateGeometry;
    }
    param = 0.0;
    return Acad::eOk;
}

Acad::ErrorStatus AcDb3dPolyline::getEndParam(double& param) const {
    const auto points = tarnRunPoints();
    if (points.empty()) {
        return Acad::eDegenerateGeometry;
    }
    param = static_cast<double>(points.size() - 1);
    return Acad::eOk;
}

Acad::ErrorStatus AcDb3dPolyline::getStartPoint(AcGePoint3d& point) const {
    return getPointAtParam(0.0, point);
}

Acad::ErrorStatus AcDb3dPolyline::getEndPoint(AcGePoint3d& point) const {
    double end = 0.0;
    Acad::ErrorStatus es = getEndParam(end);
    return es != Acad::eOk ? es : getPointAtParam(end, point);
}

Acad::ErrorStatus AcDb3dPolyline::getPointAtParam(double param, AcGePoint3d& point) const {
    const auto points = tarnRunPoints();
    if (points.empty()) {
        return Acad::eDegenerateGeometry;
    }
    const double end = static_cast<double>(points.size() - 1);
    if (!std::isfinite(param) || param < -Slack(end) || param > end + Slack(end)) {
        return Acad::eInvalidInput;
    }
    param = std::clamp(param, 0.0, end);
    const size_t i = std::min(static_cast<size_t>(param), points.size() > 1 ? points.size() - 2 : 0);
    point = points.size() == 1 ? points[0] : points[i] + (points[i + 1] - points[i]) * (param - i);
    return Acad::eOk;
}

Acad::ErrorStatus AcDb3dPolyline::getDistAtParam(double param, double& dist) const {
    const auto points = tarnRunPoints();
    const double end = points.empty() ? 0.0 : static_cast<double>(points.size() - 1);
    if (points.empty() || !std::isfinite(param) || param < -Slack(end) || param > end + Slack(end)) {
        return Acad::eInvalidInput;
    }
    param = std::clamp(param, 0.0, end);
    dist = 0.0;
    for (size_t i = 0; i + 1 < points.size() && i < param; ++i) {
        dist += points[i].distanceTo(points[i + 1]) * std::min(1.0, param - i);
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDb3dPolyline::getParamAtDist(double dist, double& param) const {
    const auto points = tarnRunPoints();
    double length = 0.0;
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        length += points[i].distanceTo(points[i + 1]);
    }
    if (points.empty() || !std::isfinite(dist) || dist < -Slack(length) || dist > length + Slack(length)) {
        return Acad::eInvalidInput;
    }
    dist = std::clamp(dist, 0.0, length);
    param = 0.0;
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        const double piece = points[i].distanceTo(points[i + 1]);
        if (dist <= piece || i + 2 == points.size()) {
            param = i + (piece > 0.0 ? std::clamp(dist / piece, 0.0, 1.0) : 0.0);
            break;
        }
        dist -= piece;
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDb3dPolyline::getClosestPointTo(const AcGePoint3d& given, AcGePoint3d& closest,
                                                    bool) const {
    const auto points = tarnRunPoints();
    if (points.empty()) {
        return Acad::eDegenerateGeometry;
    }
    closest = points[0];
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        const AcGeVector3d d = points[i + 1] - points[i];
        const double squared = d.lengthSqrd();
        const double t =
            squared > 0.0 ? std::clamp((given - points[i]).dotProduct(d) / squared, 0.0, 1.0) : 0.0;
        const AcGePoint3d hit = points[i] + d * t;
        if (hit.distanceTo(given) < closest.distanceTo(given)) {
            closest = hit;
        }
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDb3dPolyline::transformBy(const AcGeMatrix3d& matrix) {
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es != Acad::eOk) {
        return es;
    }
    for (auto& v : m_vertices.items) {
        AcGePoint3d p = v->position();
        v->setPosition(p.transformBy(matrix));
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDb3dPolyline::getGeomExtents(AcDbExtents& extents) const {
    if (m_vertices.items.empty()) {
        return Acad::eInvalidExtents;
    }
    AcDbExtents box;
    for (const auto& v : m_vertices.items) {
        box.addPoint(v->position());
    }
    extents = box;
    return Acad::eOk;
}

Acad::ErrorStatus AcDb3dPolyline::explode(AcDbVoidPtrArray& entities) const {
    const auto points = tarnRunPoints();
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        if (!points[i].isEqualTo(points[i + 1])) {
            auto* line = new AcDbLine(points[i], points[i + 1]);
            line->setPropertiesFrom(this);
            entities.append(line);
        }
    }
    return Acad::eOk;
}

// ---- 2D and 3D polylines: the POLYLINE record, a VERTEX record for each vertex, SEQEND ----

namespace {

using platform::dxf::AdoptGeometry;
using platform::dxf::Find;
using platform::dxf::FindInteger;
using platform::dxf::FindNormal;
using platform::dxf::FindReal;
using platform::dxf::Group;
using platform::dxf::IsZAxis;
using platform::dxf::kMaxListItems;
using platform::dxf::ReadContext;
using platform::dxf::WritePoint;
using platform::dxf::Writer;
using platform::dxf::WriteVector;

// place: the vertex's index, or file_record::kSequenceEnd.
void WriteVertexHead(const AcDbEntity* owner, Writer& out, const char* type, std::uint32_t place) {
    out.raw(0, type);
    out.handle(5, out.recordHandle(owner->handle().value(), place));
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
    std::uint32_t index = 0;
    for (it->start(); !it->done(); it->step()) {
        const auto* vertex = AcDb2dVertex::cast(it->entity());
        WriteVertexHead(pline, out, "VERTEX", index++);
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
    WriteVertexHead(pline, out, "SEQEND", platform::file_record::kSequenceEnd);
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
    std::uint32_t index = 0;
    for (it->start(); !it->done(); it->step()) {
        const auto* vertex = AcDb3dPolylineVertex::cast(it->entity());
        WriteVertexHead(pline, out, "VERTEX", index++);
        out.raw(100, "AcDbVertex");
        out.raw(100, "AcDb3dPolylineVertex");
        WritePoint(out, 10, vertex->position());
        const int kind = vertex->vertexType();
        out.integer(70, 32 | (kind == AcDb::k3dControlVertex ? 16 : kind == AcDb::k3dFitVertex ? 8 : 0));
    }
    WriteVertexHead(pline, out, "SEQEND", platform::file_record::kSequenceEnd);
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

const platform::dxf::Codec k2dCodec = {u"AcDb2dPolyline", WritePolyline2d, ReadPolyline2d};
const platform::dxf::Codec k3dCodec = {u"AcDb3dPolyline", WritePolyline3d, ReadPolyline3d};
const platform::dxf::CodecRegistration k2dRegistration(&k2dCodec);
const platform::dxf::CodecRegistration k3dRegistration(&k3dCodec);

}  // namespace
