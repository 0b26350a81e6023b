// The console user: a UI driver that shows prompts, message boxes and dialogs as text and takes its answers
// as lines, first from a queue (tests, Host::Answer), then from a line source (a script, or the terminal).
//
// Answers, one a line:
//   prompts        the value as typed: "x,y" or "x,y,z" for points, a number, a keyword, a text; an empty
//                  line is Enter; "^C" is Esc (cancels the command)
//   selections     blank-separated: "h:2F" (an entity by its hex handle), "last" (the newest entity),
//                  "all" (every entity of model space); an entity pick may add the pick point: "h:2F 3,4"
//   message boxes  a plain OK box is only shown; others take "ok", "cancel", "yes", "no", "abort", "retry"
//                  or "ignore" (a first letter does too, "c" is cancel)
//   dialogs        lines until the dialog ends: "click <id>", "set <id> <text>", "check <id>",
//                  "uncheck <id>", "select <id> <index or item text>", "folder <path>" (folder picker),
//                  "close", "show"; <id> is a number or IDOK, IDCANCEL, IDYES, IDNO
// When the lines run out a prompt is cancelled, a box declined and a dialog closed.
#pragma once

#include <deque>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "platform/arx/acdb/dbid.h"
#include "platform/mfc/uidriver.h"

class AcDbDatabase;

namespace tarnhost {

// Where lines come from. ReadLine gives false at the end.
class LineSource {
public:
    virtual ~LineSource() = default;
    virtual bool ReadLine(std::string& line) = 0;
    // Whether lines come from a file: answers are echoed then, since nobody typed them.
    virtual bool Echoes() const { return false; }
    // The number of the line read last (0 where lines have no numbers).
    virtual int LineNumber() const { return 0; }
};

// A script file: one line a command or an answer; lines whose first non-blank is '#' are comments.
class ScriptSource : public LineSource {
public:
    bool Open(const std::string& path, std::string* error);
    bool ReadLine(std::string& line) override;
    bool Echoes() const override { return true; }
    int LineNumber() const override { return m_line; }

private:
    std::vector<std::string> m_lines;
    size_t m_next = 0;
    int m_line = 0;
};

// Ctrl-C on the terminal: from then on an interrupt does not end the process but reaches the terminal's
// line source, which gives "^C" (Esc) for it, so it cancels the prompt as Esc does. Idempotent.
void InstallInterruptHandler();

// The terminal: waits for a line while the host stays alive: idle runs whenever nothing arrives before the
// next timer is due, and ends the wait (as the end of input) by returning false. An interrupt gives the line
// "^C" and drops what was typed ahead, as the terminal itself does.
class TerminalSource : public LineSource {
public:
    explicit TerminalSource(int fd, std::function<bool()> idle);
    bool ReadLine(std::string& line) override;
    // Input from a pipe is nobody's typing: it is echoed as a script's is.
    bool Echoes() const override { return m_echo; }

private:
    int m_fd;
    bool m_echo;
    std::function<bool()> m_idle;
    std::string m_buffer;
    bool m_eof = false;
};

// Entities named by a selection answer; false with *bad set to the first word that names none.
bool ParseSelection(AcDbDatabase* db, const std::string& text, std::vector<AcDbObjectId>& ids,
                    std::string* bad = nullptr);

class ConsoleUi : public platform::UiDriver {
public:
    void SetSource(LineSource* source) { m_source = source; }
    LineSource* Source() const { return m_source; }
    // Where the user's view goes (null: nowhere); flush writes pending command-line text first.
    void SetOutput(std::ostream* out, std::function<void()> flush);
    void Queue(const std::string& line) { m_queue.push_back(line); }
    size_t Queued() const { return m_queue.size(); }
    void ClearQueue() { m_queue.clear(); }
    // The next answer line: the queue, else the source; false at the end of both.
    bool NextLine(std::string& line);
    // Writes text to the output as the user sees it.
    void Show(std::string text);
    // The line source was read: after a typed line the cursor already stands at a new line.
    void LineRead(const LineSource& source);
    // Shows a line nobody typed (a script's) as if typed: the line ends, as Enter ends it, so what the
    // command prints next starts below it.
    void EchoLine(const std::string& line);
    // Strict (a script runs): a selection that names nothing is handed to the command, which fails, rather
    // than asked for again from the script's later lines; a dialog or message box that refuses a line is
    // closed or declined at once, so that the lines after it are not taken for further tries.
    void SetStrict(bool strict) { m_strict = strict; }
    // How many lines a dialog or message box refused.
    int Refusals() const { return m_refusals; }
    // The line of the source taken last, by the host's loop or as an answer.
    void NoteSourceLine(const std::string& line) { m_lastSourceLine = line; }
    const std::string& LastSourceLine() const { return m_lastSourceLine; }

    int MessageBox(const platform::MessageBoxRequest& box) override;
    void RunDialog(platform::UiDialog& dialog) override;
    void RunFolderPicker(platform::UiDialog& picker, const platform::FolderPickerRequest& request) override;
    platform::InputAnswer GetInput(const platform::InputRequest& request) override;

    // A dialog the user acts on: a modal one from its own loop, a modeless one from a console line.
    void ShowDialog(platform::UiDialog& dialog);
    bool DialogAction(platform::UiDialog& dialog, const std::string& line);

private:
    std::deque<std::string> m_queue;
    LineSource* m_source = nullptr;
    std::ostream* m_out = nullptr;
    std::function<void()> m_flush;
    bool m_atLineStart = false;  // the cursor stands at a new line (Enter pressed, or a line printed)
    bool m_strict = false;
    int m_refusals = 0;
    std::string m_lastSourceLine;
};

}  // namespace tarnhost
