#include "platform/arx/acap/commands.h"

#include <map>
#include <vector>

#include "platform/arx/acap/acapdoc.h"
#include "platform/arx/aced/acedcmdline.h"
#include "platform/arx/aced/acededitor.h"
#include "platform/arx/aced/acedinput.h"
#include "platform/arx/aced/sysvar.h"
#include "platform/win32/bus/bus_hooks.h"
#include "platform/win32/core/testhooks.h"
#include "platform/win32/core/unicode.h"

namespace platform {
namespace {

struct RunnerState {
    std::map<std::u16string, CommandBody> hostCommands;
    std::vector<std::u16string> active;
};

RunnerState& State() {
    static RunnerState state;
    static const bool registered = (RegisterReset("acap.commands", [] { State() = RunnerState(); }), true);
    (void)registered;
    return state;
}

std::u16string Upper(std::u16string text) {
    for (char16_t& c : text) {
        c = ToUpperChar(c);
    }
    return text;
}

// "_line", ".LINE", "'zoom" all name LINE / ZOOM.
std::u16string Canonical(const std::u16string& typed) {
    size_t start = 0;
    while (start < typed.size() && (typed[start] == u'_' || typed[start] == u'.' || typed[start] == u'\'')) {
        ++start;
    }
    return Upper(typed.substr(start));
}

void Undo(AcDbDatabase* db, int count) {
    for (int i = 0; i < count; ++i) {
        if (db == nullptr || UndoLastGroup(db) != Acad::eOk) {
            acutPrintf(u"\nEverything has been undone");
            return;
        }
    }
}

AcDbDatabase* CurrentDatabase() {
    AcApDocument* doc = acDocManager->curDocument();
    return doc != nullptr ? doc->database() : nullptr;
}

CommandOutcome UndoCommand() {
    acedInitGet(RSG_NOZERO | RSG_NONEG, nullptr);
    int count = 1;
    const int status = acedGetInt(u"\nEnter the number of operations to undo <1>: ", &count);
    if (status == RTCAN) {
        return CommandOutcome::kCancelled;
    }
    if (status != RTNORM && status != RTNONE) {
        return CommandOutcome::kFailed;
    }
    Undo(CurrentDatabase(), status == RTNONE ? 1 : count);
    return CommandOutcome::kEnded;
}

CommandOutcome RedoCommand() {
    AcDbDatabase* db = CurrentDatabase();
    if (db == nullptr || RedoLastGroup(db) != Acad::eOk) {
        acutPrintf(u"\nREDO must immediately follow an undo");
    }
    return CommandOutcome::kEnded;
}

// The built-ins that work on undo groups and must not open one of their own.
bool BuiltIn(const std::u16string& name, CommandBody& body) {
    if (name == u"U" || name == u"MUNDO") {
        body = [] {
            Undo(CurrentDatabase(), 1);
            return CommandOutcome::kEnded;
        };
    } else if (name == u"UNDO") {
        body = UndoCommand;
    } else if (name == u"REDO" || name == u"MREDO") {
        body = RedoCommand;
    } else {
        return false;
    }
    return true;
}

// Saves are not undoable on the host: what changes while one runs (records its reactors bring up to date at
// its start) is written to the file and stays, and an undo after the save takes back the command before it.
bool IsSave(const std::u16string& name) {
    return name == u"QSAVE" || name == u"SAVE" || name == u"SAVEAS";
}

// A system variable's name typed as a command asks for its new value, as the host does ("IMAGEFRAME 1").
bool SysVarCommand(const std::u16string& name, CommandBody& body) {
    resbuf current{};
    if (acedGetVar(name.c_str(), &current) != RTNORM) {
        return false;
    }
    if (current.restype == RTSTR) {
        acutDelString(current.resval.rstring);
    }
    const short type = current.restype;
    if (type != RTSHORT && type != RTREAL) {
        return false;  // only numbers are set this way here
    }
    body = [name, type] {
        resbuf value{};
        value.restype = type;
        const std::u16string prompt = u"\nEnter new value for " + name + u": ";
        int status = RTNORM;
        if (type == RTSHORT) {
            int number = 0;
            status = acedGetInt(prompt.c_str(), &number);
            value.resval.rint = static_cast<short>(number);
        } else {
            status = acedGetReal(prompt.c_str(), &value.resval.rreal);
        }
        if (status == RTCAN) {
            return CommandOutcome::kCancelled;
        }
        if (status != RTNORM) {
            return CommandOutcome::kEnded;
        }
        if (acedSetVar(name.c_str(), &value) != RTNORM) {
            acutPrintf(u"\nInvalid value for %s.", name.c_str());
            return CommandOutcome::kFailed;
        }
        return CommandOutcome::kEnded;
    };
    return true;
}

CommandOutcome Run(const std::u16string& name, const CommandBody& body, bool undoGroup) {
    AcApDocument* doc = acDocManager->curDocument();
    AcDbDatabase* db = doc != nullptr ? doc->database() : nullptr;
    const bool save = IsSave(name);
    if (save) {
        undoGroup = false;
    }
    State().active.push_back(name);
    EnterCommand(doc);
    if (doc != nullptr) {
        acDocManager->lockDocument(doc, AcAp::kAutoWrite, name.c_str(), name.c_str(), false);
    }
    if (undoGroup && db != nullptr) {
        BeginUndoGroup(db);
    }
    if (save && db != nullptr) {
        SuspendUndo(db, true);
    }
    ForEachEditorReactor([&](AcEditorReactor* r) { r->commandWillStart(name.c_str()); });
    CommandOutcome outcome = CommandOutcome::kFailed;
    try {
        outcome = body ? body() : CommandOutcome::kFailed;
    } catch (...) {
        outcome = CommandOutcome::kFailed;  // the host reports a command that broke off as failed
    }
    ForEachEditorReactor([&](AcEditorReactor* r) {
        switch (outcome) {
            case CommandOutcome::kEnded:
            case CommandOutcome::kUnknown:
                r->commandEnded(name.c_str());
                break;
            case CommandOutcome::kCancelled:
                r->commandCancelled(name.c_str());
                break;
            case CommandOutcome::kFailed:
                r->commandFailed(name.c_str());
                break;
        }
    });
    // The body may have closed documents: touch only what is still open.
    AcApDocument* still = doc != nullptr && acDocManager->document(db) == doc ? doc : nullptr;
    if (undoGroup && still != nullptr) {
        EndUndoGroup(db);
    }
    if (save && still != nullptr) {
        SuspendUndo(db, false);
    }
    if (still != nullptr) {
        acDocManager->unlockDocument(still);
        LeaveCommand(still);
    }
    State().active.pop_back();
    PumpMessages();
    return outcome;
}

}  // namespace

void DefineHostCommand(const std::u16string& name, CommandBody body) {
    State().hostCommands[Canonical(name)] = std::move(body);
}

void RemoveHostCommand(const std::u16string& name) {
    State().hostCommands.erase(Canonical(name));
}

CommandOutcome RunCommand(const std::u16string& typed) {
    const std::u16string name = Canonical(typed);
    CommandBody body;
    if (BuiltIn(name, body)) {
        return Run(name, body, false);
    }
    auto host = State().hostCommands.find(name);
    if (host != State().hostCommands.end()) {
        const CommandBody copy = host->second;  // the body may redefine commands
        return Run(name, copy, true);
    }
    AcEdCommand* command = acedRegCmds->lookupGlobalCmd(name.c_str());
    if (command == nullptr) {
        command = acedRegCmds->lookupLocalCmd(name.c_str());
    }
    if (command != nullptr) {
        const AcRxFunctionPtr function = command->functionAddr();
        const std::u16string global = Upper(command->globalName());
        return Run(
            global,
            [function] {
                const int cancels = CancelledInputCount();
                function();
                return CancelledInputCount() != cancels ? CommandOutcome::kCancelled : CommandOutcome::kEnded;
            },
            true);
    }
    if (SysVarCommand(name, body)) {
        return Run(name, body, true);
    }
    acutPrintf(u"\nUnknown command \"%s\".\n", name.c_str());
    ForEachEditorReactor([&](AcEditorReactor* r) { r->unknownCommand(name.c_str(), nullptr); });
    return CommandOutcome::kUnknown;
}

CommandOutcome RunCommand(const std::u16string& name, const CommandBody& body) {
    return Run(Canonical(name), body, true);
}

CommandOutcome RunCommandLine(const std::u16string& text) {
    TypeAheadLine(text);
    CommandOutcome outcome = CommandOutcome::kEnded;
    std::u16string name;
    while (TakeTypeAhead(name)) {
        if (!name.empty()) {
            outcome = RunCommand(name);
        }
    }
    return outcome;
}

int ExecuteSentStrings() {
    int count = 0;
    for (const SentString& sent : TakePendingSentStrings()) {
        if (sent.doc == nullptr || acDocManager->document(sent.doc->database()) != sent.doc) {
            continue;  // its document was closed
        }
        if (sent.activate && acDocManager->mdiActiveDocument() != sent.doc) {
            acDocManager->activateDocument(sent.doc);
        } else if (acDocManager->curDocument() != sent.doc) {
            acDocManager->setCurDocument(sent.doc);
        }
        RunCommandLine(sent.text);
        ++count;
    }
    return count;
}

std::u16string ActiveCommand() {
    const auto& active = State().active;
    return active.empty() ? std::u16string() : active.back();
}

}  // namespace platform
