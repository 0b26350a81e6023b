#include "plugin/basemap/BaseMapState.h"

#include "plugin/basemap/MapFileRequest.h"
#include "plugin/basemap/SetCoorDlg.h"

void ResetBaseMapState() {
    g_nMapFileSerial = 1;
    g_AssocPoint = AssocPointItem{};
}
