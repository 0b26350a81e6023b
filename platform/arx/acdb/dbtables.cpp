#include "platform/arx/acdb/dbtables.h"

TARN_RX_DEFINE(AcDbBlockTable, AcDbSymbolTable, u"TABLE:BLOCK_RECORD", nullptr, 0)
TARN_RX_DEFINE(AcDbLayerTable, AcDbSymbolTable, u"TABLE:LAYER", nullptr, 0)
TARN_RX_DEFINE(AcDbLinetypeTable, AcDbSymbolTable, u"TABLE:LTYPE", nullptr, 0)
TARN_RX_DEFINE(AcDbTextStyleTable, AcDbSymbolTable, u"TABLE:STYLE", nullptr, 0)
TARN_RX_DEFINE(AcDbRegAppTable, AcDbSymbolTable, u"TABLE:APPID", nullptr, 0)
TARN_RX_DEFINE(AcDbViewportTable, AcDbSymbolTable, u"TABLE:VPORT", nullptr, 0)
