// The registry: an in-memory tree of keys and typed values under HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE.
// Key and value names keep their spelling and compare ignoring case; sub-keys list in name order.
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/win32/core/testhooks.h"
#include "platform/win32/core/unicode.h"
#include "platform/win32/sys/sys_api.h"
#include "platform/win32/sys/sys_hooks.h"

namespace {

struct Value {
    std::u16string name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

struct Key {
    std::u16string name;
    std::map<std::u16string, std::shared_ptr<Key>> children;  // by upper-cased name
    std::map<std::u16string, Value> values;                   // by upper-cased name
    bool deleted = false;
};

struct OpenKey {
    std::shared_ptr<Key> key;
    REGSAM access = 0;
    HKEY root = nullptr;
    std::u16string path;  // upper-cased, from the root, '\' separated
};

struct Injection {
    HKEY root;
    std::u16string path;
    LSTATUS error;
    REGSAM access;
};

struct Registry {
    std::shared_ptr<Key> currentUser = std::make_shared<Key>();
    std::shared_ptr<Key> localMachine = std::make_shared<Key>();
    std::map<HKEY, OpenKey> open;
    uintptr_t nextHandle = 0x1000;
    std::vector<Injection> injections;
};

std::mutex g_mutex;
Registry* g_registry = nullptr;

// Call with g_mutex held.
Registry& R() {
    if (g_registry == nullptr) {
        g_registry = new Registry;
        platform::RegisterReset("win32.sys.registry", [] {
            std::lock_guard<std::mutex> lock(g_mutex);
            *g_registry = Registry{};
        });
    }
    return *g_registry;
}

std::u16string Upper(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) {
        c = platform::ToUpperChar(c);
    }
    return out;
}

std::vector<std::u16string> Split(const WCHAR* path) {
    std::vector<std::u16string> parts;
    std::u16string part;
    for (const WCHAR* p = path; p != nullptr && *p != 0; ++p) {
        if (*p == u'\\') {
            if (!part.empty()) {
                parts.push_back(part);
            }
            part.clear();
        } else {
            part += *p;
        }
    }
    if (!part.empty()) {
        parts.push_back(part);
    }
    return parts;
}

// The open key a handle stands for; a predefined root stands for itself with every right.
const OpenKey* Resolve(HKEY handle, OpenKey& rootSlot) {
    Registry& r = R();
    if (handle == HKEY_CURRENT_USER || handle == HKEY_LOCAL_MACHINE) {
        rootSlot = OpenKey{handle == HKEY_CURRENT_USER ? r.currentUser : r.localMachine, KEY_ALL_ACCESS,
                           handle, u""};
        return &rootSlot;
    }
    auto it = r.open.find(handle);
    return it == r.open.end() ? nullptr : &it->second;
}

LSTATUS OpenOrCreate(HKEY handle, LPCWSTR subKey, REGSAM access, bool create, PHKEY result,
                     LPDWORD disposition) {
    if (result == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    *result = nullptr;
    std::lock_guard<std::mutex> lock(g_mutex);
    Registry& r = R();
    OpenKey rootSlot;
    const OpenKey* base = Resolve(handle, rootSlot);
    if (base == nullptr) {
        return ERROR_INVALID_HANDLE;
    }
    if (base->key->deleted) {
        return ERROR_KEY_DELETED;
    }
    const std::vector<std::u16string> parts = Split(subKey);
    std::u16string path = base->path;
    for (const std::u16string& part : parts) {
        path += (path.empty() ? u"" : u"\\") + Upper(part);
    }
    for (const Injection& injection : r.injections) {
        if (injection.root == base->root && injection.path == path &&
            (injection.access == 0 || (access & injection.access) == injection.access)) {
            return injection.error;
        }
    }
    if (create && !parts.empty() && (base->access & KEY_CREATE_SUB_KEY) == 0) {
        return ERROR_ACCESS_DENIED;
    }
    std::shared_ptr<Key> key = base->key;
    bool created = false;
    for (const std::u16string& part : parts) {
        auto it = key->children.find(Upper(part));
        if (it == key->children.end()) {
            if (!create) {
                return ERROR_FILE_NOT_FOUND;
            }
            auto child = std::make_shared<Key>();
            child->name = part;
            it = key->children.emplace(Upper(part), child).first;
            created = true;
        }
        key = it->second;
    }
    const HKEY opened = reinterpret_cast<HKEY>(r.nextHandle);
    r.nextHandle += 4;
    r.open[opened] = OpenKey{key, access, base->root, path};
    *result = opened;
    if (disposition != nullptr) {
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    }
    return ERROR_SUCCESS;
}

// The key behind a handle for an operation that needs the given right.
LSTATUS KeyFor(HKEY handle, REGSAM right, OpenKey& rootSlot, const OpenKey** out) {
    *out = Resolve(handle, rootSlot);
    if (*out == nullptr) {
        return ERROR_INVALID_HANDLE;
    }
    if ((*out)->key->deleted) {
        return ERROR_KEY_DELETED;
    }
    return ((*out)->access & right) == right ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

std::shared_ptr<Key> SeedKey(HKEY root, std::u16string_view keyPath) {
    Registry& r = R();
    std::shared_ptr<Key> key = root == HKEY_LOCAL_MACHINE ? r.localMachine : r.currentUser;
    for (const std::u16string& part : Split(std::u16string(keyPath).c_str())) {
        std::shared_ptr<Key>& child = key->children[Upper(part)];
        if (!child) {
            child = std::make_shared<Key>();
            child->name = part;
        }
        key = child;
    }
    return key;
}

void Dump(const Key& key, const std::string& path, bool showEmpty, std::string& out) {
    if (showEmpty || !key.values.empty()) {
        out += "[" + path + "]\n";
    }
    for (const auto& [upper, value] : key.values) {
        out += "\"" + platform::Utf16ToUtf8(value.name) + "\"=";
        if (value.type == REG_DWORD && value.data.size() == 4) {
            char text[16];
            std::snprintf(text, sizeof(text), "dword:%08x",
                          value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                              (static_cast<unsigned>(value.data[3]) << 24));
            out += text;
        } else if (value.type == REG_SZ || value.type == REG_EXPAND_SZ) {
            std::u16string text;
            for (size_t i = 0; i + 1 < value.data.size(); i += 2) {
                const char16_t c = static_cast<char16_t>(value.data[i] | (value.data[i + 1] << 8));
                if (c == 0) {
                    break;
                }
                text += c;
            }
            out += "\"" + platform::Utf16ToUtf8(text) + "\"";
        } else {
            out += "hex(" + std::to_string(value.type) + "):";
            for (size_t i = 0; i < value.data.size(); ++i) {
                char text[4];
                std::snprintf(text, sizeof(text), i == 0 ? "%02x" : ",%02x", value.data[i]);
                out += text;
            }
        }
        out += "\n";
    }
    for (const auto& [upper, child] : key.children) {
        Dump(*child, path + "\\" + platform::Utf16ToUtf8(child->name), true, out);
    }
}

}  // namespace

LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD /*options*/, REGSAM access, PHKEY result) {
    return OpenOrCreate(key, subKey, access, false, result, nullptr);
}

LSTATUS RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD /*reserved*/, LPWSTR /*keyClass*/, DWORD /*options*/,
                        REGSAM access, LPSECURITY_ATTRIBUTES /*security*/, PHKEY result,
                        LPDWORD disposition) {
    return OpenOrCreate(key, subKey, access, true, result, disposition);
}

