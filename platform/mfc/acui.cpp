#include "platform/mfc/acui.h"

#include "platform/mfc/mfc_internal.h"
#include "platform/win32/sys/sys_hooks.h"

IMPLEMENT_DYNAMIC(CAcUiDialog, CDialog)
IMPLEMENT_DYNAMIC(CAcUiPickButton, CButton)

[[gnu::noinline]] CAcModuleResourceOverride::CAcModuleResourceOverride()
    : m_previous(platform::mfc::ChosenResourceHandle()) {
    const HMODULE caller = platform::ModuleOfAddress(__builtin_return_address(0));
    AfxSetResourceHandle(caller != nullptr ? caller : platform::PluginModuleHandle());
}

CAcModuleResourceOverride::CAcModuleResourceOverride(HINSTANCE resources)
    : m_previous(platform::mfc::ChosenResourceHandle()) {
    AfxSetResourceHandle(resources);
}

CAcModuleResourceOverride::~CAcModuleResourceOverride() {
    AfxSetResourceHandle(m_previous);
}
