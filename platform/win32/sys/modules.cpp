// Loaded modules: the instance handle each one gets, the address range of its code, and the entries of its
// resource section. A dlopened module's entries are found from its own file: the section headers name
// "tarn_rsrc" and give its address, to which the module's load bias is added (the linker's start and stop
// symbols would have to be exported, and a module exports only its entry points). The program's own entries
// (test programs link the plug-in statically) come from the linker's symbols of this program.
#include <dlfcn.h>
#include <elf.h>
#include <link.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <vector>

#include "platform/win32/core/modres.h"
#include "platform/win32/core/testhooks.h"
#include "platform/win32/sys/sys_hooks.h"
#include "platform/win32/sys/sys_internal.h"

// Defined by the linker when some object of this program has the section; weak, so a program without
// resources still links and sees none.
extern "C" const TarnResourceEntry __start_tarn_rsrc[] __attribute__((weak, visibility("hidden")));
extern "C" const TarnResourceEntry __stop_tarn_rsrc[] __attribute__((weak, visibility("hidden")));

namespace {

struct LoadedModule {
    uintptr_t low = 0;  // the address range of its loaded segments
    uintptr_t high = 0;
    uint64_t loaded = 0;  // load order
    const TarnResourceEntry* entries = nullptr;
    size_t count = 0;
};

std::mutex g_mutex;

// Not reset between tests: modules stay loaded until their host unloads them.
std::map<HMODULE, LoadedModule>& Modules() {
    static auto* modules = new std::map<HMODULE, LoadedModule>();
    return *modules;
}

bool ReadAt(std::ifstream& file, uint64_t offset, void* out, size_t size, uint64_t fileSize) {
    if (offset > fileSize || size > fileSize - offset) {
        return false;
    }
    file.seekg(static_cast<std::streamoff>(offset));
    file.read(static_cast<char*>(out), static_cast<std::streamsize>(size));
    return static_cast<size_t>(file.gcount()) == size;
}

// The address (before the load bias) and size of the module's resource section, and the range of its
// loaded segments, from the headers of its file. Every offset and count is checked against the file.
struct FileLayout {
    uint64_t sectionAddress = 0;
    uint64_t sectionSize = 0;
    uint64_t low = UINT64_MAX;
    uint64_t high = 0;
};

bool ReadLayout(const std::string& path, FileLayout& layout, std::string* error) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) {
        *error = "cannot read \"" + path + "\"";
        return false;
    }
    const uint64_t fileSize = static_cast<uint64_t>(file.tellg());
    Elf64_Ehdr header{};
    if (!ReadAt(file, 0, &header, sizeof header, fileSize) ||
        std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64) {
        *error = "\"" + path + "\" is not a 64-bit ELF file";
        return false;
    }
    for (uint16_t i = 0; i < header.e_phnum; ++i) {
        Elf64_Phdr segment{};
        if (header.e_phentsize != sizeof segment ||
            !ReadAt(file, header.e_phoff + uint64_t{i} * sizeof segment, &segment, sizeof segment,
                    fileSize)) {
            *error = "bad program headers in \"" + path + "\"";
            return false;
        }
        if (segment.p_type == PT_LOAD) {
            layout.low = std::min(layout.low, segment.p_vaddr);
            layout.high = std::max(layout.high, segment.p_vaddr + segment.p_memsz);
        }
    }
    if (header.e_shnum == 0 || header.e_shentsize != sizeof(Elf64_Shdr) ||
        header.e_shstrndx >= header.e_shnum) {
        return true;  // no section headers: no resources
    }
    std::vector<Elf64_Shdr> sections(header.e_shnum);
    if (!ReadAt(file, header.e_shoff, sections.data(), sections.size() * sizeof(Elf64_Shdr), fileSize)) {
        *error = "bad section headers in \"" + path + "\"";
        return false;
    }
    const Elf64_Shdr& names = sections[header.e_shstrndx];
    std::string table(names.sh_size, '\0');
    if (!ReadAt(file, names.sh_offset, table.data(), table.size(), fileSize)) {
        *error = "bad section names in \"" + path + "\"";
        return false;
    }
    for (const Elf64_Shdr& section : sections) {
        if (section.sh_name >= table.size() || section.sh_type == SHT_NOBITS ||
            std::strcmp(table.c_str() + section.sh_name, "tarn_rsrc") != 0) {
            continue;
        }
        if (section.sh_size % sizeof(TarnResourceEntry) != 0 || section.sh_addr < layout.low ||
            section.sh_addr + section.sh_size > layout.high ||
            section.sh_addr + section.sh_size < section.sh_addr) {
            *error = "bad resource section in \"" + path + "\"";
            return false;
        }
        layout.sectionAddress = section.sh_addr;
        layout.sectionSize = section.sh_size;
    }
    return true;
}

}  // namespace

