#include "platform/arx/aced/acedss.h"

#include <algorithm>
#include <set>
#include <cmath>
#include <map>

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbentity.h"
#include "platform/arx/acdb/dbsortents.h"
#include "platform/arx/acdb/dbtables.h"
#include "platform/arx/aced/acededitor.h"
#include "platform/arx/aced/acedinput.h"
#include "platform/arx/aced/acedssfilter.h"
#include "platform/arx/aced/sysvar.h"
#include "platform/win32/core/testhooks.h"
#include "platform/win32/core/unicode.h"

namespace platform {
namespace {

// The second word of a selection-set name; entity names have 0 there.
constexpr Adesk::LongPtr kSetTag = 0x5353;
// The pick box, in pixels, around a picked point.
constexpr double kPickBoxPixels = 3.0;

struct SelectionState {
    std::map<Adesk::LongPtr, std::vector<AcDbObjectId>> sets;
    Adesk::LongPtr nextSet = 1;
    std::vector<AcDbObjectId> ownPickFirst;
    std::vector<AcDbObjectId>* pickFirst = nullptr;
    bool pointPickTakesEveryHit = false;
};

SelectionState& State() {
    static SelectionState state;
    static const bool registered =
        (RegisterReset("aced.selection", [] { State() = SelectionState(); }), true);
    (void)registered;
    return state;
}

std::vector<AcDbObjectId>& PickFirstStore() {
    SelectionState& s = State();
    return s.pickFirst != nullptr ? *s.pickFirst : s.ownPickFirst;
}

std::vector<AcDbObjectId>* FindSet(const ads_name ss) {
    if (ss == nullptr || ss[1] != kSetTag) {
        return nullptr;
    }
    auto it = State().sets.find(ss[0]);
    return it != State().sets.end() ? &it->second : nullptr;
}

void NewSet(std::vector<AcDbObjectId> ids, ads_name ss) {
    SelectionState& s = State();
    const Adesk::LongPtr number = s.nextSet++;
    s.sets[number] = std::move(ids);
    ss[0] = number;
    ss[1] = kSetTag;
}

bool Live(AcDbObjectId id) {
    return !id.isNull() && id.isValid() && !id.isErased();
}

void NameOf(AcDbObjectId id, ads_name name) {
    name[0] = static_cast<Adesk::LongPtr>(id.serial());
    name[1] = 0;
}

AcDbObjectId IdOf(const ads_name name) {
    if (name == nullptr || name[1] != 0 || name[0] <= 0) {
        return AcDbObjectId();
    }
    return AcDbObjectId(static_cast<std::uint64_t>(name[0]));
}

// The entities of a block record of the working drawing, in append order (or in draw order, the first drawn
// first), erased ones included.
std::vector<AcDbObjectId> BlockEntities(const ACHAR* blockName, bool drawOrder = false) {
    std::vector<AcDbObjectId> ids;
    AcDbDatabase* db = acdbHostApplicationServices()->workingDatabase();
    AcDbBlockTable* table = nullptr;
    if (db == nullptr || db->getBlockTable(table, AcDb::kForRead) != Acad::eOk) {
        return ids;
    }
    AcDbBlockTableRecord* block = nullptr;
    const Acad::ErrorStatus es = table->getAt(blockName, block, AcDb::kForRead);
    table->close();
    if (es == Acad::eOk) {
        ids = drawOrder ? DrawOrderOf(block) : block->tarnEntityIds();
        block->close();
    }
    return ids;
}

std::vector<AcDbObjectId> LayoutEntities() {
    std::vector<AcDbObjectId> ids = BlockEntities(kModelSpace);
    const std::vector<AcDbObjectId> paper = BlockEntities(kPaperSpace);
    ids.insert(ids.end(), paper.begin(), paper.end());
    return ids;
}

struct Filter {
    std::vector<std::u16string> types;
    std::vector<std::u16string> layers;
};

bool ParseFilter(const resbuf* chain, Filter& filter) {
    for (const resbuf* rb = chain; rb != nullptr; rb = rb->rbnext) {
        if ((rb->restype == 0 || rb->restype == RTDXF0) && rb->resval.rstring != nullptr) {
            filter.types.push_back(rb->resval.rstring);
        } else if (rb->restype == 8 && rb->resval.rstring != nullptr) {
            filter.layers.push_back(rb->resval.rstring);
        } else {
            return false;
        }
    }
    return true;
}

std::u16string TypeName(const AcDbEntity* entity) {
    for (const AcRxClass* cls = entity->isA(); cls != nullptr; cls = cls->myParent()) {
        if (cls->dxfName() != nullptr && *cls->dxfName() != u'\0') {
            return cls->dxfName();
        }
    }
    return std::u16string();
}

bool Passes(const AcDbEntity* entity, const Filter& filter) {
    for (const std::u16string& pattern : filter.types) {
        if (!WildcardMatch(TypeName(entity), pattern, true)) {
            return false;
        }
    }
    for (const std::u16string& pattern : filter.layers) {
        if (!WildcardMatch(entity->layer().str(), pattern, true)) {
            return false;
        }
    }
    return true;
}

// The ids among the candidates that are live entities passing the filter and the test.
template <class Test>
std::vector<AcDbObjectId> Select(const std::vector<AcDbObjectId>& candidates, const Filter& filter,
                                 Test test) {
    std::vector<AcDbObjectId> ids;
    std::set<AcDbObjectId> seen;  // a big selection must not be searched once per id
    for (AcDbObjectId id : candidates) {
        if (!Live(id) || !seen.insert(id).second) {
            continue;
        }
        AcDbEntity* entity = nullptr;
        if (acdbOpenAcDbEntity(entity, id, AcDb::kForRead) != Acad::eOk) {
            continue;
        }
        if (Passes(entity, filter) && test(entity)) {
            ids.push_back(id);
        }
        entity->close();
    }
    return ids;
}

AcGePoint3d UcsPointToWorld(const void* pt) {
    const double* p = static_cast<const double*>(pt);
    return CurrentSysVars().UcsToWorld() * AcGePoint3d(p[X], p[Y], p[Z]);
}

// The pick box around a point, in drawing units.
double Aperture() {
    const ViewState& view = CurrentSysVars().View();
    if (std::isfinite(view.height) && view.height > 0.0 && view.screenHeight > 0.0) {
        return kPickBoxPixels * view.height / view.screenHeight;
    }
    return 1e-6;
}

bool UnderPoint(const AcDbEntity* entity, const AcGePoint3d& point, double aperture) {
    AcDbExtents extents;
    if (entity->getGeomExtents(extents) != Acad::eOk) {
        return false;
    }
    const AcGePoint3d lo = extents.minPoint();
    const AcGePoint3d hi = extents.maxPoint();
    if (point.x < lo.x - aperture || point.x > hi.x + aperture || point.y < lo.y - aperture ||
        point.y > hi.y + aperture) {
        return false;
    }
    const AcDbCurve* curve = AcDbCurve::cast(entity);
    AcGePoint3d closest;
    if (curve != nullptr && curve->getClosestPointTo(point, closest) == Acad::eOk) {
        const double dx = closest.x - point.x;
        const double dy = closest.y - point.y;
        return std::sqrt(dx * dx + dy * dy) <= aperture;
    }
    return true;
}

int Finish(std::vector<AcDbObjectId> ids, ads_name ss) {
    FilterAddedSelection(ids);
    if (ids.empty()) {
        return RTERROR;
    }
    NewSet(std::move(ids), ss);
    return RTNORM;
}

std::u16string Trimmed(const ACHAR* text) {
    std::u16string mode(text);
    while (!mode.empty() && mode.front() == u' ') {
        mode.erase(mode.begin());
    }
    while (!mode.empty() && mode.back() == u' ') {
        mode.pop_back();
    }
    return mode;
}

// One alternative of a pattern against the text, from positions i and j.
bool MatchOne(const std::u16string& t, size_t i, const std::u16string& p, size_t j, bool ic) {
    auto fold = [ic](char16_t c) { return ic ? ToUpperChar(c) : c; };
    while (j < p.size()) {
        const char16_t c = p[j];
        if (c == u'*') {
            for (size_t k = i; k <= t.size(); ++k) {
                if (MatchOne(t, k, p, j + 1, ic)) {
                    return true;
                }
            }
            return false;
        }
        if (i >= t.size()) {
            return false;
        }
        const char16_t ch = t[i];
        const bool letter = (ch >= u'A' && ch <= u'Z') || (ch >= u'a' && ch <= u'z');
        const bool digit = ch >= u'0' && ch <= u'9';
        if (c == u'?') {
            ++j;
        } else if (c == u'#') {
            if (!digit) {
                return false;
            }
            ++j;
        } else if (c == u'@') {
            if (!letter) {
                return false;
            }
            ++j;
        } else if (c == u'.') {
            if (letter || digit) {
                return false;
            }
            ++j;
        } else if (c == u'`') {
            if (j + 1 >= p.size() || fold(p[j + 1]) != fold(ch)) {
                return false;
            }
            j += 2;
        } else if (c == u'[') {
            size_t k = j + 1;
            bool negate = k < p.size() && p[k] == u'~';
            if (negate) {
                ++k;
            }
            bool found = false;
            bool first = true;
            while (k < p.size() && (p[k] != u']' || first)) {
                first = false;
                if (k + 2 < p.size() && p[k + 1] == u'-' && p[k + 2] != u']') {
                    if (fold(ch) >= fold(p[k]) && fold(ch) <= fold(p[k + 2])) {
                        found = true;
                    }
                    k += 3;
                } else {
                    if (fold(ch) == fold(p[k])) {
                        found = true;
                    }
                    ++k;
                }
            }
            if (k >= p.size() || found == negate) {
                return false;  // an unclosed set matches nothing
            }
            j = k + 1;
        } else {
            if (fold(c) != fold(ch)) {
                return false;
            }
            ++j;
        }
        ++i;
    }
    return i == t.size();
}

}  // namespace

bool WildcardMatch(const std::u16string& text, const std::u16string& pattern, bool ignoreCase) {
    // Alternatives are separated by commas outside sets and not escaped.
    size_t start = 0;
    bool inSet = false;
    for (size_t i = 0; i <= pattern.size(); ++i) {
        if (i < pattern.size()) {
            const char16_t c = pattern[i];
            if (c == u'`') {
                ++i;
                continue;
            }
            if (c == u'[') {
                inSet = true;
            } else if (c == u']') {
                inSet = false;
            }
            if (c != u',' || inSet) {
                continue;
            }
        }
        std::u16string alternative = pattern.substr(start, i - start);
        const bool negate = !alternative.empty() && alternative[0] == u'~';
        if (negate) {
            alternative.erase(0, 1);
        }
        if (MatchOne(text, 0, alternative, 0, ignoreCase) != negate) {
            return true;
        }
        start = i + 1;
    }
    return false;
}

void SetPickFirst(const std::vector<AcDbObjectId>& ids) {
    PickFirstStore() = ids;
    ForEachEditorReactor([](AcEditorReactor* r) { r->pickfirstModified(); });
}

std::vector<AcDbObjectId> PickFirst() {
    return PickFirstStore();
}

void SetPointPickTakesEveryHit(bool on) {
    State().pointPickTakesEveryHit = on;
}

void SetCurrentPickFirstStore(std::vector<AcDbObjectId>* store) {
    State().pickFirst = store;
}

size_t LiveSelectionSetCount() {
    return State().sets.size();
}

}  // namespace platform

