// The simulated map application: a window of class "tarnWin" that speaks the map application's message
// interface to the plug-in's window "TarnArxWin". It keeps folders, objects (the serialised bytes it was
// sent), the user's selection, coordinate and view state, the tile grid, the menu entry and the update offer;
// it writes real PNG files for map-file requests. Tests script it to refuse, fail, vanish, stall or answer
// with bytes of their own, and read back every request it received, byte for byte.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "mapsim/records.h"
#include "mapsim/wire.h"
#include "platform/win32/windows.h"

namespace mapsim {

inline constexpr WPARAM kMapWParam = 1001;
inline constexpr uint32_t kRootFolder = 1;     // the map's top folder; the plug-in asks for it as 1
inline constexpr LRESULT kFailed = -6;         // "could not handle the message": malformed requests
inline constexpr LRESULT kNotRegistered = -1;  // a request under an id this run never gave out
inline constexpr uint32_t kMaxPicturePixels = 4096u * 4096u;  // larger map pictures: -5

// How the answer message of a code travels: none (the return value is the answer), sent back to the plug-in
// before the request returns (nested), or sent from the message pump later (queued).
enum class AnswerMode { Return, Nested, Queued };

// One request as received.
struct Request {
    UINT message = 0;
    WPARAM wParam = 0;
    uint32_t dwData = 0;  // low 32 bits
    uint16_t code = 0;
    uint16_t regId = 0;
    Bytes payload;
};

// One message the simulator sent to the plug-in, with what the plug-in's window returned.
struct Sent {
    UINT message = 0;
    uint16_t code = 0;  // WM_COPYDATA only
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    Bytes payload;
    bool delivered = false;  // false: no window of the plug-in's class
    LRESULT result = 0;
};

struct Folder {
    uint32_t id = 0;
    uint32_t parent = 0;
    Bytes record;  // the 176 bytes
    std::string Name() const { return GetText(record, 0, kNameSize); }
};

struct StoredObject {
    uint32_t id = 0;
    uint32_t type = 0;
    uint32_t parent = 0;
    uint64_t key = 0;
    Bytes bytes;             // the serialised object as received
    bool wellFormed = true;  // its length agrees with its counts
    uint32_t received = 1;   // how often it came: once new, once more for each update in place
    std::string Name() const { return GetText(bytes, 0, kNameSize); }
};

struct ViewState {
    double x = 0, y = 0;  // centre
    uint32_t level = 12;
    uint32_t mapId = 1;
    uint32_t moves = 0;
};

// What a handler produces: the return value and the answer messages (payloads of its own code).
struct Reply {
    LRESULT result = 0;
    std::vector<Bytes> messages;
};

class MapSim;
using Handler = Reply (MapSim::*)(const Request&);

// One row of the request catalogue.
struct RequestSpec {
    uint16_t code;
    const char* name;
    uint32_t minPayload;  // shorter requests are refused with kFailed
    bool header;          // starts with the 16-byte header (marker 101)
    AnswerMode mode;      // default way of the answer messages
    Handler handler;
};

enum class VanishPoint { BeforeAnswer, AfterAnswer };

// A hostile map application's map-file answers (tiles and captures alike): the path it names climbs out of
// the folder asked about with "..", is another file outright (absolute), lies on another drive, fills the
// whole path field without an end, or holds a control character; or the answer names the file asked for, but
// what lies there is text, no picture. All takes each of them in turn, answer by answer.
enum class Hostile { Off, ParentClimb, Absolute, OtherDrive, OverLong, ControlChar, NotAPicture, All };
// The mode of its name as MAPSIM HOSTILE takes it (OFF, CLIMB, ABSOLUTE, DRIVE, LONG, CONTROL, NOPICTURE,
// ALL; any letter case).
bool HostileByName(const std::string& name, Hostile* mode);

// What becomes of a written map file before its answer goes out.
enum class FileDamage { None, Empty, Truncated, Missing };

class MapSim {
public:
    MapSim();
    ~MapSim();
    MapSim(const MapSim&) = delete;
    MapSim& operator=(const MapSim&) = delete;

