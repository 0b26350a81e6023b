// Module resources: the entries a module lays down in its resource section (core/modres.h), looked up by
// type and id. A handle stands for one entry; loading and locking give its data as it lies in the module.
#include <algorithm>
#include <string_view>

#include "platform/win32/core/modres.h"
#include "platform/win32/sys/sys_api.h"
#include "platform/win32/sys/sys_internal.h"

namespace {

char16_t Upper(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool SameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (Upper(a[i]) != Upper(b[i])) {
            return false;
        }
    }
    return true;
}

// A name given as MAKEINTRESOURCEW(id) or as "#id" is a number; anything else is a name.
bool NumberOf(LPCWSTR name, unsigned long& number) {
    if (IS_INTRESOURCE(name)) {
        number = static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(name));
        return true;
    }
    if (name[0] != u'#' || name[1] == u'\0') {
        return false;
    }
    number = 0;
    for (const char16_t* c = name + 1; *c != u'\0'; ++c) {
        if (*c < u'0' || *c > u'9' || number > 0xFFFF) {
            return false;
        }
        number = number * 10 + static_cast<unsigned long>(*c - u'0');
    }
    return number <= 0xFFFF;
}

bool TypeMatches(const TarnResourceEntry& entry, LPCWSTR type) {
    if (entry.type == nullptr) {
        return false;
    }
    unsigned long wanted = 0;
    unsigned long own = 0;
    if (NumberOf(type, wanted)) {
        return NumberOf(entry.type, own) && own == wanted;
    }
    return SameName(entry.type, type);
}

}  // namespace

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) {
    unsigned long id = 0;
    if (name == nullptr || type == nullptr || !NumberOf(name, id)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    for (const TarnResourceEntry& entry : platform::sys::ResourceEntries(module)) {
        if (entry.id == id && TypeMatches(entry, type)) {
            return reinterpret_cast<HRSRC>(const_cast<TarnResourceEntry*>(&entry));
        }
    }
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
    return resource != nullptr ? const_cast<void*>(reinterpret_cast<const TarnResourceEntry*>(resource)->data)
                               : nullptr;
}

DWORD SizeofResource(HMODULE, HRSRC resource) {
    return resource != nullptr
               ? static_cast<DWORD>(reinterpret_cast<const TarnResourceEntry*>(resource)->size)
               : 0;
}

LPVOID LockResource(HGLOBAL loaded) {
    return loaded;
}

int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int capacity) {
    const HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(id), RT_STRING);
    if (found == nullptr || buffer == nullptr) {
        return 0;
    }
    const auto* text = static_cast<const char16_t*>(LoadResource(instance, found));
    const std::u16string_view view(text != nullptr ? text : u"");
    if (capacity == 0) {
        // The caller gets a pointer to the text in the module, which is not NUL-terminated on Windows.
        *reinterpret_cast<const char16_t**>(buffer) = text;
        return static_cast<int>(view.size());
    }
    if (capacity < 0) {
        return 0;
    }
    const size_t n = std::min(view.size(), static_cast<size_t>(capacity) - 1);
    view.copy(buffer, n);
    buffer[n] = u'\0';
    return static_cast<int>(n);
}
