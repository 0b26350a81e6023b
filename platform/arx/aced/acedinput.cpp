#include "platform/arx/aced/acedinput.h"

#include <charconv>
#include <cmath>
#include <deque>
#include <type_traits>

#include "platform/arx/aced/acedcmdline.h"
#include "platform/win32/bus/bus_hooks.h"
#include "platform/win32/core/testhooks.h"
#include "platform/win32/core/unicode.h"

namespace platform {
namespace {

// A user who keeps giving refused answers is treated as cancelling, so a script cannot loop forever.
constexpr int kMaxAttempts = 50;

struct InitGet {
    int flags = 0;
    std::vector<std::u16string> locals;
    std::vector<std::u16string> globals;  // empty unless the list had a "_" part
    std::u16string text;
};

struct InputState {
    bool initPending = false;
    InitGet pending;
    InitGet current;  // of the call that runs
    std::deque<std::u16string> typeAhead;
    std::u16string lastKeyword;
    bool hasKeyword = false;
    std::vector<std::u16string> prompts;
    int cancels = 0;
    int refusals = 0;
    bool refusalEnds = false;
};

InputState& State() {
    static InputState state;
    static const bool registered = (RegisterReset("aced.input", [] { State() = InputState(); }), true);
    (void)registered;
    return state;
}

std::vector<std::u16string> SplitBlanks(const std::u16string& text) {
    std::vector<std::u16string> words;
    std::u16string word;
    for (char16_t c : text) {
        if (c == u' ' || c == u'\t') {
            if (!word.empty()) {
                words.push_back(word);
            }
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) {
        words.push_back(word);
    }
    return words;
}

// Starts an input call: the acedInitGet in force applies to it and is used up.
void BeginCall() {
    InputState& s = State();
    s.current = s.initPending ? s.pending : InitGet();
    s.initPending = false;
    s.pending = InitGet();
    s.hasKeyword = false;
}

bool IsUpper(char16_t c) {
    return c >= u'A' && c <= u'Z';
}

// The capitals of a keyword are its abbreviation: "LType" takes "LT", "LTY", ... "LTYPE"; "eXit" takes "X"
// or "exit"; a keyword of one case only must be given whole.
bool KeywordMatches(const std::u16string& keyword, const std::u16string& input) {
    if (input.empty()) {
        return false;
    }
    if (EqualsNoCase(keyword, input)) {
        return true;
    }
    size_t first = 0;
    while (first < keyword.size() && !IsUpper(keyword[first])) {
        ++first;
    }
    size_t end = first;
    while (end < keyword.size() && IsUpper(keyword[end])) {
        ++end;
    }
    if (first == keyword.size() || (first == 0 && end == keyword.size())) {
        return false;
    }
    if (first == 0) {
        return input.size() >= end && input.size() <= keyword.size() &&
               EqualsNoCase(keyword.substr(0, input.size()), input);
    }
    return EqualsNoCase(keyword.substr(first, end - first), input);
}

// The keyword the input names, in its spelling of the list (the global one when the list has them).
bool MatchKeyword(const std::u16string& input, std::u16string& keyword) {
    const InitGet& init = State().current;
    const bool global = !input.empty() && input[0] == u'_' && !init.globals.empty();
    const auto& list = global ? init.globals : init.locals;
    const std::u16string text = global ? input.substr(1) : input;
    for (size_t i = 0; i < list.size(); ++i) {
        if (KeywordMatches(list[i], text)) {
            keyword = !init.globals.empty() && i < init.globals.size() ? init.globals[i] : list[i];
            return true;
        }
    }
    return false;
}

// The whole text as a number of type T; a leading '+' is allowed. Only finite numbers: "nan" and "inf"
// would turn into coordinates no drawing can hold.
template <typename T>
bool ParseNumber(const std::u16string& text, T& value) {
    const std::string narrow = Utf16ToUtf8(text);
    const char* begin = narrow.c_str();
    const char* end = begin + narrow.size();
    if (begin != end && *begin == '+') {
        ++begin;
    }
    T parsed{};
    auto [ptr, ec] = std::from_chars(begin, end, parsed);
    if (ec != std::errc() || ptr != end || begin == end) {
        return false;
    }
    if constexpr (std::is_floating_point_v<T>) {
        if (!std::isfinite(parsed)) {
            return false;
        }
    }
    value = parsed;
    return true;
}

bool Finite(const double* values, int count) {
    for (int i = 0; i < count; ++i) {
        if (!std::isfinite(values[i])) {
            return false;
        }
    }
    return true;
}

bool ParsePoint(const std::u16string& text, double point[3]) {
    std::vector<std::u16string> parts;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == u',') {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    if (parts.size() < 2 || parts.size() > 3) {
        return false;
    }
    double values[3] = {0.0, 0.0, 0.0};
    for (size_t i = 0; i < parts.size(); ++i) {
        if (!ParseNumber(parts[i], values[i])) {
            return false;
        }
    }
    for (int i = 0; i < 3; ++i) {
        point[i] = values[i];
    }
    return true;
}

// Copies text into a caller's buffer; false when it does not fit.
bool CopyOut(const std::u16string& text, ACHAR* buffer, size_t size) {
    if (buffer == nullptr || size <= text.size()) {
        return false;
    }
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = u'\0';
    return true;
}

// A keyword or (RSG_OTHER) arbitrary text given where a value was asked: RTKWORD, or 0 when refused.
int TryKeyword(const std::u16string& text) {
    std::u16string keyword;
    if (MatchKeyword(text, keyword)) {
        State().lastKeyword = keyword;
        State().hasKeyword = true;
        return RTKWORD;
    }
    if ((State().current.flags & RSG_OTHER) != 0) {
        State().lastKeyword = text;
        State().hasKeyword = true;
        return RTKWORD;
    }
    return 0;
}

int StatusOf(const InputAnswer& answer) {
    switch (answer.status) {
        case kInputNormal:
            return RTNORM;
        case kInputNone:
            return RTNONE;
        case kInputCancelled:
            ++State().cancels;
            return RTCAN;
        default:
            return RTERROR;
    }
}

// A number answer checked against the flags; false (with the host's complaint) when refused.
bool NumberAllowed(double value) {
    const int flags = State().current.flags;
    if ((flags & RSG_NOZERO) != 0 && value == 0.0) {
        acutPrintf(u"\nValue must be nonzero.");
        return false;
    }
    if ((flags & RSG_NONEG) != 0 && value < 0.0) {
        acutPrintf(u"\nValue must be positive.");
        return false;
    }
    return true;
}

// Enter: RTNONE unless refused by RSG_NONULL (then 0: ask again).
int EmptyInput() {
    return (State().current.flags & RSG_NONULL) != 0 ? 0 : RTNONE;
}

}  // namespace

InputAnswer EntSelAnswer(AcDbObjectId id, double x, double y, double z) {
    InputAnswer answer = InputAnswer::Point(x, y, z);
    answer.detail = id;
    return answer;
}

InputAnswer SelectionAnswer(const std::vector<AcDbObjectId>& ids) {
    InputAnswer answer;
    answer.status = kInputNormal;
    answer.detail = ids;
    return answer;
}

InputAnswer IntAnswer(int value) {
    InputAnswer answer;
    answer.status = kInputNormal;
    answer.integer = value;
    return answer;
}

void TypeAhead(const std::u16string& token) {
    State().typeAhead.push_back(token);
}

void TypeAheadLine(const std::u16string& text) {
    std::u16string token;
    bool pending = false;
    for (char16_t c : text) {
        if (c == u'\r') {
            continue;
        }
        if (c == u' ' || c == u'\n') {
            TypeAhead(token);
            token.clear();
            pending = false;
        } else {
            token += c;
            pending = true;
        }
    }
    if (pending) {
        TypeAhead(token);
    }
}

bool HasTypeAhead() {
    return !State().typeAhead.empty();
}

bool TakeTypeAhead(std::u16string& token) {
    auto& queue = State().typeAhead;
    if (queue.empty()) {
        return false;
    }
    token = queue.front();
    queue.pop_front();
    return true;
}

void ClearTypeAhead() {
    State().typeAhead.clear();
}

const std::vector<std::u16string>& PromptTranscript() {
    return State().prompts;
}

int CancelledInputCount() {
    return State().cancels;
}

int CurrentInitFlags() {
    return State().current.flags;
}

int RefusedInputCount() {
    return State().refusals;
}

void SetRefusalEndsInput(bool ends) {
    State().refusalEnds = ends;
}

// One attempt of the call that runs (BeginCall done).
static InputAnswer AskOnce(const char* kind, const ACHAR* prompt, const double* basePoint) {
    const std::u16string text = prompt != nullptr ? prompt : u"";
    State().prompts.push_back(text);
    WriteCommandLine(text);
    std::u16string token;
    if (TakeTypeAhead(token)) {
        EchoCommandLineAnswer(token);
        if (token.empty()) {
            return InputAnswer::None();
        }
        return InputAnswer::Text(token);
    }
    // The host's loop keeps running while it waits for the user.
    PumpMessages();
    InputRequest request;
    request.kind = kind;
    request.prompt = text;
    request.keywords = State().current.text;
    request.initFlags = State().current.flags;
    if (basePoint != nullptr) {
        request.hasBasePoint = true;
        for (int i = 0; i < 3; ++i) {
            request.basePoint[i] = basePoint[i];
        }
    }
    return RequestInput(request);
}

InputAnswer AskInput(const char* kind, const ACHAR* prompt, const double* basePoint) {
    BeginCall();
    InputAnswer answer = AskOnce(kind, prompt, basePoint);
    if (answer.status == kInputCancelled) {
        ++State().cancels;
    }
    return answer;
}

// Asks until an answer is taken: `judge` turns an answer into the call's status, or 0 to ask again.
template <typename Judge>
static int AskUntilTaken(const char* kind, const ACHAR* prompt, const double* basePoint, Judge judge) {
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        const int status = judge(AskOnce(kind, prompt, basePoint));
        if (status != 0) {
            return status;
        }
        ++State().refusals;
        if (State().refusalEnds) {
            ++State().cancels;
            return RTCAN;
        }
    }
    return RTCAN;
}

// acedGetReal and acedGetInt: typed text is parsed, a keyword may stand in, the flags are checked.
template <typename T>
static int GetNumber(const char* kind, const ACHAR* prompt, T InputAnswer::*field, const char16_t* complaint,
                     T* result) {
    BeginCall();
    return AskUntilTaken(kind, prompt, nullptr, [&](const InputAnswer& answer) {
        int status = StatusOf(answer);
        if (status == RTNONE) {
            status = EmptyInput();
        } else if (status == RTNORM) {
            T value = answer.*field;
            bool finite = true;
            if constexpr (std::is_floating_point_v<T>) {
                finite = std::isfinite(value);
            }
            if (!answer.text.empty() && !ParseNumber(answer.text, value)) {
                status = TryKeyword(answer.text);
                if (status == 0) {
                    acutPrintf(complaint);
                }
            } else if (answer.text.empty() && !finite) {
                acutPrintf(complaint);
                status = 0;
            } else if (!NumberAllowed(value)) {
                status = 0;
            } else if (result != nullptr) {
                *result = value;
            }
        }
        return status;
    });
}

}  // namespace platform

