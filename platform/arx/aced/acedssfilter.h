// Selection filters: applications attach them per document; the editor runs them on every selection it
// makes (what is added to a set may be taken out again) and on the rollover highlight (the path to highlight
// may be rewritten).
#pragma once

#include <vector>

#include "platform/arx/acdb/dbid.h"
#include "platform/arx/acdb/dbstatus.h"

class AcApDocument;
class AcDbDatabase;

// A subentity of an entity: its kind and index (a null id: the whole entity).
class AcDbSubentId {
public:
    AcDbSubentId() = default;
    AcDbSubentId(int type, Adesk::IntPtr index) : m_type(type), m_index(index) {}
    int type() const { return m_type; }
    Adesk::IntPtr index() const { return m_index; }
    bool operator==(const AcDbSubentId& other) const {
        return m_type == other.m_type && m_index == other.m_index;
    }

private:
    int m_type = 0;
    Adesk::IntPtr m_index = 0;
};

// The path to an entity (or subentity): the ids from the outermost container to the entity.
class AcDbFullSubentPath {
public:
    AcDbFullSubentPath() = default;
    AcDbFullSubentPath(const AcDbObjectIdArray& ids, AcDbSubentId subent) : m_ids(ids), m_subent(subent) {}
    AcDbObjectIdArray& objectIds() { return m_ids; }
    const AcDbObjectIdArray& objectIds() const { return m_ids; }
    AcDbSubentId& subentId() { return m_subent; }
    const AcDbSubentId& subentId() const { return m_subent; }

private:
    AcDbObjectIdArray m_ids;
    AcDbSubentId m_subent;
};

// What a filter may do to the set being built.
class AcEdSelectionSetService {
public:
    virtual ~AcEdSelectionSetService() = default;
    // Takes item index of the added set out; the later items move down by one.
    virtual Acad::ErrorStatus remove(int index) = 0;
};

class AcEdSSGetFilter {
public:
    virtual ~AcEdSSGetFilter() = default;
    // selectionSet: what the set held before; subSelectionSet: what this selection adds.
    virtual void ssgetAddFilter(int ssgetFlags, AcEdSelectionSetService& service,
                                const AcDbObjectIdArray& selectionSet,
                                const AcDbObjectIdArray& subSelectionSet);
};

class AcEdSSGetFilter2 : public AcEdSSGetFilter {
public:
    // highlightPath comes in as the path the cursor rolls over; what it holds on return is highlighted.
    virtual void ssgetRolloverFilter(const AcDbFullSubentPath& subEntityPath,
                                     AcDbFullSubentPath& highlightPath);
};

// Attaches a filter to the document (once); eInvalidInput for a null document or filter.
Acad::ErrorStatus addSSgetFilterInputContextReactor(AcApDocument* doc, AcEdSSGetFilter* filter);
// eKeyNotFound when the filter is not attached to the document.
Acad::ErrorStatus removeSSgetFilterInputContextReactor(AcApDocument* doc, AcEdSSGetFilter* filter);

namespace platform {

// Filters by the database of the document they were attached to.
void AddSelectionFilter(AcDbDatabase* db, AcEdSSGetFilter* filter);
bool RemoveSelectionFilter(AcDbDatabase* db, AcEdSSGetFilter* filter);
// A closing drawing's filters are forgotten with it.
void DropSelectionFilters(AcDbDatabase* db);
size_t SelectionFilterCount(AcDbDatabase* db);

// Runs the working drawing's add filters over what a selection adds to a set that held before.
void FilterAddedSelection(std::vector<AcDbObjectId>& added, const std::vector<AcDbObjectId>& before = {});
// The path the host highlights when the cursor rolls over path, after the working drawing's rollover
// filters.
AcDbFullSubentPath RolloverHighlight(const AcDbFullSubentPath& path);

}  // namespace platform
