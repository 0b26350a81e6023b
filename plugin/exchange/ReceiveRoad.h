// The receive road: the map application's selected objects built into the current drawing.
#pragma once

#include "platform/win32/core/wintypes.h"

// The 20110 answer (at least 144 bytes, valid only while its message is handled).
bool ReceiveMapObjects(const BYTE* data, DWORD length);
