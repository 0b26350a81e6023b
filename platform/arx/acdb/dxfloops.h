// The boundary loops of hatches and regions in drawing files: 92 the loop type, then a polyline (72 has
// bulges, 73 closed, 93 count, 10/20 and 42 per vertex) or 93 edges, each 72 its kind (1 line, 2 arc,
// 3 elliptical arc, 4 spline) and its data; 97 the count of source objects and their 330 handles.
// Arcs and elliptical arcs carry 73: 1 counter-clockwise, 0 clockwise, and then their 50/51 angles are
// those of the mirror image (the edge starts at -50 and runs clockwise to -51). A spline edge may end in
// fit data: 97 the count of fit points, 11/21 each, 12/22 and 13/23 the start and end tangents.
#pragma once

#include <memory>
#include <vector>

#include "platform/arx/acdb/dbentity.h"
#include "platform/arx/acdb/dbloop.h"
#include "platform/arx/acdb/dxfcodec.h"

class AcDbDatabase;

namespace platform::dxf {

// Writes a loop; of the source objects only those live in db are listed.
void WriteLoop(Adesk::Int32 type, const platform::detail::CurveLoop& loop, const AcDbObjectIdArray& ids,
               const AcDbDatabase* db, Writer& out);

// A loop as read: the polyline form, or the edges in the file's order and direction (with the fit data
// of spline edges that have it); the source objects the file names.
struct ReadLoop {
    Adesk::Int32 type = 0;
    platform::detail::CurveLoop geometry;
    AcDbObjectIdArray sources;
};

// Reads the groups from i on as one loop. False when they do not make one: groups missing, more vertices
// or edges claimed than follow, an edge of an unknown kind or one whose numbers give no curve. i is left
// past what was read (past the whole loop when only an edge's numbers were wrong).
bool ParseLoop(const std::vector<Group>& body, size_t& i, const ReadContext& context, ReadLoop& loop);

}  // namespace platform::dxf
