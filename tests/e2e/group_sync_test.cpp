// Groups and owned entities under live sync, end to end: the plug-in in the host with auto-sync on, the
// simulated map application storing what it gets. A point set or multi-part track follows every erase of
// its members and every undo as the one object it is; a block reference goes as its folder, never its
// attributes as loose labels; the host's in-place edits of linked entities reach the map when they end.
#include <cstdio>
#include <map>
#include <tuple>
#include <vector>

#include "../exchange/link_fixture.h"
#include "host_fixture.h"
#include "mapsim/records.h"
#include "mapsim/samples.h"
#include "plugin/core/Settings.h"
#include "plugin/maplink/maplink.h"
#include "plugin/maplink/mapobj.h"

namespace {

using platform::CommandOutcome;

class GroupSyncTest : public e2e::SyncedDrawingTest {
protected:
    void SetUp() override {
        SyncedDrawingTest::SetUp();
        SetUpDrawing("site.dxf");
    }

    static std::string Sel(AcDbObjectId id) {
        char text[32];
        std::snprintf(text, sizeof text, "h:%llX", static_cast<unsigned long long>(id.handle().value()));
        return text;
    }
    // Map id -> point count of every track the map holds, of the given geometry kind.
    std::map<uint32_t, int> Tracks(uint8_t kind) {
        std::map<uint32_t, int> tracks;
        for (const auto& [id, object] : host.MapSim().Objects()) {
            if (object.type != kMapTypeTrack) {
                continue;
            }
            MapTrackObj* track =
                MapApiParseTrack(&g_MapApiLink, object.bytes.data(), DWORD(object.bytes.size()));
            EXPECT_NE(track, nullptr);
            if (track != nullptr && track->m_byGeomKind == kind) {
                tracks[id] = track->m_nCount;
            }
            MapApiFreeObj(&g_MapApiLink, track, kMapTypeTrack);
        }
        return tracks;
    }
    size_t MapObjects() { return host.MapSim().Objects().size(); }
    // The map user sends these objects of a folder "图层" to CAD.
    void Receive(std::vector<uint32_t> ids) {
        ids.insert(ids.begin(), Folder());
        host.MapSim().Select(std::move(ids));
        ASSERT_EQ(Run("MAPSIM SENDTOCAD"), CommandOutcome::kEnded);
        host.Wait(200);
    }
    uint32_t Folder() {
        if (m_folder == 0) {
            m_folder = host.MapSim().AddFolder(mapsim::kRootFolder, "图层");
        }
        return m_folder;
    }
    void SendAll() {
        const std::vector<AcDbObjectId> all = Entities();
        platform::SetPickFirst(all);
        ASSERT_EQ(Run("TOOLBAR 发送"), CommandOutcome::kEnded) << Printed();
    }
    // Erase, undo, erase all, undo, twice over: the map always holds what the drawing shows, once.
    void EraseAndUndo(const std::string& members, uint8_t kind, const std::map<uint32_t, int>& whole,
                      const std::map<uint32_t, int>& without, size_t objects) {
        ASSERT_EQ(Run("ERASE", {members}), CommandOutcome::kEnded);
        EXPECT_EQ(Tracks(kind), without);
        EXPECT_EQ(MapObjects(), objects);
        ASSERT_EQ(Run("U"), CommandOutcome::kEnded);
        EXPECT_EQ(Tracks(kind), whole);
        EXPECT_EQ(MapObjects(), objects);
        for (int round = 0; round < 2; ++round) {
            ASSERT_EQ(Run("ERASE", {"all"}), CommandOutcome::kEnded);
            EXPECT_EQ(MapObjects(), 0u) << "round " << round;
            ASSERT_EQ(Run("U"), CommandOutcome::kEnded);
            EXPECT_EQ(MapObjects(), objects) << "round " << round;
            ASSERT_EQ(Tracks(kind).size(), 1u);
            EXPECT_EQ(Tracks(kind).begin()->second, whole.begin()->second);
        }
    }

