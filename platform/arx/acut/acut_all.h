// ADS utility types, codes and functions.
#pragma once

#include "platform/arx/acut/adesk.h"
#include "platform/arx/acut/adscodes.h"
#include "platform/arx/acut/adsdef.h"
#include "platform/arx/acut/acutads.h"
