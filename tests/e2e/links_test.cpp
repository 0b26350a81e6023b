// Links between entities and map objects through the host's own save, close and open: what is bound is in
// the drawing after QSAVE, and in the tables again when the drawing is opened; drawings never share links.
// The plug-in's own editor and document reactors call the save and the reload.
#include "../exchange/link_fixture.h"
#include "host_fixture.h"
#include "plugin/app/TarnArxApp.h"
#include "plugin/core/LinkRecord.h"
#include "plugin/exchange/DocLockOps.h"
#include "plugin/exchange/Reactors.h"
#include "plugin/core/SyncState.h"

namespace {

using linktest::AddLine;
using linktest::Append;
using linktest::Bind;
using linktest::StoredLink;
using platform::CommandOutcome;

class LinksTest : public e2e::HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        acedEditor->addReactor(&editorReactor);
        acDocManager->addReactor(&docReactor);
        LoadDocumentLinks(host.Document());
    }
    void TearDown() override {
        acedEditor->removeReactor(&editorReactor);
        acDocManager->removeReactor(&docReactor);
        g_DocSyncRegistry.ClearAll();
        EXPECT_TRUE(platform::LockViolations().empty());
        HostTest::TearDown();
    }
    std::string SaveAs(const std::string& name) {
        const std::string path = dir + "/" + name;
        EXPECT_EQ(Run("SAVEAS", {path}), CommandOutcome::kEnded);
        return path;
    }
    AcApDocument* Open(const std::string& path) {
        EXPECT_EQ(Run("OPEN", {path}), CommandOutcome::kEnded);
        return host.Document();
    }
    CDocSyncState* State(AcApDocument* doc) { return g_DocSyncRegistry.GetDocState(doc, false); }
    static CString TextOf(AcApDocument* doc, uint64_t handle) {
        AcDbText* text = nullptr;
        if (acdbOpenObject(text, linktest::IdOf(doc, handle), AcDb::kForRead) != Acad::eOk) {
            return CString();
        }
        CString wording(text->textStringConst());
        text->close();
        return wording;
    }
    static bool LayerLocked(AcApDocument* doc, const char16_t* name) {
        AcDbLayerTable* layers = nullptr;
        if (doc->database()->getLayerTable(layers, AcDb::kForRead) != Acad::eOk) {
            return false;
        }
        AcDbLayerTableRecord* layer = nullptr;
        const bool found = layers->getAt(name, layer, AcDb::kForRead) == Acad::eOk;
        layers->close();
        const bool locked = found && layer->isLocked();
        if (found) {
            layer->close();
        }
        return locked;
    }
    // How many times a save moved its progress meter: once a record written, below 50 records.
    static int MeterSteps() {
        int steps = 0;
        for (const platform::StatusBarEvent& event : platform::StatusBarEvents()) {
            steps += event.kind == platform::StatusBarEvent::kPos ? 1 : 0;
        }
        return steps;
    }

    CEditorReactor editorReactor;
    CDocReactor docReactor;
};

TEST_F(LinksTest, BindingsComeBackAfterSaveCloseAndOpen) {
    const std::string path = SaveAs("links.dxf");
    AcApDocument* doc = host.Document();
    CDocSyncState* state = CurrentDocState();
    ASSERT_EQ(state, State(doc));

    const uint64_t line = AddLine(doc);
    const uint64_t point = Append(doc, new AcDbPoint(AcGePoint3d(5, 5, 0)));
    auto* polyline = new AcDbPolyline;
    polyline->addVertexAt(0, AcGePoint2d(0, 0));
    polyline->addVertexAt(1, AcGePoint2d(3, 4));
    const uint64_t track = Append(doc, polyline);
    Bind(state, line, 4294967295u, u"主路", CString(u'注', 6001));
    Bind(state, point, 77, u"点组", u"{\"k\":\"v\"}", true);
    Bind(state, track, 88, u"多段", CString(), true);

    ASSERT_EQ(Run("QSAVE"), CommandOutcome::kEnded);
    EXPECT_EQ(state->m_bindings.CountUnsaved(), 0);
    EXPECT_EQ(g_bEchoFlag, 0);
    // Bound after the save and closed without saving: that link is not in the file.
    const uint64_t late = AddLine(doc, 9);
    Bind(state, late, 99, u"late");
    Run("CLOSE");
    EXPECT_EQ(g_DocSyncRegistry.Count(), 0u);

    AcApDocument* reopened = Open(path);
    CDocSyncState* loaded = CurrentDocState();
    ASSERT_NE(loaded, nullptr);
    ASSERT_EQ(loaded, State(reopened));
    const CBindingRecord* record = loaded->m_bindings.FindBinding(line);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->m_mapId, 4294967295u);
    EXPECT_EQ(record->m_name, CString(u"主路"));
    EXPECT_EQ(record->m_remark.GetLength(), 6000);
    EXPECT_EQ(record->m_groupMember, 0);
    EXPECT_EQ(record->m_saved, 1);
    record = loaded->m_bindings.FindBinding(point);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->m_remark, CString(u"{\"k\":\"v\"}"));
    EXPECT_EQ(record->m_groupMember, 1);
    EXPECT_EQ(loaded->m_bindings.FindBinding(track)->m_mapId, 88u);
    EXPECT_EQ(loaded->m_bindings.FindBinding(late), nullptr);  // the entity itself was never saved

    uint64_t key = 0;
    EXPECT_TRUE(loaded->m_mapIds.Get(4294967295u, key));
    EXPECT_EQ(key, line);
    EXPECT_FALSE(loaded->m_mapIds.Get(99, key));
    ASSERT_NE(loaded->m_pointGroups.Find(77), nullptr);
    EXPECT_EQ(loaded->m_pointGroups.Find(77)->m_keys, std::vector<uint64_t>{point});
    ASSERT_NE(loaded->m_trackGroups.Find(88), nullptr);
    EXPECT_EQ(loaded->m_trackGroups.Find(88)->m_keys, std::vector<uint64_t>{track});
}

