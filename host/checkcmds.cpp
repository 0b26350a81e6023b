// Checks a script makes of what its commands did, so that its run ends in one line a reader can trust:
//   CHECK MAP OBJECT <key> IN <folder>       an object of the map application with that key (the entity's
//                                            handle as a number, as MAPSIM LIST shows it) lies in a folder
//                                            of that name
//   CHECK MAP OBJECT <key> NONE              the map application holds no object of that key
//   CHECK MAP OBJECT <key> RECEIVED <n>      the one object of that key came n times (new, then updates)
//   CHECK MAP FOLDER <name> IN <parent>      a folder of that name lies in a folder of the parent's name
//   CHECK LAYER <layer> <n> [<kind>]         the current drawing holds n entities on the layer (of the kind
//                                            DUMP names: IMAGE, LINE, ...)
//   CHECK SUMMARY [title]                    one line: how many checks passed and failed; fails when any
//                                            failed or none ran
// A check that does not hold prints what was found instead and counts as failed, and the script goes on;
// a check that cannot be read fails at once.
#include <sstream>
#include <string>
#include <vector>

#include "host/host.h"
#include "host/hostcmds.h"
#include "platform/arx/aced/acedcmdline.h"
#include "platform/arx/acdb/dbdatabase.h"
#include "platform/win32/core/unicode.h"

