#include "platform/arx/acdb/dbmline.h"

#include <algorithm>
#include <cmath>

#include "platform/arx/acdb/dbextents.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/arx/acdb/dbmlinestyle.h"
#include "platform/arx/acdb/dxfcodec.h"
#include "platform/arx/acdb/dxffields.h"
#include "platform/arx/acdb/dxfgroups.h"

TARN_RX_DEFINE(AcDbMline, AcDbEntity, u"MLINE", nullptr, 0)

namespace {

bool IsFinite(const AcGePoint3d& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// Square to a direction in the plane, to its left.
AcGeVector3d LeftOf(const AcGeVector3d& d) {
    return AcGeVector3d(-d.y, d.x, 0.0);
}

AcGeVector3d Unit(const AcGeVector3d& v, const AcGeVector3d& fallback) {
    const double length = v.length();
    return length > 1e-12 && std::isfinite(length) ? v / length : fallback;
}

}  // namespace

AcGePoint3d AcDbMline::vertexAt(int index) const {
    if (index < 0 || index >= numVertices()) {
        return AcGePoint3d(0.0, 0.0, 0.0);
    }
    return m_vertices[static_cast<size_t>(index)];
}

Acad::ErrorStatus AcDbMline::appendSeg(const AcGePoint3d& point) {
    if (!IsFinite(point)) {
        return Acad::eInvalidInput;
    }
    std::vector<AcGePoint3d> vertices = m_vertices;
    vertices.push_back(point);
    const Acad::ErrorStatus es = tarnSet(m_vertices, vertices);
    if (es == Acad::eOk) {
        dropFileForm();
    }
    return es;
}

Acad::ErrorStatus AcDbMline::setClosedMline(bool closed) {
    const bool changed = closed != m_closed;
    const Acad::ErrorStatus es = tarnSet(m_closed, closed);
    if (es == Acad::eOk && changed) {
        dropFileForm();
    }
    return es;
}

Acad::ErrorStatus AcDbMline::setStyle(const AcDbObjectId& style) {
    AcDbMlineStyle* record = nullptr;
    if (acdbOpenObject(record, style, AcDb::kForRead) != Acad::eOk) {
        return Acad::eInvalidInput;
    }
    std::vector<double> offsets;
    for (const AcDbMlineStyle::Element& element : record->tarnElements()) {
        offsets.push_back(element.offset);
    }
    const std::u16string name = record->name();
    record->close();
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es == Acad::eOk) {
        m_style = style;
        m_styleName = name;
        m_offsets = offsets;
        m_fileVertices.clear();
    }
    return es;
}

Acad::ErrorStatus AcDbMline::setScale(double scale) {
    if (!std::isfinite(scale)) {
        return Acad::eInvalidInput;
    }
    const Acad::ErrorStatus es = tarnSet(m_scale, scale);
    if (es == Acad::eOk && !m_offsets.empty()) {
        m_fileVertices.clear();
    }
    return es;
}

Acad::ErrorStatus AcDbMline::setJustification(Mline::MlineJustification justification) {
    const Acad::ErrorStatus es = tarnSet(m_justification, justification);
    if (es == Acad::eOk && !m_offsets.empty()) {
        m_fileVertices.clear();
    }
    return es;
}

Acad::ErrorStatus AcDbMline::setNormal(const AcGeVector3d& normal) {
    return tarnSetNormal(m_normal, normal);
}

void AcDbMline::tarnApplyUnsetDefaults(AcDbDatabase* db) {
    AcDbEntity::tarnApplyUnsetDefaults(db);
    const auto* style = AcDbMlineStyle::cast(platform::detail::Peek(m_style));
    if (style == nullptr || m_style.isErased() || style->database() != db) {
        setStyle(platform::StandardMlineStyle(db));
    }
}

void AcDbMline::tarnMendStyle(AcDbDatabase* db) {
    const auto* style = AcDbMlineStyle::cast(platform::detail::Peek(m_style));
    AcDbObjectId id = m_style;
    if (style == nullptr || m_style.isErased() || style->database() != db) {
        id = m_styleName.empty() ? AcDbObjectId() : platform::FindMlineStyle(db, m_styleName.c_str());
        if (id.isNull()) {
            id = platform::StandardMlineStyle(db);
        }
        style = AcDbMlineStyle::cast(platform::detail::Peek(id));
    }
    if (style == nullptr || assertWriteEnabled() != Acad::eOk) {
        return;
    }
    if (m_fileVertices.empty() || style->numElements() != tarnElementCount()) {
        setStyle(id);
    } else {
        m_style = id;
        m_styleName = style->name();
    }
}

