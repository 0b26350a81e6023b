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

}  // namespace platform

int acutPrintf(const ACHAR* format, ...) {
    if (format == nullptr) {
        return 0;
    }
    va_list args;
    va_start(args, format);
    const std::u16string text = platform::FormatWideV(format, args);
    va_end(args);
    platform::CommandLineTranscript() += text;
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
