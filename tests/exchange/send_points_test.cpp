// Drawing points on the send road: a lone new point is neither sent nor left bound, and a point that goes as
// a marker of its own (shown as an icon, or bound to a received marker) goes as icon 4.
#include <algorithm>

#include "link_fixture.h"
#include "plugin/exchange/SendRoad.h"
#include "plugin/maplink/mapobj.h"
#include "receive_fixture.h"

namespace {

using linktest::Append;
using linktest::IdOf;
using receivetest::ReceiveTest;

class SendPointTest : public ReceiveTest {
protected:
    void TearDown() override {
        g_Settings.m_bPointAsIcon = 0;
        ReceiveTest::TearDown();
    }
    uint64_t AddPoint(double x, double y, double z = 0) {
        return Append(doc, new AcDbPoint(AcGePoint3d(x, y, z)), u"Survey");
    }
    // Sends the entities as the toolbar does; the records of the packet that went out (none when nothing
    // went).
    std::vector<mapsim::PacketRecord> Send(std::initializer_list<uint64_t> handles) {
        AcDbObjectIdArray array;
        for (uint64_t handle : handles) {
            array.append(IdOf(doc, handle));
        }
        map.ClearRecords();
        EXPECT_TRUE(SendEntityArray(array));
        std::vector<mapsim::PacketRecord> records;
        for (const mapsim::Request& request : map.RequestsOf(20112)) {
            auto packet = mapsim::ReadPacket(request.payload.data(), request.payload.size());
            EXPECT_TRUE(packet.has_value());
            if (packet) {
                records.insert(records.end(), packet->records.begin(), packet->records.end());
            }
        }
        return records;
    }
    void MovePoint(uint64_t handle, const AcGePoint3d& to) {
        linktest::DocLock lock(doc);
        AcDbPoint* point = nullptr;
        ASSERT_EQ(acdbOpenObject(point, IdOf(doc, handle), AcDb::kForWrite), Acad::eOk);
        point->setPosition(to);
        point->close();
    }
    bool Exists(uint64_t handle) const {
        AcDbEntity* entity = nullptr;
        if (acdbOpenObject(entity, IdOf(doc, handle), AcDb::kForRead) != Acad::eOk) {
            return false;
        }
        entity->close();
        return true;
    }
    // The groups of the point-group table holding the key.
    size_t GroupsHolding(uint64_t key) const {
        size_t n = 0;
        for (const auto& [id, link] : state->m_pointGroups.Links()) {
            n += static_cast<size_t>(std::count(link->m_keys.begin(), link->m_keys.end(), key));
        }
        return n;
    }
    // The mark of a record's bytes, checked as a marker the plug-in builds for a drawing point at (x, y, z).
    static void ExpectIconMark(const mapsim::Bytes& bytes, double x, double y, int32_t height) {
        MapMarkObj* mark = MapApiParseMarker(&g_MapApiLink, bytes.data(), DWORD(bytes.size()));
        ASSERT_NE(mark, nullptr);
        EXPECT_EQ(mark->m_nIcon, 4u);
        EXPECT_EQ(mark->m_byStyle, 1);  // icon with label
        EXPECT_EQ(mark->m_byCoordKind, 2);
        EXPECT_EQ(mark->m_dX, x);
        EXPECT_EQ(mark->m_dY, y);
        EXPECT_EQ(mark->m_nHeight, height);
        // The label fields stay as allocated: a point is no text.
        EXPECT_EQ(mark->m_byIsText, 0);
        EXPECT_EQ(mark->m_byLabelLevel, 0);
        EXPECT_EQ(mark->m_nFontSize, 0u);
        EXPECT_EQ(mark->m_fRotation, 0.0f);
        MapApiFreeObj(&g_MapApiLink, mark, kMapTypeMark);
    }
};

TEST_F(SendPointTest, ALoneNewPointIsNotSentAndKeepsNoBindingOrGroup) {
    const uint64_t lone = AddPoint(9, 9);
    EXPECT_TRUE(Send({lone}).empty());
    EXPECT_TRUE(Exists(lone));
    EXPECT_EQ(state->m_bindings.FindBinding(lone), nullptr);
    EXPECT_TRUE(state->m_pointGroups.Links().empty());

    // Beside a bound group: the group goes again as itself, the new point alone is dropped from the tables.
    const uint64_t p1 = AddPoint(1, 1);
    const uint64_t p2 = AddPoint(2, 2);
    const auto first = Send({p1, p2});
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(map.Objects().size(), 1u);
    const uint32_t group = map.Objects().begin()->first;
    ASSERT_EQ(state->m_pointGroups.Links().size(), 1u);
    ASSERT_NE(state->m_pointGroups.Find(group), nullptr);

    MovePoint(p2, AcGePoint3d(4, 4, 0));
    const uint64_t late = AddPoint(7, 7);
    const auto again = Send({p2, late});
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].id, group);
    EXPECT_EQ(again[0].key, group);
    EXPECT_EQ(map.Objects().size(), 1u);
    EXPECT_TRUE(Exists(late));
    EXPECT_EQ(state->m_bindings.FindBinding(late), nullptr);
    EXPECT_EQ(GroupsHolding(late), 0u);
    EXPECT_EQ(state->m_pointGroups.Links().size(), 1u);
    EXPECT_EQ(state->m_pointGroups.Find(group)->m_keys, (std::vector<uint64_t>{p1, p2}));
    // Still its own point: nothing of the group is written onto it at the save.
    SyncUnderDocLock();
    CBindingRecord stored;
    EXPECT_FALSE(linktest::StoredLink(doc, late, stored));
}

TEST_F(SendPointTest, PointsThatGoAsTheirOwnMarkersCarryIconFour) {
    // Shown as icons: a top-level point is a marker of its own, its height cut to a whole number.
    g_Settings.m_bPointAsIcon = 1;
    const uint64_t shown = AddPoint(12.5, -7.25, 3.9);
    const auto records = Send({shown});
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].type, mapsim::kTypeMark);
    EXPECT_EQ(records[0].key, shown);
    ExpectIconMark(records[0].payload, 12.5, -7.25, 3);

    // A point received from a marker without an icon is that marker: moved and sent with points not shown
    // as icons, it replaces the marker as a marker (no point set), under its name, as icon 4.
    g_Settings.m_bPointAsIcon = 0;
    mapsim::SampleMark sample;
    sample.name = "井";
    sample.x = 3;
    sample.y = 4;
    const uint32_t folder = map.AddFolder(0, "点");
    const uint32_t markId = map.AddObject(mapsim::kTypeMark, folder, mapsim::MakeMarkRecord(sample));
    map.Select({markId});
    Receive();
    const AcDbObjectId received = Bound(markId);
    ASSERT_FALSE(received.isNull());
    const uint64_t key = received.handle().value();
    MovePoint(key, AcGePoint3d(30, 40, -2.5));
    const size_t before = map.Objects().size();
    const auto edited = Send({key});
    ASSERT_EQ(edited.size(), 1u);
    EXPECT_EQ(edited[0].type, mapsim::kTypeMark);
    EXPECT_EQ(edited[0].id, markId);
    EXPECT_EQ(map.Objects().size(), before);
    const mapsim::StoredObject* stored = map.FindObject(markId);
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->type, mapsim::kTypeMark);
    EXPECT_EQ(stored->Name(), "井");
    ExpectIconMark(stored->bytes, 30, 40, -2);
    EXPECT_TRUE(state->m_pointGroups.Links().empty());
}

}  // namespace