int acedSSGet(const ACHAR* mode, const void* pt1, const void* pt2, const resbuf* filter, ads_name ss) {
    using namespace platform;
    if (ss == nullptr) {
        return RTERROR;
    }
    Filter parsed;
    if (!ParseFilter(filter, parsed)) {
        return RTERROR;
    }
    const std::u16string m = mode != nullptr ? Trimmed(mode) : std::u16string();
    auto any = [](const AcDbEntity*) { return true; };
    if (mode == nullptr && pt1 != nullptr) {
        const AcGePoint3d point = UcsPointToWorld(pt1);
        const double aperture = Aperture();
        std::vector<AcDbObjectId> hits =
            Select(BlockEntities(kModelSpace, true), parsed,
                   [&](const AcDbEntity* e) { return UnderPoint(e, point, aperture); });
        if (hits.empty()) {
            return RTERROR;
        }
        if (State().pointPickTakesEveryHit) {
            return Finish(std::move(hits), ss);
        }
        return Finish({hits.back()}, ss);  // the top-most: drawn last
    }
    if (mode == nullptr) {
        const InputAnswer answer = AskInput(kInputSSGet, u"\nSelect objects: ");
        if (answer.status == kInputCancelled) {
            return RTCAN;
        }
        const auto* picked = std::any_cast<std::vector<AcDbObjectId>>(&answer.detail);
        if (answer.status != kInputNormal || picked == nullptr) {
            return RTERROR;
        }
        return Finish(Select(*picked, parsed, any), ss);
    }
    if (EqualsNoCase(m, u"I")) {
        return Finish(Select(PickFirstStore(), parsed, any), ss);
    }
    if (EqualsNoCase(m, u"X")) {
        return Finish(Select(LayoutEntities(), parsed, any), ss);
    }
    if (EqualsNoCase(m, u"L")) {
        ads_name last;
        if (acdbEntLast(last) != RTNORM) {
            return RTERROR;
        }
        return Finish(Select({IdOf(last)}, parsed, any), ss);
    }
    if (EqualsNoCase(m, u"W") || EqualsNoCase(m, u"C")) {
        if (pt1 == nullptr || pt2 == nullptr) {
            return RTERROR;
        }
        const AcGePoint3d a = UcsPointToWorld(pt1);
        const AcGePoint3d b = UcsPointToWorld(pt2);
        const double x0 = std::min(a.x, b.x), x1 = std::max(a.x, b.x);
        const double y0 = std::min(a.y, b.y), y1 = std::max(a.y, b.y);
        const bool window = EqualsNoCase(m, u"W");
        return Finish(Select(BlockEntities(kModelSpace), parsed,
                             [&](const AcDbEntity* e) {
                                 AcDbExtents ext;
                                 if (e->getGeomExtents(ext) != Acad::eOk) {
                                     return false;
                                 }
                                 const AcGePoint3d lo = ext.minPoint(), hi = ext.maxPoint();
                                 if (window) {
                                     return lo.x >= x0 && lo.y >= y0 && hi.x <= x1 && hi.y <= y1;
                                 }
                                 return lo.x <= x1 && hi.x >= x0 && lo.y <= y1 && hi.y >= y0;
                             }),
                      ss);
    }
    return RTERROR;
}

