// The plug-in's mirror of its folders in the map application: the workspace "CAD工作空间", under it one
// folder per drawing and under that one per layer, with their map folder ids; and every folder id met, by
// name.
#pragma once

#include <cstdint>
#include <map>

#include "platform/mfc/cstring.h"

inline constexpr const char16_t* kWorkspaceFolderName = u"CAD工作空间";

struct CMapFolderNode {
    CString m_folderName;
    uint32_t m_folderId = 0;
    CMapFolderNode* m_next = nullptr;        // next folder on the same level
    CMapFolderNode* m_firstChild = nullptr;  // first layer folder (drawing folders only)
};

class CMapFolderTree {
public:
    CMapFolderTree() = default;
    CMapFolderTree(const CMapFolderTree&) = delete;
    CMapFolderTree& operator=(const CMapFolderTree&) = delete;
    ~CMapFolderTree();

    static CMapFolderNode* NewNode();
    // The folder's id under the parent (0: the map's top); created when missing and create is set. 0 when
    // it is neither found nor made.
    uint32_t FindOrCreateFolder(const CString& name, uint32_t parentId, bool create);
    // A new folder in the map application and a node for it; null when it could not be made.
    CMapFolderNode* CreateFolder(uint32_t parentId, const CString& name);
    // Remembers the folder's name; with makeLayer, the drawing layer of that name is linked to the folder.
    void RecordFolder(const CString& name, uint32_t id, bool makeLayer);
    bool LoadTree();
    // The layer folder of the drawing folder (created as needed with create); the workspace id for an
    // empty drawing or layer name; 0 on failure.
    uint32_t GetFolderId(const CString& drawingName, const CString& layerName, bool create);
    // Hangs the node under the drawing folder of that name (taking ownership).
    void AddNode(const CString& drawingName, CMapFolderNode* node);
    // Whether the loaded tree holds the layer folder under the drawing folder; the workspace is looked up
    // (not made) first, and its id kept.
    bool HasLayerFolder(const CString& drawingName, const CString& layerName);
    // Removes the first drawing node of that name with its layer nodes or, met first, a layer node of that
    // name; false when there is none.
    bool RemoveNode(const CString& name);
    const std::map<uint32_t, CString>& GetIdMap() const { return m_idToName; }
    void Clear();

    CMapFolderNode* m_firstDrawing = nullptr;  // null: not loaded
    std::map<uint32_t, CString> m_idToName;
    uint32_t m_workspaceId = 0;

private:
    // Re-checks a cached node by name under its parent, storing the answer; false when it is gone for good.
    bool Recheck(CMapFolderNode* node, uint32_t parentId, bool create);
    // Makes the layer folder under the drawing node and appends its node; 0 on failure.
    uint32_t AddLayerFolder(CMapFolderNode* drawing, const CString& layerName);
};

extern CMapFolderTree g_MapFolderTree;

// A folder name as the map application keeps it: UTF-8 cut once, at a character boundary, to 99 bytes.
// Every search, creation and comparison uses this form, so a long name is found again.
CString MapFolderName(const CString& name);
