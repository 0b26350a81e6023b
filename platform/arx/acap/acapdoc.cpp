#include "platform/arx/acap/acapdoc.h"
#include "platform/arx/acap/datamanager.h"
#include "platform/arx/aced/acedssfilter.h"

#include <algorithm>

#include "platform/arx/aced/acedcmdline.h"
#include "platform/arx/aced/acededitor.h"
#include "platform/arx/aced/acedss.h"
#include "platform/arx/aced/sysvar.h"
#include "platform/arx/acap/commands.h"
#include "platform/mfc/wideformat.h"
#include "platform/win32/core/paths.h"
#include "platform/win32/core/testhooks.h"
#include "platform/win32/core/unicode.h"

class AcTransaction {};

struct AcApDocument::Impl {
    std::unique_ptr<AcDbDatabase> db;
    std::u16string fileName;
    std::u16string title;
    platform::SysVarStore sysVars;
    std::vector<AcDbObjectId> pickFirst;
    std::vector<AcAp::DocLockMode> locks;
    std::vector<bool> lockGroups;  // per lock: it opened an undo group (a write lock outside a command)
    int commandDepth = 0;
    std::unique_ptr<AcTransactionManager> transactions = std::make_unique<AcTransactionManager>();
};

namespace platform {
namespace {

struct DocState {
    std::vector<std::unique_ptr<AcApDocument>> docs;  // opening order
    AcApDocument* current = nullptr;
    AcApDocument* active = nullptr;
    std::vector<AcApDocManagerReactor*> reactors;
    int untitled = 0;
    bool requireLock = true;
    std::vector<std::string> violations;
    std::function<void(const std::string&)> violationHandler;
    std::function<bool(AcApDocument*, AcAp::DocLockMode)> lockRefusal;
    int refusedLocks = 0;
    std::vector<SentString> sent;
    size_t sentRun = 0;
};

void ResetDocs();

// The data managers alive, in the order they were made; never reset (see DocDataKeeper).
std::vector<DocDataKeeper*>& Keepers() {
    static auto* keepers = new std::vector<DocDataKeeper*>();
    return *keepers;
}

DocState& State() {
    static DocState* state = [] {
        // The database area resets after this one, so documents are gone before their databases' registry.
        (void)acdbHostApplicationServices()->workingDatabase();
        RegisterReset("acap.documents", ResetDocs);
        return new DocState();
    }();
    return *state;
}

void ResetDocs() {
    DocState& s = State();
    SetCurrentSysVarStore(nullptr);
    SetCurrentPickFirstStore(nullptr);
    acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    SetDatabaseWriteObserver(nullptr);
    std::vector<std::unique_ptr<AcApDocument>> docs = std::move(s.docs);
    s = DocState();
    docs.clear();
    for (DocDataKeeper* keeper : Keepers()) {
        keeper->DropAllDocData();
    }
}

void Notify(const std::function<void(AcApDocManagerReactor*)>& notify) {
    const std::vector<AcApDocManagerReactor*> snapshot = State().reactors;
    for (AcApDocManagerReactor* reactor : snapshot) {
        const auto& live = State().reactors;
        if (std::find(live.begin(), live.end(), reactor) != live.end()) {
            notify(reactor);
        }
    }
}

bool Known(const AcApDocument* doc) {
    for (const auto& d : State().docs) {
        if (d.get() == doc) {
            return true;
        }
    }
    return false;
}

bool WriteMode(AcAp::DocLockMode mode) {
    return mode == AcAp::kWrite || mode == AcAp::kAutoWrite || mode == AcAp::kProtectedAutoWrite ||
           mode == AcAp::kXWrite;
}

void CheckWrite(AcDbDatabase* db) {
    DocState& s = State();
    if (!s.requireLock) {
        return;
    }
    AcApDocument* doc = acDocManager->document(db);
    if (doc == nullptr) {
        return;  // a side database belongs to no document
    }
    const AcApDocument::Impl& impl = doc->tarnImpl();
    if (impl.commandDepth > 0 || (!impl.locks.empty() && WriteMode(impl.locks.back()))) {
        return;
    }
    const std::string what = "write to the database of document \"" + Utf16ToUtf8(impl.title) +
                             "\" outside a command without a write lock";
    s.violations.push_back(what);
    if (s.violationHandler) {
        s.violationHandler(what);
    }
}

// Makes the document the current one: its database is the working database, its variables and pick-first
// selection the editor's.
void MakeCurrent(AcApDocument* doc) {
    State().current = doc;
    acdbHostApplicationServices()->setWorkingDatabase(doc != nullptr ? doc->database() : nullptr);
    SetCurrentSysVarStore(doc != nullptr ? &doc->tarnImpl().sysVars : nullptr);
    SetCurrentPickFirstStore(doc != nullptr ? &doc->tarnImpl().pickFirst : nullptr);
}

void SwitchTo(AcApDocument* doc) {
    DocState& s = State();
    AcApDocument* old = s.active;
    if (old != nullptr) {
        Notify([&](AcApDocManagerReactor* r) { r->documentToBeDeactivated(old); });
    }
    Notify([&](AcApDocManagerReactor* r) { r->documentToBeActivated(doc); });
    MakeCurrent(doc);
    s.active = doc;
    Notify([&](AcApDocManagerReactor* r) { r->documentBecameCurrent(doc); });
    Notify([&](AcApDocManagerReactor* r) { r->documentActivated(doc); });
}

std::u16string WindowsForm(const std::u16string& fileName) {
    if (fileName.empty() || fileName[0] != u'/') {
        return fileName;
    }
    return ToWindowsPath(Utf16ToUtf8(fileName));
}

std::u16string TitleOf(const std::u16string& windowsPath) {
    const size_t slash = windowsPath.find_last_of(u"\\/");
    return slash == std::u16string::npos ? windowsPath : windowsPath.substr(slash + 1);
}

AcApDocument* AddDocument(std::unique_ptr<AcDbDatabase> db, const std::u16string& fileName) {
    DocState& s = State();
    SetDatabaseWriteObserver(CheckWrite);
    auto impl = std::make_unique<AcApDocument::Impl>();
    impl->db = std::move(db);
    impl->transactions = std::make_unique<AcTransactionManager>(impl->db.get());
    impl->fileName = WindowsForm(fileName);
    if (impl->fileName.empty()) {
        impl->title = FormatWide(u"Drawing%d.dwg", ++s.untitled);
    } else {
        impl->title = TitleOf(impl->fileName);
        impl->db->tarnSetFilename(impl->fileName.c_str());
    }
    s.docs.push_back(std::make_unique<AcApDocument>(std::move(impl)));
    AcApDocument* doc = s.docs.back().get();
    AcApDocument* old = s.active;
    Notify([&](AcApDocManagerReactor* r) { r->documentCreateStarted(doc); });
    if (old != nullptr) {
        Notify([&](AcApDocManagerReactor* r) { r->documentToBeDeactivated(old); });
    }
    MakeCurrent(doc);
    s.active = doc;
    Notify([&](AcApDocManagerReactor* r) { r->documentBecameCurrent(doc); });
    Notify([&](AcApDocManagerReactor* r) { r->documentCreated(doc); });
    Notify([&](AcApDocManagerReactor* r) { r->documentToBeActivated(doc); });
    Notify([&](AcApDocManagerReactor* r) { r->documentActivated(doc); });
    return doc;
}

void FireLockChange(AcApDocument* doc, AcAp::DocLockMode before, AcAp::DocLockMode after, const ACHAR* cmd,
                    bool done) {
    const ACHAR* name = cmd != nullptr ? cmd : u"";
    Notify([&](AcApDocManagerReactor* r) {
        if (done) {
            r->documentLockModeChanged(doc, before, after, after, name);
        } else {
            r->documentLockModeWillChange(doc, before, after, before, name);
        }
    });
}

}  // namespace
}  // namespace platform