TEST_F(LinksTest, TwoDrawingsWithEqualHandlesKeepTheirLinksApart) {
    const std::string pathA = SaveAs("a.dxf");
    AcApDocument* a = host.Document();
    const uint64_t lineA = AddLine(a);
    host.NewDrawing();
    const std::string pathB = SaveAs("b.dxf");
    AcApDocument* b = host.Document();
    ASSERT_NE(a, b);
    const uint64_t lineB = AddLine(b);
    ASSERT_EQ(lineA, lineB);  // both drawings count handles from the same seed

    Bind(State(a), lineA, 111, u"A");
    Bind(State(b), lineB, 222, u"B");
    ASSERT_EQ(CurrentDocState(), State(b));
    // One save writes every drawing's links, each into its own drawing.
    ASSERT_EQ(Run("QSAVE"), CommandOutcome::kEnded);
    CBindingRecord stored;
    ASSERT_TRUE(StoredLink(a, lineA, stored));
    EXPECT_EQ(stored.m_mapId, 111u);
    ASSERT_TRUE(StoredLink(b, lineB, stored));
    EXPECT_EQ(stored.m_mapId, 222u);
    EXPECT_EQ(State(a)->m_bindings.CountUnsaved(), 0);

    ASSERT_EQ(acDocManager->activateDocument(a), Acad::eOk);
    EXPECT_EQ(CurrentDocState(), State(a));
    ASSERT_EQ(Run("QSAVE"), CommandOutcome::kEnded);
    Run("CLOSE");
    Run("CLOSE");
    AcApDocument* reopenedA = Open(pathA);
    AcApDocument* reopenedB = Open(pathB);
    EXPECT_EQ(State(reopenedA)->m_bindings.FindBinding(lineA)->m_name, CString(u"A"));
    EXPECT_EQ(State(reopenedB)->m_bindings.FindBinding(lineB)->m_name, CString(u"B"));
    EXPECT_EQ(State(reopenedB)->m_bindings.FindBinding(lineB)->m_mapId, 222u);
    EXPECT_NE(State(reopenedA), State(reopenedB));
}

TEST_F(LinksTest, SaveAsAndADrawingNeverSavedKeepTheirOwnStates) {
    AcApDocument* unnamed = host.Document();
    CDocSyncState* state = State(unnamed);
    ASSERT_NE(state, nullptr);
    const uint64_t line = AddLine(unnamed);
    Bind(state, line, 5, u"first");

    host.NewDrawing();
    AcApDocument* other = host.Document();
    ASSERT_NE(State(other), state);
    EXPECT_EQ(State(other)->m_bindings.FindBinding(line), nullptr);

    ASSERT_EQ(acDocManager->activateDocument(unnamed), Acad::eOk);
    SaveAs("named.dxf");
    platform::FireDocumentActivated(unnamed);
    EXPECT_EQ(State(unnamed), state);
    EXPECT_EQ(CurrentDocState(), state);
    ASSERT_NE(state->m_bindings.FindBinding(line), nullptr);
    EXPECT_EQ(state->m_bindings.FindBinding(line)->m_saved, 1);  // SAVEAS wrote it
    CBindingRecord stored;
    EXPECT_TRUE(StoredLink(unnamed, line, stored));
    EXPECT_FALSE(StoredLink(other, line, stored));
}

