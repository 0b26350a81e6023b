// The plug-in's frame inside the host: the application object with its load and unload handlers, the checks
// of the plug-in's own folder, the commands of group "TARN", and the objects that live from load to unload.
#pragma once

#include <map>
#include <utility>
#include <vector>

#include "platform/arx/arxheaders.h"
#include "platform/mfc/afxwin.h"
#include "platform/mfc/cstring.h"
#include "plugin/core/PluginState.h"

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

// Points the core's calls at the frame (the toolbar's online-map switch).
void RegisterPluginCallbacks();
// Gives every process-wide value of the plug-in its value of a fresh load, folder by folder (map link, core,
// exchange, base map, frame), and registers the frame's calls again. Called while the plug-in is not loaded:
// the reactors, the windows and the toolbar are the load's own and stay as the unload left them.
void ResetPluginState();

// Commands of group "TARN".
void TarnCommand();
void ClearMapCommand();
void MatchTarnCommand();
void TestCommand();

inline constexpr const char16_t* kCommandGroup = u"TARN";
inline constexpr const char16_t* kMenuEntryText = u"发送所选对象到CAD";
