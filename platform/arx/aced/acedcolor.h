// The host's 256-entry colour palette (colour indices).
#pragma once

#include "platform/win32/core/wintypes.h"

// RGB of a colour index 0..255, red in the lowest byte (the COLORREF order); 0 for any other index.
//
// The palette is computed, not stored:
//   0 black; 1 red, 2 yellow, 3 green, 4 cyan, 5 blue, 6 magenta, 7 white; 8 grey 128, 9 grey 192;
//   10..249: 24 hues of 15 degrees (10 + 10 * hue + shade), each with 10 shades: even shades are the pure
//            hue, odd shades the hue at half saturation, at values 255, 165, 127, 76, 38 for shade pairs
//            (0,1), (2,3), (4,5), (6,7), (8,9); channels are truncated;
//   250..255: six greys from 51 to 255 in steps of 40.8, truncated.
DWORD acedGetRGB(int color);
