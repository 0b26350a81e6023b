// Drawings with a few entities to bind, and the plug-in's link state for them, without the frame.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "plugin/core/LinkRecord.h"
#include "plugin/core/SyncState.h"
#include "platform/arx/arxheaders.h"
#include "platform/win32/core/paths.h"
#include "support/testdirs.h"

namespace linktest {

// The document's write lock while the object lives, as code outside a command takes it.
class DocLock {
public:
    explicit DocLock(AcApDocument* doc) : m_doc(doc) { acDocManager->lockDocument(doc, AcAp::kWrite); }
    ~DocLock() { acDocManager->unlockDocument(m_doc); }
    DocLock(const DocLock&) = delete;
    DocLock& operator=(const DocLock&) = delete;

private:
    AcApDocument* m_doc;
};

// Appends the entity to the document's model space; its handle.
inline uint64_t Append(AcApDocument* doc, AcDbEntity* entity, const char16_t* layer = nullptr) {
    DocLock lock(doc);
    AcDbDatabase* db = doc->database();
    if (layer != nullptr) {
        AcDbLayerTable* layers = nullptr;
        db->getLayerTable(layers, AcDb::kForWrite);
        if (!layers->has(layer)) {
            auto* record = new AcDbLayerTableRecord;
            record->setName(layer);
            layers->add(record);
            record->close();
        }
        AcDbObjectId layerId;
        layers->getAt(layer, layerId);
        layers->close();
        entity->setDatabaseDefaults(db);
        entity->setLayer(layerId);
    }
    AcDbBlockTable* blocks = nullptr;
    db->getBlockTable(blocks, AcDb::kForRead);
    AcDbBlockTableRecord* model = nullptr;
    blocks->getAt(ACDB_MODEL_SPACE, model, AcDb::kForWrite);
    blocks->close();
    AcDbObjectId id;
    model->appendAcDbEntity(id, entity);
    model->close();
    const uint64_t handle = entity->handle().value();
    entity->close();
    return handle;
}

inline uint64_t AddLine(AcApDocument* doc, double y = 0.0, const char16_t* layer = nullptr) {
    return Append(doc, new AcDbLine(AcGePoint3d(0, y, 0), AcGePoint3d(10, y, 0)), layer);
}

inline AcDbObjectId IdOf(AcApDocument* doc, uint64_t handle) {
    AcDbObjectId id;
    doc->database()->getAcDbObjectId(id, false, AcDbHandle(handle));
    return id;
}

// The link read straight from the entity's Xrecord; false when it holds none.
inline bool StoredLink(AcApDocument* doc, uint64_t handle, CBindingRecord& record) {
    AcDbObject* object = nullptr;
    if (acdbOpenObject(object, IdOf(doc, handle), AcDb::kForRead) != Acad::eOk) {
        return false;
    }
    const bool read = ReadLinkRecord(object, record);
    object->close();
    return read;
}

inline void SetLayerLocked(AcApDocument* doc, const char16_t* layer, bool locked) {
    DocLock lock(doc);
    AcDbLayerTable* layers = nullptr;
    doc->database()->getLayerTable(layers, AcDb::kForRead);
    AcDbLayerTableRecord* record = nullptr;
    layers->getAt(layer, record, AcDb::kForWrite);
    layers->close();
    record->setIsLocked(locked);
    record->close();
}

// Binds the entity in the document's state as a send would: map id, name, remark, unsaved.
inline CBindingRecord* Bind(CDocSyncState* state, uint64_t handle, uint32_t mapId, const CString& name,
                            const CString& remark = CString(), bool group = false) {
    state->m_bindings.UpdateBinding(handle, mapId, group);
    CBindingRecord* record = state->m_bindings.FindBinding(handle);
    record->m_name = name;
    record->m_remark = remark;
    state->m_mapIds.Set(mapId, handle);
    return record;
}

}  // namespace linktest
