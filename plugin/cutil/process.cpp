// Programs started directly with their arguments and waited for.
#include <cstdarg>
#include <string>

#include "platform/win32/windows.h"
#include "plugin/cutil/cutil.h"

namespace {

bool ToUtf16(const char* utf8, std::u16string& out) {
    const int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, nullptr, 0);
    if (units <= 0) {
        return false;
    }
    out.assign(size_t(units), u'\0');
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, out.data(), units) != units) {
        return false;
    }
    out.pop_back();  // the NUL
    return true;
}

// Appends one argument so that the program's start-up code gives it back unchanged: in quotes, each quote
// escaped with a backslash, and the backslashes before a quote (or before the closing quote) doubled.
void AppendQuoted(std::u16string& line, const std::u16string& arg) {
    line += u'"';
    size_t backslashes = 0;
    for (char16_t c : arg) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        if (c == u'"') {
            line.append(backslashes * 2 + 1, u'\\');
        } else {
            line.append(backslashes, u'\\');
        }
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, u'\\');
    line += u'"';
}

}  // namespace

int RunCommandV(const char* program, va_list args) {
    std::u16string path;
    if (program == nullptr || !ToUtf16(program, path) || path.empty() ||
        path.find(u'"') != std::u16string::npos) {
        return -1;
    }
    // "\"program\" " and then each argument in quotes, as the program's start-up code reads them back.
    std::u16string line = u"\"" + path + u"\"";
    for (const char* arg = va_arg(args, const char*); arg != nullptr; arg = va_arg(args, const char*)) {
        std::u16string wide;
        if (!ToUtf16(arg, wide)) {
            return -1;
        }
        line += u' ';
        AppendQuoted(line, wide);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        return -1;
    }
    DWORD code = 0;
    const bool waited = WaitForSingleObject(info.hProcess, INFINITE) == WAIT_OBJECT_0;
    const bool known = waited && GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return known ? static_cast<int>(code) : -1;
}

int RunCommand(const char* program, ...) {
    va_list args;
    va_start(args, program);
    const int result = RunCommandV(program, args);
    va_end(args);
    return result;
}
