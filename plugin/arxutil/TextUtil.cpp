#include "plugin/arxutil/TextUtil.h"

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbmtext.h"
#include "platform/arx/acdb/dbtables.h"
#include "platform/arx/acdb/dbtext.h"
#include "platform/arx/acdb/dbtextstyle.h"
#include "platform/mfc/cstring.h"
#include "plugin/arxutil/DwgDatabaseUtil.h"

AcDbObjectId CTextUtil::AddText(const AcGePoint3d& ptInsert, CEntityProperty prop, const TCHAR* text,
                                AcDbObjectId style, double height, double rotation) {
    AcDbText* pText = new AcDbText(ptInsert, text, style, height, rotation);
    return CDwgDatabaseUtil::PostToModelSpace(pText, prop, acdbHostApplicationServices()->workingDatabase());
}

AcDbObjectId CTextUtil::AddMText(const AcGePoint3d& ptInsert, CEntityProperty prop, const TCHAR* text,
                                 AcDbObjectId style, double height, double width) {
    AcDbMText* pMText = new AcDbMText();
    pMText->setTextStyle(style);
    pMText->setContents(text != nullptr ? text : _T(""));
    pMText->setLocation(ptInsert);
    pMText->setTextHeight(height);
    pMText->setWidth(width);
    pMText->setAttachment(AcDbMText::kBottomLeft);
    return CDwgDatabaseUtil::PostToModelSpace(pMText, prop, acdbHostApplicationServices()->workingDatabase());
}

Acad::ErrorStatus CTextUtil::SetCurrentTextStyle(const TCHAR* styleName, AcDbDatabase* pDb) {
    if (pDb == nullptr) {
        pDb = acdbHostApplicationServices()->workingDatabase();
    }
    if (pDb == nullptr) {
        return Acad::eNoDatabase;
    }
    AcDbTextStyleTable* pTable = nullptr;
    Acad::ErrorStatus es = pDb->getTextStyleTable(pTable, AcDb::kForRead);
    if (es != Acad::eOk) {
        return es;
    }
    AcDbTextStyleTableRecord* pRecord = nullptr;
    es = pTable->getAt(styleName, pRecord, AcDb::kForRead);
    pTable->close();
    if (es != Acad::eOk) {
        return es;
    }
    const AcDbObjectId styleId = pRecord->objectId();
    pRecord->close();
    return pDb->setTextstyle(styleId);
}
