// Texts: single-line and multiline texts, and the drawing's current text style.
#pragma once

#include "platform/arx/acdb/dbid.h"
#include "platform/arx/acdb/dbstatus.h"
#include "platform/arx/acge/acge.h"
#include "plugin/arxutil/EntityProperty.h"

class AcDbDatabase;

class CTextUtil {
public:
    virtual ~CTextUtil() = default;

    // A null text or style lets the host use its default.
    static AcDbObjectId AddText(const AcGePoint3d& ptInsert, CEntityProperty prop, const TCHAR* text,
                                AcDbObjectId style = AcDbObjectId::kNull, double height = 2.5,
                                double rotation = 0.0);
    // Attached at the bottom left.
    static AcDbObjectId AddMText(const AcGePoint3d& ptInsert, CEntityProperty prop, const TCHAR* text,
                                 AcDbObjectId style = AcDbObjectId::kNull, double height = 2.5,
                                 double width = 10.0);
    // pDb null: the working database.
    static Acad::ErrorStatus SetCurrentTextStyle(const TCHAR* styleName, AcDbDatabase* pDb = nullptr);
};