    // Registers the class "tarnWin" (once) and creates the window; Stop destroys it. A new start forgets the
    // registrations of the previous run, as a restarted program would.
    bool Start();
    void Stop();
    bool IsRunning() const { return m_hwnd != nullptr; }
    // What the installed program leaves in the registry when it runs: its path and its version
    // (HKEY_CURRENT_USER "Software\\Zavrel Software\\tarn\\MainFrm", "LastRunPath" and "LastVersion").
    static void RecordInstall(const std::u16string& runPath, uint32_t version);
    HWND Window() const { return m_hwnd; }

    static const std::vector<RequestSpec>& Catalogue();
    static const RequestSpec* FindSpec(uint16_t code);
    static UINT ProgressMessage();  // "TARN_API_MSG_GET_MAP_FILE_PROGRESS"
    static std::vector<std::pair<double, double>> DefaultResolutions();

    // --- configuration
    void SetRegistrationId(uint32_t id) { m_registrationId = id; }  // 0 refuses registration
    void SetNextId(uint32_t id) { m_nextId = id; }                  // the id the next new object gets
    void SetProtocolVersion(int32_t version) { m_protocolVersion = version; }
    void SetRequireRegistration(bool on) { m_requireRegistration = on; }
    void SetMapState(uint32_t level, uint32_t mapId);
    void SetCoordState(uint32_t type, const std::array<uint8_t, 16>& digest, const std::string& name);
    void SetGridOrigin(double x, double y) { m_origin = {x, y}; }
    void SetResolutions(std::vector<std::pair<double, double>> table) { m_resolutions = std::move(table); }
    void SetUpdate(uint32_t value, uint32_t newestVersion, const std::string& changeText);
    void SetAssocAnswer(int32_t kind3, int32_t kind4) { m_assocAnswer = {kind3, kind4}; }
    void SetPickedPoint(double latitude, double longitude);           // the user's pick after a 20001 request
    void SetMapFilesNotReady(int times) { m_notReadyTimes = times; }  // -3 answers per file before writing
    void SetMapFileStatus(int32_t status) { m_forcedFileStatus = status; }  // 0: write files
    void SetAnswerMode(uint16_t code, AnswerMode mode) { m_modes[code] = mode; }
    // The next count written map files are damaged so (answered as written all the same).
    void DamageMapFiles(FileDamage damage, int count) { m_damage = damage, m_damageCount = count; }
    // Every map-file answer goes out twice.
    void SetDuplicateMapFileAnswers(bool on) { m_duplicateFileAnswers = on; }
    // The answers of one map-file request go out as one message of all their records.
    void SetMapFileAnswersTogether(bool on) { m_fileAnswersTogether = on; }
    // Pictures are rendered for the region asked for, but their answers (map files and the whole view of
    // 20301) give these bounds (min X, min Y, max X, max Y) instead; none: the region asked for.
    void SetAnsweredBounds(std::optional<std::array<double, 4>> bounds) { m_answeredBounds = bounds; }
    // Map-file answers turn hostile. victims: Windows paths (UTF-8) of files outside the cache that climbing
    // and absolute answers name, one after the other (none: made-up paths of the same kinds).
    void SetHostile(Hostile mode, std::vector<std::string> victims = {});
    Hostile HostileMode() const { return m_hostile; }
    // How many hostile answers went out, and the paths they named.
    const std::vector<std::string>& HostilePaths() const { return m_hostilePaths; }
    // Paths of the map files written so far (since the last ForgetWrittenFiles), in order.
    const std::vector<std::string>& WrittenFiles() const { return m_writtenFiles; }
    void ForgetWrittenFiles() { m_writtenFiles.clear(); }

    // --- map contents
    uint32_t AddFolder(uint32_t parent, const std::string& name);
    uint32_t AddObject(uint32_t type, uint32_t parent, Bytes serialised, uint64_t key = 0);
    const Folder* FindFolder(uint32_t id) const;
    const StoredObject* FindObject(uint32_t id) const;
    const std::map<uint32_t, Folder>& Folders() const { return m_folders; }
    const std::map<uint32_t, StoredObject>& Objects() const { return m_objects; }
    void Select(std::vector<uint32_t> ids) { m_selection = std::move(ids); }
    // Makes the folder stand for an exploded entity: its parts (the objects in it) travel with it.
    bool MarkExploded(uint32_t id);
    // The map user's own edits of the folder tree: false for an unknown folder.
    bool UserRenamesFolder(uint32_t id, const std::string& name);
    bool UserDeletesFolder(uint32_t id);
    // The id of the folder of that name under the parent (0: the top); 0 when there is none.
    uint32_t FolderNamed(uint32_t parent, const std::string& name) const;
    // How many folders of that name lie under the parent.
    size_t FolderCount(uint32_t parent, const std::string& name) const;

