// Loaded applications. A module is a shared object that exports, with C linkage,
//   AcRx::AppRetCode acrxEntryPoint(AcRx::AppMsgCode msg, void* appId);
//   int acrxGetApiVersion();
// and takes every platform function from the host process (tarnhost exports the platform's). Loading
// dlopens it, attaches it to the platform (its own instance handle, its resources, its path) and sends
// kInitAppMsg (kRetError refuses the load), then kLoadDwgMsg for each open drawing; drawings opened later get
// kLoadDwgMsg and closing ones kUnloadDwgMsg. Unloading sends kUnloadDwgMsg for each open drawing and
// kUnloadAppMsg (kRetError refuses an unload on request; a forced unload at quit goes on), removes commands
// the module left registered, reports and removes the windows, timers and reactors whose code lies in the
// module, and dlcloses it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/arx/acap/rxapp.h"
#include "platform/win32/core/wintypes.h"

class AcApDocument;

namespace tarnhost {

using EntryPointFn = AcRx::AppRetCode (*)(AcRx::AppMsgCode, void*);
using ApiVersionFn = int (*)();

struct Module {
    std::string name;            // file name, e.g. "TarnArx.arx"
    std::string hostPath;        // the file loaded
    std::u16string windowsPath;  // what the module is told its path is
    void* handle = nullptr;      // dlopen's
    HMODULE instance = nullptr;  // the instance handle the platform gives it
    EntryPointFn entryPoint = nullptr;
    int apiVersion = 0;
};

class ModuleSet {
public:
    ModuleSet() = default;
    ~ModuleSet();
    ModuleSet(const ModuleSet&) = delete;
    ModuleSet& operator=(const ModuleSet&) = delete;

    // Loads the file as it is (the host copies it into the module folder first). False with *error.
    bool Load(const std::string& hostPath, std::string* error);
    // By file name, with or without its extension, case ignored.
    bool Unload(const std::string& name, bool force, std::string* error);
    void UnloadAll();
    Module* Find(const std::string& name);
    const std::vector<std::unique_ptr<Module>>& All() const { return m_modules; }
    // What unloaded modules left behind whose code lay in them (windows, timers, reactors): reported on the
    // command line and removed before the module went. Tests fail on any.
    const std::vector<std::string>& Leftovers() const { return m_leftovers; }
    void ClearLeftovers() { m_leftovers.clear(); }

    // The document notifications the host passes on.
    void DocumentLoaded(AcApDocument* doc);
    void DocumentUnloading(AcApDocument* doc);

private:
    std::vector<std::unique_ptr<Module>> m_modules;
    std::vector<std::string> m_leftovers;
};

}  // namespace tarnhost
