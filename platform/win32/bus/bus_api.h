// Windows, window messages and timers.
#pragma once

#include "platform/win32/core/wintypes.h"
