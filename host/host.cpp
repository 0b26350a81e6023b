#include "host/host.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <sstream>
#include <thread>
#include <vector>

#include "host/hostcmds.h"
#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/aced/acedframe.h"
#include "platform/arx/aced/acedcmdline.h"
#include "platform/arx/aced/acededitor.h"
#include "platform/arx/aced/acedinput.h"
#include "platform/mfc/afxdlg.h"
#include "platform/win32/bus/bus_hooks.h"
#include "platform/win32/core/clock.h"
#include "platform/win32/core/paths.h"
#include "platform/win32/core/unicode.h"
#include "platform/win32/sys/sys_hooks.h"

namespace fs = std::filesystem;

namespace tarnhost {
namespace {

Host* g_host = nullptr;

// Commands that work on the current drawing refuse at once when there is none, before asking anything.
bool NeedsDrawing(const std::u16string& name) {
    return name != u"NEW" && name != u"OPEN" && name != u"QUIT" && name != u"ARX";
}

std::u16string Canonical(std::u16string name) {
    while (!name.empty() && (name[0] == u'_' || name[0] == u'.' || name[0] == u'\'')) {
        name.erase(0, 1);
    }
    for (char16_t& c : name) {
        c = platform::ToUpperChar(c);
    }
    return name;
}

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

// Whether two Windows paths name one file as the file system sees it: the same name (this file system tells
// case apart), or two names of one existing file (links).
bool SameFile(const std::u16string& a, const std::u16string& b) {
    if (a.empty() || b.empty()) {
        return false;
    }
    if (a == b) {
        return true;
    }
    std::string hostA, hostB;
    std::error_code ec;
    return platform::ToHostPath(a, hostA) && platform::ToHostPath(b, hostB) &&
           fs::equivalent(hostA, hostB, ec) && !ec;
}

bool MakeFolder(const std::string& path, std::string* error) {
    std::error_code ec;
    fs::create_directories(path, ec);
    if (ec || !fs::is_directory(path)) {
        if (error != nullptr) {
            *error = "cannot make the folder \"" + path + "\"";
        }
        return false;
    }
    return true;
}

// A selection word: an entity by its handle ("h:2F"), "last" or "all".
bool IsSelectionWord(const std::u16string& token) {
    std::u16string lower;
    for (char16_t c : token) {
        lower += (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
    }
    if (lower == u"last" || lower == u"all") {
        return true;
    }
    return lower.size() > 2 && lower.size() <= 18 && lower.compare(0, 2, u"h:") == 0 &&
           lower.find_first_not_of(u"0123456789abcdef", 2) == std::u16string::npos;
}

// A command line split as its answers would stand on lines of their own: a blank ends a token and two blanks
// make an empty one (Enter), as on the host's command line; a quoted part keeps its blanks (a path with
// blanks), its quotes dropped; and the selection words that follow one another are one selection, as a
// selection on its own line is blank-separated.
std::vector<std::u16string> SplitCommandLine(const std::u16string& text) {
    struct Token {
        std::u16string text;
        bool selection = false;  // a selection word, typed without quotes
    };
    std::vector<Token> tokens;
    std::u16string token;
    bool pending = false;
    bool quoted = false;
    bool hadQuotes = false;
    auto end = [&] {
        Token done{std::move(token), false};
        done.selection = !hadQuotes && IsSelectionWord(done.text);
        // A selection word after a selection word adds to that selection; the command itself is never one.
        if (done.selection && tokens.size() > 1 && tokens.back().selection) {
            tokens.back().text += u" " + done.text;
        } else {
            tokens.push_back(std::move(done));
        }
        token.clear();
        pending = hadQuotes = false;
    };
    for (char16_t c : text) {
        if (c == u'\r') {
            continue;
        }
        if (c == u'"') {
            quoted = !quoted;
            pending = hadQuotes = true;
        } else if ((c == u' ' || c == u'\n') && !quoted) {
            end();
        } else {
            token += c;
            pending = true;
        }
    }
    if (pending) {
        end();
    }
    std::vector<std::u16string> split;
    for (Token& done : tokens) {
        split.push_back(std::move(done.text));
    }
    return split;
}

}  // namespace

class Host::DocReactor : public AcApDocManagerReactor {
public:
    explicit DocReactor(Host& host) : m_host(host) {}
    void documentCreated(AcApDocument* doc) override { m_host.m_modules.DocumentLoaded(doc); }
    void documentToBeDestroyed(AcApDocument* doc) override { m_host.m_modules.DocumentUnloading(doc); }

private:
    Host& m_host;
};

Host* CurrentHost() {
    return g_host;
}

Host::Host() : m_map(std::make_unique<mapsim::MapSim>()) {}

Host::~Host() {
    Stop();
}

bool Host::Start(const HostOptions& options, std::string* error) {
    if (m_started || (g_host != nullptr && g_host != this)) {
        if (error != nullptr) {
            *error = "a host runs already";
        }
        return false;
    }
    m_options = options;
    if (m_options.home.empty()) {
        const char* home = std::getenv("HOME");
        m_options.home = std::string(home != nullptr && *home != '\0' ? home : ".") + "/.tarnhost";
    }
    m_options.home = fs::absolute(m_options.home).lexically_normal().string();
    auto under = [this](std::string& folder, const char* name) {
        folder =
            fs::absolute(folder.empty() ? m_options.home + "/" + name : folder).lexically_normal().string();
    };
    under(m_options.moduleFolder, "modules");
    under(m_options.tempFolder, "temp");
    under(m_options.localAppDataFolder, "appdata");
    for (const std::string* folder :
         {&m_options.moduleFolder, &m_options.tempFolder, &m_options.localAppDataFolder}) {
        if (!MakeFolder(*folder, error)) {
            return false;
        }
    }
    platform::SetTempFolder(m_options.tempFolder);
    platform::SetLocalAppDataFolder(m_options.localAppDataFolder);
    if (m_options.realClock) {
        platform::clock::UseVirtual(false);
    }

    m_console.SetOutput(m_options.out, [this] { FlushOutput(); });
    if (m_options.console) {
        platform::SetUiDriver(&m_console);
    }
    m_printed = platform::CommandLineTranscript().size();
    g_host = this;
    m_started = true;
    m_quit = false;
    m_checks = CheckCount();
    // The host's main frame exists from the start, as the real host's does: modules dock their bars in it.
    acedGetAcadFrame();
    DefineCommands();
    m_docReactor = std::make_unique<DocReactor>(*this);
    acDocManager->addReactor(m_docReactor.get());
    if (m_options.startMap) {
        m_map->Start();
        mapsim::MapSim::RecordInstall(u"C:\\Program Files\\Tarn\\tarn.exe", 785);
    }
    if (m_options.newDrawing) {
        NewDrawing();
    }
    FlushOutput();
    return true;
}

void Host::Stop() {
    if (!m_started) {
        return;
    }
    platform::ClearTypeAhead();
    // The documents close first, so that the modules see each one go (documentToBeDestroyed, kUnloadDwgMsg)
    // as on the real host; then the modules unload.
    platform::CloseAllDocuments();
    m_modules.UnloadAll();
    acDocManager->removeReactor(m_docReactor.get());
    m_docReactor.reset();
    RemoveCommands();
    m_map->Stop();
    platform::PumpMessages();
    FlushOutput();
    if (&platform::CurrentUiDriver() == &m_console) {
        platform::SetUiDriver(nullptr);
    }
    m_console.ClearQueue();
    m_started = false;
    g_host = nullptr;
}

AcApDocument* Host::NewDrawing() {
    return platform::NewDocument();
}

AcApDocument* Host::OpenDrawing(const std::string& path, std::string* error) {
    std::string hostPath;
    if (path.empty() || !platform::ToHostPath(platform::Utf8ToUtf16(path), hostPath)) {
        if (error != nullptr) {
            *error = "\"" + path + "\" is not a valid file name.";
        }
        return nullptr;
    }
    const std::u16string windows =
        platform::ToWindowsPath(fs::absolute(hostPath).lexically_normal().string());
    if (AcApDocument* open = DocumentHolding(windows, nullptr)) {
        acDocManager->activateDocument(open);
        return open;
    }
    if (const std::string problem = PathProblem(windows); !problem.empty()) {
        if (error != nullptr) {
            *error = "Cannot open " + platform::Utf16ToUtf8(windows) + ": " + problem + ".";
        }
        return nullptr;
    }
    auto db = std::make_unique<AcDbDatabase>(false, true);
    const Acad::ErrorStatus es = db->readDwgFile(windows.c_str());
    if (es != Acad::eOk) {
        if (error != nullptr) {
            *error = DrawingReadError(es, platform::Utf16ToUtf8(windows));
        }
        return nullptr;
    }
    return platform::OpenDocument(db.release(), windows);
}

AcApDocument* Host::Document() const {
    return acDocManager->curDocument();
}

AcDbDatabase* Host::Drawing() const {
    AcApDocument* doc = Document();
    return doc != nullptr ? doc->database() : nullptr;
}

std::u16string Host::FileNameOf(AcApDocument* doc) const {
    if (doc == nullptr) {
        return {};
    }
    return doc->fileName();
}

AcApDocument* Host::DocumentHolding(const std::u16string& windowsPath, AcApDocument* except) const {
    AcApDocumentIterator* it = acDocManager->newAcApDocumentIterator();
    AcApDocument* found = nullptr;
    for (; !it->done() && found == nullptr; it->step()) {
        if (it->document() != except && SameFile(FileNameOf(it->document()), windowsPath)) {
            found = it->document();
        }
    }
    delete it;
    return found;
}

void Host::NoteSaved(AcApDocument* doc, const std::u16string& windowsPath) {
    platform::SetDocumentFileName(doc, windowsPath);
}

platform::CommandOutcome Host::Run(const std::string& line) {
    platform::CommandOutcome outcome = platform::CommandOutcome::kEnded;
    if (!m_started) {
        return platform::CommandOutcome::kFailed;
    }
    const int refused = m_console.Refusals();
    ++m_busy;
    if (!RunDirective(line, outcome)) {
        outcome = RunTokens(platform::Utf8ToUtf16(line));
    }
    --m_busy;
    Idle();
    FlushOutput();
    // A dialog is a prompt too: a script whose line it refused stops there.
    if (m_stopOnRefusal && m_console.Refusals() != refused) {
        outcome = platform::CommandOutcome::kFailed;
    }
    return outcome;
}

// CLOSE is the document manager's own command, so it runs here rather than inside another command. The
// runner's own undo commands need a drawing too. In a script the first command that fails, or whose answer
// was refused, ends the line: the tokens after it are not run as commands.
platform::CommandOutcome Host::RunTokens(const std::u16string& text) {
    using platform::CommandOutcome;
    for (const std::u16string& token : SplitCommandLine(text)) {
        platform::TypeAhead(token);
    }
    CommandOutcome outcome = CommandOutcome::kEnded;
    std::u16string name;
    while (!m_quit && platform::TakeTypeAhead(name)) {
        if (name.empty()) {
            continue;
        }
        const std::u16string canonical = Canonical(name);
        const int refused = platform::RefusedInputCount();
        const int boxRefused = m_console.Refusals();
        if (name == u"^C") {
            acutPrintf(u"\n*Cancel*");  // Esc at the command prompt: nothing runs
            outcome = CommandOutcome::kCancelled;
        } else if (canonical == u"CLOSE") {
            outcome = CloseCurrent() ? CommandOutcome::kEnded : CommandOutcome::kFailed;
        } else if (Document() == nullptr &&
                   (canonical == u"U" || canonical == u"UNDO" || canonical == u"REDO" ||
                    acedRegCmds->lookupGlobalCmd(canonical.c_str()) != nullptr ||
                    acedRegCmds->lookupLocalCmd(canonical.c_str()) != nullptr)) {
            // The runner's own undo commands and the applications' commands work on a drawing, as the
            // host's own do: without one they refuse before asking anything.
            acutPrintf(u"\nNo drawing is open.");
            outcome = CommandOutcome::kFailed;
        } else {
            outcome = platform::RunCommand(name);
        }
        if (m_stopOnRefusal &&
            (platform::RefusedInputCount() != refused || m_console.Refusals() != boxRefused)) {
            outcome = CommandOutcome::kFailed;
        }
        if (m_stopOnRefusal && (outcome == CommandOutcome::kFailed || outcome == CommandOutcome::kUnknown)) {
            platform::ClearTypeAhead();
            break;
        }
    }
    if (m_quit) {
        platform::ClearTypeAhead();
    }
    return outcome;
}

bool Host::CloseCurrent() {
    AcApDocument* doc = Document();
    if (doc == nullptr) {
        acutPrintf(u"\nNo drawing is open.");
        return false;
    }
    platform::CloseDocument(doc);
    return true;
}

// Console directives work outside the command runner: the map application and time are not drawing
// commands, and what they set off must reach the plug-in as it would from outside.
bool Host::RunDirective(const std::string& line, platform::CommandOutcome& outcome) {
    std::istringstream in(line);
    std::string word;
    in >> word;
    word = Upper(word);
    if (word == "DELAY") {
        long long ms = -1;
        if (!(in >> ms) || ms < 0) {
            acutPrintf(u"\nDELAY needs a time in milliseconds.");
            outcome = platform::CommandOutcome::kFailed;
        } else {
            Wait(static_cast<uint64_t>(ms));
        }
        return true;
    }
    if (word == "TOOLBAR") {
        std::string rest;
        std::getline(in, rest);
        outcome = ToolBarDirective(*this, rest) ? platform::CommandOutcome::kEnded
                                                : platform::CommandOutcome::kFailed;
        return true;
    }
    if (word == "DBLCLICK") {
        // A double click in the drawing at a point: the editor's reactors first, then the host's own edit.
        std::string at;
        std::getline(in, at);
        double x = 0.0, y = 0.0;
        if (std::sscanf(at.c_str(), " %lf , %lf", &x, &y) != 2) {
            acutPrintf(u"\nDBLCLICK needs a point x,y.");
            outcome = platform::CommandOutcome::kFailed;
        } else {
            platform::FireDoubleClick(AcGePoint3d(x, y, 0.0));
            Idle();
            outcome = platform::CommandOutcome::kEnded;
        }
        return true;
    }
    if (word == "PROFILE") {
        // One byte of a binary entry of a profile file in the user's application-data folder, as a user
        // editing an application's settings file would change it.
        std::string file, section, key;
        long offset = -1, value = -1;
        if (!(in >> file >> section >> key >> offset >> value) || offset < 0 || offset > 4095 || value < 0 ||
            value > 255 || file.find_first_of("/\\") != std::string::npos) {
            acutPrintf(u"\nPROFILE needs a file, a section, a key, a byte offset and a byte value.");
            outcome = platform::CommandOutcome::kFailed;
            return true;
        }
        const std::u16string path = platform::ToWindowsPath(m_options.localAppDataFolder + "/" + file);
        const std::u16string wSection = platform::Utf8ToUtf16(section), wKey = platform::Utf8ToUtf16(key);
        // A struct entry is stored as two hexadecimal digits a byte and two of checksum.
        char16_t text[8200] = {};
        const DWORD digits =
            GetPrivateProfileStringW(wSection.c_str(), wKey.c_str(), u"", text, 8200, path.c_str());
        const size_t size = digits >= 2 ? (digits - 2) / 2 : 0;
        std::vector<BYTE> data(size);
        if (size <= size_t(offset) || !GetPrivateProfileStructW(wSection.c_str(), wKey.c_str(), data.data(),
                                                                UINT(size), path.c_str())) {
            acutPrintf(u"\nPROFILE: no entry of that size in %s.", platform::Utf8ToUtf16(file).c_str());
            outcome = platform::CommandOutcome::kFailed;
            return true;
        }
        data[size_t(offset)] = static_cast<BYTE>(value);
        if (!WritePrivateProfileStructW(wSection.c_str(), wKey.c_str(), data.data(), UINT(size),
                                        path.c_str())) {
            outcome = platform::CommandOutcome::kFailed;
        }
        return true;
    }
    if (word == "DIALOG") {
        // A modeless dialog stays open between commands: the user acts on it by its caption.
        std::string caption, action;
        in >> caption;
        std::getline(in >> std::ws, action);
        const std::u16string wCaption = platform::Utf8ToUtf16(caption);
        HWND window = caption.empty() ? nullptr : FindWindowW(nullptr, wCaption.c_str());
        if (window == nullptr || !IsWindowVisible(window)) {
            acutPrintf(u"\nDIALOG: no open dialog \"%s\".", wCaption.c_str());
            outcome = platform::CommandOutcome::kFailed;
            return true;
        }
        // The dialog's resource names its controls for the user.
        UINT resourceId = 0;
        if (CWnd* wnd = CWnd::FromHandlePermanent(window);
            wnd != nullptr && wnd->IsKindOf(RUNTIME_CLASS(CDialog))) {
            resourceId = static_cast<CDialog*>(wnd)->m_nIDTemplate;
        }
        platform::UiDialog dialog(window, resourceId);
        const bool done =
            action.empty() ? (m_console.ShowDialog(dialog), true) : m_console.DialogAction(dialog, action);
        dialog.Pump();
        outcome = done ? platform::CommandOutcome::kEnded : platform::CommandOutcome::kFailed;
        return true;
    }
    if (word == "CHECK") {
        std::string rest;
        std::getline(in, rest);
        outcome = CheckDirective(*this, rest) ? platform::CommandOutcome::kEnded
                                              : platform::CommandOutcome::kFailed;
        return true;
    }
    if (word == "MAPSIM") {
        std::string rest;
        std::getline(in, rest);
        outcome = MapSimDirective(*this, rest) ? platform::CommandOutcome::kEnded
                                               : platform::CommandOutcome::kFailed;
        return true;
    }
    return false;
}

bool Host::RunLines(LineSource& source, bool stopOnFailure, std::string* error) {
    LineSource* before = m_console.Source();
    const bool stopBefore = m_stopOnRefusal;
    m_console.SetSource(&source);
    // A script stops at the first answer refused rather than letting the prompt take its later lines.
    m_stopOnRefusal = stopOnFailure;
    platform::SetRefusalEndsInput(stopOnFailure);
    m_console.SetStrict(stopOnFailure);
    bool ok = true;
    std::string line;
    while (m_started) {
        FlushOutput();
        m_console.Show("\nCommand: ");
        if (!source.ReadLine(line)) {
            break;
        }
        m_console.LineRead(source);
        if (source.Echoes()) {
            m_console.EchoLine(line);
        }
        m_console.NoteSourceLine(line);
        const platform::CommandOutcome outcome = Run(line);
        if (stopOnFailure &&
            (outcome == platform::CommandOutcome::kFailed || outcome == platform::CommandOutcome::kUnknown)) {
            if (error != nullptr) {
                *error = "line " + std::to_string(source.LineNumber()) + ": \"" + m_console.LastSourceLine() +
                         "\" failed";
            }
            ok = false;
            break;
        }
    }
    FlushOutput();
    m_console.SetSource(before);
    m_stopOnRefusal = stopBefore;
    platform::SetRefusalEndsInput(stopBefore);
    m_console.SetStrict(stopBefore);
    return ok;
}

void Host::Answer(const std::string& line) {
    m_console.Queue(line);
}

void Host::Idle() {
    if (m_started && m_busy == 0) {
        ++m_busy;
        // Commands may send further strings; a bounded number of rounds keeps one that always does from
        // holding the loop.
        for (int round = 0; round < 100 && !m_quit && platform::ExecuteSentStrings() > 0; ++round) {
        }
        --m_busy;
    }
    platform::PumpMessages();
    if (CMDIFrameWnd* frame = platform::ExistingAcadFrame()) {
        platform::UpdateFrameControlBars(frame);
    }
    if (m_quit && m_busy == 0) {
        Stop();
    }
}

void Host::Wait(uint64_t ms) {
    if (platform::clock::IsVirtual()) {
        platform::AdvanceClock(ms);
        Idle();
        return;
    }
    const uint64_t deadline = platform::clock::NowMs() + ms;
    for (;;) {
        Idle();
        const uint64_t now = platform::clock::NowMs();
        if (now >= deadline || !m_started) {
            return;
        }
        uint64_t sleep = std::min<uint64_t>(deadline - now, 50);
        const int64_t due = platform::NextTimerDueMs();
        if (due >= 0) {
            sleep = std::min<uint64_t>(sleep, due > static_cast<int64_t>(now) ? due - now : 0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(sleep));
    }
}

bool Host::LoadModule(const std::string& path, std::string* error) {
    std::string source = path;
    std::error_code ec;
    const fs::path inFolder = fs::path(m_options.moduleFolder) / path;
    if (fs::path(path).filename() == path && fs::is_regular_file(inFolder, ec) &&
        !fs::is_regular_file(path, ec)) {
        source = inFolder.string();
    }
    if (!fs::is_regular_file(source, ec)) {
        if (error != nullptr) {
            *error = "\"" + path + "\" not found.";
        }
        return false;
    }
    // The module lives in the module folder, which is its own folder for what it writes there. A copy goes
    // in under a new inode (write, then rename), so a file another process has mapped is never rewritten.
    const fs::path target = fs::path(m_options.moduleFolder) / fs::path(source).filename();
    if (m_modules.Find(target.filename().string()) != nullptr) {
        if (error != nullptr) {
            *error = "\"" + target.filename().string() + "\" is already loaded.";
        }
        return false;
    }
    if (!fs::equivalent(source, target, ec)) {
        const fs::path part = target.string() + ".part";
        fs::copy_file(source, part, fs::copy_options::overwrite_existing, ec);
        if (!ec) {
            fs::rename(part, target, ec);
        }
        if (ec) {
            fs::remove(part, ec);
            if (error != nullptr) {
                *error = "cannot copy \"" + source + "\" into " + m_options.moduleFolder;
            }
            return false;
        }
    }
    return m_modules.Load(target.string(), error);
}

bool Host::UnloadModule(const std::string& name, std::string* error) {
    return m_modules.Unload(name, false, error);
}

void Host::FlushOutput() {
    const std::u16string& transcript = platform::CommandLineTranscript();
    if (m_printed > transcript.size()) {
        m_printed = 0;  // the transcript was cleared
    }
    if (m_printed < transcript.size()) {
        m_console.Show(platform::Utf16ToUtf8(transcript.substr(m_printed)));
    }
    m_printed = transcript.size();
}

void Host::DefineCommands() {
    for (auto& [name, body] : HostCommandTable(*this)) {
        platform::CommandBody run = body;
        if (NeedsDrawing(name)) {
            run = [this, command = body] {
                if (Document() == nullptr) {
                    acutPrintf(u"\nNo drawing is open.");
                    return platform::CommandOutcome::kFailed;
                }
                return command();
            };
        }
        platform::DefineHostCommand(name, run);
        m_commandNames.push_back(name);
    }
}

void Host::RemoveCommands() {
    for (const std::u16string& name : m_commandNames) {
        platform::RemoveHostCommand(name);
    }
    m_commandNames.clear();
}

}  // namespace tarnhost
