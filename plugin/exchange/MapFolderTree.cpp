#include "plugin/exchange/MapFolderTree.h"

#include <cstring>
#include <string>

#include "plugin/core/PluginState.h"
#include "plugin/core/LinkRecord.h"
#include "plugin/maplink/linkutil.h"
#include "plugin/maplink/maplink.h"
#include "plugin/maplink/mapobj.h"
#include "plugin/maplink/mapreq.h"

CMapFolderTree g_MapFolderTree;

namespace {

std::string ToUtf8(const CString& text) {
    char utf8[kMapNameBytes];
    MapApiUtf16ToUtf8(text.GetString(), utf8, sizeof utf8);
    return utf8;
}

// The current drawing's name without its folder; a drawing never saved goes by its title.
CString CurrentDrawingName() {
    AcApDocument* doc = acDocManager->curDocument();
    if (doc == nullptr) {
        return CString();
    }
    CString path(doc->fileName());
    if (path.IsEmpty()) {
        path = doc->docTitle();
    }
    const int slash = path.ReverseFind(u'\\');
    return slash >= 0 ? path.Mid(slash + 1) : path;
}

void DeleteChain(CMapFolderNode* node) {
    while (node != nullptr) {
        CMapFolderNode* next = node->m_next;
        DeleteChain(node->m_firstChild);
        delete node;
        node = next;
    }
}

void Append(CMapFolderNode*& first, CMapFolderNode* node) {
    CMapFolderNode** slot = &first;
    while (*slot != nullptr) {
        slot = &(*slot)->m_next;
    }
    *slot = node;
}

CMapFolderNode* FindByName(CMapFolderNode* first, const CString& name) {
    for (CMapFolderNode* node = first; node != nullptr; node = node->m_next) {
        if (node->m_folderName == name) {
            return node;
        }
    }
    return nullptr;
}

// The folders under the parent, as the 20100 answer lists them. A missing or empty answer lists none: an
// earlier list is never read again.
bool ListFolders(uint32_t parentId) {
    g_MapFolderList.clear();
    const int rc = MapApiListFolders(&g_MapApiLink, parentId);
    if (rc < 0) {
        ShowApiError(rc);
        return false;
    }
    return true;
}

}  // namespace

CString MapFolderName(const CString& name) {
    return MultiByteToCString(ToUtf8(name).c_str());
}

CMapFolderTree::~CMapFolderTree() {
    Clear();
}

CMapFolderNode* CMapFolderTree::NewNode() {
    return new CMapFolderNode;
}

bool CMapFolderTree::HasLayerFolder(const CString& drawingName, const CString& layerName) {
    m_workspaceId = FindOrCreateFolder(kWorkspaceFolderName, 0, false);
    if (m_workspaceId == 0 || drawingName.IsEmpty() || layerName.IsEmpty() || m_firstDrawing == nullptr) {
        return false;
    }
    const CString drawingMapName = MapFolderName(drawingName);
    const CString layerMapName = MapFolderName(layerName);
    for (CMapFolderNode* drawing = m_firstDrawing; drawing != nullptr; drawing = drawing->m_next) {
        if (drawing->m_folderName == drawingMapName &&
            FindByName(drawing->m_firstChild, layerMapName) != nullptr) {
            return true;
        }
    }
    return false;
}

bool CMapFolderTree::RemoveNode(const CString& name) {
    const CString mapName = MapFolderName(name);
    for (CMapFolderNode** slot = &m_firstDrawing; *slot != nullptr; slot = &(*slot)->m_next) {
        CMapFolderNode* drawing = *slot;
        if (drawing->m_folderName == mapName) {
            *slot = drawing->m_next;
            drawing->m_next = nullptr;
            DeleteChain(drawing);
            return true;
        }
        for (CMapFolderNode** layer = &drawing->m_firstChild; *layer != nullptr; layer = &(*layer)->m_next) {
            if ((*layer)->m_folderName == mapName) {
                CMapFolderNode* gone = *layer;
                *layer = gone->m_next;
                gone->m_next = nullptr;
                DeleteChain(gone);
                return true;
            }
        }
    }
    return false;
}

