// The command runner: notification order, undo groups, U/UNDO/REDO, registered commands, typed-ahead input.
#include <gtest/gtest.h>

#include "platform/arx/arxheaders.h"
#include "platform/mfc/uidriver.h"
#include "platform/win32/windows.h"
#include "recorder.h"

namespace {

using platform::CommandOutcome;

// Command and line notifications only (the model-space record's own are noise here).
std::vector<std::string> Relevant(std::vector<std::string> log) {
    std::erase_if(log,
                  [](const std::string& s) { return s.find("AcDbBlockTableRecord") != std::string::npos; });
    return log;
}

class CommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        doc = platform::NewDocument();
        acedEditor->addReactor(&rec);
        doc->database()->addReactor(&rec);
        platform::DefineHostCommand(u"LINE", [] {
            AddLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0));
            AddLine(AcGePoint3d(1, 0, 0), AcGePoint3d(1, 1, 0));
            return CommandOutcome::kEnded;
        });
    }
    void TearDown() override {
        acedEditor->removeReactor(&rec);
        doc->database()->removeReactor(&rec);
    }
    AcApDocument* doc = nullptr;
    Recorder rec;
};

TEST_F(CommandsTest, NotificationsWrapTheBodyWithDatabaseNotificationsInside) {
    EXPECT_EQ(platform::RunCommand(u"_line"), CommandOutcome::kEnded);
    EXPECT_EQ(Relevant(rec.Take()),
              (std::vector<std::string>{"willStart LINE", "appended AcDbLine", "modified AcDbLine",
                                        "appended AcDbLine", "modified AcDbLine", "ended LINE"}));
    EXPECT_TRUE(platform::LockViolations().empty());
    EXPECT_EQ(doc->tarnLockCount(), 0);
    EXPECT_TRUE(doc->isQuiescent());

    EXPECT_EQ(platform::RunCommand(u"NOSUCH"), CommandOutcome::kUnknown);
    EXPECT_EQ(rec.Take(), (std::vector<std::string>{"unknown NOSUCH"}));
    EXPECT_NE(platform::CommandLineUtf8().find("Unknown command \"NOSUCH\""), std::string::npos);

    platform::DefineHostCommand(u"BROKEN", [] { return CommandOutcome::kFailed; });
    platform::DefineHostCommand(u"THROWS", []() -> CommandOutcome { throw 1; });
    platform::RunCommand(u"BROKEN");
    platform::RunCommand(u"throws");
    EXPECT_EQ(rec.Take(), (std::vector<std::string>{"willStart BROKEN", "failed BROKEN", "willStart THROWS",
                                                    "failed THROWS"}));
    EXPECT_EQ(doc->tarnLockCount(), 0);
}

Recorder* g_rec = nullptr;

LRESULT LogPosted(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP + 48) {
        g_rec->log.push_back("posted message");
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

TEST_F(CommandsTest, PostedMessagesRunAfterTheCommandEnded) {
    g_rec = &rec;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = LogPosted;
    wc.lpszClassName = u"EditorTestWin";
    ASSERT_NE(RegisterClassW(&wc), 0);
    HWND hwnd = CreateWindowExW(0, u"EditorTestWin", u"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    platform::RunCommand(u"ERASE", [hwnd] {
        PostMessageW(hwnd, WM_APP + 48, 0, 0);
        return CommandOutcome::kEnded;
    });
    EXPECT_EQ(rec.Take(), (std::vector<std::string>{"willStart ERASE", "ended ERASE", "posted message"}));
    DestroyWindow(hwnd);
}

TEST_F(CommandsTest, OneUndoGroupPerCommandAndUndoRedoInsideTheirOwnNotifications) {
    platform::RunCommand(u"LINE");
    platform::RunCommand(u"LINE");
    AcDbDatabase* db = doc->database();
    EXPECT_EQ(platform::UndoGroupCount(db), 2);
    rec.Take();

    platform::RunCommand(u"U");
    EXPECT_EQ(Relevant(rec.Take()),
              (std::vector<std::string>{"willStart U", "erased AcDbLine", "erased AcDbLine", "ended U"}));
    EXPECT_EQ(platform::UndoGroupCount(db), 1);

    platform::RunCommand(u"REDO");
    EXPECT_EQ(Relevant(rec.Take()), (std::vector<std::string>{"willStart REDO", "unerased AcDbLine",
                                                              "unerased AcDbLine", "ended REDO"}));
    EXPECT_EQ(platform::UndoGroupCount(db), 2);

    // UNDO asks for its count; the command line answers it.
    platform::RunCommandLine(u"UNDO 2 ");
    const std::vector<std::string> undo = Relevant(rec.Take());
    ASSERT_EQ(undo.size(), 6u);
    EXPECT_EQ(undo.front(), "willStart UNDO");
    EXPECT_EQ(undo.back(), "ended UNDO");
    EXPECT_EQ(platform::UndoGroupCount(db), 0);

    platform::RunCommand(u"U");
    EXPECT_NE(platform::CommandLineUtf8().find("Everything has been undone"), std::string::npos);
    EXPECT_TRUE(platform::LockViolations().empty());
}