    uint32_t m_folder = 0;
};

TEST_F(GroupSyncTest, APointSetDrawnHereFollowsErasesAndUndosAsOneObject) {
    for (const char* at : {"100,100", "110,100", "120,100"}) {
        ASSERT_EQ(Run("POINT", {at}), CommandOutcome::kEnded);
    }
    const std::string firstTwo = Sel(Entities()[0]) + " " + Sel(Entities()[1]);
    ASSERT_EQ(Run("LINE", {"0,0", "10,0", ""}), CommandOutcome::kEnded);
    SendAll();
    const std::map<uint32_t, int> sent = Tracks(6);
    ASSERT_EQ(sent.size(), 1u);
    ASSERT_EQ(sent.begin()->second, 3);
    ASSERT_EQ(MapObjects(), 2u);
    const uint32_t set = sent.begin()->first;

    // Two of three erased: the one point left still stands for the set in the map.
    EraseAndUndo(firstTwo, 6, sent, {{set, 1}}, 2);

    // The links hold through a save and reopen: an erase then still shrinks the one object.
    ASSERT_EQ(Run("QSAVE"), CommandOutcome::kEnded);
    const std::map<uint32_t, int> saved = Tracks(6);
    Run("CLOSE");
    ASSERT_EQ(Run("OPEN", {drawing}), CommandOutcome::kEnded);
    AcDbObjectId point;
    for (AcDbObjectId id : Entities()) {
        AcDbPoint* open = nullptr;
        if (acdbOpenObject(open, id, AcDb::kForRead) == Acad::eOk) {
            point = id;
            open->close();
        }
    }
    ASSERT_FALSE(point.isNull());
    ASSERT_EQ(Run("ERASE", {Sel(point)}), CommandOutcome::kEnded);
    EXPECT_EQ(Tracks(6), (std::map<uint32_t, int>{{saved.begin()->first, 2}}));
    EXPECT_EQ(MapObjects(), 2u);
}

TEST_F(GroupSyncTest, APointSetOrBlockRenamedInItsPropertyDialogKeepsTheNameInTheMapAndTheDrawing) {
    std::string error;
    ASSERT_TRUE(host.UnloadModule("TarnArx", &error)) << error;
    CSettingsRecord record = AutoSyncSettings();
    record.m_bHideSkippedList = 1;
    record.m_bDblClickProperty = 1;
    WriteSettings(record);
    ASSERT_TRUE(host.LoadModule(TARN_PLUGIN_MODULE, &error)) << error;
    for (const char* at : {"100,100", "110,100"}) {
        ASSERT_EQ(Run("POINT", {at}), CommandOutcome::kEnded);
    }
    SendAll();
    ASSERT_EQ(Tracks(6).size(), 1u);
    const uint32_t set = Tracks(6).begin()->first;
    const auto name = [&] {
        const mapsim::StoredObject& object = host.MapSim().Objects().at(set);
        MapTrackObj* track = MapApiParseTrack(&g_MapApiLink, object.bytes.data(), DWORD(object.bytes.size()));
        const std::string text = track != nullptr ? track->m_szName : "<none>";
        MapApiFreeObj(&g_MapApiLink, track, kMapTypeTrack);
        return text;
    };

    host.Answer("set 8136 井群");
    host.Answer("click IDOK");
    ASSERT_EQ(Run("DBLCLICK 100,100"), CommandOutcome::kEnded);
    EXPECT_EQ(name(), "井群");

    // A block reference's folder renamed alike.
    ASSERT_EQ(Run("CIRCLE", {"200,200", "1"}), CommandOutcome::kEnded);
    ASSERT_EQ(Run("BLOCK", {"Well", "200,200", "last"}), CommandOutcome::kEnded);
    ASSERT_EQ(Run("-INSERT", {"Well", "300,300", "1", "0"}), CommandOutcome::kEnded);
    platform::SetPickFirst({Entities().back()});
    ASSERT_EQ(Run("TOOLBAR 发送"), CommandOutcome::kEnded);
    host.Answer("set 8136 一号井");
    host.Answer("click IDOK");
    ASSERT_EQ(Run("DBLCLICK 301,300"), CommandOutcome::kEnded);
    const auto folderNamed = [&](const std::string& wanted) {
        size_t n = 0;
        for (const auto& [id, folder] : host.MapSim().Folders()) {
            n += folder.Name() == wanted ? 1 : 0;
        }
        return n;
    };
    EXPECT_EQ(folderNamed("一号井"), 1u);
    EXPECT_EQ(folderNamed("Well"), 0u);

    // Saved and opened again: the set goes on under that name.
    ASSERT_EQ(Run("QSAVE"), CommandOutcome::kEnded);
    Run("CLOSE");
    ASSERT_EQ(Run("OPEN", {drawing}), CommandOutcome::kEnded);
    ASSERT_EQ(Run("MOVE", {"all", "0,0", "0,5"}), CommandOutcome::kEnded);
    EXPECT_EQ(Tracks(6).size(), 1u);
    EXPECT_EQ(name(), "井群");
    EXPECT_EQ(folderNamed("一号井"), 1u);
    EXPECT_EQ(folderNamed("Well"), 0u);
}

TEST_F(GroupSyncTest, AReceivedPointSetAndMultiPartTrackFollowErasesAndUndos) {
    mapsim::SampleTrack wells;
    wells.name = "井";
    wells.kind = 6;
    wells.points = {{0, 0}, {10, 0}, {20, 0}};
    const uint32_t set =
        host.MapSim().AddObject(mapsim::kTypeTrack, Folder(), mapsim::MakeTrackRecord(wells));
    Receive({set});
    ASSERT_EQ(Entities().size(), 3u);
    EraseAndUndo(Sel(Entities().front()), 6, {{set, 3}}, {{set, 2}}, 1);

    ASSERT_EQ(Run("ERASE", {"all"}), CommandOutcome::kEnded);
    host.MapSim().ClearRecords();
    mapsim::SampleTrack road;
    road.name = "路";
    road.points = {{0, 0}, {10, 0}, {10, 10}, {50, 50, 0x10000}, {60, 50}};
    const uint32_t track =
        host.MapSim().AddObject(mapsim::kTypeTrack, Folder(), mapsim::MakeTrackRecord(road));
    Receive({track});
    ASSERT_EQ(Entities().size(), 2u);
    EraseAndUndo(Sel(Entities().back()), 5, {{track, 5}}, {{track, 3}}, 1);
}

TEST_F(GroupSyncTest, AMemberOfAPointSetStaysInItsSetWhenPointsShowAsIcons) {
    std::string error;
    ASSERT_TRUE(host.UnloadModule("TarnArx", &error)) << error;
    CSettingsRecord record = AutoSyncSettings();
    record.m_bHideSkippedList = 1;
    record.m_bPointAsIcon = 1;
    WriteSettings(record);
    ASSERT_TRUE(host.LoadModule(TARN_PLUGIN_MODULE, &error)) << error;
    mapsim::SampleTrack wells;
    wells.kind = 6;
    wells.points = {{0, 0}, {10, 0}, {20, 0}};
    const uint32_t set =
        host.MapSim().AddObject(mapsim::kTypeTrack, Folder(), mapsim::MakeTrackRecord(wells));
    Receive({set});
    ASSERT_EQ(Run("ERASE", {Sel(Entities().front())}), CommandOutcome::kEnded);
    EXPECT_EQ(Tracks(6), (std::map<uint32_t, int>{{set, 2}}));
    EXPECT_EQ(MapObjects(), 1u);
}

TEST_F(GroupSyncTest, AMovedBlockReferenceWithAttributesGoesAsItsFolderOnly) {
    // What BLOCK moves into a block definition is no map object any more: nothing is sent for it.
    ASSERT_EQ(Run("LINE", {"0,0", "10,0", ""}), CommandOutcome::kEnded);
    ASSERT_EQ(MapObjects(), 1u);
    ASSERT_EQ(Run("BLOCK", {"PART", "0,0", "all"}), CommandOutcome::kEnded);
    EXPECT_EQ(MapObjects(), 0u);

    AcDbObjectId blockId;
    {
        linktest::DocLock lock(host.Document());
        AcDbDatabase* db = host.Document()->database();
        AcDbBlockTable* table = nullptr;
        ASSERT_EQ(db->getBlockTable(table, AcDb::kForWrite), Acad::eOk);
        auto* record = new AcDbBlockTableRecord();
        record->setName(u"WELL");
        ASSERT_EQ(table->add(blockId, record), Acad::eOk);
        table->close();
        auto* ring = new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d::kZAxis, 2.0);
        ASSERT_EQ(record->appendAcDbEntity(ring), Acad::eOk);
        ring->close();
        record->close();
    }
    auto* reference = new AcDbBlockReference(AcGePoint3d(500, 500, 0), blockId);
    AcDbObjectId number;  // the first attribute's id, once it is appended
    const AcDbObjectId ref = linktest::IdOf(host.Document(), linktest::Append(host.Document(), reference));
    {
        linktest::DocLock lock(host.Document());
        AcDbBlockReference* open = nullptr;
        ASSERT_EQ(acdbOpenObject(open, ref, AcDb::kForWrite), Acad::eOk);
        for (auto [text, tag] : {std::pair{u"W-00", u"编号"}, {u"污水", u"类型"}}) {
            auto* attribute = new AcDbAttribute(AcGePoint3d(500, 503, 0), text, tag);
            AcDbObjectId id;
            ASSERT_EQ(open->appendAttribute(id, attribute), Acad::eOk);
            number = number.isNull() ? id : number;
            attribute->close();
        }
        open->close();
    }
    SendAll();
    const size_t sent = MapObjects();
    ASSERT_GT(sent, 0u);
    const size_t folders = host.MapSim().Folders().size();

