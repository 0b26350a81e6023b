// The bridge between object ids and entity names (ads_name) and the registered-application call of the ADS
// layer. An entity name holds the id's token, so a name is as short-lived as the id.
#pragma once

#include "platform/arx/acdb/dbobject.h"
#include "platform/arx/acut/adsdef.h"

Acad::ErrorStatus acdbGetAdsName(ads_name& name, AcDbObjectId id);
// eInvalidAdsName for a name that stands for no object.
Acad::ErrorStatus acdbGetObjectId(AcDbObjectId& id, const ads_name name);
// Adds the application name to the working database's registered applications (once): RTNORM, or RTERROR
// with no working database or an invalid name.
int acdbRegApp(const ACHAR* appName);
