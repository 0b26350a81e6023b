// Profile files: every section and key the file lists reads back, within the buffer it was given, and a key
// written into the file reads back as written while the rest of the file reads as before.
#include <vector>

#include "fuzz/entries/entries.h"
#include "fuzz/entries/files.h"
#include "platform/win32/core/testhooks.h"
#include "platform/win32/core/unicode.h"
#include "platform/win32/windows.h"

namespace tarnfuzz {

namespace {

// The NUL-separated list a null section or key reads as.
std::vector<std::u16string> List(LPCWSTR section, const std::u16string& file) {
    std::vector<char16_t> buffer(1 << 16, u'\x7777');
    const DWORD n = GetPrivateProfileStringW(section, nullptr, u"", buffer.data(),
                                             static_cast<DWORD>(buffer.size()), file.c_str());
    std::vector<std::u16string> names;
    std::u16string name;
    for (DWORD i = 0; i < n && i < buffer.size(); ++i) {
        if (buffer[i] == 0) {
            names.push_back(name);
            name.clear();
        } else {
            name.push_back(buffer[i]);
        }
    }
    return names;
}

std::u16string Value(const std::u16string& section, const std::u16string& key, const std::u16string& file,
                     DWORD capacity, std::string& problem) {
    std::vector<char16_t> buffer(capacity + 1, u'\x7777');
    const DWORD n =
        GetPrivateProfileStringW(section.c_str(), key.c_str(), u"", buffer.data(), capacity, file.c_str());
    if (capacity > 0 && (n >= capacity || buffer[n] != 0)) {
        problem = "a value overran its buffer or lacks its NUL";
    }
    if (buffer[capacity] != u'\x7777') {
        problem = "a read wrote past the buffer it was given";
    }
    return std::u16string(buffer.data(), n < capacity ? n : 0);
}

}  // namespace

std::string RunProfile(const std::uint8_t* data, std::size_t size) {
    const std::string path = WriteScratchFile("fuzz.ini", data, size);
    if (path.empty()) {
        return {};
    }
    const std::u16string file = platform::Utf8ToUtf16(path);
    std::string problem;
    const std::vector<std::u16string> sections = List(nullptr, file);
    std::vector<std::u16string> firstKeys;
    for (size_t s = 0; s < sections.size() && s < 8 && problem.empty(); ++s) {
        const std::vector<std::u16string> keys = List(sections[s].c_str(), file);
        if (s == 0) {
            firstKeys = keys;
        }
        for (size_t k = 0; k < keys.size() && k < 8 && problem.empty(); ++k) {
            Value(sections[s], keys[k], file, 4, problem);
            Value(sections[s], keys[k], file, 1024, problem);
            GetPrivateProfileIntW(sections[s].c_str(), keys[k].c_str(), 7, file.c_str());
            unsigned char bytes[8] = {};
            GetPrivateProfileStructW(sections[s].c_str(), keys[k].c_str(), bytes, sizeof(bytes),
                                     file.c_str());
        }
    }
    if (problem.empty() && !sections.empty()) {
        // A write lands where the reader finds it, and leaves the other keys of the section as they read.
        std::vector<std::u16string> before;
        for (size_t k = 0; k < firstKeys.size() && k < 8; ++k) {
            before.push_back(Value(sections[0], firstKeys[k], file, 1024, problem));
        }
        const std::u16string key = u"TarnFuzzKey";
        const bool known = [&] {
            for (const std::u16string& k : firstKeys) {
                if (platform::EqualsNoCase(k, key)) {
                    return true;
                }
            }
            return false;
        }();
        if (!known && WritePrivateProfileStringW(sections[0].c_str(), key.c_str(), u"12,34", file.c_str())) {
            if (Value(sections[0], key, file, 1024, problem) != u"12,34") {
                problem = "a key written does not read back";
            }
            for (size_t k = 0; k < before.size() && problem.empty(); ++k) {
                if (Value(sections[0], firstKeys[k], file, 1024, problem) != before[k]) {
                    problem = "a write changed another key of the section";
                }
            }
        }
    }
    platform::ResetAll();
    return problem;
}

}  // namespace tarnfuzz
