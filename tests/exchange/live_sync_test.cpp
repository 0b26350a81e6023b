// Live synchronisation with the plug-in's frame loaded: commands run through the host's command runner,
// what they change reaches the simulated map application once they end (sends 20112, deletes 20103), the
// echo flag keeps the plug-in's own writes back, and the filters keep the base map out of selections.
#include <algorithm>
#include <map>
#include <set>

#include "link_fixture.h"
#include "mapsim/records.h"
#include "platform/arx/acap/commands.h"
#include "plugin/exchange/Reactors.h"
#include "plugin/res/dlg_entproperty.h"
#include "receive_fixture.h"

namespace {

using platform::CommandOutcome;

class LiveSyncTest : public receivetest::ReceiveTest {
protected:
    void SetUp() override {
        ReceiveTest::SetUp();
        g_Settings.m_bAutoSync = 1;
        acDocManager->unlockDocument(doc);  // the fixture's; commands take their own
        map.ClearRecords();
    }
    void TearDown() override {
        acDocManager->lockDocument(doc);
        ReceiveTest::TearDown();
    }
    CommandOutcome Cmd(
        const char16_t* name, const std::function<void()>& body = [] {},
        CommandOutcome outcome = CommandOutcome::kEnded) {
        return platform::RunCommand(name, [&] {
            body();
            return outcome;
        });
    }
    void Edit(uint64_t handle, const std::function<void(AcDbEntity*)>& edit) {
        linktest::DocLock lock(doc);
        AcDbEntity* entity = nullptr;
        ASSERT_EQ(acdbOpenObject(entity, linktest::IdOf(doc, handle), AcDb::kForWrite), Acad::eOk);
        edit(entity);
        entity->close();
    }
    void Erase(uint64_t handle) {
        Edit(handle, [](AcDbEntity* e) { e->erase(); });
    }
    void Move(uint64_t handle) {
        Edit(handle, [](AcDbEntity* e) { e->transformBy(AcGeMatrix3d::translation(AcGeVector3d(1, 0, 0))); });
    }
    // Keys of every object sent since the records were cleared.
    std::multiset<uint64_t> SentKeys() const {
        std::multiset<uint64_t> keys;
        for (const auto& request : map.RequestsOf(20112)) {
            if (auto packet = mapsim::ReadPacket(request.payload.data(), request.payload.size())) {
                for (const auto& record : packet->records) {
                    if (record.key != 0 && record.type != 30) {
                        keys.insert(record.key);
                    }
                }
            }
        }
        return keys;
    }
    // Keys of every object sent since the records were cleared, in the order they went.
    std::vector<uint64_t> SentKeyList() const {
        std::vector<uint64_t> keys;
        for (const auto& request : map.RequestsOf(20112)) {
            if (auto packet = mapsim::ReadPacket(request.payload.data(), request.payload.size())) {
                for (const auto& record : packet->records) {
                    if (record.key != 0 && record.type != 30) {
                        keys.push_back(record.key);
                    }
                }
            }
        }
        return keys;
    }
    // Map ids asked to be deleted.
    std::vector<uint32_t> Deleted() const {
        std::vector<uint32_t> ids;
        for (const auto& request : map.RequestsOf(20103)) {
            for (size_t at = 16; at + 4 <= request.payload.size(); at += 4) {
                uint32_t id = 0;
                std::memcpy(&id, request.payload.data() + at, 4);
                ids.push_back(id);
            }
        }
        return ids;
    }
    bool Exists(uint64_t handle) {
        AcDbEntity* entity = nullptr;
        if (acdbOpenObject(entity, linktest::IdOf(doc, handle), AcDb::kForRead) != Acad::eOk) {
            return false;
        }
        entity->close();
        return true;
    }
};

TEST_F(LiveSyncTest, NewLinesAreSentWhenTheirCommandEndsAndOnlyWithAutoSync) {
    uint64_t a = 0, b = 0;
    Cmd(u"LINE", [&] {
        a = linktest::AddLine(doc, 1);
        b = linktest::AddLine(doc, 2);
    });
    EXPECT_EQ(SentKeys(), (std::multiset<uint64_t>{a, b}));
    Cmd(u"REGEN");
    EXPECT_EQ(g_bEchoFlag, 0);  // cleared when the next command starts

    // A command not in the list sends nothing; its entities wait in the lists.
    map.ClearRecords();
    uint64_t copied = 0;
    Cmd(u"COPY", [&] { copied = linktest::AddLine(doc, 3); });
    EXPECT_TRUE(SentKeys().empty());
    EXPECT_EQ(CurrentDocState()->m_lines.length(), 1);

    g_Settings.m_bAutoSync = 0;
    map.ClearRecords();
    Cmd(u"LINE", [&] { linktest::AddLine(doc, 4); });
    EXPECT_TRUE(SentKeys().empty());
}

// Every command of the list runs its command-end sync with the candidates it takes: the lines, the texts,
// the bound or all modified entities, or the last one. Names outside the commands below (added later) must
// take something the command changed.
TEST_F(LiveSyncTest, EveryListedCommandSendsTheCandidatesItTakes) {
    enum Take { kLines, kTexts, kBound, kModified, kLast };
    const std::map<std::u16string, Take> expected = {
        {u"LINE", kLines},
        {u"TEXT", kTexts},
        {u"DTEXT", kTexts},
        {u"MTEXT", kTexts},
        {u"UNDO", kBound},
        {u"MUNDO", kBound},
        {u"MREDO", kBound},
        {u"REDO", kBound},
        {u"MLINE", kLast},
        {u"BLOCK", kLast},
        {u"PLINE", kLast},
        {u"3DPOLY", kLast},
        {u"HELIX", kLast},
        {u"ARC", kLast},
        {u"CIRCLE", kLast},
        {u"RECTANG", kLast},
        {u"SPLINE", kLast},
        {u"GRADIENT", kLast},
        {u"GRIP_STRETCH", kModified},
        {u"ELLIPSE", kLast},
        {u"HATCH", kLast},
        {u"BHATCH", kLast},
        {u"POLYGON", kLast},
        {u"MOVE", kModified},
        {u"POINT", kLast},
    };
    const std::vector<std::u16string> names = SyncCommandNames();
    for (const auto& [name, take] : expected) {
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << platform::Utf16ToUtf8(name);
    }
    uint32_t mapId = 900;
    for (const std::u16string& name : names) {
        SCOPED_TRACE(platform::Utf16ToUtf8(name));
        // A bound line, a text and, made last, a circle, all changed by the command.
        const uint64_t line = linktest::AddLine(doc, 1);
        linktest::Bind(state, line, ++mapId, u"bound");
        const uint64_t text =
            linktest::Append(doc, new AcDbText(AcGePoint3d(0, 5, 0), u"label", AcDbObjectId(), 2.5));
        uint64_t circle = 0;
        map.ClearRecords();
        Cmd(name.c_str(), [&] {
            Move(line);
            Move(text);
            circle = linktest::Append(doc, new AcDbCircle(AcGePoint3d(20, 20, 0), AcGeVector3d::kZAxis, 2.0));
        });
        const std::multiset<uint64_t> sent = SentKeys();
        const auto it = expected.find(name);
        if (it == expected.end()) {
            EXPECT_FALSE(sent.empty());
            for (uint64_t key : sent) {
                EXPECT_TRUE(key == line || key == text || key == circle) << key;
            }
            continue;
        }
        switch (it->second) {
            case kLines:
                EXPECT_EQ(sent, std::multiset<uint64_t>{line});
                break;
            case kTexts:
                EXPECT_EQ(sent, std::multiset<uint64_t>{text});
                break;
            case kBound:
                EXPECT_EQ(sent, std::multiset<uint64_t>{line});
                break;
            case kModified:
                EXPECT_EQ(sent, (std::multiset<uint64_t>{line, text, circle}));
                break;
            case kLast:
                EXPECT_EQ(sent, std::multiset<uint64_t>{circle});
                break;
        }
    }
}

TEST_F(LiveSyncTest, ErasesDeleteOnlyWhatIsBoundAndUndoSendsEveryEntityBack) {
    const uint64_t a = linktest::AddLine(doc, 1);
    const uint64_t b = linktest::AddLine(doc, 2);
    const uint64_t loose = linktest::AddLine(doc, 3);
    // Two parts of a multi-part track: polylines.
    auto part = [&](double y) {
        auto* polyline = new AcDbPolyline;
        polyline->addVertexAt(0, AcGePoint2d(0, y));
        polyline->addVertexAt(1, AcGePoint2d(10, y));
        return linktest::Append(doc, polyline);
    };
    const uint64_t member = part(4);
    const uint64_t kept = part(6);
    const uint64_t boundary = linktest::AddLine(doc, 5);
    linktest::Bind(state, boundary, 503, u"boundary");
    linktest::Bind(state, a, 501, u"a");
    linktest::Bind(state, b, 502, u"b");
    for (uint64_t key : {member, kept}) {
        linktest::Bind(state, key, 600, u"group", CString(), true);
        state->m_trackGroups.AddLinkEntity(600, *state->m_bindings.FindBinding(key), false);
    }

    Cmd(u"ERASE", [&] {
        Erase(a);
        Erase(b);
        Erase(loose);
        Erase(member);
    });
    EXPECT_EQ(Deleted(), (std::vector<uint32_t>{501, 502}));  // not the loose line, not the whole group
    EXPECT_EQ(state->m_bindings.FindBinding(a), nullptr);
    uint64_t key = 0;
    EXPECT_FALSE(state->m_mapIds.Get(501, key));
    // The group is sent again without the member, which stays bound to it for an undo.
    EXPECT_EQ(SentKeys().count(600), 1u);
    const CBindingRecord* record = state->m_bindings.FindBinding(member);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->m_groupMember, 1);
    const CMapObjLink* group = state->m_trackGroups.Find(record->m_mapId);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->m_keys, (std::vector<uint64_t>{member, kept}));

    // Undoing the erase of many entities sends every one of them back, in one list.
    map.ClearRecords();
    platform::RunCommand(u"U");
    EXPECT_TRUE(Exists(a) && Exists(b) && Exists(loose));
    const std::multiset<uint64_t> sent = SentKeys();
    EXPECT_EQ(sent.count(a), 1u);
    EXPECT_EQ(sent.count(b), 1u);
    EXPECT_EQ(sent.count(loose), 1u);

    // An erase while BHATCH runs passes nothing on.
    map.ClearRecords();
    Cmd(u"BHATCH", [&] { Erase(boundary); });
    EXPECT_TRUE(Deleted().empty());
}

