// Codecs: the part of a class's drawing-file form that a field table cannot say — lists (dashes, vertices,
// loops, knots) and values that are only set together (an ellipse's geometry). A codec runs at its class's
// level of the field walk, after the class's own fields, when writing and when reading.
//
// This is also where later object kinds plug in: a class with a file name in the class list is written to
// OBJECTS (or ENTITIES) through its field table and, when it has one, its codec; classes whose file name must
// be announced in the CLASSES section are listed in kAnnouncedClasses (dxfcodec.cpp).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/arx/acdb/dbobject.h"
#include "platform/arx/acdb/dxfio.h"

namespace platform::dxf {

// What a codec needs while reading: the file's code page, and the object of a file handle.
struct ReadContext {
    int codePage = 936;
    std::function<AcDbObjectId(std::uint64_t fileHandle)> resolve;
    // Whether a dictionary may list an object: the reader decides who owns what before any dictionary is
    // filled, so that every object has at most one owner whatever the file claims.
    std::function<bool(const AcDbObject* dict, const AcDbObject* member)> mayList;
    // The records that follow the object in the file and belong to it (the VERTEX records of a POLYLINE),
    // each as all its groups after its 0 group.
    const std::vector<std::vector<Group>>* followers = nullptr;
    // Counts the hatch boundary loops left out because they could not be read (said once the file is in).
    int* skippedLoops = nullptr;

    std::u16string text(const Group& g) const { return DecodeText(g.value, codePage); }
    static double real(const Group& g);
    static long long integer(const Group& g);
    static double degrees(const Group& g);
    AcDbObjectId id(const Group& g) const;
};

struct Codec {
    const char16_t* className;  // the runtime class's name
    void (*write)(const AcDbObject* object, Writer& out);
    // body: the object's groups after its first subclass marker (all of them when it has none).
    void (*read)(AcDbObject* object, const std::vector<Group>& body, const ReadContext& context);
};

// The type name an object is written under: its class's file name, or for objects of kinds the database
// does not model the name they were read under; empty for objects that are not written.
std::string FileTypeOf(const AcDbObject* object);

// The codec of exactly this class, or null.
const Codec* FindCodec(const AcRxClass* cls);
// A codec kept in its class's own source file registers itself there:
//   const CodecRegistration kRegistration(&kImageCodec);
struct CodecRegistration {
    explicit CodecRegistration(const Codec* codec);
};

// A class that must be announced in CLASSES: its file name, runtime class name and whether it is an entity.
struct AnnouncedClass {
    const char* dxfName;
    const char* className;
    bool isEntity;
};
const std::vector<AnnouncedClass>& AnnouncedClasses();

// Upper limits on lists read from files: counts in files are not trusted, the groups present are.
constexpr size_t kMaxListItems = 1u << 20;

}  // namespace platform::dxf
