#include "plugin/arxutil/LayerUtil.h"

#include <string>

#include "platform/arx/acdb/cmcolor.h"
#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbtables.h"
#include "platform/arx/aced/acedss.h"
#include "platform/arx/acut/acut_all.h"

namespace {

AcDbDatabase* WorkingDatabase() {
    return acdbHostApplicationServices()->workingDatabase();
}

// The host's selection filter takes layer names as patterns: a name holding pattern characters
// ("*MapLayer") must have each of them taken literally.
std::u16string LiteralPattern(const TCHAR* name) {
    static const std::u16string special = u"*?#@.~[],`-";
    std::u16string pattern;
    for (const TCHAR* c = name; *c != 0; ++c) {
        if (special.find(*c) != std::u16string::npos) {
            pattern.push_back(u'`');
        }
        pattern.push_back(*c);
    }
    return pattern;
}

}  // namespace

AcDbObjectId CLayerUtil::GetLayerId(const TCHAR* name, bool create) {
    AcDbDatabase* db = WorkingDatabase();
    if (db == nullptr) {
        return AcDbObjectId::kNull;
    }
    if (name == nullptr) {
        return db->clayer();
    }
    // Only a creation writes; a look-up must not conflict with other readers of the table.
    AcDbLayerTable* table = nullptr;
    if (db->getLayerTable(table, create ? AcDb::kForWrite : AcDb::kForRead) != Acad::eOk) {
        return AcDbObjectId::kNull;
    }
    AcDbObjectId layerId;
    if (table->has(name)) {
        table->getAt(name, layerId);
    } else if (create) {
        AcDbLayerTableRecord* record = new AcDbLayerTableRecord();
        if (record->setName(name) == Acad::eOk && table->add(layerId, record) == Acad::eOk) {
            record->close();
        } else {
            delete record;
            layerId.setNull();
        }
    }
    table->close();
    return layerId;
}

void CLayerUtil::Erase(AcDbObjectId layerId) {
    AcDbLayerTableRecord* record = nullptr;
    if (acdbOpenObject(record, layerId, AcDb::kForWrite) == Acad::eOk) {
        record->erase();
        record->close();
    }
}

Acad::ErrorStatus CLayerUtil::Add(const TCHAR* name, Adesk::UInt16 colorIndex) {
    AcDbDatabase* db = WorkingDatabase();
    if (db == nullptr) {
        return Acad::eNoDatabase;
    }
    if (name == nullptr) {
        return Acad::eInvalidInput;
    }
    AcDbLayerTable* table = nullptr;
    const Acad::ErrorStatus es = db->getLayerTable(table, AcDb::kForWrite);
    if (es != Acad::eOk) {
        return es;
    }
    if (!table->has(name)) {
        AcDbLayerTableRecord* record = new AcDbLayerTableRecord();
        AcCmColor color;
        color.setColorIndex(colorIndex);
        record->setColor(color);
        if (record->setName(name) == Acad::eOk && table->add(record) == Acad::eOk) {
            record->close();
        } else {
            delete record;
        }
    }
    return table->close();
}

bool CLayerUtil::SetColor(const TCHAR* name, Adesk::UInt16 colorIndex) {
    AcCmColor color;
    if (color.setColorIndex(colorIndex) != Acad::eOk) {
        return false;
    }
    AcDbLayerTableRecord* record = nullptr;
    if (acdbOpenObject(record, GetLayerId(name, false), AcDb::kForWrite) != Acad::eOk) {
        return false;
    }
    const Acad::ErrorStatus es = record->setColor(color);
    record->close();
    return es == Acad::eOk;
}

Acad::ErrorStatus CLayerUtil::GetLayerList(AcDbObjectIdArray& layers) {
    AcDbDatabase* db = WorkingDatabase();
    if (db == nullptr) {
        return Acad::eNoDatabase;
    }
    AcDbLayerTable* table = nullptr;
    const Acad::ErrorStatus es = db->getLayerTable(table, AcDb::kForRead);
    if (es != Acad::eOk) {
        return es;
    }
    AcDbLayerTableIterator* it = nullptr;
    table->newIterator(it);
    for (; !it->done(); it->step()) {
        AcDbLayerTableRecord* record = nullptr;
        if (it->getRecord(record, AcDb::kForRead) == Acad::eOk) {
            layers.append(record->objectId());
            record->close();
        }
    }
    delete it;
    return table->close();
}

Acad::ErrorStatus CLayerUtil::SetCurrentLayer(const TCHAR* name, AcDbDatabase* db) {
    if (db == nullptr) {
        db = WorkingDatabase();
    }
    if (db == nullptr) {
        return Acad::eNoDatabase;
    }
    if (name == nullptr) {
        return Acad::eInvalidInput;
    }
    AcDbLayerTable* table = nullptr;
    Acad::ErrorStatus es = db->getLayerTable(table, AcDb::kForRead);
    if (es != Acad::eOk) {
        return es;
    }
    AcDbLayerTableRecord* record = nullptr;
    es = table->getAt(name, record, AcDb::kForRead);
    table->close();
    if (es != Acad::eOk) {
        return es;
    }
    es = db->setClayer(record->objectId());
    record->close();
    return es;
}

int CLayerUtil::GetEntityIdsOnLayer(const TCHAR* name, AcDbObjectIdArray& entIds) {
    if (name == nullptr) {
        return 3;
    }
    const std::u16string pattern = LiteralPattern(name);
    resbuf* filter = acutBuildList(8, pattern.c_str(), RTNONE);
    ads_name ss = {0, 0};
    const int rc = acedSSGet(_T("X"), nullptr, nullptr, filter, ss);
    acutRelRb(filter);
    if (rc != RTNORM) {
        return 3;
    }
    Adesk::Int32 length = 0;
    acedSSLength(ss, &length);
    for (Adesk::Int32 i = 0; i < length; ++i) {
        ads_name entity = {0, 0};
        AcDbObjectId id;
        if (acedSSName(ss, i, entity) == RTNORM && acdbGetObjectId(id, entity) == Acad::eOk) {
            entIds.append(id);
        }
    }
    acedSSFree(ss);
    return length > 0 ? 0 : 3;
}
