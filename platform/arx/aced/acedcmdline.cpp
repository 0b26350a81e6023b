#include "platform/arx/aced/acedcmdline.h"

#include <cstdarg>

#include "platform/mfc/wideformat.h"
#include "platform/win32/core/testhooks.h"
#include "platform/win32/core/unicode.h"

namespace platform {
namespace {

struct CommandLineState {
    std::u16string transcript;
    DisplayCounters display;
    size_t answerEndsAt = std::u16string::npos;  // the transcript's size right after an answer ended its line
};

CommandLineState& State() {
    static CommandLineState state;
    static const bool registered =
        (RegisterReset("aced.cmdline", [] { State() = CommandLineState(); }), true);
    (void)registered;
    return state;
}

}  // namespace

std::u16string& CommandLineTranscript() {
    return State().transcript;
}

std::string CommandLineUtf8() {
    return Utf16ToUtf8(State().transcript);
}

DisplayCounters& Display() {
    return State().display;
}

void WriteCommandLine(const std::u16string& text) {
    CommandLineState& state = State();
    if (text.empty()) {
        return;
    }
    const bool lineEnded = state.answerEndsAt == state.transcript.size();
    state.answerEndsAt = std::u16string::npos;
    state.transcript.append(text, lineEnded && text[0] == u'\n' ? 1 : 0);
}

void EchoCommandLineAnswer(const std::u16string& answer) {
    CommandLineState& state = State();
    state.transcript += answer;
    state.transcript += u'\n';
    state.answerEndsAt = state.transcript.size();
}

}  // namespace platform

int acutPrintf(const ACHAR* format, ...) {
    if (format == nullptr) {
        return 0;
    }
    va_list args;
    va_start(args, format);
    const std::u16string text = platform::FormatWideV(format, args);
    va_end(args);
    platform::WriteCommandLine(text);
    return static_cast<int>(text.size());
}

void acedUpdateDisplay() {
    ++platform::Display().updateDisplay;
}

int acedRedraw(const ads_name /*entity*/, int /*mode*/) {
    ++platform::Display().redraws;
    return RTNORM;
}

void acedPostCommandPrompt() {
    ++platform::Display().commandPrompts;
}
