// Lightweight polylines: vertices in the plane of the normal at an elevation, each with the bulge and the
// widths of the segment that starts at it. Segment i runs from vertex i to vertex i + 1; a closed polyline
// has a last segment back to vertex 0. Parameters: vertex i sits at parameter i, and along an arc segment
// the parameter grows with the angle. Extents are those of the centre line (widths are not counted).
#pragma once

#include "platform/arx/acdb/dbentity.h"
#include "platform/arx/acdb/dbplinepath.h"

class AcDbPolyline : public AcDbCurve {
    TARN_DB_DECLARE_MEMBERS(AcDbPolyline)
    TARN_DB_STATE(AcDbPolyline, AcDbCurve, m_path.points, m_path.bulges, m_path.closed, m_path.elevation,
                  m_path.normal, m_startWidths, m_endWidths, m_thickness)
public:
    enum SegType { kLine, kArc, kCoincident, kPoint, kEmpty };

    AcDbPolyline() = default;
    // Room for that many vertices (none are added).
    explicit AcDbPolyline(unsigned int numVerts);

    // Inserts before index (index numVerts() or more appends). Negative widths take 0.
    Acad::ErrorStatus addVertexAt(unsigned int index, const AcGePoint2d& point, double bulge = 0.0,
                                  double startWidth = -1.0, double endWidth = -1.0);
    Acad::ErrorStatus removeVertexAt(unsigned int index);
    unsigned int numVerts() const { return static_cast<unsigned int>(m_path.points.size()); }

    // eInvalidIndex for an index beyond the vertices.
    Acad::ErrorStatus getPointAt(unsigned int index, AcGePoint2d& point) const;
    // The vertex in world coordinates.
    Acad::ErrorStatus getPointAt(unsigned int index, AcGePoint3d& point) const;
    Acad::ErrorStatus setPointAt(unsigned int index, const AcGePoint2d& point);
    Acad::ErrorStatus getBulgeAt(unsigned int index, double& bulge) const;
    Acad::ErrorStatus setBulgeAt(unsigned int index, double bulge);
    Acad::ErrorStatus getWidthsAt(unsigned int index, double& startWidth, double& endWidth) const;
    Acad::ErrorStatus setWidthsAt(unsigned int index, double startWidth, double endWidth);
    // eOk and the width when every start and end width is the same; eInvalidInput otherwise (and for a
    // polyline without vertices).
    Acad::ErrorStatus getConstantWidth(double& width) const;
    Acad::ErrorStatus setConstantWidth(double width);

    bool isClosed() const override { return m_path.closed; }
    void setClosed(bool closed);
    double elevation() const { return m_path.elevation; }
    void setElevation(double elevation);
    AcGeVector3d normal() const { return m_path.normal; }
    // eInvalidInput for a zero vector.
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);
    double thickness() const { return m_thickness; }
    Acad::ErrorStatus setThickness(double thickness);
    bool hasBulges() const;
    bool isOnlyLines() const { return !hasBulges(); }

    // kEmpty for an index without a segment (no vertices, or the last vertex of an open polyline), kPoint
    // for a polyline of one vertex, kCoincident for a segment whose ends meet, kArc for a bulge, else kLine.
    SegType segType(unsigned int index) const;
    // The chord of any segment (also of an arc); eInvalidIndex without a segment.
    Acad::ErrorStatus getLineSegAt(unsigned int index, AcGeLineSeg2d& line) const;
    // The arc of a bulged segment (clockwise for a negative bulge); eInvalidInput for a straight or
    // coincident segment, eInvalidIndex without a segment.
    Acad::ErrorStatus getArcSegAt(unsigned int index, AcGeCircArc2d& arc) const;

    Acad::ErrorStatus getStartParam(double& param) const override;
    Acad::ErrorStatus getEndParam(double& param) const override;
    Acad::ErrorStatus getStartPoint(AcGePoint3d& point) const override;
    Acad::ErrorStatus getEndPoint(AcGePoint3d& point) const override;
    Acad::ErrorStatus getPointAtParam(double param, AcGePoint3d& point) const override;
    Acad::ErrorStatus getParamAtPoint(const AcGePoint3d& point, double& param) const override;
    Acad::ErrorStatus getDistAtParam(double param, double& dist) const override;
    Acad::ErrorStatus getParamAtDist(double dist, double& param) const override;
    // The nearest point of the polyline (arcs included) at the polyline's elevation.
    Acad::ErrorStatus getClosestPointTo(const AcGePoint3d& given, AcGePoint3d& closest,
                                        bool extend = false) const override;
    Acad::ErrorStatus getArea(double& area) const override;

    // Rotations, translations, uniform scalings and mirrorings (a mirroring turns the bulges round).
    Acad::ErrorStatus transformBy(const AcGeMatrix3d& matrix) override;
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;
    // A line or an arc for each segment that is not coincident, with the polyline's properties.
    Acad::ErrorStatus explode(AcDbVoidPtrArray& entities) const override;

    // The geometry (stand-in internals: hatches and regions read it).
    const platform::detail::PlinePath& tarnPath() const { return m_path; }
    // Takes the geometry of a path (widths 0).
    void tarnSetPath(const platform::detail::PlinePath& path);

private:
    bool validIndex(unsigned int index) const { return index < numVerts(); }

    platform::detail::PlinePath m_path;
    std::vector<double> m_startWidths;
    std::vector<double> m_endWidths;
    double m_thickness = 0.0;
};

namespace platform::detail {

// The non-resident entities of a plane path's segments (lines and arcs), with the properties of source.
void ExplodePath(const PlinePath& path, const AcDbEntity* source, AcDbVoidPtrArray& entities);

}  // namespace platform::detail