void CMapFolderTree::Clear() {
    DeleteChain(m_firstDrawing);
    m_firstDrawing = nullptr;
}

uint32_t CMapFolderTree::FindOrCreateFolder(const CString& name, uint32_t parentId, bool create) {
    // The name is cut once, as the map application keeps it, so the search finds what a creation made.
    const CString mapName = MapFolderName(name);
    const std::string utf8 = ToUtf8(mapName);
    g_strFolderToFind = mapName;
    g_nFoundFolderId = 0;
    const int rc = MapApiFindFolder(&g_MapApiLink, utf8.c_str(), parentId, kMapTypeFolder);
    if (rc < 0) {
        return 0;
    }
    if (g_nFoundFolderId != 0) {
        return g_nFoundFolderId;
    }
    if (parentId == 0) {
        Clear();  // the workspace itself is gone: every cached node is stale
    }
    if (!create) {
        return 0;
    }
    MapFolderObj* folder = MapApiNewFolder(&g_MapApiLink);
    if (folder == nullptr) {
        return 0;
    }
    std::strncpy(folder->m_szName, utf8.c_str(), kMapNameBytes - 1);
    INT64 newId = 0;
    const int sent = SendMapObjectType30(&g_MapApiLink, folder, parentId, 0, parentId == 0 ? 1 : 0, &newId);
    MapApiFreeObj(&g_MapApiLink, folder, kMapTypeFolder);
    if (sent < 0 || newId <= 0 || newId > 0xFFFFFFFF) {
        return 0;
    }
    const auto id = static_cast<uint32_t>(newId);
    if (parentId != 0) {
        if (g_strDrawingFolderName.IsEmpty()) {
            g_strDrawingFolderName = CurrentDrawingName();
        }
        CMapFolderNode* node = NewNode();
        node->m_folderName = mapName;
        node->m_folderId = id;
        AddNode(g_strDrawingFolderName, node);
    }
    return id;
}

CMapFolderNode* CMapFolderTree::CreateFolder(uint32_t parentId, const CString& name) {
    const CString mapName = MapFolderName(name);
    MapFolderObj* folder = MapApiNewFolder(&g_MapApiLink);
    if (folder == nullptr) {
        return nullptr;
    }
    std::strncpy(folder->m_szName, ToUtf8(mapName).c_str(), kMapNameBytes - 1);
    INT64 newId = 0;
    const int sent = SendMapObjectType30(&g_MapApiLink, folder, parentId, 0, 0, &newId);
    MapApiFreeObj(&g_MapApiLink, folder, kMapTypeFolder);
    if (sent < 0 || newId <= 0 || newId > 0xFFFFFFFF) {
        return nullptr;
    }
    CMapFolderNode* node = NewNode();
    node->m_folderName = mapName;
    node->m_folderId = static_cast<uint32_t>(newId);
    return node;
}

void CMapFolderTree::RecordFolder(const CString& name, uint32_t id, bool makeLayer) {
    m_idToName.emplace(id, name);
    // Also for a known id: the answer to a send links its layer.
    if (makeLayer) {
        GetOrCreateLinkedLayer(name, id);
    }
}

bool CMapFolderTree::LoadTree() {
    if (m_firstDrawing != nullptr) {
        return true;
    }
    m_workspaceId = FindOrCreateFolder(kWorkspaceFolderName, 0, true);
    if (m_workspaceId == 0) {
        return false;
    }
    RecordFolder(kWorkspaceFolderName, m_workspaceId, false);
    if (!ListFolders(m_workspaceId)) {
        return false;
    }
    for (const auto& [id, name] : g_MapFolderList) {
        RecordFolder(name, id, false);
        CMapFolderNode* node = NewNode();
        node->m_folderName = name;
        node->m_folderId = id;
        Append(m_firstDrawing, node);
    }
    for (CMapFolderNode* drawing = m_firstDrawing; drawing != nullptr; drawing = drawing->m_next) {
        if (!ListFolders(drawing->m_folderId)) {
            return false;
        }
        for (const auto& [id, name] : g_MapFolderList) {
            RecordFolder(name, id, false);
            CMapFolderNode* node = NewNode();
            node->m_folderName = name;
            node->m_folderId = id;
            Append(drawing->m_firstChild, node);
        }
    }
    return true;
}

