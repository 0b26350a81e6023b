// Regions from curves.
#pragma once

#include "platform/arx/acdb/dbid.h"
#include "plugin/arxutil/EntityProperty.h"

class CRegionUtil {
public:
    virtual ~CRegionUtil() = default;

    // One region for each closed boundary the curves among the entities make, posted to the working
    // database; their ids (empty when the curves make none). The curves are left as they are.
    static AcDbObjectIdArray Add(const AcDbObjectIdArray& objIds, CEntityProperty prop);
};
