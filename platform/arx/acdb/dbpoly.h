// Polylines with vertex objects: the 2D polyline (vertices in the plane of its normal, with bulges and
// widths) and the 3D polyline (straight segments through points in space).
//
// The vertices belong to their polyline and are not resident in the database: they have no object ids.
// Walk them with vertexIterator() and read each through the iterator's entity(); the pointer is the
// polyline's own vertex, valid while the polyline is unchanged — never close or delete it. appendVertex
// takes ownership of a new vertex.
#pragma once

#include <memory>
#include <vector>

#include "platform/arx/acdb/dbentity.h"
#include "platform/arx/acdb/dbplinepath.h"

namespace AcDb {

enum Poly2dType { k2dSimplePoly = 0, k2dFitCurvePoly = 1, k2dQuadSplinePoly = 2, k2dCubicSplinePoly = 3 };
enum Poly3dType { k3dSimplePoly = 0, k3dQuadSplinePoly = 1, k3dCubicSplinePoly = 2 };
enum Vertex2dType { k2dVertex = 0, k2dSplineCtlVertex = 1, k2dSplineFitVertex = 2, k2dCurveFitVertex = 3 };
enum Vertex3dType { k3dSimpleVertex = 0, k3dControlVertex = 1, k3dFitVertex = 2 };

}  // namespace AcDb

class AcDbVertex : public AcDbEntity {
    TARN_RX_DECLARE_MEMBERS(AcDbVertex)
};

class AcDb2dVertex : public AcDbVertex {
    TARN_DB_DECLARE_MEMBERS(AcDb2dVertex)
public:
    AcDb2dVertex() = default;
    // The position is in the polyline's plane coordinates (z is its elevation).
    explicit AcDb2dVertex(const AcGePoint3d& position, double bulge = 0.0, double startWidth = 0.0,
                          double endWidth = 0.0)
        : m_position(position), m_bulge(bulge), m_startWidth(startWidth), m_endWidth(endWidth) {}

    AcGePoint3d position() const { return m_position; }
    Acad::ErrorStatus setPosition(const AcGePoint3d& position);
    double bulge() const { return m_bulge; }
    Acad::ErrorStatus setBulge(double bulge);
    double startWidth() const { return m_startWidth; }
    double endWidth() const { return m_endWidth; }
    Acad::ErrorStatus setStartWidth(double width);
    Acad::ErrorStatus setEndWidth(double width);
    AcDb::Vertex2dType vertexType() const { return m_type; }
    void tarnSetVertexType(AcDb::Vertex2dType type) { m_type = type; }

private:
    AcGePoint3d m_position{0.0, 0.0, 0.0};
    double m_bulge = 0.0;
    double m_startWidth = 0.0;
    double m_endWidth = 0.0;
    AcDb::Vertex2dType m_type = AcDb::k2dVertex;
};

class AcDb3dPolylineVertex : public AcDbVertex {
    TARN_DB_DECLARE_MEMBERS(AcDb3dPolylineVertex)
public:
    AcDb3dPolylineVertex() = default;
    explicit AcDb3dPolylineVertex(const AcGePoint3d& position) : m_position(position) {}

    AcGePoint3d position() const { return m_position; }
    Acad::ErrorStatus setPosition(const AcGePoint3d& position);
    AcDb::Vertex3dType vertexType() const { return m_type; }
    void tarnSetVertexType(AcDb::Vertex3dType type) { m_type = type; }

private:
    AcGePoint3d m_position{0.0, 0.0, 0.0};
    AcDb::Vertex3dType m_type = AcDb::k3dSimpleVertex;
};

// Walks the entities of a container (here the vertices of a polyline) as they were when it was made.
class AcDbObjectIterator {
public:
    explicit AcDbObjectIterator(std::vector<AcDbEntity*> entities) : m_entities(std::move(entities)) {}
    // Over resident objects (a reference's attributes): entity() is null, objectId() the id.
    explicit AcDbObjectIterator(std::vector<AcDbObjectId> ids)
        : m_entities(ids.size(), nullptr), m_ids(std::move(ids)) {}

    void start(bool atEnd = false);
    bool done() const { return m_index < 0 || m_index >= static_cast<long>(m_entities.size()); }
    void step(bool backwards = false, bool skipErased = true);
    AcDbEntity* entity() const { return done() ? nullptr : m_entities[static_cast<size_t>(m_index)]; }
    // Vertices are not resident: always the null id.
    AcDbObjectId objectId() const {
        return done() || m_ids.empty() ? AcDbObjectId() : m_ids[static_cast<size_t>(m_index)];
    }

private:
    std::vector<AcDbEntity*> m_entities;
    std::vector<AcDbObjectId> m_ids;
    long m_index = 0;
};

namespace platform::detail {

// Vertices owned by value: copies are deep, and owned vertices are not counted as loose objects.
template <class V>
class OwnedVertices {
public:
    OwnedVertices() = default;
    OwnedVertices(const OwnedVertices& other) { copyFrom(other); }
    OwnedVertices& operator=(const OwnedVertices& other) {
        if (this != &other) {
            items.clear();
            copyFrom(other);
        }
        return *this;
    }
    void adopt(V* vertex) {
        vertex->tarnMarkSnapshot();
        items.emplace_back(vertex);
    }
    std::vector<AcDbEntity*> pointers() const {
        std::vector<AcDbEntity*> list;
        for (const auto& v : items) {
            list.push_back(v.get());
        }
        return list;
    }

