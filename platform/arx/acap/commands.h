// The host's command runner. A command runs in the current document, in this order:
//   the document enters the command and takes an automatic write lock; one undo group opens on its
//   database; commandWillStart; the body; commandEnded, commandCancelled (the user cancelled an input of it)
//   or commandFailed (the body failed); the undo group closes; the lock is released; the message pump runs.
// A write lock taken outside a command opens an undo group of its own, closed at its unlock.
// The saves (QSAVE, SAVE, SAVEAS) open no group and what changes while they run is not undoable, as on the
// real host: their reactors' records are saved with the file and stay; an undo after a save takes back the
// command before it.
// The built-in commands U and MUNDO (one group), UNDO (asks for a count), REDO and MREDO open no group: they
// undo or redo whole groups of earlier commands between their own commandWillStart and commandEnded, so the
// database notifications of the undo arrive inside them.
#pragma once

#include <functional>
#include <string>

#include "platform/arx/acut/acut_all.h"

namespace platform {

enum class CommandOutcome { kEnded, kCancelled, kFailed, kUnknown };
using CommandBody = std::function<CommandOutcome()>;

// The host's own commands (and tests' stand-ins for them: LINE, ERASE, QSAVE, ...). Names are upper case
// global names; a later definition replaces an earlier one.
void DefineHostCommand(const std::u16string& name, CommandBody body);
void RemoveHostCommand(const std::u16string& name);

// Runs a command by the name typed ("line", "_LINE", ".line" all run LINE): a host command, a built-in or a
// registered one (its function; cancelled when the user cancelled one of its inputs). An unknown name prints
// "\nUnknown command "NAME".\n" (this host has no help to point at), tells the editor reactors
// (unknownCommand) and gives kUnknown.
CommandOutcome RunCommand(const std::u16string& name);
// Runs the body as the command of that name (host commands defined on the spot, CLOSE, ...).
CommandOutcome RunCommand(const std::u16string& name, const CommandBody& body);
// A command line as typed: blanks and line breaks end tokens (two in a row give an empty token, Enter); the
// first token is a command and later tokens answer its prompts; tokens left over start further commands.
CommandOutcome RunCommandLine(const std::u16string& text);
// Runs the strings queued by sendStringToExecute, each in its document (activated first when asked).
// Returns how many ran.
int ExecuteSentStrings();
// The name of the innermost command running (empty when none).
std::u16string ActiveCommand();

}  // namespace platform
