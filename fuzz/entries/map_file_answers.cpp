// Map-file answers to a started plug-in with its online base map loaded and a capture running: the input
// reshapes the records the plug-in asked for (any field, any path: "..", absolute, another drive, control
// characters, no end) or makes records of its own, and hands them to the hidden window as 20302 answers, with
// the clock advanced between them; the simulated map application may have left text where a picture should
// be. Whatever comes, no file outside the plug-in's own (its cache's tile folders and locks, the capture
// folder beside the drawing, its settings, its module folder) may change, appear or go, and the plug-in must
// unload leaving no window behind.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <vector>

#include "fuzz/entries/entries.h"
#include "fuzz/entries/session.h"
#include "mapsim/png.h"
#include "platform/win32/bus/bus_hooks.h"
#include "platform/win32/core/paths.h"
#include "platform/win32/core/unicode.h"
#include "plugin/app/MessageDlg.h"
#include "plugin/basemap/BaseMapLayer.h"
#include "plugin/core/Settings.h"
#include "plugin/core/SyncState.h"
#include "plugin/maplink/maplink.h"

namespace tarnfuzz {

namespace {

namespace fs = std::filesystem;

constexpr size_t kRecord = 472;
constexpr size_t kPathAt = 24;
constexpr size_t kPathBytes = 260;
constexpr int kMaxMessages = 16;

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool Done() const { return m_at >= m_size; }
    std::uint8_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    std::uint16_t Word() {
        const std::uint8_t low = Byte();
        return static_cast<std::uint16_t>(low | (Byte() << 8));
    }
    std::vector<std::uint8_t> Take(size_t n) {
        n = std::min(n, m_size - std::min(m_at, m_size));
        std::vector<std::uint8_t> bytes(m_data + m_at, m_data + m_at + n);
        m_at += n;
        return bytes;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

std::map<std::string, std::string> ListFiles(const fs::path& root) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_regular_file() && !it->is_symlink()) {
            std::ifstream in(it->path(), std::ios::binary);
            files[fs::relative(it->path(), root).generic_string()] =
                std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        }
    }
    return files;
}

bool StartsWith(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}

// The plug-in's own files, relative to the session's folder.
bool IsPluginsOwn(const std::string& relative) {
    const std::string cache = "temp/MapTemp/";
    if (StartsWith(relative, cache)) {
        const std::string rest = relative.substr(cache.size());
        const size_t slash = rest.find('/');
        const std::string first = rest.substr(0, slash);
        return (slash != std::string::npos && !first.empty() &&
                first.find_first_not_of("0123456789") == std::string::npos) ||
               (StartsWith(rest, "TarnArx_") && slash == std::string::npos);
    }
    return StartsWith(relative, "a/") || StartsWith(relative, "plugin/") || StartsWith(relative, "appdata/");
}

std::string Changes(const std::map<std::string, std::string>& before,
                    const std::map<std::string, std::string>& after) {
    std::string changes;
    for (const auto& [path, text] : before) {
        const auto found = after.find(path);
        if (!IsPluginsOwn(path) && (found == after.end() || found->second != text)) {
            changes += (found == after.end() ? "deleted " : "changed ") + path + "; ";
        }
    }
    for (const auto& [path, text] : after) {
        if (!IsPluginsOwn(path) && before.count(path) == 0) {
            changes += "made " + path + "; ";
        }
    }
    return changes;
}

std::string Windows(const fs::path& hostPath) {
    return platform::Utf16ToUtf8(platform::ToWindowsPath(hostPath.string()));
}

// The records of every 20302 request the plug-in sent.
std::vector<std::vector<std::uint8_t>> AskedRecords(const mapsim::MapSim& map) {
    std::vector<std::vector<std::uint8_t>> records;
    for (const mapsim::Request& r : map.RequestsOf(20302)) {
        for (size_t at = 16; at + kRecord <= r.payload.size(); at += kRecord) {
            records.emplace_back(r.payload.begin() + static_cast<std::ptrdiff_t>(at),
                                 r.payload.begin() + static_cast<std::ptrdiff_t>(at + kRecord));
        }
    }
    return records;
}

void SetPath(std::vector<std::uint8_t>& record, const std::string& path) {
    for (size_t i = 0; i < kPathBytes; ++i) {
        record[kPathAt + i] = i < path.size() ? static_cast<std::uint8_t>(path[i]) : 0;
    }
}

std::string PathOf(const std::vector<std::uint8_t>& record) {
    const char* text = reinterpret_cast<const char*>(record.data() + kPathAt);
    return std::string(text, strnlen(text, kPathBytes));
}

// An asked record by the input's byte: 255 is the last one sent, the capture's.
size_t IndexOf(std::uint8_t byte, size_t count) {
    return byte == 255 ? count - 1 : byte % count;
}

}  // namespace

