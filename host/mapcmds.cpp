// The console's hand on the simulated map application, acting as its user would:
//   MAPSIM STATUS              whether it runs, the client registered with it, its menu entry and view
//   MAPSIM LIST                its folders and objects
//   MAPSIM FOLDER <name>       makes a folder under the top folder
//   MAPSIM SELECT <id> ...     the user's selection in the map (no ids: nothing selected)
//   MAPSIM SENDTOCAD           the user chooses "send to CAD": the notification arrives from the pump
//   MAPSIM START | STOP        starts or ends the map application
#include <sstream>

#include "host/host.h"
#include "host/hostcmds.h"
#include "platform/arx/aced/acedcmdline.h"
#include "platform/win32/core/unicode.h"

namespace tarnhost {

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
    if (!map.IsRunning()) {
        acutPrintf(u"\nThe map application is not running.");
        return false;
    }
    if (what == "LIST") {
        acutPrintf(u"\n%d folders, %d objects", static_cast<int>(map.Folders().size()),
                   static_cast<int>(map.Objects().size()));
        for (const auto& [id, folder] : map.Folders()) {
            acutPrintf(u"\n  folder %u in %u \"%S\"", id, folder.parent, folder.Name().c_str());
        }
        for (const auto& [id, object] : map.Objects()) {
            acutPrintf(u"\n  object %u type %u in %u \"%S\"", id, object.type, object.parent,
                       object.Name().c_str());
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
        acutPrintf(u"\nFolder %u made.", map.AddFolder(mapsim::kRootFolder, name));
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
    if (what == "SENDTOCAD") {
        map.NotifySendToCad(true);
        host.Idle();
        return true;
    }
    acutPrintf(u"\nMAPSIM takes STATUS, LIST, FOLDER, SELECT, SENDTOCAD, START or STOP.");
    return false;
}

}  // namespace tarnhost
