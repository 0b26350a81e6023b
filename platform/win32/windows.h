// The Win32 surface the plug-in uses, as the stand-in provides it.
#pragma once

#include "platform/win32/core/wintypes.h"
#include "platform/win32/bus/bus_api.h"
#include "platform/win32/sys/sys_api.h"