namespace platform {

HMODULE AttachModule(void* dlHandle, std::string* error) {
    std::string ignored;
    error = error != nullptr ? error : &ignored;
    link_map* map = nullptr;
    if (dlHandle == nullptr || dlinfo(dlHandle, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) {
        *error = "not a loaded module";
        return nullptr;
    }
    FileLayout layout;
    if (!ReadLayout(map->l_name, layout, error)) {
        return nullptr;
    }
    if (layout.low >= layout.high) {
        *error = "no loaded segments";
        return nullptr;
    }
    LoadedModule module;
    module.low = map->l_addr + layout.low;
    module.high = map->l_addr + layout.high;
    if (layout.sectionSize != 0) {
        module.entries = reinterpret_cast<const TarnResourceEntry*>(map->l_addr + layout.sectionAddress);
        module.count = layout.sectionSize / sizeof(TarnResourceEntry);
    }
    // As on Windows, the instance handle is the address the module is loaded at.
    const HMODULE instance = reinterpret_cast<HMODULE>(module.low);
    std::lock_guard<std::mutex> lock(g_mutex);
    static uint64_t loads = 0;
    module.loaded = ++loads;
    Modules()[instance] = module;
    return instance;
}

void DetachModule(HMODULE instance) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Modules().erase(instance);
}

std::vector<HMODULE> LoadedModules() {
    std::lock_guard<std::mutex> lock(g_mutex);
    std::vector<std::pair<uint64_t, HMODULE>> ordered;
    for (const auto& [instance, module] : Modules()) {
        ordered.emplace_back(module.loaded, instance);
    }
    std::sort(ordered.begin(), ordered.end());
    std::vector<HMODULE> all;
    for (const auto& entry : ordered) {
        all.push_back(entry.second);
    }
    return all;
}

HMODULE ModuleOfAddress(const void* address) {
    const auto at = reinterpret_cast<uintptr_t>(address);
    std::lock_guard<std::mutex> lock(g_mutex);
    for (const auto& [instance, module] : Modules()) {
        if (at >= module.low && at < module.high) {
            return instance;
        }
    }
    return nullptr;
}

bool ModuleHasAddress(HMODULE instance, const void* address) {
    const auto at = reinterpret_cast<uintptr_t>(address);
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = Modules().find(instance);
    return it != Modules().end() && at >= it->second.low && at < it->second.high;
}

}  // namespace platform

namespace platform::sys {

std::span<const TarnResourceEntry> ResourceEntries(HMODULE module) {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        auto it = Modules().find(module);
        if (it != Modules().end()) {
            return {it->second.entries, it->second.count};
        }
    }
    // The program itself: the null handle, the host's and the in-process plug-in's.
    if (module == nullptr || module == HostModuleHandle() || module == PluginModuleHandle()) {
        if (__start_tarn_rsrc == nullptr || __stop_tarn_rsrc == nullptr) {
            return {};
        }
        return {__start_tarn_rsrc, static_cast<size_t>(__stop_tarn_rsrc - __start_tarn_rsrc)};
    }
    return {};
}

}  // namespace platform::sys
