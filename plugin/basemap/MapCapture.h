// The whole-view map image of a drawing: written from the map application's picture and inserted, or
// removed again with its file.
#pragma once

#include "platform/arx/arxheaders.h"

// Writes the picture and inserts it between the corners; 0 on success, else an error code.
int InsertMapImage(const BYTE* image, DWORD length, const AcGePoint2d& min, const AcGePoint2d& max);
// Removes the database's whole-view map image and its file; false when there was none or it failed.
bool ClearMapImages(AcDbDatabase* db);