    std::vector<std::unique_ptr<V>> items;

private:
    void copyFrom(const OwnedVertices& other) {
        for (const auto& v : other.items) {
            adopt(new V(*v));
        }
    }
};

}  // namespace platform::detail

class AcDb2dPolyline : public AcDbCurve {
    TARN_DB_DECLARE_MEMBERS(AcDb2dPolyline)
public:
    AcDb2dPolyline() = default;
    // Vertices at the points (their z is replaced by the elevation) with the widths and, when given, the
    // bulges (one per point).
    AcDb2dPolyline(AcDb::Poly2dType type, const AcGePoint3dArray& vertices, double elevation = 0.0,
                   bool closed = false, double defStartWidth = 0.0, double defEndWidth = 0.0,
                   const AcGeDoubleArray* bulges = nullptr);

    AcDb::Poly2dType polyType() const { return m_type; }
    Acad::ErrorStatus setPolyType(AcDb::Poly2dType type);
    // Takes ownership of the new vertex (eInvalidInput for null or a vertex that belongs elsewhere).
    Acad::ErrorStatus appendVertex(AcDb2dVertex* vertex);
    Acad::ErrorStatus appendVertex(AcDbObjectId& id, AcDb2dVertex* vertex);
    // The caller deletes the iterator.
    AcDbObjectIterator* vertexIterator() const;

    bool isClosed() const override { return m_closed; }
    Acad::ErrorStatus makeClosed();
    Acad::ErrorStatus makeOpen();
    double elevation() const { return m_elevation; }
    Acad::ErrorStatus setElevation(double elevation);
    AcGeVector3d normal() const { return m_normal; }
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);
    double defaultStartWidth() const { return m_defStartWidth; }
    double defaultEndWidth() const { return m_defEndWidth; }

    // As the lightweight polyline's (parameters at the vertices, arcs by angle); fit and spline vertices
    // are read as plain vertices.
    Acad::ErrorStatus getStartParam(double& param) const override;
    Acad::ErrorStatus getEndParam(double& param) const override;
    Acad::ErrorStatus getStartPoint(AcGePoint3d& point) const override;
    Acad::ErrorStatus getEndPoint(AcGePoint3d& point) const override;
    Acad::ErrorStatus getPointAtParam(double param, AcGePoint3d& point) const override;
    Acad::ErrorStatus getDistAtParam(double param, double& dist) const override;
    Acad::ErrorStatus getParamAtDist(double dist, double& param) const override;
    Acad::ErrorStatus getPointAtDist(double dist, AcGePoint3d& point) const override;
    Acad::ErrorStatus getClosestPointTo(const AcGePoint3d& given, AcGePoint3d& closest,
                                        bool extend = false) const override;
    Acad::ErrorStatus getArea(double& area) const override;
    Acad::ErrorStatus transformBy(const AcGeMatrix3d& matrix) override;
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;
    Acad::ErrorStatus explode(AcDbVoidPtrArray& entities) const override;

    // The geometry as a plane path (stand-in internals).
    platform::detail::PlinePath tarnPath() const;

private:
    AcDb::Poly2dType m_type = AcDb::k2dSimplePoly;
    platform::detail::OwnedVertices<AcDb2dVertex> m_vertices;
    bool m_closed = false;
    double m_elevation = 0.0;
    AcGeVector3d m_normal{0.0, 0.0, 1.0};
    double m_defStartWidth = 0.0;
    double m_defEndWidth = 0.0;
};

class AcDb3dPolyline : public AcDbCurve {
    TARN_DB_DECLARE_MEMBERS(AcDb3dPolyline)
public:
    AcDb3dPolyline() = default;
    AcDb3dPolyline(AcDb::Poly3dType type, const AcGePoint3dArray& vertices, bool closed = false);

    AcDb::Poly3dType polyType() const { return m_type; }
    Acad::ErrorStatus appendVertex(AcDb3dPolylineVertex* vertex);
    Acad::ErrorStatus appendVertex(AcDbObjectId& id, AcDb3dPolylineVertex* vertex);
    AcDbObjectIterator* vertexIterator() const;

    bool isClosed() const override { return m_closed; }
    Acad::ErrorStatus makeClosed();
    Acad::ErrorStatus makeOpen();

    // Vertex i (control vertices left out) sits at parameter i; segments are straight.
    Acad::ErrorStatus getStartParam(double& param) const override;
    Acad::ErrorStatus getEndParam(double& param) const override;
    Acad::ErrorStatus getStartPoint(AcGePoint3d& point) const override;
    Acad::ErrorStatus getEndPoint(AcGePoint3d& point) const override;
    Acad::ErrorStatus getPointAtParam(double param, AcGePoint3d& point) const override;
    Acad::ErrorStatus getDistAtParam(double param, double& dist) const override;
    Acad::ErrorStatus getParamAtDist(double dist, double& param) const override;
    Acad::ErrorStatus getClosestPointTo(const AcGePoint3d& given, AcGePoint3d& closest,
                                        bool extend = false) const override;
    Acad::ErrorStatus transformBy(const AcGeMatrix3d& matrix) override;
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;
    // A line for each segment of non-zero length.
    Acad::ErrorStatus explode(AcDbVoidPtrArray& entities) const override;

    // The points the polyline runs through, the first again at the end when closed (stand-in internals).
    std::vector<AcGePoint3d> tarnRunPoints() const;

private:
    AcDb::Poly3dType m_type = AcDb::k3dSimplePoly;
    platform::detail::OwnedVertices<AcDb3dPolylineVertex> m_vertices;
    bool m_closed = false;
};
