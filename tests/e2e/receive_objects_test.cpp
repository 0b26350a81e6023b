// The receive road in the host: the plug-in module loaded, the map user sends objects of every kind, then
// malformed answers; the drawing holds what was sent and nothing read past the bytes received.
#include "host_fixture.h"
#include "mapsim/samples.h"

namespace {

using e2e::Count;
using e2e::HostTest;
using platform::CommandOutcome;

class ReceiveObjectsTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        ASSERT_EQ(Run("SAVEAS", {dir + "/site.dxf"}), CommandOutcome::kEnded);
        std::string error;
        ASSERT_TRUE(host.LoadModule(TARN_PLUGIN_MODULE, &error)) << error;
    }
    std::string Dump() {
        Mark();
        EXPECT_EQ(Run("DUMP"), CommandOutcome::kEnded);
        return Printed();
    }
};

TEST_F(ReceiveObjectsTest, EveryKindSentFromTheMapStandsInTheDrawing) {
    const size_t before = Entities().size();
    ASSERT_EQ(Run("MAPSIM SAMPLES"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("MAPSIM SENDTOCAD"), CommandOutcome::kEnded);
    host.Wait(100);
    EXPECT_EQ(host.MapSim().RequestsOf(20110).size(), 1u);
    EXPECT_EQ(Entities().size(), before + 24);
    const std::string dump = Dump();
    EXPECT_NE(dump.find("layer \"样例\" color 3 TEXT at (100,200,0) height 10 rotation 30.000001 \"测站 A\""),
              std::string::npos)
        << dump;
    EXPECT_EQ(Count(dump, "layer \"样例\" color 3 AcDbHatch"), 4) << dump;
    EXPECT_NE(dump.find("layer \"样例\" color 1 LWPOLYLINE open, (0,400) (10,400) (10,410) (20,400)"),
              std::string::npos);
    EXPECT_NE(dump.find("layer \"炸开的块\" color 5 LWPOLYLINE open, (500,500) (520,520)"), std::string::npos);

    // Sent again: the same objects replace their entities; the map is asked to delete nothing.
    ASSERT_EQ(Run("MAPSIM SENDTOCAD"), CommandOutcome::kEnded);
    host.Wait(100);
    EXPECT_EQ(Entities().size(), before + 24);
    EXPECT_TRUE(host.MapSim().RequestsOf(20103).empty());
}

TEST_F(ReceiveObjectsTest, MalformedAnswersBuildTheRecordsBeforeTheFaultAndNoMore) {
    for (const char* fault : {"TotalBeyondEnd", "NegativeSize", "ZeroSize", "RecordPastEnd", "ChildCountPastEnd",
                              "UnterminatedName", "TrackCountOverflow", "MultiNegativeItems"}) {
        SCOPED_TRACE(fault);
        const size_t before = Entities().size();
        ASSERT_EQ(Run(std::string("MAPSIM MALFORMED ") + fault), CommandOutcome::kEnded);
        ASSERT_EQ(Run("MAPSIM SENDTOCAD"), CommandOutcome::kEnded);
        host.Wait(100);
        // The first good marker is there (the same object each time, so it replaces itself).
        EXPECT_GE(Entities().size(), std::max<size_t>(before, 1));
        EXPECT_LE(Entities().size(), before + 2);
    }
    EXPECT_EQ(Run("MAPSIM MALFORMED Nonsense"), CommandOutcome::kFailed);
}

}  // namespace
