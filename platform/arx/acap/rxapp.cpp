#include "platform/arx/acap/rxapp.h"

#include <algorithm>
#include <iterator>

#include "platform/win32/core/testhooks.h"
#include "platform/win32/core/unicode.h"

namespace platform {
namespace {

struct LinkerState {
    std::vector<std::u16string> calls;
    std::vector<std::u16string> failing;
    std::vector<AcRxDLinkerReactor*> reactors;
};

LinkerState& State() {
    static LinkerState state;
    static const bool registered = (RegisterReset("acap.linker", [] { State() = LinkerState(); }), true);
    (void)registered;
    return state;
}

}  // namespace

const std::vector<std::u16string>& LinkerCalls() {
    return State().calls;
}

void SetModuleLoadFails(const std::u16string& fileName, bool fails) {
    auto& failing = State().failing;
    std::erase_if(failing, [&](const std::u16string& f) { return EqualsNoCase(f, fileName); });
    if (fails) {
        failing.push_back(fileName);
    }
}

}  // namespace platform

AcRx::AppRetCode AcRxDbxApp::dispatch(AcRx::AppMsgCode msg, void* appId) {
    typedef AcRx::AppRetCode (AcRxDbxApp::*Handler)(void*);
    static const Handler kHandlers[] = {
        &AcRxDbxApp::On_kNullMsg,         &AcRxDbxApp::On_kInitAppMsg,    &AcRxDbxApp::On_kUnloadAppMsg,
        &AcRxDbxApp::On_kLoadDwgMsg,      &AcRxDbxApp::On_kUnloadDwgMsg,  &AcRxDbxApp::On_kInvkSubrMsg,
        &AcRxDbxApp::On_kCfgMsg,          &AcRxDbxApp::On_kEndMsg,        &AcRxDbxApp::On_kQuitMsg,
        &AcRxDbxApp::On_kSaveMsg,         &AcRxDbxApp::On_kDependencyMsg, &AcRxDbxApp::On_kNoDependencyMsg,
        &AcRxDbxApp::On_kOleUnloadAppMsg, &AcRxDbxApp::On_kPreQuitMsg,    &AcRxDbxApp::On_kInitDialogMsg,
        &AcRxDbxApp::On_kEndDialogMsg,
    };
    const int index = static_cast<int>(msg);
    if (index < 0 || index >= static_cast<int>(std::size(kHandlers))) {
        return AcRx::kRetOK;
    }
    return (this->*kHandlers[index])(appId);
}

bool AcRxDynamicLinker::unlockApplication(void*) {
    platform::State().calls.push_back(u"unlock");
    return true;
}

bool AcRxDynamicLinker::registerAppMDIAware(void*) {
    platform::State().calls.push_back(u"mdiaware");
    return true;
}

void AcRxDynamicLinker::addReactor(AcRxDLinkerReactor* reactor) {
    auto& reactors = platform::State().reactors;
    if (reactor != nullptr && std::find(reactors.begin(), reactors.end(), reactor) == reactors.end()) {
        reactors.push_back(reactor);
    }
}

void AcRxDynamicLinker::removeReactor(AcRxDLinkerReactor* reactor) {
    std::erase(platform::State().reactors, reactor);
}

bool AcRxDynamicLinker::loadModule(const ACHAR* fileName, bool, bool) {
    const std::u16string name = fileName != nullptr ? fileName : u"";
    platform::State().calls.push_back(u"load:" + name);
    // A copy: a reactor may remove itself while it is told.
    const std::vector<AcRxDLinkerReactor*> reactors = platform::State().reactors;
    for (AcRxDLinkerReactor* r : reactors) {
        r->rxAppWillBeLoaded(name.c_str());
    }
    bool loaded = !name.empty();
    for (const std::u16string& failing : platform::State().failing) {
        if (platform::EqualsNoCase(failing, name)) {
            loaded = false;
        }
    }
    for (AcRxDLinkerReactor* r : reactors) {
        if (loaded) {
            r->rxAppLoaded(name.c_str());
        } else {
            r->rxAppLoadAborted(name.c_str());
        }
    }
    return loaded;
}

AcRxDynamicLinker* acrxDynamicLinkerPtr() {
    static AcRxDynamicLinker linker;
    return &linker;
}
