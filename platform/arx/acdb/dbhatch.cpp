#include "platform/arx/acdb/dbhatch.h"

#include <cmath>
#include <utility>
#include <vector>

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbloop.h"
#include "platform/arx/acdb/dbregion.h"
#include "platform/arx/acdb/dxfcodec.h"
#include "platform/arx/acdb/dxfgroups.h"
#include "platform/arx/acdb/dxfloops.h"
#include "platform/win32/core/unicode.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;
using platform::detail::CurveLoop;
using platform::detail::Pieces;

const FieldDesc kFields[] = {
    {2, FieldKind::kString, "patternName", nullptr, nullptr},
    {70, FieldKind::kInt16, "solidFill", nullptr, nullptr},
    {71, FieldKind::kInt16, "associative", nullptr, nullptr},
    {76, FieldKind::kInt16, "patternType", nullptr, nullptr},
    {210, FieldKind::kVector3d, "normal", nullptr, nullptr},
};

// Reads the boundary entities into one loop; the entities are opened for read and closed again.
Acad::ErrorStatus LoopFromIds(const AcDbObjectIdArray& ids, CurveLoop& loop) {
    if (ids.isEmpty()) {
        return Acad::eInvalidInput;
    }
    std::vector<Pieces> parts;
    for (const AcDbObjectId& id : ids) {
        AcDbEntity* entity = nullptr;
        Acad::ErrorStatus es = acdbOpenAcDbEntity(entity, id, AcDb::kForRead);
        if (es != Acad::eOk) {
            return es;
        }
        bool ok = AcDbCurve::cast(entity) != nullptr;
        if (ok && ids.length() == 1 && platform::detail::PolylineLoop(entity, loop)) {
            entity->close();
            return Acad::eOk;
        }
        Pieces pieces;
        bool closed = false;
        ok = ok && platform::detail::CurvePieces(entity, pieces, closed);
        entity->close();
        // A closed curve is a boundary of its own; among others it would leave them open.
        if (!ok || closed != (ids.length() == 1)) {
            return Acad::eInvalidInput;
        }
        parts.push_back(std::move(pieces));
    }
    loop = CurveLoop();
    if (parts.size() == 1) {
        loop.edges = std::move(parts[0]);
        return Acad::eOk;
    }
    return platform::detail::ChainClosed(parts, loop.edges) ? Acad::eOk : Acad::eInvalidInput;
}

}  // namespace

TARN_RX_DEFINE(AcDbHatch, AcDbEntity, u"HATCH", kFields, std::size(kFields))

Acad::ErrorStatus AcDbHatch::setPattern(HatchPatternType type, const ACHAR* name) {
    if (name == nullptr) {
        return Acad::eInvalidInput;
    }
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es == Acad::eOk) {
        m_patternType = type;
        m_patternName = name;
    }
    return es;
}

bool AcDbHatch::isSolidFill() const {
    return platform::EqualsNoCase(m_patternName.c_str(), u"SOLID");
}

Acad::ErrorStatus AcDbHatch::setAssociative(bool associative) {
    return tarnSet(m_associative, associative);
}

Acad::ErrorStatus AcDbHatch::setNormal(const AcGeVector3d& normal) {
    if (!normal.isCodirectionalTo(AcGeVector3d::kZAxis)) {
        return Acad::eInvalidInput;
    }
    return assertWriteEnabled();
}

Acad::ErrorStatus AcDbHatch::setElevation(double elevation) {
    return tarnSet(m_elevation, elevation);
}

Adesk::Int32 AcDbHatch::loopTypeAt(int loopIndex) const {
    return loopIndex >= 0 && loopIndex < numLoops() ? m_loops[static_cast<size_t>(loopIndex)].type : kDefault;
}

