#include "plugin/arxutil/TextStyleUtil.h"

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbtables.h"
#include "platform/mfc/msgbox.h"

namespace {

AcDbDatabase* WorkingDatabase() {
    return acdbHostApplicationServices()->workingDatabase();
}

}  // namespace

AcDbObjectId CTextStyleUtil::GetAt(const TCHAR* name) {
    AcDbObjectId styleId;
    AcDbDatabase* db = WorkingDatabase();
    if (name == nullptr || name[0] == 0 || db == nullptr) {
        return styleId;
    }
    AcDbTextStyleTable* table = nullptr;
    if (db->getTextStyleTable(table, AcDb::kForRead) != Acad::eOk) {
        return styleId;
    }
    table->getAt(name, styleId);
    table->close();
    return styleId;
}

Acad::ErrorStatus CTextStyleUtil::GetAll(std::vector<CString>& names) {
    names.clear();
    AcDbDatabase* db = WorkingDatabase();
    if (db == nullptr) {
        return Acad::eNoDatabase;
    }
    AcDbTextStyleTable* table = nullptr;
    const Acad::ErrorStatus es = db->getTextStyleTable(table, AcDb::kForRead);
    if (es != Acad::eOk) {
        return es;
    }
    AcDbTextStyleTableIterator* it = nullptr;
    table->newIterator(it);
    for (; !it->done(); it->step()) {
        AcDbTextStyleTableRecord* record = nullptr;
        if (it->getRecord(record, AcDb::kForRead) != Acad::eOk) {
            continue;
        }
        const ACHAR* name = nullptr;
        if (record->getName(name) == Acad::eOk && name != nullptr && name[0] != 0) {
            names.push_back(CString(name));
        }
        record->close();
    }
    delete it;
    return table->close();
}

AcDbObjectId CTextStyleUtil::Add(const TCHAR* name, const TCHAR* fontFileName, const TCHAR* bigFontFileName) {
    AcDbObjectId styleId;
    AcDbDatabase* db = WorkingDatabase();
    if (db == nullptr) {
        return styleId;
    }
    AcDbTextStyleTable* table = nullptr;
    const Acad::ErrorStatus es = db->getTextStyleTable(table, AcDb::kForWrite);
    if (es != Acad::eOk) {
        CString message;
        message.Format(_T("CTextStyleUtil::Add ErrorCode:%d"), static_cast<int>(es));
        AfxMessageBox(message);
        return styleId;
    }
    AcDbTextStyleTableRecord* record = new AcDbTextStyleTableRecord();
    record->setBigFontFileName(bigFontFileName);
    record->setFileName(fontFileName);
    record->setXScale(1.0);
    if (name != nullptr && record->setName(name) == Acad::eOk && table->add(styleId, record) == Acad::eOk) {
        record->close();
    } else {
        delete record;
        styleId.setNull();
    }
    table->close();
    return styleId;
}
