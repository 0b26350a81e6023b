// The plug-in's frame inside the host: the application object with its load and unload handlers, the checks
// of the plug-in's own folder, the commands of group "TARN", and the objects that live from load to unload.
#pragma once

#include <map>
#include <utility>
#include <vector>

#include "platform/arx/arxheaders.h"
#include "platform/mfc/afxwin.h"
#include "platform/mfc/cstring.h"

class CTarnArxApp : public AcRxArxApp {
public:
    AcRx::AppRetCode On_kInitAppMsg(void* pkt) override;
    AcRx::AppRetCode On_kUnloadAppMsg(void* pkt) override;

    // True between a completed start-up and the unload.
    bool IsInitialised() const { return m_bInitialised; }

private:
    void InitApplication();
    void UnloadApplication();

    bool m_bInitialised = false;
};

extern CTarnArxApp theApp;

// Whether the plug-in may run from the folder (an empty path: the plug-in's own folder): short enough,
// writable, and with enough free space unless the user chooses to go on regardless.
bool CheckFolderUsable(const CString& folder);
// Makes the drawing's sync state current (created when missing) and rebuilds its links from its own database.
void LoadDocumentLinks(AcApDocument* doc);
// Makes the point icon's image definition ready in the working database (its file written on first use).
void LoadIconImage();

// Commands of group "TARN".
void TarnCommand();
void ClearMapCommand();
void MatchTarnCommand();
void TestCommand();
// The toolbar's send button until the toolbar exists: the selection goes to the map application.
void SendCommand();

// ---- Process-wide objects (the image name, the whole-view image table and the image colour are the raster
// images', RasterImage.h) ----
inline constexpr const char16_t* kCommandGroup = u"TARN";
inline constexpr const char16_t* kMenuEntryText = u"发送所选对象到CAD";

extern CString g_strImageName;                                   // "TARN_IMG"
extern std::map<AcDbDatabase*, AcDbObjectId> g_WholeViewImages;  // each drawing's whole-view map image
extern AcCmColor g_ImageColor;                                   // given to every inserted raster image
extern UINT g_nProgressMsg;                                      // "TARN_API_MSG_GET_MAP_FILE_PROGRESS"
extern CString g_strDrawingFolderName;                           // the current drawing's map folder
extern std::vector<std::pair<DWORD, CString>> g_MapFolderList;   // the 20100 answer: (id, name)
extern AcDbObjectId g_idIconImageDef;
extern CString g_strIconPath;
extern CString g_strIconName;
extern CString g_strFolderToFind;     // asked for with 20105
extern CString g_strLastFoundFolder;  // answered by 20105 and 20101
extern DWORD g_nFoundFolderId;

// The update notice of a newer plug-in: kept from the 20203 answer until it is shown.
struct CUpdateNotice {
    BYTE m_bPending = 0;
    DWORD m_nValue = 0;
    DWORD m_nVersion = 0;
    CString m_strText;
};
extern CUpdateNotice g_UpdateNotice;

extern BYTE g_bEchoFlag;      // while 1 the reactors pass no drawing change to the map application
extern DWORD g_nRegistered;   // the map application reports the plug-in's menu entry as present
extern BYTE g_bLonLat;        // the map application works in longitude/latitude
extern DWORD g_nCoordType;    // 2 longitude/latitude, 4 Gauss-Krueger; 2 before any answer
extern BYTE g_bHatchCommand;  // a HATCH command has just ended