    // Moved: the reference's folder goes again, nothing is added beside it.
    host.MapSim().ClearRecords();
    ASSERT_EQ(Run("MOVE", {"all", "0,0", "5,0"}), CommandOutcome::kEnded);
    EXPECT_FALSE(host.MapSim().RequestsOf(20112).empty());
    EXPECT_EQ(MapObjects(), sent);
    EXPECT_EQ(host.MapSim().Folders().size(), folders);
    // Each attribute's text once, as a part of the reference's folder.
    std::map<std::string, int> names;
    for (const auto& [id, object] : host.MapSim().Objects()) {
        ++names[object.Name()];
    }
    EXPECT_EQ(names["W-00"], 1);
    EXPECT_EQ(names["污水"], 1);

    // A grip drag of one attribute alone sends its reference again, once.
    host.MapSim().ClearRecords();
    ASSERT_EQ(Run("GRIP_STRETCH", {Sel(number), "505,503", "505,520"}), CommandOutcome::kEnded) << Printed();
    EXPECT_FALSE(host.MapSim().RequestsOf(20112).empty());
    EXPECT_EQ(MapObjects(), sent);

    ASSERT_EQ(Run("ERASE", {"all"}), CommandOutcome::kEnded);
    EXPECT_EQ(MapObjects(), 0u);
}

