// Images made from PNG data: an RGBA image of the host's imaging library built from one of the plug-in's PNG
// resources (pure black and pure white become transparent) or from PNG bytes in memory (the whole-view map
// image), handed to an image definition that holds it.
#pragma once

#include "platform/arx/arxheaders.h"
#include "platform/imaging/rgbaimage.h"
#include "platform/mfc/cstring.h"

// The PNG resource of the plug-in's module as an RGBA image, or null (missing resource, damaged PNG, a PNG
// that is not 24 bits a pixel). The caller deletes the image.
Atil::RgbaImage* LoadPngResImage(UINT resourceId);
// The named definition of the working database, made from the PNG resource when missing; null on failure.
AcDbObjectId GetResImgDefId(const CString& name, UINT resourceId);
// Inserts PNG bytes as the whole-view map image of the working database between the corners, on the current
// layer, at the bottom of the draw order; its size in pixels comes back in width and height (0 when the
// definition was there already).
Acad::ErrorStatus InsertImg(const BYTE* bytes, UINT count, const AcGePoint2d& lowerLeft,
                            const AcGePoint2d& upperRight, UINT& width, UINT& height);