    // --- state the plug-in changed
    const std::u16string& ClientName() const { return m_clientName; }
    const ViewState& View() const { return m_view; }
    uint32_t FollowInterval() const { return m_followInterval; }
    bool MenuEntryPresent() const { return m_menuPresent; }
    const std::string& MenuText() const { return m_menuText; }
    uint32_t AssocKind() const { return m_assocKind; }
    const std::vector<AssocPoint>& AssocPoints() const { return m_assocPoints; }
    uint32_t ClientVersion() const { return m_clientVersion; }

    // --- notifications to the plug-in (sent at once, or queued for the pump with later set)
    LRESULT NotifySendToCad(bool later = false);                                       // 20402
    LRESULT NotifyReady(bool later = false);                                           // 20009
    LRESULT NotifyPickedPoint(double latitude, double longitude, bool later = false);  // 20001
    LRESULT SendRaw(uint16_t code, const Bytes& payload, bool later = false);
    // The whole view rendered as one picture (20301 unasked): the region's bounds, the picture after its
    // head.
    LRESULT SendRenderedView(double minX, double minY, double maxX, double maxY, uint32_t level,
                             bool later = false);
    // The user moves the map: the view changes, and while the plug-in asked to follow (interval above 1) the
    // new map state (20012) goes to it from the pump.
    void UserMovesView(double x, double y, uint32_t level, uint32_t mapId);
    LRESULT SendViewState(bool later = false);  // 20012 unasked
    // The progress message: wParam total, lParam position; sent, or posted when post is set.
    LRESULT SendProgress(uint32_t total, uint32_t position, bool post = false);

    // --- misbehaviour
    void FailCode(uint16_t code, LRESULT value, int times = -1);  // return value instead of handling
    void VanishOn(uint16_t code, VanishPoint when);               // destroy the window on that request
    void SetTimesOut(bool on);                                    // sends with a time-out time out
    void ReplaceNextAnswer(uint16_t code, Bytes payload);  // the next answer of the code is these bytes
    void ClearScripts();

    // --- records
    const std::vector<Request>& Requests() const { return m_requests; }
    std::vector<Request> RequestsOf(uint16_t code) const;
    const std::vector<Sent>& SentMessages() const { return m_sent; }
    std::vector<Sent> SentOf(uint16_t code) const;
    void ClearRecords();

    // --- timing: told true when this map application starts working on a request and false when it stops
    // or hands its answer to the plug-in, so that a benchmark can time the plug-in's side alone.
    void SetBusyHook(std::function<void(bool)> hook) { m_busyHook = std::move(hook); }

private:
    // Marks this map application busy (or, with busy false, idle) for the guard's life; only a change of
    // state reaches the hook, so that nested requests and answers pair up.
    class BusyScope {
    public:
        BusyScope(MapSim& map, bool busy);
        ~BusyScope();
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        MapSim& m_map;
        bool m_changed;
    };

    static LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCopyData(WPARAM wParam, const COPYDATASTRUCT* cds);
    LRESULT Dispatch(const Request& request);
    LRESULT Deliver(uint16_t code, uint16_t regId, Bytes payload);
    LRESULT Answer(uint16_t code, uint16_t regId, Bytes payload, AnswerMode mode);
    void DeliverQueued(uint64_t serial);
    using ObjectIter = std::map<uint32_t, StoredObject>::const_iterator;
    // FindObject for ids that mostly come in order (a selection): the object at next is tried before a walk
    // down the tree, and next moves past the one found.
    const StoredObject* FindObjectFrom(ObjectIter& next, uint32_t id) const;
    HWND ClientWindow() const;
    uint16_t CurrentRegId() const;
    uint32_t NewId();
    bool IsFolder(uint32_t id) const { return id == kRootFolder || m_folders.count(id) != 0; }
    void RemoveTree(uint32_t id);
    Bytes ListEntries(uint32_t parent, const std::string* name) const;
    Bytes MapFileAnswer(const MapFileRecord& request);
    void DamageFile(const std::string& hostPath);
    void MakeHostile(const MapFileRecord& request, Bytes& answer);
    Bytes ViewStatePayload() const;

