// Multilines: parallel lines along a list of vertices, open or closed. The stand-in keeps the vertices (the
// multiline's reference line) and the closed flag; styles and element offsets are not modelled.
#pragma once

#include <vector>

#include "platform/arx/acdb/dbentity.h"

class AcDbMline : public AcDbEntity {
    TARN_DB_DECLARE_MEMBERS(AcDbMline)
public:
    AcDbMline() = default;

    int numVertices() const { return static_cast<int>(m_vertices.size()); }
    // The origin for an index out of range.
    AcGePoint3d vertexAt(int index) const;
    Acad::ErrorStatus appendSeg(const AcGePoint3d& point);
    bool closedMline() const { return m_closed; }
    Acad::ErrorStatus setClosedMline(bool closed);

    Acad::ErrorStatus transformBy(const AcGeMatrix3d& matrix) override;
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;

private:
    std::vector<AcGePoint3d> m_vertices;
    bool m_closed = false;
};
