#include "plugin/arxutil/LayerEntityList.h"

CLayerEntityList::~CLayerEntityList() {
    CLayerEntityNode* pNode = m_pFirst;
    while (pNode != nullptr) {
        CLayerEntityNode* pNext = pNode->m_pNext;
        delete pNode;
        pNode = pNext;
    }
}

void CLayerEntityList::Add(AcDbObjectId entId, const CString& layerName) {
    if (m_pCursor != nullptr && m_pCursor->m_layerName == layerName) {
        m_pCursor->m_entIds.append(entId);
        return;
    }
    CLayerEntityNode* pLast = nullptr;
    for (CLayerEntityNode* pNode = m_pFirst; pNode != nullptr; pNode = pNode->m_pNext) {
        if (pNode->m_layerName == layerName) {
            pNode->m_entIds.append(entId);
            m_pCursor = pNode;
            return;
        }
        pLast = pNode;
    }
    CLayerEntityNode* pNew = new CLayerEntityNode;
    pNew->m_layerName = layerName;
    pNew->m_entIds.append(entId);
    if (pLast == nullptr) {
        m_pFirst = pNew;
    } else {
        pLast->m_pNext = pNew;
    }
    m_pCursor = pNew;
}
