// Linetype files: whatever loads leaves the drawing sound, with linetypes it can save and reopen.
#include <cmath>

#include "fuzz/entries/entries.h"
#include "fuzz/entries/files.h"
#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dblinetype.h"
#include "platform/arx/acdb/dbtables.h"
#include "platform/arx/acdb/dxffile.h"
#include "platform/win32/core/testhooks.h"
#include "platform/win32/core/unicode.h"

namespace tarnfuzz {

std::string RunLinetypeFile(const std::uint8_t* data, std::size_t size) {
    const std::string path = WriteScratchFile("fuzz.lin", data, size);
    if (path.empty()) {
        return {};
    }
    std::string problem;
    {
        AcDbDatabase db(true, false);
        acdbLoadLineTypeFile(u"*", platform::Utf8ToUtf16(path).c_str(), &db);
        if (const std::string broken = platform::CheckDatabase(&db); !broken.empty()) {
            problem = "loading left the drawing unsound:\n" + broken;
        } else {
            const std::string saved = platform::WriteDxf(&db);
            AcDbDatabase again(false, true);
            if (platform::ReadDxf(&again, saved) != Acad::eOk) {
                problem = "a drawing with the loaded linetypes does not reopen: " +
                          platform::LastDxfError().message;
            }
        }
    }
    platform::ResetAll();
    return problem;
}

}  // namespace tarnfuzz