TEST_F(LinksTest, ALockedLayersEntitiesHaveTheirLinksWrittenAndKeepWhatTheLockHolds) {
    const std::string path = SaveAs("locked.dxf");
    AcApDocument* doc = host.Document();
    CDocSyncState* state = CurrentDocState();
    const uint64_t line = AddLine(doc, 0, u"locked");
    const uint64_t text =
        Append(doc, new AcDbText(AcGePoint3d(0, 5, 0), u"旧名", AcDbObjectId(), 2.5), u"locked");
    const uint64_t erased = AddLine(doc, 1);
    Bind(state, line, 31, u"on a locked layer");
    Bind(state, text, 33, u"新名");
    Bind(state, erased, 32, u"gone");
    {
        linktest::DocLock lock(doc);
        AcDbObject* object = nullptr;
        ASSERT_EQ(acdbOpenObject(object, linktest::IdOf(doc, erased), AcDb::kForWrite), Acad::eOk);
        object->erase();
        object->close();
    }
    linktest::SetLayerLocked(doc, u"locked", true);

    // The links change nothing drawn: they are written whatever the lock; the text keeps its wording.
    ASSERT_EQ(Run("QSAVE"), CommandOutcome::kEnded);
    CBindingRecord stored;
    ASSERT_TRUE(StoredLink(doc, line, stored));
    EXPECT_EQ(stored.m_mapId, 31u);
    ASSERT_TRUE(StoredLink(doc, text, stored));
    EXPECT_EQ(stored.m_name, CString(u"新名"));
    EXPECT_EQ(TextOf(doc, text), CString(u"旧名"));
    EXPECT_EQ(state->m_bindings.CountUnsaved(), 0);
    EXPECT_TRUE(LayerLocked(doc, u"locked"));

    // Changed again while still locked: written through the dictionary the entity has now.
    Bind(state, line, 41, u"renamed");
    ASSERT_EQ(Run("QSAVE"), CommandOutcome::kEnded);
    EXPECT_EQ(state->m_bindings.CountUnsaved(), 0);
    Run("CLOSE");
    AcApDocument* reopened = Open(path);
    ASSERT_TRUE(StoredLink(reopened, line, stored));
    EXPECT_EQ(stored.m_mapId, 41u);
    EXPECT_EQ(State(reopened)->m_bindings.FindBinding(line)->m_name, CString(u"renamed"));
    EXPECT_EQ(State(reopened)->m_bindings.FindBinding(text)->m_mapId, 33u);
    EXPECT_TRUE(LayerLocked(reopened, u"locked"));
}

TEST_F(LinksTest, AnUndoMakesTheNextSaveWriteTheLinksItTookBackAndOnlyThose) {
    const std::string path = SaveAs("undone.dxf");
    AcApDocument* doc = host.Document();
    CDocSyncState* state = CurrentDocState();
    const uint64_t kept = AddLine(doc);
    const uint64_t line = AddLine(doc, 5);
    Bind(state, kept, 6, u"kept");
    ASSERT_EQ(Run("QSAVE"), CommandOutcome::kEnded);
    // -LAYER writes the links inside its own change group: undoing it takes that link out again.
    Bind(state, line, 5, u"taken back");
    ASSERT_EQ(Run("-LAYER", {""}), CommandOutcome::kEnded);
    CBindingRecord stored;
    ASSERT_TRUE(StoredLink(doc, line, stored));
    ASSERT_EQ(Run("U"), CommandOutcome::kEnded);
    ASSERT_FALSE(StoredLink(doc, line, stored));

    platform::ClearStatusBarEvents();
    ASSERT_EQ(Run("QSAVE"), CommandOutcome::kEnded);
    EXPECT_EQ(MeterSteps(), 1);  // the one link taken back, not every link of the drawing
    ASSERT_TRUE(StoredLink(doc, line, stored));
    EXPECT_EQ(stored.m_name, CString(u"taken back"));

    AddLine(doc, 9);  // never bound: read back without a link
    ASSERT_EQ(Run("QSAVE"), CommandOutcome::kEnded);
    Run("CLOSE");
    AcApDocument* reopened = Open(path);
    ASSERT_TRUE(StoredLink(reopened, line, stored));
    EXPECT_EQ(stored.m_mapId, 5u);
    ASSERT_TRUE(StoredLink(reopened, kept, stored));
    EXPECT_EQ(stored.m_mapId, 6u);

    // An undo that took no link back leaves the next save nothing to write.
    ASSERT_EQ(Run("LINE", {"0,0", "1,1", ""}), CommandOutcome::kEnded);
    ASSERT_EQ(Run("U"), CommandOutcome::kEnded);
    platform::ClearStatusBarEvents();
    ASSERT_EQ(Run("QSAVE"), CommandOutcome::kEnded);
    EXPECT_TRUE(platform::StatusBarEvents().empty());
}

TEST_F(LinksTest, AnUndoAfterASaveLeavesTheLinksItWrote) {
    const std::string path = SaveAs("undo.dxf");
    AcApDocument* doc = host.Document();
    const uint64_t line = AddLine(doc);
    Bind(CurrentDocState(), line, 5, u"kept");
    ASSERT_EQ(Run("QSAVE"), CommandOutcome::kEnded);
    CBindingRecord stored;
    ASSERT_TRUE(StoredLink(doc, line, stored));
    // The host does not undo a save: the link written at its start is not undoable and stays.
    Run("U");
    EXPECT_TRUE(StoredLink(doc, line, stored));
    ASSERT_EQ(Run("QSAVE"), CommandOutcome::kEnded);
    Run("CLOSE");
    AcApDocument* reopened = Open(path);
    ASSERT_TRUE(StoredLink(reopened, line, stored));
    EXPECT_EQ(stored.m_name, CString(u"kept"));
}

}  // namespace
