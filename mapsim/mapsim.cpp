// The window, the dispatch of requests through the catalogue, the ways back, scripts and records.
#include "mapsim/mapsim.h"

#include <optional>

#include "platform/win32/bus/bus_hooks.h"

namespace mapsim {

namespace {

constexpr const char16_t* kClassName = u"tarnWin";
constexpr const char16_t* kDefaultClient = u"TarnArxWin";
constexpr UINT kQueuedMessage = WM_APP + 0x100;  // our own: a queued answer is due

// dwData as the map application fills it: (id << 16) | code, sign-extended from 32 bits.
ULONG_PTR MakeDwData(uint16_t regId, uint16_t code) {
    const auto low = static_cast<int32_t>((static_cast<uint32_t>(regId) << 16) | code);
    return static_cast<ULONG_PTR>(static_cast<intptr_t>(low));
}

}  // namespace

MapSim::MapSim() : m_resolutions(DefaultResolutions()) {
    for (size_t i = 0; i < m_digest.size(); ++i) {
        m_digest[i] = static_cast<uint8_t>(0x3C + i * 17);
    }
}

MapSim::~MapSim() {
    Stop();
}

void MapSim::RecordInstall(const std::u16string& runPath, uint32_t version) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Zavrel Software\\tarn\\MainFrm", 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExW(key, u"LastRunPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(runPath.c_str()),
                   static_cast<DWORD>((runPath.size() + 1) * sizeof(char16_t)));
    RegSetValueExW(key, u"LastVersion", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&version),
                   sizeof version);
    RegCloseKey(key);
}

bool MapSim::Start() {
    if (m_hwnd != nullptr) {
        return true;
    }
    WNDCLASSW existing{};
    if (GetClassInfoW(nullptr, kClassName, &existing)) {
        if (existing.lpfnWndProc != &MapSim::WindowProc) {
            return false;  // someone else's "tarnWin" class
        }
    } else {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &MapSim::WindowProc;
        wc.lpszClassName = kClassName;
        if (RegisterClassW(&wc) == 0) {
            return false;
        }
    }
    m_issued.clear();
    m_lastIssued = 0;
    m_pending.clear();
    m_menuPresent = false;  // a restarted program shows no entry of the plug-in's until it is offered again
    m_menuText.clear();
    HWND hwnd = CreateWindowExW(0, kClassName, u"Tarn", WS_OVERLAPPED, 0, 0, 1024, 768, nullptr, nullptr,
                                nullptr, this);
    m_hwnd = hwnd;
    return hwnd != nullptr;
}

void MapSim::Stop() {
    if (m_hwnd != nullptr) {
        HWND hwnd = m_hwnd;
        DestroyWindow(hwnd);  // WM_DESTROY clears m_hwnd, unless the bus had dropped the window already
        m_hwnd = nullptr;
        m_pending.clear();
    }
}

