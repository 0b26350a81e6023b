// Model space of a drawing: posting new entities with their properties, listing entities, measuring extents.
#pragma once

#include "platform/arx/acdb/dbextents.h"
#include "platform/arx/acdb/dbid.h"
#include "plugin/arxutil/EntityProperty.h"

class AcDbDatabase;
class AcDbEntity;

class CDwgDatabaseUtil {
public:
    virtual ~CDwgDatabaseUtil() = default;

    // Appends the new entity to the database's model space and gives it the properties: the colour (or
    // ByLayer), the layer (created when missing), the linetype (loaded from "ACADISO.LIN" when missing) and
    // the transparency. The entity passes with the call: on success the database owns it, closed; on any
    // failure it is gone. The null id on failure.
    static AcDbObjectId PostToModelSpace(AcDbEntity* pEnt, CEntityProperty prop, AcDbDatabase* pDb);
    // The live model-space entities in order; with a layer name only those on that layer (none when the
    // layer is missing).
    static AcDbObjectIdArray GetAllEntityIds(const TCHAR* layerName, AcDbDatabase* pDb);
    // The extents of model space; empty for an empty model space or a null database.
    static AcDbExtents GetModelSpaceExtent(AcDbDatabase* pDb);

    // The transparency alpha of an opacity percent: the low 8 bits of trunc(254 * percent / 100 + 0.5), so
    // 100 gives 254 and values beyond 0..100 wrap.
    static Adesk::UInt8 OpacityToAlpha(int percent);
};
