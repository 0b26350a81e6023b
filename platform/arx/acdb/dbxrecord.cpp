#include "platform/arx/acdb/dbxrecord.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/arx/acdb/dbads.h"
#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/arx/acdb/dbtables.h"
#include "platform/arx/acut/acutads.h"

using platform::RbKind;

TARN_RX_DEFINE(AcDbXrecord, AcDbObject, u"XRECORD", nullptr, 0)

namespace {

// The bytes of an item's value in the packed form; 0 for a kind an Xrecord cannot hold.
size_t ValueBytes(const resbuf* rb, RbKind kind) {
    switch (kind) {
        case RbKind::kReal:
            return sizeof(double);
        case RbKind::kPoint:
            return 3 * sizeof(double);
        case RbKind::kShort:
            return sizeof(std::int16_t);
        case RbKind::kLong:
            return sizeof(std::int32_t);
        case RbKind::kInt64:
        case RbKind::kName:
            return sizeof(std::int64_t);
        case RbKind::kString:
            return sizeof(std::uint32_t) + (rb->resval.rstring != nullptr
                                                ? std::char_traits<char16_t>::length(rb->resval.rstring)
                                                : 0) *
                                               sizeof(char16_t);
        case RbKind::kBinary:
            return sizeof(std::uint32_t) + (rb->resval.rbinary.clen > 0 && rb->resval.rbinary.buf != nullptr
                                                ? static_cast<size_t>(rb->resval.rbinary.clen)
                                                : 0);
        default:
            return 0;
    }
}

class Packer {
public:
    explicit Packer(char* at) : m_at(at) {}
    template <class T>
    void put(const T& value) {
        std::memcpy(m_at, &value, sizeof value);
        m_at += sizeof value;
    }
    void bytes(const void* data, size_t size) {
        put(static_cast<std::uint32_t>(size));
        if (size > 0) {
            std::memcpy(m_at, data, size);
        }
        m_at += size;
    }

private:
    char* m_at;
};

class Unpacker {
public:
    Unpacker(const char* at, const char* end) : m_at(at), m_end(end) {}
    bool done() const { return m_at >= m_end; }
    template <class T>
    T get() {
        T value{};
        if (static_cast<size_t>(m_end - m_at) >= sizeof value) {
            std::memcpy(&value, m_at, sizeof value);
            m_at += sizeof value;
        } else {
            m_at = m_end;
        }
        return value;
    }
    // A length in bytes and the units after it.
    template <class C>
    std::basic_string<C> text() {
        const size_t n =
            std::min<size_t>(get<std::uint32_t>(), static_cast<size_t>(m_end - m_at)) / sizeof(C);
        std::basic_string<C> out(n, C());
        if (n > 0) {
            std::memcpy(out.data(), m_at, n * sizeof(C));
        }
        m_at += n * sizeof(C);
        return out;
    }

private:
    const char* m_at;
    const char* m_end;
};

}  // namespace

Acad::ErrorStatus AcDbXrecord::setFromRbChain(const resbuf* chain, AcDbDatabase*) {
    // The size first, so that the items take what they need and no more.
    size_t size = 0;
    for (const resbuf* rb = chain; rb != nullptr; rb = rb->rbnext) {
        const size_t value = ValueBytes(rb, platform::RbKindOf(rb->restype));
        if (value == 0) {
            return Acad::eInvalidResBuf;
        }
        size += sizeof(std::int16_t) + value;
    }
    std::vector<char> data(size);
    Packer out(data.data());
    for (const resbuf* rb = chain; rb != nullptr; rb = rb->rbnext) {
        out.put(static_cast<std::int16_t>(rb->restype));
        switch (platform::RbKindOf(rb->restype)) {
            case RbKind::kReal:
                out.put(rb->resval.rreal);
                break;
            case RbKind::kPoint:
                out.put(rb->resval.rpoint[0]);
                out.put(rb->resval.rpoint[1]);
                out.put(rb->resval.rpoint[2]);
                break;
            case RbKind::kShort:
                out.put(static_cast<std::int16_t>(rb->resval.rint));
                break;
            case RbKind::kLong:
                out.put(static_cast<std::int32_t>(rb->resval.rlong));
                break;
            case RbKind::kInt64:
                out.put(static_cast<std::int64_t>(rb->resval.mnInt64));
                break;
            case RbKind::kString: {
                const ACHAR* text = rb->resval.rstring != nullptr ? rb->resval.rstring : u"";
                out.bytes(text, std::char_traits<char16_t>::length(text) * sizeof(char16_t));
                break;
            }
            case RbKind::kBinary: {
                const bool some = rb->resval.rbinary.clen > 0 && rb->resval.rbinary.buf != nullptr;
                out.bytes(rb->resval.rbinary.buf, some ? static_cast<size_t>(rb->resval.rbinary.clen) : 0);
                break;
            }
            case RbKind::kName: {
                AcDbObjectId id;
                acdbGetObjectId(id, rb->resval.rlname);
                out.put(static_cast<std::uint64_t>(id.serial()));
                break;
            }
            default:
                break;
        }
    }
    return tarnSet(m_data, std::move(data));
}

std::vector<AcDbXrecord::Item> AcDbXrecord::tarnItems() const {
    std::vector<Item> items;
    Unpacker in(m_data.data(), m_data.data() + m_data.size());
    while (!in.done()) {
        Item item;
        item.code = in.get<std::int16_t>();
        item.kind = platform::RbKindOf(item.code);
        switch (item.kind) {
            case RbKind::kReal:
                item.real = in.get<double>();
                break;
            case RbKind::kPoint:
                for (double& c : item.point) {
                    c = in.get<double>();
                }
                break;
            case RbKind::kShort:
                item.integer = in.get<std::int16_t>();
                break;
            case RbKind::kLong:
                item.integer = in.get<std::int32_t>();
                break;
            case RbKind::kInt64:
                item.integer = in.get<std::int64_t>();
                break;
            case RbKind::kString:
                item.text = in.text<char16_t>();
                break;
            case RbKind::kBinary:
                item.bytes = in.text<char>();
                break;
            case RbKind::kName:
                item.id = AcDbObjectId(in.get<std::uint64_t>());
                break;
            default:
                break;
        }
        items.push_back(std::move(item));
    }
    return items;
}

Acad::ErrorStatus AcDbXrecord::rbChain(resbuf** chain, AcDbDatabase*) const {
    if (chain == nullptr) {
        return Acad::eInvalidInput;
    }
    resbuf* head = nullptr;
    resbuf** tail = &head;
    for (const Item& item : tarnItems()) {
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
