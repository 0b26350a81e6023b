// Temporary bodies of the raster-image operations until their own file lands: nothing is made.
#include "plugin/basemap/RasterImage.h"

AcDbObjectId GetRasterImgDefId(const CString&, const CString&) {
    return AcDbObjectId();
}

bool WritePngResourceFile(UINT, const CString&) {
    return false;
}
