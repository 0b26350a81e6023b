// Links that hold end to end: the plug-in in the host with auto-sync on, the simulated map application
// storing, answering and sending objects back; every edit on either side reaches the other and nothing is
// doubled or dropped.
#include <cstring>
#include <set>

#include "../exchange/link_fixture.h"
#include "host_fixture.h"
#include "mapsim/records.h"
#include "mapsim/samples.h"
#include "plugin/core/PluginState.h"
#include "plugin/core/Settings.h"
#include "plugin/maplink/maplink.h"
#include "plugin/maplink/mapobj.h"

namespace {

using platform::CommandOutcome;

// A map object read back from the simulator, freed with it.
template <class T, int Type, T* (*Parse)(MapApiLink*, const void*, DWORD)>
struct Parsed {
    T* obj = nullptr;
    explicit Parsed(const mapsim::Bytes& bytes)
        : obj(Parse(&g_MapApiLink, bytes.data(), DWORD(bytes.size()))) {}
    ~Parsed() { MapApiFreeObj(&g_MapApiLink, obj, Type); }
    Parsed(const Parsed&) = delete;
    Parsed& operator=(const Parsed&) = delete;
};
using Track = Parsed<MapTrackObj, kMapTypeTrack, MapApiParseTrack>;
using Shape = Parsed<MapShapeObj, kMapTypeShape, MapApiParseShape>;
using Marker = Parsed<MapMarkObj, kMapTypeMark, MapApiParseMarker>;

class LinksHoldTest : public e2e::SyncedDrawingTest {
protected:
    void SetUp() override {
        SyncedDrawingTest::SetUp();
        SaveDrawing("site.dxf");
    }
    void Load() { LoadPlugin(); }

    AcApDocument* Doc() { return host.Document(); }
    uint64_t HandleOf(AcDbObjectId id) { return id.handle().value(); }
    // The object the map holds under the entity's key; null when none.
    const mapsim::StoredObject* Stored(uint64_t key) {
        for (const auto& [id, object] : host.MapSim().Objects()) {
            if (object.key == key) {
                return &object;
            }
        }
        return nullptr;
    }
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
    // A track of the map user's (three points, in the colour given) in the folder, received into the drawing.
    uint32_t ReceiveTrack(const char* name, uint32_t color = mapsim::SampleTrack().color) {
        mapsim::SampleTrack sample;
        sample.name = name;
        sample.points = {{0, 0}, {10, 0}, {10, 10}};
        sample.color = color;
        const uint32_t id =
            host.MapSim().AddObject(mapsim::kTypeTrack, Folder(), mapsim::MakeTrackRecord(sample));
        Receive({id});
        return id;
    }
    // The ids of the deletes the map was asked for since the records were cleared.
    std::vector<uint32_t> Deleted() {
        std::vector<uint32_t> ids;
        for (const auto& request : host.MapSim().RequestsOf(20103)) {
            for (size_t at = 16; at + 4 <= request.payload.size(); at += 4) {
                ids.push_back(mapsim::Get<uint32_t>(request.payload, at));
            }
        }
        return ids;
    }
    void LockLayer(const char16_t* name, bool locked) {
        linktest::DocLock lock(Doc());
        AcDbLayerTable* layers = nullptr;
        ASSERT_EQ(Doc()->database()->getLayerTable(layers, AcDb::kForRead), Acad::eOk);
        AcDbLayerTableRecord* layer = nullptr;
        ASSERT_EQ(layers->getAt(name, layer, AcDb::kForWrite), Acad::eOk);
        layers->close();
        layer->setIsLocked(locked);
        layer->close();
    }
    const mapsim::PacketRecord* LastRecordOf(uint64_t key) {
        m_packets.clear();
        for (const auto& request : host.MapSim().RequestsOf(20112)) {
            if (auto packet = mapsim::ReadPacket(request.payload.data(), request.payload.size())) {
                m_packets.push_back(*packet);
            }
        }
        const mapsim::PacketRecord* found = nullptr;
        for (const mapsim::Packet& packet : m_packets) {
            for (const mapsim::PacketRecord& record : packet.records) {
                if (record.key == key) {
                    found = &record;
                }
            }
        }
        return found;
    }

