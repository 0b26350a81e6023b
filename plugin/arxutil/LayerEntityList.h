// Entity ids grouped by layer: one node a layer, in the order the layers were first met, ids in the order
// they were added. The list owns its nodes.
#pragma once

#include "platform/arx/arxheaders.h"
#include "platform/mfc/cstring.h"

struct CLayerEntityNode {
    AcDbObjectIdArray m_entIds{0, 8};
    CString m_layerName;
    CLayerEntityNode* m_pNext = nullptr;
};

class CLayerEntityList {
public:
    CLayerEntityList() = default;
    ~CLayerEntityList();
    // The nodes are owned: a copy would free them twice.
    CLayerEntityList(const CLayerEntityList&) = delete;
    CLayerEntityList& operator=(const CLayerEntityList&) = delete;

    // Adds the id to the node of the layer (names compared case-sensitively), making the node when the
    // layer is new.
    void Add(AcDbObjectId entId, const CString& layerName);

    CLayerEntityNode* m_pFirst = nullptr;
    CLayerEntityNode* m_pCursor = nullptr;  // the node used last
};