AcTransactionManager::AcTransactionManager(AcDbDatabase* db) : m_db(db) {}

AcTransaction* AcTransactionManager::startTransaction() {
    if (m_db != nullptr) {
        platform::BeginTransaction(m_db);
    }
    m_open.push_back(std::make_unique<AcTransaction>());
    return m_open.back().get();
}

Acad::ErrorStatus AcTransactionManager::endTransaction() {
    if (m_open.empty()) {
        return Acad::eNotApplicable;
    }
    if (m_db != nullptr) {
        const Acad::ErrorStatus es = platform::EndTransaction(m_db);
        if (es != Acad::eOk) {
            return es;
        }
    }
    m_open.pop_back();
    return Acad::eOk;
}

Acad::ErrorStatus AcTransactionManager::abortTransaction() {
    if (m_open.empty()) {
        return Acad::eNotApplicable;
    }
    if (m_db != nullptr) {
        const Acad::ErrorStatus es = platform::AbortTransaction(m_db);
        if (es != Acad::eOk) {
            return es;
        }
    }
    m_open.pop_back();
    return Acad::eOk;
}

int AcTransactionManager::numActiveTransactions() const {
    return static_cast<int>(m_open.size());
}

void AcTransactionManager::queueForGraphicsFlush() {
    ++platform::Display().queueForGraphicsFlush;
}