TEST_F(LiveSyncTest, MovesSendEveryMovedEntityAndUndoOnlyTheBoundOnes) {
    const uint64_t a = linktest::AddLine(doc, 1);
    const uint64_t b = linktest::AddLine(doc, 2);
    const uint64_t loose = linktest::AddLine(doc, 3);
    linktest::Bind(state, a, 701, u"a");
    linktest::Bind(state, b, 702, u"b");
    Cmd(u"MOVE", [&] {
        Move(a);
        Move(b);
        Move(loose);
        Move(a);  // moved twice: sent once
    });
    EXPECT_EQ(SentKeyList(), (std::vector<uint64_t>{a, b, loose}));
    EXPECT_EQ(CurrentDocState()->m_modified.length(), 0);
}

TEST_F(LiveSyncTest, UndoSendsBackOnlyTheBoundEntitiesOnceEach) {
    const uint64_t a = linktest::AddLine(doc, 1);
    const uint64_t b = linktest::AddLine(doc, 2);
    const uint64_t loose = linktest::AddLine(doc, 3);
    const uint64_t noMapId = linktest::AddLine(doc, 4);
    const uint64_t c = linktest::AddLine(doc, 5);
    linktest::Bind(state, a, 701, u"a");
    linktest::Bind(state, b, 702, u"b");
    linktest::Bind(state, noMapId, 0, u"no map id");
    linktest::Bind(state, c, 703, u"c");
    // Moved without the live sync: the map application keeps its objects (and gives the loose line none).
    g_Settings.m_bAutoSync = 0;
    Cmd(u"MOVE", [&] {
        Move(a);
        Move(loose);
        Move(b);
        Move(a);
        Move(noMapId);
        Move(c);
    });
    g_Settings.m_bAutoSync = 1;
    ASSERT_TRUE(SentKeyList().empty());

    // Only the entities bound to a map object go back, once each (a was moved twice).
    platform::RunCommand(u"U");
    EXPECT_EQ(SentKeyList(), (std::vector<uint64_t>{a, b, c}));
    EXPECT_EQ(CurrentDocState()->m_modified.length(), 0);
}