Acad::ErrorStatus AcDbHatch::appendLoop(Adesk::Int32 loopType, const AcDbObjectIdArray& dbObjIds) {
    if (database() != nullptr && !isWriteEnabled()) {
        return Acad::eNotOpenForWrite;
    }
    Loop loop;
    Acad::ErrorStatus es = LoopFromIds(dbObjIds, loop.geometry);
    if (es != Acad::eOk) {
        return es;
    }
    if ((es = assertWriteEnabled()) != Acad::eOk) {
        return es;
    }
    loop.type = loopType | (loop.geometry.polylineForm ? kPolyline : 0);
    loop.ids = dbObjIds;
    m_loops.push_back(std::move(loop));
    return Acad::eOk;
}

Acad::ErrorStatus AcDbHatch::appendLoop(Adesk::Int32 loopType, const AcGePoint2dArray& vertices,
                                        const AcGeDoubleArray& bulges) {
    if (vertices.length() < 2 || (!bulges.isEmpty() && bulges.length() != vertices.length())) {
        return Acad::eInvalidInput;
    }
    for (const AcGePoint2d& v : vertices) {
        if (!std::isfinite(v.x) || !std::isfinite(v.y)) {
            return Acad::eInvalidInput;
        }
    }
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es != Acad::eOk) {
        return es;
    }
    Loop loop;
    loop.type = loopType | kPolyline;
    loop.geometry.polylineForm = true;
    loop.geometry.vertices = vertices;
    for (int i = 0; i < vertices.length(); ++i) {
        loop.geometry.bulges.append(bulges.isEmpty() ? 0.0 : bulges[i]);
    }
    m_loops.push_back(std::move(loop));
    return Acad::eOk;
}

Acad::ErrorStatus AcDbHatch::tarnAppendLoop(Adesk::Int32 loopType, platform::detail::CurveLoop geometry,
                                            const AcDbObjectIdArray& dbObjIds) {
    if (geometry.polylineForm ? geometry.vertices.length() < 2 : geometry.edges.empty()) {
        return Acad::eInvalidInput;
    }
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es != Acad::eOk) {
        return es;
    }
    Loop loop;
    loop.type = geometry.polylineForm ? loopType | kPolyline : loopType & ~kPolyline;
    loop.geometry = std::move(geometry);
    loop.ids = dbObjIds;
    m_loops.push_back(std::move(loop));
    return Acad::eOk;
}

const platform::detail::CurveLoop* AcDbHatch::tarnLoopAt(int loopIndex) const {
    return loopIndex >= 0 && loopIndex < numLoops() ? &m_loops[static_cast<size_t>(loopIndex)].geometry
                                                    : nullptr;
}

Acad::ErrorStatus AcDbHatch::removeLoopAt(int loopIndex) {
    if (loopIndex < 0 || loopIndex >= numLoops()) {
        return Acad::eInvalidIndex;
    }
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es == Acad::eOk) {
        m_loops.erase(m_loops.begin() + loopIndex);
    }
    return es;
}