using platform::AskOnce;

int acedInitGet(int flags, const ACHAR* keywordList) {
    platform::InitGet init;
    init.flags = flags;
    init.text = keywordList != nullptr ? keywordList : u"";
    bool global = false;
    for (const std::u16string& word : platform::SplitBlanks(init.text)) {
        if (word == u"_") {
            global = true;
        } else if (global) {
            init.globals.push_back(word);
        } else {
            init.locals.push_back(word);
        }
    }
    auto& state = platform::State();
    state.pending = init;
    state.initPending = true;
    return RTNORM;
}

int acedGetPoint(const ads_point basePoint, const ACHAR* prompt, ads_point result) {
    platform::BeginCall();
    const auto judge = [&](const platform::InputAnswer& answer) {
        int status = platform::StatusOf(answer);
        if (status == RTNONE) {
            status = platform::EmptyInput();
        } else if (status == RTNORM && !answer.text.empty()) {
            double point[3];
            if (platform::ParsePoint(answer.text, point)) {
                ads_point_set(point, result);
                return RTNORM;
            }
            status = platform::TryKeyword(answer.text);
            if (status == 0) {
                acutPrintf(u"\nInvalid point.");
            }
        } else if (status == RTNORM && !platform::Finite(answer.point, 3)) {
            acutPrintf(u"\nInvalid point.");
            status = 0;
        } else if (status == RTNORM && result != nullptr) {
            ads_point_set(answer.point, result);
        }
        return status;
    };
    return platform::AskUntilTaken(platform::kInputGetPoint, prompt, basePoint, judge);
}

