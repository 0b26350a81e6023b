// Map captures (one region of the drawing rendered by the map application into a PNG beside the drawing). The
// whole-view map image is the core's (WholeViewImage.h). The capture's steps are members of CBaseMapLayer
// (its own source).
#pragma once

#include <cstdint>

#include "platform/arx/arxheaders.h"
#include "platform/mfc/cstring.h"
#include "plugin/core/WholeViewImage.h"

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

// Under the document lock, inserts the PNG file on the working database's current layer under the name
// between the corners, then flushes the graphics and updates the display; the insertion's status.
Acad::ErrorStatus InsertImageOnCurrentLayer(const char* utf8Path, const CString& name,
                                            const AcGePoint2d& lowerLeft, const AcGePoint2d& upperRight);
