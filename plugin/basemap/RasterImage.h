// Raster images in the drawing: image definitions found or made by name, images inserted between two
// corners at the bottom of the draw order, images erased again with their definitions.
#pragma once

#include "platform/arx/arxheaders.h"
#include "platform/mfc/cstring.h"

// The named definition of the working database, made and loaded from the file when missing; null on failure.
AcDbObjectId GetRasterImgDefId(const CString& name, const CString& imagePath);

// Writes one of the plug-in's own PNG resources to a file, as the point icon's file is made on first use.
bool WritePngResourceFile(UINT resourceId, const CString& path);
