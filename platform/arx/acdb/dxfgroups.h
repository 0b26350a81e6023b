// Groups the codecs read and write alike: points and vectors as their three coordinate groups, the first
// value of a code in an object's groups, the normal; the file parameters of elliptical arcs (ellipses and
// the elliptical edges of boundary loops); and the taking over of geometry built from a file.
#pragma once

#include <vector>

#include "platform/arx/acdb/dbentity.h"
#include "platform/arx/acdb/dxfio.h"
#include "platform/arx/acge/gepnt3d.h"
#include "platform/arx/acge/gevec3d.h"

namespace platform::dxf {

// A full turn in radians.
constexpr double kFullTurn = 6.283185307179586;

void WritePoint(Writer& out, int code, const AcGePoint3d& p);
void WriteVector(Writer& out, int code, const AcGeVector3d& v);

// A point or vector from the group at i of code and its +10 and +20 companions after it (i is left on the
// last group read).
AcGePoint3d PointAt(const std::vector<Group>& body, size_t& i, int code);
// The first value of a code (with its companions for points), or the fallback.
bool Find(const std::vector<Group>& body, int code, AcGePoint3d& point);
double FindReal(const std::vector<Group>& body, int code, double fallback);
long long FindInteger(const std::vector<Group>& body, int code, long long fallback);
// The 210 normal, the Z axis when it is missing or of zero length.
AcGeVector3d FindNormal(const std::vector<Group>& body);

// Files keep an elliptical arc's parameters, the entities keep angles: both ways are computed in long
// double so that a parameter written with enough digits gives the very same angle back.
long double EllipseParamOf(double angle, double ratio);
double EllipseAngleOf(long double param, double ratio);

// Takes the geometry of a non-resident object built by constructor, keeping the target's entity part
// (layer, colour, owner, extension dictionary).
template <class T>
void AdoptGeometry(T* target, T& built) {
    static_cast<AcDbEntity&>(built) = static_cast<const AcDbEntity&>(*target);
    *target = built;
}

}  // namespace platform::dxf
