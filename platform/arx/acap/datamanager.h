// An application's per-document data: one record of T for each open document, made the first time the
// document's record is asked for and dropped when the document closes. The document manager drops it after
// its reactors have heard documentToBeDestroyed, so that they can still read the record then.
#pragma once

#include <cstddef>
#include <map>

#include "platform/arx/acap/acapdoc.h"

namespace platform {

// Stand-in plumbing of the data managers. A data manager is a process-wide object of an application, built
// before any session of the host and living through every platform reset, so it is kept apart from the
// document manager's reactors (which a reset forgets): the document manager tells every data manager alive
// when a document closes, and a reset, whose documents go without a word, empties them all.
class DocDataKeeper {
public:
    DocDataKeeper();
    virtual ~DocDataKeeper();
    DocDataKeeper(const DocDataKeeper&) = delete;
    DocDataKeeper& operator=(const DocDataKeeper&) = delete;

    virtual void DropDocData(AcApDocument* doc) = 0;
    virtual void DropAllDocData() = 0;
};

}  // namespace platform

template <class T>
class AcApDataManager : public AcApDocManagerReactor, private platform::DocDataKeeper {
public:
    AcApDataManager() = default;

    // The document's record, made on its first use.
    T& docData(AcApDocument* doc) { return m_records[doc]; }
    // The current document's record.
    T& docData() { return docData(acDocManager->curDocument()); }

    void documentToBeDestroyed(AcApDocument* doc) override { m_records.erase(doc); }

    // Stand-in internals: the records held.
    size_t tarnRecordCount() const { return m_records.size(); }

private:
    void DropDocData(AcApDocument* doc) override { documentToBeDestroyed(doc); }
    void DropAllDocData() override { m_records.clear(); }

    std::map<AcApDocument*, T> m_records;
};
