// The CAD SDK surface the plug-in uses, as the stand-in provides it.
#pragma once

#include "platform/arx/acge/acge.h"
#include "platform/arx/acut/acut_all.h"
#include "platform/arx/acdb/acdb_all.h"
#include "platform/arx/aced/aced_all.h"
#include "platform/arx/acap/acap_all.h"
