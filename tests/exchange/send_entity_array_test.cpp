// The reactors' send road (SendEntityArray) in-process with the frame and the simulated map application: the
// size filter, the view that follows what was sent, and the echo flag around the answer.
#include "app/frame_fixture.h"
#include "link_fixture.h"
#include "plugin/exchange/SendRoad.h"

namespace {

using linktest::Append;

class SendEntityArrayTest : public frametest::FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        Load();
        map.ClearRecords();
    }
    AcDbObjectId Add(AcDbEntity* entity) { return linktest::IdOf(doc, Append(doc, entity, u"Survey")); }
    // Sends the entities; the keys of the objects the map application received.
    std::set<uint64_t> SendKeys(std::initializer_list<AcDbObjectId> ids) {
        AcDbObjectIdArray array;
        for (AcDbObjectId id : ids) {
            array.append(id);
        }
        map.ClearRecords();
        EXPECT_TRUE(SendEntityArray(array));
        std::set<uint64_t> keys;
        for (const auto& [id, object] : map.Objects()) {
            keys.insert(object.key);
        }
        return keys;
    }
    static uint64_t Key(AcDbObjectId id) { return id.handle().value(); }
};

TEST_F(SendEntityArrayTest, TinyEntitiesAtTheOriginAreLeftOutPointsNever) {
    const AcDbObjectId tiny = Add(new AcDbLine(AcGePoint3d(0.05, 0.05, 0), AcGePoint3d(0.15, 0.1, 0)));
    const AcDbObjectId origin = Add(new AcDbPoint(AcGePoint3d(0, 0, 0)));
    const AcDbObjectId other = Add(new AcDbPoint(AcGePoint3d(5, 5, 0)));
    const AcDbObjectId tall = Add(new AcDbLine(AcGePoint3d(0.1, 0.1, 0), AcGePoint3d(0.1, 5.0, 0)));
    const AcDbObjectId far = Add(new AcDbCircle(AcGePoint3d(10, 10, 0), AcGeVector3d::kZAxis, 0.01));
    const AcDbObjectId negative = Add(new AcDbCircle(AcGePoint3d(-10, -10, 0), AcGeVector3d::kZAxis, 0.01));
    const std::set<uint64_t> keys = SendKeys({tiny, origin, other, tall, far, negative});
    EXPECT_EQ(keys.count(Key(tiny)), 0u);
    EXPECT_EQ(keys.count(Key(tall)), 1u);
    EXPECT_EQ(keys.count(Key(far)), 1u);
    EXPECT_EQ(keys.count(Key(negative)), 1u);  // only what lies at the origin is taken for a stray
    // The two points went as one point set under a temporary key, re-keyed to its map id.
    ASSERT_EQ(map.Objects().size(), 4u);
    EXPECT_EQ(map.RequestsOf(20112).size(), 1u);
}

TEST_F(SendEntityArrayTest, TheMapViewFollowsOnlyFarFromTheOriginAndTheEchoFlagComesBack) {
    g_Settings.m_nViewFollowMode = 1;
    const AcDbObjectId near = Add(new AcDbCircle(AcGePoint3d(1.5, -1.9, 0), AcGeVector3d::kZAxis, 0.5));
    SendKeys({near});
    EXPECT_TRUE(map.RequestsOf(20011).empty());
    const AcDbObjectId far = Add(new AcDbCircle(AcGePoint3d(2.5, 0, 0), AcGeVector3d::kZAxis, 0.5));
    SendKeys({far});
    ASSERT_EQ(map.RequestsOf(20011).size(), 1u);
    double x = 0.0;
    std::memcpy(&x, map.RequestsOf(20011)[0].payload.data() + 8, 8);
    EXPECT_EQ(x, 2.5);
    g_Settings.m_nViewFollowMode = 0;

    // An answer leaves the echo flag as the send had it.
    g_bEchoFlag = 1;
    SendKeys({far});
    EXPECT_EQ(g_bEchoFlag, 1);
    g_bEchoFlag = 0;
    SendKeys({far});
    EXPECT_EQ(g_bEchoFlag, 0);

    // Erased entities are left out; nothing to send sends nothing.
    {
        linktest::DocLock lock(doc);
        AcDbEntity* entity = nullptr;
        ASSERT_EQ(acdbOpenObject(entity, far, AcDb::kForWrite), Acad::eOk);
        entity->erase();
        entity->close();
    }
    SendKeys({far});
    EXPECT_TRUE(map.RequestsOf(20112).empty());
}

}  // namespace
