#include "platform/win32/core/paths.h"

#include <array>
#include <atomic>
#include <mutex>

#include "platform/win32/core/testhooks.h"
#include "platform/win32/core/unicode.h"

namespace platform {

namespace {

// Drives a test mapped besides C: (host folders without a trailing '/'), by letter A-Z.
struct Drives {
    std::mutex mutex;
    std::array<std::string, 26> folders;
    std::atomic<bool> any{false};
};

Drives& MappedDrives() {
    static Drives* drives = [] {
        auto* made = new Drives;
        RegisterReset("win32.core.drives", [made] {
            std::lock_guard<std::mutex> lock(made->mutex);
            made->folders = {};
            made->any = false;
        });
        return made;
    }();
    return *drives;
}

int DriveIndex(char16_t letter) {
    if (letter >= u'a' && letter <= u'z') {
        return letter - u'a';
    }
    if (letter >= u'A' && letter <= u'Z') {
        return letter - u'A';
    }
    return -1;
}

// The host folder of a mapped drive, or empty.
std::string DriveFolder(char letter) {
    Drives& drives = MappedDrives();
    const int index = DriveIndex(static_cast<char16_t>(static_cast<unsigned char>(letter)));
    if (!drives.any || index < 0) {
        return std::string();
    }
    std::lock_guard<std::mutex> lock(drives.mutex);
    return drives.folders[static_cast<size_t>(index)];
}

}  // namespace

void MapDrive(char16_t letter, const std::string& hostFolder) {
    const int index = DriveIndex(letter);
    if (index <= 0 || index == u'C' - u'A') {
        return;  // A: and C: stay as they are
    }
    std::string folder = hostFolder;
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    Drives& drives = MappedDrives();
    std::lock_guard<std::mutex> lock(drives.mutex);
    drives.folders[static_cast<size_t>(index)] = folder;
    drives.any = true;
}

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
        std::string folder;
        if (drive != 'C' && drive != 'c') {
            folder = DriveFolder(drive);
            if (folder.empty()) {
                return false;
            }
        }
        text.erase(0, 2);
        if (text.empty() || text[0] != '/') {
            text.insert(text.begin(), '/');
        }
        if (!folder.empty()) {
            text = folder == "/" ? text : folder + text;
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
    // A path inside a mapped drive's folder shows on that drive (the longest folder that holds it).
    std::u16string drive = u"C:";
    Drives& drives = MappedDrives();
    if (drives.any && !hostPath.empty() && hostPath[0] == '/') {
        std::lock_guard<std::mutex> lock(drives.mutex);
        size_t best = 0;
        for (size_t i = 0; i < drives.folders.size(); ++i) {
            const std::string& folder = drives.folders[i];
            if (folder.size() <= 1 || folder.size() <= best || hostPath.substr(0, folder.size()) != folder ||
                (hostPath.size() > folder.size() && hostPath[folder.size()] != '/')) {
                continue;
            }
            best = folder.size();
            drive = std::u16string(1, static_cast<char16_t>(u'A' + i)) + u":";
        }
        hostPath.remove_prefix(best);
        if (best > 0 && hostPath.empty()) {
            return drive + u"\\";
        }
    }
    std::u16string out = Utf8ToUtf16(hostPath);
    for (char16_t& c : out) {
        if (c == u'/') {
            c = u'\\';
        }
    }
    if (!out.empty() && out[0] == u'\\') {
        out.insert(0, drive);
    }
    return out;
}

}  // namespace platform
