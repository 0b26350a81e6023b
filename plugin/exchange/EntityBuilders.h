// Map objects built as drawing entities.
#pragma once

#include "platform/arx/arxheaders.h"

struct MapMarkObj;

// The marker's entities on the layer (the current layer when null); with lock the builder locks the current
// document itself. The null id when nothing was built.
AcDbObjectId CreateSignEntities(MapMarkObj* marker, const ACHAR* layerName, bool lock);
