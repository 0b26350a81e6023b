#include "platform/arx/acdb/dbregion.h"

#include <cmath>

#include "platform/arx/acdb/dbgeom.h"

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