std::string RunMapFileAnswers(const std::uint8_t* data, std::size_t size) {
    Reader in(data, size);
    const std::uint8_t flags = in.Byte();
    PluginSession session(true);
    if (!session.Problem().empty()) {
        return session.Problem();
    }
    const fs::path base = session.Base();
    // The user's files: beside the session's folders, and one in the cache folder among the tiles.
    const fs::path victim = base / "victim";
    const fs::path cache = base / "temp" / "MapTemp";
    std::error_code ec;
    fs::create_directories(victim, ec);
    fs::create_directories(cache, ec);
    std::ofstream(victim / "notes.txt") << "the user's notes";
    std::ofstream(cache / "mine.txt") << "the user's file in the cache folder";
    std::ofstream(base / "a.dxf") << "0\nEOF\n";
    mapsim::PictureMark mark;
    mark.width = mark.height = 64;
    mapsim::WritePngFile((victim / "photo.png").string(), mapsim::MakePicture(mark));
    const std::vector<std::string> victims = {Windows(victim / "notes.txt"), Windows(victim / "photo.png"),
                                              Windows(base / "a.dxf"), Windows(cache / "mine.txt")};
    const std::map<std::string, std::string> before = ListFiles(base);

    // The base map of the open drawing, loaded, and a capture of a line's extents running.
    std::array<std::uint8_t, 16> digest{};
    digest[0] = 9;
    session.map.SetCoordState(3, digest, "local grid");
    session.map.SetGridOrigin(0.0, 0.0);
    session.map.SetMapState(15, 1);
    // The simulator's own answers: held (the input's come instead), or hostile as the input says.
    session.map.FailCode(20302, 0);
    if ((flags & 1) != 0) {
        session.map.ClearScripts();
        session.map.SetHostile(static_cast<mapsim::Hostile>((flags >> 1) % 8), victims);
    }
    g_Settings.m_bOnlineMap = 1;
    CDocSyncState* state = g_DocSyncRegistry.GetDocState(session.doc, true);
    if (state == nullptr) {
        return "no state for the drawing";
    }
    CBaseMapLayer& baseMap = BaseMapOf(*state);
    baseMap.Enable();
    baseMap.Load();
    AcDbLine* line = new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(400, 200, 0));
    AcDbBlockTable* table = nullptr;
    AcDbBlockTableRecord* space = nullptr;
    AcDbObjectId lineId;
    if (session.doc->database()->getBlockTable(table, AcDb::kForRead) == Acad::eOk) {
        if (table->getAt(ACDB_MODEL_SPACE, space, AcDb::kForWrite) == Acad::eOk) {
            space->appendAcDbEntity(lineId, line);
            space->close();
        }
        table->close();
    }
    line->close();
    ads_name entity{};
    if (acdbGetAdsName(entity, lineId) == Acad::eOk) {
        baseMap.UseEntityExtents(entity, false);
    }
    platform::AdvanceClock(100);

    const std::vector<std::vector<std::uint8_t>> asked = AskedRecords(session.map);
    if ((flags & 0x10) != 0) {
        // The map application wrote the asked files (held answers or not): pictures, and text every third.
        mapsim::PictureMark small;
        small.width = small.height = 8;
        const mapsim::Image picture = mapsim::MakePicture(small);
        for (size_t n = 0; n < asked.size(); ++n) {
            const std::string host = platform::ToHostPath(platform::Utf8ToUtf16(PathOf(asked[n])));
            fs::create_directories(fs::path(host).parent_path(), ec);
            if (n % 3 == 2) {
                std::ofstream(host) << "no picture";
            } else {
                mapsim::WritePngFile(host, picture);
            }
        }
    }
    for (int i = 0; i < kMaxMessages && !in.Done() && GetMessageWindow() != nullptr; ++i) {
        const std::uint8_t selector = in.Byte();
        if (selector == 0xFF) {
            platform::AdvanceClock(static_cast<uint32_t>(in.Word()) * 8);
            continue;
        }
        // A record asked for (or zeros), its path replaced as the selector says, then patched by the input.
        std::vector<std::uint8_t> record = asked.empty() || selector % 8 == 7
                                               ? std::vector<std::uint8_t>(kRecord, 0)
                                               : asked[IndexOf(in.Byte(), asked.size())];
        const std::string own = PathOf(record);
        const std::string& aim = victims[(selector >> 3) % victims.size()];
        switch ((selector >> 5) & 7) {
            case 1:
                SetPath(record, aim);
                break;
            case 2: {
                // Up from the asked file's folder to the top of the drive, then down to the aim.
                const size_t cut = own.find_last_of('\\');
                std::string climb = cut == std::string::npos ? own : own.substr(0, cut);
                for (int n = 0; n < 12; ++n) {
                    climb += "\\..";
                }
                SetPath(record, climb + (aim.size() > 2 ? aim.substr(2) : aim));
                break;
            }
            case 3:
                if (!own.empty()) {
                    SetPath(record, "D" + own.substr(1));
                }
                break;
            case 4:
                SetPath(record, own + "\\" + std::string(kPathBytes, 'a'));
                break;
            default:
                break;
        }
        const std::uint8_t patches = in.Byte() % 6;
        for (std::uint8_t p = 0; p < patches && !in.Done(); ++p) {
            const size_t at = in.Word() % kRecord;
            const std::vector<std::uint8_t> bytes = in.Take(std::min<size_t>(in.Byte() % 32, kRecord - at));
            std::copy(bytes.begin(), bytes.end(), record.begin() + static_cast<std::ptrdiff_t>(at));
        }
        // Now and then two records in one answer, the second cut short.
        if ((selector & 0x18) == 0x18) {
            const std::vector<std::uint8_t> tail = in.Take(in.Byte());
            record.insert(record.end(), tail.begin(), tail.end());
        }
        record.shrink_to_fit();
        COPYDATASTRUCT cds{20302, static_cast<DWORD>(record.size()), record.data()};
        SendMessageW(GetMessageWindow(), WM_COPYDATA, kMapMsgWParam, reinterpret_cast<LPARAM>(&cds));
    }
    platform::AdvanceClock(5000);

    std::string problem = Changes(before, ListFiles(base));
    const std::string finished = session.Finish();
    if (problem.empty()) {
        problem = Changes(before, ListFiles(base));
    }
    if (!problem.empty()) {
        return "outside the plug-in's own files: " + problem;
    }
    return finished;
}

}  // namespace tarnfuzz
