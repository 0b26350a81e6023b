#include "plugin/exchange/DocLockOps.h"

#include "plugin/arxutil/DocWriteLock.h"
#include "plugin/arxutil/EntityUtil.h"
#include "plugin/arxutil/SelectUtil.h"
#include "plugin/core/RasterImage.h"
#include "plugin/core/LinkRecord.h"
#include "plugin/exchange/MapFolderTree.h"
#include "platform/mfc/msgbox.h"

namespace {

void ShowError(const char16_t* format, Acad::ErrorStatus es) {
    CString text;
    text.Format(format, static_cast<int>(es));
    AfxMessageBox(text);
}

}  // namespace

void UpdateMapFolderUnderDocLock(CString name, uint32_t folderId, bool createLayer) {
    if (!createLayer) {
        g_MapFolderTree.RecordFolder(name, folderId, false);
        return;
    }
    CDocWriteLock lock;
    if (lock.Locked()) {
        g_MapFolderTree.RecordFolder(name, folderId, true);
    }
}

bool SaveBindingByIdUnderDocLock(CBindingRecord record) {
    CDocWriteLock lock;
    return lock.Locked() && SaveLinkRecordById(record);
}

void WriteBindingUnderDocLock(AcDbEntity* entity, CBindingRecord record) {
    CDocWriteLock lock;
    if (lock.Locked()) {
        SaveEntityLinkRecord(entity, record);
    }
}

CBindingRecord* ReadBindingUnderDocLock(AcDbObject* object) {
    CDocWriteLock lock;
    return lock.Locked() ? GetLinkRecord(object, true) : nullptr;
}

void EraseByHandleUnderDocLock(uint64_t handle) {
    CDocWriteLock lock;
    if (lock.Locked()) {
        CEntityUtil::EraseByHandle(handle);
    }
}

bool MoveEntToTop(const AcGePoint2d& corner1, const AcGePoint2d& corner2) {
    CDocWriteLock lock;
    if (!lock.Locked()) {
        return false;
    }
    AcDbObjectIdArray ids;
    CSelectUtil::GetEntityIdsInWindow(corner1, corner2, ids);
    AcDbDatabase* db = acdbHostApplicationServices()->workingDatabase();
    if (db == nullptr) {
        return false;
    }
    AcDbBlockTable* blocks = nullptr;
    Acad::ErrorStatus es = db->getBlockTable(blocks, AcDb::kForRead);
    if (es != Acad::eOk) {
        ShowError(u"MoveEntToTop1 ErrorCode:%d", es);
        return false;
    }
    // Written to: the draw-order table is made in its extension dictionary when missing.
    AcDbBlockTableRecord* model = nullptr;
    es = blocks->getAt(ACDB_MODEL_SPACE, model, AcDb::kForWrite);
    if (es != Acad::eOk) {
        blocks->close();
        ShowError(u"MoveEntToTop2 ErrorCode:%d", es);
        return false;
    }
    AcDbSortentsTable* order = GetSortentsTable(model);
    model->close();
    blocks->close();
    if (order == nullptr) {
        return false;
    }
    // Only the draw order changes: the entities stay where they are.
    order->moveToTop(ids);
    order->close();
    return true;
}

void GetEntProperty(std::vector<CBindingRecord*>& records, const ACHAR* layer, AcDbDatabase* db) {
    if (db == nullptr) {
        return;
    }
    // The drawing that holds the database is locked and read, whichever drawing is current.
    AcApDocument* doc = acDocManager->document(db);
    CDocWriteLock lock(doc != nullptr ? doc : acDocManager->curDocument());
    if (!lock.Locked()) {
        return;  // the bindings stay as they are
    }
    CDocSyncState* state = g_DocSyncRegistry.FindDocState(db);
    if (state == nullptr) {
        state = g_DocSyncRegistry.GetDocState(doc, true);
    }
    if (state == nullptr) {
        return;  // a database of no open drawing has no table to read into
    }

    AcDbObjectId layerId;
    if (layer != nullptr) {
        AcDbLayerTable* layers = nullptr;
        const Acad::ErrorStatus es = db->getLayerTable(layers, AcDb::kForRead);
        if (es != Acad::eOk) {
            ShowError(u"GetEntProperty1 ErrorCode:%d", es);
            return;
        }
        const bool found = layers->getAt(layer, layerId) == Acad::eOk;
        layers->close();
        if (!found) {
            return;
        }
    }
    AcDbBlockTable* blocks = nullptr;
    Acad::ErrorStatus es = db->getBlockTable(blocks, AcDb::kForRead);
    if (es != Acad::eOk) {
        ShowError(u"GetEntProperty2 ErrorCode:%d", es);
        return;
    }
    AcDbBlockTableRecord* model = nullptr;
    es = blocks->getAt(ACDB_MODEL_SPACE, model, AcDb::kForRead);
    blocks->close();
    if (es != Acad::eOk) {
        ShowError(u"GetEntProperty3 ErrorCode:%d", es);
        return;
    }
    AcDbBlockTableRecordIterator* it = nullptr;
    if (model->newIterator(it, true, true) != Acad::eOk || it == nullptr) {
        model->close();
        return;
    }
    for (; !it->done(); it->step()) {
        AcDbEntity* entity = nullptr;
        es = it->getEntity(entity, AcDb::kForRead);
        if (es != Acad::eOk) {
            ShowError(u"GetEntProperty ErrorCode:%d", es);
            acutPrintf(u"ArxOperation::GetAllEntityIds中打开实体失败(错误代码:%d).", static_cast<int>(es));
            continue;
        }
        if (!layerId.isNull() && entity->layerId() != layerId) {
            entity->close();
            continue;
        }
        CBindingRecord* record = GetLinkRecord(entity, state->m_bindings);
        if (record->m_mapId != 0) {
            records.push_back(record);
            // Only members of a group rejoin it: a point bound on its own stays its own map object.
            if (record->m_groupMember != 0) {
                if (AcDbPoint::cast(entity) != nullptr) {
                    state->m_pointGroups.AddLinkEntity(record->m_mapId, *record, false);
                } else if (AcDbPolyline::cast(entity) != nullptr || AcDb3dPolyline::cast(entity) != nullptr) {
                    state->m_trackGroups.AddLinkEntity(record->m_mapId, *record, false);
                }
            }
        }
        entity->close();
    }
    delete it;
    model->close();
}

void LoadDocumentLinks(AcApDocument* doc) {
    CDocSyncState* state = g_DocSyncRegistry.GetDocState(doc, true);
    if (state == nullptr) {
        return;
    }
    g_DocSyncRegistry.m_pCurrent = state;
    std::vector<CBindingRecord*> records;
    GetEntProperty(records, nullptr, doc->database());
    for (const CBindingRecord* record : records) {
        state->m_mapIds.Set(record->m_mapId, record->m_key);
    }
    g_DocSyncRegistry.TakeHeldWork(*state);
}
