// The whole-view map image of a drawing: written from the map application's picture and inserted, or removed
// again with its file; and the point an entity's map view is centred on.
#pragma once

#include <cstdint>

#include "platform/arx/arxheaders.h"
#include "platform/mfc/cstring.h"

// Farther out than this (drawing units) nothing on a map lies, even in millimetres.
constexpr double kMaxMapCoordinate = 1e12;
// Whether a coordinate the map application gives can be one: finite, within kMaxMapCoordinate of the origin.
bool IsMapCoordinate(double value);
// Whether a region the map application gives is one a picture can be placed on: its corners map coordinates,
// the maximum above and to the right of the minimum.
bool IsPlaceableMapRegion(const AcGePoint2d& min, const AcGePoint2d& max);

// Writes the picture and inserts it between the corners; 0 on success, else an error code. A region that is
// not placeable is refused (eInvalidInput) before anything is removed or written.
int InsertMapImage(const BYTE* image, DWORD length, const AcGePoint2d& min, const AcGePoint2d& max);
// Removes the database's whole-view map image and its file; false when there was none or it failed.
bool ClearMapImages(AcDbDatabase* db);
// The point the map view is centred on for an entity: a raster image's lower-left corner, else the centre
// of its extents (a minimum corner of exactly (0, 0) taken as the maximum); (0, 0, 0) without extents.
AcGePoint3d& GetEntityExtents(AcGePoint3d& point, const AcDbEntity* entity);

// The whole-view image's file: plugin folder + "\MapTemp\" + drawing file name + "_<layer key>.png".
CString WholeViewFileName(const CString& pluginFolder, const CString& drawingName, uint32_t layerKey);
