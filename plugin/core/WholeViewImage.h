// The whole-view map image of a drawing: written from the map application's picture and inserted, or removed
// again with its file; and the point an entity's map view is centred on.
#pragma once

#include <cstdint>

#include "platform/arx/arxheaders.h"
#include "platform/mfc/cstring.h"

// Writes the picture and inserts it between the corners; 0 on success, else an error code.
int InsertMapImage(const BYTE* image, DWORD length, const AcGePoint2d& min, const AcGePoint2d& max);
// Removes the database's whole-view map image and its file; false when there was none or it failed.
bool ClearMapImages(AcDbDatabase* db);
// The point the map view is centred on for an entity: a raster image's lower-left corner, else the centre
// of its extents (a minimum corner of exactly (0, 0) taken as the maximum); (0, 0, 0) without extents.
AcGePoint3d& GetEntityExtents(AcGePoint3d& point, const AcDbEntity* entity);

// The whole-view image's file: plugin folder + "\MapTemp\" + drawing file name + "_<layer key>.png".
CString WholeViewFileName(const CString& pluginFolder, const CString& drawingName, uint32_t layerKey);
