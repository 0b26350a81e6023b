// Point icons: a received marker shown as an icon is a small square raster image standing on its point, over
// the icon definition ("Icon", made from the plug-in's "\\Icon.png").
#pragma once

#include "platform/arx/arxheaders.h"
#include "plugin/arxutil/EntityProperty.h"

// Places the image as a size x size square whose bottom edge is centred on the point (size / 2 in integer
// division to the left). The image must be open for write.
void SetImgPointOrientation(AcDbRasterImage* image, const AcGePoint3d& point, int size);
// Appends one point icon to model space of the working database with the properties' layer and colour; the
// new image's id (also left in imageId), null on failure. Icons keep their place in the draw order.
AcDbObjectId AddImgPoint(AcDbObjectId& imageId, AcDbObjectId imageDefId, const AcGePoint3d& point, int size,
                         const CEntityProperty& properties);
// Makes the point icon's image definition ready in the working database (its file written on first use).
void LoadIconImage();
