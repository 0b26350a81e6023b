// The tie between a raster image and its definition: an object owned by the image and listed among the
// definition's persistent reactors, so that the definition knows which images show it. The stand-in makes one
// for every image that becomes resident with a definition (or gets one later), as files carry them.
#pragma once

#include "platform/arx/acdb/dbobject.h"

class AcDbRasterImageDefReactor : public AcDbObject {
    TARN_DB_DECLARE_MEMBERS(AcDbRasterImageDefReactor)
public:
    AcDbRasterImageDefReactor() = default;

    // The image the reactor belongs to (also its owner).
    AcDbObjectId imageId() const { return ownerId(); }
};
