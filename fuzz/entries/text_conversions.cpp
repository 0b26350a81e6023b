// Code pages and UTF-8: sizes asked for are the sizes written, no conversion writes past the buffer it was
// given, and text that is valid comes back unchanged through the conversions both ways.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz/entries/entries.h"
#include "platform/mfc/cstring.h"
#include "platform/win32/core/unicode.h"
#include "platform/win32/windows.h"
#include "plugin/cutil/cutil.h"
#include "plugin/maplink/linkutil.h"

namespace tarnfuzz {

namespace {

constexpr char16_t kGuard = u'\x7777';

std::string MultiByte(UINT page, DWORD flags, const char* text, int count) {
    const int needed = MultiByteToWideChar(page, flags, text, count, nullptr, 0);
    if (needed <= 0) {
        return {};
    }
    std::vector<char16_t> out(static_cast<size_t>(needed) + 1, kGuard);
    if (MultiByteToWideChar(page, flags, text, count, out.data(), needed) != needed) {
        return "MultiByteToWideChar wrote another size than it asked for";
    }
    if (out[static_cast<size_t>(needed)] != kGuard) {
        return "MultiByteToWideChar wrote past its buffer";
    }
    if (needed > 1 && MultiByteToWideChar(page, flags, text, count, out.data(), needed - 1) != 0) {
        return "MultiByteToWideChar succeeded into too small a buffer";
    }
    return {};
}

std::string WideChar(UINT page, DWORD flags, const char16_t* text, int count) {
    const int needed = WideCharToMultiByte(page, flags, text, count, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) {
        return {};
    }
    std::vector<char> out(static_cast<size_t>(needed) + 1, '\x77');
    if (WideCharToMultiByte(page, flags, text, count, out.data(), needed, nullptr, nullptr) != needed) {
        return "WideCharToMultiByte wrote another size than it asked for";
    }
    if (out[static_cast<size_t>(needed)] != '\x77') {
        return "WideCharToMultiByte wrote past its buffer";
    }
    return {};
}

// The utility library's UTF-8 walks and ANSI conversions on a NUL-terminated text, into exact-size blocks
// so that a write past the room given is caught.
std::string UtilityConversions(const std::string& text, const std::u16string& wide, unsigned options) {
    const size_t length = text.size();
    std::string copy(text);
    BlankInvalidUtf8(copy.data());
    if (std::strlen(copy.c_str()) != length || IsValidUtf8(copy.c_str()) != 1) {
        return "BlankInvalidUtf8 left the text invalid or changed its length";
    }
    Utf8Width(text.c_str());
    for (int count : {0, 1, 3, static_cast<int>(options % 64)}) {
        for (const char* at : {Utf8Skip(text.c_str(), count), Utf8SkipBack(text.c_str(), count)}) {
            if (at != nullptr && (at < text.c_str() || at > text.c_str() + length)) {
                return "a UTF-8 skip left the text";
            }
        }
    }
    if (char* utf8 = Utf16ToUtf8Alloc(wide.c_str(), static_cast<int>(options & 1))) {
        std::free(utf8);
    }
    if (char16_t* units = Utf8ToUtf16Lib(text.c_str(), nullptr, nullptr)) {
        std::free(units);
    }
    if (char16_t* units = AnsiToUtf16Alloc(text.c_str())) {
        std::free(units);
    }
    if (char* ansi = Utf8ToAnsi(text.c_str())) {
        std::free(ansi);
    }
    const int room = 1 + static_cast<int>(options >> 2);
    const auto bounded = [&](const char* name, auto convert) -> std::string {
        char* out = static_cast<char*>(std::malloc(static_cast<size_t>(room)));
        const int n = convert(out);
        const bool ok = (n == -1 && out[0] == '\0') || (n >= 0 && n < room && out[n] == '\0');
        std::free(out);
        return ok ? std::string() : std::string(name) + " overran or did not terminate its buffer";
    };
    std::string problem =
        bounded("AnsiToUtf8", [&](char* out) { return AnsiToUtf8(text.c_str(), out, room); });
    if (problem.empty()) {
        problem = bounded("Utf16ToAnsi", [&](char* out) { return Utf16ToAnsi(wide.c_str(), out, room); });
    }
    if (problem.empty()) {
        problem = bounded("Utf8ToAnsiBounded",
                          [&](char* out) { return Utf8ToAnsiBounded(text.c_str(), out, room); });
    }
    if (problem.empty()) {
        problem = bounded("Utf16ToUtf8Lib", [&](char* out) {
            const int n = Utf16ToUtf8Lib(wide.c_str(), out, room);
            return n;
        });
    }
    char* end = nullptr;
    StrToDouble(text.c_str(), &end);
    if (problem.empty() && (end < text.c_str() || end > text.c_str() + length)) {
        problem = "StrToDouble ended outside the text";
    }
    return problem;
}

}  // namespace

std::string RunTextConversions(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return {};
    }
    const unsigned options = data[0];
    const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const int count = static_cast<int>(bytes.size());
    // The input as bytes of a code page, and as UTF-16 units.
    std::u16string units(bytes.size() / 2, u'\0');
    std::memcpy(units.data(), bytes.data(), units.size() * 2);
    const UINT page = (options & 1) != 0 ? CP_UTF8 : CP_ACP;
    const DWORD mbFlags = (options & 2) != 0 ? MB_ERR_INVALID_CHARS : 0;
    const DWORD wcFlags = page == CP_UTF8 && (options & 2) != 0 ? WC_ERR_INVALID_CHARS : 0;
    if (count > 0) {
        if (std::string p = MultiByte(page, mbFlags, bytes.data(), count); !p.empty()) {
            return p;
        }
    }
    if (!units.empty()) {
        if (std::string p = WideChar(page, wcFlags, units.data(), static_cast<int>(units.size()));
            !p.empty()) {
            return p;
        }
    }

