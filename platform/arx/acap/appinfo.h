// The host's application registration for demand loading: an application's entry names its module, a
// description and the reasons the host loads it, with its command group and commands below it. Entries live
// in the registry under the host's key (platform::kHostApplicationsKey).
#pragma once

#include <string>

#include "platform/arx/acut/adesk.h"
#include "platform/win32/core/wintypes.h"

namespace AcadApp {
enum LoadReasons {
    kOnProxyDetection = 0x01,
    kOnStartup = 0x02,
    kOnCommandInvocation = 0x04,
    kOnLoadRequest = 0x08,
    kLoadDisabled = 0x10,
    kTransparentlyLoadable = 0x20,
};
}  // namespace AcadApp

class AcadAppInfo {
public:
    enum appStatusType {
        kNoError = 0,
        kErrorCreatingKey = 1,
        kErrorWritingValue = 2,
        kErrorDeletingKey = 3,
        kAppNameNotFound = 4,  // no entry of that name (read and delete), or no name at all
        kErrorReadingValue = 5,
    };

    void setAppName(const ACHAR* name) { m_name = name != nullptr ? name : u""; }
    const ACHAR* appName() const { return m_name.c_str(); }
    void setAppDesc(const ACHAR* description) { m_description = description != nullptr ? description : u""; }
    const ACHAR* appDesc() const { return m_description.c_str(); }
    void setModuleName(const ACHAR* module) { m_module = module != nullptr ? module : u""; }
    const ACHAR* moduleName() const { return m_module.c_str(); }
    void setLoadReason(AcadApp::LoadReasons reasons) { m_reasons = reasons; }
    AcadApp::LoadReasons loadReason() const { return m_reasons; }

    // Writes description, module and load reasons under the entry of the application's name.
    appStatusType writeToRegistry();
    // Reads them back from the entry of the application's name.
    appStatusType readFromRegistry();
    // Removes the entry with its groups and commands.
    appStatusType delFromRegistry();
    appStatusType writeGroupNameToRegistry(const ACHAR* group);
    appStatusType writeCommandNameToRegistry(const ACHAR* globalName, const ACHAR* localName);

private:
    std::u16string m_name;
    std::u16string m_description;
    std::u16string m_module;
    AcadApp::LoadReasons m_reasons = static_cast<AcadApp::LoadReasons>(0);
};

namespace platform {

// Under HKEY_CURRENT_USER; one sub-key per application, values "Description", "Module" (REG_SZ) and
// "LoadReasons" (REG_DWORD), sub-keys "Groups" (group = group) and "Commands" (global = local).
inline constexpr const char16_t* kHostApplicationsKey = u"Software\\TarnHost\\Applications";

}  // namespace platform