Acad::ErrorStatus AcDbMline::transformBy(const AcGeMatrix3d& matrix) {
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es != Acad::eOk) {
        return es;
    }
    for (AcGePoint3d& vertex : m_vertices) {
        vertex.transformBy(matrix);
    }
    // The file form turns with the vertices; its distances grow with them.
    for (FileVertex& v : m_fileVertices) {
        const AcGeVector3d turned = matrix * v.direction;
        const double factor = v.direction.length() > 0.0 ? turned.length() / v.direction.length() : 1.0;
        v.direction = Unit(turned, v.direction);
        v.miter = Unit(matrix * v.miter, v.miter);
        for (auto* lists : {&v.params, &v.fills}) {
            for (std::vector<double>& list : *lists) {
                for (double& value : list) {
                    value *= factor;
                }
            }
        }
    }
    for (double& position : m_positions) {
        position *= std::fabs(matrix.scale());
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbMline::getGeomExtents(AcDbExtents& extents) const {
    if (m_vertices.empty()) {
        return Acad::eInvalidExtents;
    }
    AcDbExtents box;
    for (const AcGePoint3d& vertex : m_vertices) {
        box.addPoint(vertex);
    }
    extents = box;
    return Acad::eOk;
}

std::vector<double> AcDbMline::positions() const {
    if (m_offsets.empty()) {
        return m_positions;
    }
    // The reference line runs along the top element, the bottom one, or the offsets' zero.
    const auto [low, high] = std::minmax_element(m_offsets.begin(), m_offsets.end());
    const double shift = m_justification == Mline::kTop      ? -*high
                         : m_justification == Mline::kBottom ? -*low
                                                             : 0.0;
    std::vector<double> result;
    for (double offset : m_offsets) {
        result.push_back((offset + shift) * m_scale);
    }
    return result;
}

int AcDbMline::tarnElementCount() const {
    if (!m_fileVertices.empty()) {
        return static_cast<int>(m_fileVertices.front().params.size());
    }
    return static_cast<int>(positions().size());
}

void AcDbMline::dropFileForm() {
    if (m_fileVertices.empty()) {
        return;
    }
    if (m_offsets.empty()) {
        // Where the elements run, from the first vertex: along the miter, then square to the segment.
        const FileVertex& first = m_fileVertices.front();
        const double across = first.miter.dotProduct(Unit(LeftOf(first.direction), first.miter));
        m_positions.clear();
        for (const std::vector<double>& params : first.params) {
            m_positions.push_back(params.empty() ? 0.0 : params.front() * across);
        }
    }
    m_fileVertices.clear();
}

std::vector<AcDbMline::FileVertex> AcDbMline::tarnFileVertices() const {
    if (!m_fileVertices.empty() && m_fileVertices.size() == m_vertices.size()) {
        return m_fileVertices;
    }
    const size_t n = m_vertices.size();
    const std::vector<double> where = positions();
    // The direction of the segment that starts at each vertex; the last one of an open multiline keeps the
    // one before it.
    std::vector<AcGeVector3d> directions(n, AcGeVector3d(1.0, 0.0, 0.0));
    for (size_t i = 0; i < n; ++i) {
        if (i + 1 < n) {
            directions[i] =
                Unit(m_vertices[i + 1] - m_vertices[i], i > 0 ? directions[i - 1] : directions[i]);
        } else if (m_closed && n > 1) {
            directions[i] = Unit(m_vertices[0] - m_vertices[i], directions[i - 1]);
        } else if (i > 0) {
            directions[i] = directions[i - 1];
        }
    }
    std::vector<FileVertex> result(n);
    for (size_t i = 0; i < n; ++i) {
        FileVertex& v = result[i];
        v.direction = directions[i];
        const AcGeVector3d left = LeftOf(directions[i]);
        const bool hasBefore = i > 0 || (m_closed && n > 1);
        const AcGeVector3d before = hasBefore ? LeftOf(directions[i > 0 ? i - 1 : n - 1]) : left;
        // The miter halves the turn at the vertex; a turn back on itself keeps the segment's square.
        v.miter = Unit(before + left, left);
        double across = v.miter.dotProduct(left);
        if (!(std::fabs(across) > 1e-9)) {
            across = 1.0;
        }
        for (double position : where) {
            v.params.push_back({position / across, 0.0});
            v.fills.emplace_back();
        }
    }
    return result;
}

Acad::ErrorStatus AcDbMline::tarnSetFromFile(std::vector<AcGePoint3d> vertices,
                                             std::vector<FileVertex> fileVertices, bool closed, int capFlags,
                                             std::u16string styleName, AcDbObjectId style) {
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es != Acad::eOk) {
        return es;
    }
    m_vertices = std::move(vertices);
    m_fileVertices = std::move(fileVertices);
    m_closed = closed;
    m_capFlags = capFlags;
    m_styleName = std::move(styleName);
    m_style = style;
    m_offsets.clear();
    m_positions.clear();
    return Acad::eOk;
}

// ---- file form: 2 style name, 340 style, 40 scale, 70 justification, 71 flags (1 has vertices, 2 closed, 4
// and 8 caps suppressed), 72 vertex count, 73 element count, 10 start, 210 normal, then per vertex 11 the
// vertex, 12 its segment's direction, 13 its miter, and per element 74 and its 41 parameters, 75 and its 42
// fill parameters ----

