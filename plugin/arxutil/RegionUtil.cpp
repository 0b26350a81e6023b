#include "plugin/arxutil/RegionUtil.h"

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbregion.h"
#include "plugin/arxutil/DwgDatabaseUtil.h"

AcDbObjectIdArray CRegionUtil::Add(const AcDbObjectIdArray& objIds, CEntityProperty prop) {
    AcDbObjectIdArray regionIds;
    AcDbVoidPtrArray curves;
    for (const AcDbObjectId& id : objIds) {
        AcDbEntity* pEnt = nullptr;
        if (acdbOpenAcDbEntity(pEnt, id, AcDb::kForRead) != Acad::eOk) {
            continue;
        }
        if (AcDbCurve* pCurve = AcDbCurve::cast(pEnt)) {
            curves.append(static_cast<AcRxObject*>(pCurve));
        } else {
            pEnt->close();
        }
    }
    AcDbVoidPtrArray regions;
    if (AcDbRegion::createFromCurves(curves, regions) != Acad::eOk) {
        for (void* pRegion : regions) {
            delete static_cast<AcDbRegion*>(pRegion);
        }
    } else {
        for (void* pRegion : regions) {
            AcDbRegion* region = static_cast<AcDbRegion*>(pRegion);
            region->setDatabaseDefaults();
            const AcDbObjectId regionId = CDwgDatabaseUtil::PostToModelSpace(
                region, prop, acdbHostApplicationServices()->workingDatabase());
            if (!regionId.isNull()) {
                regionIds.append(regionId);
            }
        }
    }
    for (void* pCurve : curves) {
        static_cast<AcDbCurve*>(static_cast<AcRxObject*>(pCurve))->close();
    }
    return regionIds;
}
