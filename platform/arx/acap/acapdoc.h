// Documents: each open drawing is a document holding its database, its system variables and its pick-first
// selection. The document manager keeps them in opening order, makes one current (its database is the
// working database), counts document locks and tells its reactors in the host's order:
//   new or open   documentCreateStarted(new), documentToBeDeactivated(old), documentBecameCurrent(new),
//                 documentCreated(new), documentToBeActivated(new), documentActivated(new)
//   switch        documentToBeDeactivated(old), documentToBeActivated(new), documentBecameCurrent(new),
//                 documentActivated(new)
//   close         the command "CLOSE" (commandWillStart, the save, commandEnded), beginClose to the editor
//                 reactors, documentToBeDestroyed(doc) with its database intact, the database destroyed,
//                 documentDestroyed(file name), then the switch to the next document when one remains
//   lock, unlock  documentLockModeWillChange, then documentLockModeChanged
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/arx/acdb/dbdatabase.h"

namespace AcAp {

enum DocLockMode {
    kNone = 0x00,
    kAutoWrite = 0x01,  // what a command holds while it runs
    kNotLocked = 0x02,
    kWrite = 0x04,
    kProtectedAutoWrite = 0x14,
    kRead = 0x20,
    kXWrite = 0x40
};

}  // namespace AcAp

class AcTransaction;

// The document's transaction manager: nested transactions on the document's database (see
// platform::BeginTransaction: an abort rolls the changes back) and the graphics flush (recorded).
class AcTransactionManager {
public:
    explicit AcTransactionManager(AcDbDatabase* db = nullptr);
    AcTransaction* startTransaction();
    // eNotApplicable when none is open.
    Acad::ErrorStatus endTransaction();
    // Rolls back what changed since the transaction started; fails (changing nothing, the transaction still
    // open) while an object it would restore is open.
    Acad::ErrorStatus abortTransaction();
    int numActiveTransactions() const;
    void queueForGraphicsFlush();
    void flushGraphics();

private:
    std::vector<std::unique_ptr<AcTransaction>> m_open;
    AcDbDatabase* m_db = nullptr;
};

class AcApDocument {
public:
    AcDbDatabase* database() const;
    // The drawing's full path in Windows form ("C:\maps\a.dxf"); empty for a drawing never saved.
    const ACHAR* fileName() const;
    // The window title: the file's name, or "DrawingN.dwg" for a new drawing.
    const ACHAR* docTitle() const;
    // The mode of the innermost lock (kNone when unlocked).
    AcAp::DocLockMode lockMode(bool includeMyLocks = false) const;
    AcAp::DocLockMode myLockMode() const;
    // No command runs in the document.
    bool isQuiescent() const;
    AcTransactionManager* transactionManager() const;

    // Stand-in internals.
    struct Impl;
    explicit AcApDocument(std::unique_ptr<Impl> impl);
    ~AcApDocument();
    AcApDocument(const AcApDocument&) = delete;
    AcApDocument& operator=(const AcApDocument&) = delete;
    Impl& tarnImpl() const { return *m_impl; }
    int tarnLockCount() const;

private:
    std::unique_ptr<Impl> m_impl;
};

class AcApDocManagerReactor {
public:
    virtual ~AcApDocManagerReactor() = default;
    virtual void documentCreateStarted(AcApDocument* doc);
    virtual void documentCreated(AcApDocument* doc);
    virtual void documentToBeDestroyed(AcApDocument* doc);
    virtual void documentDestroyed(const ACHAR* fileName);
    virtual void documentBecameCurrent(AcApDocument* doc);
    virtual void documentToBeActivated(AcApDocument* doc);
    virtual void documentToBeDeactivated(AcApDocument* doc);
    // doc may be null: the focus went to a window that is no drawing.
    virtual void documentActivated(AcApDocument* doc);
    virtual void documentLockModeWillChange(AcApDocument* doc, AcAp::DocLockMode myCurrentMode,
                                            AcAp::DocLockMode myNewMode, AcAp::DocLockMode currentMode,
                                            const ACHAR* globalCommandName);
    virtual void documentLockModeChanged(AcApDocument* doc, AcAp::DocLockMode myPreviousMode,
                                         AcAp::DocLockMode myCurrentMode, AcAp::DocLockMode currentMode,
                                         const ACHAR* globalCommandName);
};

