// The request catalogue and one handler per code. Handlers read the request at its offsets, change the map's
// state and build the answer bytes; the dispatcher decides how the answer travels.
#include <cstdio>
#include <deque>
#include <fstream>
#include <iterator>
#include <cmath>
#include <unordered_set>

#include "mapsim/mapsim.h"
#include "mapsim/png.h"
#include "platform/win32/core/paths.h"
#include "platform/win32/core/unicode.h"

namespace mapsim {

namespace {

using M = MapSim;

Bytes HeaderOnly(const Header& header) {
    Bytes bytes;
    header.Write(bytes);
    return bytes;
}

// A reply of one answer message. (A braced list would copy the message: its elements are const.)
Reply OneMessage(LRESULT result, Bytes message) {
    Reply reply;
    reply.result = result;
    reply.messages.push_back(std::move(message));
    return reply;
}

Bytes Int32Answer(int32_t value) {
    Bytes bytes;
    Put<int32_t>(bytes, 0, value);
    return bytes;
}

}  // namespace

const std::vector<RequestSpec>& MapSim::Catalogue() {
    using A = AnswerMode;
    static const std::vector<RequestSpec> table = {
        {20000, "register", 2, false, A::Return, &M::OnRegister},
        {20001, "pick map point", 0, false, A::Queued, &M::OnPickPoint},
        {20002, "point request", 24, false, A::Return, &M::OnIgnored},
        {20003, "point request (long)", 1056, false, A::Return, &M::OnIgnored},
        {20006, "protocol version", 0, false, A::Return, &M::OnVersion},
        {20007, "value request", 32, false, A::Return, &M::OnIgnored},
        {20010, "plain request", 0, false, A::Return, &M::OnIgnored},
        {20011, "move map view", 80, false, A::Return, &M::OnMoveView},
        {20012, "map state", 104, false, A::Nested, &M::OnMapState},
        {20013, "follow interval", 4, false, A::Return, &M::OnFollowInterval},
        {20100, "list folders", 16, true, A::Nested, &M::OnListFolders},
        {20101, "query folder", 16, true, A::Nested, &M::OnQueryFolder},
        {20102, "create folder", 16 + kFolderSize, true, A::Return, &M::OnCreateFolder},
        {20103, "delete objects", 20, true, A::Return, &M::OnDeleteObjects},
        {20104, "one id", 20, true, A::Return, &M::OnIgnored},
        {20105, "find folder", 16 + kNameSize, true, A::Nested, &M::OnFindFolder},
        {20106, "id list", 20, true, A::Return, &M::OnIgnored},
        {20110, "fetch selection", 16, true, A::Nested, &M::OnFetchSelection},
        {20112, "receive objects", kPacketHeadSize, true, A::Nested, &M::OnReceivePacket},
        {20201, "associated points", 16 + kAssocBlockSize + kAssocItemSize, true, A::Nested,
         &M::OnAssocPoints},
        {20202, "coordinate state", 0, false, A::Nested, &M::OnCoordState},
        {20203, "update check", 64, false, A::Nested, &M::OnCheckUpdate},
        {20211, "grid origin", 0, false, A::Nested, &M::OnGridOrigin},
        {20212, "resolution table", 80, false, A::Nested, &M::OnResolutions},
        {20301, "render view", 112, true, A::Nested, &M::OnRenderView},
        {20302, "map files", 16 + kMapFileRecordSize, true, A::Queued, &M::OnMapFiles},
        {20401, "menu entry", 320, true, A::Nested, &M::OnMenuEntry},
    };
    return table;
}

const RequestSpec* MapSim::FindSpec(uint16_t code) {
    for (const RequestSpec& entry : Catalogue()) {
        if (entry.code == code) {
            return &entry;
        }
    }
    return nullptr;
}

std::vector<std::pair<double, double>> MapSim::DefaultResolutions() {
    // Units per pixel halve with every level, as in the usual 256-pixel tile pyramids.
    std::vector<std::pair<double, double>> table;
    for (int level = 1; level <= 28; ++level) {
        const double r = 156543.03392804097 / std::ldexp(1.0, level);
        table.emplace_back(r, r);
    }
    return table;
}

// --- registration and view

Reply MapSim::OnRegister(const Request& r) {
    std::u16string name;
    for (size_t at = 0; at + 1 < r.payload.size(); at += 2) {
        const auto unit = static_cast<char16_t>(Get<uint16_t>(r.payload, at));
        if (unit == 0) {
            break;
        }
        name.push_back(unit);
    }
    Reply reply;
    if (m_registrationId == 0 || name.empty()) {
        return reply;  // 0: refused
    }
    m_clientName = name;
    m_issued.insert(m_registrationId);
    m_lastIssued = static_cast<uint16_t>(m_registrationId);
    reply.result = static_cast<LRESULT>(m_registrationId);
    return reply;
}

Reply MapSim::OnVersion(const Request&) {
    return Reply{m_protocolVersion, {}};
}

Reply MapSim::OnPickPoint(const Request&) {
    // The user picks in the map after the request has returned; the point comes as a notification.
    Reply reply;
    if (m_hasPick) {
        Bytes point(24, 0);
        Put<double>(point, 0, m_pickLatitude);
        Put<double>(point, 8, m_pickLongitude);
        reply.messages.push_back(std::move(point));
    }
    return reply;
}

Reply MapSim::OnMoveView(const Request& r) {
    m_view.y = Get<double>(r.payload, 0);
    m_view.x = Get<double>(r.payload, 8);
    const uint32_t level = Get<uint32_t>(r.payload, 28);
    if (level != 0) {
        m_view.level = level;
    }
    ++m_view.moves;
    return {};
}

Bytes MapSim::ViewStatePayload() const {
    // The map state: the view centre x at 24 and y at 32, the coordinate kind at 40, level and map id.
    Bytes state(104, 0);
    Put<double>(state, 24, m_view.x);
    Put<double>(state, 32, m_view.y);
    Put<uint8_t>(state, 40, 2);
    Put<uint32_t>(state, 44, m_view.level);
    Put<uint32_t>(state, 48, m_view.mapId);
    return state;
}

Reply MapSim::OnMapState(const Request&) {
    return OneMessage(0, ViewStatePayload());
}

Reply MapSim::OnFollowInterval(const Request& r) {
    m_followInterval = Get<uint32_t>(r.payload, 0);
    return {};
}

// --- folders and objects

Bytes MapSim::ListEntries(uint32_t parent, const std::string* name) const {
    Bytes entries;
    auto add = [&entries](uint32_t id, uint32_t type, const std::string& entryName) {
        const size_t at = entries.size();
        Put<uint32_t>(entries, at, id);
        Put<uint32_t>(entries, at + 4, type);
        PutText(entries, at + 8, kNameSize, entryName);
    };
    for (const auto& [id, folder] : m_folders) {
        if (folder.parent == parent && (name == nullptr || folder.Name() == *name)) {
            add(id, kTypeFolder, folder.Name());
        }
    }
    if (name == nullptr) {
        for (const auto& [id, object] : m_objects) {
            if (object.parent == parent) {
                add(id, object.type, object.Name());
            }
        }
    }
    return entries;
}

Reply MapSim::OnListFolders(const Request& r) {
    Header header = Header::Read(r.payload.data(), r.payload.size());
    const uint32_t parent = header.object == 0 ? kRootFolder : header.object;
    Bytes answer = HeaderOnly(header);
    const Bytes entries = ListEntries(parent, nullptr);
    answer.insert(answer.end(), entries.begin(), entries.end());
    return OneMessage(0, std::move(answer));
}

Reply MapSim::OnQueryFolder(const Request& r) {
    const Header asked = Header::Read(r.payload.data(), r.payload.size());
    Header header;
    const Folder* folder = FindFolder(asked.object);
    if (folder == nullptr) {
        return OneMessage(0, HeaderOnly(header));  // type 0: not found
    }
    header.type = kTypeFolder;
    header.flag = asked.flag;
    header.parent = folder->parent;
    header.object = folder->id;
    Bytes answer = HeaderOnly(header);
    Bytes record = folder->record;
    record.resize(kFolderSize, 0);
    answer.insert(answer.end(), record.begin(), record.end());
    return OneMessage(0, std::move(answer));
}

Reply MapSim::OnCreateFolder(const Request& r) {
    const Header header = Header::Read(r.payload.data(), r.payload.size());
    const uint32_t parent = header.parent == 0 ? kRootFolder : header.parent;
    if (header.type != kTypeFolder || !IsFolder(parent)) {
        return Reply{kFailed, {}};
    }
    Bytes record(r.payload.begin() + 16, r.payload.begin() + 16 + kFolderSize);
    if (header.object != 0) {
        // An existing folder: rewrite it in place (renaming).
        auto it = m_folders.find(header.object);
        if (it == m_folders.end()) {
            return Reply{kFailed, {}};
        }
        it->second.record = std::move(record);
        return Reply{static_cast<LRESULT>(header.object), {}};
    }
    const uint32_t id = NewId();
    m_folders[id] = Folder{id, parent, std::move(record)};
    return Reply{static_cast<LRESULT>(id), {}};
}

Reply MapSim::OnDeleteObjects(const Request& r) {
    const size_t count = (r.payload.size() - 16) / 4;
    for (size_t i = 0; i < count; ++i) {
        RemoveTree(Get<uint32_t>(r.payload, 16 + i * 4));
    }
    return {};
}

Reply MapSim::OnFindFolder(const Request& r) {
    const Header asked = Header::Read(r.payload.data(), r.payload.size());
    const uint32_t parent = asked.parent == 0 ? kRootFolder : asked.parent;
    const std::string name = GetText(r.payload, 16, kNameSize);
    Header header;
    header.type = kTypeFolder;
    header.parent = parent;
    Bytes answer = HeaderOnly(header);
    if (asked.type == kTypeFolder) {
        const Bytes entries = ListEntries(parent, &name);
        answer.insert(answer.end(), entries.begin(), entries.end());
    }
    return OneMessage(0, std::move(answer));
}

Reply MapSim::OnFetchSelection(const Request&) {
    // The records are picked first (pointing at the stored bytes) and written once their sizes are summed:
    // a selection of many objects is copied once, into the answer.
    struct Pick {
        uint32_t type;
        uint32_t id;
        uint32_t parent;
        const Bytes* payload;
    };
    std::vector<Pick> picks;
    picks.reserve(m_selection.size());
    std::deque<Bytes> counted;           // exploded folders' records with the count of their parts
    std::unordered_set<uint32_t> taken;  // an object goes out once, even when selected with its folder
    taken.reserve(m_selection.size());
    uint32_t packetFolder = 0;
    size_t payloadBytes = 0;
    auto next = m_objects.cend();  // the object after the one found last
    for (uint32_t id : m_selection) {
        if (taken.count(id) != 0) {
            continue;
        }
        Pick record{0, id, 0, nullptr};
        std::vector<Pick> parts;
        if (const Folder* folder = FindFolder(id)) {
            record.type = kTypeFolder;
            record.parent = folder->parent;
            record.payload = &folder->record;
            // The folder of an exploded entity counts the records that follow it: those must be its parts,
            // or the reader would pass over unrelated objects. It takes its parts along and counts them.
            if (Get<uint32_t>(folder->record, 100) != 0) {
                for (const auto& [partId, object] : m_objects) {
                    if (object.parent == id && taken.count(partId) == 0) {
                        parts.push_back(Pick{object.type, partId, id, &object.bytes});
                    }
                }
                Bytes& copy = counted.emplace_back(folder->record);
                Put<uint32_t>(copy, 100, static_cast<uint32_t>(parts.size()));
                record.payload = &copy;
            }
        } else if (const StoredObject* object = FindObjectFrom(next, id)) {
            record.type = object->type;
            record.parent = object->parent;
            record.payload = &object->bytes;
        } else {
            continue;  // deleted since it was selected
        }
        if (packetFolder == 0) {
            packetFolder = record.parent;
        }
        taken.insert(id);
        picks.push_back(record);
        payloadBytes += record.payload->size();
        for (const Pick& part : parts) {
            taken.insert(part.id);
            picks.push_back(part);
            payloadBytes += part.payload->size();
        }
    }
    PacketWriter writer(payloadBytes, picks.size());
    for (const Pick& pick : picks) {
        writer.Add(pick.type, pick.id, pick.parent, 0, *pick.payload);
    }
    return OneMessage(0, writer.Finish(packetFolder));
}

Reply MapSim::OnReceivePacket(const Request& r) {
    std::optional<Packet> packet = ReadPacket(r.payload.data(), r.payload.size());
    if (!packet) {
        return Reply{kFailed, {}};
    }
    Bytes answer;
    uint32_t explodedFolder = 0;
    uint32_t partsLeft = 0;
    for (PacketRecord& record : packet->records) {
        // New parts of an exploded entity travel without a parent; they belong to the folder before them.
        uint32_t parent = record.parent;
        if (partsLeft > 0) {
            --partsLeft;
            if (parent == 0) {
                parent = explodedFolder;
            }
        }
        if (parent == 0) {
            parent = packet->folder == 0 ? kRootFolder : packet->folder;
        }
        uint32_t id = record.id;
        if (record.type == kTypeFolder) {
            if (m_folders.count(id) == 0) {
                id = NewId();
            }
            const uint32_t children = Get<uint32_t>(record.payload, 100);
            if (Get<uint8_t>(record.payload, 115) == 1 && children > 0) {
                explodedFolder = id;
                partsLeft = children;
            }
            m_folders[id] = Folder{id, parent, std::move(record.payload)};
        } else {
            const auto old = m_objects.find(id);
            const uint32_t received = old != m_objects.end() ? old->second.received + 1 : 1;
            if (old == m_objects.end()) {
                id = NewId();
            }
            StoredObject object;
            object.received = received;
            object.id = id;
            object.type = record.type;
            object.parent = parent;
            object.key = record.key;
            object.wellFormed = SerialisedFormOk(record.type, record.payload.data(), record.payload.size());
            object.bytes = std::move(record.payload);
            m_objects[id] = std::move(object);
        }
        const size_t at = answer.size();
        Put<uint32_t>(answer, at, 0);
        Put<uint32_t>(answer, at + 4, record.type);
        Put<uint32_t>(answer, at + 8, id);
        Put<uint32_t>(answer, at + 12, parent);
        Put<uint64_t>(answer, at + 16, record.key);
        answer.resize(at + kAnswerRecordSize, 0);
    }
    return OneMessage(0, std::move(answer));
}

// --- coordinates and tile grid

Reply MapSim::OnAssocPoints(const Request& r) {
    m_assocKind = Get<uint32_t>(r.payload, 16);
    m_assocPoints.clear();
    const size_t first = 16 + kAssocBlockSize;
    for (size_t at = first; at + kAssocItemSize <= r.payload.size(); at += kAssocItemSize) {
        AssocPoint point;
        point.longitude = Get<double>(r.payload, at);
        point.latitude = Get<double>(r.payload, at + 8);
        point.valid = Get<uint8_t>(r.payload, at + 16);
        point.x = Get<double>(r.payload, at + 24);
        point.y = Get<double>(r.payload, at + 32);
        m_assocPoints.push_back(point);
    }
    const int32_t result = m_assocKind == 4 ? m_assocAnswer.second : m_assocAnswer.first;
    return OneMessage(0, Int32Answer(result));
}

Reply MapSim::OnCoordState(const Request&) {
    Bytes answer(72, 0);
    Put<uint32_t>(answer, 40, m_coordType);
    PutBytes(answer, 44, m_digest.data(), m_digest.size());
    PutBytes(answer, 72, m_coordName.data(), m_coordName.size());
    answer.push_back(0);
    return OneMessage(0, std::move(answer));
}

Reply MapSim::OnCheckUpdate(const Request& r) {
    m_clientVersion = Get<uint32_t>(r.payload, 4);
    Bytes answer(64, 0);
    Put<uint32_t>(answer, 0, m_updateValue);
    Put<uint32_t>(answer, 4, m_newestVersion);
    PutBytes(answer, 64, m_changeText.data(), m_changeText.size());
    answer.push_back(0);
    return OneMessage(0, std::move(answer));
}

Reply MapSim::OnGridOrigin(const Request&) {
    Bytes answer(80, 0);
    Put<double>(answer, 24, m_origin.first);
    Put<double>(answer, 32, m_origin.second);
    return OneMessage(0, std::move(answer));
}

Reply MapSim::OnResolutions(const Request&) {
    Bytes answer;
    for (const auto& [x, y] : m_resolutions) {
        const size_t at = answer.size();
        Put<double>(answer, at, x);
        Put<double>(answer, at + 8, y);
        answer.resize(at + kResolutionRecordSize, 0);
    }
    return OneMessage(0, std::move(answer));
}

// --- map images

Reply MapSim::OnRenderView(const Request& r) {
    const double minX = Get<double>(r.payload, 16), minY = Get<double>(r.payload, 24);
    const double maxX = Get<double>(r.payload, 32), maxY = Get<double>(r.payload, 40);
    uint64_t budget = Get<uint64_t>(r.payload, 56);
    const uint32_t level = Get<uint32_t>(r.payload, 64);
    if (!(maxX > minX) || !(maxY > minY)) {
        return Reply{kFailed, {}};
    }
    if (budget == 0) {
        budget = 1024 * 768;
    }
    // The largest picture of the view's shape within the pixel budget, at most 4096 a side.
    const double aspect = (maxX - minX) / (maxY - minY);
    const double h = std::clamp(std::floor(std::sqrt(static_cast<double>(budget) / aspect)), 1.0, 4096.0);
    const double w = std::clamp(std::floor(h * aspect), 1.0, 4096.0);
    PictureMark mark;
    mark.mapId = m_view.mapId;
    mark.level = level;
    mark.width = static_cast<uint32_t>(w);
    mark.height = static_cast<uint32_t>(h);
    mark.minX = minX;
    mark.minY = minY;
    mark.maxX = maxX;
    mark.maxY = maxY;
    Bytes png;
    if (!EncodePng(MakePicture(mark), &png)) {
        return Reply{kFailed, {}};
    }
    Bytes answer(r.payload.begin(), r.payload.begin() + 112);
    if (m_answeredBounds) {
        for (size_t i = 0; i < 4; ++i) {
            Put<double>(answer, 16 + 8 * i, (*m_answeredBounds)[i]);
        }
    }
    Put<uint32_t>(answer, 68, mark.width);
    Put<uint32_t>(answer, 72, mark.height);
    answer.insert(answer.end(), png.begin(), png.end());
    return OneMessage(0, std::move(answer));
}

Bytes MapSim::MapFileAnswer(const MapFileRecord& request) {
    MapFileRecord a = request;
    a.written = 0;
    a.total = 0;
    a.done = 0;
    // Counted only while not-ready answers are asked for: a long session asks for very many files.
    int notCounted = 0;
    int& given = m_notReadyTimes > 0 ? m_notReadyGiven[request.id] : notCounted;
    if (m_forcedFileStatus != 0) {
        a.status = m_forcedFileStatus;
    } else if (!request.pathTerminated || request.path.empty() || request.width == 0 || request.height == 0) {
        a.status = -6;
    } else if (static_cast<uint64_t>(request.width) * request.height > kMaxPicturePixels) {
        a.status = -5;  // too many pixels
    } else if (given < m_notReadyTimes) {
        a.status = -3;
        a.total = 100;
        a.done = static_cast<uint32_t>(given * 100 / (m_notReadyTimes + 1));
        ++given;
    } else {
        bool ok = false;
        const std::u16string windowsPath = platform::Utf8ToUtf16(request.path, true, &ok);
        std::string hostPath;
        PictureMark mark;
        mark.mapId = request.mapId;
        mark.level = request.level;
        mark.width = request.width;
        mark.height = request.height;
        mark.id = request.id;
        mark.minX = request.minX;
        mark.minY = request.minY;
        mark.maxX = request.maxX;
        mark.maxY = request.maxY;
        mark.hasTile = TileFromPath(request.path, &mark.col, &mark.row);
        if (ok && platform::ToHostPath(windowsPath, hostPath) && WritePngFile(hostPath, MakePicture(mark))) {
            a.status = 1;
            a.written = 1;
            m_writtenFiles.push_back(request.path);
            DamageFile(hostPath);
        } else {
            a.status = -6;
        }
    }
    if (m_answeredBounds) {
        a.minX = (*m_answeredBounds)[0];
        a.minY = (*m_answeredBounds)[1];
        a.maxX = (*m_answeredBounds)[2];
        a.maxY = (*m_answeredBounds)[3];
    }
    Bytes answer = a.Write();
    if (m_hostile != Hostile::Off) {
        MakeHostile(request, answer);
    }
    return answer;
}

bool HostileByName(const std::string& name, Hostile* mode) {
    static const std::pair<const char*, Hostile> kNames[] = {
        {"OFF", Hostile::Off},
        {"CLIMB", Hostile::ParentClimb},
        {"ABSOLUTE", Hostile::Absolute},
        {"DRIVE", Hostile::OtherDrive},
        {"LONG", Hostile::OverLong},
        {"CONTROL", Hostile::ControlChar},
        {"NOPICTURE", Hostile::NotAPicture},
        {"ALL", Hostile::All},
    };
    std::string upper = name;
    for (char& c : upper) {
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    for (const auto& [text, value] : kNames) {
        if (upper == text) {
            *mode = value;
            return true;
        }
    }
    return false;
}

void MapSim::SetHostile(Hostile mode, std::vector<std::string> victims) {
    m_hostile = mode;
    m_victims = std::move(victims);
    m_hostilePaths.clear();
}

void MapSim::MakeHostile(const MapFileRecord& request, Bytes& answer) {
    static constexpr Hostile kTurns[] = {Hostile::ParentClimb, Hostile::Absolute,    Hostile::OtherDrive,
                                         Hostile::OverLong,    Hostile::ControlChar, Hostile::NotAPicture};
    const size_t turn = m_hostilePaths.size();
    const Hostile mode = m_hostile == Hostile::All ? kTurns[turn % std::size(kTurns)] : m_hostile;
    const std::string& asked = request.path;
    const std::string victim =
        m_victims.empty() ? std::string("C:\\Users\\victim\\notes.txt") : m_victims[turn % m_victims.size()];
    std::string path = asked;
    switch (mode) {
        case Hostile::ParentClimb: {
            // From the asked file's folder, as many ".." as it has folders lead to the top of its drive, then
            // down to the victim.
            const size_t cut = asked.find_last_of("\\/");
            path = cut == std::string::npos ? asked : asked.substr(0, cut);
            for (char c : std::string(path)) {
                if (c == '\\' || c == '/') {
                    path += "\\..";
                }
            }
            path += victim.size() > 2 && victim[1] == ':' ? victim.substr(2) : "\\" + victim;
            break;
        }
        case Hostile::Absolute:
            path = victim;
            break;
        case Hostile::OtherDrive:
            path = asked.size() > 1 && asked[1] == ':'
                       ? std::string(1, asked[0] == 'D' ? 'E' : 'D') + asked.substr(1)
                       : "D:\\" + asked;
            break;
        case Hostile::OverLong:
            path = asked + "\\" + std::string(kMapFilePathSize, 'a');
            break;
        case Hostile::ControlChar: {
            const size_t cut = asked.find_last_of("\\/");
            path = cut == std::string::npos ? "\x01" + asked
                                            : asked.substr(0, cut + 1) + "\x01\t" + asked.substr(cut + 1);
            break;
        }
        case Hostile::NotAPicture: {
            // The asked file, answered as written, but text.
            bool ok = false;
            std::string hostPath;
            if (platform::ToHostPath(platform::Utf8ToUtf16(asked, true, &ok), hostPath) && ok) {
                std::ofstream(hostPath, std::ios::binary | std::ios::trunc) << "this is no picture\n";
            }
            Put<int32_t>(answer, 20, 1);
            Put<uint8_t>(answer, 280, 1);
            break;
        }
        case Hostile::Off:
        case Hostile::All:
            break;
    }
    // The whole path field, without an end when the path fills it.
    for (size_t i = 0; i < kMapFilePathSize; ++i) {
        answer[24 + i] = i < path.size() ? static_cast<uint8_t>(path[i]) : 0;
    }
    m_hostilePaths.push_back(path);
}

void MapSim::DamageFile(const std::string& hostPath) {
    if (m_damage == FileDamage::None || m_damageCount <= 0) {
        return;
    }
    --m_damageCount;
    if (m_damage == FileDamage::Missing) {
        std::remove(hostPath.c_str());
        return;
    }
    std::ifstream in(hostPath, std::ios::binary);
    std::string png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    png.resize(m_damage == FileDamage::Empty ? 0 : png.size() / 2);
    std::ofstream(hostPath, std::ios::binary | std::ios::trunc) << png;
}

Reply MapSim::OnMapFiles(const Request& r) {
    Reply reply;
    // One answer message per record, or all of them in one when scripted so.
    for (size_t at = 16; at + kMapFileRecordSize <= r.payload.size(); at += kMapFileRecordSize) {
        const MapFileRecord request = MapFileRecord::Read(r.payload.data() + at, kMapFileRecordSize);
        Bytes answer = MapFileAnswer(request);
        if (m_fileAnswersTogether && !reply.messages.empty()) {
            reply.messages.front().insert(reply.messages.front().end(), answer.begin(), answer.end());
        } else {
            reply.messages.push_back(answer);
        }
        if (m_duplicateFileAnswers && !m_fileAnswersTogether) {
            reply.messages.push_back(std::move(answer));
        }
    }
    return reply;
}

// --- menu entry and the rest

Reply MapSim::OnMenuEntry(const Request& r) {
    const int32_t action = Get<int32_t>(r.payload, 20);
    if (action == 1) {
        m_menuPresent = true;
        m_menuText = GetText(r.payload, 24, 320 - 24);
    } else if (action == 0) {
        m_menuPresent = false;
        m_menuText.clear();
    }
    Bytes answer;
    Put<uint32_t>(answer, 0, m_menuPresent ? 1 : 0);
    return OneMessage(0, std::move(answer));
}

Reply MapSim::OnIgnored(const Request&) {
    return {};
}

}  // namespace mapsim
