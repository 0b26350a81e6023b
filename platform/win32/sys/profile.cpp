// Profile (INI) files under the real platform's reading and writing rules. The file is read whole on every
// call (no cache, so another writer's change is seen at once) and replaced whole on every write: written to
// a neighbour file and renamed over it, so a failed write leaves the old file as it was.
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/core/unicode.h"
#include "platform/win32/sys/sys_api.h"
#include "platform/win32/sys/sys_internal.h"

namespace {

enum class Encoding { kAnsi, kUtf16 };

struct IniFile {
    bool exists = false;
    Encoding encoding = Encoding::kAnsi;
    std::vector<std::u16string> lines;
};

struct Line {
    enum Kind { kOther, kSection, kEntry } kind = kOther;
    std::u16string name;
    std::u16string value;
};

struct Section {
    std::u16string name;
    size_t header;  // index of the "[name]" line
    size_t end;     // index of the next section's header, or the line count
};

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f';
}

std::u16string Trim(std::u16string_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return std::u16string(text.substr(begin, end - begin));
}

Line Parse(std::u16string_view raw) {
    Line line;
    const std::u16string text = Trim(raw);
    if (!text.empty() && text[0] == u'[') {
        const size_t close = text.find(u']');
        line.kind = Line::kSection;
        line.name = Trim(std::u16string_view(text).substr(
            1, close == std::u16string::npos ? std::u16string::npos : close - 1));
        return line;
    }
    const size_t equals = text.find(u'=');
    if (text.empty() || text[0] == u';' || equals == std::u16string::npos) {
        return line;
    }
    line.name = Trim(std::u16string_view(text).substr(0, equals));
    line.value = Trim(std::u16string_view(text).substr(equals + 1));
    const size_t n = line.value.size();
    if (n >= 2 && (line.value[0] == u'"' || line.value[0] == u'\'') && line.value[n - 1] == line.value[0]) {
        line.value = line.value.substr(1, n - 2);
    }
    line.kind = line.name.empty() ? Line::kOther : Line::kEntry;
    return line;
}

std::vector<Section> SectionsOf(const IniFile& ini) {
    std::vector<Section> sections;
    for (size_t i = 0; i < ini.lines.size(); ++i) {
        const Line line = Parse(ini.lines[i]);
        if (line.kind == Line::kSection) {
            if (!sections.empty()) {
                sections.back().end = i;
            }
            sections.push_back(Section{line.name, i, ini.lines.size()});
        }
    }
    return sections;
}

const Section* FindSection(const std::vector<Section>& sections, std::u16string_view name) {
    const std::u16string wanted = Trim(name);
    for (const Section& section : sections) {
        if (platform::EqualsNoCase(section.name, wanted)) {
            return &section;
        }
    }
    return nullptr;
}

// Index of the key's line within the section, or npos.
size_t FindKey(const IniFile& ini, const Section& section, std::u16string_view key) {
    const std::u16string wanted = Trim(key);
    for (size_t i = section.header + 1; i < section.end; ++i) {
        const Line line = Parse(ini.lines[i]);
        if (line.kind == Line::kEntry && platform::EqualsNoCase(line.name, wanted)) {
            return i;
        }
    }
    return std::u16string::npos;
}

std::u16string Decode(const std::string& bytes, Encoding* encoding) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        *encoding = Encoding::kUtf16;
        std::u16string text;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                 (static_cast<unsigned char>(bytes[i + 1]) << 8)));
        }
        return text;
    }
    *encoding = Encoding::kAnsi;
    if (bytes.empty() || bytes.size() > INT_MAX) {
        return std::u16string();
    }
    const int count = static_cast<int>(bytes.size());
    std::u16string text(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, bytes.data(), count, nullptr, 0)),
                        u'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), count, text.data(), static_cast<int>(text.size()));
    return text;
}

std::string Encode(const std::u16string& text, Encoding encoding) {
    std::string bytes;
    if (encoding == Encoding::kUtf16) {
        bytes = "\xFF\xFE";
        for (char16_t c : text) {
            bytes.push_back(static_cast<char>(c & 0xFF));
            bytes.push_back(static_cast<char>(c >> 8));
        }
        return bytes;
    }
    if (text.empty()) {
        return bytes;
    }
    const int count = static_cast<int>(text.size());
    bytes.resize(static_cast<size_t>(
        WideCharToMultiByte(CP_ACP, 0, text.data(), count, nullptr, 0, nullptr, nullptr)));
    WideCharToMultiByte(CP_ACP, 0, text.data(), count, bytes.data(), static_cast<int>(bytes.size()), nullptr,
                        nullptr);
    return bytes;
}

IniFile Load(const std::string& hostPath) {
    IniFile ini;
    FILE* file = std::fopen(hostPath.c_str(), "rb");
    if (file == nullptr || platform::sys::IsFolder(hostPath)) {
        if (file != nullptr) {
            std::fclose(file);
        }
        return ini;
    }
    std::string bytes;
    char buffer[8192];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0) {
        bytes.append(buffer, got);
    }
    std::fclose(file);
    ini.exists = true;
    const std::u16string text = Decode(bytes, &ini.encoding);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(u'\n', start);
        if (end == std::u16string::npos) {
            end = text.size();
        }
        std::u16string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == u'\r') {
            line.pop_back();
        }
        ini.lines.push_back(std::move(line));
        start = end + 1;
    }
    return ini;
}

