// The GUI framework surface the plug-in uses, as the stand-in provides it.
#pragma once

#include "platform/win32/windows.h"