    // Handlers, one per request code (see Catalogue).
    Reply OnRegister(const Request& r);
    Reply OnVersion(const Request& r);
    Reply OnPickPoint(const Request& r);
    Reply OnMoveView(const Request& r);
    Reply OnMapState(const Request& r);
    Reply OnFollowInterval(const Request& r);
    Reply OnListFolders(const Request& r);
    Reply OnQueryFolder(const Request& r);
    Reply OnCreateFolder(const Request& r);
    Reply OnDeleteObjects(const Request& r);
    Reply OnFindFolder(const Request& r);
    Reply OnFetchSelection(const Request& r);
    Reply OnReceivePacket(const Request& r);
    Reply OnAssocPoints(const Request& r);
    Reply OnCoordState(const Request& r);
    Reply OnCheckUpdate(const Request& r);
    Reply OnGridOrigin(const Request& r);
    Reply OnResolutions(const Request& r);
    Reply OnRenderView(const Request& r);
    Reply OnMapFiles(const Request& r);
    Reply OnMenuEntry(const Request& r);
    Reply OnIgnored(const Request& r);

    struct Failure {
        LRESULT value;
        int times;  // -1: for ever
    };
    struct Pending {
        uint16_t code;
        uint16_t regId;
        Bytes payload;
    };

    HWND m_hwnd = nullptr;
    uint32_t m_registrationId = 1;
    int32_t m_protocolVersion = 621;
    bool m_requireRegistration = true;
    std::set<uint32_t> m_issued;
    uint16_t m_lastIssued = 0;
    std::u16string m_clientName;
    uint32_t m_clientVersion = 0;

    uint32_t m_nextId = 100;
    std::map<uint32_t, Folder> m_folders;
    std::map<uint32_t, StoredObject> m_objects;
    std::vector<uint32_t> m_selection;

    ViewState m_view;
    uint32_t m_followInterval = 0;
    uint32_t m_coordType = 4;
    std::array<uint8_t, 16> m_digest{};
    std::string m_coordName = "CGCS2000 / 3-degree Gauss-Kruger CM 117E";
    std::pair<double, double> m_origin{-5123200.0, 10002100.0};
    std::vector<std::pair<double, double>> m_resolutions;
    uint32_t m_updateValue = 1;
    uint32_t m_newestVersion = 141;
    std::string m_changeText;
    std::pair<int32_t, int32_t> m_assocAnswer{0, 0};
    uint32_t m_assocKind = 0;
    std::vector<AssocPoint> m_assocPoints;
    bool m_hasPick = false;
    double m_pickLatitude = 0, m_pickLongitude = 0;
    bool m_menuPresent = false;
    std::string m_menuText;
    int m_notReadyTimes = 0;
    std::map<uint64_t, int> m_notReadyGiven;  // per map-file id
    int32_t m_forcedFileStatus = 0;
    FileDamage m_damage = FileDamage::None;
    int m_damageCount = 0;
    bool m_duplicateFileAnswers = false;
    std::optional<std::array<double, 4>> m_answeredBounds;
    bool m_fileAnswersTogether = false;
    std::vector<std::string> m_writtenFiles;
    Hostile m_hostile = Hostile::Off;
    std::vector<std::string> m_victims;
    std::vector<std::string> m_hostilePaths;

    std::map<uint16_t, AnswerMode> m_modes;
    std::map<uint16_t, Failure> m_failures;
    std::map<uint16_t, VanishPoint> m_vanish;
    std::map<uint16_t, Bytes> m_replacements;
    uint64_t m_nextPending = 1;
    std::map<uint64_t, Pending> m_pending;

    std::vector<Request> m_requests;
    std::function<void(bool)> m_busyHook;
    bool m_busy = false;
    std::vector<Sent> m_sent;
};

}  // namespace mapsim