int acedSSLength(const ads_name ss, Adesk::Int32* length) {
    const auto* set = platform::FindSet(ss);
    if (set == nullptr || length == nullptr) {
        return RTERROR;
    }
    *length = static_cast<Adesk::Int32>(set->size());
    return RTNORM;
}

int acedSSName(const ads_name ss, Adesk::Int32 index, ads_name entity) {
    const auto* set = platform::FindSet(ss);
    if (set == nullptr || entity == nullptr || index < 0 || static_cast<size_t>(index) >= set->size()) {
        return RTERROR;
    }
    platform::NameOf((*set)[static_cast<size_t>(index)], entity);
    return RTNORM;
}

int acedSSFree(const ads_name ss) {
    if (platform::FindSet(ss) == nullptr) {
        return RTERROR;
    }
    platform::State().sets.erase(ss[0]);
    return RTNORM;
}

int acedSSAdd(const ads_name entity, const ads_name ss, ads_name result) {
    using namespace platform;
    if (result == nullptr) {
        return RTERROR;
    }
    const AcDbObjectId id = entity != nullptr ? IdOf(entity) : AcDbObjectId();
    if (entity != nullptr && !Live(id)) {
        return RTERROR;
    }
    if (ss == nullptr) {
        NewSet(entity != nullptr ? std::vector<AcDbObjectId>{id} : std::vector<AcDbObjectId>(), result);
        return RTNORM;
    }
    auto* set = FindSet(ss);
    if (set == nullptr || entity == nullptr) {
        return RTERROR;
    }
    if (std::find(set->begin(), set->end(), id) == set->end()) {
        set->push_back(id);
    }
    ads_name_set(ss, result);
    return RTNORM;
}

