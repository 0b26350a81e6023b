// What the roads, the reactors and the base map may ask of the hidden window "TarnArxWin": post it a payload
// or start one of its timers. The frame's window implements it; while no window exists the pointer is null
// and nothing is posted.
#pragma once

#include <memory>

#include "platform/arx/arxheaders.h"
#include "platform/mfc/afxwin.h"

// Private messages (posted to the hidden window).
inline constexpr UINT WM_TARN_RECEIVE = WM_APP + 43;      // fetch the map application's selection
inline constexpr UINT WM_TARN_ECHO_ON = WM_APP + 44;      // echo flag on, off again after 100 ms
inline constexpr UINT WM_TARN_ECHO_OFF = WM_APP + 45;     // echo flag off after 100 ms
inline constexpr UINT WM_TARN_FLUSH = WM_APP + 46;        // flush the graphics
inline constexpr UINT WM_TARN_SEND_IDS = WM_APP + 48;     // send a list of entities
inline constexpr UINT WM_TARN_MARKER = WM_APP + 49;       // turn a point into an icon marker
inline constexpr UINT WM_TARN_SET_COOR = WM_APP + 50;     // open the associated-point dialog
inline constexpr UINT WM_TARN_UPDATE_NOTE = WM_APP + 51;  // show the update notice

// Timers.
enum : UINT_PTR {
    kTimerMenuEntry = 5000,
    kTimerCoordState = 1001,
    kTimerHatchEnd = 1002,
    kTimerUpdateCheck = 1003,
    kTimerEchoOff = 1005,
    kTimerViewTrack = 1006,
    kTimerFlushRequests = 1007,
    kTimerImageFrame = 1008,
    kTimerPendingImages = 1009,
    kTimerCaptureRetry = 1010,
};

class CMessageWindow {
public:
    // The window registers itself for its whole life.
    CMessageWindow();
    virtual ~CMessageWindow();
    CMessageWindow(const CMessageWindow&) = delete;
    CMessageWindow& operator=(const CMessageWindow&) = delete;

    // Starts a timer of the window's table with its own period (or the given one).
    virtual void StartTimer(UINT_PTR id, UINT periodMs = 0) = 0;
    // Payloads posted to the window: owned by it from the post until their handler takes them.
    virtual BOOL PostEntityArray(std::unique_ptr<AcDbObjectIdArray> ids) = 0;
    virtual BOOL PostMarkerPoint(double x, double y) = 0;
    virtual HWND WindowHandle() const = 0;
};

// The window while it exists; null otherwise.
extern CMessageWindow* g_pMessageWindow;

// The hidden window's handle, for timers and posted messages; null while it does not exist.
HWND GetMessageWindow();
