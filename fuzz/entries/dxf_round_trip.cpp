// The drawing file's round trip: whatever the reader takes, a save writes, and it reopens as the same
// drawing. Each object read comes back under its handle, of its class, with its owner and with every
// persisted field bit for bit (an angle too large to write in degrees comes back as the same direction within
// one turn); saved again, it gives the same file.
#include <cfloat>
#include <cmath>
#include <cstring>
#include <map>
#include <string_view>

#include "fuzz/entries/entries.h"
#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/arx/acdb/dxffile.h"
#include "platform/win32/core/testhooks.h"
#include "platform/win32/core/unicode.h"

namespace tarnfuzz {

namespace {

constexpr double kTurn = 2.0 * 3.141592653589793;
constexpr long double kRadiansPerDegree = 3.141592653589793238462643383279502884L / 180.0L;

struct Seen {
    std::string cls;
    std::uint64_t owner = 0;
    std::map<std::string, std::string> fields;  // by field name: its value's bits
};

std::string Bits(const void* data, size_t size) {
    return std::string(static_cast<const char*>(data), size);
}

std::string ValueOf(const platform::FieldDesc& field, const AcDbObject* object) {
    platform::FieldValue v;
    field.get(object, v);
    if (field.kind == platform::FieldKind::kAngle && std::isfinite(v.real) &&
        std::fabs(static_cast<long double>(v.real) / kRadiansPerDegree) > static_cast<long double>(DBL_MAX)) {
        v.real = std::fmod(v.real, kTurn);
    }
    return Bits(&v.real, sizeof v.real) + Bits(&v.integer, sizeof v.integer) + Bits(v.point, sizeof v.point) +
           platform::Utf16ToUtf8(v.text) + (v.skip ? "s" : "w");
}

// Every live object by handle.
std::map<std::uint64_t, Seen> ObjectsOf(const AcDbDatabase* db) {
    std::map<std::uint64_t, Seen> out;
    platform::ForEachObjectId(db, [&](AcDbObjectId id) {
        const AcDbObject* object = platform::detail::Peek(id);
        if (object == nullptr || object->isErased()) {
            return;
        }
        Seen& seen = out[id.handle().value()];
        seen.cls = platform::Utf16ToUtf8(object->isA()->name());
        seen.owner = object->ownerId().handle().value();
        platform::ForEachField(object->isA(), [&](const platform::FieldDesc& field) {
            if (field.get != nullptr && field.code != 100) {
                seen.fields[field.name] = ValueOf(field, object);
            }
        });
    });
    return out;
}

std::string Differences(const std::map<std::uint64_t, Seen>& read,
                        const std::map<std::uint64_t, Seen>& again) {
    for (const auto& [handle, seen] : read) {
        const auto it = again.find(handle);
        const std::string at = "handle " + std::to_string(handle) + " (" + seen.cls + ")";
        if (it == again.end()) {
            return at + " is gone after the save\n";
        }
        if (it->second.cls != seen.cls) {
            return at + " reopens as " + it->second.cls + "\n";
        }
        if (it->second.owner != seen.owner) {
            return at + " moves from owner " + std::to_string(seen.owner) + " to " +
                   std::to_string(it->second.owner) + "\n";
        }
        for (const auto& [name, value] : seen.fields) {
            const auto field = it->second.fields.find(name);
            if (field == it->second.fields.end() || field->second != value) {
                return at + " reopens with another " + name + "\n";
            }
        }
    }
    return std::string();
}

}  // namespace

std::string RunDxfRoundTrip(const std::uint8_t* data, std::size_t size) {
    std::string problem;
    {
        const std::string_view text(reinterpret_cast<const char*>(data), size);
        AcDbDatabase db(false, true);
        if (platform::ReadDxf(&db, text) == Acad::eOk) {
            std::string invalid;
            const std::string saved = platform::WriteDxf(&db, &invalid);
            AcDbDatabase again(false, true);
            if (!invalid.empty()) {
                problem = "the drawing read cannot be saved: " + invalid;
            } else if (platform::ReadDxf(&again, saved) != Acad::eOk) {
                problem = "the saved drawing does not reopen: " + platform::LastDxfError().message;
            } else {
                problem = Differences(ObjectsOf(&db), ObjectsOf(&again));
                // Saved again, the reopened drawing gives the same file.
                const std::string resaved = problem.empty() ? platform::WriteDxf(&again) : saved;
                if (resaved != saved) {
                    size_t at = 0;
                    while (at < saved.size() && at < resaved.size() && saved[at] == resaved[at]) {
                        ++at;
                    }
                    problem =
                        "the reopened drawing saves to another file from byte " + std::to_string(at) + "\n";
                }
            }
        }
    }
    // The reader's lines on the command line and its last error are per process: start each input afresh.
    platform::ResetAll();
    return problem;
}

}  // namespace tarnfuzz
