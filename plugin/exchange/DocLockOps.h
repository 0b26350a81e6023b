// Work on the links or the drawing under a write lock of the current document, for callers that run outside
// a command (the hidden window's handlers, the property dialog, a drawing's start-up); the draw-order move;
// and the reload of a drawing's bindings from its entities' links.
#pragma once

#include <cstdint>
#include <vector>

#include "plugin/core/SyncState.h"
#include "platform/arx/arxheaders.h"
#include "platform/mfc/cstring.h"

// Records the folder in the folder tree; with createLayer, under the lock, the layer is made and linked.
void UpdateMapFolderUnderDocLock(CString name, uint32_t folderId, bool createLayer);
bool SaveBindingByIdUnderDocLock(CBindingRecord record);
void WriteBindingUnderDocLock(AcDbEntity* entity, CBindingRecord record);
// The entity's binding, owned by its drawing's binding table.
CBindingRecord* ReadBindingUnderDocLock(AcDbObject* object);
void EraseByHandleUnderDocLock(uint64_t handle);
// Moves the model-space entities that lie strictly inside the window to the top of the draw order.
bool MoveEntToTop(const AcGePoint2d& corner1, const AcGePoint2d& corner2);

// Reads the bindings of the database's model-space entities (only the layer's when layer is not null) into
// its drawing's binding table; the bound ones go to records (owned by the table), and bound grouped points
// and polylines rejoin their groups.
void GetEntProperty(std::vector<CBindingRecord*>& records, const ACHAR* layer, AcDbDatabase* db);
// Makes the drawing's sync state current (created when missing) and rebuilds its links from its own database.
void LoadDocumentLinks(AcApDocument* doc);
