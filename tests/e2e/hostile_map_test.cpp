// A hostile map application against the loaded plug-in: its tile and capture answers name paths outside the
// cache ("..", absolute, another drive, over-long, control characters) or leave text where a picture should
// be. Every file under the test's folder is listed before and after, and every open of a user's file is
// watched: nothing outside the plug-in's own files may change, be opened for insertion or be deleted, and
// the unload's clean-up leaves the user's file in the cache folder alone.
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <map>

#include "basemap_fixture.h"
#include "mapsim/png.h"
#include "platform/win32/bus/bus_hooks.h"

namespace {

namespace fs = std::filesystem;
using platform::CommandOutcome;

// Every file below the root (links not followed) with its contents.
std::map<std::string, std::string> ListFiles(const std::string& root) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_regular_file() && !it->is_symlink()) {
            files[fs::relative(it->path(), root).generic_string()] = e2e::ReadFile(it->path().string());
        }
    }
    return files;
}

bool StartsWith(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}

bool AllDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// The plug-in's own files, relative to the test's folder: its settings, its cache's tile folders, locks and
// mark, and the capture pictures in the folder beside the drawing.
bool IsPluginsOwn(const std::string& relative) {
    const std::string cache = "home/temp/MapTemp/";
    if (StartsWith(relative, cache)) {
        const std::string rest = relative.substr(cache.size());
        const size_t slash = rest.find('/');
        return (slash != std::string::npos && AllDigits(rest.substr(0, slash))) ||
               (StartsWith(rest, "TarnArx") && rest.find('/') == std::string::npos);
    }
    return StartsWith(relative, "site/") || StartsWith(relative, "home/appdata/TarnArx") ||
           StartsWith(relative, "home/modules/");  // the module the host loads and its debug log
}

// What changed outside the plug-in's own files between two listings.
std::string Changes(const std::map<std::string, std::string>& before,
                    const std::map<std::string, std::string>& after) {
    std::string changes;
    for (const auto& [path, text] : before) {
        if (IsPluginsOwn(path)) {
            continue;
        }
        const auto found = after.find(path);
        if (found == after.end()) {
            changes += "deleted " + path + "\n";
        } else if (found->second != text) {
            changes += "changed " + path + "\n";
        }
    }
    for (const auto& [path, text] : after) {
        if (!IsPluginsOwn(path) && before.count(path) == 0) {
            changes += "made " + path + "\n";
        }
    }
    return changes;
}

// Opens, writes and deletions of the named files in watched folders, as the kernel reports them.
class FileWatch {
public:
    FileWatch() : m_fd(inotify_init1(IN_NONBLOCK)) {}
    ~FileWatch() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    FileWatch(const FileWatch&) = delete;
    FileWatch& operator=(const FileWatch&) = delete;

    bool Watch(const std::string& folder, std::vector<std::string> names) {
        const int wd = inotify_add_watch(m_fd, folder.c_str(),
                                         IN_OPEN | IN_MODIFY | IN_DELETE | IN_MOVED_FROM | IN_ATTRIB);
        if (wd < 0) {
            return false;
        }
        m_folders[wd] = {folder, std::move(names)};
        return true;
    }
    // The events seen since the last call on the watched names.
    std::string Events() {
        std::string seen;
        alignas(inotify_event) char buffer[8192];
        for (;;) {
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                const auto folder = m_folders.find(event->wd);
                const std::string name = event->len > 0 ? event->name : "";
                if (folder == m_folders.end() ||
                    std::find(folder->second.second.begin(), folder->second.second.end(), name) ==
                        folder->second.second.end()) {
                    continue;
                }
                seen += folder->second.first + "/" + name + ((event->mask & IN_OPEN) != 0 ? " opened" : "") +
                        ((event->mask & IN_MODIFY) != 0 ? " written" : "") +
                        ((event->mask & (IN_DELETE | IN_MOVED_FROM)) != 0 ? " deleted" : "") +
                        ((event->mask & IN_ATTRIB) != 0 ? " changed" : "") + "\n";
            }
        }
        return seen;
    }

private:
    int m_fd;
    std::map<int, std::pair<std::string, std::vector<std::string>>> m_folders;
};

class HostileMapTest : public e2e::BaseMapHostTest {
protected:
    // The host paths of every picture the drawing holds.
    std::vector<std::string> PictureFiles() {
        std::vector<std::string> files;
        AcDbDictionary* dict = nullptr;
        if (acdbOpenObject(dict, AcDbRasterImageDef::imageDictionary(host.Drawing()), AcDb::kForRead) !=
            Acad::eOk) {
            return files;
        }
        AcDbDictionaryIterator* it = dict->newIterator();
        for (; !it->done(); it->next()) {
            AcDbRasterImageDef* def = nullptr;
            if (acdbOpenObject(def, it->objectId(), AcDb::kForRead) == Acad::eOk) {
                files.push_back(platform::ToHostPath(def->sourceFileName()));
                def->close();
            }
        }
        delete it;
        dict->close();
        return files;
    }

