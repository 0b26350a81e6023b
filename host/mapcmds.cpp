// The console's hand on the simulated map application, acting as its user would:
//   MAPSIM STATUS              whether it runs, the client registered with it, its menu entry and view
//   MAPSIM LIST                its folders and objects
//   MAPSIM FOLDER <name>       makes a folder under the top folder
//   MAPSIM SELECT <id> ...     the user's selection in the map (no ids: nothing selected)
//   MAPSIM SENDTOCAD           the user chooses "send to CAD": the notification arrives from the pump
//   MAPSIM SAMPLES             adds a folder with one object of every kind and selects it all
//   MAPSIM MALFORMED <fault>   the next selection answer is malformed (TotalBeyondEnd, NegativeSize, ...)
//   MAPSIM START | STOP        starts or ends the map application
//   MAPSIM GRID <type> <x> <y> <level>  its coordinate type, its grid's origin and its view's level
//   MAPSIM FILES               the map files it has rendered
//   MAPSIM RENDER <x1> <y1> <x2> <y2> <level>  the whole view rendered as one picture, sent to the plug-in
//   MAPSIM PICK <lat> <lon>    the point its user picks after the plug-in asks for one
//   MAPSIM HOSTILE <mode> [<victim path>]  its map-file answers name paths outside what was asked (OFF,
//   CLIMB,
//                              ABSOLUTE, DRIVE, LONG, CONTROL, NOPICTURE, ALL), aimed at the victim file
#include <array>
#include <cmath>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "host/host.h"
#include "host/hostcmds.h"
#include "mapsim/samples.h"
#include "platform/arx/aced/acedcmdline.h"
#include "platform/win32/core/paths.h"
#include "platform/win32/core/unicode.h"