// A reference inside a block shows its own attribute values as a top-level one does: they go as texts in the
// outer reference's folder, from a drawing read from its file too, and again, once each, when it moves.
TEST_F(GroupSyncTest, AReferenceNestedInABlockSendsItsOwnAttributeValues) {
    {
        linktest::DocLock lock(host.Document());
        AcDbDatabase* db = host.Document()->database();
        AcDbBlockTable* table = nullptr;
        ASSERT_EQ(db->getBlockTable(table, AcDb::kForWrite), Acad::eOk);
        auto block = [&](const char16_t* name, std::initializer_list<AcDbEntity*> entities) {
            auto* record = new AcDbBlockTableRecord();
            record->setName(name);
            AcDbObjectId id;
            EXPECT_EQ(table->add(id, record), Acad::eOk);
            for (AcDbEntity* entity : entities) {
                EXPECT_EQ(record->appendAcDbEntity(entity), Acad::eOk);
                entity->close();
            }
            record->close();
            return id;
        };
        auto* asked = new AcDbAttributeDefinition(AcGePoint3d(0, 1.5, 0), u"X", u"编号", u"编号?");
        auto* fixed = new AcDbAttributeDefinition(AcGePoint3d(0, -2, 0), u"WELL", u"KIND", u"");
        fixed->setConstant(true);
        auto* note = new AcDbAttributeDefinition(AcGePoint3d(0, 2.5, 0), u"N", u"备注", u"");
        const AcDbObjectId mark =
            block(u"WELLMARK",
                  {new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d::kZAxis, 1.0), asked, fixed, note});
        auto* inner = new AcDbBlockReference(AcGePoint3d(10, 0, 0), mark);
        block(u"STATION", {new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 0, 0)), inner});
        table->close();
        AcDbBlockReference* open = nullptr;
        ASSERT_EQ(acdbOpenObject(open, inner->objectId(), AcDb::kForWrite), Acad::eOk);
        for (auto [text, tag, hidden] : {std::tuple{u"W-00", u"编号", false}, {u"secret", u"备注", true}}) {
            auto* attribute = new AcDbAttribute(AcGePoint3d(10, hidden ? 2.5 : 1.5, 0), text, tag);
            attribute->setInvisible(hidden);
            ASSERT_EQ(open->appendAttribute(attribute), Acad::eOk);
            attribute->close();
        }
        open->close();
    }
    ASSERT_EQ(Run("-INSERT", {"STATION", "100,200", "", ""}), CommandOutcome::kEnded);
    ASSERT_EQ(Run("QSAVE"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("CLOSE"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("OPEN", {drawing}), CommandOutcome::kEnded);

    // Name -> the places of the map's marks of that name; the other objects counted under "".
    auto marks = [&] {
        std::map<std::string, std::vector<std::pair<double, double>>> found;
        for (const auto& [id, object] : host.MapSim().Objects()) {
            MapMarkObj* mark =
                object.type == kMapTypeMark
                    ? MapApiParseMarker(&g_MapApiLink, object.bytes.data(), DWORD(object.bytes.size()))
                    : nullptr;
            if (mark == nullptr) {
                found[""].emplace_back(0, 0);
                continue;
            }
            found[object.Name()].emplace_back(mark->m_dX, mark->m_dY);
            MapApiFreeObj(&g_MapApiLink, mark, kMapTypeMark);
        }
        return found;
    };
    using Places = std::vector<std::pair<double, double>>;
    SendAll();
    // The line, the circle, the constant text and the nested reference's visible value; no tag, no default.
    auto sent = marks();
    EXPECT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[""].size(), 2u);
    EXPECT_EQ(sent["WELL"], (Places{{110, 198}}));
    EXPECT_EQ(sent["W-00"], (Places{{110, 201.5}}));
    const size_t folders = host.MapSim().Folders().size();

    host.MapSim().ClearRecords();
    ASSERT_EQ(Run("MOVE", {"all", "0,0", "5,0"}), CommandOutcome::kEnded);
    EXPECT_FALSE(host.MapSim().RequestsOf(20112).empty());
    EXPECT_EQ(host.MapSim().Folders().size(), folders);
    sent = marks();
    EXPECT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[""].size(), 2u);
    EXPECT_EQ(sent["WELL"], (Places{{115, 198}}));
    EXPECT_EQ(sent["W-00"], (Places{{115, 201.5}}));
}

