// Demand-load entries in the stand-in registry.
#include "platform/arx/acap/appinfo.h"

#include "platform/win32/sys/sys_api.h"

namespace {

std::u16string EntryKey(const std::u16string& name) {
    return std::u16string(platform::kHostApplicationsKey) + u"\\" + name;
}

// A key closed when it goes out of scope.
struct Key {
    HKEY handle = nullptr;
    ~Key() {
        if (handle != nullptr) {
            RegCloseKey(handle);
        }
    }
};

bool Create(const std::u16string& path, Key& key) {
    return RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                           &key.handle, nullptr) == ERROR_SUCCESS;
}

bool SetText(HKEY key, const char16_t* name, const std::u16string& text) {
    const DWORD size = static_cast<DWORD>((text.size() + 1) * sizeof(char16_t));
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), size) ==
           ERROR_SUCCESS;
}

bool GetText(HKEY key, const char16_t* name, std::u16string& text) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ) {
        return false;
    }
    std::u16string buffer(size / sizeof(char16_t) + 1, u'\0');
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
        ERROR_SUCCESS) {
        return false;
    }
    text.assign(buffer.c_str());
    return true;
}

// Deletes a key and everything below it (the registry refuses keys that still have sub-keys).
bool DeleteTree(const std::u16string& path) {
    Key key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &key.handle) != ERROR_SUCCESS) {
        return false;
    }
    WCHAR name[256];
    DWORD length = 256;
    while (RegEnumKeyExW(key.handle, 0, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
        if (!DeleteTree(path + u"\\" + name)) {
            return false;
        }
        length = 256;
    }
    RegCloseKey(key.handle);
    key.handle = nullptr;
    return RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str()) == ERROR_SUCCESS;
}

}  // namespace

AcadAppInfo::appStatusType AcadAppInfo::writeToRegistry() {
    if (m_name.empty()) {
        return kAppNameNotFound;
    }
    Key key;
    if (!Create(EntryKey(m_name), key)) {
        return kErrorCreatingKey;
    }
    const DWORD reasons = static_cast<DWORD>(m_reasons);
    const bool ok = SetText(key.handle, u"Description", m_description) &&
                    SetText(key.handle, u"Module", m_module) &&
                    RegSetValueExW(key.handle, u"LoadReasons", 0, REG_DWORD,
                                   reinterpret_cast<const BYTE*>(&reasons), sizeof reasons) == ERROR_SUCCESS;
    return ok ? kNoError : kErrorWritingValue;
}

AcadAppInfo::appStatusType AcadAppInfo::readFromRegistry() {
    Key key;
    if (m_name.empty() || RegOpenKeyExW(HKEY_CURRENT_USER, EntryKey(m_name).c_str(), 0, KEY_READ,
                                        &key.handle) != ERROR_SUCCESS) {
        return kAppNameNotFound;
    }
    DWORD reasons = 0;
    DWORD type = 0;
    DWORD size = sizeof reasons;
    if (!GetText(key.handle, u"Description", m_description) || !GetText(key.handle, u"Module", m_module) ||
        RegQueryValueExW(key.handle, u"LoadReasons", nullptr, &type, reinterpret_cast<BYTE*>(&reasons),
                         &size) != ERROR_SUCCESS ||
        type != REG_DWORD) {
        return kErrorReadingValue;
    }
    m_reasons = static_cast<AcadApp::LoadReasons>(reasons);
    return kNoError;
}

AcadAppInfo::appStatusType AcadAppInfo::delFromRegistry() {
    if (m_name.empty()) {
        return kAppNameNotFound;
    }
    Key probe;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, EntryKey(m_name).c_str(), 0, KEY_READ, &probe.handle) !=
        ERROR_SUCCESS) {
        return kAppNameNotFound;
    }
    RegCloseKey(probe.handle);
    probe.handle = nullptr;
    return DeleteTree(EntryKey(m_name)) ? kNoError : kErrorDeletingKey;
}

AcadAppInfo::appStatusType AcadAppInfo::writeGroupNameToRegistry(const ACHAR* group) {
    if (m_name.empty() || group == nullptr || group[0] == 0) {
        return kAppNameNotFound;
    }
    Key key;
    if (!Create(EntryKey(m_name) + u"\\Groups", key)) {
        return kErrorCreatingKey;
    }
    return SetText(key.handle, group, group) ? kNoError : kErrorWritingValue;
}

AcadAppInfo::appStatusType AcadAppInfo::writeCommandNameToRegistry(const ACHAR* globalName,
                                                                   const ACHAR* localName) {
    if (m_name.empty() || globalName == nullptr || globalName[0] == 0) {
        return kAppNameNotFound;
    }
    Key key;
    if (!Create(EntryKey(m_name) + u"\\Commands", key)) {
        return kErrorCreatingKey;
    }
    return SetText(key.handle, globalName, localName != nullptr ? localName : globalName)
               ? kNoError
               : kErrorWritingValue;
}
