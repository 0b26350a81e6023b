// Documents: reactor order on new, switch and close; counted locks and the lock check; per-document state.
#include <gtest/gtest.h>

#include "platform/arx/arxheaders.h"
#include "platform/win32/core/testhooks.h"
#include "recorder.h"

namespace {

TEST(Documents, ReactorsHearNewSwitchAndCloseInTheHostsOrder) {
    Recorder rec;
    acDocManager->addReactor(&rec);
    acedEditor->addReactor(&rec);
    AcApDocument* a = platform::NewDocument();
    AcApDocument* b = platform::NewDocument(u"/maps/b.dxf");
    EXPECT_EQ(rec.Take(),
              (std::vector<std::string>{
                  "createStarted Drawing1.dwg", "becameCurrent Drawing1.dwg",
                  "created Drawing1.dwg (current)", "toBeActivated Drawing1.dwg", "activated Drawing1.dwg",
                  "createStarted b.dxf", "toBeDeactivated Drawing1.dwg", "becameCurrent b.dxf",
                  "created b.dxf (current)", "toBeActivated b.dxf", "activated b.dxf"}));
    EXPECT_EQ(std::u16string(b->fileName()), u"C:\\maps\\b.dxf");
    EXPECT_EQ(std::u16string(a->fileName()), u"");
    EXPECT_EQ(acDocManager->documentCount(), 2);

    EXPECT_EQ(acDocManager->activateDocument(a), Acad::eOk);
    EXPECT_EQ(acDocManager->activateDocument(a), Acad::eOk);  // already active: nothing
    EXPECT_EQ(rec.Take(), (std::vector<std::string>{"toBeDeactivated b.dxf", "toBeActivated Drawing1.dwg",
                                                    "becameCurrent Drawing1.dwg", "activated Drawing1.dwg"}));
    EXPECT_EQ(acdbHostApplicationServices()->workingDatabase(), a->database());

    int saves = 0;
    EXPECT_TRUE(platform::CloseDocument(a, [&](AcApDocument* doc) {
        ++saves;
        rec.log.push_back("save " + Recorder::Title(doc));
    }));
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(rec.Take(),
              (std::vector<std::string>{"willStart CLOSE", "save Drawing1.dwg", "ended CLOSE", "beginClose",
                                        "toBeDestroyed Drawing1.dwg (db)", "destroyed Drawing1.dwg",
                                        "toBeActivated b.dxf", "becameCurrent b.dxf", "activated b.dxf"}));
    EXPECT_EQ(acDocManager->curDocument(), b);
    EXPECT_FALSE(platform::CloseDocument(a));

    std::unique_ptr<AcApDocumentIterator> it(acDocManager->newAcApDocumentIterator());
    ASSERT_FALSE(it->done());
    EXPECT_EQ(it->document(), b);
    it->step();
    EXPECT_TRUE(it->done());

    platform::CloseDocument(b);
    EXPECT_EQ(acDocManager->curDocument(), nullptr);
    EXPECT_EQ(acdbHostApplicationServices()->workingDatabase(), nullptr);
    rec.Take();
    platform::FireDocumentActivated(nullptr);
    EXPECT_EQ(rec.Take(), (std::vector<std::string>{"activated null"}));
    acDocManager->removeReactor(&rec);
    acedEditor->removeReactor(&rec);
}

TEST(Documents, LocksAreCountedAndWritesOutsideCommandsNeedOne) {
    AcApDocument* doc = platform::NewDocument();
    std::vector<std::string> handled;
    platform::SetLockViolationHandler([&](const std::string& what) { handled.push_back(what); });

    // Outside a command and without a lock: a violation.
    AddLayer(u"Unlocked");
    ASSERT_FALSE(platform::LockViolations().empty());
    EXPECT_EQ(handled.size(), platform::LockViolations().size());
    platform::ClearLockViolations();

    EXPECT_EQ(acDocManager->lockDocument(doc, AcAp::kWrite), Acad::eOk);
    EXPECT_EQ(acDocManager->lockDocument(doc, AcAp::kWrite), Acad::eOk);  // re-entrant
    EXPECT_EQ(doc->tarnLockCount(), 2);
    EXPECT_EQ(doc->lockMode(), AcAp::kWrite);
    AddLayer(u"Locked");
    EXPECT_EQ(acDocManager->unlockDocument(doc), Acad::eOk);
    AddLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 1, 0));  // one lock still held
    EXPECT_EQ(acDocManager->unlockDocument(doc), Acad::eOk);
    EXPECT_EQ(acDocManager->unlockDocument(doc), Acad::eNotApplicable);
    EXPECT_EQ(doc->lockMode(), AcAp::kNone);
    EXPECT_TRUE(platform::LockViolations().empty());

    // A read lock does not allow writing; a command does.
    acDocManager->lockDocument(doc, AcAp::kRead);
    AddLayer(u"UnderRead");
    acDocManager->unlockDocument(doc);
    EXPECT_FALSE(platform::LockViolations().empty());
    platform::ClearLockViolations();
    platform::RunCommand(u"ADDLAYER", [] {
        AddLayer(u"InCommand");
        return platform::CommandOutcome::kEnded;
    });
    EXPECT_TRUE(platform::LockViolations().empty());

    // A database of no document is not checked; the check can be switched off.
    AcDbDatabase side(true, true);
    AcDbLayerTable* table = nullptr;
    ASSERT_EQ(side.getLayerTable(table, AcDb::kForWrite), Acad::eOk);
    table->close();
    platform::RequireLockForWrites(false);
    AddLayer(u"Unchecked");
    EXPECT_TRUE(platform::LockViolations().empty());
    EXPECT_EQ(acDocManager->lockDocument(nullptr), Acad::eNullObjectPointer);
}

