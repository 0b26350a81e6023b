#include "plugin/exchange/ExchangeState.h"

#include "plugin/exchange/EntityConvert.h"
#include "plugin/exchange/MapFolderTree.h"
#include "plugin/exchange/Reactors.h"
#include "plugin/exchange/SendRoad.h"

void ResetExchangeState() {
    g_MapFolderTree.Clear();
    g_MapFolderTree.m_idToName.clear();
    g_MapFolderTree.m_workspaceId = 0;
    g_bFirstCommand = 1;
    g_bCommandStarted = 0;
    g_bZoomFactorAsk = 0;
    g_nCurrentColor = 0;
    ResetSendRoadState();
}
