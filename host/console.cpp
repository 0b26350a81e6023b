#include "host/console.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <unordered_set>

#include "host/hostcmds.h"
#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/aced/acedinput.h"
#include "platform/mfc/afxdlg.h"
#include "platform/win32/bus/bus_hooks.h"
#include "platform/win32/core/clock.h"
#include "platform/win32/core/unicode.h"

namespace tarnhost {
namespace {

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    const size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    std::string word;
    while (in >> word) {
        words.push_back(word);
    }
    return words;
}

std::string Utf8(const std::u16string& text) {
    return platform::Utf16ToUtf8(text);
}

bool IsCancel(const std::string& line) {
    return line == "^C" || Lower(line) == "<esc>";
}

// Dialog button names a script may use for ids.
int ControlId(const std::string& word, bool& ok) {
    static const std::pair<const char*, int> kNames[] = {{"idok", IDOK},   {"idcancel", IDCANCEL},
                                                         {"idyes", IDYES}, {"idno", IDNO},
                                                         {"ok", IDOK},     {"cancel", IDCANCEL}};
    const std::string lower = Lower(word);
    for (const auto& [name, id] : kNames) {
        if (lower == name) {
            ok = true;
            return id;
        }
    }
    char* end = nullptr;
    const long value = std::strtol(word.c_str(), &end, 10);
    ok = !word.empty() && end != nullptr && *end == '\0';
    return static_cast<int>(value);
}

const char* KindName(platform::ControlKind kind) {
    switch (kind) {
        case platform::ControlKind::Label:
            return "label";
        case platform::ControlKind::ComboDropList:
        case platform::ControlKind::ComboDropDown:
            return "combo";
        case platform::ControlKind::ListBox:
            return "list";
        case platform::ControlKind::Tree:
            return "tree";
        default:
            return "control";
    }
}

}  // namespace

bool ScriptSource::Open(const std::string& path, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error != nullptr) {
            *error = "cannot read the script \"" + path + "\": " + why;
        }
        return false;
    };
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        return fail("it is a folder");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return fail(std::strerror(errno));
    }
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        // Editors on some systems start a UTF-8 file with a byte-order mark: it is no part of the command.
        if (m_lines.empty() && line.compare(0, 3, "\xEF\xBB\xBF") == 0) {
            line.erase(0, 3);
        }
        m_lines.push_back(line);
    }
    if (in.bad()) {
        return fail(std::strerror(errno));
    }
    return true;
}

bool ScriptSource::ReadLine(std::string& line) {
    while (m_next < m_lines.size()) {
        ++m_line;
        const std::string& text = m_lines[m_next++];
        const size_t first = text.find_first_not_of(" \t");
        if (first != std::string::npos && text[first] == '#') {
            continue;
        }
        line = text;
        return true;
    }
    return false;
}

namespace {

// The interrupt handler's self-pipe: the handler only writes a byte, the line source reads it.
int g_interruptPipe[2] = {-1, -1};

void OnInterrupt(int) {
    const int saved = errno;
    const char byte = 'C';
    [[maybe_unused]] const ssize_t n = ::write(g_interruptPipe[1], &byte, 1);
    errno = saved;
}

// Whether an interrupt came since the last call (and takes it).
bool TakeInterrupt() {
    if (g_interruptPipe[0] < 0) {
        return false;
    }
    char bytes[64];
    bool any = false;
    while (::read(g_interruptPipe[0], bytes, sizeof bytes) > 0) {
        any = true;
    }
    return any;
}

}  // namespace

void InstallInterruptHandler() {
    if (g_interruptPipe[0] >= 0 || ::pipe2(g_interruptPipe, O_NONBLOCK | O_CLOEXEC) != 0) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no restart: a wait for input ends at once
    ::sigaction(SIGINT, &action, nullptr);
}

TerminalSource::TerminalSource(int fd, std::function<bool()> idle)
    : m_fd(fd), m_echo(::isatty(fd) == 0), m_idle(std::move(idle)) {}