    std::string Win(const std::string& hostPath) const {
        return platform::Utf16ToUtf8(platform::ToWindowsPath(hostPath));
    }
};

TEST_F(HostileMapTest, NothingOutsideThePluginsOwnFilesIsTouchedByHostileAnswers) {
    mapsim::MapSim& map = host.MapSim();
    const std::string cache = host.Options().tempFolder + "/MapTemp";
    fs::create_directories(dir + "/victim");
    fs::create_directories(cache);
    e2e::WriteFile(dir + "/victim/notes.txt", "the user's notes");
    mapsim::PictureMark mark;
    mark.width = mark.height = 512;
    ASSERT_TRUE(mapsim::WritePngFile(dir + "/victim/photo.png", mapsim::MakePicture(mark)));
    e2e::WriteFile(cache + "/mine.txt", "the user's file in the cache folder");
    e2e::WriteFile(dir + "/readme.txt", "beside the drawing");
    // The answers aim at the user's files and at the open drawing's own file.
    map.SetHostile(mapsim::Hostile::All,
                   {Win(dir + "/victim/notes.txt"), Win(dir + "/victim/photo.png"), Win(dir + "/site.dxf"),
                    Win(cache + "/mine.txt"), Win(dir + "/readme.txt")});
    const std::map<std::string, std::string> before = ListFiles(dir);
    FileWatch watch;
    ASSERT_TRUE(watch.Watch(dir + "/victim", {"notes.txt", "photo.png"}));
    ASSERT_TRUE(watch.Watch(dir, {"site.dxf", "readme.txt"}));
    ASSERT_TRUE(watch.Watch(cache, {"mine.txt"}));

    LoadWithBaseMap();
    ASSERT_EQ(Run("ZOOM", {"499600,2999800", "500400,3000200"}), CommandOutcome::kEnded);
    for (int i = 0; i < 10; ++i) {
        host.Wait(1000);
    }
    const size_t tileAnswers = map.HostilePaths().size();
    EXPECT_GE(tileAnswers, 6u);  // every kind went to tiles

    // Then one capture under each kind. An answer taken for no capture leaves it running: two minutes on
    // the clock end it before the next.
    const std::pair<mapsim::Hostile, std::string> captures[] = {
        {mapsim::Hostile::Absolute, dir + "/victim/photo.png"},
        {mapsim::Hostile::ParentClimb, dir + "/victim/notes.txt"},
        {mapsim::Hostile::ParentClimb, dir + "/victim/photo.png"},
        {mapsim::Hostile::Absolute, dir + "/site.dxf"},
        {mapsim::Hostile::OtherDrive, ""},
        {mapsim::Hostile::OverLong, ""},
        {mapsim::Hostile::ControlChar, ""},
        {mapsim::Hostile::NotAPicture, ""},
    };
    const size_t requestsBefore = map.RequestsOf(20302).size();
    for (const auto& [mode, victim] : captures) {
        map.SetHostile(mode,
                       victim.empty() ? std::vector<std::string>{} : std::vector<std::string>{Win(victim)});
        ASSERT_EQ(Run("TOOLBAR 下载", {"select 8144 11", "click 1", "499800,2999900", "500200,3000100"}),
                  CommandOutcome::kEnded);
        for (int i = 0; i < 125; ++i) {
            host.Wait(1000);
        }
        EXPECT_FALSE(map.HostilePaths().empty());
    }
    EXPECT_GE(map.RequestsOf(20302).size(), requestsBefore + std::size(captures));
    EXPECT_EQ(watch.Events(), "");
    EXPECT_EQ(Changes(before, ListFiles(dir)), "");
    for (const std::string& file : PictureFiles()) {
        EXPECT_TRUE(IsPluginsOwn(fs::relative(file, dir).generic_string())) << file;
    }
    watch.Events();  // the listing's own reads

    std::string error;
    ASSERT_TRUE(host.UnloadModule("TarnArx", &error)) << error;
    EXPECT_EQ(watch.Events(), "");
    const std::map<std::string, std::string> after = ListFiles(dir);
    EXPECT_EQ(Changes(before, after), "");
    EXPECT_EQ(e2e::ReadFile(cache + "/mine.txt"), "the user's file in the cache folder");
    for (const auto& [path, text] : after) {
        EXPECT_FALSE(StartsWith(path, "home/temp/MapTemp/") && path != "home/temp/MapTemp/mine.txt")
            << "left after the unload: " << path;
    }
}

}  // namespace
