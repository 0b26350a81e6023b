// Selection sets, entity names and the pick-first selection.
//
// An entity name (ads_name) carries its object id; a selection-set name carries the number of a set the
// editor keeps until acedSSFree. Sets hold ids in selection order without duplicates.
#pragma once

#include <string>
#include <vector>

#include "platform/arx/acdb/dbads.h"  // acdbGetObjectId, acdbGetAdsName: entity names
#include "platform/arx/acdb/dbid.h"
#include "platform/arx/acdb/dbstatus.h"
#include "platform/arx/acut/acut_all.h"

// Modes:
//   "I"      the pick-first selection (RTERROR, ss untouched, when it is empty)
//   "X"      every live entity of the drawing's layouts that passes the filter (RTERROR when none)
//   "W" "C"  entities inside (window) or crossing the rectangle pt1-pt2 (UCS), with the filter
//   "L"      the last live entity appended to model space
//   null     the user selects (the UI driver's "SSGet" answer), or with pt1 the entity under that point
//            (the top-most; see platform::SetPointPickTakesEveryHit); RTCAN when the user cancels, RTERROR
//            when nothing was selected
// Filter: a chain of (group, value) pairs, all of which must hold: group 0 the entity type ("LINE", "INSERT",
// ... several separated by commas, wildcards), group 8 the layer name pattern (wildcards, case ignored).
// A filter with any other group is refused (RTERROR). Blanks around the mode are ignored.
int acedSSGet(const ACHAR* mode, const void* pt1, const void* pt2, const struct resbuf* filter, ads_name ss);
int acedSSLength(const ads_name ss, Adesk::Int32* length);
// RTNORM with the entity name of member i; RTERROR for a bad set or index (name untouched).
int acedSSName(const ads_name ss, Adesk::Int32 index, ads_name entity);
int acedSSFree(const ads_name ss);
// With a null entity and null set: a new empty set. With an entity and null set: a new set holding it.
// With both: adds the entity to the set (result names the same set).
int acedSSAdd(const ads_name entity, const ads_name ss, ads_name result);
int acedSSDel(const ads_name entity, const ads_name ss);
// RTNORM when the entity is a member.
int acedSSMemb(const ads_name entity, const ads_name ss);
// Replaces the pick-first selection by the set's members (gripped set ignored); null clears it. RTNORM.
int acedSSSetFirst(const ads_name gripSet, const ads_name pickSet);
// The gripped and pick-first selections as new sets in RTPICKS result buffers (the caller frees the sets
// and the buffers); null pointers skip a result.
int acedSSGetFirst(struct resbuf** gripSet, struct resbuf** pickSet);
// The last live entity appended to the working drawing's model space.
int acdbEntLast(ads_name result);

namespace platform {

// The host side of the pick-first selection (the objects selected before a command), per document: the
// document manager switches the current one. Set replaces it; the editor reactors hear pickfirstModified.
void SetPickFirst(const std::vector<AcDbObjectId>& ids);
std::vector<AcDbObjectId> PickFirst();
// The document layer gives each document its own pick-first storage; null returns to the process's own.
void SetCurrentPickFirstStore(std::vector<AcDbObjectId>* store);

// A point pick gives every entity under the point (in drawing order) instead of the top-most one, as the
// host's pick does among overlapping objects; callers that want exactly one entity must cope with more.
void SetPointPickTakesEveryHit(bool on);

// Selection sets not freed yet (leak checks).
size_t LiveSelectionSetCount();

// Wildcard match as the host's filters do it: '*' any run, '?' any character, '#' a digit, '@' a letter,
// '.' a character that is neither letter nor digit, '[...]' a set ('~' first negates, '-' ranges), '~'
// first negates the pattern, '`' takes the next character literally, ',' separates alternatives.
bool WildcardMatch(const std::u16string& text, const std::u16string& pattern, bool ignoreCase);

}  // namespace platform