    // Valid UTF-8 comes back byte for byte; valid UTF-16 unit for unit.
    bool ok = false;
    const std::u16string wide = platform::Utf8ToUtf16(bytes, true, &ok);
    if (ok && platform::Utf16ToUtf8(wide, true) != bytes) {
        return "valid UTF-8 does not come back through UTF-16";
    }
    const std::string narrow = platform::Utf16ToUtf8(units, true, &ok);
    if (ok && platform::Utf8ToUtf16(narrow, true) != units) {
        return "valid UTF-16 does not come back through UTF-8";
    }

    // The map link's own conversions, on NUL-terminated copies.
    const std::string cText(bytes.c_str());
    int produced = -1;
    WCHAR* converted = MapApiUtf8ToUtf16(cText.c_str(), nullptr, &produced);
    if (converted != nullptr) {
        if (produced < 0 || static_cast<size_t>(produced) > cText.size()) {
            std::free(converted);
            return "MapApiUtf8ToUtf16 made more units than bytes";
        }
        std::free(converted);
    }
    const std::u16string wText(units.c_str());
    const int room = 1 + static_cast<int>(options >> 2);  // 1..64 bytes
    char* out = static_cast<char*>(std::malloc(static_cast<size_t>(room)));
    const int written = MapApiUtf16ToUtf8(wText.c_str(), out, room);
    std::string problem;
    if (written < 0 || written >= room || out[written] != '\0') {
        problem = "MapApiUtf16ToUtf8 overran or did not terminate its buffer";
    } else {
        std::vector<WCHAR> back(static_cast<size_t>(written) + 1, 0);
        int backCount = 0;
        MapApiUtf8ToUtf16(out, back.data(), &backCount);
        if (std::u16string(back.data(), static_cast<size_t>(backCount)) != wText.substr(0, backCount) ||
            (written + 4 < room && static_cast<size_t>(backCount) != wText.size())) {
            problem = "text through MapApiUtf16ToUtf8 and back is not the text's beginning";
        }
    }
    std::free(out);
    if (!problem.empty()) {
        return problem;
    }
    char cut[80];
    const CString text(wText.c_str());
    CStringToMultiByte(text, cut, sizeof(cut), static_cast<int>(options % 40));
    const size_t kept = std::strlen(cut);
    if (options % 40 > 0 && kept > options % 40) {
        return "CStringToMultiByte kept more than its maximum";
    }
    std::string again(cut);
    if (CutValidUtf8(again.data()) != static_cast<int>(kept)) {
        return "CStringToMultiByte left a broken character at its end";
    }
    std::string raw(cText);
    const int whole = CutValidUtf8(raw.data());
    if (whole < 0 || static_cast<size_t>(whole) > cText.size() || CutValidUtf8(raw.data()) != whole) {
        return "CutValidUtf8 is not settled by one cut";
    }
    return UtilityConversions(cText, wText, options);
}

}  // namespace tarnfuzz