TEST_F(LiveSyncTest, PointsAsIconsBecomeMarkersAndAStalePointIsNeverErased) {
    g_Settings.m_bPointAsIcon = 1;
    uint64_t point = 0;
    Cmd(u"POINT", [&] { point = linktest::Append(doc, new AcDbPoint(AcGePoint3d(7, 8, 0))); });
    EXPECT_FALSE(Exists(point));
    EXPECT_EQ(SentKeys().size(), 1u);  // the icon marker built from the posted position

    // A point moved earlier is not the one a cancelled POINT leaves behind.
    const uint64_t old = linktest::Append(doc, new AcDbPoint(AcGePoint3d(1, 1, 0)));
    Cmd(u"MOVE", [&] { Move(old); });
    Cmd(
        u"POINT", [] {}, CommandOutcome::kCancelled);
    EXPECT_TRUE(Exists(old));
}

TEST_F(LiveSyncTest, SavesWriteTheLinksWithTheEchoFlagSetAndSendNothing) {
    const uint64_t line = linktest::AddLine(doc, 1);
    linktest::Bind(state, line, 801, u"saved");
    for (const char16_t* trigger : {u"QSAVE", u"EXPORTDWF", u"-LAYER", u"SAVE"}) {
        SCOPED_TRACE(platform::Utf16ToUtf8(trigger));
        state->m_bindings.FindBinding(line)->m_saved = 0;
        map.ClearRecords();
        const int modified = state->m_modified.length();
        Cmd(trigger);
        CBindingRecord stored;
        EXPECT_TRUE(linktest::StoredLink(doc, line, stored));
        EXPECT_EQ(state->m_bindings.FindBinding(line)->m_saved, 1);
        EXPECT_TRUE(SentKeys().empty());
        EXPECT_EQ(state->m_modified.length(), modified);  // the link writes are not edits
        EXPECT_EQ(g_bEchoFlag, 0);
    }
}