TEST_F(GroupSyncTest, RotateScaleStretchAndMirrorOfLinkedEntitiesReachTheMapWhenTheyEnd) {
    ASSERT_EQ(Run("LINE", {"0,0", "10,0", ""}), CommandOutcome::kEnded);
    const AcDbObjectId line = Entities().back();
    ASSERT_EQ(MapObjects(), 1u);
    const uint32_t id = host.MapSim().Objects().begin()->first;
    // The first point of the line's track in the map, as (x, y).
    auto start = [&] {
        const mapsim::StoredObject& object = host.MapSim().Objects().at(id);
        MapTrackObj* track = MapApiParseTrack(&g_MapApiLink, object.bytes.data(), DWORD(object.bytes.size()));
        std::pair<double, double> at{-1, -1};
        if (track != nullptr && track->m_nCount >= 2) {
            at = {track->m_pPoints[0].m_dX, track->m_pPoints[0].m_dY};
        }
        MapApiFreeObj(&g_MapApiLink, track, kMapTypeTrack);
        return at;
    };
    struct Edit {
        std::string command;
        std::vector<std::string> answers;
        std::pair<double, double> start;
    };
    const Edit edits[] = {
        {"ROTATE", {Sel(line), "10,0", "180"}, {20, 0}},
        {"SCALE", {Sel(line), "10,0", "2"}, {30, 0}},
        {"STRETCH", {Sel(line), "25,-5", "35,5", "0,0", "0,4"}, {30, 4}},
        {"MIRROR", {Sel(line), "0,-100", "100,-100", "Yes"}, {30, -204}},
    };
    for (const Edit& edit : edits) {
        for (const std::string& answer : edit.answers) {
            host.Answer(answer);
        }
        ASSERT_EQ(host.Run(edit.command), CommandOutcome::kEnded) << edit.command << Printed();
        const auto [x, y] = start();
        EXPECT_NEAR(x, edit.start.first, 1e-9) << edit.command;
        EXPECT_NEAR(y, edit.start.second, 1e-9) << edit.command;
        EXPECT_EQ(MapObjects(), 1u) << edit.command;
    }
    // A mirrored copy is new, as a copy is: it is not sent on its own.
    ASSERT_EQ(Run("MIRROR", {Sel(line), "0,0", "1,0", ""}), CommandOutcome::kEnded);
    EXPECT_EQ(Entities().size(), 2u);
    EXPECT_EQ(MapObjects(), 1u);
}

}  // namespace