void TarnCmd() {
    AddLine(AcGePoint3d(0, 0, 0), AcGePoint3d(2, 2, 0));
}

void AskPointCmd() {
    ads_point pt;
    acedGetPoint(nullptr, u"\nPoint: ", pt);
}

TEST_F(CommandsTest, RegisteredCommandsRunByNameUntilTheirGroupIsRemoved) {
    EXPECT_EQ(acedRegCmds->addCommand(u"TARN", u"TarnCmd", u"TarnCmd", ACRX_CMD_MODAL, TarnCmd), Acad::eOk);
    EXPECT_EQ(acedRegCmds->addCommand(u"TARN", u"TARNCMD", u"x", ACRX_CMD_MODAL, TarnCmd),
              Acad::eDuplicateKey);
    EXPECT_EQ(acedRegCmds->addCommand(u"TARN", u"AskPoint", nullptr, ACRX_CMD_MODAL, AskPointCmd), Acad::eOk);
    ASSERT_NE(acedRegCmds->lookupGlobalCmd(u"tarncmd"), nullptr);

    EXPECT_EQ(platform::RunCommand(u"tarncmd"), CommandOutcome::kEnded);
    EXPECT_EQ(Relevant(rec.Take()), (std::vector<std::string>{"willStart TARNCMD", "appended AcDbLine",
                                                              "modified AcDbLine", "ended TARNCMD"}));

    // Esc at a prompt of a registered command cancels the command.
    platform::ScriptedUiDriver driver;
    driver.ExpectInput(platform::kInputGetPoint, u"Point", platform::InputAnswer::Cancelled());
    platform::SetUiDriver(&driver);
    EXPECT_EQ(platform::RunCommand(u"ASKPOINT"), CommandOutcome::kCancelled);
    EXPECT_EQ(rec.Take(), (std::vector<std::string>{"willStart ASKPOINT", "cancelled ASKPOINT"}));
    EXPECT_TRUE(driver.Verify());

    EXPECT_EQ(acedRegCmds->removeGroup(u"tarn"), Acad::eOk);
    EXPECT_EQ(acedRegCmds->removeGroup(u"TARN"), Acad::eKeyNotFound);
    EXPECT_EQ(platform::RunCommand(u"TARNCMD"), CommandOutcome::kUnknown);
}

TEST_F(CommandsTest, SentStringsWaitForTheHostAndFeedTheCommandsPrompts) {
    int frame = -1;
    platform::DefineHostCommand(u"IMAGEFRAME", [&frame] {
        acedGetInt(u"\nEnter IMAGEFRAME setting <1>: ", &frame);
        return CommandOutcome::kEnded;
    });
    EXPECT_EQ(acDocManager->sendStringToExecute(doc, u"IMAGEFRAME 1 "), Acad::eOk);
    EXPECT_EQ(acDocManager->sendStringToExecute(doc, u"IMAGEFRAME 0 ", true, false, true), Acad::eOk);
    EXPECT_EQ(acDocManager->sendStringToExecute(nullptr, u"X"), Acad::eNullObjectPointer);
    EXPECT_EQ(frame, -1);
    ASSERT_EQ(platform::SentStrings().size(), 2u);
    EXPECT_EQ(platform::ExecuteSentStrings(), 2);
    EXPECT_EQ(frame, 0);
    EXPECT_EQ(rec.Take(), (std::vector<std::string>{"willStart IMAGEFRAME", "ended IMAGEFRAME",
                                                    "willStart IMAGEFRAME", "ended IMAGEFRAME"}));
    EXPECT_EQ(platform::ExecuteSentStrings(), 0);
}