TEST_F(LiveSyncTest, EscClearsTheInCommandStateForHeldTiles) {
    Cmd(
        u"LINE", [&] { EXPECT_EQ(g_pEditorReactor->m_bInCommand, 1); }, CommandOutcome::kCancelled);
    EXPECT_EQ(g_pEditorReactor->m_bInCommand, 0);
    Cmd(
        u"MOVE", [] {}, CommandOutcome::kFailed);
    EXPECT_EQ(g_pEditorReactor->m_bInCommand, 0);
}

TEST_F(LiveSyncTest, BaseMapTilesStayOutOfSelectionsAndHighlights) {
    const uint64_t tile1 = linktest::AddLine(doc, 1, u"*MapLayer");
    const uint64_t line = linktest::AddLine(doc, 2);
    const uint64_t tile2 = linktest::AddLine(doc, 3, u"*MapLayer");
    const uint64_t other = linktest::AddLine(doc, 4);
    std::vector<AcDbObjectId> added = {linktest::IdOf(doc, tile1), linktest::IdOf(doc, line),
                                       linktest::IdOf(doc, tile2), linktest::IdOf(doc, other)};
    platform::FilterAddedSelection(added);
    EXPECT_EQ(added, (std::vector<AcDbObjectId>{linktest::IdOf(doc, line), linktest::IdOf(doc, other)}));

    ads_name ss;
    ASSERT_EQ(acedSSGet(u"X", nullptr, nullptr, nullptr, ss), RTNORM);
    Adesk::Int32 length = 0;
    acedSSLength(ss, &length);
    EXPECT_EQ(length, 2);
    acedSSFree(ss);

    // The highlight keeps its order (container first) and its subentity.
    AcDbObjectIdArray path;
    path.append(linktest::IdOf(doc, line));
    path.append(linktest::IdOf(doc, tile1));
    path.append(linktest::IdOf(doc, other));
    const AcDbFullSubentPath shown =
        platform::RolloverHighlight(AcDbFullSubentPath(path, AcDbSubentId(2, 9)));
    ASSERT_EQ(shown.objectIds().length(), 2);
    EXPECT_EQ(shown.objectIds()[0], linktest::IdOf(doc, line));
    EXPECT_EQ(shown.objectIds()[1], linktest::IdOf(doc, other));
    EXPECT_EQ(shown.subentId(), AcDbSubentId(2, 9));
}