LRESULT MapSim::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        auto* self = static_cast<MapSim*>(cs->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->m_hwnd = hwnd;
        return 0;
    }
    auto* self = reinterpret_cast<MapSim*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    switch (message) {
        case WM_COPYDATA:
            return self->OnCopyData(wParam, reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        case kQueuedMessage:
            self->DeliverQueued(static_cast<uint64_t>(wParam));
            return 0;
        case WM_DESTROY:
            if (self->m_hwnd == hwnd) {
                self->m_hwnd = nullptr;
                self->m_pending.clear();
            }
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            return 0;
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

MapSim::BusyScope::BusyScope(MapSim& map, bool busy) : m_map(map), m_changed(map.m_busy != busy) {
    if (m_changed) {
        m_map.m_busy = busy;
        if (m_map.m_busyHook) {
            m_map.m_busyHook(busy);
        }
    }
}

MapSim::BusyScope::~BusyScope() {
    if (m_changed) {
        m_map.m_busy = !m_map.m_busy;
        if (m_map.m_busyHook) {
            m_map.m_busyHook(m_map.m_busy);
        }
    }
}

LRESULT MapSim::OnCopyData(WPARAM wParam, const COPYDATASTRUCT* cds) {
    const BusyScope busy(*this, true);
    Request request;
    request.message = WM_COPYDATA;
    request.wParam = wParam;
    if (cds != nullptr) {
        // Only the low 32 bits count: a 32-bit peer never sees the sign-extended upper half.
        request.dwData = static_cast<uint32_t>(cds->dwData);
        request.code = static_cast<uint16_t>(request.dwData & 0xFFFF);
        request.regId = static_cast<uint16_t>(request.dwData >> 16);
        if (cds->cbData > 0 && cds->lpData != nullptr) {
            const auto* data = static_cast<const uint8_t*>(cds->lpData);
            request.payload.assign(data, data + cds->cbData);
        }
    }
    m_requests.push_back(request);
    if (cds == nullptr || wParam != kMapWParam) {
        return 0;  // not a map-interface message
    }
    return Dispatch(request);
}

LRESULT MapSim::Dispatch(const Request& r) {
    std::optional<VanishPoint> vanish;
    if (auto it = m_vanish.find(r.code); it != m_vanish.end()) {
        vanish = it->second;
        m_vanish.erase(it);
    }
    if (vanish == VanishPoint::BeforeAnswer) {
        Stop();
        return 0;
    }
    if (auto it = m_failures.find(r.code); it != m_failures.end()) {
        const LRESULT value = it->second.value;
        if (it->second.times > 0 && --it->second.times == 0) {
            m_failures.erase(it);
        }
        if (vanish) {
            Stop();
        }
        return value;
    }

    const RequestSpec* entry = FindSpec(r.code);
    Reply reply;
    if (r.code != 20000 && m_requireRegistration && m_issued.count(r.regId) == 0) {
        reply.result = kNotRegistered;
    } else if (entry == nullptr) {
        reply.result = 0;  // a code this map application does not know
    } else if (r.payload.size() < entry->minPayload ||
               (entry->header && Get<uint16_t>(r.payload, 0) != kMarker)) {
        reply.result = kFailed;
    } else {
        reply = (this->*entry->handler)(r);
        if (auto it = m_replacements.find(r.code); it != m_replacements.end()) {
            Bytes bytes = std::move(it->second);
            m_replacements.erase(it);
            if (reply.messages.empty()) {
                reply.messages.push_back(std::move(bytes));
            } else {
                reply.messages.front() = std::move(bytes);
            }
        }
    }

    AnswerMode mode = entry != nullptr ? entry->mode : AnswerMode::Nested;
    if (auto it = m_modes.find(r.code); it != m_modes.end()) {
        mode = it->second;
    }
    for (Bytes& message : reply.messages) {
        Answer(r.code, r.regId, std::move(message), mode);
    }
    if (vanish) {
        Stop();
        return 0;
    }
    return reply.result;
}

LRESULT MapSim::Answer(uint16_t code, uint16_t regId, Bytes payload, AnswerMode mode) {
    if (mode != AnswerMode::Queued) {
        return Deliver(code, regId, std::move(payload));
    }
    if (m_hwnd == nullptr) {
        return 0;
    }
    const uint64_t serial = m_nextPending++;
    m_pending[serial] = Pending{code, regId, std::move(payload)};
    PostMessageW(m_hwnd, kQueuedMessage, static_cast<WPARAM>(serial), 0);
    return 0;
}

void MapSim::DeliverQueued(uint64_t serial) {
    auto it = m_pending.find(serial);
    if (it == m_pending.end()) {
        return;
    }
    Pending pending = std::move(it->second);
    m_pending.erase(it);
    Deliver(pending.code, pending.regId, std::move(pending.payload));
}

LRESULT MapSim::Deliver(uint16_t code, uint16_t regId, Bytes payload) {
    const size_t index = m_sent.size();
    Sent sent;
    sent.message = WM_COPYDATA;
    sent.code = code;
    sent.wParam = kMapWParam;
    sent.payload = std::move(payload);
    m_sent.push_back(std::move(sent));
    HWND target = ClientWindow();
    if (target == nullptr) {
        return 0;
    }
    // The record's bytes go out as they are: the bus copies them for the plug-in's window before that runs,
    // so whatever the plug-in does meanwhile (sending to us again, records cleared) can't touch what it
    // reads.
    Bytes& bytes = m_sent[index].payload;
    COPYDATASTRUCT cds{};
    cds.dwData = MakeDwData(regId, code);
    cds.cbData = static_cast<DWORD>(bytes.size());
    cds.lpData = bytes.empty() ? nullptr : bytes.data();
    LRESULT result = 0;
    {
        const BusyScope handedOver(*this, false);  // the plug-in works on the answer now
        result = SendMessageW(target, WM_COPYDATA, kMapWParam, reinterpret_cast<LPARAM>(&cds));
    }
    m_sent[index].delivered = true;
    m_sent[index].result = result;
    return result;
}

HWND MapSim::ClientWindow() const {
    // The plug-in registers under the class name of its window.
    std::u16string name = m_clientName.empty() ? std::u16string(kDefaultClient) : m_clientName;
    return FindWindowW(name.c_str(), nullptr);
}

uint16_t MapSim::CurrentRegId() const {
    return m_lastIssued;
}

uint32_t MapSim::NewId() {
    // Ids stay below 2^31 so that a 32-bit return value never reads as negative.
    if (m_nextId >= 0x7FFFFFFFu) {
        m_nextId = 100;
    }
    while (IsFolder(m_nextId) || m_objects.count(m_nextId) != 0) {
        ++m_nextId;
    }
    return m_nextId++;
}

UINT MapSim::ProgressMessage() {
    return RegisterWindowMessageW(u"TARN_API_MSG_GET_MAP_FILE_PROGRESS");
}

// --- configuration

void MapSim::SetMapState(uint32_t level, uint32_t mapId) {
    m_view.level = level;
    m_view.mapId = mapId;
}

void MapSim::SetCoordState(uint32_t type, const std::array<uint8_t, 16>& digest, const std::string& name) {
    m_coordType = type;
    m_digest = digest;
    m_coordName = name;
}

void MapSim::SetUpdate(uint32_t value, uint32_t newestVersion, const std::string& changeText) {
    m_updateValue = value;
    m_newestVersion = newestVersion;
    m_changeText = changeText;
}

void MapSim::SetPickedPoint(double latitude, double longitude) {
    m_hasPick = true;
    m_pickLatitude = latitude;
    m_pickLongitude = longitude;
}

// --- map contents

uint32_t MapSim::AddFolder(uint32_t parent, const std::string& name) {
    const uint32_t id = NewId();
    m_folders[id] = Folder{id, parent == 0 ? kRootFolder : parent, MakeFolderRecord(name)};
    return id;
}

bool MapSim::UserRenamesFolder(uint32_t id, const std::string& name) {
    auto it = m_folders.find(id);
    if (it == m_folders.end()) {
        return false;
    }
    PutText(it->second.record, 0, kNameSize, name.substr(0, kNameSize - 1));
    return true;
}

bool MapSim::MarkExploded(uint32_t id) {
    auto it = m_folders.find(id);
    if (it == m_folders.end()) {
        return false;
    }
    Put<uint32_t>(it->second.record, 100, 1);  // counted again when the folder is sent
    Put<uint8_t>(it->second.record, 115, 1);
    return true;
}

bool MapSim::UserDeletesFolder(uint32_t id) {
    if (m_folders.count(id) == 0) {
        return false;
    }
    RemoveTree(id);
    return true;
}

uint32_t MapSim::FolderNamed(uint32_t parent, const std::string& name) const {
    const uint32_t under = parent == 0 ? kRootFolder : parent;
    for (const auto& [id, folder] : m_folders) {
        if (folder.parent == under && folder.Name() == name) {
            return id;
        }
    }
    return 0;
}

size_t MapSim::FolderCount(uint32_t parent, const std::string& name) const {
    const uint32_t under = parent == 0 ? kRootFolder : parent;
    size_t count = 0;
    for (const auto& entry : m_folders) {
        count += entry.second.parent == under && entry.second.Name() == name ? 1 : 0;
    }
    return count;
}

uint32_t MapSim::AddObject(uint32_t type, uint32_t parent, Bytes serialised, uint64_t key) {
    const uint32_t id = NewId();
    StoredObject object;
    object.id = id;
    object.type = type;
    object.parent = parent == 0 ? kRootFolder : parent;
    object.key = key;
    object.wellFormed = SerialisedFormOk(type, serialised.data(), serialised.size());
    object.bytes = std::move(serialised);
    object.bytes.shrink_to_fit();  // bytes written field by field may hold twice their size: a map keeps many
    m_objects[id] = std::move(object);
    return id;
}

const Folder* MapSim::FindFolder(uint32_t id) const {
    auto it = m_folders.find(id);
    return it == m_folders.end() ? nullptr : &it->second;
}

const StoredObject* MapSim::FindObject(uint32_t id) const {
    auto it = m_objects.find(id);
    return it == m_objects.end() ? nullptr : &it->second;
}

const StoredObject* MapSim::FindObjectFrom(ObjectIter& next, uint32_t id) const {
    const auto found = next != m_objects.end() && next->first == id ? next : m_objects.find(id);
    if (found == m_objects.end()) {
        return nullptr;
    }
    next = std::next(found);
    return &found->second;
}

void MapSim::RemoveTree(uint32_t id) {
    m_objects.erase(id);
    if (m_folders.erase(id) == 0) {
        return;
    }
    for (auto it = m_objects.begin(); it != m_objects.end();) {
        it = it->second.parent == id ? m_objects.erase(it) : std::next(it);
    }
    std::vector<uint32_t> children;
    for (const auto& [childId, folder] : m_folders) {
        if (folder.parent == id) {
            children.push_back(childId);
        }
    }
    for (uint32_t child : children) {
        RemoveTree(child);
    }
}

// --- notifications

LRESULT MapSim::NotifySendToCad(bool later) {
    return SendRaw(20402, {}, later);
}

LRESULT MapSim::NotifyReady(bool later) {
    return SendRaw(20009, {}, later);
}

LRESULT MapSim::NotifyPickedPoint(double latitude, double longitude, bool later) {
    Bytes point(24, 0);
    Put<double>(point, 0, latitude);
    Put<double>(point, 8, longitude);
    return SendRaw(20001, point, later);
}

void MapSim::UserMovesView(double x, double y, uint32_t level, uint32_t mapId) {
    m_view.x = x;
    m_view.y = y;
    m_view.level = level;
    m_view.mapId = mapId;
    if (m_followInterval > 1) {
        SendViewState(true);
    }
}

LRESULT MapSim::SendViewState(bool later) {
    return SendRaw(20012, ViewStatePayload(), later);
}

LRESULT MapSim::SendRaw(uint16_t code, const Bytes& payload, bool later) {
    return Answer(code, CurrentRegId(), payload, later ? AnswerMode::Queued : AnswerMode::Nested);
}

LRESULT MapSim::SendRenderedView(double minX, double minY, double maxX, double maxY, uint32_t level,
                                 bool later) {
    Request request;
    request.code = 20301;
    request.payload.assign(112, 0);
    Put<double>(request.payload, 16, minX);
    Put<double>(request.payload, 24, minY);
    Put<double>(request.payload, 32, maxX);
    Put<double>(request.payload, 40, maxY);
    Put<uint32_t>(request.payload, 64, level);
    const Reply reply = OnRenderView(request);
    if (reply.messages.empty()) {
        return 0;
    }
    return SendRaw(20301, reply.messages.front(), later);
}

LRESULT MapSim::SendProgress(uint32_t total, uint32_t position, bool post) {
    Sent sent;
    sent.message = ProgressMessage();
    sent.wParam = total;
    sent.lParam = static_cast<LPARAM>(position);
    HWND target = ClientWindow();
    if (target != nullptr) {
        sent.delivered = true;
        sent.result = post ? PostMessageW(target, sent.message, sent.wParam, sent.lParam)
                           : SendMessageW(target, sent.message, sent.wParam, sent.lParam);
    }
    m_sent.push_back(sent);
    return sent.result;
}

// --- misbehaviour

void MapSim::FailCode(uint16_t code, LRESULT value, int times) {
    if (times == 0) {
        m_failures.erase(code);
    } else {
        m_failures[code] = Failure{value, times};
    }
}

void MapSim::VanishOn(uint16_t code, VanishPoint when) {
    m_vanish[code] = when;
}

void MapSim::SetTimesOut(bool on) {
    if (m_hwnd != nullptr) {
        platform::SetSendTimesOut(m_hwnd, on);
    }
}

void MapSim::ReplaceNextAnswer(uint16_t code, Bytes payload) {
    m_replacements[code] = std::move(payload);
}

void MapSim::ClearScripts() {
    m_failures.clear();
    m_vanish.clear();
    m_replacements.clear();
    m_modes.clear();
    SetTimesOut(false);
}

// --- records

std::vector<Request> MapSim::RequestsOf(uint16_t code) const {
    std::vector<Request> found;
    for (const Request& r : m_requests) {
        if (r.message == WM_COPYDATA && r.code == code) {
            found.push_back(r);
        }
    }
    return found;
}

std::vector<Sent> MapSim::SentOf(uint16_t code) const {
    std::vector<Sent> found;
    for (const Sent& s : m_sent) {
        if (s.message == WM_COPYDATA && s.code == code) {
            found.push_back(s);
        }
    }
    return found;
}

void MapSim::ClearRecords() {
    m_requests.clear();
    m_sent.clear();
}

}  // namespace mapsim