Acad::ErrorStatus AcDbHatch::getLoopAt(int loopIndex, Adesk::Int32& loopType, AcGePoint2dArray& vertices,
                                       AcGeDoubleArray& bulges) const {
    vertices.removeAll();
    bulges.removeAll();
    if (loopIndex < 0 || loopIndex >= numLoops()) {
        return Acad::eInvalidIndex;
    }
    const Loop& loop = m_loops[static_cast<size_t>(loopIndex)];
    loopType = loop.type;
    if (!loop.geometry.polylineForm) {
        return Acad::eInvalidInput;
    }
    vertices = loop.geometry.vertices;
    bulges = loop.geometry.bulges;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbHatch::getLoopAt(int loopIndex, Adesk::Int32& loopType, AcGeVoidPointerArray& edgePtrs,
                                       AcGeIntArray& edgeTypes) const {
    edgePtrs.removeAll();
    edgeTypes.removeAll();
    if (loopIndex < 0 || loopIndex >= numLoops()) {
        return Acad::eInvalidIndex;
    }
    const Loop& loop = m_loops[static_cast<size_t>(loopIndex)];
    loopType = loop.type;
    if (loop.geometry.polylineForm) {
        return Acad::eInvalidInput;
    }
    for (const auto& edge : loop.geometry.edges) {
        edgePtrs.append(edge.get());
        edgeTypes.append(platform::detail::EdgeTypeOf(*edge));
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbHatch::evaluateHatch(bool) {
    return m_loops.empty() ? Acad::eInvalidInput : Acad::eOk;
}

Acad::ErrorStatus AcDbHatch::getAssocObjIds(AcDbObjectIdArray& dbObjIds) const {
    dbObjIds.removeAll();
    if (m_associative) {
        for (const Loop& loop : m_loops) {
            dbObjIds.append(loop.ids);
        }
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbHatch::getAssocObjIdsAt(int loopIndex, AcDbObjectIdArray& dbObjIds) const {
    dbObjIds.removeAll();
    if (loopIndex < 0 || loopIndex >= numLoops()) {
        return Acad::eInvalidIndex;
    }
    if (m_associative) {
        dbObjIds = m_loops[static_cast<size_t>(loopIndex)].ids;
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbHatch::getArea(double& area) const {
    if (m_loops.empty()) {
        return Acad::eInvalidInput;
    }
    area = std::fabs(m_loops[0].geometry.signedArea());
    for (size_t i = 1; i < m_loops.size(); ++i) {
        area -= std::fabs(m_loops[i].geometry.signedArea());
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbHatch::transformBy(const AcGeMatrix3d& matrix) {
    AcGeMatrix2d planar;
    double elevation = 0.0;
    Acad::ErrorStatus es = platform::detail::LevelTransform(matrix, m_elevation, planar, elevation);
    if (es != Acad::eOk || (es = assertWriteEnabled()) != Acad::eOk) {
        return es;
    }
    for (Loop& loop : m_loops) {
        loop.geometry.transformBy(planar);
    }
    m_elevation = elevation;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbHatch::getGeomExtents(AcDbExtents& extents) const {
    if (m_loops.empty()) {
        return Acad::eInvalidExtents;
    }
    AcDbExtents box;
    for (const Loop& loop : m_loops) {
        loop.geometry.addExtents(m_elevation, box);
    }
    extents = box;
    return Acad::eOk;
}

// ---- hatches ----

namespace {

using platform::dxf::Find;
using platform::dxf::FindInteger;
using platform::dxf::Group;
using platform::dxf::kMaxListItems;
using platform::dxf::ParseLoop;
using platform::dxf::ReadContext;
using platform::dxf::ReadLoop;
using platform::dxf::WriteLoop;
using platform::dxf::WritePoint;
using platform::dxf::Writer;
using platform::dxf::WriteVector;

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
        AcDbObjectIdArray ids;
        if (hatch->associative()) {
            hatch->getAssocObjIdsAt(i, ids);
        }
        WriteLoop(hatch->loopTypeAt(i), *hatch->tarnLoopAt(i), ids, hatch->database(), out);
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
    // Each loop is kept as the file gives it; one that cannot be read is left out and counted, and the
    // loops after it are still read.
    if (i < body.size()) {
        const long long count = ReadContext::integer(body[i++]);
        for (long long k = 0; k < count && i < body.size() && body[i].code == 92 &&
                              static_cast<size_t>(hatch->numLoops()) < kMaxListItems;
             ++k) {
            ReadLoop loop;
            if (!ParseLoop(body, i, context, loop)) {
                if (context.skippedLoops != nullptr) {
                    ++*context.skippedLoops;
                }
                while (i < body.size() && body[i].code != 92) {
                    ++i;
                }
                allAssociated = false;
                continue;
            }
            allAssociated = allAssociated && !loop.sources.isEmpty();
            hatch->tarnAppendLoop(loop.type, std::move(loop.geometry),
                                  associative ? loop.sources : AcDbObjectIdArray());
        }
    }
    hatch->setAssociative(allAssociated);
}

const platform::dxf::Codec kCodec = {u"AcDbHatch", WriteHatch, ReadHatch};
const platform::dxf::CodecRegistration kRegistration(&kCodec);

}  // namespace
