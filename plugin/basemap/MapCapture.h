// Map captures (one region of the drawing rendered by the map application into a PNG beside the drawing)
// and the whole-view map image of a drawing: written from the map application's picture and inserted, or
// removed again with its file. The capture's steps are members of CBaseMapLayer (its own source).
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

// ---- Names and sizes, pure functions
// The folder of a drawing's captures: its file name without the extension ("." only after the last "\").
CString CaptureFolder(const CString& drawingPath);
// The capture's file in that folder: "\<name>.png", or without a name the key of map id, region and level.
CString CaptureFileName(const CString& folder, const CString& name, uint32_t mapId, int level, double minX,
                        double minY, double maxX, double maxY);
// Pixels of a region at a resolution (units per pixel, the level's Y resolution for both sides); false when
// the resolution or the region gives no whole number of pixels that fits 32 bits.
bool CapturePixels(double resolution, double minX, double minY, double maxX, double maxY, uint32_t& width,
                   uint32_t& height);
// The whole-view image's file: plugin folder + "\MapTemp\" + drawing file name + "_<layer key>.png".
CString WholeViewFileName(const CString& pluginFolder, const CString& drawingName, uint32_t layerKey);
