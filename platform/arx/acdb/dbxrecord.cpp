#include "platform/arx/acdb/dbxrecord.h"

#include <cstdlib>
#include <cstring>

#include "platform/arx/acdb/dbads.h"
#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/arx/acdb/dbtables.h"
#include "platform/arx/acut/acutads.h"

using platform::RbKind;

TARN_RX_DEFINE(AcDbXrecord, AcDbObject, u"XRECORD", nullptr, 0)

Acad::ErrorStatus AcDbXrecord::setFromRbChain(const resbuf* chain, AcDbDatabase*) {
    std::vector<Item> items;
    for (const resbuf* rb = chain; rb != nullptr; rb = rb->rbnext) {
        Item item;
        item.code = rb->restype;
        item.kind = platform::RbKindOf(rb->restype);
        switch (item.kind) {
            case RbKind::kReal:
                item.real = rb->resval.rreal;
                break;
            case RbKind::kPoint:
                std::memcpy(item.point, rb->resval.rpoint, sizeof(item.point));
                break;
            case RbKind::kShort:
                item.integer = rb->resval.rint;
                break;
            case RbKind::kLong:
                item.integer = rb->resval.rlong;
                break;
            case RbKind::kInt64:
                item.integer = rb->resval.mnInt64;
                break;
            case RbKind::kString:
                item.text = rb->resval.rstring != nullptr ? rb->resval.rstring : u"";
                break;
            case RbKind::kBinary:
                if (rb->resval.rbinary.clen > 0 && rb->resval.rbinary.buf != nullptr) {
                    item.bytes.assign(rb->resval.rbinary.buf, static_cast<size_t>(rb->resval.rbinary.clen));
                }
                break;
            case RbKind::kName:
                acdbGetObjectId(item.id, rb->resval.rlname);
                break;
            default:
                return Acad::eInvalidResBuf;
        }
        items.push_back(std::move(item));
    }
    return tarnSet(m_items, std::move(items));
}

Acad::ErrorStatus AcDbXrecord::rbChain(resbuf** chain, AcDbDatabase*) const {
    if (chain == nullptr) {
        return Acad::eInvalidInput;
    }
    resbuf* head = nullptr;
    resbuf** tail = &head;
    for (const Item& item : m_items) {
        resbuf* rb = acutNewRb(item.code);
        if (rb == nullptr) {
            acutRelRb(head);
            *chain = nullptr;
            return Acad::eOutOfMemory;
        }
        switch (item.kind) {
            case RbKind::kReal:
                rb->resval.rreal = item.real;
                break;
            case RbKind::kPoint:
                std::memcpy(rb->resval.rpoint, item.point, sizeof(item.point));
                break;
            case RbKind::kShort:
                rb->resval.rint = static_cast<short>(item.integer);
                break;
            case RbKind::kLong:
                rb->resval.rlong = static_cast<Adesk::Int32>(item.integer);
                break;
            case RbKind::kInt64:
                rb->resval.mnInt64 = item.integer;
                break;
            case RbKind::kString:
                rb->resval.rstring = platform::RbDupString(item.text.c_str());
                break;
            case RbKind::kBinary:
                rb->resval.rbinary.clen = static_cast<short>(item.bytes.size());
                rb->resval.rbinary.buf = nullptr;
                if (!item.bytes.empty()) {
                    rb->resval.rbinary.buf = static_cast<char*>(std::malloc(item.bytes.size()));
                    std::memcpy(rb->resval.rbinary.buf, item.bytes.data(), item.bytes.size());
                }
                break;
            case RbKind::kName:
                acdbGetAdsName(rb->resval.rlname, item.id);
                break;
            default:
                break;
        }
        *tail = rb;
        tail = &rb->rbnext;
    }
    *chain = head;
    return Acad::eOk;
}

Acad::ErrorStatus acdbGetAdsName(ads_name& name, AcDbObjectId id) {
    name[0] = static_cast<Adesk::LongPtr>(id.serial());
    name[1] = 0;
    return id.isNull() ? Acad::eNullObjectId : Acad::eOk;
}

Acad::ErrorStatus acdbGetObjectId(AcDbObjectId& id, const ads_name name) {
    const AcDbObjectId candidate(static_cast<std::uint64_t>(name[0]));
    if (name[0] == 0 || name[1] != 0 || platform::detail::FindSlot(candidate) == nullptr) {
        return Acad::eInvalidAdsName;
    }
    id = candidate;
    return Acad::eOk;
}

int acdbRegApp(const ACHAR* appName) {
    AcDbDatabase* db = acdbHostApplicationServices()->workingDatabase();
    if (db == nullptr || !AcDbSymbolTableRecord::tarnIsValidName(appName)) {
        return RTERROR;
    }
    AcDbRegAppTable* table = nullptr;
    if (db->getRegAppTable(table, AcDb::kForRead) != Acad::eOk) {
        return RTERROR;
    }
    if (table->has(appName)) {
        table->close();
        return RTNORM;
    }
    if (table->upgradeOpen() != Acad::eOk) {
        table->close();
        return RTERROR;
    }
    auto* record = new AcDbRegAppTableRecord();
    record->setName(appName);
    Acad::ErrorStatus es = table->add(record);
    table->close();
    if (es != Acad::eOk) {
        delete record;
        return RTERROR;
    }
    record->close();
    return RTNORM;
}
