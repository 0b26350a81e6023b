// Hatch entities: a pattern filling the area inside boundary loops in the XY plane at an elevation.
//
// A loop made from boundary entities is a polyline loop when it is one closed lightweight or 2D polyline,
// and otherwise an edge loop: one closed curve (circle, whole ellipse, closed spline or polyline) or
// several open curves (lines, arcs, elliptical arcs, splines, polylines) joined end to end in any order and
// direction. Loop types are bit sets of HatchLoopType; a polyline loop also carries kPolyline.
//
// getLoopAt in edge form hands out the hatch's own curves: they belong to the hatch and stay valid while
// it is neither changed nor closed; the caller must not delete them.
#pragma once

#include <vector>

#include "platform/arx/acdb/acstring.h"
#include "platform/arx/acdb/dbentity.h"
#include "platform/arx/acdb/dbloop.h"

class AcDbHatch : public AcDbEntity {
    TARN_DB_DECLARE_MEMBERS(AcDbHatch)
public:
    enum HatchPatternType { kUserDefined = 0, kPreDefined = 1, kCustomDefined = 2 };
    enum HatchLoopType {
        kDefault = 0,
        kExternal = 1,
        kPolyline = 2,
        kDerived = 4,
        kTextbox = 8,
        kOutermost = 16,
        kNotClosed = 32,
        kSelfIntersecting = 64,
        kTextIsland = 128,
        kDuplicate = 256
    };
    enum HatchEdgeType { kLine = 1, kCirArc = 2, kEllArc = 3, kSpline = 4 };

    AcDbHatch() = default;

    HatchPatternType patternType() const { return m_patternType; }
    const ACHAR* patternName() const { return m_patternName.c_str(); }
    // Any name is accepted (eInvalidInput for null).
    Acad::ErrorStatus setPattern(HatchPatternType type, const ACHAR* name);
    bool isSolidFill() const;
    bool associative() const { return m_associative; }
    Acad::ErrorStatus setAssociative(bool associative);
    AcGeVector3d normal() const { return AcGeVector3d::kZAxis; }
    // Hatches here lie in level planes: eInvalidInput for a normal that is not +Z.
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);
    double elevation() const { return m_elevation; }
    Acad::ErrorStatus setElevation(double elevation);

    int numLoops() const { return static_cast<int>(m_loops.size()); }
    // The type bits of a loop (kDefault for an index out of range).
    Adesk::Int32 loopTypeAt(int loopIndex) const;
    // A loop from boundary entities (see above). eInvalidInput for an empty list, an entity that is not a
    // curve or that lies in a tilted plane, and curves that do not close one boundary; the status of the
    // open when an entity cannot be read. Nothing is added on failure.
    Acad::ErrorStatus appendLoop(Adesk::Int32 loopType, const AcDbObjectIdArray& dbObjIds);
    // A polyline loop: at least two vertices, bulges one per vertex or none (eInvalidInput otherwise).
    Acad::ErrorStatus appendLoop(Adesk::Int32 loopType, const AcGePoint2dArray& vertices,
                                 const AcGeDoubleArray& bulges);
    Acad::ErrorStatus removeLoopAt(int loopIndex);
    // Polyline form: the vertices and one bulge per vertex; eInvalidInput (arrays emptied) for an edge loop.
    Acad::ErrorStatus getLoopAt(int loopIndex, Adesk::Int32& loopType, AcGePoint2dArray& vertices,
                                AcGeDoubleArray& bulges) const;
    // Edge form: pointers to the hatch's own AcGeCurve2d edges and their HatchEdgeType codes;
    // eInvalidInput (arrays emptied) for a polyline loop.
    Acad::ErrorStatus getLoopAt(int loopIndex, Adesk::Int32& loopType, AcGeVoidPointerArray& edgePtrs,
                                AcGeIntArray& edgeTypes) const;
    // eOk when there is at least one loop to fill; eInvalidInput for a hatch without loops.
    Acad::ErrorStatus evaluateHatch(bool underEstimateNumLines = false);
    // The boundary entities of all loops when the hatch is associative, else none.
    Acad::ErrorStatus getAssocObjIds(AcDbObjectIdArray& dbObjIds) const;
    Acad::ErrorStatus getAssocObjIdsAt(int loopIndex, AcDbObjectIdArray& dbObjIds) const;
    // The filled area, taken as the first loop's area less that of every further loop (islands).
    Acad::ErrorStatus getArea(double& area) const;

    // Matrices that keep the plane level with one scale factor (translations, rotations about Z, uniform
    // scalings, mirrorings in a vertical plane).
    Acad::ErrorStatus transformBy(const AcGeMatrix3d& matrix) override;
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;

    // Stand-in internals for the drawing-file reader and writer: a loop kept exactly as given (edges in
    // their order and direction, fit data of spline edges) with the boundary objects it names, and a
    // loop's geometry (null for an index out of range).
    Acad::ErrorStatus tarnAppendLoop(Adesk::Int32 loopType, platform::detail::CurveLoop geometry,
                                     const AcDbObjectIdArray& dbObjIds);
    const platform::detail::CurveLoop* tarnLoopAt(int loopIndex) const;

private:
    struct Loop {
        Adesk::Int32 type = kDefault;
        platform::detail::CurveLoop geometry;
        AcDbObjectIdArray ids;
    };

    HatchPatternType m_patternType = kPreDefined;
    std::u16string m_patternName = u"SOLID";
    bool m_associative = false;
    double m_elevation = 0.0;
    std::vector<Loop> m_loops;
};
