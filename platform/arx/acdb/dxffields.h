// Helpers for the classes' field tables: how a value goes into and comes out of a FieldValue, names of
// symbol records, and the macros that declare a field with its getter and setter in one line.
#pragma once

#include <string>
#include <string_view>

#include "platform/arx/acdb/cmcolor.h"
#include "platform/arx/acdb/dbobject.h"
#include "platform/arx/acdb/rxobject.h"
#include "platform/arx/acge/gepnt2d.h"
#include "platform/arx/acge/gepnt3d.h"
#include "platform/arx/acge/gevec3d.h"

class AcDbDatabase;

namespace platform::dxf {

inline void Put(FieldValue& v, double x) {
    v.real = x;
}
inline void Put(FieldValue& v, const AcGePoint3d& p) {
    v.point[0] = p.x, v.point[1] = p.y, v.point[2] = p.z;
}
inline void Put(FieldValue& v, const AcGeVector3d& p) {
    v.point[0] = p.x, v.point[1] = p.y, v.point[2] = p.z;
}
inline void Put(FieldValue& v, const AcGePoint2d& p) {
    v.point[0] = p.x, v.point[1] = p.y, v.point[2] = 0.0;
}
inline void Put(FieldValue& v, std::u16string_view text) {
    v.text.assign(text.data(), text.size());
}
inline AcGePoint3d Point3d(const FieldValue& v) {
    return AcGePoint3d(v.point[0], v.point[1], v.point[2]);
}
inline AcGeVector3d Vector3d(const FieldValue& v) {
    return AcGeVector3d(v.point[0], v.point[1], v.point[2]);
}
inline AcGePoint2d Point2d(const FieldValue& v) {
    return AcGePoint2d(v.point[0], v.point[1]);
}
// A true colour as files keep it (0xRRGGBB), left out unless the colour is one.
inline void PutTrueColor(FieldValue& v, const AcCmColor& color) {
    v.skip = !color.isByColor();
    v.integer = color.red() << 16 | color.green() << 8 | color.blue();
}
inline AcCmColor TrueColor(const FieldValue& v) {
    AcCmColor color;
    color.setRGB(static_cast<Adesk::UInt8>(v.integer >> 16), static_cast<Adesk::UInt8>(v.integer >> 8),
                 static_cast<Adesk::UInt8>(v.integer));
    return color;
}
// The Z axis, the default normal that files leave out.
inline bool IsZAxis(const AcGeVector3d& v) {
    return v.x == 0.0 && v.y == 0.0 && v.z == 1.0;
}

// The name of a symbol record (empty for null or unknown ids).
std::u16string RecordName(AcDbObjectId id);
// The live record of that name in a table of the object's database, or the null id.
AcDbObjectId FindRecord(const AcDbObject* object, AcDbObjectId (AcDbDatabase::*table)() const,
                        std::u16string_view name);
// The object with that handle in the object's database, or the null id.
AcDbObjectId IdOfHandle(const AcDbObject* object, std::int64_t handle);

}  // namespace platform::dxf

// A field with getter and setter bodies: `self` is the object as CLASS, `v` the FieldValue.
#define TARN_FIELD(CODE, KIND, NAME, CLASS, GET, SET)                                   \
    platform::FieldDesc {                                                               \
        CODE, platform::FieldKind::KIND, NAME,                                          \
            [](const AcRxObject* object, [[maybe_unused]] platform::FieldValue& v) {    \
                [[maybe_unused]] const CLASS* self = static_cast<const CLASS*>(object); \
                GET;                                                                    \
            },                                                                          \
            [](AcRxObject* object, [[maybe_unused]] const platform::FieldValue& v) {    \
                [[maybe_unused]] CLASS* self = static_cast<CLASS*>(object);             \
                SET;                                                                    \
            }                                                                           \
    }

// A field that is only written (constant or derived; the reader takes it elsewhere or not at all).
#define TARN_FIELD_OUT(CODE, KIND, NAME, CLASS, GET)                                    \
    platform::FieldDesc {                                                               \
        CODE, platform::FieldKind::KIND, NAME,                                          \
            [](const AcRxObject* object, [[maybe_unused]] platform::FieldValue& v) {    \
                [[maybe_unused]] const CLASS* self = static_cast<const CLASS*>(object); \
                GET;                                                                    \
            },                                                                          \
            nullptr                                                                     \
    }

// A subclass marker (group 100).
#define TARN_SUBCLASS(NAME)                                       \
    platform::FieldDesc {                                         \
        100, platform::FieldKind::kString, NAME, nullptr, nullptr \
    }