// Edits made outside commands under a write lock (a deferred reactor edit, a timer's work) are one undo group
// per lock, so one undo takes back the last of them only; MUNDO and MREDO undo and redo a group.
TEST_F(CommandsTest, EachWriteLockOutsideACommandIsOneUndoGroup) {
    auto edit = [&](double y) {
        EXPECT_EQ(acDocManager->lockDocument(doc, AcAp::kWrite), Acad::eOk);
        AddLine(AcGePoint3d(0, y, 0), AcGePoint3d(1, y, 0));
        AddLine(AcGePoint3d(1, y, 0), AcGePoint3d(2, y, 0));
        EXPECT_EQ(acDocManager->unlockDocument(doc), Acad::eOk);
    };
    auto lines = [&] {
        int count = 0;
        platform::ForEachObjectId(doc->database(), [&](AcDbObjectId id) {
            AcDbObject* object = nullptr;
            if (acdbOpenObject(object, id, AcDb::kForRead) == Acad::eOk) {
                count += AcDbLine::cast(object) != nullptr ? 1 : 0;
                object->close();
            }
        });
        return count;
    };
    EXPECT_EQ(platform::RunCommand(u"LINE"), CommandOutcome::kEnded);
    edit(1);
    edit(2);
    EXPECT_EQ(lines(), 6);
    EXPECT_TRUE(platform::LockViolations().empty());
    EXPECT_EQ(platform::RunCommand(u"U"), CommandOutcome::kEnded);
    EXPECT_EQ(lines(), 4);
    EXPECT_EQ(platform::RunCommand(u"MUNDO"), CommandOutcome::kEnded);
    EXPECT_EQ(lines(), 2);
    EXPECT_EQ(platform::RunCommand(u"MREDO"), CommandOutcome::kEnded);
    EXPECT_EQ(lines(), 4);
    // A write lock inside a command adds no group of its own.
    platform::DefineHostCommand(u"LOCKED", [&] {
        edit(3);
        return CommandOutcome::kEnded;
    });
    EXPECT_EQ(platform::RunCommand(u"LOCKED"), CommandOutcome::kEnded);
    EXPECT_EQ(lines(), 6);
    const int groups = platform::UndoGroupCount(doc->database());
    EXPECT_EQ(platform::RunCommand(u"U"), CommandOutcome::kEnded);
    EXPECT_EQ(lines(), 4);
    EXPECT_EQ(platform::UndoGroupCount(doc->database()), groups - 1);

    // A lock in which nothing is journaled (nothing changed, or only with undo recording off) leaves no
    // group, and the redo of the undone command still follows its undo.
    AcDbDatabase* db = doc->database();
    EXPECT_EQ(acDocManager->lockDocument(doc, AcAp::kWrite), Acad::eOk);
    EXPECT_EQ(acDocManager->unlockDocument(doc), Acad::eOk);
    EXPECT_EQ(acDocManager->lockDocument(doc, AcAp::kWrite), Acad::eOk);
    db->disableUndoRecording(true);
    AddLine(AcGePoint3d(0, 9, 0), AcGePoint3d(1, 9, 0));
    db->disableUndoRecording(false);
    EXPECT_EQ(acDocManager->unlockDocument(doc), Acad::eOk);
    EXPECT_EQ(platform::UndoGroupCount(db), groups - 1);
    EXPECT_EQ(platform::RedoGroupCount(db), 1);
    EXPECT_EQ(platform::RunCommand(u"REDO"), CommandOutcome::kEnded);
    EXPECT_EQ(lines(), 7);
    EXPECT_EQ(platform::RunCommand(u"U"), CommandOutcome::kEnded);
    EXPECT_EQ(lines(), 5);  // the unrecorded line stays
}

// The host does not undo a save: what reactors write at its start stays, and U takes back the command
// before it.
class SaveReactor : public AcEditorReactor {
public:
    void commandWillStart(const ACHAR* name) override {
        if (std::u16string(name) == u"QSAVE") {
            AddLine(AcGePoint3d(5, 5, 0), AcGePoint3d(6, 6, 0));  // a record brought up to date for the save
        }
    }
};

TEST_F(CommandsTest, ASaveIsNotUndoneAndWhatChangedInItStays) {
    SaveReactor reactor;
    acedEditor->addReactor(&reactor);
    platform::DefineHostCommand(u"QSAVE", [] { return CommandOutcome::kEnded; });
    EXPECT_EQ(platform::RunCommand(u"LINE"), CommandOutcome::kEnded);
    const int groups = platform::UndoGroupCount(doc->database());
    EXPECT_EQ(platform::RunCommand(u"QSAVE"), CommandOutcome::kEnded);
    acedEditor->removeReactor(&reactor);
    EXPECT_EQ(platform::UndoGroupCount(doc->database()), groups);
    rec.Take();
    EXPECT_EQ(platform::RunCommand(u"U"), CommandOutcome::kEnded);
    // The LINE command's two lines are erased; the save's line is not.
    std::vector<std::string> log = Relevant(rec.Take());
    EXPECT_EQ(std::count(log.begin(), log.end(), "erased AcDbLine"), 2) << testing::PrintToString(log);
    int live = 0;
    platform::ForEachObjectId(doc->database(), [&](AcDbObjectId id) {
        AcDbLine* line = nullptr;
        if (acdbOpenObject(line, id, AcDb::kForRead) == Acad::eOk) {
            ++live;
            EXPECT_EQ(line->startPoint(), AcGePoint3d(5, 5, 0));
            line->close();
        }
    });
    EXPECT_EQ(live, 1);
}

