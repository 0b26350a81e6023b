#include "platform/arx/aced/acedssfilter.h"

#include <algorithm>
#include <map>

#include "platform/arx/acdb/dbdatabase.h"

void AcEdSSGetFilter::ssgetAddFilter(int, AcEdSelectionSetService&, const AcDbObjectIdArray&,
                                     const AcDbObjectIdArray&) {}

void AcEdSSGetFilter2::ssgetRolloverFilter(const AcDbFullSubentPath&, AcDbFullSubentPath&) {}

namespace platform {
namespace {

std::map<AcDbDatabase*, std::vector<AcEdSSGetFilter*>>& Filters() {
    static std::map<AcDbDatabase*, std::vector<AcEdSSGetFilter*>> filters;
    return filters;
}

// The service over the set being built: a removal takes the item out of the filter's copy and of the
// result, so later indices stay those the filter sees.
class AddedSetService : public AcEdSelectionSetService {
public:
    AddedSetService(std::vector<AcDbObjectId>& added, AcDbObjectIdArray& view)
        : m_added(added), m_view(view) {}
    Acad::ErrorStatus remove(int index) override {
        if (index < 0 || index >= static_cast<int>(m_added.size())) {
            return Acad::eInvalidIndex;
        }
        m_added.erase(m_added.begin() + index);
        m_view.removeAt(index);
        return Acad::eOk;
    }

private:
    std::vector<AcDbObjectId>& m_added;
    AcDbObjectIdArray& m_view;
};

AcDbObjectIdArray ToArray(const std::vector<AcDbObjectId>& ids) {
    AcDbObjectIdArray array;
    for (const AcDbObjectId& id : ids) {
        array.append(id);
    }
    return array;
}

// A copy: a filter may attach or detach filters while it runs.
std::vector<AcEdSSGetFilter*> WorkingFilters() {
    AcDbDatabase* db = acdbHostApplicationServices()->workingDatabase();
    auto it = Filters().find(db);
    return it != Filters().end() ? it->second : std::vector<AcEdSSGetFilter*>();
}

}  // namespace

void AddSelectionFilter(AcDbDatabase* db, AcEdSSGetFilter* filter) {
    std::vector<AcEdSSGetFilter*>& list = Filters()[db];
    if (std::find(list.begin(), list.end(), filter) == list.end()) {
        list.push_back(filter);
    }
}

bool RemoveSelectionFilter(AcDbDatabase* db, AcEdSSGetFilter* filter) {
    auto it = Filters().find(db);
    if (it == Filters().end()) {
        return false;
    }
    auto found = std::find(it->second.begin(), it->second.end(), filter);
    if (found == it->second.end()) {
        return false;
    }
    it->second.erase(found);
    if (it->second.empty()) {
        Filters().erase(it);
    }
    return true;
}

void DropSelectionFilters(AcDbDatabase* db) {
    Filters().erase(db);
}

size_t SelectionFilterCount(AcDbDatabase* db) {
    auto it = Filters().find(db);
    return it != Filters().end() ? it->second.size() : 0;
}

void FilterAddedSelection(std::vector<AcDbObjectId>& added, const std::vector<AcDbObjectId>& before) {
    const AcDbObjectIdArray held = ToArray(before);
    for (AcEdSSGetFilter* filter : WorkingFilters()) {
        if (added.empty()) {
            return;
        }
        AcDbObjectIdArray view = ToArray(added);
        AddedSetService service(added, view);
        filter->ssgetAddFilter(0, service, held, view);
    }
}

AcDbFullSubentPath RolloverHighlight(const AcDbFullSubentPath& path) {
    AcDbFullSubentPath highlight = path;
    for (AcEdSSGetFilter* filter : WorkingFilters()) {
        if (auto* rollover = dynamic_cast<AcEdSSGetFilter2*>(filter)) {
            rollover->ssgetRolloverFilter(path, highlight);
        }
    }
    return highlight;
}

}  // namespace platform
