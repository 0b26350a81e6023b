// The database's symbol tables.
#pragma once

#include "platform/arx/acdb/dbblock.h"
#include "platform/arx/acdb/dblayer.h"
#include "platform/arx/acdb/dblinetype.h"
#include "platform/arx/acdb/dbsymtb.h"
#include "platform/arx/acdb/dbtextstyle.h"
#include "platform/arx/acdb/dbviewrec.h"

#define TARN_DECLARE_SYMBOL_TABLE(TABLE, RECORD)        \
    class TABLE : public AcDbSymbolTableOf<RECORD> {    \
        TARN_DB_DECLARE_MEMBERS(TABLE)                  \
        TARN_DB_STATE(TABLE, AcDbSymbolTableOf<RECORD>) \
    public:                                             \
        TABLE() = default;                              \
    };                                                  \
    typedef AcDbSymbolTableIteratorOf<RECORD> TABLE##Iterator;

TARN_DECLARE_SYMBOL_TABLE(AcDbBlockTable, AcDbBlockTableRecord)
TARN_DECLARE_SYMBOL_TABLE(AcDbLayerTable, AcDbLayerTableRecord)
TARN_DECLARE_SYMBOL_TABLE(AcDbLinetypeTable, AcDbLinetypeTableRecord)
TARN_DECLARE_SYMBOL_TABLE(AcDbTextStyleTable, AcDbTextStyleTableRecord)
TARN_DECLARE_SYMBOL_TABLE(AcDbRegAppTable, AcDbRegAppTableRecord)
TARN_DECLARE_SYMBOL_TABLE(AcDbViewportTable, AcDbViewportTableRecord)

#undef TARN_DECLARE_SYMBOL_TABLE
