// Interactive input. Each call first takes a token typed ahead (a string sent to the command line), else
// asks the UI driver (platform::RequestInput) with the kind named below; the host's message pump runs while
// it waits. acedInitGet's flags and keywords apply to the next input call only.
//
// How the UI driver answers each kind (platform::InputAnswer):
//   "GetPoint"  point (UCS) with status normal, or a text: "x,y[,z]" or a keyword
//   "GetKword"  text; "GetString" text; "GetReal" real or text; "GetInt" integer or text
//   "EntSel"    status normal with detail = the picked AcDbObjectId and point = the pick point (UCS); normal
//               without an id is a missed pick
//   "SSGet"     status normal with detail = std::vector<AcDbObjectId> (the user's selection)
// status None is Enter on empty input, Cancelled is Esc.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/arx/acdb/dbid.h"
#include "platform/arx/acut/acut_all.h"
#include "platform/mfc/uidriver.h"

// acedInitGet flags
#define RSG_NONULL 0x0001  // refuse empty input
#define RSG_NOZERO 0x0002  // refuse zero
#define RSG_NONEG 0x0004   // refuse negative values
#define RSG_NOLIM 0x0008
#define RSG_GETZ 0x0010
#define RSG_DASH 0x0020
#define RSG_2D 0x0040
#define RSG_OTHER 0x0080  // arbitrary text is returned as RTKWORD

// flags and a blank-separated keyword list ("Yes No", "LType eXit"); the capitals of a keyword are the
// abbreviation the user may type, case does not matter. A list "local _ global" maps each local keyword to
// the global one at the same position. RTNORM.
int acedInitGet(int flags, const ACHAR* keywordList);
// RTNORM with the point (UCS), RTKWORD for a keyword (read it with acedGetInput), RTNONE for Enter, RTCAN.
int acedGetPoint(const ads_point basePoint, const ACHAR* prompt, ads_point result);
// RTNORM with the keyword in its spelling of the list, RTNONE for Enter (when allowed), RTCAN, RTERROR
// when no keyword list is in force. Input that matches no keyword is refused and asked again.
int acedGetKword(const ACHAR* prompt, ACHAR* result, size_t bufferSize);
// RTNORM (value set), RTNONE (value untouched), RTKWORD, RTCAN.
int acedGetReal(const ACHAR* prompt, ads_real* result);
int acedGetInt(const ACHAR* prompt, int* result);
// cronly 0: the text ends at the first blank. RTNORM, RTCAN; RTERROR when the buffer is too small.
int acedGetString(int cronly, const ACHAR* prompt, ACHAR* result, size_t bufferSize);
// The keyword (or arbitrary text) of the last input call that returned RTKWORD. RTNORM or RTERROR.
int acedGetInput(ACHAR* result, size_t bufferSize);
// RTNORM with the entity's name and the pick point (UCS); RTERROR for a missed pick (the host prints
// "\nNothing selected.") or Enter; RTCAN.
int acedEntSel(const ACHAR* prompt, ads_name entity, ads_point pickPoint);

namespace platform {

inline constexpr const char* kInputGetPoint = "GetPoint";
inline constexpr const char* kInputGetKword = "GetKword";
inline constexpr const char* kInputGetReal = "GetReal";
inline constexpr const char* kInputGetInt = "GetInt";
inline constexpr const char* kInputGetString = "GetString";
inline constexpr const char* kInputEntSel = "EntSel";
inline constexpr const char* kInputSSGet = "SSGet";

// Answers for the kinds above.
InputAnswer EntSelAnswer(AcDbObjectId id, double x, double y, double z = 0.0);
InputAnswer SelectionAnswer(const std::vector<AcDbObjectId>& ids);
InputAnswer IntAnswer(int value);

// Tokens typed ahead on the command line (sendStringToExecute, scripts): the next input calls take them in
// order before asking the UI driver. An empty token is Enter.
void TypeAhead(const std::u16string& token);
// Queues typed text as the command line splits it: a blank or newline ends a token, two blanks make an empty
// token (Enter); carriage returns are dropped.
void TypeAheadLine(const std::u16string& text);
bool HasTypeAhead();
bool TakeTypeAhead(std::u16string& token);
void ClearTypeAhead();

// The prompts shown by input calls, in order.
const std::vector<std::u16string>& PromptTranscript();

// Every input call ends here: typed-ahead token or UI driver, with the acedInitGet state of the call
// (which this consumes). Used by acedSSGet's interactive modes too.
InputAnswer AskInput(const char* kind, const ACHAR* prompt, const double* basePoint = nullptr);
// How many input calls the user cancelled (the command runner reports a command cancelled by Esc).
int CancelledInputCount();
// Flags and keywords of the acedInitGet in force for the current call.
int CurrentInitFlags();
// How many answers input calls refused (a value that is no point, number or keyword the call takes).
int RefusedInputCount();
// A script driving the host stops at the first refused answer: the call then ends as cancelled instead of
// asking again, so the lines after it are not taken as further tries.
void SetRefusalEndsInput(bool ends);

}  // namespace platform