// Walks the open documents in the manager's order (opening order). The caller deletes it.
class AcApDocumentIterator {
public:
    explicit AcApDocumentIterator(std::vector<AcApDocument*> docs) : m_docs(std::move(docs)) {}
    bool done() const { return m_index >= m_docs.size(); }
    void step() { ++m_index; }
    AcApDocument* document() const { return done() ? nullptr : m_docs[m_index]; }

private:
    std::vector<AcApDocument*> m_docs;
    size_t m_index = 0;
};

class AcApDocManager {
public:
    AcApDocument* curDocument() const;
    AcApDocument* mdiActiveDocument() const;
    int documentCount() const;
    AcApDocumentIterator* newAcApDocumentIterator() const;
    // The document holding the database; null for none.
    AcApDocument* document(const AcDbDatabase* db) const;

    // Locks are counted and re-entrant: every lock needs its unlock. eNullObjectPointer for a null or
    // closed document; unlockDocument gives eNotApplicable when the document holds no lock.
    Acad::ErrorStatus lockDocument(AcApDocument* doc, AcAp::DocLockMode mode = AcAp::kWrite,
                                   const ACHAR* globalCmdName = nullptr, const ACHAR* localCmdName = nullptr,
                                   bool prompt = true);
    Acad::ErrorStatus unlockDocument(AcApDocument* doc);

    // Makes the document current and active (firing the switch notifications); nothing when it already is.
    Acad::ErrorStatus activateDocument(AcApDocument* doc, bool passScript = false);
    Acad::ErrorStatus setCurDocument(AcApDocument* doc, AcAp::DocLockMode mode = AcAp::kNone,
                                     bool activate = false);

    // Queues the text for the document's command line (run by platform::ExecuteSentStrings, as the host does
    // once it is idle). eNullObjectPointer for a null document or text.
    Acad::ErrorStatus sendStringToExecute(AcApDocument* doc, const ACHAR* text, bool activate = true,
                                          bool wrapUpInactiveDoc = false, bool echoString = true);

    void addReactor(AcApDocManagerReactor* reactor);
    void removeReactor(AcApDocManagerReactor* reactor);
};

AcApDocManager* acDocManagerPtr();
#define acDocManager acDocManagerPtr()

namespace platform {

// Host hooks. A new document around a fresh default drawing (fileName in host or Windows form; empty for a
// drawing never saved), or around a given database (the document owns it from then on; null gives null).
// The new document becomes current and active.
AcApDocument* NewDocument(const std::u16string& fileName = std::u16string());
AcApDocument* OpenDocument(AcDbDatabase* db, const std::u16string& fileName);
// A save under another name (SAVEAS): the document's file name and title follow (host or Windows form).
void SetDocumentFileName(AcApDocument* doc, const std::u16string& fileName);
// Closes a document: runs "CLOSE" (the save callback, if any, inside it), then destroys it; the next document
// becomes current. False for a null or unknown document.
bool CloseDocument(AcApDocument* doc, const std::function<void(AcApDocument*)>& save = nullptr);
// Closes every document, newest first.
void CloseAllDocuments();
// Fires documentActivated(doc) alone (doc may be null: focus left the drawings).
void FireDocumentActivated(AcApDocument* doc);
// The document manager's reactors, in the order they were added.
std::vector<AcApDocManagerReactor*> DocManagerReactors();

// The lock check: while on (the default), any write to a document's database from outside a command of
// that document and without a write lock on it is a violation, recorded and passed to the handler.
void RequireLockForWrites(bool on);
const std::vector<std::string>& LockViolations();
void ClearLockViolations();
// Lock refusal: while the predicate answers true for a document and mode, lockDocument refuses with
// eLockViolation and takes nothing (null restores the default of granting every lock). RefusedLocks counts
// the refusals since the reset; LockDepth is the number of locks the document holds.
void SetLockRefusal(std::function<bool(AcApDocument*, AcAp::DocLockMode)> refuse);
int RefusedLocks();
int LockDepth(const AcApDocument* doc);
void SetLockViolationHandler(std::function<void(const std::string&)> handler);

// Commands running in the document (the command runner counts them).
void EnterCommand(AcApDocument* doc);
void LeaveCommand(AcApDocument* doc);

// sendStringToExecute's queue.
struct SentString {
    AcApDocument* doc;
    std::u16string text;
    bool activate;
    bool wrapUpInactiveDoc;
    bool echo;
};
const std::vector<SentString>& SentStrings();      // everything sent, run or not
std::vector<SentString> TakePendingSentStrings();  // the ones not run yet, emptying the queue

}  // namespace platform
