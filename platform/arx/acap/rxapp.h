// Application entry: the messages the host sends a loaded application through its acrxEntryPoint, the
// application base classes that dispatch them, and the dynamic linker.
#pragma once

#include <string>
#include <vector>

#include "platform/arx/acut/acut_all.h"

namespace AcRx {

// A newer host sends codes this list does not name; int as the underlying type keeps them valid values.
enum AppMsgCode : int {
    kNullMsg = 0,
    kInitAppMsg = 1,
    kUnloadAppMsg = 2,
    kLoadDwgMsg = 3,
    kUnloadDwgMsg = 4,
    kInvkSubrMsg = 5,
    kCfgMsg = 6,
    kEndMsg = 7,
    kQuitMsg = 8,
    kSaveMsg = 9,
    kDependencyMsg = 10,
    kNoDependencyMsg = 11,
    kOleUnloadAppMsg = 12,
    kPreQuitMsg = 13,
    kInitDialogMsg = 14,
    kEndDialogMsg = 15,
};

enum AppRetCode { kRetOK = 0, kRetError = 3 };

}  // namespace AcRx

// The application object: one handler per message, each returning kRetOK unless overridden.
class AcRxDbxApp {
public:
    virtual ~AcRxDbxApp() = default;
    // Calls the handler of the message; a message outside the table gives kRetOK.
    AcRx::AppRetCode dispatch(AcRx::AppMsgCode msg, void* appId);

    virtual AcRx::AppRetCode On_kNullMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kInitAppMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kUnloadAppMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kLoadDwgMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kUnloadDwgMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kInvkSubrMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kCfgMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kEndMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kQuitMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kSaveMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kDependencyMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kNoDependencyMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kOleUnloadAppMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kPreQuitMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kInitDialogMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kEndDialogMsg(void*) { return AcRx::kRetOK; }
};

class AcRxArxApp : public AcRxDbxApp {};

// What the dynamic linker tells its reactors about the modules it loads; every handler does nothing unless
// overridden.
class AcRxDLinkerReactor {
public:
    virtual ~AcRxDLinkerReactor() = default;
    virtual void rxAppWillBeLoaded(const ACHAR*) {}
    virtual void rxAppLoaded(const ACHAR*) {}
    virtual void rxAppLoadAborted(const ACHAR*) {}
    virtual void rxAppWillBeUnloaded(const ACHAR*) {}
    virtual void rxAppUnloaded(const ACHAR*) {}
    virtual void rxAppUnloadAborted(const ACHAR*) {}
};

class AcRxDynamicLinker {
public:
    // Reactors are told of each load: rxAppWillBeLoaded, then rxAppLoaded or rxAppLoadAborted. A reactor
    // added twice is told once; the linker does not own them.
    void addReactor(AcRxDLinkerReactor* reactor);
    void removeReactor(AcRxDLinkerReactor* reactor);

    bool unlockApplication(void* appId);
    bool registerAppMDIAware(void* appId);
    // Loads a module by name: true unless the host was told it fails (platform::SetModuleLoadFails).
    bool loadModule(const ACHAR* fileName, bool printIt, bool asCmd = false);
};

AcRxDynamicLinker* acrxDynamicLinkerPtr();
#define acrxDynamicLinker acrxDynamicLinkerPtr()

namespace platform {

// What the dynamic linker was asked: "unlock", "mdiaware", "load:<name>".
const std::vector<std::u16string>& LinkerCalls();
void SetModuleLoadFails(const std::u16string& fileName, bool fails);

}  // namespace platform
