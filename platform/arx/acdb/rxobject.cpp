#include "platform/arx/acdb/rxobject.h"

#include "platform/win32/core/unicode.h"

AcRxClass::AcRxClass(const ACHAR* name, AcRxClass* parent, const ACHAR* dxfName, Factory factory,
                     const platform::FieldDesc* fields, size_t fieldCount)
    : m_name(name),
      m_parent(parent),
      m_dxfName(dxfName),
      m_factory(factory),
      m_fields(fields),
      m_fieldCount(fieldCount) {}

bool AcRxClass::isDerivedFrom(const AcRxClass* other) const {
    for (const AcRxClass* cls = this; cls != nullptr; cls = cls->m_parent) {
        if (cls == other) {
            return true;
        }
    }
    return false;
}

namespace {

struct FindContext {
    const ACHAR* name;
    bool byDxf;
    AcRxClass* found;
};

void Match(AcRxClass* cls, void* context) {
    auto* find = static_cast<FindContext*>(context);
    const ACHAR* key = find->byDxf ? cls->dxfName() : cls->name();
    if (find->found == nullptr && *key != 0 && platform::EqualsNoCase(key, find->name)) {
        find->found = cls;
    }
}

}  // namespace

AcRxClass* AcRxClass::find(const ACHAR* name) {
    if (name == nullptr) {
        return nullptr;
    }
    FindContext context{name, false, nullptr};
    platform::ForEachDbClass(Match, &context);
    return context.found;
}

AcRxClass* AcRxClass::findByDxfName(const ACHAR* dxfName) {
    if (dxfName == nullptr || *dxfName == 0) {
        return nullptr;
    }
    FindContext context{dxfName, true, nullptr};
    platform::ForEachDbClass(Match, &context);
    return context.found;
}

AcRxClass* AcRxObject::desc() {
    static AcRxClass cls(u"AcRxObject", nullptr, u"", nullptr, nullptr, 0);
    return &cls;
}

AcRxClass* AcRxObject::isA() const {
    return AcRxObject::desc();
}
