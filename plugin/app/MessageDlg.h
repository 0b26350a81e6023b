// The hidden message window "TarnArxWin": the map application sends it every answer and notification, the
// plug-in's reactors post it the work they must not do inside a notification, and it owns every timer.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "platform/arx/arxheaders.h"
#include "plugin/basemap/MapFileRequest.h"
#include "plugin/core/MessageWindow.h"
#include "platform/mfc/acui.h"

inline constexpr const char16_t* kMessageWindowClass = u"TarnArxWin";
inline constexpr UINT kMessageDlgResource = 8103;

class CMessageDlg : public CAcUiDialog, public CMessageWindow {
public:
    CMessageDlg();
    ~CMessageDlg() override;

    // Handles the private messages, the progress message and the map application's WM_COPYDATA; what a
    // handler rejects returns 1, everything else goes on to the base procedure.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override;
    void PostNcDestroy() override;

    // Starts a timer of the table with its own period (or the given one).
    void StartTimer(UINT_PTR id, UINT periodMs = 0) override;

    // Payloads posted to the window: owned here from the post until their handler takes them, and freed
    // with the window when it goes first. The message carries a token, never a pointer.
    BOOL PostEntityArray(std::unique_ptr<AcDbObjectIdArray> ids) override;
    BOOL PostMarkerPoint(double x, double y) override;
    HWND WindowHandle() const override;
    size_t QueuedPayloadCount() const { return m_entityArrays.size() + m_markerPoints.size(); }

    // Inserts the whole-view answer kept in g_KeptViewAnswer as a 20301 answer is inserted (no zoom match),
    // and frees it: 0 after an insertion, 1 when there was no picture or it could not be inserted.
    static int InsertKeptViewImage();

    // The table of incoming codes: code, the shortest payload its handler reads, whether it needs the current
    // drawing's state, and whether it also needs plane coordinates.
    struct CopyDataRoute {
        DWORD code;
        DWORD minLength;
        bool needsState;
        bool needsPlane;
        bool (CMessageDlg::*handler)(const BYTE* data, DWORD length);
    };
    // The timer table: id, period (0: the starter's), whether it repeats, and its action.
    struct TimerRoute {
        UINT_PTR id;
        UINT periodMs;
        bool repeats;
        void (CMessageDlg::*action)();
    };
    static const CopyDataRoute* FindCopyDataRoute(DWORD code);
    static const TimerRoute* FindTimerRoute(UINT_PTR id);

protected:
    afx_msg void OnClose();
    afx_msg void OnTimer(UINT_PTR id);
    DECLARE_MESSAGE_MAP()

private:
    LRESULT OnPrivateMessage(UINT message, WPARAM wParam, LPARAM lParam, bool* handled);
    LRESULT OnMapCopyData(const COPYDATASTRUCT& cds, bool* rejected);

    // Incoming codes (payload and its length; false rejects the message with 1).
    bool OnPickedPoint(const BYTE* data, DWORD length);
    bool OnSendAnswer(const BYTE* data, DWORD length);
    bool OnSelection(const BYTE* data, DWORD length);
    bool OnMenuEntryState(const BYTE* data, DWORD length);
    bool OnUpdateAnswer(const BYTE* data, DWORD length);
    bool OnSendToCad(const BYTE* data, DWORD length);
    bool OnGridOrigin(const BYTE* data, DWORD length);
    bool OnMapViewState(const BYTE* data, DWORD length);
    bool OnResolutions(const BYTE* data, DWORD length);
    bool OnMapFile(const BYTE* data, DWORD length);
    void OnMapFileRecord(const MapFileRequest& answer);
    bool OnRenderedView(const BYTE* data, DWORD length);
    // Writes and inserts a whole-view picture (head, then the picture) and tells how it compares with the
    // view of the last whole-view request; false when it was not inserted.
    static bool InsertRenderedView(const BYTE* data, DWORD length);
    bool OnFolderFound(const BYTE* data, DWORD length);
    bool OnFolderChecked(const BYTE* data, DWORD length);
    bool OnFolderList(const BYTE* data, DWORD length);
    bool OnAssocPointsAnswer(const BYTE* data, DWORD length);
    bool OnCoordState(const BYTE* data, DWORD length);
    bool OnNothing(const BYTE* data, DWORD length);

    // Timers.
    void OnMenuEntryTimer();
    void OnCoordStateTimer();
    void OnHatchEndTimer();
    void OnUpdateCheckTimer();
    void OnEchoOffTimer();
    void OnViewTrackTimer();
    void OnFlushRequestsTimer();
    void OnImageFrameTimer();
    void OnPendingImagesTimer();
    void OnCaptureRetryTimer();

    std::map<LPARAM, std::unique_ptr<AcDbObjectIdArray>> m_entityArrays;
    std::map<LPARAM, std::pair<double, double>> m_markerPoints;
    LPARAM m_nNextToken = 1;
    bool m_bImageFramePending =
        false;  // the image-frame timer runs: a drawing's frames are about to be set up
    static const CopyDataRoute s_copyDataRoutes[];
    static const TimerRoute s_timerRoutes[];
    bool m_bResendingAssoc = false;
    const COPYDATASTRUCT* m_pCopyData = nullptr;  // the message being handled, for forwarding

public:
    CAcUiPickButton m_btnPick1;  // kept from the dialog resource; nothing reads them
    CAcUiPickButton m_btnPick2;
    CString m_strText1;  // kept as well, and read by nothing
    CString m_strText2;
    CString m_strText3;
    CString m_strText4;
    CString m_strText5;
    CString m_strText6;
    WORD m_nUnused = 0;
};

// The window while it exists; null otherwise.
extern CMessageDlg* g_pMessageDlg;
// A whole-view answer (16-byte header, 96-byte head, the picture) kept for a later insertion.
extern std::vector<BYTE> g_KeptViewAnswer;