TEST(Documents, EachDocumentKeepsItsVariablesAndPickFirst) {
    AcApDocument* a = platform::NewDocument();
    platform::CurrentSysVars().Force(u"VIEWSIZE", platform::SysVarValue::Real(42.0));
    platform::SetPickFirst({AddLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0))});
    AcApDocument* b = platform::NewDocument();
    resbuf rb;
    ASSERT_EQ(acedGetVar(u"VIEWSIZE", &rb), RTNORM);
    EXPECT_NE(rb.resval.rreal, 42.0);
    EXPECT_TRUE(platform::PickFirst().empty());
    acDocManager->activateDocument(a);
    ASSERT_EQ(acedGetVar(u"VIEWSIZE", &rb), RTNORM);
    EXPECT_EQ(rb.resval.rreal, 42.0);
    EXPECT_EQ(platform::PickFirst().size(), 1u);
    EXPECT_EQ(acDocManager->document(b->database()), b);
    platform::ClearLockViolations();
}

// An application's per-document data: a record per document on first use, kept through the reactors'
// last word on the document, dropped when it closes and by a reset whose documents go without one.
struct DocRecord {
    static int live;
    int value = 0;
    DocRecord() { ++live; }
    DocRecord(const DocRecord&) = delete;
    ~DocRecord() { --live; }
};
int DocRecord::live = 0;

TEST(Documents, ADataManagerKeepsARecordPerDocumentUntilTheDocumentCloses) {
    AcApDataManager<DocRecord> data;
    EXPECT_EQ(data.tarnRecordCount(), 0u);  // nothing made before it is asked for
    AcApDocument* a = platform::NewDocument();
    AcApDocument* b = platform::NewDocument();
    data.docData(a).value = 1;
    data.docData().value = 2;  // the current document's: b
    EXPECT_EQ(data.docData(b).value, 2);
    EXPECT_EQ(data.docData(a).value, 1);
    EXPECT_EQ(&data.docData(a), &data.docData(a));
    EXPECT_EQ(DocRecord::live, 2);

    struct Reader : AcApDocManagerReactor {
        AcApDataManager<DocRecord>* data = nullptr;
        int seen = -1;
        void documentToBeDestroyed(AcApDocument* doc) override { seen = data->docData(doc).value; }
    } reader;
    reader.data = &data;
    acDocManager->addReactor(&reader);
    ASSERT_TRUE(platform::CloseDocument(a));
    acDocManager->removeReactor(&reader);
    EXPECT_EQ(reader.seen, 1);
    EXPECT_EQ(data.tarnRecordCount(), 1u);
    EXPECT_EQ(DocRecord::live, 1);
    AcApDocument* c = platform::NewDocument();
    EXPECT_EQ(data.docData(c).value, 0);  // a new document starts afresh, wherever it lies
    EXPECT_EQ(data.docData(b).value, 2);

    platform::ResetAll();
    EXPECT_EQ(data.tarnRecordCount(), 0u);
    EXPECT_EQ(DocRecord::live, 0);
}

}  // namespace
