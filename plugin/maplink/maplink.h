// The client side of the map application's message channel: the link record, registration, the protocol
// version and its gate, the one send operation every request passes through, and the link's error texts.
#pragma once

#include <cstdint>

#include "platform/win32/core/wintypes.h"

// Request codes the link itself sends.
inline constexpr DWORD kMapCmdRegister = 20000;
inline constexpr DWORD kMapCmdVersion = 20006;
inline constexpr WPARAM kMapMsgWParam = 1001;  // wParam of every map-application WM_COPYDATA
inline constexpr INT32 kMapGateVersion = 621;  // protocols below this refuse the gated codes
inline constexpr int kMapAppNameUnits = 100;

extern const char16_t* const kMapAppWindowClass;  // "tarnWin"

// Result codes of the request operations.
enum MapApiResult : int {
    kMapOk = 0,
    kMapDelivered = 1,  // a request with a time-out that was delivered
    kMapNoWindow = -1,
    kMapRegisterFailed = -2,
    kMapTooOld = -3,
    kMapBadArgument = -4,
    kMapAppFailed5 = -5,
    kMapAppCannotHandle = -6,
    kMapAppFailed7 = -7,
    kMapAppFailed8 = -8,
};

struct MapApiLink {
    DWORD m_nRegId;                       // 0 = not registered; always below 65536
    WCHAR m_szAppName[kMapAppNameUnits];  // the name we register under, NUL-terminated
    INT32 m_nVersion;                     // the map application's protocol version; 0 = unknown
};
static_assert(sizeof(MapApiLink) == 208);
static_assert(offsetof(MapApiLink, m_szAppName) == 4);
static_assert(offsetof(MapApiLink, m_nVersion) == 204);

// The one link of the plug-in.
extern MapApiLink g_MapApiLink;

MapApiLink* MapApiLinkInit(MapApiLink* link);
void MapApiLinkFree(MapApiLink* link);
// Copies the name, cut to 99 units so that it always ends in a NUL inside the field.
void MapApiSetAppName(MapApiLink* link, const WCHAR* name);
// Registers (20000) and reads the protocol version (20006); nothing when the map application is not running.
void MapApiConnect(MapApiLink* link);
bool MapApiIsCmdAllowed(const MapApiLink* link, DWORD code);
// dwData of a request: (registration id << 16) | code as a 32-bit value, sign-extended to pointer width.
ULONG_PTR MapApiMakeDwData(DWORD regId, DWORD code);

// Sends one request. timeoutMs < 1 blocks: returns 0, or the map application's failure answer -5 to -8, or a
// link error; the raw answer goes through result (when given). timeoutMs >= 1: returns 1 when delivered (the
// answer through result), 0 when it timed out (result unwritten), -1 when the send failed otherwise.
int MapApiSendCmd(MapApiLink* link, DWORD code, const void* data, DWORD count, INT64* result, int timeoutMs);

// The message text of a negative result code (any other negative code: the unknown-error text).
const char16_t* MapApiErrorText(int code);
// Shows the text of a negative result code in a message box; nothing for 0 or more.
void ShowApiError(int code);

// Stand-alone sender with its own registration, kept beside the link: brings the map application's window
// forward, sends blocking and re-registers once on a negative answer. Returns the answer; 0 without window.
LRESULT SendMapAppRequest(DWORD code, const void* data, DWORD count);

// The link, its registration id, the notice hooks and the install-data cache of a fresh load.
void ResetMapLinkState();