bool TerminalSource::ReadLine(std::string& line) {
    for (;;) {
        if (TakeInterrupt()) {
            m_buffer.clear();
            line = "^C";
            return true;
        }
        const size_t end = m_buffer.find('\n');
        if (end != std::string::npos) {
            line = m_buffer.substr(0, end);
            m_buffer.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            return true;
        }
        if (m_eof) {
            if (m_buffer.empty()) {
                return false;
            }
            line.swap(m_buffer);
            m_buffer.clear();
            return true;
        }
        // Sleep until input comes or the next timer is due, then let the host work.
        int timeout = -1;
        const int64_t due = platform::NextTimerDueMs();
        if (platform::HasPendingMessages()) {
            timeout = 0;
        } else if (due >= 0) {
            const int64_t now = static_cast<int64_t>(platform::clock::NowMs());
            timeout = static_cast<int>(std::clamp<int64_t>(due - now, 0, 1000));
        }
        pollfd fds[2] = {{m_fd, POLLIN, 0}, {g_interruptPipe[0], POLLIN, 0}};
        const int ready = ::poll(fds, g_interruptPipe[0] >= 0 ? 2 : 1, timeout);
        if (ready < 0 && errno == EINTR) {
            continue;  // an interrupt: taken at the top
        }
        if (ready > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
            continue;
        }
        if (ready > 0) {
            char chunk[4096];
            const ssize_t got = ::read(m_fd, chunk, sizeof chunk);
            if (got <= 0) {
                m_eof = true;
            } else {
                m_buffer.append(chunk, static_cast<size_t>(got));
            }
        } else if (m_idle && !m_idle()) {
            return false;
        }
    }
}

bool ParseSelection(AcDbDatabase* db, const std::string& text, std::vector<AcDbObjectId>& ids,
                    std::string* bad) {
    // An entity is selected once however many words name it; a set keeps "all" on a big drawing linear. The
    // set is made only once a second word may repeat an entity: "all" alone takes the model space as it is.
    std::unordered_set<Adesk::Int64> taken;
    bool tracked = false;
    auto track = [&ids, &taken, &tracked] {
        if (!tracked) {
            tracked = true;
            taken.reserve(ids.size());
            for (AcDbObjectId id : ids) {
                taken.insert(id.asOldId());
            }
        }
    };
    auto add = [&ids, &taken, &track](AcDbObjectId id) {
        track();
        if (taken.insert(id.asOldId()).second) {
            ids.push_back(id);
        }
    };
    for (const std::string& word : Words(text)) {
        const std::string lower = Lower(word);
        if (lower == "all") {
            if (ids.empty() && !tracked) {
                ids = ModelSpaceIds(db);  // ids of one block, each once
                continue;
            }
            for (AcDbObjectId id : ModelSpaceIds(db)) {
                add(id);
            }
            continue;
        }
        if (lower == "last") {
            const std::vector<AcDbObjectId> all = ModelSpaceIds(db);
            if (!all.empty()) {
                add(all.back());
                continue;
            }
        } else if (lower.size() > 2 && lower.compare(0, 2, "h:") == 0 && db != nullptr) {
            const std::u16string hex = platform::Utf8ToUtf16(word.substr(2));
            AcDbObjectId id;
            if (hex.find_first_not_of(u"0123456789abcdefABCDEF") == std::u16string::npos &&
                hex.size() <= 16 && db->getAcDbObjectId(id, false, AcDbHandle(hex.c_str())) == Acad::eOk &&
                !id.isErased()) {
                AcDbEntity* entity = nullptr;
                if (acdbOpenObject(entity, id, AcDb::kForRead) == Acad::eOk) {
                    entity->close();
                    add(id);
                    continue;
                }
            }
        }
        if (bad != nullptr) {
            *bad = word;
        }
        return false;
    }
    return true;
}

void ConsoleUi::SetOutput(std::ostream* out, std::function<void()> flush) {
    m_out = out;
    m_flush = std::move(flush);
}

void ConsoleUi::Show(std::string text) {
    if (m_atLineStart && !text.empty() && text[0] == '\n') {
        text.erase(0, 1);
    }
    if (!text.empty()) {
        // A text that ends its line leaves the cursor at a new one: a prompt's leading line break then
        // starts no empty line.
        m_atLineStart = text.back() == '\n';
    }
    if (m_out != nullptr && !text.empty()) {
        *m_out << text;
        m_out->flush();
    }
}