LSTATUS RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD /*reserved*/, LPDWORD type, LPBYTE data,
                         LPDWORD size) {
    if (data != nullptr && size == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    OpenKey rootSlot;
    const OpenKey* open = nullptr;
    if (const LSTATUS status = KeyFor(key, KEY_QUERY_VALUE, rootSlot, &open); status != ERROR_SUCCESS) {
        return status;
    }
    const auto it = open->key->values.find(Upper(name != nullptr ? name : u""));
    if (it == open->key->values.end()) {
        return ERROR_FILE_NOT_FOUND;
    }
    const Value& value = it->second;
    if (type != nullptr) {
        *type = value.type;
    }
    if (size == nullptr) {
        return ERROR_SUCCESS;
    }
    const DWORD needed = static_cast<DWORD>(value.data.size());
    if (data != nullptr && *size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (data != nullptr) {
        std::copy(value.data.begin(), value.data.end(), data);
    }
    *size = needed;
    return ERROR_SUCCESS;
}

LSTATUS RegSetValueExW(HKEY key, LPCWSTR name, DWORD /*reserved*/, DWORD type, const BYTE* data, DWORD size) {
    if (data == nullptr && size != 0) {
        return ERROR_INVALID_PARAMETER;
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    OpenKey rootSlot;
    const OpenKey* open = nullptr;
    if (const LSTATUS status = KeyFor(key, KEY_SET_VALUE, rootSlot, &open); status != ERROR_SUCCESS) {
        return status;
    }
    const std::u16string spelled = name != nullptr ? name : u"";
    Value& value = open->key->values[Upper(spelled)];
    value.name = spelled;
    value.type = type;
    value.data.assign(data, data + size);
    return ERROR_SUCCESS;
}

LSTATUS RegDeleteValueW(HKEY key, LPCWSTR name) {
    std::lock_guard<std::mutex> lock(g_mutex);
    OpenKey rootSlot;
    const OpenKey* open = nullptr;
    if (const LSTATUS status = KeyFor(key, KEY_SET_VALUE, rootSlot, &open); status != ERROR_SUCCESS) {
        return status;
    }
    return open->key->values.erase(Upper(name != nullptr ? name : u"")) != 0 ? ERROR_SUCCESS
                                                                             : ERROR_FILE_NOT_FOUND;
}

LSTATUS RegDeleteKeyW(HKEY key, LPCWSTR subKey) {
    const std::vector<std::u16string> parts = Split(subKey);
    if (parts.empty()) {
        return ERROR_INVALID_PARAMETER;
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    OpenKey rootSlot;
    const OpenKey* open = nullptr;
    if (const LSTATUS status = KeyFor(key, 0, rootSlot, &open); status != ERROR_SUCCESS) {
        return status;
    }
    std::shared_ptr<Key> parent = open->key;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        auto it = parent->children.find(Upper(parts[i]));
        if (it == parent->children.end()) {
            return ERROR_FILE_NOT_FOUND;
        }
        parent = it->second;
    }
    auto it = parent->children.find(Upper(parts.back()));
    if (it == parent->children.end()) {
        return ERROR_FILE_NOT_FOUND;
    }
    if (!it->second->children.empty()) {
        return ERROR_ACCESS_DENIED;  // only a key without sub-keys can go
    }
    it->second->deleted = true;
    parent->children.erase(it);
    return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY key) {
    if (key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE) {
        return ERROR_SUCCESS;
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    return R().open.erase(key) != 0 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LSTATUS RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD /*reserved*/,
                      LPWSTR keyClass, LPDWORD classLength, FILETIME* lastWriteTime) {
    if (name == nullptr || nameLength == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    OpenKey rootSlot;
    const OpenKey* open = nullptr;
    if (const LSTATUS status = KeyFor(key, KEY_ENUMERATE_SUB_KEYS, rootSlot, &open);
        status != ERROR_SUCCESS) {
        return status;
    }
    if (index >= open->key->children.size()) {
        return ERROR_NO_MORE_ITEMS;
    }
    auto it = open->key->children.begin();
    std::advance(it, index);
    const std::u16string& child = it->second->name;
    if (child.size() + 1 > *nameLength) {
        return ERROR_MORE_DATA;
    }
    std::copy(child.begin(), child.end(), name);
    name[child.size()] = 0;
    *nameLength = static_cast<DWORD>(child.size());
    if (keyClass != nullptr && classLength != nullptr && *classLength > 0) {
        keyClass[0] = 0;
    }
    if (classLength != nullptr) {
        *classLength = 0;
    }
    if (lastWriteTime != nullptr) {
        *lastWriteTime = FILETIME{0, 0};
    }
    return ERROR_SUCCESS;
}

namespace platform {

void SeedRegistryValue(HKEY root, std::u16string_view keyPath, std::u16string_view name, DWORD type,
                       const void* data, size_t size) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Value& value = SeedKey(root, keyPath)->values[Upper(name)];
    value.name = std::u16string(name);
    value.type = type;
    const BYTE* bytes = static_cast<const BYTE*>(data);
    value.data.assign(bytes, bytes + size);
}

void SeedRegistryString(HKEY root, std::u16string_view keyPath, std::u16string_view name,
                        std::u16string_view text) {
    const std::u16string withNul = std::u16string(text) + u'\0';
    SeedRegistryValue(root, keyPath, name, REG_SZ, withNul.data(), withNul.size() * sizeof(char16_t));
}

void SeedRegistryDword(HKEY root, std::u16string_view keyPath, std::u16string_view name, DWORD value) {
    const BYTE bytes[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                           static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24)};
    SeedRegistryValue(root, keyPath, name, REG_DWORD, bytes, sizeof(bytes));
}

void InjectRegistryOpenFailure(HKEY root, std::u16string_view keyPath, LSTATUS error, REGSAM onlyForAccess) {
    std::u16string path;
    for (const std::u16string& part : Split(std::u16string(keyPath).c_str())) {
        path += (path.empty() ? u"" : u"\\") + Upper(part);
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    R().injections.push_back(Injection{root, path, error, onlyForAccess});
}

std::string DumpRegistry() {
    std::lock_guard<std::mutex> lock(g_mutex);
    std::string out;
    Dump(*R().currentUser, "HKEY_CURRENT_USER", false, out);
    Dump(*R().localMachine, "HKEY_LOCAL_MACHINE", false, out);
    return out;
}

size_t OpenRegistryKeyCount() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return R().open.size();
}

}  // namespace platform
