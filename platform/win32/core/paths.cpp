#include "platform/win32/core/paths.h"

#include "platform/win32/core/unicode.h"

namespace platform {

bool ToHostPath(std::u16string_view path, std::string& hostPath) {
    bool ok = true;
    std::string text = Utf16ToUtf8(path, true, &ok);
    if (!ok) {
        return false;
    }
    for (char& c : text) {
        if (c == '\\') {
            c = '/';
        }
    }
    if (text.size() >= 2 && text[1] == ':') {
        const char drive = text[0];
        if (drive != 'C' && drive != 'c') {
            return false;
        }
        text.erase(0, 2);
        if (text.empty() || text[0] != '/') {
            text.insert(text.begin(), '/');
        }
    } else if (text.size() >= 2 && text[0] == '/' && text[1] == '/') {
        return false;  // UNC names have no place on the mapped drive
    }
    hostPath = std::move(text);
    return true;
}

std::string ToHostPath(std::u16string_view windowsPath) {
    std::string out;
    if (!ToHostPath(windowsPath, out)) {
        out.clear();
    }
    return out;
}

std::u16string ToWindowsPath(std::string_view hostPath) {
    std::u16string out = Utf8ToUtf16(hostPath);
    for (char16_t& c : out) {
        if (c == u'/') {
            c = u'\\';
        }
    }
    if (!out.empty() && out[0] == u'\\') {
        out.insert(0, u"C:");
    }
    return out;
}

}  // namespace platform