void AcTransactionManager::flushGraphics() {
    ++platform::Display().flushGraphics;
}

AcApDocument::AcApDocument(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
AcApDocument::~AcApDocument() = default;

AcDbDatabase* AcApDocument::database() const {
    return m_impl->db.get();
}
const ACHAR* AcApDocument::fileName() const {
    return m_impl->fileName.c_str();
}
const ACHAR* AcApDocument::docTitle() const {
    return m_impl->title.c_str();
}
AcAp::DocLockMode AcApDocument::lockMode(bool /*includeMyLocks*/) const {
    return m_impl->locks.empty() ? AcAp::kNone : m_impl->locks.back();
}
AcAp::DocLockMode AcApDocument::myLockMode() const {
    return lockMode();
}
bool AcApDocument::isQuiescent() const {
    return m_impl->commandDepth == 0;
}
AcTransactionManager* AcApDocument::transactionManager() const {
    return m_impl->transactions.get();
}
int AcApDocument::tarnLockCount() const {
    return static_cast<int>(m_impl->locks.size());
}

void AcApDocManagerReactor::documentCreateStarted(AcApDocument*) {}
void AcApDocManagerReactor::documentCreated(AcApDocument*) {}
void AcApDocManagerReactor::documentToBeDestroyed(AcApDocument*) {}
void AcApDocManagerReactor::documentDestroyed(const ACHAR*) {}
void AcApDocManagerReactor::documentBecameCurrent(AcApDocument*) {}
void AcApDocManagerReactor::documentToBeActivated(AcApDocument*) {}
void AcApDocManagerReactor::documentToBeDeactivated(AcApDocument*) {}
void AcApDocManagerReactor::documentActivated(AcApDocument*) {}
void AcApDocManagerReactor::documentLockModeWillChange(AcApDocument*, AcAp::DocLockMode, AcAp::DocLockMode,
                                                       AcAp::DocLockMode, const ACHAR*) {}
void AcApDocManagerReactor::documentLockModeChanged(AcApDocument*, AcAp::DocLockMode, AcAp::DocLockMode,
                                                    AcAp::DocLockMode, const ACHAR*) {}

AcApDocument* AcApDocManager::curDocument() const {
    return platform::State().current;
}

AcApDocument* AcApDocManager::mdiActiveDocument() const {
    return platform::State().active;
}

int AcApDocManager::documentCount() const {
    return static_cast<int>(platform::State().docs.size());
}

AcApDocumentIterator* AcApDocManager::newAcApDocumentIterator() const {
    std::vector<AcApDocument*> docs;
    for (const auto& doc : platform::State().docs) {
        docs.push_back(doc.get());
    }
    return new AcApDocumentIterator(std::move(docs));
}

AcApDocument* AcApDocManager::document(const AcDbDatabase* db) const {
    for (const auto& doc : platform::State().docs) {
        if (db != nullptr && doc->database() == db) {
            return doc.get();
        }
    }
    return nullptr;
}

Acad::ErrorStatus AcApDocManager::lockDocument(AcApDocument* doc, AcAp::DocLockMode mode,
                                               const ACHAR* globalCmdName, const ACHAR* /*localCmdName*/,
                                               bool /*prompt*/) {
    if (doc == nullptr || !platform::Known(doc)) {
        return Acad::eNullObjectPointer;
    }
    const AcAp::DocLockMode before = doc->lockMode();
    if (const auto& refuse = platform::State().lockRefusal; refuse && refuse(doc, mode)) {
        // Refused as the host refuses a lock another session holds: nothing is pushed, no notification.
        ++platform::State().refusedLocks;
        return Acad::eLockViolation;
    }
    platform::FireLockChange(doc, before, mode, globalCmdName, false);
    AcApDocument::Impl& impl = doc->tarnImpl();
    // Changes made under a write lock from outside a command (a reactor's deferred edit, a timer's work) are
    // one undo group, as a command's are, so that one undo takes back that edit and nothing more. A lock in
    // which nothing was journaled (nothing changed, or only with undo recording off) leaves no group.
    const bool group = impl.commandDepth == 0 && platform::WriteMode(mode) && impl.db != nullptr;
    if (group) {
        platform::BeginUndoGroup(impl.db.get(), true);
    }
    impl.locks.push_back(mode);
    impl.lockGroups.push_back(group);
    platform::FireLockChange(doc, before, mode, globalCmdName, true);
    return Acad::eOk;
}

Acad::ErrorStatus AcApDocManager::unlockDocument(AcApDocument* doc) {
    if (doc == nullptr || !platform::Known(doc)) {
        return Acad::eNullObjectPointer;
    }
    auto& locks = doc->tarnImpl().locks;
    if (locks.empty()) {
        return Acad::eNotApplicable;
    }
    const AcAp::DocLockMode before = locks.back();
    const AcAp::DocLockMode after = locks.size() > 1 ? locks[locks.size() - 2] : AcAp::kNone;
    platform::FireLockChange(doc, before, after, nullptr, false);
    locks.pop_back();
    auto& groups = doc->tarnImpl().lockGroups;
    const bool group = !groups.empty() && groups.back();
    if (!groups.empty()) {
        groups.pop_back();
    }
    if (group) {
        platform::EndUndoGroup(doc->database());
    }
    platform::FireLockChange(doc, before, after, nullptr, true);
    return Acad::eOk;
}

Acad::ErrorStatus AcApDocManager::activateDocument(AcApDocument* doc, bool /*passScript*/) {
    if (doc == nullptr || !platform::Known(doc)) {
        return Acad::eNullObjectPointer;
    }
    if (doc != platform::State().active || doc != platform::State().current) {
        platform::SwitchTo(doc);
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcApDocManager::setCurDocument(AcApDocument* doc, AcAp::DocLockMode mode, bool activate) {
    if (doc == nullptr || !platform::Known(doc)) {
        return Acad::eNullObjectPointer;
    }
    if (activate) {
        activateDocument(doc);
    } else if (doc != platform::State().current) {
        platform::MakeCurrent(doc);
        platform::Notify([&](AcApDocManagerReactor* r) { r->documentBecameCurrent(doc); });
    }
    return mode == AcAp::kNone ? Acad::eOk : lockDocument(doc, mode);
}

Acad::ErrorStatus AcApDocManager::sendStringToExecute(AcApDocument* doc, const ACHAR* text, bool activate,
                                                      bool wrapUpInactiveDoc, bool echoString) {
    if (doc == nullptr || text == nullptr || !platform::Known(doc)) {
        return Acad::eNullObjectPointer;
    }
    platform::State().sent.push_back(
        platform::SentString{doc, text, activate, wrapUpInactiveDoc, echoString});
    return Acad::eOk;
}

void AcApDocManager::addReactor(AcApDocManagerReactor* reactor) {
    auto& reactors = platform::State().reactors;
    if (reactor != nullptr && std::find(reactors.begin(), reactors.end(), reactor) == reactors.end()) {
        reactors.push_back(reactor);
    }
}

void AcApDocManager::removeReactor(AcApDocManagerReactor* reactor) {
    auto& reactors = platform::State().reactors;
    reactors.erase(std::remove(reactors.begin(), reactors.end(), reactor), reactors.end());
}

AcApDocManager* acDocManagerPtr() {
    static AcApDocManager manager;
    return &manager;
}

namespace platform {

std::vector<AcApDocManagerReactor*> DocManagerReactors() {
    return State().reactors;
}

AcApDocument* NewDocument(const std::u16string& fileName) {
    return AddDocument(std::make_unique<AcDbDatabase>(true, false), fileName);
}

AcApDocument* OpenDocument(AcDbDatabase* db, const std::u16string& fileName) {
    if (db == nullptr) {
        return nullptr;
    }
    return AddDocument(std::unique_ptr<AcDbDatabase>(db), fileName);
}

void SetDocumentFileName(AcApDocument* doc, const std::u16string& fileName) {
    if (doc == nullptr || fileName.empty()) {
        return;
    }
    AcApDocument::Impl& impl = doc->tarnImpl();
    impl.fileName = WindowsForm(fileName);
    impl.title = TitleOf(impl.fileName);
}

bool CloseDocument(AcApDocument* doc, const std::function<void(AcApDocument*)>& save) {
    DocState& s = State();
    if (doc == nullptr || !Known(doc)) {
        return false;
    }
    if (s.current != doc) {
        acDocManager->activateDocument(doc);
    }
    RunCommand(u"CLOSE", [&] {
        if (save) {
            save(doc);
        }
        return CommandOutcome::kEnded;
    });
    ForEachEditorReactor([&](AcEditorReactor* r) { r->beginClose(doc->database()); });
    Notify([&](AcApDocManagerReactor* r) { r->documentToBeDestroyed(doc); });
    const std::vector<DocDataKeeper*> keepers = Keepers();
    for (DocDataKeeper* keeper : keepers) {
        const auto& live = Keepers();
        if (std::find(live.begin(), live.end(), keeper) != live.end()) {
            keeper->DropDocData(doc);
        }
    }
    const std::u16string name = doc->fileName()[0] != u'\0' ? doc->fileName() : doc->docTitle();
    auto it = std::find_if(s.docs.begin(), s.docs.end(), [&](const auto& d) { return d.get() == doc; });
    std::unique_ptr<AcApDocument> closing = std::move(*it);
    s.docs.erase(it);
    if (s.active == doc) {
        s.active = nullptr;
    }
    MakeCurrent(nullptr);
    for (auto& sent : s.sent) {
        if (sent.doc == doc) {
            sent.doc = nullptr;  // the queue must not run in a closed document
        }
    }
    platform::DropSelectionFilters(doc->database());
    closing.reset();  // the database goes with the document
    Notify([&](AcApDocManagerReactor* r) { r->documentDestroyed(name.c_str()); });
    if (!s.docs.empty()) {
        SwitchTo(s.docs.back().get());
    }
    return true;
}

DocDataKeeper::DocDataKeeper() {
    Keepers().push_back(this);
}

DocDataKeeper::~DocDataKeeper() {
    std::erase(Keepers(), this);
}

void CloseAllDocuments() {
    while (!State().docs.empty()) {
        CloseDocument(State().docs.back().get());
    }
}

void FireDocumentActivated(AcApDocument* doc) {
    Notify([&](AcApDocManagerReactor* r) { r->documentActivated(doc); });
}

void RequireLockForWrites(bool on) {
    State().requireLock = on;
}

const std::vector<std::string>& LockViolations() {
    return State().violations;
}

void ClearLockViolations() {
    State().violations.clear();
}

void SetLockRefusal(std::function<bool(AcApDocument*, AcAp::DocLockMode)> refuse) {
    State().lockRefusal = std::move(refuse);
}

int RefusedLocks() {
    return State().refusedLocks;
}

int LockDepth(const AcApDocument* doc) {
    return doc != nullptr && Known(doc) ? static_cast<int>(doc->tarnImpl().locks.size()) : 0;
}

void SetLockViolationHandler(std::function<void(const std::string&)> handler) {
    State().violationHandler = std::move(handler);
}

void EnterCommand(AcApDocument* doc) {
    if (doc != nullptr && Known(doc)) {
        ++doc->tarnImpl().commandDepth;
    }
}

void LeaveCommand(AcApDocument* doc) {
    if (doc != nullptr && Known(doc) && doc->tarnImpl().commandDepth > 0) {
        --doc->tarnImpl().commandDepth;
    }
}

const std::vector<SentString>& SentStrings() {
    return State().sent;
}

std::vector<SentString> TakePendingSentStrings() {
    DocState& s = State();
    std::vector<SentString> pending(s.sent.begin() + static_cast<std::ptrdiff_t>(s.sentRun), s.sent.end());
    s.sentRun = s.sent.size();
    return pending;
}

}  // namespace platform