bool ConsoleUi::NextLine(std::string& line) {
    if (m_flush) {
        m_flush();
    }
    if (!m_queue.empty()) {
        line = m_queue.front();
        m_queue.pop_front();
        return true;
    }
    if (m_source != nullptr && m_source->ReadLine(line)) {
        m_lastSourceLine = line;
        LineRead(*m_source);
        if (m_source->Echoes()) {
            EchoLine(line);
        }
        return true;
    }
    return false;
}

void ConsoleUi::LineRead(const LineSource& source) {
    m_atLineStart = !source.Echoes();
}

void ConsoleUi::EchoLine(const std::string& line) {
    Show(line + "\n");
    m_atLineStart = true;
}

int ConsoleUi::MessageBox(const platform::MessageBoxRequest& box) {
    struct Button {
        const char* word;
        int id;
    };
    static const std::vector<std::vector<Button>> kSets = {
        {{"ok", IDOK}},
        {{"ok", IDOK}, {"cancel", IDCANCEL}},
        {{"abort", IDABORT}, {"retry", IDRETRY}, {"ignore", IDIGNORE}},
        {{"yes", IDYES}, {"no", IDNO}, {"cancel", IDCANCEL}},
        {{"yes", IDYES}, {"no", IDNO}},
        {{"retry", IDRETRY}, {"cancel", IDCANCEL}},
    };
    const UINT set = box.type & 0x0F;
    const std::vector<Button>& buttons = set < kSets.size() ? kSets[set] : kSets[0];
    std::string text = "\n[" + Utf8(box.caption) + "] " + Utf8(box.text);
    if (buttons.size() == 1) {
        Show(text + "\n");
        return buttons[0].id;
    }
    text += " [";
    for (size_t i = 0; i < buttons.size(); ++i) {
        text += (i != 0 ? "/" : "") + std::string(buttons[i].word);
    }
    text += "]: ";
    for (int attempt = 0; attempt < 10; ++attempt) {
        Show(text);
        std::string line;
        if (!NextLine(line)) {
            return platform::DeclineAnswer(box.type);
        }
        const std::string answer = Lower(Trim(line));
        if (IsCancel(Trim(line))) {
            return platform::DeclineAnswer(box.type);  // Esc (or Ctrl-C) declines the box
        }
        for (const Button& button : buttons) {
            if (!answer.empty() && std::string(button.word).compare(0, answer.size(), answer) == 0) {
                return button.id;
            }
        }
        ++m_refusals;
        if (m_strict) {
            Show("\n*Not an answer: " + Trim(line) + "*\n");
            return platform::DeclineAnswer(box.type);
        }
    }
    return platform::DeclineAnswer(box.type);
}

void ConsoleUi::ShowDialog(platform::UiDialog& dialog) {
    std::string text =
        "\n[dialog " + std::to_string(dialog.ResourceId()) + "] " + Utf8(dialog.Caption()) + "\n";
    const platform::DialogTemplate* resource = platform::FindDialogResource(dialog.ResourceId());
    if (resource != nullptr) {
        for (const platform::ControlTemplate& control : resource->controls) {
            if (control.id == IDC_STATIC || !dialog.Exists(control.id) || !dialog.IsVisible(control.id)) {
                continue;
            }
            text += "  " + std::to_string(control.id) + " " + KindName(control.kind) + " \"" +
                    Utf8(dialog.Text(control.id)) + "\"";
            if (dialog.Check(control.id) == BST_CHECKED) {
                text += " [x]";
            }
            const std::vector<std::u16string> items = dialog.Items(control.id);
            if (!items.empty()) {
                text += " items:";
                for (size_t i = 0; i < items.size(); ++i) {
                    text += (i != 0 ? "|" : "") + Utf8(items[i]);
                }
                text += " selected=" + std::to_string(dialog.Selection(control.id));
            }
            if (!dialog.IsEnabled(control.id)) {
                text += " (disabled)";
            }
            text += "\n";
        }
    }
    Show(text);
}