int acedGetKword(const ACHAR* prompt, ACHAR* result, size_t bufferSize) {
    platform::BeginCall();
    if (platform::State().current.locals.empty() && (platform::State().current.flags & RSG_OTHER) == 0) {
        return RTERROR;
    }
    const auto judge = [&](const platform::InputAnswer& answer) {
        int status = platform::StatusOf(answer);
        if (status == RTNONE || (status == RTNORM && answer.text.empty())) {
            status = platform::EmptyInput();
        } else if (status == RTNORM) {
            if (platform::TryKeyword(answer.text) == 0) {
                acutPrintf(u"\nInvalid option keyword.");
                status = 0;
            } else if (!platform::CopyOut(platform::State().lastKeyword, result, bufferSize)) {
                return RTERROR;
            }
        }
        return status;
    };
    return platform::AskUntilTaken(platform::kInputGetKword, prompt, nullptr, judge);
}

int acedGetReal(const ACHAR* prompt, ads_real* result) {
    return platform::GetNumber(platform::kInputGetReal, prompt, &platform::InputAnswer::real,
                               u"\nRequires numeric value.", result);
}

int acedGetInt(const ACHAR* prompt, int* result) {
    return platform::GetNumber(platform::kInputGetInt, prompt, &platform::InputAnswer::integer,
                               u"\nRequires an integer value.", result);
}

