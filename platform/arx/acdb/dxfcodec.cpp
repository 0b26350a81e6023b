#include "platform/arx/acdb/dxfcodec.h"

#include <cstdlib>
#include <cstring>

#include "platform/arx/acdb/dbads.h"
#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbdict.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/arx/acdb/dblinetype.h"
#include "platform/arx/acdb/dbunknown.h"
#include "platform/arx/acdb/dbxrecord.h"
#include "platform/arx/acut/acutads.h"
#include "platform/win32/core/unicode.h"

namespace platform::dxf {

double ReadContext::real(const Group& g) {
    double value = 0.0;
    ParseReal(g.value, value);
    return value;
}

long long ReadContext::integer(const Group& g) {
    long long value = 0;
    ParseInteger(g.value, value);
    return value;
}

double ReadContext::degrees(const Group& g) {
    double value = 0.0;
    ParseDegrees(g.value, value);
    return value;
}

AcDbObjectId ReadContext::id(const Group& g) const {
    std::uint64_t handle = 0;
    return ParseHandle(g.value, handle) && handle != 0 && resolve ? resolve(handle) : AcDbObjectId();
}

namespace {

// ---- linetype dashes: 49 a length, 74 its kind (0, a plain dash) ----

void WriteDashes(const AcDbObject* object, Writer& out) {
    const auto* record = static_cast<const AcDbLinetypeTableRecord*>(object);
    for (int i = 0; i < record->numDashes(); ++i) {
        out.real(49, record->dashLengthAt(i));
        out.integer(74, 0);
    }
}

void ReadDashes(AcDbObject* object, const std::vector<Group>& body, const ReadContext&) {
    auto* record = static_cast<AcDbLinetypeTableRecord*>(object);
    std::vector<double> dashes;
    for (const Group& g : body) {
        if (g.code == 49) {
            dashes.push_back(ReadContext::real(g));
        }
    }
    // A linetype holds at most 12 dashes; a longer list is not a linetype the host could draw.
    if (record->setNumDashes(static_cast<int>(dashes.size())) != Acad::eOk) {
        return;
    }
    for (size_t i = 0; i < dashes.size(); ++i) {
        record->setDashLengthAt(static_cast<int>(i), dashes[i]);
    }
}

// ---- dictionaries: 3 a key, 350 (or 360) its object ----

void WriteDictionary(const AcDbObject* object, Writer& out) {
    const auto* dict = static_cast<const AcDbDictionary*>(object);
    out.raw(100, "AcDbDictionary");
    out.integer(281, 1);
    for (const AcDbDictionary::Entry& entry : dict->tarnEntries()) {
        const detail::DbSlot* slot = detail::FindSlot(entry.id);
        if (slot == nullptr || slot->object == nullptr || slot->erased || slot->db != dict->database() ||
            FileTypeOf(slot->object).empty()) {
            continue;
        }
        out.text(3, entry.key);
        out.handle(350, entry.id.handle().value());
    }
}

void ReadDictionary(AcDbObject* object, const std::vector<Group>& body, const ReadContext& context) {
    auto* dict = static_cast<AcDbDictionary*>(object);
    std::u16string key;
    bool haveKey = false;
    for (const Group& g : body) {
        if (g.code == 3) {
            key = context.text(g);
            haveKey = true;
            continue;
        }
        if ((g.code != 350 && g.code != 360) || !haveKey) {
            continue;
        }
        haveKey = false;
        AcDbObject* member = detail::Peek(context.id(g));
        if (member == nullptr || member == dict || key.empty() || dict->has(key.c_str()) ||
            (context.mayList && !context.mayList(dict, member))) {
            continue;
        }
        AcDbObjectId id;
        dict->setAt(key.c_str(), member, id);
    }
}

// ---- Xrecords: 280 the cloning flag, then the chain group by group ----

void WriteXrecord(const AcDbObject* object, Writer& out) {
    const auto* record = static_cast<const AcDbXrecord*>(object);
    out.raw(100, "AcDbXrecord");
    out.integer(280, 1);
    for (const AcDbXrecord::Item& item : record->tarnItems()) {
        if (item.code == 0) {
            continue;  // a group 0 would end the object
        }
        switch (item.kind) {
            case RbKind::kReal:
                out.real(item.code, item.real);
                break;
            case RbKind::kPoint:
                // Point values whose code is not a point's first coordinate go as three groups of that code.
                if (IsPointCode(item.code)) {
                    out.point(item.code, item.point);
                } else {
                    for (double c : item.point) {
                        out.real(item.code, c);
                    }
                }
                break;
            case RbKind::kShort:
            case RbKind::kLong:
            case RbKind::kInt64:
                out.integer(item.code, item.integer);
                break;
            case RbKind::kString:
                out.text(item.code, item.text);
                break;
            case RbKind::kBinary:
                out.raw(item.code, FormatBinary(item.bytes));
                break;
            case RbKind::kName: {
                const detail::DbSlot* slot = detail::FindSlot(item.id);
                const bool live = slot != nullptr && slot->object != nullptr && !slot->erased &&
                                  slot->db == record->database();
                out.handle(item.code, live ? item.id.handle().value() : 0);
                break;
            }
            default:
                break;
        }
    }
}

void ReadXrecord(AcDbObject* object, const std::vector<Group>& body, const ReadContext& context) {
    resbuf* head = nullptr;
    resbuf** tail = &head;
    size_t i = 0;
    if (!body.empty() && body[0].code == 280) {
        i = 1;
    }
    size_t count = 0;
    for (; i < body.size() && count < kMaxListItems; ++count) {
        const Group& g = body[i++];
        const RbKind kind = platform::RbKindOf(g.code);
        if (kind == RbKind::kUnknown || kind == RbKind::kNone) {
            continue;
        }
        resbuf* rb = acutNewRb(g.code);
        switch (kind) {
            case RbKind::kReal:
                rb->resval.rreal = ReadContext::real(g);
                break;
            case RbKind::kPoint: {
                rb->resval.rpoint[0] = ReadContext::real(g);
                const bool base = IsPointCode(g.code);
                for (int k = 1; k < 3; ++k) {
                    const int next = base ? g.code + 10 * k : g.code;
                    if (i < body.size() && body[i].code == next) {
                        rb->resval.rpoint[k] = ReadContext::real(body[i++]);
                    }
                }
                break;
            }
            case RbKind::kShort:
                rb->resval.rint = static_cast<short>(ReadContext::integer(g));
                break;
            case RbKind::kLong:
                rb->resval.rlong = static_cast<Adesk::Int32>(ReadContext::integer(g));
                break;
            case RbKind::kInt64:
                rb->resval.mnInt64 = ReadContext::integer(g);
                break;
            case RbKind::kString:
                rb->resval.rstring = RbDupString(context.text(g).c_str());
                break;
            case RbKind::kBinary: {
                std::string bytes;
                ParseBinary(g.value, bytes);
                // A chunk longer than a result buffer can say is cut at that length.
                const size_t length = bytes.size() < 32767 ? bytes.size() : 32767;
                rb->resval.rbinary.clen = static_cast<short>(length);
                rb->resval.rbinary.buf = nullptr;
                if (length > 0) {
                    rb->resval.rbinary.buf = static_cast<char*>(std::malloc(length));
                    std::memcpy(rb->resval.rbinary.buf, bytes.data(), length);
                }
                break;
            }
            case RbKind::kName:
                rb->resval.rlname[0] = 0;
                rb->resval.rlname[1] = 0;
                acdbGetAdsName(rb->resval.rlname, context.id(g));
                break;
            default:
                break;
        }
        *tail = rb;
        tail = &rb->rbnext;
    }
    static_cast<AcDbXrecord*>(object)->setFromRbChain(head);
    acutRelRb(head);
}

const Codec kCodecs[] = {
    {u"AcDbLinetypeTableRecord", WriteDashes, ReadDashes},
    {u"AcDbDictionary", WriteDictionary, ReadDictionary},
    {u"AcDbXrecord", WriteXrecord, ReadXrecord},
};

}  // namespace

namespace {

// The codecs classes register from their own files (filled by static initialisation, read afterwards).
std::vector<const Codec*>& RegisteredCodecs() {
    static std::vector<const Codec*> codecs;
    return codecs;
}

}  // namespace

CodecRegistration::CodecRegistration(const Codec* codec) {
    RegisteredCodecs().push_back(codec);
}

std::string FileTypeOf(const AcDbObject* object) {
    if (const auto* unknown = AcDbUnknownObject::cast(object)) {
        return unknown->tarnFileType();
    }
    if (const auto* unknown = AcDbUnknownEntity::cast(object)) {
        return unknown->tarnFileType();
    }
    return EncodeText(object->isA()->dxfName());
}

const Codec* FindCodec(const AcRxClass* cls) {
    for (const Codec& codec : kCodecs) {
        if (std::u16string_view(codec.className) == cls->name()) {
            return &codec;
        }
    }
    for (const Codec* codec : RegisteredCodecs()) {
        if (std::u16string_view(codec->className) == cls->name()) {
            return codec;
        }
    }
    return nullptr;
}

const std::vector<AnnouncedClass>& AnnouncedClasses() {
    // Object kinds that came after the file format's own: images and their definitions, the draw order.
    static const std::vector<AnnouncedClass> kAnnounced = {
        {"IMAGE", "AcDbRasterImage", true},
        {"IMAGEDEF", "AcDbRasterImageDef", false},
        {"IMAGEDEF_REACTOR", "AcDbRasterImageDefReactor", false},
        {"RASTERVARIABLES", "AcDbRasterVariables", false},
        {"SORTENTSTABLE", "AcDbSortentsTable", false},
    };
    return kAnnounced;
}

}  // namespace platform::dxf
