// The receive road end to end in-process: the map user sends the selection, the plug-in asks for it, and
// the answer becomes entities, layers and bindings in the drawing.
#include "link_fixture.h"
#include "plugin/exchange/DlgMsg.h"
#include "plugin/exchange/ReceiveRoad.h"
#include "plugin/res/dlg_msg.h"
#include "receive_fixture.h"

namespace {

using mapsim::kTypeFolder;
using mapsim::kTypeMark;
using mapsim::kTypeMulti;
using mapsim::kTypeShape;
using mapsim::kTypeTrack;
using receivetest::Label;
using receivetest::ReceiveTest;
using receivetest::Record;
using receivetest::Track;

CString FolderName(uint32_t id) {
    const auto& names = g_MapFolderTree.GetIdMap();
    const auto it = names.find(id);
    return it != names.end() ? it->second : CString(u"<none>");
}

int Total(const std::map<std::string, int>& classes) {
    int n = 0;
    for (const auto& [name, count] : classes) {
        n += count;
    }
    return n;
}

TEST_F(ReceiveTest, SamplesBecomeEntitiesOnTheirFoldersLayersAndAreBound) {
    g_Settings.m_bPointAsIcon = 1;
    const std::vector<uint32_t> ids = mapsim::AddSampleObjects(map);
    map.ClearRecords();
    platform::ClearStatusBarEvents();
    Receive();

    ASSERT_EQ(map.RequestsOf(20110).size(), 1u);
    // Points: the point marker, the exploded folder's part and the point set's 3; the icon marker is an
    // image.
    std::map<std::string, int> classes = Classes();
    EXPECT_EQ(classes["AcDbPoint"], 5) << ::testing::PrintToString(classes);
    EXPECT_EQ(classes["AcDbText"], 1);
    EXPECT_EQ(classes["AcDbMText"], 1);
    EXPECT_EQ(classes["AcDbRasterImage"], 1);
    EXPECT_EQ(classes["AcDbCircle"], 1);
    EXPECT_EQ(classes["AcDbArc"], 2);
    EXPECT_EQ(classes["AcDbEllipse"], 1);
    EXPECT_EQ(classes["AcDbSpline"], 1);
    EXPECT_EQ(classes["AcDb3dPolyline"], 1);
    EXPECT_EQ(classes["AcDbHatch"], 4);  // outlines erased once the hatches stand
    // Polylines: road, wide line, the two parts, the multi-part object, the exploded folder's line.
    EXPECT_EQ(classes["AcDbPolyline"], 6);

    // The folder's layer carries the entities; single objects are bound and found by their map id.
    const uint32_t label = ids[1];
    const AcDbObjectId labelId = Bound(label);
    ASSERT_FALSE(labelId.isNull());
    EXPECT_EQ(LayerOf(labelId), "样例");
    const CBindingRecord* binding = state->m_bindings.FindBinding(HandleToUInt32(labelId.handle()));
    ASSERT_NE(binding, nullptr);
    EXPECT_EQ(binding->m_mapId, label);
    EXPECT_EQ(binding->m_name, CString(u"测站 A"));
    EXPECT_NE(binding->m_remark.Find(u"<?zavrel_ct name="), -1);
    EXPECT_EQ(binding->m_saved, 0);
    EXPECT_EQ(binding->m_parentId, 0u);
    // The point set and the two-part track are groups: no reverse entry, members bound as group members.
    const uint32_t pointSet = ids[8], parts = ids[14];
    EXPECT_TRUE(Bound(pointSet).isNull());
    ASSERT_NE(state->m_pointGroups.Find(pointSet), nullptr);
    EXPECT_EQ(state->m_pointGroups.Find(pointSet)->m_keys.size(), 3u);
    ASSERT_NE(state->m_trackGroups.Find(parts), nullptr);
    EXPECT_EQ(state->m_trackGroups.Find(parts)->m_keys.size(), 2u);
    for (uint64_t key : state->m_trackGroups.Find(parts)->m_keys) {
        ASSERT_NE(state->m_bindings.FindBinding(key), nullptr);
        EXPECT_EQ(state->m_bindings.FindBinding(key)->m_groupMember, 1);
    }
    // The exploded folder of another drawing is a folder like any: its layer and its parts.
    EXPECT_EQ(FolderName(ids.back()), CString(u"炸开的块"));
    AcDbLayerTable* layers = nullptr;
    ASSERT_EQ(doc->database()->getLayerTable(layers, AcDb::kForRead), Acad::eOk);
    EXPECT_TRUE(layers->has(u"样例"));
    EXPECT_TRUE(layers->has(u"炸开的块"));
    layers->close();

    // The meter ran and was put away; the echo flag holds for 100 ms.
    EXPECT_FALSE(platform::ProgressMeterShown());
    EXPECT_EQ(g_bEchoFlag, 1);
    platform::AdvanceClock(100);
    EXPECT_EQ(g_bEchoFlag, 0);
    EXPECT_TRUE(map.RequestsOf(20103).empty());
}

TEST_F(ReceiveTest, ReceivingAgainReplacesEntitiesAndBindingsWithoutDeletingInTheMap) {
    const std::vector<uint32_t> ids = mapsim::AddSampleObjects(map);
    Receive();
    const std::map<std::string, int> before = Classes();
    const size_t bindings = state->m_bindings.Records().size();
    const AcDbObjectId oldLabel = Bound(ids[1]);
    const std::vector<uint64_t> oldPoints = state->m_pointGroups.Find(ids[8])->m_keys;
    platform::AdvanceClock(100);

    Receive();
    EXPECT_EQ(Classes(), before);
    EXPECT_EQ(state->m_bindings.Records().size(), bindings);
    const AcDbObjectId newLabel = Bound(ids[1]);
    ASSERT_FALSE(newLabel.isNull());
    EXPECT_NE(newLabel, oldLabel);
    EXPECT_TRUE(oldLabel.isErased());
    EXPECT_EQ(state->m_bindings.FindBinding(HandleToUInt32(oldLabel.handle())), nullptr);
    EXPECT_NE(state->m_pointGroups.Find(ids[8])->m_keys, oldPoints);
    EXPECT_EQ(state->m_pointGroups.Find(ids[8])->m_keys.size(), 3u);
    EXPECT_TRUE(map.RequestsOf(20103).empty());
}

TEST_F(ReceiveTest, ExplodedFoldersOfThisDrawingAreIgnoredAndListed) {
    // A block reference of this drawing went out as folder 700 with two parts.
    const uint32_t block = 700;
    state->m_mapIds.Set(block, 0x2A);
    const auto packet = [&] {
        mapsim::Packet p;
        p.records.push_back(Record(kTypeFolder, block, 0, mapsim::MakeExplodedFolderRecord("街区块", 2)));
        p.records.push_back(Record(kTypeMark, 701, block, Label("part one")));
        p.records.push_back(Record(kTypeMark, 702, block, Label("part two")));
        p.records.push_back(Record(kTypeMark, 703, 0, Label("after")));
        // A part of the block sent on its own is passed over too.
        p.records.push_back(Record(kTypeMark, 704, block, Label("stray part")));
        return p;
    };
    std::u16string listed;
    user.ExpectDialog(IDD_DLG_MSG, [&](platform::UiDialog& dialog) {
        listed = dialog.Text(IDC_MSG_TEXT);
        dialog.Click(IDOK);
    });
    ReceivePacket(packet());
    EXPECT_EQ(listed, u"以下[块/面域]对象被系统忽略：\r\n\r\n街区块");
    EXPECT_EQ(Total(Classes()), 1);
    EXPECT_FALSE(Bound(703).isNull());
    EXPECT_EQ(FolderName(block), CString(u"街区块"));
    AcDbLayerTable* layers = nullptr;
    ASSERT_EQ(doc->database()->getLayerTable(layers, AcDb::kForRead), Acad::eOk);
    EXPECT_FALSE(layers->has(u"街区块"));
    layers->close();

    // "不再提示": remembered and saved; the next receive shows nothing.
    user.ExpectDialog(IDD_DLG_MSG, [&](platform::UiDialog& dialog) { dialog.Click(IDC_MSG_NOT_AGAIN); });
    ReceivePacket(packet());
    EXPECT_EQ(g_Settings.m_bHideSkippedList, 1);
    ReceivePacket(packet());
    EXPECT_EQ(Total(Classes()), 1);
}

TEST_F(ReceiveTest, MalformedAnswersStopTheReadingAndKeepWhatCameBefore) {
    using mapsim::Malformed;
    const Malformed kinds[] = {Malformed::TotalBeyondEnd,     Malformed::NegativeSize,
                               Malformed::ZeroSize,           Malformed::RecordPastEnd,
                               Malformed::ChildCountPastEnd,  Malformed::UnterminatedName,
                               Malformed::TrackCountOverflow, Malformed::MultiNegativeItems};
    state->m_mapIds.Set(900, 0x2B);  // the exploded folder of the child-count fault is this drawing's
    g_Settings.m_bHideSkippedList = 1;
    for (Malformed kind : kinds) {
        SCOPED_TRACE(static_cast<int>(kind));
        const AcDbObjectIdArray before = Ids();
        ReceiveBytes(mapsim::MalformedSelection(kind));
        EXPECT_FALSE(Bound(801).isNull());
        const int added = Ids().length() - before.length();
        // The first "ok" marker replaces its predecessor; a zero-size record is passed over and the next
        // one read; an unterminated name is read within its field.
        const int expected = kind == Malformed::ZeroSize || kind == Malformed::UnterminatedName ? 1 : 0;
        EXPECT_EQ(added, expected + (before.length() == 0 ? 1 : 0));
        EXPECT_FALSE(platform::ProgressMeterShown());
        if (kind == Malformed::UnterminatedName) {
            const CBindingRecord* record = state->m_bindings.FindBinding(HandleToUInt32(Bound(802).handle()));
            ASSERT_NE(record, nullptr);
            EXPECT_EQ(record->m_name, CString(std::u16string(99, u'N').c_str()));
        }
    }
    // Shorter than a header and one record: not read at all.
    const int count = Ids().length();
    ReceiveBytes(mapsim::Bytes(143, 0));
    EXPECT_EQ(Ids().length(), count);
    EXPECT_FALSE(platform::ProgressMeterShown());
}

TEST_F(ReceiveTest, AFailedReplacementKeepsTheOldEntityAndItsBinding) {
    mapsim::Packet packet;
    packet.records.push_back(Record(kTypeTrack, 600, 0, Track(5, {{0, 0}, {10, 0}})));
    packet.records.push_back(Record(kTypeMark, 601, 0, Label("label")));
    ReceivePacket(packet);
    const AcDbObjectId track = Bound(600), label = Bound(601);
    ASSERT_FALSE(track.isNull());
    ASSERT_FALSE(label.isNull());

    // A circle track of four points and a label without level, when the settings give none, build nothing.
    g_Settings.m_nTextLevel = 0;
    packet.records[0].payload = Track(7, {{0, 0}, {1, 1}, {2, 0}, {3, 1}});
    packet.records[1].payload = Label("label", 0);
    ReceivePacket(packet);
    EXPECT_EQ(Bound(600), track);
    EXPECT_EQ(Bound(601), label);
    EXPECT_FALSE(track.isErased());
    EXPECT_FALSE(label.isErased());
    EXPECT_NE(state->m_bindings.FindBinding(HandleToUInt32(track.handle())), nullptr);

    // Received before as a group, now as one entity: the group's members go.
    packet.records.resize(1);
    packet.records[0].payload = Track(5, {{0, 0}, {10, 0}, {10, 10, 0x10000}, {20, 10}});
    ReceivePacket(packet);
    ASSERT_NE(state->m_trackGroups.Find(600), nullptr);
    EXPECT_TRUE(track.isErased());
    EXPECT_EQ(Ids().length(), 3);
    packet.records[0].payload = Track(5, {{0, 0}, {10, 0}});
    ReceivePacket(packet);
    EXPECT_EQ(Ids().length(), 2);
    EXPECT_TRUE(state->m_trackGroups.Find(600)->m_keys.empty());
}

TEST_F(ReceiveTest, AnObjectKeptOnALockedLayerIsNamedInTheIgnoredList) {
    mapsim::Packet packet;
    packet.records.push_back(Record(kTypeFolder, 510, 1, mapsim::MakeFolderRecord("围墙")));
    packet.records.push_back(Record(kTypeTrack, 511, 510, Track(5, {{0, 0}, {10, 0}})));
    ReceivePacket(packet);
    const AcDbObjectId kept = Bound(511);
    ASSERT_FALSE(kept.isNull());

    linktest::SetLayerLocked(doc, u"围墙", true);
    packet.records[1].payload = Track(5, {{0, 0}, {20, 0}});
    std::u16string listed;
    user.ExpectDialog(IDD_DLG_MSG, [&](platform::UiDialog& dialog) {
        listed = dialog.Text(IDC_MSG_TEXT);
        dialog.Click(IDOK);
    });
    ReceivePacket(packet);
    EXPECT_EQ(listed, u"以下[块/面域]对象被系统忽略：\r\n\r\ntrack");
    EXPECT_EQ(Bound(511), kept);
    EXPECT_FALSE(kept.isErased());
    EXPECT_EQ(Ids().length(), 1);
}

TEST_F(ReceiveTest, FoldersMakeLayersAndUnknownParentsTheCurrentLayer) {
    mapsim::Packet packet;
    packet.records.push_back(Record(kTypeFolder, 500, 1, mapsim::MakeFolderRecord("管网")));
    packet.records.push_back(Record(kTypeMark, 501, 500, Label("in folder")));
    packet.records.push_back(Record(kTypeMark, 502, 499, Label("nowhere")));
    // A name the host refuses as a layer name: its objects stand on the current layer.
    packet.records.push_back(Record(kTypeFolder, 503, 1, mapsim::MakeFolderRecord("a<b>*")));
    packet.records.push_back(Record(kTypeMark, 504, 503, Label("refused")));
    ReceivePacket(packet);
    EXPECT_EQ(LayerOf(Bound(501)), "管网");
    EXPECT_EQ(LayerOf(Bound(502)), "0");
    EXPECT_EQ(LayerOf(Bound(504)), "0");
    // The folder's layer is linked to it.
    EXPECT_EQ(FolderName(500), CString(u"管网"));
}

TEST_F(ReceiveTest, TheViewFollowsOnlyInTheModesThatMoveTheDrawing) {
    const auto viewCentre = [] {
        resbuf rb{};
        acedGetVar(u"VIEWCTR", &rb);
        return AcGePoint2d(rb.resval.rpoint[0], rb.resval.rpoint[1]);
    };
    const auto labelAt = [](double x, double y) {
        mapsim::SampleMark mark;
        mark.name = "p";
        mark.x = x;
        mark.y = y;
        return mapsim::MakeMarkRecord(mark);
    };
    mapsim::Packet packet;
    packet.records.push_back(Record(kTypeMark, 400, 0, labelAt(500, 300)));
    for (int mode : {0, 1}) {
        g_Settings.m_nViewFollowMode = mode;
        const AcGePoint2d before = viewCentre();
        ReceivePacket(packet);
        EXPECT_EQ(viewCentre(), before);
    }
    g_Settings.m_nViewFollowMode = 2;
    ReceivePacket(packet);
    EXPECT_NEAR(viewCentre().x, 500, 1e-6);
    EXPECT_NEAR(viewCentre().y, 300, 1e-6);
    // Within 2 units of the origin: no position, the view stays.
    g_Settings.m_nViewFollowMode = 3;
    packet.records[0].payload = labelAt(1.5, -1.9);
    ReceivePacket(packet);
    EXPECT_NEAR(viewCentre().x, 500, 1e-6);
    // Without the levels' resolutions there is no scale to zoom to.
    map.SetResolutions({});
    for (int level = 1; level <= kMaxTileLevel; ++level) {
        BaseMap().SetResolution(level, 0.0, 0.0);
    }
    packet.records[0].payload = labelAt(800, 800);
    ReceivePacket(packet);
    EXPECT_NEAR(viewCentre().x, 500, 1e-6);
}

}  // namespace