// An aborted transaction takes back what changed since it started (through the undo journal) and leaves
// nothing to undo; ended ones keep their changes. With the switch on, notifications wait for the outermost
// transaction's end, and an abort drops those of what it rolled back.
TEST_F(CommandsTest, AnAbortedTransactionRollsBackAndNotificationsCanWaitForTheEnd) {
    AcDbObjectId kept;
    EXPECT_EQ(platform::RunCommand(u"FIRST",
                                   [&] {
                                       kept = AddLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0));
                                       return CommandOutcome::kEnded;
                                   }),
              CommandOutcome::kEnded);
    const int groups = platform::UndoGroupCount(doc->database());
    auto endOf = [&] {
        AcDbLine* line = nullptr;
        EXPECT_EQ(acdbOpenObject(line, kept, AcDb::kForRead), Acad::eOk);
        const AcGePoint3d end = line->endPoint();
        line->close();
        return end;
    };
    auto setEnd = [&](double x) {
        AcDbLine* line = nullptr;
        EXPECT_EQ(acdbOpenObject(line, kept, AcDb::kForWrite), Acad::eOk);
        line->setEndPoint(AcGePoint3d(x, 0, 0));
        line->close();
    };
    AcTransactionManager* tm = doc->transactionManager();
    AcDbObjectId added;
    rec.Take();
    EXPECT_EQ(platform::RunCommand(u"ABORTED",
                                   [&] {
                                       setEnd(2);  // before the transaction: stays
                                       tm->startTransaction();
                                       setEnd(3);
                                       added = AddLine(AcGePoint3d(0, 1, 0), AcGePoint3d(1, 1, 0));
                                       tm->startTransaction();
                                       setEnd(4);
                                       EXPECT_EQ(tm->endTransaction(), Acad::eOk);
                                       // An object open when the abort comes: it refuses, changing nothing.
                                       AcDbLine* open = nullptr;
                                       EXPECT_EQ(acdbOpenObject(open, kept, AcDb::kForRead), Acad::eOk);
                                       EXPECT_EQ(tm->abortTransaction(), Acad::eWasOpenedForRead);
                                       open->close();
                                       EXPECT_EQ(tm->abortTransaction(), Acad::eOk);
                                       EXPECT_EQ(tm->numActiveTransactions(), 0);
                                       return CommandOutcome::kEnded;
                                   }),
              CommandOutcome::kEnded);
    EXPECT_EQ(endOf(), AcGePoint3d(2, 0, 0));
    EXPECT_TRUE(added.isErased());
    EXPECT_EQ(tm->abortTransaction(), Acad::eNotApplicable);
    // The reactors heard the rollback as an undo.
    const std::vector<std::string> log = Relevant(rec.Take());
    EXPECT_EQ(log.back(), "ended ABORTED");
    EXPECT_NE(std::find(log.begin(), log.end(), "erased AcDbLine"), log.end());
    // One group for the command; its undo restores the line as it was before it.
    EXPECT_EQ(platform::UndoGroupCount(doc->database()), groups + 1);
    EXPECT_EQ(platform::RunCommand(u"U"), CommandOutcome::kEnded);
    EXPECT_EQ(endOf(), AcGePoint3d(1, 0, 0));

    // Held to the outermost end; an abort of an inner one drops only its own.
    platform::DeferNotificationsToTransactionEnd(true);
    rec.Take();
    EXPECT_EQ(platform::RunCommand(
                  u"HELD",
                  [&] {
                      tm->startTransaction();
                      setEnd(5);
                      tm->startTransaction();
                      AddLine(AcGePoint3d(0, 2, 0), AcGePoint3d(1, 2, 0));
                      EXPECT_EQ(tm->abortTransaction(), Acad::eOk);
                      EXPECT_EQ(Relevant(rec.Take()), std::vector<std::string>{"willStart HELD"});
                      EXPECT_EQ(tm->endTransaction(), Acad::eOk);
                      EXPECT_EQ(Relevant(rec.Take()), std::vector<std::string>{"modified AcDbLine"});
                      return CommandOutcome::kEnded;
                  }),
              CommandOutcome::kEnded);
    EXPECT_EQ(endOf(), AcGePoint3d(5, 0, 0));
}

}  // namespace
