// Raster images in the drawing: image definitions found or made by name, images inserted between two
// corners at the bottom of the draw order, images erased again with their definitions.
#pragma once

#include <map>

#include "platform/arx/arxheaders.h"
#include "platform/mfc/cstring.h"

// The plug-in's statics that the raster images use, defined with them (the plug-in core sets the colour at
// start-up): the definition name of the whole-view map image ("TARN_IMG"), per database the image last
// inserted under it (a missing entry reads as the null id), and the colour every map image and point icon
// first receives; and per database the file its whole-view image was written to, the one file its clearing
// may delete.
extern CString g_strImageName;
extern std::map<AcDbDatabase*, AcDbObjectId> g_WholeViewImages;
extern std::map<AcDbDatabase*, CString> g_WholeViewFiles;
extern AcCmColor g_ImageColor;
// The name, the table and the colour of a fresh load.
void ResetRasterImageState();

// Inserts the PNG file into model space of the working database as a raster image stretched from the
// lower-left to the upper-right corner, on the layer, at the bottom of the draw order. eOk exactly when the
// image was appended and moved to the bottom (or no draw-order table was found); imageId is then the image.
// A failure leaves no image and no definition this call made.
Acad::ErrorStatus InsertIMGFile(AcDbObjectId& imageId, AcDbObjectId layerId, const CString& imagePath,
                                const CString& name, const AcGePoint2d& lowerLeft,
                                const AcGePoint2d& upperRight);
// As above on the layer of that name, which is made when missing.
Acad::ErrorStatus InsertIMGFile(AcDbObjectId& imageId, const CString& layerName, const CString& imagePath,
                                const CString& name, const AcGePoint2d& lowerLeft,
                                const AcGePoint2d& upperRight);

// The named definition of the working database, made and loaded from the file when missing; null on failure.
AcDbObjectId GetRasterImgDefId(const CString& name, const CString& imagePath);

// The block's draw-order table opened for write, made when missing; null on failure. The caller closes it.
AcDbSortentsTable* GetSortentsTable(AcDbBlockTableRecord* block);

// Erases the image, its definition and the definition's dictionary entry under name (db null: the working
// database). Failures are reported on the command line or in a message box; an image on a locked layer is
// erased with its layer unlocked for the moment.
void ClearCacheMap(AcDbObjectId imageId, const CString& name, AcDbDatabase* db = nullptr);
// Erases the database's whole-view map image (db null: the working database) and forgets it. An image on a
// locked layer goes too. False when the image stays (it is then still the database's whole-view image).
bool ClearCurMapImage(AcDbDatabase* db = nullptr);

// The current document's file name after its last backslash (the whole name when it has none).
CString GetCurDwgFileName();