    uint32_t m_folder = 0;
    std::vector<mapsim::Packet> m_packets;
};

TEST_F(LinksHoldTest, AnEntityWhoseHandleEqualsItsNewMapIdIsBound) {
    Load();
    ASSERT_EQ(Run("LINE", {"0,0", "10,0", ""}), CommandOutcome::kEnded);
    const uint64_t line = HandleOf(Entities().back());
    ASSERT_NE(Stored(line), nullptr);
    ASSERT_EQ(Run("ERASE", {"all"}), CommandOutcome::kEnded);
    ASSERT_EQ(Stored(line), nullptr);

    // Brought back, it gets a map id equal to its handle number: it is bound all the same, so that erasing
    // it again deletes that object.
    host.MapSim().SetNextId(static_cast<uint32_t>(line));
    ASSERT_EQ(Run("U"), CommandOutcome::kEnded);
    ASSERT_NE(Stored(line), nullptr);
    ASSERT_EQ(Stored(line)->id, line);
    host.MapSim().ClearRecords();
    ASSERT_EQ(Run("ERASE", {"all"}), CommandOutcome::kEnded);
    EXPECT_EQ(Deleted(), std::vector<uint32_t>{static_cast<uint32_t>(line)});
    EXPECT_EQ(Stored(line), nullptr);
}

TEST_F(LinksHoldTest, AnUpdateForAnObjectOnALockedLayerKeepsTheOldEntityAndItsBinding) {
    Load();
    const uint32_t road = ReceiveTrack("路");
    ASSERT_EQ(Entities().size(), 1u);
    const uint64_t built = HandleOf(Entities()[0]);

    LockLayer(u"图层", true);
    Receive({road});
    EXPECT_EQ(Entities().size(), 1u);
    EXPECT_EQ(HandleOf(Entities()[0]), built);

    // Unlocked and erased: the one object is deleted in the map, nothing is left there for it.
    LockLayer(u"图层", false);
    host.MapSim().ClearRecords();
    ASSERT_EQ(Run("ERASE", {"all"}), CommandOutcome::kEnded);
    EXPECT_EQ(Deleted(), std::vector<uint32_t>{road});
    EXPECT_TRUE(Entities().empty());
}

TEST_F(LinksHoldTest, ADegenerateCircleOrArcSendsNothing) {
    Load();
    const uint64_t dot =
        linktest::Append(Doc(), new AcDbCircle(AcGePoint3d(5000, 7000, 0), AcGeVector3d::kZAxis, 0.0));
    const uint64_t point = linktest::Append(Doc(), new AcDbArc(AcGePoint3d(5000, 7000, 0), 0.0, 0.0, 1.0));
    const uint64_t ring =
        linktest::Append(Doc(), new AcDbCircle(AcGePoint3d(5000, 7000, 0), AcGeVector3d::kZAxis, 2.0));
    platform::SetPickFirst(
        {linktest::IdOf(Doc(), dot), linktest::IdOf(Doc(), point), linktest::IdOf(Doc(), ring)});
    ASSERT_EQ(Run("TOOLBAR 发送"), CommandOutcome::kEnded) << Printed();
    EXPECT_EQ(Stored(dot), nullptr);
    EXPECT_EQ(Stored(point), nullptr);
    ASSERT_NE(Stored(ring), nullptr);
    Track track(Stored(ring)->bytes);
    ASSERT_NE(track.obj, nullptr);
    ASSERT_EQ(track.obj->m_nCount, 2);
    EXPECT_EQ(track.obj->m_pPoints[1].m_dX, 5002.0);
}

TEST_F(LinksHoldTest, ASendIntoALongitudeLatitudeMapRightAfterLoadSendsNothing) {
    std::array<uint8_t, 16> digest{};
    host.MapSim().SetCoordState(2, digest, "WGS 84");
    Load();
    const uint64_t line = linktest::AddLine(Doc(), 5.0);
    platform::SetPickFirst({linktest::IdOf(Doc(), line)});
    host.Answer("OK");
    Mark();
    ASSERT_EQ(Run("TOOLBAR 发送"), CommandOutcome::kEnded);
    EXPECT_TRUE(host.MapSim().RequestsOf(20112).empty());
    EXPECT_FALSE(host.MapSim().RequestsOf(20202).empty());
    EXPECT_EQ(Stored(line), nullptr);
}

TEST_F(LinksHoldTest, EditsMadeWhileTheMapIsClosedGoWhenItIsBack) {
    Load();
    ASSERT_EQ(Run("LINE", {"0,0", "10,0", ""}), CommandOutcome::kEnded);
    const uint64_t line = HandleOf(Entities().back());
    ASSERT_NE(Stored(line), nullptr);
    const uint32_t id = Stored(line)->id;

    ASSERT_EQ(Run("MAPSIM STOP"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("MOVE", {"all", "0,0", "0,30"}), CommandOutcome::kEnded);
    host.MapSim().ClearRecords();
    ASSERT_EQ(Run("MAPSIM START"), CommandOutcome::kEnded);
    host.Wait(6000);  // the next tick of the menu-entry timer finds the map again
    const mapsim::PacketRecord* sent = LastRecordOf(line);
    ASSERT_NE(sent, nullptr);
    EXPECT_EQ(sent->id, id);
    Track track(sent->payload);
    ASSERT_NE(track.obj, nullptr);
    EXPECT_EQ(track.obj->m_pPoints[0].m_dY, 30.0);
    EXPECT_EQ(Stored(line)->id, id);

    // Sent once: the later ticks of the timer send nothing more.
    const size_t sends = host.MapSim().RequestsOf(20112).size();
    host.Wait(12000);
    EXPECT_EQ(host.MapSim().RequestsOf(20112).size(), sends);
}

TEST_F(LinksHoldTest, AnEditMadeWhileTheMapIsClosedGoesBeforeAReceiveOverIt) {
    Load();
    const uint32_t dike = ReceiveTrack("堤");
    ASSERT_EQ(Entities().size(), 1u);

    ASSERT_EQ(Run("MAPSIM STOP"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("MOVE", {"all", "0,0", "0,30"}), CommandOutcome::kEnded);
    ASSERT_EQ(Run("MAPSIM START"), CommandOutcome::kEnded);
    // The map user sends the object back before the timer has found the map again: the moved line reaches
    // the map first, and what comes back is where the user moved it.
    Receive({dike});
    ASSERT_EQ(Entities().size(), 1u);
    AcDbPolyline* built = nullptr;
    ASSERT_EQ(acdbOpenObject(built, Entities()[0], AcDb::kForRead), Acad::eOk);
    AcGePoint2d first;
    built->getPointAt(0, first);
    built->close();
    EXPECT_EQ(first.y, 30.0);
    ASSERT_NE(host.MapSim().FindObject(dike), nullptr);
    Track track(host.MapSim().FindObject(dike)->bytes);
    ASSERT_NE(track.obj, nullptr);
    EXPECT_EQ(track.obj->m_pPoints[0].m_dY, 30.0);
}

TEST_F(LinksHoldTest, AnEditWhoseSendTheMapLeftDuringGoesWhenItIsBack) {
    Load();
    ASSERT_EQ(Run("LINE", {"0,0", "10,0", ""}), CommandOutcome::kEnded);
    const uint64_t line = HandleOf(Entities().back());
    ASSERT_NE(Stored(line), nullptr);
    const uint32_t id = Stored(line)->id;

    host.MapSim().VanishOn(20112, mapsim::VanishPoint::BeforeAnswer);
    ASSERT_EQ(Run("MOVE", {"all", "0,0", "0,30"}), CommandOutcome::kEnded);
    ASSERT_FALSE(host.MapSim().IsRunning());
    // Back, and gone again while the kept edit goes: it is kept once more.
    ASSERT_EQ(Run("MAPSIM START"), CommandOutcome::kEnded);
    host.MapSim().VanishOn(20112, mapsim::VanishPoint::BeforeAnswer);
    host.Wait(6000);
    ASSERT_FALSE(host.MapSim().IsRunning());
    host.MapSim().ClearRecords();
    ASSERT_EQ(Run("MAPSIM START"), CommandOutcome::kEnded);
    host.Wait(6000);
    const mapsim::PacketRecord* sent = LastRecordOf(line);
    ASSERT_NE(sent, nullptr);
    EXPECT_EQ(sent->id, id);
    Track track(sent->payload);
    ASSERT_NE(track.obj, nullptr);
    EXPECT_EQ(track.obj->m_pPoints[0].m_dY, 30.0);
}

TEST_F(LinksHoldTest, ErasesMadeWhileTheMapIsClosedDeleteItsObjectsWhenItIsBack) {
    Load();
    ASSERT_EQ(Run("LINE", {"0,0", "10,0", ""}), CommandOutcome::kEnded);
    const uint64_t erased = HandleOf(Entities().back());
    ASSERT_EQ(Run("LINE", {"0,5", "10,5", ""}), CommandOutcome::kEnded);
    const uint64_t kept = HandleOf(Entities().back());
    ASSERT_NE(Stored(erased), nullptr);
    ASSERT_NE(Stored(kept), nullptr);
    const uint32_t erasedId = Stored(erased)->id;

    ASSERT_EQ(Run("MAPSIM STOP"), CommandOutcome::kEnded);
    platform::SetPickFirst({linktest::IdOf(Doc(), erased)});
    ASSERT_EQ(Run("ERASE"), CommandOutcome::kEnded);
    ASSERT_NE(Stored(erased), nullptr);  // nobody to ask yet
    host.MapSim().ClearRecords();
    ASSERT_EQ(Run("MAPSIM START"), CommandOutcome::kEnded);
    host.Wait(6000);  // the next tick of the menu-entry timer finds the map again
    EXPECT_EQ(Stored(erased), nullptr);
    EXPECT_NE(Stored(kept), nullptr);
    EXPECT_EQ(Deleted(), std::vector<uint32_t>{erasedId});

    // Asked once: later ticks ask nothing more.
    host.Wait(12000);
    EXPECT_EQ(Deleted(), std::vector<uint32_t>{erasedId});

    // The map application gone while it was asked: asked again when it is back.
    const uint32_t keptId = Stored(kept)->id;
    host.MapSim().VanishOn(20103, mapsim::VanishPoint::BeforeAnswer);
    platform::SetPickFirst({linktest::IdOf(Doc(), kept)});
    ASSERT_EQ(Run("ERASE"), CommandOutcome::kEnded);
    ASSERT_FALSE(host.MapSim().IsRunning());
    ASSERT_NE(Stored(kept), nullptr);
    host.MapSim().ClearRecords();
    ASSERT_EQ(Run("MAPSIM START"), CommandOutcome::kEnded);
    host.Wait(6000);
    EXPECT_EQ(Stored(kept), nullptr);
    const std::vector<uint32_t> asked = Deleted();  // a request refused until registered goes twice
    EXPECT_EQ(std::set<uint32_t>(asked.begin(), asked.end()), std::set<uint32_t>{keptId});
}

TEST_F(LinksHoldTest, EditsAndErasesOwedByAClosedDrawingGoWhenItIsOpenedAgain) {
    Load();
    std::vector<uint64_t> lines;
    for (const char* y : {"0", "5", "9"}) {
        ASSERT_EQ(Run("LINE", {std::string("0,") + y, std::string("10,") + y, ""}), CommandOutcome::kEnded);
        lines.push_back(HandleOf(Entities().back()));
        ASSERT_NE(Stored(lines.back()), nullptr);
    }
    const uint32_t movedId = Stored(lines[0])->id, savedEraseId = Stored(lines[1])->id;
    const auto pick = [&](uint64_t key) { return linktest::IdOf(Doc(), key); };

    // With the map closed: a line moved and one erased, both saved; a third erased and closed unsaved.
    ASSERT_EQ(Run("MAPSIM STOP"), CommandOutcome::kEnded);
    platform::SetPickFirst({pick(lines[0])});
    ASSERT_EQ(Run("MOVE", {"0,0", "0,30"}), CommandOutcome::kEnded);
    platform::SetPickFirst({pick(lines[1])});
    ASSERT_EQ(Run("ERASE"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("QSAVE"), CommandOutcome::kEnded);
    platform::SetPickFirst({pick(lines[2])});
    ASSERT_EQ(Run("ERASE"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("CLOSE"), CommandOutcome::kEnded);

    ASSERT_EQ(Run("MAPSIM START"), CommandOutcome::kEnded);
    host.Wait(6000);
    host.MapSim().ClearRecords();
    ASSERT_EQ(Run("OPEN", {dir + "/site.dxf"}), CommandOutcome::kEnded);
    host.Wait(6000);  // the next tick of the menu-entry timer
    const mapsim::PacketRecord* sent = LastRecordOf(lines[0]);
    ASSERT_NE(sent, nullptr);
    EXPECT_EQ(sent->id, movedId);
    Track track(sent->payload);
    ASSERT_NE(track.obj, nullptr);
    EXPECT_EQ(track.obj->m_pPoints[0].m_dY, 30.0);
    // The saved erase deletes its object; the unsaved one left its line bound to its object.
    EXPECT_EQ(Deleted(), std::vector<uint32_t>{savedEraseId});
    EXPECT_EQ(Entities().size(), 2u);
    ASSERT_NE(Stored(lines[2]), nullptr);
    platform::SetPickFirst({pick(lines[2])});
    ASSERT_EQ(Run("MOVE", {"0,0", "0,1"}), CommandOutcome::kEnded);
    EXPECT_EQ(LastRecordOf(lines[2])->id, Stored(lines[2])->id);
}

TEST_F(LinksHoldTest, ATextsNameAndWordingStayOneOnBothSides) {
    CSettingsRecord record = AutoSyncSettings();
    record.m_bHideSkippedList = 1;
    record.m_bDblClickProperty = 1;
    WriteSettings(record);
    Load();
    ASSERT_EQ(Run("TEXT", {"10,10", "2.5", "0", "Old"}), CommandOutcome::kEnded);
    const uint64_t key = HandleOf(Entities().back());
    const auto mapName = [&] {
        Marker marker(Stored(key)->bytes);
        return marker.obj != nullptr ? std::string(marker.obj->m_szName) : std::string("<none>");
    };
    const auto wording = [&] {
        AcDbText* text = nullptr;
        EXPECT_EQ(acdbOpenObject(text, linktest::IdOf(Doc(), key), AcDb::kForRead), Acad::eOk);
        const std::string words = text != nullptr ? platform::Utf16ToUtf8(text->textStringConst()) : "";
        if (text != nullptr) {
            text->close();
        }
        return words;
    };
    ASSERT_EQ(mapName(), "Old");

    // Renamed in its property dialog: the map object and the text take the new name at once.
    host.Answer("set 8136 New");
    host.Answer("click IDOK");
    ASSERT_EQ(Run("DBLCLICK 10.5,10.5"), CommandOutcome::kEnded);
    EXPECT_EQ(mapName(), "New");
    EXPECT_EQ(wording(), "New");

    // Its wording changed by a command that is not passed on, then moved: the save keeps the new wording.
    {
        linktest::DocLock lock(Doc());
        AcDbText* text = nullptr;
        ASSERT_EQ(acdbOpenObject(text, linktest::IdOf(Doc(), key), AcDb::kForWrite), Acad::eOk);
        text->setTextString(u"Edited");
        text->close();
    }
    platform::SetPickFirst({linktest::IdOf(Doc(), key)});
    ASSERT_EQ(Run("MOVE", {"0,0", "0,5"}), CommandOutcome::kEnded);
    EXPECT_EQ(mapName(), "Edited");
    ASSERT_EQ(Run("QSAVE"), CommandOutcome::kEnded);
    EXPECT_EQ(wording(), "Edited");
}

TEST_F(LinksHoldTest, LinksMadeBeforeAnUnloadAreKeptByTheNextSave) {
    Load();
    ASSERT_EQ(Run("LINE", {"0,0", "10,0", ""}), CommandOutcome::kEnded);
    const uint64_t line = HandleOf(Entities().back());
    ASSERT_NE(Stored(line), nullptr);
    const uint32_t id = Stored(line)->id;

    std::string error;
    ASSERT_TRUE(host.UnloadModule("TarnArx", &error)) << error;
    ASSERT_EQ(Run("QSAVE"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("CLOSE"), CommandOutcome::kEnded);
    Load();
    ASSERT_EQ(Run("OPEN", {dir + "/site.dxf"}), CommandOutcome::kEnded);
    platform::SetPickFirst({linktest::IdOf(Doc(), line)});
    ASSERT_EQ(Run("MOVE", {"0,0", "0,5"}), CommandOutcome::kEnded);
    ASSERT_NE(LastRecordOf(line), nullptr);
    EXPECT_EQ(LastRecordOf(line)->id, id);
    EXPECT_EQ(host.MapSim().Objects().size(), 1u);
}

TEST_F(LinksHoldTest, AShapeWithAHoleKeepsOneOuterRingBothWays) {
    Load();
    // Map -> CAD -> map: the hatch built with a hole goes back with one outer ring.
    mapsim::SampleShape sample;
    sample.name = "院";
    sample.points = {{0, 0},   {100, 0}, {100, 100}, {0, 100}, {0, 0}, {40, 40, 0x10000},
                     {60, 40}, {60, 60}, {40, 60},   {40, 40}};
    sample.outerRings = 1;
    const uint32_t yard =
        host.MapSim().AddObject(mapsim::kTypeShape, Folder(), mapsim::MakeShapeRecord(sample));
    Receive({yard});
    ASSERT_EQ(Entities().size(), 1u);
    const uint64_t hatch = HandleOf(Entities()[0]);
    host.MapSim().ClearRecords();
    ASSERT_EQ(Run("MOVE", {"all", "0,0", "5,0"}), CommandOutcome::kEnded);
    const mapsim::PacketRecord* back = LastRecordOf(hatch);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->id, yard);
    {
        Shape shape(back->payload);
        ASSERT_NE(shape.obj, nullptr);
        EXPECT_EQ(shape.obj->m_nHatchCount, 1);
    }

    // CAD -> map -> CAD: a hatch as other programs write it (an external loop and an island) comes back
    // from the map with its hole.
    auto* island = new AcDbHatch;
    island->setPattern(AcDbHatch::kPreDefined, u"SOLID");
    AcGePoint2dArray outer;
    AcGePoint2dArray inner;
    for (auto [x, y] : {std::pair{0.0, 0.0}, {50.0, 0.0}, {50.0, 50.0}, {0.0, 50.0}}) {
        outer.append(AcGePoint2d(x + 1000, y + 1000));
        inner.append(AcGePoint2d(x / 5 + 1020, y / 5 + 1020));
    }
    ASSERT_EQ(island->appendLoop(AcDbHatch::kExternal | AcDbHatch::kPolyline, outer, AcGeDoubleArray()),
              Acad::eOk);
    ASSERT_EQ(island->appendLoop(AcDbHatch::kOutermost | AcDbHatch::kPolyline, inner, AcGeDoubleArray()),
              Acad::eOk);
    const uint64_t drawn = linktest::Append(Doc(), island, u"图层");
    platform::SetPickFirst({linktest::IdOf(Doc(), drawn)});
    ASSERT_EQ(Run("TOOLBAR 发送"), CommandOutcome::kEnded) << Printed();
    ASSERT_NE(Stored(drawn), nullptr);
    const uint32_t sentId = Stored(drawn)->id;
    {
        Shape shape(Stored(drawn)->bytes);
        ASSERT_NE(shape.obj, nullptr);
        EXPECT_EQ(shape.obj->m_nHatchCount, 1);
    }
    Receive({sentId});
    AcDbHatch* rebuilt = nullptr;
    int holes = 0;
    int outers = 0;
    for (AcDbObjectId id : Entities()) {
        AcDbHatch* h = nullptr;
        if (acdbOpenObject(h, id, AcDb::kForRead) != Acad::eOk) {
            continue;
        }
        if (HandleOf(id) != hatch && HandleOf(id) != drawn && h->numLoops() == 2) {
            rebuilt = h;
            for (int i = 0; i < h->numLoops(); ++i) {
                const Adesk::Int32 type = h->loopTypeAt(i);
                ((type & AcDbHatch::kExternal) ? outers : holes) += 1;
            }
        }
        h->close();
    }
    ASSERT_NE(rebuilt, nullptr);
    EXPECT_EQ(outers, 1);
    EXPECT_EQ(holes, 1);
}

TEST_F(LinksHoldTest, AMovedReceivedPointMarkerReachesTheMap) {
    Load();
    mapsim::SampleMark sample;
    sample.name = "井";
    sample.x = 300;
    sample.y = 400;
    sample.style = 1;
    const uint32_t well =
        host.MapSim().AddObject(mapsim::kTypeMark, Folder(), mapsim::MakeMarkRecord(sample));
    Receive({well});
    ASSERT_EQ(Entities().size(), 1u);
    const uint64_t point = HandleOf(Entities()[0]);
    host.MapSim().ClearRecords();
    ASSERT_EQ(Run("MOVE", {"all", "0,0", "5,7"}), CommandOutcome::kEnded);
    const mapsim::PacketRecord* sent = LastRecordOf(point);
    ASSERT_NE(sent, nullptr);
    EXPECT_EQ(sent->type, mapsim::kTypeMark);
    EXPECT_EQ(sent->id, well);
    Marker marker(sent->payload);
    ASSERT_NE(marker.obj, nullptr);
    EXPECT_EQ(marker.obj->m_dX, 305.0);
    EXPECT_EQ(marker.obj->m_dY, 407.0);
    EXPECT_STREQ(marker.obj->m_szName, "井");
}

TEST_F(LinksHoldTest, ATrueColourComesBackAsItWent) {
    Load();
    ReceiveTrack("渠", 0x123456);
    ASSERT_EQ(Entities().size(), 1u);
    const uint64_t built = HandleOf(Entities()[0]);
    host.MapSim().ClearRecords();
    ASSERT_EQ(Run("MOVE", {"all", "0,0", "1,0"}), CommandOutcome::kEnded);
    const mapsim::PacketRecord* sent = LastRecordOf(built);
    ASSERT_NE(sent, nullptr);
    Track track(sent->payload);
    ASSERT_NE(track.obj, nullptr);
    EXPECT_EQ(track.obj->m_crLine, 0x123456u);
}

}  // namespace
