// Per-drawing sync state: the drawing's bindings between entities and map objects and its base map, kept in
// a registry by drawing and made current when the drawing is activated.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "plugin/basemap/BaseMapLayer.h"

// The binding of one entity (or layer) to one map object.
struct CBindingRecord {
    UINT m_nEntityKey = 0;
    DWORD m_nMapId = 0;
};

class CDocSyncState {
public:
    CString m_strFileName;
    std::map<DWORD, UINT> m_reverse;  // map object id -> entity key
    CBaseMapLayer m_baseMap;
};

class CDocSyncRegistry {
public:
    // The drawing's state, created when missing and create is set; null for a drawing without a file name.
    CDocSyncState* GetDocState(const CString& fileName, bool create);
    void RemoveDocState(const CString& fileName);
    void ClearAll();

    CDocSyncState* m_pCurrent = nullptr;

private:
    std::map<CString, std::unique_ptr<CDocSyncState>> m_states;
};

extern CDocSyncRegistry g_DocSyncRegistry;

// The current drawing's state, null when there is none.
inline CDocSyncState* CurrentDocState() {
    return g_DocSyncRegistry.m_pCurrent;
}

// Reads the bindings of the database's model-space entities (all layers when layer is null) into records
// that the current state owns.
void GetEntProperty(std::vector<CBindingRecord*>& records, const ACHAR* layer, AcDbDatabase* db);
