#include "host/modules.h"

#include <dlfcn.h>

#include <filesystem>

#include "platform/arx/acap/acapdoc.h"
#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/aced/acedcmdline.h"
#include "platform/arx/aced/acededitor.h"
#include "platform/mfc/afxwnd.h"
#include "platform/win32/bus/bus_hooks.h"
#include "platform/win32/core/paths.h"
#include "platform/win32/core/unicode.h"
#include "platform/win32/sys/sys_hooks.h"

namespace tarnhost {
namespace {

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

// The base address the module is mapped at, for telling which code belongs to it.
const void* BaseOf(const void* address) {
    Dl_info info{};
    return dladdr(address, &info) != 0 ? info.dli_fbase : nullptr;
}

// Commands still registered with a function inside the module would call unmapped code after dlclose.
int RemoveLeftCommands(const Module& module) {
    const void* base = BaseOf(reinterpret_cast<const void*>(module.entryPoint));
    if (base == nullptr) {
        return 0;
    }
    std::vector<std::pair<std::u16string, std::u16string>> left;
    for (const AcEdCommand* command : platform::RegisteredCommands()) {
        if (BaseOf(reinterpret_cast<const void*>(command->functionAddr())) == base) {
            left.emplace_back(command->groupName(), command->globalName());
        }
    }
    for (const auto& [group, name] : left) {
        acedRegCmds->removeCmd(group.c_str(), name.c_str());
    }
    return static_cast<int>(left.size());
}

// Whether an object's class (its virtual table) lies in the module: its virtual calls would go to unmapped
// code after dlclose.
bool ObjectOf(HMODULE instance, const void* object) {
    return object != nullptr &&
           platform::ModuleHasAddress(instance, *static_cast<const void* const*>(object));
}

bool CodeOf(HMODULE instance, const void* code) {
    return code != nullptr && platform::ModuleHasAddress(instance, code);
}

std::string WindowName(const platform::WindowRecord& window) {
    return "window \"" + platform::Utf16ToUtf8(window.className) + "\" \"" +
           platform::Utf16ToUtf8(window.text) + "\"";
}

// What the module left behind whose code lies in it (windows, timers, reactors), described, and removed: the
// windows destroyed (their code still mapped), the timers killed, the reactors detached.
std::vector<std::string> RemoveLeftovers(const Module& module) {
    const HMODULE instance = module.instance;
    std::vector<std::string> left;
    std::vector<HWND> windows;
    for (const platform::WindowRecord& window : platform::LiveWindows()) {
        if (CodeOf(instance, reinterpret_cast<const void*>(window.proc))) {
            left.push_back("the window procedure of " + WindowName(window));
            windows.push_back(window.hwnd);
        } else if (ObjectOf(instance, CWnd::FromHandlePermanent(window.hwnd))) {
            left.push_back("the window object of " + WindowName(window));
            windows.push_back(window.hwnd);
        }
    }
    for (HWND hwnd : windows) {
        DestroyWindow(hwnd);
    }
    for (const platform::TimerRecord& timer : platform::LiveTimers()) {
        if (CodeOf(instance, reinterpret_cast<const void*>(timer.proc))) {
            left.push_back("the procedure of timer " + std::to_string(timer.id));
            KillTimer(timer.hwnd, timer.id);
        }
    }
    std::vector<AcEditorReactor*> editorReactors;
    platform::ForEachEditorReactor([&](AcEditorReactor* reactor) {
        if (ObjectOf(instance, reactor)) {
            editorReactors.push_back(reactor);
        }
    });
    for (AcEditorReactor* reactor : editorReactors) {
        left.push_back("an editor reactor");
        acedEditor->removeReactor(reactor);
    }
    for (AcApDocManagerReactor* reactor : platform::DocManagerReactors()) {
        if (ObjectOf(instance, reactor)) {
            left.push_back("a document manager reactor");
            acDocManager->removeReactor(reactor);
        }
    }
    std::unique_ptr<AcApDocumentIterator> docs(acDocManager->newAcApDocumentIterator());
    for (; !docs->done(); docs->step()) {
        AcDbDatabase* db = docs->document()->database();
        for (AcDbDatabaseReactor* reactor : platform::DatabaseReactors(db)) {
            if (ObjectOf(instance, reactor)) {
                left.push_back("a database reactor");
                db->removeReactor(reactor);
            }
        }
    }
    return left;
}

}  // namespace

ModuleSet::~ModuleSet() {
    UnloadAll();
}

bool ModuleSet::Load(const std::string& hostPath, std::string* error) {
    auto fail = [&](const std::string& text) {
        if (error != nullptr) {
            *error = text;
        }
        return false;
    };
    const std::string name = std::filesystem::path(hostPath).filename().string();
    if (Find(name) != nullptr) {
        return fail("\"" + name + "\" is already loaded.");
    }
    void* handle = dlopen(hostPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        return fail("cannot load \"" + hostPath + "\": " + (why != nullptr ? why : "unknown error"));
    }
    auto module = std::make_unique<Module>();
    module->name = name;
    module->hostPath = hostPath;
    module->windowsPath =
        platform::ToWindowsPath(std::filesystem::absolute(hostPath).lexically_normal().string());
    module->handle = handle;
    module->entryPoint = reinterpret_cast<EntryPointFn>(dlsym(handle, "acrxEntryPoint"));
    auto version = reinterpret_cast<ApiVersionFn>(dlsym(handle, "acrxGetApiVersion"));
    if (module->entryPoint == nullptr || version == nullptr) {
        dlclose(handle);
        return fail("\"" + name +
                    "\" is not an application: acrxEntryPoint or acrxGetApiVersion is missing.");
    }
    module->apiVersion = version();

    // Its own instance handle, by which it finds its path and its resources.
    std::string why;
    module->instance = platform::AttachModule(handle, &why);
    if (module->instance == nullptr) {
        dlclose(handle);
        return fail("cannot load \"" + hostPath + "\": " + why);
    }
    platform::SetModuleFileName(module->instance, module->windowsPath);

    Module* loaded = module.get();
    m_modules.push_back(std::move(module));
    if (loaded->entryPoint(AcRx::kInitAppMsg, loaded) != AcRx::kRetOK) {
        RemoveLeftCommands(*loaded);
        for (const std::string& what : RemoveLeftovers(*loaded)) {
            m_leftovers.push_back("\"" + loaded->name + "\" left " + what + " behind.");
        }
        platform::DetachModule(loaded->instance);
        m_modules.pop_back();
        dlclose(handle);
        return fail("\"" + name + "\" refused to load (initialisation failed).");
    }
    // One drawing message per open drawing, as if each had been opened after the load.
    for (int i = acDocManager->documentCount(); i > 0; --i) {
        loaded->entryPoint(AcRx::kLoadDwgMsg, loaded);
    }
    return true;
}

Module* ModuleSet::Find(const std::string& name) {
    const std::string wanted = Lower(name);
    for (const auto& module : m_modules) {
        const std::string own = Lower(module->name);
        if (own == wanted || Lower(std::filesystem::path(module->name).stem().string()) == wanted) {
            return module.get();
        }
    }
    return nullptr;
}

bool ModuleSet::Unload(const std::string& name, bool force, std::string* error) {
    Module* module = Find(name);
    if (module == nullptr) {
        if (error != nullptr) {
            *error = "\"" + name + "\" is not loaded.";
        }
        return false;
    }
    for (int i = acDocManager->documentCount(); i > 0; --i) {
        module->entryPoint(AcRx::kUnloadDwgMsg, module);
    }
    if (module->entryPoint(AcRx::kUnloadAppMsg, module) != AcRx::kRetOK && !force) {
        if (error != nullptr) {
            *error = "\"" + module->name + "\" refused to unload.";
        }
        return false;
    }
    RemoveLeftCommands(*module);
    for (const std::string& what : RemoveLeftovers(*module)) {
        const std::string line = "\"" + module->name + "\" left " + what + " behind.";
        acutPrintf(u"\n%s", platform::Utf8ToUtf16(line).c_str());
        m_leftovers.push_back(line);
    }
    platform::DetachModule(module->instance);
    void* handle = module->handle;
    for (auto it = m_modules.begin(); it != m_modules.end(); ++it) {
        if (it->get() == module) {
            m_modules.erase(it);
            break;
        }
    }
    dlclose(handle);
    return true;
}

void ModuleSet::UnloadAll() {
    // Newest first, the reverse of loading.
    while (!m_modules.empty()) {
        Unload(m_modules.back()->name, true, nullptr);
    }
}

void ModuleSet::DocumentLoaded(AcApDocument*) {
    for (const auto& module : m_modules) {
        module->entryPoint(AcRx::kLoadDwgMsg, module.get());
    }
}

void ModuleSet::DocumentUnloading(AcApDocument*) {
    for (const auto& module : m_modules) {
        module->entryPoint(AcRx::kUnloadDwgMsg, module.get());
    }
}

}  // namespace tarnhost