int acedGetString(int cronly, const ACHAR* prompt, ACHAR* result, size_t bufferSize) {
    platform::BeginCall();
    const platform::InputAnswer answer = AskOnce(platform::kInputGetString, prompt, nullptr);
    const int status = platform::StatusOf(answer);
    if (status != RTNORM && status != RTNONE) {
        return status;
    }
    std::u16string text = status == RTNORM ? answer.text : u"";
    if (cronly == 0) {
        const size_t blank = text.find(u' ');
        if (blank != std::u16string::npos) {
            text.resize(blank);
        }
    }
    return platform::CopyOut(text, result, bufferSize) ? RTNORM : RTERROR;
}

int acedGetInput(ACHAR* result, size_t bufferSize) {
    if (!platform::State().hasKeyword) {
        return RTERROR;
    }
    return platform::CopyOut(platform::State().lastKeyword, result, bufferSize) ? RTNORM : RTERROR;
}

int acedEntSel(const ACHAR* prompt, ads_name entity, ads_point pickPoint) {
    platform::BeginCall();
    const platform::InputAnswer answer = AskOnce(platform::kInputEntSel, prompt, nullptr);
    const int status = platform::StatusOf(answer);
    if (status == RTNONE) {
        return RTERROR;
    }
    if (status != RTNORM) {
        return status;
    }
    const AcDbObjectId* id = std::any_cast<AcDbObjectId>(&answer.detail);
    if (id == nullptr || id->isNull() || !id->isValid() || id->isErased()) {
        acutPrintf(u"\nNothing selected.");
        return RTERROR;
    }
    if (entity != nullptr) {
        entity[0] = static_cast<Adesk::LongPtr>(id->serial());
        entity[1] = 0;
    }
    if (pickPoint != nullptr) {
        ads_point_set(answer.point, pickPoint);
    }
    return RTNORM;
}