int acedSSDel(const ads_name entity, const ads_name ss) {
    auto* set = platform::FindSet(ss);
    const AcDbObjectId id = platform::IdOf(entity);
    auto it =
        set != nullptr ? std::find(set->begin(), set->end(), id) : std::vector<AcDbObjectId>::iterator();
    if (set == nullptr || it == set->end()) {
        return RTERROR;
    }
    set->erase(it);
    return RTNORM;
}

int acedSSMemb(const ads_name entity, const ads_name ss) {
    const auto* set = platform::FindSet(ss);
    const AcDbObjectId id = platform::IdOf(entity);
    return set != nullptr && std::find(set->begin(), set->end(), id) != set->end() ? RTNORM : RTERROR;
}

int acedSSSetFirst(const ads_name /*gripSet*/, const ads_name pickSet) {
    std::vector<AcDbObjectId> ids;
    if (pickSet != nullptr) {
        const auto* set = platform::FindSet(pickSet);
        if (set == nullptr) {
            return RTERROR;
        }
        ids = *set;
    }
    platform::SetPickFirst(ids);
    return RTNORM;
}

int acedSSGetFirst(resbuf** gripSet, resbuf** pickSet) {
    auto make = [](const std::vector<AcDbObjectId>& ids) {
        resbuf* rb = acutNewRb(RTPICKS);
        platform::NewSet(ids, rb->resval.rlname);
        return rb;
    };
    if (gripSet != nullptr) {
        *gripSet = make({});
    }
    if (pickSet != nullptr) {
        *pickSet = make(platform::PickFirstStore());
    }
    return RTNORM;
}

int acdbEntLast(ads_name result) {
    if (result == nullptr) {
        return RTERROR;
    }
    const std::vector<AcDbObjectId> ids = platform::BlockEntities(platform::kModelSpace);
    for (auto it = ids.rbegin(); it != ids.rend(); ++it) {
        if (platform::Live(*it)) {
            platform::NameOf(*it, result);
            return RTNORM;
        }
    }
    return RTERROR;
}
