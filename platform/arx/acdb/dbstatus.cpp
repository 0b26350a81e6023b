#include "platform/arx/acdb/dbstatus.h"

namespace {

struct StatusName {
    Acad::ErrorStatus status;
    const char* name;
    const char16_t* wide;
};

constexpr StatusName kNames[] = {
#define TARN_ACAD_STATUS_NAME(name, value) {Acad::name, #name, u## #name},
    TARN_ACAD_STATUSES(TARN_ACAD_STATUS_NAME)
#undef TARN_ACAD_STATUS_NAME
};

const StatusName* Find(Acad::ErrorStatus es) {
    for (const StatusName& entry : kNames) {
        if (entry.status == es) {
            return &entry;
        }
    }
    return nullptr;
}

}  // namespace

const char* acadErrorStatusName(Acad::ErrorStatus es) {
    const StatusName* entry = Find(es);
    return entry != nullptr ? entry->name : "eUnknownStatus";
}

const char16_t* acadErrorStatusText(Acad::ErrorStatus es) {
    const StatusName* entry = Find(es);
    return entry != nullptr ? entry->wide : u"eUnknownStatus";
}