bool Save(const std::string& hostPath, const IniFile& ini) {
    std::string target = hostPath;
    if (char* resolved = ::realpath(hostPath.c_str(), nullptr)) {
        target = resolved;  // write through a link rather than replace it
        std::free(resolved);
    }
    struct stat st;
    const bool existed = ::stat(target.c_str(), &st) == 0;
    if (existed && (S_ISDIR(st.st_mode) || (st.st_mode & S_IWUSR) == 0)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    std::u16string text;
    for (const std::u16string& line : ini.lines) {
        text += line;
        text += u"\r\n";
    }
    const std::string bytes = Encode(text, ini.encoding);
    // The injected failures reach this writer as they reach every other: an open of the file fails, a full
    // disk fails the write of the new text (and the old file stays as it was).
    if (const int error = platform::sys::InjectedOpenError(target); error != 0) {
        SetLastError(platform::sys::ErrorFromErrno(error, target));
        return false;
    }
    const std::string temporary = target + ".~new";
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        SetLastError(platform::sys::ErrorFromErrno(errno, temporary));
        return false;
    }
    bool ok = !platform::sys::OnFullDisk(target) &&
              std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (!ok) {
        errno = ENOSPC;
    }
    ok = (std::fclose(file) == 0) && ok;
    if (ok && existed) {
        ::chmod(temporary.c_str(), st.st_mode & 07777);
    }
    ok = ok && std::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        SetLastError(platform::sys::ErrorFromErrno(errno, target));
        std::remove(temporary.c_str());
    }
    return ok;
}

// The value of a key, or nothing when the file, the section or the key is missing.
std::optional<std::u16string> ReadValue(LPCWSTR section, LPCWSTR key, LPCWSTR file) {
    std::string hostPath;
    if (section == nullptr || key == nullptr || !platform::sys::HostPathOf(file, hostPath)) {
        return std::nullopt;
    }
    const IniFile ini = Load(hostPath);
    const std::vector<Section> sections = SectionsOf(ini);
    const Section* found = FindSection(sections, section);
    if (found == nullptr) {
        return std::nullopt;
    }
    const size_t index = FindKey(ini, *found, key);
    if (index == std::u16string::npos) {
        return std::nullopt;
    }
    return Parse(ini.lines[index]).value;
}

DWORD CopyCut(std::u16string_view text, LPWSTR buffer, DWORD capacity) {
    const size_t n = std::min<size_t>(text.size(), capacity - 1);
    std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n), buffer);
    buffer[n] = 0;
    return static_cast<DWORD>(n);
}

// Names as NUL-separated texts and a final NUL; cut to capacity - 2 with two NULs when they do not fit.
DWORD CopyList(const std::vector<std::u16string>& names, LPWSTR buffer, DWORD capacity) {
    std::u16string list;
    for (const std::u16string& name : names) {
        list += name;
        list += u'\0';
    }
    if (list.size() + 1 <= capacity) {
        std::copy(list.begin(), list.end(), buffer);
        buffer[list.size()] = 0;
        return static_cast<DWORD>(list.size());
    }
    if (capacity < 2) {
        buffer[0] = 0;
        return 0;
    }
    std::copy(list.begin(), list.begin() + (capacity - 2), buffer);
    buffer[capacity - 2] = 0;
    buffer[capacity - 1] = 0;
    return capacity - 2;
}

void AddUnique(std::vector<std::u16string>& names, const std::u16string& name) {
    for (const std::u16string& known : names) {
        if (platform::EqualsNoCase(known, name)) {
            return;
        }
    }
    names.push_back(name);
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    return -1;
}

}  // namespace

DWORD GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR defaultValue, LPWSTR buffer,
                               DWORD capacity, LPCWSTR file) {
    if (buffer == nullptr || capacity == 0) {
        return 0;
    }
    if (section == nullptr || key == nullptr) {
        std::string hostPath;
        std::vector<std::u16string> names;
        if (platform::sys::HostPathOf(file, hostPath)) {
            const IniFile ini = Load(hostPath);
            const std::vector<Section> sections = SectionsOf(ini);
            if (section == nullptr) {
                for (const Section& s : sections) {
                    AddUnique(names, s.name);
                }
            } else if (const Section* found = FindSection(sections, section)) {
                for (size_t i = found->header + 1; i < found->end; ++i) {
                    const Line line = Parse(ini.lines[i]);
                    if (line.kind == Line::kEntry) {
                        AddUnique(names, line.name);
                    }
                }
            }
        }
        return CopyList(names, buffer, capacity);
    }
    const std::optional<std::u16string> value = ReadValue(section, key, file);
    if (value) {
        return CopyCut(*value, buffer, capacity);
    }
    std::u16string fallback = defaultValue != nullptr ? std::u16string(defaultValue) : std::u16string();
    while (!fallback.empty() && fallback.back() == u' ') {
        fallback.pop_back();
    }
    SetLastError(ERROR_FILE_NOT_FOUND);
    return CopyCut(fallback, buffer, capacity);
}

