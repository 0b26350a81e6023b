// Drawing files (NEW, OPEN, QSAVE, SAVEAS), applications (ARX) and QUIT. CLOSE belongs to the document
// manager and runs from the console line (Host::RunTokens).
#include <climits>
#include <filesystem>

#include "host/host.h"
#include "host/hostcmds.h"
#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dxffile.h"
#include "platform/arx/aced/acedcmdline.h"
#include "platform/arx/aced/acededitor.h"
#include "platform/arx/aced/acedinput.h"
#include "platform/win32/core/paths.h"
#include "platform/win32/core/unicode.h"

namespace fs = std::filesystem;

namespace tarnhost {
namespace {

using platform::CommandOutcome;

// A file name: the whole answer, or what stands between its quotes (a name with blanks typed on the
// command's line is quoted, and may be on a line of its own too).
std::u16string AskLine(const ACHAR* prompt, int& rc) {
    std::u16string name = AskString(1, prompt, 1023, rc);
    if (name.size() >= 2 && name.front() == u'"' && name.back() == u'"') {
        name = name.substr(1, name.size() - 2);
    }
    return name;
}

// The Windows form of a typed drawing name, ".dxf" added when it has no extension; empty when the name
// cannot be a file of this machine.
std::u16string DrawingPath(const std::u16string& typed) {
    std::string hostPath;
    if (typed.empty() || !platform::ToHostPath(typed, hostPath)) {
        return {};
    }
    fs::path path = fs::absolute(hostPath).lexically_normal();
    if (!path.has_filename()) {
        return {};
    }
    if (!path.has_extension()) {
        path += ".dxf";
    }
    return platform::ToWindowsPath(path.string());
}

CommandOutcome SaveTo(Host& host, const std::u16string& typed) {
    AcApDocument* doc = host.Document();
    if (doc == nullptr) {
        acutPrintf(u"\nNo drawing is open.");
        return CommandOutcome::kFailed;
    }
    std::string typedHost;
    std::error_code ec;
    if (platform::ToHostPath(typed, typedHost) && fs::is_directory(typedHost, ec)) {
        acutPrintf(u"\nCannot save %s: it is a folder.",
                   platform::ToWindowsPath(fs::absolute(typedHost).lexically_normal().string()).c_str());
        return CommandOutcome::kFailed;
    }
    const std::u16string path = DrawingPath(typed);
    if (path.empty()) {
        acutPrintf(u"\n\"%s\" is not a valid file name.", typed.c_str());
        return CommandOutcome::kFailed;
    }
    if (const std::string problem = PathProblem(path); !problem.empty()) {
        acutPrintf(u"\nCannot save %s: %s.", path.c_str(), platform::Utf8ToUtf16(problem).c_str());
        return CommandOutcome::kFailed;
    }
    // Two drawings writing one file would overwrite each other's work.
    if (host.DocumentHolding(path, doc) != nullptr) {
        acutPrintf(u"\nCannot save %s: another open drawing uses this file.", path.c_str());
        return CommandOutcome::kFailed;
    }
    const Acad::ErrorStatus es = doc->database()->saveAs(path.c_str());
    if (es != Acad::eOk) {
        // The writer names the file in the host's own form: say the cause without a second form of the path.
        const std::string why = platform::LastDxfError().message;
        std::u16string cause = acadErrorStatusText(es);
        if (why.rfind("cannot write in the folder", 0) == 0) {
            cause = u"cannot write in its folder";
        } else if (why.rfind("cannot save", 0) == 0) {
            cause = u"the file could not be written";
        } else if (!why.empty()) {
            cause = platform::Utf8ToUtf16(why);
        }
        acutPrintf(u"\nCannot save %s: %s.", path.c_str(), cause.c_str());
        return CommandOutcome::kFailed;
    }
    host.NoteSaved(doc, path);
    acutPrintf(u"\nSaved %s.", path.c_str());
    return CommandOutcome::kEnded;
}

CommandOutcome SaveAsCommand(Host& host) {
    const std::u16string current = host.FileNameOf(host.Document());
    int rc = RTNORM;
    std::u16string name = AskLine(
        current.empty() ? u"\nEnter file name: " : (u"\nEnter file name <" + current + u">: ").c_str(), rc);
    if (rc != RTNORM && rc != RTNONE) {
        return Ended(rc);
    }
    if (name.empty()) {
        name = current;
    }
    if (name.empty()) {
        return CommandOutcome::kEnded;
    }
    return SaveTo(host, name);
}

CommandOutcome QSaveCommand(Host& host) {
    const std::u16string current = host.FileNameOf(host.Document());
    return current.empty() ? SaveAsCommand(host) : SaveTo(host, current);
}

CommandOutcome OpenCommand(Host& host) {
    int rc = RTNORM;
    const std::u16string name = AskLine(u"\nEnter name of drawing to open: ", rc);
    if (rc != RTNORM || name.empty()) {
        return Ended(rc);
    }
    std::string error;
    if (host.OpenDrawing(platform::Utf16ToUtf8(name), &error) == nullptr) {
        acutPrintf(u"\n%s", platform::Utf8ToUtf16(error).c_str());
        return CommandOutcome::kFailed;
    }
    return CommandOutcome::kEnded;
}

void ListApplications(Host& host) {
    for (const auto& module : host.Modules().All()) {
        acutPrintf(u"\n%s  %s  (version %d)", platform::Utf8ToUtf16(module->name).c_str(),
                   module->windowsPath.c_str(), module->apiVersion);
    }
    std::u16string group;
    for (const AcEdCommand* command : platform::RegisteredCommands()) {
        if (group != command->groupName()) {
            group = command->groupName();
            acutPrintf(u"\nCommand group %s:", group.c_str());
        }
        acutPrintf(u" %s", command->globalName());
    }
}

CommandOutcome ArxCommand(Host& host) {
    acedInitGet(0, u"? Load Unload");
    ACHAR option[16];
    int rc = acedGetKword(u"\nEnter an option [?/Load/Unload]: ", option, 16);
    if (rc != RTNORM) {
        return Ended(rc);
    }
    const std::u16string which = option;
    if (which == u"?") {
        ListApplications(host);
        return CommandOutcome::kEnded;
    }
    const bool load = which == u"Load";
    const std::u16string name = AskLine(
        load ? u"\nEnter the application file name: " : u"\nEnter the application name to unload: ", rc);
    if (rc != RTNORM || name.empty()) {
        return Ended(rc);
    }
    std::string error;
    const std::string narrow = platform::Utf16ToUtf8(name);
    const bool done = load ? host.LoadModule(narrow, &error) : host.UnloadModule(narrow, &error);
    if (!done) {
        acutPrintf(u"\n%s", platform::Utf8ToUtf16(error).c_str());
        return CommandOutcome::kFailed;
    }
    acutPrintf(load ? u"\n%s loaded." : u"\n%s unloaded.", name.c_str());
    return CommandOutcome::kEnded;
}

}  // namespace

std::string PathProblem(const std::u16string& windowsPath) {
    std::string hostPath;
    if (!platform::ToHostPath(windowsPath, hostPath)) {
        return "not a valid file name";
    }
    const fs::path path(hostPath);
    if (hostPath.size() >= PATH_MAX) {
        return "file name too long";
    }
    for (const fs::path& part : path) {
        if (part.native().size() > NAME_MAX) {
            return "file name too long";
        }
    }
    std::error_code ec;
    const fs::path folder = path.parent_path();
    if (!folder.empty() && !fs::is_directory(folder, ec)) {
        return "no such folder";
    }
    if (fs::is_directory(path, ec)) {
        return "it is a folder";
    }
    return {};
}

std::string DrawingReadError(Acad::ErrorStatus es, const std::string& path) {
    std::string why;
    switch (es) {
        case Acad::eFileNotFound:
            why = "the file does not exist";
            break;
        case Acad::eFileAccessErr:
            why = "the file cannot be read";
            break;
        case Acad::eInvalidDwgVersion:
            why = "it is not an ASCII drawing file (DXF)";
            break;
        default:
            why = platform::LastDxfError().message;
            if (why.empty()) {
                why = platform::Utf16ToUtf8(acadErrorStatusText(es));
            }
            why = "the drawing is damaged: " + why;
    }
    return "Cannot open " + path + ": " + why + ".";
}

CommandTable FileCommands(Host& host) {
    Host* h = &host;
    return {
        {u"NEW",
         [h] { return h->NewDrawing() != nullptr ? CommandOutcome::kEnded : CommandOutcome::kFailed; }},
        {u"OPEN", [h] { return OpenCommand(*h); }},
        {u"QSAVE", [h] { return QSaveCommand(*h); }},
        {u"SAVE", [h] { return SaveAsCommand(*h); }},
        {u"SAVEAS", [h] { return SaveAsCommand(*h); }},
        {u"ARX", [h] { return ArxCommand(*h); }},
        {u"QUIT",
         [h] {
             h->RequestQuit();
             return CommandOutcome::kEnded;
         }},
    };
}

CommandTable HostCommandTable(Host& host) {
    CommandTable table = DrawingCommands();
    for (CommandTable part : {BlockCommands(), FileCommands(host), ListingCommands()}) {
        for (auto& entry : part) {
            table.push_back(std::move(entry));
        }
    }
    return table;
}

}  // namespace tarnhost