namespace tarnhost {
namespace {

std::string Upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    return text;
}

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A count or key: decimal digits only.
bool Number(const std::string& word, uint64_t& value) {
    if (word.empty() || word.size() > 19 || word.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    value = std::stoull(word);
    return true;
}

std::string FolderName(const mapsim::MapSim& map, uint32_t id) {
    const mapsim::Folder* folder = map.FindFolder(id);
    return folder != nullptr ? platform::Utf16ToUtf8(FromMapText(folder->Name())) : std::string();
}

struct Verdict {
    bool holds = false;
    std::string found;  // what was found, when it does not hold
};

Verdict CheckMapObject(const mapsim::MapSim& map, uint64_t key, const std::string& test,
                       const std::string& arg) {
    std::vector<const mapsim::StoredObject*> objects;
    for (const auto& [id, object] : map.Objects()) {
        if (object.key == key) {
            objects.push_back(&object);
        }
    }
    std::string found;
    for (const mapsim::StoredObject* object : objects) {
        found += (found.empty() ? "" : ", ") + std::string("object ") + std::to_string(object->id) +
                 " in \"" + FolderName(map, object->parent) + "\" received " +
                 std::to_string(object->received);
    }
    if (found.empty()) {
        found = "no object of that key";
    }
    if (test == "NONE") {
        return {objects.empty(), found};
    }
    if (test == "IN") {
        for (const mapsim::StoredObject* object : objects) {
            if (FolderName(map, object->parent) == arg) {
                return {true, {}};
            }
        }
        return {false, found};
    }
    uint64_t times = 0;  // RECEIVED, its number read by the caller
    Number(arg, times);
    return {objects.size() == 1 && objects[0]->received == times, found};
}

Verdict CheckMapFolder(const mapsim::MapSim& map, const std::string& name, const std::string& parent) {
    std::string found;
    for (const auto& [id, folder] : map.Folders()) {
        if (platform::Utf16ToUtf8(FromMapText(folder.Name())) != name) {
            continue;
        }
        const std::string in = FolderName(map, folder.parent);
        if (in == parent) {
            return {true, {}};
        }
        found +=
            (found.empty() ? "" : ", ") + std::string("folder ") + std::to_string(id) + " in \"" + in + "\"";
    }
    return {false, found.empty() ? "no folder of that name" : found};
}

Verdict CheckLayer(AcDbDatabase* db, const std::string& layer, uint64_t count, const std::string& kind) {
    if (db == nullptr) {
        return {false, "no drawing is open"};
    }
    uint64_t on = 0;
    for (AcDbObjectId id : ModelSpaceIds(db)) {
        AcDbEntity* entity = nullptr;
        if (acdbOpenObject(entity, id, AcDb::kForRead) != Acad::eOk) {
            continue;
        }
        if (platform::Utf16ToUtf8(entity->layer().str()) == layer &&
            (kind.empty() || Upper(platform::Utf16ToUtf8(EntityKind(entity))) == kind)) {
            ++on;
        }
        entity->close();
    }
    return {on == count, std::to_string(on) + " there"};
}

bool Usage() {
    acutPrintf(
        u"\nCHECK takes MAP OBJECT key IN folder, MAP OBJECT key NONE, MAP OBJECT key RECEIVED n, "
        u"MAP FOLDER name IN parent, LAYER name n [kind] or SUMMARY [title].");
    return false;
}

}  // namespace

bool CheckDirective(Host& host, const std::string& args) {
    std::istringstream in(args);
    std::string what;
    in >> what;
    what = Upper(what);
    Host::CheckCount& count = host.Checks();
    if (what == "SUMMARY") {
        std::string title;
        std::getline(in, title);
        title = Trim(title);
        if (title.empty()) {
            title = "Checks";
        }
        const int total = count.passed + count.failed;
        if (total == 0) {
            acutPrintf(u"\n%s: no checks ran.", platform::Utf8ToUtf16(title).c_str());
        } else if (count.failed == 0) {
            acutPrintf(u"\n%s: all %d checks passed.", platform::Utf8ToUtf16(title).c_str(), total);
        } else {
            acutPrintf(u"\n%s: %d of %d checks FAILED.", platform::Utf8ToUtf16(title).c_str(), count.failed,
                       total);
        }
        return total > 0 && count.failed == 0;
    }
    Verdict verdict;
    if (what == "MAP") {
        std::string kind;
        in >> kind;
        kind = Upper(kind);
        std::string rest;
        std::getline(in, rest);
        rest = Trim(rest);
        if (!host.MapSim().IsRunning()) {
            verdict = {false, "the map application is not running"};
        } else if (kind == "OBJECT") {
            std::istringstream words(rest);
            std::string keyWord, test;
            words >> keyWord >> test;
            test = Upper(test);
            std::string arg;
            std::getline(words, arg);
            arg = Trim(arg);
            uint64_t key = 0, times = 0;
            if (!Number(keyWord, key) || (test == "NONE" && !arg.empty()) || (test == "IN" && arg.empty()) ||
                (test == "RECEIVED" && !Number(arg, times)) ||
                (test != "NONE" && test != "IN" && test != "RECEIVED")) {
                return Usage();
            }
            verdict = CheckMapObject(host.MapSim(), key, test, arg);
        } else if (kind == "FOLDER") {
            const size_t split = rest.find(" IN ");
            if (split == std::string::npos || Trim(rest.substr(0, split)).empty() ||
                Trim(rest.substr(split + 4)).empty()) {
                return Usage();
            }
            verdict =
                CheckMapFolder(host.MapSim(), Trim(rest.substr(0, split)), Trim(rest.substr(split + 4)));
        } else {
            return Usage();
        }
    } else if (what == "LAYER") {
        std::string layer, number, kind, extra;
        uint64_t n = 0;
        if (!(in >> layer >> number) || !Number(number, n) || (in >> kind && in >> extra)) {
            return Usage();
        }
        verdict = CheckLayer(host.Drawing(), layer, n, Upper(kind));
    } else {
        return Usage();
    }
    const std::u16string line = platform::Utf8ToUtf16(Trim(args));
    if (verdict.holds) {
        ++count.passed;
        acutPrintf(u"\nChecked: %s", line.c_str());
    } else {
        ++count.failed;
        acutPrintf(u"\nCheck FAILED: %s (%s)", line.c_str(), platform::Utf8ToUtf16(verdict.found).c_str());
    }
    return true;
}

}  // namespace tarnhost
