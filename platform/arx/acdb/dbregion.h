// Region entities: the area inside one closed boundary in a level plane. createFromCurves makes one region
// for each closed boundary found among the curves: a closed curve alone, or open curves joined end to end.
#pragma once

#include "platform/arx/acdb/dbentity.h"
#include "platform/arx/acdb/dbloop.h"

class AcDbRegion : public AcDbEntity {
    TARN_DB_DECLARE_MEMBERS(AcDbRegion)
public:
    AcDbRegion() = default;

    // The curves (AcDbCurve pointers; they are not changed or taken) as new non-resident regions appended
    // to regions, which the caller deletes. eInvalidInput (nothing appended) when a pointer is null or not a
    // curve, or when the curves close no boundary. Open curves that close no boundary are left out.
    static Acad::ErrorStatus createFromCurves(const AcDbVoidPtrArray& curveSegments,
                                              AcDbVoidPtrArray& regions);

    bool isNull() const { return m_loop.edges.empty(); }
    AcGeVector3d normal() const { return AcGeVector3d::kZAxis; }
    double elevation() const { return m_elevation; }
    Acad::ErrorStatus getArea(double& area) const;
    Acad::ErrorStatus getPerimeter(double& perimeter) const;

    // As the hatch's (level plane kept).
    Acad::ErrorStatus transformBy(const AcGeMatrix3d& matrix) override;
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;
    // The boundary as lines, arcs, circles, ellipses and splines with the region's properties.
    Acad::ErrorStatus explode(AcDbVoidPtrArray& entities) const override;

    // The boundary (stand-in internals).
    const platform::detail::CurveLoop& tarnLoop() const { return m_loop; }

private:
    platform::detail::CurveLoop m_loop;
    double m_elevation = 0.0;
};

namespace platform::detail {

// The planar part of a level-keeping matrix with one scale factor: eOk and the plane matrix and the new
// elevation, else the status to give.
Acad::ErrorStatus LevelTransform(const AcGeMatrix3d& matrix, double elevation, AcGeMatrix2d& planar,
                                 double& newElevation);

}  // namespace platform::detail
