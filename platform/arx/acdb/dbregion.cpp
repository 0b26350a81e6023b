#include "platform/arx/acdb/dbregion.h"

#include <cmath>
#include <memory>
#include <vector>

#include "platform/arx/acdb/dbgeom.h"
#include "platform/arx/acdb/dbhatch.h"
#include "platform/arx/acdb/dbpline.h"
#include "platform/arx/acdb/dxfcodec.h"
#include "platform/arx/acdb/dxfgroups.h"
#include "platform/arx/acdb/dxfloops.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;
using platform::detail::Pieces;

const FieldDesc kFields[] = {
    {70, FieldKind::kInt16, "version", nullptr, nullptr},
};

}  // namespace

TARN_RX_DEFINE(AcDbRegion, AcDbEntity, u"REGION", kFields, std::size(kFields))

Acad::ErrorStatus platform::detail::LevelTransform(const AcGeMatrix3d& matrix, double elevation,
                                                   AcGeMatrix2d& planar, double& newElevation) {
    if (!platform::PlanarPart(matrix, planar)) {
        return Acad::eNotApplicable;
    }
    if (platform::detail::UniformScale(matrix) <= 0.0) {
        return Acad::eCannotScaleNonUniformly;
    }
    newElevation = matrix(2, 2) * elevation + matrix(2, 3);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbRegion::createFromCurves(const AcDbVoidPtrArray& curveSegments,
                                               AcDbVoidPtrArray& regions) {
    std::vector<Pieces> open;
    std::vector<Pieces> loops;
    double elevation = 0.0;
    for (int i = 0; i < curveSegments.length(); ++i) {
        const AcDbCurve* curve = AcDbCurve::cast(static_cast<const AcRxObject*>(curveSegments[i]));
        if (curve == nullptr) {
            return Acad::eInvalidInput;
        }
        Pieces pieces;
        bool closed = false;
        if (!platform::detail::CurvePieces(curve, pieces, closed)) {
            return Acad::eInvalidInput;
        }
        AcGePoint3d start;
        if (i == 0 && curve->getStartPoint(start) == Acad::eOk) {
            elevation = start.z;
        }
        (closed ? loops : open).push_back(std::move(pieces));
    }
    for (Pieces& chain : platform::detail::ChainAllClosed(open)) {
        loops.push_back(std::move(chain));
    }
    if (loops.empty()) {
        return Acad::eInvalidInput;
    }
    for (Pieces& loop : loops) {
        auto* region = new AcDbRegion();
        region->m_loop.edges = std::move(loop);
        region->m_elevation = elevation;
        regions.append(region);
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbRegion::getArea(double& area) const {
    if (isNull()) {
        return Acad::eDegenerateGeometry;
    }
    area = std::fabs(m_loop.signedArea());
    return Acad::eOk;
}

Acad::ErrorStatus AcDbRegion::getPerimeter(double& perimeter) const {
    if (isNull()) {
        return Acad::eDegenerateGeometry;
    }
    perimeter = m_loop.perimeter();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbRegion::transformBy(const AcGeMatrix3d& matrix) {
    AcGeMatrix2d planar;
    double elevation = 0.0;
    Acad::ErrorStatus es = platform::detail::LevelTransform(matrix, m_elevation, planar, elevation);
    if (es != Acad::eOk || (es = assertWriteEnabled()) != Acad::eOk) {
        return es;
    }
    m_loop.transformBy(planar);
    m_elevation = elevation;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbRegion::getGeomExtents(AcDbExtents& extents) const {
    if (isNull()) {
        return Acad::eInvalidExtents;
    }
    AcDbExtents box;
    m_loop.addExtents(m_elevation, box);
    extents = box;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbRegion::explode(AcDbVoidPtrArray& entities) const {
    if (isNull()) {
        return Acad::eCannotExplodeEntity;
    }
    for (const auto& edge : m_loop.edges) {
        if (AcDbEntity* piece = platform::detail::EdgeEntity(*edge, m_elevation)) {
            piece->setPropertiesFrom(this);
            entities.append(piece);
        }
    }
    return Acad::eOk;
}

// ---- regions: their one boundary as a loop (the host's solid-modeller data is not written) ----

namespace {

using platform::dxf::AdoptGeometry;
using platform::dxf::FindReal;
using platform::dxf::Group;
using platform::dxf::ParseLoop;
using platform::dxf::ReadContext;
using platform::dxf::ReadLoop;
using platform::dxf::WriteLoop;
using platform::dxf::Writer;

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
    if (!ParseLoop(body, i, context, loop)) {
        return;
    }
    const double elevation = FindReal(body, 30, 0.0);
    AcDbVoidPtrArray curves;
    AcDbPolyline outline;
    std::vector<std::unique_ptr<AcDbEntity>> edges;
    const platform::detail::CurveLoop& geometry = loop.geometry;
    if (geometry.polylineForm) {
        for (int k = 0; k < geometry.vertices.length(); ++k) {
            outline.addVertexAt(static_cast<unsigned int>(k), geometry.vertices[k], geometry.bulges[k]);
        }
        outline.setClosed(true);
        outline.setElevation(elevation);
        curves.append(&outline);
    } else {
        for (const auto& edge : geometry.edges) {
            edges.emplace_back(platform::detail::EdgeEntity(*edge, elevation));
            if (edges.back() != nullptr) {
                curves.append(edges.back().get());
            }
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

const platform::dxf::Codec kCodec = {u"AcDbRegion", WriteRegion, ReadRegion};
const platform::dxf::CodecRegistration kRegistration(&kCodec);

}  // namespace