namespace {

using platform::dxf::Group;
using platform::dxf::kMaxListItems;
using platform::dxf::ReadContext;
using platform::dxf::WritePoint;
using platform::dxf::Writer;
using platform::dxf::WriteVector;

// A reference as files keep it: the handle of a live object of the same database, else null.
std::uint64_t FileHandle(const AcDbObject* self, AcDbObjectId id) {
    AcDbObject* object = platform::detail::Peek(id);
    return object != nullptr && !id.isErased() && object->database() == self->database() ? id.handle().value()
                                                                                         : 0;
}

void WriteMline(const AcDbObject* object, Writer& out) {
    const auto* mline = static_cast<const AcDbMline*>(object);
    const std::vector<AcDbMline::FileVertex> vertices = mline->tarnFileVertices();
    out.raw(100, "AcDbMline");
    out.text(2, mline->tarnStyleName().empty() ? u"Standard" : mline->tarnStyleName());
    out.handle(340, FileHandle(mline, mline->style()));
    out.real(40, mline->scale());
    out.integer(70, mline->justification());
    out.integer(71,
                (vertices.empty() ? 0 : 1) | (mline->closedMline() ? 2 : 0) | (mline->tarnCapFlags() & 12));
    out.integer(72, mline->numVertices());
    out.integer(73, mline->tarnElementCount());
    WritePoint(out, 10, mline->vertexAt(0));
    if (!platform::dxf::IsZAxis(mline->normal())) {
        WriteVector(out, 210, mline->normal());
    }
    for (size_t i = 0; i < vertices.size(); ++i) {
        const AcDbMline::FileVertex& v = vertices[i];
        WritePoint(out, 11, mline->vertexAt(static_cast<int>(i)));
        WriteVector(out, 12, v.direction);
        WriteVector(out, 13, v.miter);
        for (size_t e = 0; e < v.params.size(); ++e) {
            out.integer(74, static_cast<long long>(v.params[e].size()));
            for (double value : v.params[e]) {
                out.real(41, value);
            }
            const std::vector<double> none;
            const std::vector<double>& fills = e < v.fills.size() ? v.fills[e] : none;
            out.integer(75, static_cast<long long>(fills.size()));
            for (double value : fills) {
                out.real(42, value);
            }
        }
    }
}

void ReadMline(AcDbObject* object, const std::vector<Group>& body, const ReadContext& context) {
    auto* mline = static_cast<AcDbMline*>(object);
    // Only the multiline's own groups: those of the entity part come before its marker.
    size_t start = 0;
    for (size_t i = 0; i < body.size(); ++i) {
        if (body[i].code == 100 && body[i].value == "AcDbMline") {
            start = i + 1;
            break;
        }
    }
    std::vector<AcGePoint3d> points;
    std::vector<AcDbMline::FileVertex> vertices;
    std::u16string styleName;
    AcDbObjectId style;
    long long flags = 0;
    bool inFill = false;
    // Counts (72, 73, 74, 75) are not trusted: the groups present make the lists.
    for (size_t i = start; i < body.size(); ++i) {
        const Group& g = body[i];
        switch (g.code) {
            case 2:
                styleName = context.text(g);
                break;
            case 340:
                style = context.id(g);
                break;
            case 40:
                mline->setScale(ReadContext::real(g));
                break;
            case 70: {
                const long long j = ReadContext::integer(g);
                mline->setJustification(j == 1 ? Mline::kZero : j == 2 ? Mline::kBottom : Mline::kTop);
                break;
            }
            case 71:
                flags = ReadContext::integer(g);
                break;
            case 210:
                mline->setNormal(AcGeVector3d(platform::dxf::PointAt(body, i, 210).asVector()));
                break;
            case 11:
                if (points.size() < kMaxListItems) {
                    points.push_back(platform::dxf::PointAt(body, i, 11));
                    vertices.emplace_back();
                }
                break;
            case 12:
            case 13:
                if (!vertices.empty()) {
                    const AcGeVector3d v = platform::dxf::PointAt(body, i, g.code).asVector();
                    (g.code == 12 ? vertices.back().direction : vertices.back().miter) = v;
                }
                break;
            case 74:
                if (!vertices.empty() && vertices.back().params.size() < kMaxListItems) {
                    vertices.back().params.emplace_back();
                    vertices.back().fills.emplace_back();
                    inFill = false;
                }
                break;
            case 75:
                inFill = true;
                break;
            case 41:
            case 42:
                if (!vertices.empty() && !vertices.back().params.empty()) {
                    auto& list = g.code == 41 && !inFill ? vertices.back().params.back()
                                                         : vertices.back().fills.back();
                    if (list.size() < kMaxListItems) {
                        list.push_back(ReadContext::real(g));
                    }
                }
                break;
            default:
                break;
        }
    }
    // Every vertex keeps as many elements as the first, so that the file written back is whole.
    const size_t elements = vertices.empty() ? 0 : vertices.front().params.size();
    for (AcDbMline::FileVertex& v : vertices) {
        v.params.resize(elements);
        v.fills.resize(elements);
    }
    mline->tarnSetFromFile(std::move(points), std::move(vertices), (flags & 2) != 0,
                           static_cast<int>(flags & 12), std::move(styleName), style);
}

const platform::dxf::Codec kCodec = {u"AcDbMline", WriteMline, ReadMline};
const platform::dxf::CodecRegistration kRegistration(&kCodec);

}  // namespace