bool ConsoleUi::DialogAction(platform::UiDialog& dialog, const std::string& line) {
    const std::string trimmed = Trim(line);
    const size_t blank = trimmed.find(' ');
    const std::string verb = Lower(trimmed.substr(0, blank));
    const std::string rest = blank == std::string::npos ? std::string() : Trim(trimmed.substr(blank + 1));
    if (verb == "close") {
        return dialog.Close();
    }
    if (verb == "show") {
        ShowDialog(dialog);
        return true;
    }
    if (verb == "folder") {
        return dialog.SelectFolder(platform::Utf8ToUtf16(rest));
    }
    const size_t split = rest.find(' ');
    bool ok = false;
    const int id = ControlId(rest.substr(0, split), ok);
    const std::string value = split == std::string::npos ? std::string() : rest.substr(split + 1);
    if (!ok) {
        return false;
    }
    if (verb == "click") {
        return dialog.Click(id);
    }
    if (verb == "set") {
        return dialog.SetText(id, platform::Utf8ToUtf16(value));
    }
    if (verb == "check" || verb == "uncheck") {
        return dialog.SetCheck(id, verb == "check");
    }
    if (verb == "select") {
        char* end = nullptr;
        const long index = std::strtol(value.c_str(), &end, 10);
        if (!value.empty() && end != nullptr && *end == '\0') {
            return dialog.Select(id, static_cast<int>(index));
        }
        return dialog.Select(id, platform::Utf8ToUtf16(value));
    }
    return false;
}

void ConsoleUi::RunDialog(platform::UiDialog& dialog) {
    ShowDialog(dialog);
    // A script that keeps giving lines the dialog refuses must not hold the host for ever.
    int refused = 0;
    while (!dialog.Ended() && refused < 20) {
        Show("dialog> ");
        std::string line;
        if (!NextLine(line)) {
            Show("\n");
            dialog.Close();
            return;
        }
        if (IsCancel(Trim(line))) {
            Show("\n");
            dialog.Close();  // Esc (or Ctrl-C) closes the dialog as its close box does
            return;
        }
        if (!DialogAction(dialog, line)) {
            ++refused;
            ++m_refusals;
            Show("\n*Not done: " + Trim(line) + "*\n");
            if (m_strict) {
                dialog.Close();  // a script's later lines are not the dialog's
                return;
            }
        } else {
            Show("\n");
        }
        dialog.Pump();
    }
}

void ConsoleUi::RunFolderPicker(platform::UiDialog& picker, const platform::FolderPickerRequest& request) {
    Show("\n[folder picker] " + Utf8(request.prompt) + " (folder <path>, then click IDOK)");
    RunDialog(picker);
}

platform::InputAnswer ConsoleUi::GetInput(const platform::InputRequest& request) {
    using platform::InputAnswer;
    for (int attempt = 0; attempt < 20; ++attempt) {
        std::string line;
        if (!NextLine(line)) {
            Show(" *Cancel*\n");
            return InputAnswer::Cancelled();
        }
        const std::string text = Trim(line);
        if (IsCancel(text)) {
            Show(" *Cancel*\n");
            return InputAnswer::Cancelled();
        }
        if (text.empty()) {
            return InputAnswer::None();
        }
        AcDbDatabase* db = acdbHostApplicationServices()->workingDatabase();
        if (request.kind == platform::kInputSSGet) {
            std::vector<AcDbObjectId> ids;
            std::string bad;
            if (ParseSelection(db, text, ids, &bad)) {
                return platform::SelectionAnswer(ids);
            }
            if (m_strict) {
                return InputAnswer::Text(platform::Utf8ToUtf16(text));
            }
            Show("\n*Invalid selection: " + bad + "*" + Utf8(request.prompt));
            continue;
        }
        if (request.kind == platform::kInputEntSel) {
            const std::vector<std::string> words = Words(text);
            std::vector<AcDbObjectId> ids;
            if (!ParseSelection(db, words[0], ids) || ids.size() != 1) {
                return InputAnswer::Point(0, 0, 0);  // a pick that hit nothing
            }
            double point[3] = {0, 0, 0};
            if (words.size() > 1) {
                std::istringstream in(words[1]);
                char comma = 0;
                in >> point[0] >> comma >> point[1];
                if (in >> comma) {
                    in >> point[2];
                }
            }
            return platform::EntSelAnswer(ids[0], point[0], point[1], point[2]);
        }
        return InputAnswer::Text(platform::Utf8ToUtf16(text));
    }
    return InputAnswer::Cancelled();
}

}  // namespace tarnhost