bool CMapFolderTree::Recheck(CMapFolderNode* node, uint32_t parentId, bool create) {
    uint32_t id = FindOrCreateFolder(node->m_folderName, parentId, false);
    if (id == 0 && create) {
        // Made again here, not through FindOrCreateFolder, whose new nodes would hang under the drawing.
        if (CMapFolderNode* made = CreateFolder(parentId, node->m_folderName)) {
            id = made->m_folderId;
            delete made;
        }
    }
    node->m_folderId = id;
    if (id != 0) {
        RecordFolder(node->m_folderName, id, false);
    }
    return id != 0;
}

uint32_t CMapFolderTree::AddLayerFolder(CMapFolderNode* drawing, const CString& layerName) {
    CMapFolderNode* layer = CreateFolder(drawing->m_folderId, layerName);
    if (layer == nullptr) {
        return 0;
    }
    Append(drawing->m_firstChild, layer);
    RecordFolder(layer->m_folderName, layer->m_folderId, false);
    return layer->m_folderId;
}

uint32_t CMapFolderTree::GetFolderId(const CString& drawingName, const CString& layerName, bool create) {
    m_workspaceId = FindOrCreateFolder(kWorkspaceFolderName, 0, true);
    if (m_workspaceId == 0) {
        return 0;
    }
    if (drawingName.IsEmpty() || layerName.IsEmpty()) {
        return m_workspaceId;
    }
    if (!LoadTree()) {
        return 0;
    }
    const CString drawingMapName = MapFolderName(drawingName);
    const CString layerMapName = MapFolderName(layerName);
    if (m_firstDrawing == nullptr) {
        // An empty workspace: the drawing's folders are made whatever the caller asked.
        CMapFolderNode* drawing = CreateFolder(m_workspaceId, drawingMapName);
        if (drawing == nullptr) {
            return 0;
        }
        m_firstDrawing = drawing;
        RecordFolder(drawing->m_folderName, drawing->m_folderId, false);
        return AddLayerFolder(drawing, layerMapName);
    }
    // Only the drawing's own node and the layer's own node are looked up again: a stale node of another
    // drawing or layer neither fails the call nor is made again in the map application.
    if (CMapFolderNode* drawing = FindByName(m_firstDrawing, drawingMapName)) {
        if (!Recheck(drawing, m_workspaceId, create)) {
            return 0;
        }
        if (CMapFolderNode* layer = FindByName(drawing->m_firstChild, layerMapName)) {
            return Recheck(layer, drawing->m_folderId, create) ? layer->m_folderId : 0;
        }
        return create ? AddLayerFolder(drawing, layerMapName) : 0;
    }
    if (!create) {
        return 0;
    }
    CMapFolderNode* drawing = CreateFolder(m_workspaceId, drawingMapName);
    if (drawing == nullptr) {
        return 0;
    }
    Append(m_firstDrawing, drawing);
    RecordFolder(drawing->m_folderName, drawing->m_folderId, false);
    return AddLayerFolder(drawing, layerMapName);
}

void CMapFolderTree::AddNode(const CString& drawingName, CMapFolderNode* node) {
    if (drawingName.IsEmpty() || node == nullptr || m_firstDrawing == nullptr) {
        delete node;
        return;
    }
    const CString drawingMapName = MapFolderName(drawingName);
    CMapFolderNode* drawing = FindByName(m_firstDrawing, drawingMapName);
    if (drawing == nullptr) {
        Append(m_firstDrawing, node);
        RecordFolder(node->m_folderName, node->m_folderId, false);
        return;
    }
    if (node->m_folderId != 0) {
        if (CMapFolderNode* layer = FindByName(drawing->m_firstChild, node->m_folderName)) {
            layer->m_folderId = node->m_folderId;
            delete node;
            return;
        }
    }
    Append(drawing->m_firstChild, node);
    RecordFolder(node->m_folderName, node->m_folderId, false);
}
