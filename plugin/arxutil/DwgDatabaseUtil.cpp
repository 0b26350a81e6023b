#include "plugin/arxutil/DwgDatabaseUtil.h"

#include <cmath>

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbentity.h"
#include "platform/arx/acdb/dblinetype.h"
#include "platform/arx/acdb/dbtables.h"
#include "platform/arx/aced/acedcmdline.h"
#include "platform/mfc/cstring.h"
#include "platform/mfc/msgbox.h"

namespace {

// The layer's record in the database, added with the host's defaults when missing.
void AddLayerIfMissing(AcDbDatabase* db, const TCHAR* name) {
    AcDbLayerTable* table = nullptr;
    if (db->getLayerTable(table, AcDb::kForWrite) != Acad::eOk) {
        return;
    }
    if (!table->has(name)) {
        AcDbLayerTableRecord* record = new AcDbLayerTableRecord();
        if (record->setName(name) == Acad::eOk && table->add(record) == Acad::eOk) {
            record->close();
        } else {
            delete record;
        }
    }
    table->close();
}

// Model space opened in the mode; the status of the table or the record when that fails.
Acad::ErrorStatus OpenModelSpace(AcDbDatabase* db, AcDb::OpenMode mode, AcDbBlockTableRecord*& modelSpace) {
    modelSpace = nullptr;
    AcDbBlockTable* blockTable = nullptr;
    Acad::ErrorStatus es = db->getBlockTable(blockTable, AcDb::kForRead);
    if (es != Acad::eOk) {
        return es;
    }
    es = blockTable->getAt(ACDB_MODEL_SPACE, modelSpace, mode);
    blockTable->close();
    return es;
}

}  // namespace

Adesk::UInt8 CDwgDatabaseUtil::OpacityToAlpha(int percent) {
    // 64 bits hold the integer part of any int percent; the alpha is its low byte.
    const long long value = static_cast<long long>(std::trunc(254.0 * percent / 100.0 + 0.5));
    return static_cast<Adesk::UInt8>(value & 0xFF);
}

AcDbObjectId CDwgDatabaseUtil::PostToModelSpace(AcDbEntity* pEnt, CEntityProperty prop, AcDbDatabase* pDb) {
    if (pEnt == nullptr) {
        return AcDbObjectId::kNull;
    }
    // Only a new entity can be posted, and ownership passes with the call: one that can't be posted is
    // deleted rather than left to leak.
    if (!pEnt->objectId().isNull()) {
        return AcDbObjectId::kNull;
    }
    if (pDb == nullptr) {
        delete pEnt;
        return AcDbObjectId::kNull;
    }

    if (prop.m_bByLayer) {
        pEnt->setColorIndex(256);
    } else {
        pEnt->setColor(prop.m_color);
    }

    AcDbBlockTableRecord* modelSpace = nullptr;
    const Acad::ErrorStatus esOpen = OpenModelSpace(pDb, AcDb::kForWrite, modelSpace);
    if (esOpen != Acad::eOk) {
        CString message;
        message.Format(_T("GetModelSpace ErrorCode:%d"), static_cast<int>(esOpen));
        AfxMessageBox(message, MB_OK);
        pEnt->close();  // not resident: closing deletes it
        return AcDbObjectId::kNull;
    }

    AcDbObjectId entId;
    if (modelSpace->appendAcDbEntity(entId, pEnt) != Acad::eOk) {
        modelSpace->close();
        delete pEnt;
        return AcDbObjectId::kNull;
    }

    // The layer and linetype tables consulted are the entity's own database's: a record added to another
    // drawing would not help it.
    if (!prop.m_strLayerName.IsEmpty()) {
        if (pEnt->setLayer(prop.m_strLayerName, true, false) == Acad::eKeyNotFound) {
            AddLayerIfMissing(pDb, prop.m_strLayerName);
            pEnt->setLayer(prop.m_strLayerName, true, false);
        }
    }

    if (pEnt->setLinetype(prop.m_strLinetype, true) != Acad::eOk) {
        if (acdbLoadLineTypeFile(prop.m_strLinetype, _T("ACADISO.LIN"), pDb) == Acad::eOk) {
            pEnt->setLinetype(prop.m_strLinetype, true);
        }
    }

    AcCmTransparency transparency;
    transparency.setAlpha(OpacityToAlpha(prop.m_nOpacity));
    pEnt->setTransparency(transparency, true);

    modelSpace->close();
    pEnt->close();
    return entId;
}

AcDbObjectIdArray CDwgDatabaseUtil::GetAllEntityIds(const TCHAR* layerName, AcDbDatabase* pDb) {
    AcDbObjectIdArray entIds;
    if (pDb == nullptr) {
        return entIds;
    }

    bool filterByLayer = false;
    AcDbObjectId layerId;
    if (layerName != nullptr) {
        AcDbLayerTable* layerTable = nullptr;
        if (pDb->getLayerTable(layerTable, AcDb::kForRead) != Acad::eOk) {
            return entIds;
        }
        const bool found = layerTable->getAt(layerName, layerId) == Acad::eOk;
        layerTable->close();
        if (!found) {
            return entIds;
        }
        filterByLayer = true;
    }

    AcDbBlockTableRecord* modelSpace = nullptr;
    if (OpenModelSpace(pDb, AcDb::kForRead, modelSpace) != Acad::eOk) {
        return entIds;
    }
    AcDbBlockTableRecordIterator* it = nullptr;
    modelSpace->newIterator(it);
    for (it->start(); !it->done(); it->step()) {
        AcDbEntity* pEnt = nullptr;
        const Acad::ErrorStatus es = it->getEntity(pEnt, AcDb::kForRead);
        if (es != Acad::eOk) {
            acutPrintf(_T("\nCDwgDatabaseUtil::GetAllEntityIds中打开实体失败(错误代码:%d)."),
                       static_cast<int>(es));
            continue;
        }
        if (!filterByLayer || pEnt->layerId() == layerId) {
            entIds.append(pEnt->objectId());
        }
        pEnt->close();
    }
    delete it;
    modelSpace->close();
    return entIds;
}

AcDbExtents CDwgDatabaseUtil::GetModelSpaceExtent(AcDbDatabase* pDb) {
    AcDbExtents extent;
    if (pDb == nullptr) {
        return extent;
    }
    AcDbBlockTableRecord* modelSpace = nullptr;
    if (OpenModelSpace(pDb, AcDb::kForRead, modelSpace) != Acad::eOk) {
        return extent;
    }
    const Acad::ErrorStatus es = extent.addBlockExt(modelSpace);
    modelSpace->close();
    if (es == Acad::eOk) {
        return extent;
    }

    // The block could not be measured as a whole: take what each entity can tell.
    const AcDbObjectIdArray entIds = GetAllEntityIds(nullptr, pDb);
    for (int i = 0; i < entIds.length(); ++i) {
        AcDbEntity* pEnt = nullptr;
        if (acdbOpenAcDbEntity(pEnt, entIds[i], AcDb::kForRead) != Acad::eOk) {
            continue;
        }
        AcDbExtents entExtent;
        if (pEnt->getGeomExtents(entExtent) == Acad::eOk) {
            extent.addExt(entExtent);
        }
        pEnt->close();
    }
    return extent;
}
