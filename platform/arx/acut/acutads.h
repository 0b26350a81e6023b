// ADS utility functions: result buffers and plane geometry on ads_points.
#pragma once

#include "platform/arx/acut/adsdef.h"

// A fresh buffer of the type, value zeroed, not linked.
struct resbuf* acutNewRb(int type);
// Frees the whole chain from rb, with the strings and binary data it owns. Null is allowed.
int acutRelRb(struct resbuf* rb);
// Builds a chain from (type, value) pairs ended by 0 or RTNONE. Values: double for reals, angles and
// orientations; const ads_real* for points; int for shorts and longs; Adesk::Int64 for 64-bit groups;
// const ACHAR* for strings (copied); const Adesk::LongPtr* (an ads_name) for names; const ads_binary* for
// binary chunks (copied); nothing for RTLB, RTLE, RTDOTE, RTNIL, RTT, RTVOID and group -3. An unknown type
// gives null.
struct resbuf* acutBuildList(int type, ...);

ACHAR* acutNewString(const ACHAR* text);
void acutDelString(ACHAR*& text);

// 3D distance between two points.
ads_real acutDistance(const ads_point p1, const ads_point p2);
// Direction from p1 to p2 in the XY plane, counter-clockwise from +X, in [0, 2pi).
ads_real acutAngle(const ads_point p1, const ads_point p2);
// result = pt + dist along angle in the XY plane; Z kept. result may be pt itself.
void acutPolar(const ads_point pt, ads_real angle, ads_real dist, ads_point result);

// Copies an ads_point or ads_name.
inline void ads_point_set(const ads_point from, ads_point to) {
    to[X] = from[X];
    to[Y] = from[Y];
    to[Z] = from[Z];
}
inline void ads_name_set(const ads_name from, ads_name to) {
    to[0] = from[0];
    to[1] = from[1];
}
inline void ads_name_clear(ads_name name) {
    name[0] = 0;
    name[1] = 0;
}
inline bool ads_name_nil(const ads_name name) {
    return name[0] == 0 && name[1] == 0;
}
inline bool ads_name_equal(const ads_name a, const ads_name b) {
    return a[0] == b[0] && a[1] == b[1];
}
