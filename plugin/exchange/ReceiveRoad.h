// The receive road: the map application's selected objects built into the current drawing.
#pragma once

#include "platform/arx/arxheaders.h"
#include "platform/win32/core/wintypes.h"

// The 20110 answer (at least 144 bytes, valid only while its message is handled). Every total, size and
// count is checked against length before it is read: a record that does not fit stops the reading there and
// the records before it stay built. Always true.
bool ReceiveMapObjects(const BYTE* data, DWORD length);
// Centres the view on the entity at the scale of the current base-map level; nothing for an entity within
// 2 units of the origin or without a usable level.
void ZoomToReceivedObjects(AcDbObjectId id);
