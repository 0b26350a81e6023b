// The boundary loops of hatches and regions in drawing files: 92 the loop type, then a polyline (72 has
// bulges, 73 closed, 93 count, 10/20 and 42 per vertex) or 93 edges, each 72 its kind (1 line, 2 arc,
// 3 elliptical arc, 4 spline) and its data; 97 the count of source objects and their 330 handles.
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

// A loop as read: the polyline form, or the edges as non-resident entities at height z.
struct ReadLoop {
    Adesk::Int32 type = 0;
    bool polyline = false;
    AcGePoint2dArray vertices;
    AcGeDoubleArray bulges;
    std::vector<std::unique_ptr<AcDbEntity>> edges;
    AcDbObjectIdArray sources;
};

// Reads the groups from i on as one loop; false when they do not make one (i is left past what was read).
bool ParseLoop(const std::vector<Group>& body, size_t& i, double z, const ReadContext& context,
               ReadLoop& loop);

}  // namespace platform::dxf
