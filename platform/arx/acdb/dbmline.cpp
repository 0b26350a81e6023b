#include "platform/arx/acdb/dbmline.h"

#include <cmath>

#include "platform/arx/acdb/dbextents.h"

// Multilines are made in memory only: drawing files keep theirs as read.
TARN_RX_DEFINE(AcDbMline, AcDbEntity, u"", nullptr, 0)

AcGePoint3d AcDbMline::vertexAt(int index) const {
    if (index < 0 || index >= numVertices()) {
        return AcGePoint3d(0.0, 0.0, 0.0);
    }
    return m_vertices[static_cast<size_t>(index)];
}

Acad::ErrorStatus AcDbMline::appendSeg(const AcGePoint3d& point) {
    if (!std::isfinite(point.x) || !std::isfinite(point.y) || !std::isfinite(point.z)) {
        return Acad::eInvalidInput;
    }
    std::vector<AcGePoint3d> vertices = m_vertices;
    vertices.push_back(point);
    return tarnSet(m_vertices, vertices);
}

Acad::ErrorStatus AcDbMline::setClosedMline(bool closed) {
    return tarnSet(m_closed, closed);
}

Acad::ErrorStatus AcDbMline::transformBy(const AcGeMatrix3d& matrix) {
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es != Acad::eOk) {
        return es;
    }
    for (AcGePoint3d& vertex : m_vertices) {
        vertex.transformBy(matrix);
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