namespace tarnhost {
namespace {

// Texts as the map application holds them: each UTF-16 unit in one to three bytes, the halves of a
// surrogate pair one by one, as its own input stores what its user types.
std::string ToMapText(const std::u16string& text) {
    std::string out;
    for (char16_t unit : text) {
        const unsigned c = unit;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace

// And back, for showing them: a byte that starts no whole sequence shows as "?".
std::u16string FromMapText(const std::string& text) {
    std::u16string out;
    for (size_t i = 0; i < text.size();) {
        const auto byte = [&](size_t at) { return static_cast<unsigned char>(text[at]); };
        const unsigned lead = byte(i);
        const size_t length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : 0;
        bool whole = length != 0 && i + length <= text.size();
        for (size_t k = 1; whole && k < length; ++k) {
            whole = (byte(i + k) & 0xC0) == 0x80;
        }
        if (!whole) {
            out += u'?';
            ++i;
            continue;
        }
        unsigned c = length == 1 ? lead : length == 2 ? lead & 0x1F : lead & 0x0F;
        for (size_t k = 1; k < length; ++k) {
            c = (c << 6) | (byte(i + k) & 0x3F);
        }
        out += static_cast<char16_t>(c);
        i += length;
    }
    return out;
}

bool MapSimDirective(Host& host, const std::string& args) {
    mapsim::MapSim& map = host.MapSim();
    std::istringstream in(args);
    std::string what;
    in >> what;
    for (char& c : what) {
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    if (what == "START") {
        if (!map.IsRunning() && !map.Start()) {
            acutPrintf(u"\nThe map application did not start.");
            return false;
        }
        return true;
    }
    if (what == "STOP") {
        map.Stop();
        return true;
    }
    if (what == "STATUS") {
        acutPrintf(u"\nMap application %s", map.IsRunning() ? u"running" : u"not running");
        if (map.IsRunning()) {
            acutPrintf(u"; client \"%s\"; menu entry %s; view %g,%g level %u", map.ClientName().c_str(),
                       map.MenuEntryPresent() ? u"present" : u"absent", map.View().x, map.View().y,
                       map.View().level);
        }
        return true;
    }
    if (what == "GRID") {
        uint32_t type = 0, level = 0;
        double x = 0, y = 0;
        if (!(in >> type >> x >> y >> level) || !std::isfinite(x) || !std::isfinite(y) || level < 1 ||
            level > 28) {
            acutPrintf(
                u"\nMAPSIM GRID needs a coordinate type, the origin's x and y and a level of 1 to 28.");
            return false;
        }
        std::array<uint8_t, 16> digest{};
        digest[0] = static_cast<uint8_t>(type);
        map.SetCoordState(type, digest, "grid " + std::to_string(type));
        map.SetGridOrigin(x, y);
        map.SetMapState(level, map.View().mapId);
        return true;
    }
    if (what == "FILES") {
        acutPrintf(u"\n%u map files rendered", static_cast<unsigned>(map.WrittenFiles().size()));
        for (const std::string& path : map.WrittenFiles()) {
            acutPrintf(u"\n  %s", FromMapText(path).c_str());
        }
        return true;
    }
    if (!map.IsRunning()) {
        acutPrintf(u"\nThe map application is not running.");
        return false;
    }
    if (what == "RENDER") {
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        uint32_t level = 0;
        if (!(in >> x1 >> y1 >> x2 >> y2 >> level) || !(x2 > x1) || !(y2 > y1) || level < 1 || level > 28) {
            acutPrintf(u"\nMAPSIM RENDER needs two corners (lower left first) and a level of 1 to 28.");
            return false;
        }
        map.SendRenderedView(x1, y1, x2, y2, level);
        return true;
    }
    if (what == "PICK") {
        double latitude = 0, longitude = 0;
        if (!(in >> latitude >> longitude) || !std::isfinite(latitude) || !std::isfinite(longitude)) {
            acutPrintf(u"\nMAPSIM PICK needs a latitude and a longitude.");
            return false;
        }
        map.SetPickedPoint(latitude, longitude);
        return true;
    }
    if (what == "LIST") {
        acutPrintf(u"\n%d folders, %d objects", static_cast<int>(map.Folders().size()),
                   static_cast<int>(map.Objects().size()));
        for (const auto& [id, folder] : map.Folders()) {
            acutPrintf(u"\n  folder %u in %u \"%s\"", id, folder.parent, FromMapText(folder.Name()).c_str());
            // The folder of an exploded entity counts the parts that came with it.
            if (folder.record.size() > 115 && folder.record[115] == 1) {
                uint32_t parts = 0;
                std::memcpy(&parts, folder.record.data() + 100, 4);
                acutPrintf(u" exploded, %u parts", parts);
            }
        }
        for (const auto& [id, object] : map.Objects()) {
            acutPrintf(u"\n  object %u type %u in %u \"%s\" key %I64u", id, object.type, object.parent,
                       FromMapText(object.Name()).c_str(), static_cast<unsigned long long>(object.key));
        }
        return true;
    }
    if (what == "FOLDER") {
        std::string name;
        std::getline(in >> std::ws, name);
        if (name.empty()) {
            acutPrintf(u"\nMAPSIM FOLDER needs a name.");
            return false;
        }
        acutPrintf(u"\nFolder %u made.",
                   map.AddFolder(mapsim::kRootFolder, ToMapText(platform::Utf8ToUtf16(name))));
        return true;
    }
    if (what == "SELECT") {
        std::vector<uint32_t> ids;
        uint32_t id = 0;
        while (in >> id) {
            if (map.FindObject(id) == nullptr && map.FindFolder(id) == nullptr) {
                acutPrintf(u"\nThe map has no object %u.", id);
                return false;
            }
            ids.push_back(id);
        }
        map.Select(ids);
        return true;
    }
    if (what == "SAMPLES") {
        const std::vector<uint32_t> ids = mapsim::AddSampleObjects(map);
        acutPrintf(u"\n%d map objects selected.", static_cast<int>(ids.size()));
        return true;
    }
    if (what == "MALFORMED") {
        std::string name;
        in >> name;
        mapsim::Malformed kind{};
        if (!mapsim::MalformedByName(name, &kind)) {
            acutPrintf(
                u"\nMAPSIM MALFORMED takes TotalBeyondEnd, NegativeSize, ZeroSize, RecordPastEnd, "
                u"ChildCountPastEnd, UnterminatedName, TrackCountOverflow or MultiNegativeItems.");
            return false;
        }
        map.ReplaceNextAnswer(20110, mapsim::MalformedSelection(kind));
        return true;
    }
    if (what == "HOSTILE") {
        std::string name;
        in >> name;
        mapsim::Hostile mode{};
        if (!mapsim::HostileByName(name, &mode)) {
            acutPrintf(
                u"\nMAPSIM HOSTILE takes OFF, CLIMB, ABSOLUTE, DRIVE, LONG, CONTROL, NOPICTURE or ALL, then "
                u"a victim file's path if wanted.");
            return false;
        }
        std::string victim;
        std::getline(in >> std::ws, victim);
        std::vector<std::string> victims;
        if (!victim.empty()) {
            const bool windows = victim.size() > 1 && victim[1] == ':';
            victims.push_back(windows ? victim : platform::Utf16ToUtf8(platform::ToWindowsPath(victim)));
        }
        map.SetHostile(mode, std::move(victims));
        return true;
    }
    if (what == "SENDTOCAD") {
        map.NotifySendToCad(true);
        host.Idle();
        return true;
    }
    acutPrintf(
        u"\nMAPSIM takes STATUS, LIST, FOLDER, SELECT, SAMPLES, MALFORMED, HOSTILE, SENDTOCAD, START or "
        u"STOP.");
    return false;
}

}  // namespace tarnhost