BOOL WritePrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR file) {
    std::string hostPath;
    if (section == nullptr) {
        // All three null asks to flush a cache, and there is none.
        if (key == nullptr && value == nullptr) {
            return TRUE;
        }
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!platform::sys::HostPathOf(file, hostPath)) {
        return FALSE;
    }
    IniFile ini = Load(hostPath);
    std::vector<Section> sections = SectionsOf(ini);
    if (key == nullptr) {
        bool changed = false;
        for (auto it = sections.rbegin(); it != sections.rend(); ++it) {
            if (platform::EqualsNoCase(it->name, Trim(section))) {
                ini.lines.erase(ini.lines.begin() + static_cast<std::ptrdiff_t>(it->header),
                                ini.lines.begin() + static_cast<std::ptrdiff_t>(it->end));
                changed = true;
            }
        }
        return changed ? (Save(hostPath, ini) ? TRUE : FALSE) : TRUE;
    }
    const Section* found = FindSection(sections, section);
    const size_t index = found != nullptr ? FindKey(ini, *found, key) : std::u16string::npos;
    if (value == nullptr) {
        if (index == std::u16string::npos) {
            return TRUE;
        }
        ini.lines.erase(ini.lines.begin() + static_cast<std::ptrdiff_t>(index));
        return Save(hostPath, ini) ? TRUE : FALSE;
    }
    if (index != std::u16string::npos) {
        ini.lines[index] = Parse(ini.lines[index]).name + u"=" + value;
    } else if (found != nullptr) {
        // After the section's last non-blank line, so blank lines before the next section stay between them.
        size_t at = found->end;
        while (at > found->header + 1 && Trim(ini.lines[at - 1]).empty()) {
            --at;
        }
        ini.lines.insert(ini.lines.begin() + static_cast<std::ptrdiff_t>(at), Trim(key) + u"=" + value);
    } else {
        ini.lines.push_back(u"[" + Trim(section) + u"]");
        ini.lines.push_back(Trim(key) + u"=" + value);
    }
    return Save(hostPath, ini) ? TRUE : FALSE;
}

UINT GetPrivateProfileIntW(LPCWSTR section, LPCWSTR key, INT defaultValue, LPCWSTR file) {
    const std::optional<std::u16string> value = ReadValue(section, key, file);
    if (!value) {
        return static_cast<UINT>(defaultValue);
    }
    size_t i = 0;
    const bool negative = !value->empty() && (*value)[0] == u'-';
    if (!value->empty() && ((*value)[0] == u'-' || (*value)[0] == u'+')) {
        ++i;
    }
    int64_t number = 0;
    for (; i < value->size() && (*value)[i] >= u'0' && (*value)[i] <= u'9'; ++i) {
        number = std::min<int64_t>(number * 10 + ((*value)[i] - u'0'), int64_t{1} << 32);
    }
    return static_cast<UINT>(negative ? -number : number);
}

BOOL GetPrivateProfileStructW(LPCWSTR section, LPCWSTR key, LPVOID data, UINT size, LPCWSTR file) {
    const std::optional<std::u16string> value = ReadValue(section, key, file);
    if (!value) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    if (data == nullptr || value->size() != 2 * (static_cast<size_t>(size) + 1)) {
        SetLastError(ERROR_BAD_LENGTH);
        return FALSE;
    }
    std::vector<BYTE> bytes;
    for (size_t i = 0; i < value->size(); i += 2) {
        const int high = HexDigit((*value)[i]);
        const int low = HexDigit((*value)[i + 1]);
        if (high < 0 || low < 0) {
            SetLastError(ERROR_INVALID_DATA);
            return FALSE;
        }
        bytes.push_back(static_cast<BYTE>(high * 16 + low));
    }
    BYTE sum = 0;
    for (UINT i = 0; i < size; ++i) {
        sum = static_cast<BYTE>(sum + bytes[i]);
    }
    if (sum != bytes[size]) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    std::copy(bytes.begin(), bytes.begin() + size, static_cast<BYTE*>(data));
    return TRUE;
}

BOOL WritePrivateProfileStructW(LPCWSTR section, LPCWSTR key, LPVOID data, UINT size, LPCWSTR file) {
    if (data == nullptr) {
        return WritePrivateProfileStringW(section, key, nullptr, file);
    }
    static const char16_t kDigits[] = u"0123456789ABCDEF";
    std::u16string text;
    BYTE sum = 0;
    const BYTE* bytes = static_cast<const BYTE*>(data);
    for (UINT i = 0; i <= size; ++i) {
        const BYTE b = i < size ? bytes[i] : sum;
        sum = static_cast<BYTE>(sum + b);
        text += kDigits[b >> 4];
        text += kDigits[b & 0xF];
    }
    return WritePrivateProfileStringW(section, key, text.c_str(), file);
}