TEST_F(LiveSyncTest, DoubleClickOpensThePropertiesOfOneEntityOnly) {
    g_Settings.m_bDblClickProperty = 1;
    const uint64_t line = linktest::AddLine(doc, 1);
    linktest::Bind(state, line, 901, u"井")->m_saved = 1;
    auto dblclkedit = [] {
        resbuf rb{};
        acedGetVar(u"DBLCLKEDIT", &rb);
        return rb.resval.rint;
    };
    const int hostEdits = platform::HostDoubleClickEdits();

    user.ExpectDialog(IDD_ENT_PROPERTY, [](platform::UiDialog& d) {
        d.SetText(IDC_PROP_NAME, u"新井");
        d.Click(IDOK);
    });
    platform::FireDoubleClick(AcGePoint3d(5, 1, 0));
    platform::PumpMessages();
    EXPECT_EQ(platform::HostDoubleClickEdits(), hostEdits);      // the host's own edit did not follow
    EXPECT_EQ(state->m_bindings.FindBinding(line)->m_saved, 0);  // written at the next save
    EXPECT_EQ(SentKeys(), (std::multiset<uint64_t>{line}));
    Cmd(u"REGEN");
    EXPECT_EQ(dblclkedit(), 1);  // the user's value again

    // Two entities under the point: no dialog, the host edits.
    linktest::AddLine(doc, 1);
    platform::SetPointPickTakesEveryHit(true);
    platform::FireDoubleClick(AcGePoint3d(5, 1, 0));
    platform::SetPointPickTakesEveryHit(false);
    EXPECT_EQ(dblclkedit(), 1);
    EXPECT_EQ(platform::HostDoubleClickEdits(), hostEdits + 1);
    EXPECT_EQ(platform::LiveSelectionSetCount(), 0u);
}

TEST_F(LiveSyncTest, AnotherDrawingsChangesNeverTouchTheCurrentDrawingsState) {
    const uint64_t here = linktest::AddLine(doc, 1);
    linktest::Bind(state, here, 1001, u"here");
    AcApDocument* other = platform::NewDocument();  // unnamed: a state of its own all the same
    CDocSyncState* otherState = CurrentDocState();
    ASSERT_NE(otherState, state);
    const uint64_t there = linktest::AddLine(other, 1);
    ASSERT_EQ(there, here);  // both drawings count handles alike
    linktest::Bind(otherState, there, 2002, u"there");
    acDocManager->activateDocument(doc);
    ASSERT_EQ(CurrentDocState(), state);

    map.ClearRecords();
    const int modified = state->m_modified.length();
    {
        linktest::DocLock lock(other);
        AcDbEntity* entity = nullptr;
        ASSERT_EQ(acdbOpenObject(entity, linktest::IdOf(other, there), AcDb::kForWrite), Acad::eOk);
        entity->erase();
        entity->close();
    }
    EXPECT_TRUE(Deleted().empty());
    ASSERT_NE(state->m_bindings.FindBinding(here), nullptr);
    EXPECT_EQ(state->m_bindings.FindBinding(here)->m_mapId, 1001u);
    EXPECT_EQ(state->m_modified.length(), modified);
}

}  // namespace
