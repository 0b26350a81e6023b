// Coordinate-system transforms of the current document.
#pragma once

#include "platform/arx/acut/acut_all.h"

// Transforms pt from one coordinate system to another. Each system is an RTSHORT resbuf: 0 world (WCS),
// 1 the current UCS, 2 the display system (DCS) of the current view; or an RT3DPOINT resbuf, the object
// system of that extrusion direction. disp != 0 treats pt as a displacement (no translation). RTNORM, or
// RTERROR with result untouched for a null argument or an unknown system. result may be pt itself.
int acedTrans(const ads_point pt, const struct resbuf* from, const struct resbuf* to, int disp,
              ads_point result);
