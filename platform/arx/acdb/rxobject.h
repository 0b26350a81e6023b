// Runtime classes: every stand-in class names itself, its parent and, for the drawing-file reader and writer,
// its file name and a table of its persisted fields. A class is declared with TARN_RX_DECLARE_MEMBERS in its
// header and defined with one of the TARN_RX_DEFINE / TARN_DB_DEFINE macros in its source file; concrete
// database classes are also listed in dbclasses.cpp so that a reader can make them by name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/arx/acut/adesk.h"

class AcRxClass;
class AcRxObject;

namespace platform {

// The kind of value a persisted field holds (the file's group code says how it is written).
enum class FieldKind {
    kString,
    kReal,
    kAngle,
    kInt16,
    kInt32,
    kInt64,
    kBool,
    kPoint3d,
    kVector3d,
    kPoint2d,
    kHandle
};

// A field value in transit between an object and a file.
struct FieldValue {
    double real = 0.0;
    std::int64_t integer = 0;
    double point[3] = {0.0, 0.0, 0.0};
    std::u16string text;
    bool skip = false;  // set by a getter: the field holds its default and is left out of the file
};

// One persisted field: its group code, kind and name, and how to read it from and write it to an object.
// Code 100 entries are subclass markers (name is the marker's text). A field without a getter is not written;
// one without a setter is written only (derived or constant values). kAngle values are radians in memory and
// degrees in the file; kHandle values carry the referenced object's handle in FieldValue::integer.
struct FieldDesc {
    short code;
    FieldKind kind;
    const char* name;
    void (*get)(const AcRxObject* object, FieldValue& value);
    void (*set)(AcRxObject* object, const FieldValue& value);
};

}  // namespace platform

class AcRxClass {
public:
    typedef AcRxObject* (*Factory)();

    AcRxClass(const ACHAR* name, AcRxClass* parent, const ACHAR* dxfName, Factory factory,
              const platform::FieldDesc* fields, size_t fieldCount);
    AcRxClass(const AcRxClass&) = delete;
    AcRxClass& operator=(const AcRxClass&) = delete;

    const ACHAR* name() const { return m_name; }
    // The file's name of the class ("LINE"), empty for classes that are not written.
    const ACHAR* dxfName() const { return m_dxfName; }
    AcRxClass* myParent() const { return m_parent; }
    bool isDerivedFrom(const AcRxClass* other) const;
    // A new non-resident instance, or null for abstract classes.
    AcRxObject* create() const { return m_factory != nullptr ? m_factory() : nullptr; }

    // This class's own fields (the parent's come first when walking; see platform::ForEachField).
    const platform::FieldDesc* fields() const { return m_fields; }
    size_t fieldCount() const { return m_fieldCount; }

    // A registered concrete class by its name or its file name; null when unknown.
    static AcRxClass* find(const ACHAR* name);
    static AcRxClass* findByDxfName(const ACHAR* dxfName);

private:
    const ACHAR* m_name;
    AcRxClass* m_parent;
    const ACHAR* m_dxfName;
    Factory m_factory;
    const platform::FieldDesc* m_fields;
    size_t m_fieldCount;
};

#define TARN_RX_DECLARE_MEMBERS(CLASS)                                    \
public:                                                                   \
    static AcRxClass* desc();                                             \
    static CLASS* cast(const AcRxObject* object) {                        \
        return (object != nullptr && object->isKindOf(CLASS::desc()))     \
                   ? static_cast<CLASS*>(const_cast<AcRxObject*>(object)) \
                   : nullptr;                                             \
    }                                                                     \
    AcRxClass* isA() const override;

class AcRxObject {
public:
    virtual ~AcRxObject() = default;

    static AcRxClass* desc();
    static AcRxObject* cast(const AcRxObject* object) { return const_cast<AcRxObject*>(object); }
    virtual AcRxClass* isA() const;

    bool isKindOf(const AcRxClass* cls) const { return isA()->isDerivedFrom(cls); }
    // A non-resident copy of the object's data; null for classes that cannot be copied.
    virtual AcRxObject* clone() const { return nullptr; }
};

// The class object of an abstract class (no factory, no file name).
#define TARN_RX_DEFINE_ABSTRACT(CLASS, PARENT, FIELDS, FIELD_COUNT)                          \
    AcRxClass* CLASS::desc() {                                                               \
        static AcRxClass cls(u## #CLASS, PARENT::desc(), u"", nullptr, FIELDS, FIELD_COUNT); \
        return &cls;                                                                         \
    }                                                                                        \
    AcRxClass* CLASS::isA() const {                                                          \
        return CLASS::desc();                                                                \
    }

// The class object of a concrete class that a reader can make by name.
#define TARN_RX_DEFINE(CLASS, PARENT, DXF_NAME, FIELDS, FIELD_COUNT)                                   \
    AcRxClass* CLASS::desc() {                                                                         \
        static AcRxClass cls(                                                                          \
            u## #CLASS, PARENT::desc(), DXF_NAME, []() -> AcRxObject* { return new CLASS(); }, FIELDS, \
            FIELD_COUNT);                                                                              \
        return &cls;                                                                                   \
    }                                                                                                  \
    AcRxClass* CLASS::isA() const {                                                                    \
        return CLASS::desc();                                                                          \
    }

namespace platform {

// Walks the persisted fields of a class, the root class's first.
template <class Visit>
void ForEachField(const AcRxClass* cls, Visit&& visit) {
    if (cls == nullptr) {
        return;
    }
    ForEachField(cls->myParent(), visit);
    for (size_t i = 0; i < cls->fieldCount(); ++i) {
        visit(cls->fields()[i]);
    }
}

// Every concrete class of the database, for readers and for tests that walk the class tables.
void ForEachDbClass(void (*visit)(AcRxClass* cls, void* context), void* context);

}  // namespace platform
