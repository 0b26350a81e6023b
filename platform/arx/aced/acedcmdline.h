// The command line and the display, headless: text printed to the command line goes to a transcript, and
// redraws and display updates are counted.
#pragma once

#include <string>

#include "platform/arx/acut/acut_all.h"

// Prints to the command line with the host's wide printf conventions (%s wide, %S narrow, %I64d, ...).
// Returns the number of characters printed.
int acutPrintf(const ACHAR* format, ...);
// Brings the screen up to date.
void acedUpdateDisplay();
// Redraws the entity (or everything for a null name); mode 1 redraws. RTNORM.
int acedRedraw(const ads_name entity, int mode);
// Shows the command prompt again.
void acedPostCommandPrompt();

namespace platform {

// Everything printed to the command line since the last reset, in order.
std::u16string& CommandLineTranscript();
// The transcript as UTF-8, for test messages.
std::string CommandLineUtf8();
// Writes to the command line as the host does: a text starting with a line break right after the user's
// answer ended the line starts no empty line.
void WriteCommandLine(const std::u16string& text);
// The user's answer typed ahead, shown after its prompt; it ends its line as Enter does, so what is printed
// next starts on a new line.
void EchoCommandLineAnswer(const std::u16string& answer);

// What the display was asked to do.
struct DisplayCounters {
    int updateDisplay = 0;          // acedUpdateDisplay
    int redraws = 0;                // acedRedraw
    int commandPrompts = 0;         // acedPostCommandPrompt
    int queueForGraphicsFlush = 0;  // the document transaction manager's queueForGraphicsFlush
    int flushGraphics = 0;          // ... and flushGraphics
};
DisplayCounters& Display();

}  // namespace platform
