// Map objects built as drawing entities in model space of the working database.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/arx/arxheaders.h"

struct MapMarkObj;
struct MapTrackObj;
struct MapShapeObj;
struct MapMultiObj;
struct MapObjPoint;

// What a builder made of one object: nothing, one entity (its id returned), or a group of entities that it
// bound itself in the current drawing's point-group or polyline-group table (the null id returned).
enum class CBuildKind { kNothing, kSingle, kPointGroup, kTrackGroup };

// The marker's point, icon or label on the layer (the current layer when null or empty); with lock the
// builder locks the current document itself. The null id when nothing was built. A label without a level,
// when the settings give none either, builds nothing; the marker gets the font size and level it was built
// with.
AcDbObjectId CreateSignEntities(MapMarkObj* marker, const ACHAR* layerName, bool lock);
// The track's entity, or its point set or parts as a group bound under mapId (kind tells which).
AcDbObjectId CreateTrackEntities(const MapTrackObj* track, const ACHAR* layerName, uint32_t mapId,
                                 CBuildKind* kind = nullptr);
// The shape's solid hatch (its outline erased once the hatch stands).
AcDbObjectId CreateShapeEntities(const MapShapeObj* shape, const ACHAR* layerName);
// One open polyline through the items of every part, part after part.
AcDbObjectId CreateMultiPartEntity(const MapMultiObj* multi, const ACHAR* layerName);

// The turning of three or more points: 1 clockwise, -1 counter-clockwise, 0 neither (with flip the Y axis
// is taken as it is; without, mirrored).
int IsClockwise(const std::vector<AcGePoint2d>& points, bool flip);
// The label height of a font size at a map level: 2.5 x size / 22 at level 20, doubled per level below it,
// halved per level above.
double LabelHeight(int fontSize, int level);
