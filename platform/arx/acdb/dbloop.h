// Plane boundaries built from curve entities (internal to hatches and regions): the pieces of a curve seen
// from above, chains of pieces joined end to end, closed loops, and entities made back from pieces.
#pragma once

#include <memory>
#include <vector>

#include "platform/arx/acdb/dbentity.h"
#include "platform/arx/acdb/dbplinepath.h"

namespace platform::detail {

using Pieces = std::vector<std::unique_ptr<AcGeCurve2d>>;

// The fit data a spline edge came with from a drawing file: kept beside the edge so that a save gives it
// back (the curve itself is its control points). Zero tangents were not given.
struct EdgeFit {
    AcGePoint2dArray points;
    AcGeVector2d startTangent;
    AcGeVector2d endTangent;
};

// A closed boundary in the XY plane: a polyline loop (vertices and bulges, the last vertex joined back to
// the first) or an edge loop (curves joined end to end, the last one ending where the first starts).
struct CurveLoop {
    CurveLoop() = default;
    CurveLoop(const CurveLoop& other) { *this = other; }
    CurveLoop& operator=(const CurveLoop& other);
    CurveLoop(CurveLoop&&) noexcept = default;
    CurveLoop& operator=(CurveLoop&&) noexcept = default;

    bool polylineForm = false;
    AcGePoint2dArray vertices;
    AcGeDoubleArray bulges;
    Pieces edges;
    // One per edge when any edge has fit data, else empty.
    std::vector<EdgeFit> fits;

    // The loop as a closed plane path (polyline form only).
    PlinePath path() const;
    // Matrices that keep circles circular (callers check); a mirroring turns the bulges round.
    void transformBy(const AcGeMatrix2d& matrix);
    void addExtents(double z, AcDbExtents& box) const;
    // Counter-clockwise positive; edge loops are measured on fine samples.
    double signedArea() const;
    double perimeter() const;
};

// Whether two joining ends meet: within 1e-6, or a relative 1e-9 for large coordinates.
bool EndsMeet(const AcGePoint2d& a, const AcGePoint2d& b);

// The pieces of a curve entity seen from above, in its own direction. False for an entity that is not a
// curve, a planar curve whose plane is not level, or degenerate geometry. closed: the curve closes by
// itself.
bool CurvePieces(const AcDbEntity* entity, Pieces& pieces, bool& closed);
// A closed lightweight or 2D polyline as a polyline loop (its vertices seen from above); false otherwise.
bool PolylineLoop(const AcDbEntity* entity, CurveLoop& loop);
// Joins the parts (each a run of pieces) end to end into one closed chain, turning parts round where
// needed, in any order. False when they do not make exactly one closed chain.
bool ChainClosed(std::vector<Pieces>& parts, Pieces& chain);
// Joins as many closed chains as the parts make (parts that close no chain are dropped).
std::vector<Pieces> ChainAllClosed(std::vector<Pieces>& parts);

// The edge-type code of a piece: 1 line, 2 circular arc, 3 elliptical arc, 4 spline (0 for others).
int EdgeTypeOf(const AcGeCurve2d& edge);
// A new non-resident entity for a piece at height z: a line, an arc or circle, an ellipse or a spline.
AcDbEntity* EdgeEntity(const AcGeCurve2d& edge, double z);

}  // namespace platform::detail
