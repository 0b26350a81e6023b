// The drawing-file reader: a drawing that reads must be sound, and must save to a file that reopens sound.
#include <string_view>

#include "fuzz/entries/entries.h"
#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/arx/acdb/dxffile.h"
#include "platform/win32/core/testhooks.h"

namespace tarnfuzz {

namespace {

// Every owner chain ends: nothing owns, through others, what owns it.
std::string OwnershipCycles(const AcDbDatabase* db) {
    size_t count = 0;
    platform::ForEachObjectId(db, [&](AcDbObjectId) { ++count; });
    std::string problem;
    platform::ForEachObjectId(db, [&](AcDbObjectId id) {
        size_t steps = 0;
        for (AcDbObjectId up = id; !up.isNull() && steps <= count; ++steps) {
            const AcDbObject* object = platform::detail::Peek(up);
            up = object != nullptr ? object->ownerId() : AcDbObjectId();
        }
        if (steps > count) {
            problem = "handle " + std::to_string(id.handle().value()) + ": its owners run in a circle\n";
        }
    });
    return problem;
}

std::string Unsound(const AcDbDatabase* db) {
    return platform::CheckDatabase(db) + OwnershipCycles(db);
}

}  // namespace

std::string RunDxfRead(const std::uint8_t* data, std::size_t size) {
    std::string problem;
    {
        const std::string_view text(reinterpret_cast<const char*>(data), size);
        AcDbDatabase db(false, true);
        if (platform::ReadDxf(&db, text) == Acad::eOk) {
            if (const std::string broken = Unsound(&db); !broken.empty()) {
                problem = "read a drawing that is not sound:\n" + broken;
            } else {
                const std::string saved = platform::WriteDxf(&db);
                AcDbDatabase again(false, true);
                if (platform::ReadDxf(&again, saved) != Acad::eOk) {
                    problem = "the saved drawing does not reopen: " + platform::LastDxfError().message;
                } else if (const std::string reopened = Unsound(&again); !reopened.empty()) {
                    problem = "the saved drawing reopens unsound:\n" + reopened;
                }
            }
        }
    }
    // The reader's lines on the command line and its last error are per process: start each input afresh.
    platform::ResetAll();
    return problem;
}

}  // namespace tarnfuzz
