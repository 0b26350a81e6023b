// Multilines end to end: one drawn by another program, opened in the host, sent from the toolbar as a track
// and saved with its link; one drawn with the host's MLINE command, saved and opened again.
#include <cmath>

#include "../exchange/link_fixture.h"
#include "host_fixture.h"
#include "mapsim/records.h"
#include "platform/arx/aced/acedss.h"
#include "plugin/maplink/maplink.h"
#include "plugin/maplink/mapobj.h"
#include "support/testfiles.h"

namespace {

using platform::CommandOutcome;

// A closed multiline of four vertices on the layer "Walls", with its style, as another program writes it.
const char kOtherProgramsDrawing[] =
    "  0\n"
    "SECTION\n"
    "  2\n"
    "HEADER\n"
    "  9\n"
    "$ACADVER\n"
    "  1\n"
    "AC1015\n"
    "  0\n"
    "ENDSEC\n"
    "  0\n"
    "SECTION\n"
    "  2\n"
    "ENTITIES\n"
    "  0\n"
    "MLINE\n"
    "  5\n"
    "2A\n"
    "330\n"
    "1F\n"
    "100\n"
    "AcDbEntity\n"
    "  8\n"
    "Walls\n"
    "100\n"
    "AcDbMline\n"
    "  2\n"
    "STANDARD\n"
    "340\n"
    "18\n"
    " 40\n"
    "1.0\n"
    " 70\n"
    "1\n"
    " 71\n"
    "3\n"
    " 72\n"
    "4\n"
    " 73\n"
    "2\n"
    " 10\n"
    "0.0\n"
    " 20\n"
    "0.0\n"
    " 30\n"
    "0.0\n"
    " 11\n"
    "0.0\n"
    " 21\n"
    "0.0\n"
    " 31\n"
    "0.0\n"
    " 12\n"
    "1.0\n"
    " 22\n"
    "0.0\n"
    " 32\n"
    "0.0\n"
    " 13\n"
    "0.7071067811865475\n"
    " 23\n"
    "0.7071067811865475\n"
    " 33\n"
    "0.0\n"
    " 74\n"
    "2\n"
    " 41\n"
    "0.7071067811865476\n"
    " 41\n"
    "0.0\n"
    " 75\n"
    "0\n"
    " 74\n"
    "2\n"
    " 41\n"
    "-0.7071067811865476\n"
    " 41\n"
    "0.0\n"
    " 75\n"
    "0\n"
    " 11\n"
    "40.0\n"
    " 21\n"
    "0.0\n"
    " 31\n"
    "0.0\n"
    " 12\n"
    "0.0\n"
    " 22\n"
    "1.0\n"
    " 32\n"
    "0.0\n"
    " 13\n"
    "-0.7071067811865475\n"
    " 23\n"
    "0.7071067811865475\n"
    " 33\n"
    "0.0\n"
    " 74\n"
    "2\n"
    " 41\n"
    "0.7071067811865476\n"
    " 41\n"
    "0.0\n"
    " 75\n"
    "0\n"
    " 74\n"
    "2\n"
    " 41\n"
    "-0.7071067811865476\n"
    " 41\n"
    "0.0\n"
    " 75\n"
    "0\n"
    " 11\n"
    "40.0\n"
    " 21\n"
    "30.0\n"
    " 31\n"
    "0.0\n"
    " 12\n"
    "-1.0\n"
    " 22\n"
    "0.0\n"
    " 32\n"
    "0.0\n"
    " 13\n"
    "-0.7071067811865475\n"
    " 23\n"
    "-0.7071067811865475\n"
    " 33\n"
    "0.0\n"
    " 74\n"
    "2\n"
    " 41\n"
    "0.7071067811865476\n"
    " 41\n"
    "0.0\n"
    " 75\n"
    "0\n"
    " 74\n"
    "2\n"
    " 41\n"
    "-0.7071067811865476\n"
    " 41\n"
    "0.0\n"
    " 75\n"
    "0\n"
    " 11\n"
    "0.0\n"
    " 21\n"
    "30.0\n"
    " 31\n"
    "0.0\n"
    " 12\n"
    "0.0\n"
    " 22\n"
    "-1.0\n"
    " 32\n"
    "0.0\n"
    " 13\n"
    "0.7071067811865475\n"
    " 23\n"
    "-0.7071067811865475\n"
    " 33\n"
    "0.0\n"
    " 74\n"
    "2\n"
    " 41\n"
    "0.7071067811865476\n"
    " 41\n"
    "0.0\n"
    " 75\n"
    "0\n"
    " 74\n"
    "2\n"
    " 41\n"
    "-0.7071067811865476\n"
    " 41\n"
    "0.0\n"
    " 75\n"
    "0\n"
    "  0\n"
    "ENDSEC\n"
    "  0\n"
    "SECTION\n"
    "  2\n"
    "OBJECTS\n"
    "  0\n"
    "DICTIONARY\n"
    "  5\n"
    "C\n"
    "330\n"
    "0\n"
    "100\n"
    "AcDbDictionary\n"
    "  3\n"
    "ACAD_MLINESTYLE\n"
    "350\n"
    "17\n"
    "  0\n"
    "DICTIONARY\n"
    "  5\n"
    "17\n"
    "330\n"
    "C\n"
    "100\n"
    "AcDbDictionary\n"
    "  3\n"
    "STANDARD\n"
    "350\n"
    "18\n"
    "  0\n"
    "MLINESTYLE\n"
    "  5\n"
    "18\n"
    "330\n"
    "17\n"
    "100\n"
    "AcDbMlineStyle\n"
    "  2\n"
    "STANDARD\n"
    " 70\n"
    "0\n"
    "  3\n"
    "\n"
    " 62\n"
    "256\n"
    " 51\n"
    "90.0\n"
    " 52\n"
    "90.0\n"
    " 71\n"
    "2\n"
    " 49\n"
    "0.5\n"
    " 62\n"
    "256\n"
    "  6\n"
    "BYLAYER\n"
    " 49\n"
    "-0.5\n"
    " 62\n"
    "256\n"
    "  6\n"
    "BYLAYER\n"
    "  0\n"
    "ENDSEC\n"
    "  0\n"
    "EOF\n";

class MlineE2eTest : public e2e::HostTest {
protected:
    void TearDown() override {
        std::string error;
        EXPECT_TRUE(host.UnloadModule("TarnArx", &error)) << error;
        EXPECT_TRUE(platform::LockViolations().empty());
        HostTest::TearDown();
    }
    AcDbObjectId IdOf(uint64_t handle) {
        AcDbObjectId id;
        host.Drawing()->getAcDbObjectId(id, false, AcDbHandle(handle));
        return id;
    }
    const mapsim::StoredObject* Stored(uint64_t key) {
        for (const auto& [id, object] : host.MapSim().Objects()) {
            if (object.key == key) {
                return &object;
            }
        }
        return nullptr;
    }
};

TEST_F(MlineE2eTest, AnotherProgramsMultilineIsSentAsATrackAndKeepsItsLinkThroughASave) {
    const std::string drawing = dir + "/walls.dxf";
    tarntest::WriteFile(drawing, kOtherProgramsDrawing);
    std::string error;
    ASSERT_TRUE(host.LoadModule(TARN_PLUGIN_MODULE, &error)) << error;
    ASSERT_EQ(Run("OPEN", {drawing}), CommandOutcome::kEnded) << Printed();
    ASSERT_EQ(Entities().size(), 1u);
    EXPECT_NE(Describe(IdOf(0x2A)).find("layer \"Walls\" MLINE closed, (0,0,0) (40,0,0) (40,30,0) (0,30,0)"),
              std::string::npos);

    host.MapSim().ClearRecords();
    platform::SetPickFirst({IdOf(0x2A)});
    ASSERT_EQ(Run("TOOLBAR 发送"), CommandOutcome::kEnded) << Printed();
    const mapsim::StoredObject* stored = Stored(0x2A);
    ASSERT_NE(stored, nullptr) << Printed();
    MapTrackObj* track =
        MapApiParseTrack(&g_MapApiLink, stored->bytes.data(), static_cast<DWORD>(stored->bytes.size()));
    ASSERT_NE(track, nullptr);
    // Four vertices and the first again; y before x on the wire.
    const double expected[5][2] = {{0, 0}, {40, 0}, {40, 30}, {0, 30}, {0, 0}};
    ASSERT_EQ(track->m_nCount, 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(track->m_pPoints[i].m_dX, expected[i][0]) << i;
        EXPECT_EQ(track->m_pPoints[i].m_dY, expected[i][1]) << i;
    }
    MapApiFreeObj(&g_MapApiLink, track, kMapTypeTrack);
    const uint32_t mapId = stored->id;
    ASSERT_NE(mapId, 0u);

    // Saved (the link written into the multiline) and opened again: the multiline, its style and its link.
    ASSERT_EQ(Run("QSAVE"), CommandOutcome::kEnded) << Printed();
    ASSERT_EQ(Run("CLOSE"), CommandOutcome::kEnded) << Printed();
    ASSERT_EQ(Run("OPEN", {drawing}), CommandOutcome::kEnded) << Printed();
    AcDbMline* mline = nullptr;
    ASSERT_EQ(acdbOpenObject(mline, IdOf(0x2A), AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(mline->numVertices(), 4);
    EXPECT_TRUE(mline->closedMline());
    AcDbMlineStyle* style = nullptr;
    ASSERT_EQ(acdbOpenObject(style, mline->style(), AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(style->numElements(), 2);
    style->close();
    CBindingRecord link;
    EXPECT_TRUE(ReadLinkRecord(mline, link));
    mline->close();
    EXPECT_EQ(link.m_mapId, mapId);
}

TEST_F(MlineE2eTest, TheMlineCommandDrawsAMultilineThatASaveKeeps) {
    std::string error;
    ASSERT_TRUE(host.LoadModule(TARN_PLUGIN_MODULE, &error)) << error;
    ASSERT_EQ(Run("SAVEAS", {dir + "/drawn.dxf"}), CommandOutcome::kEnded);
    ASSERT_EQ(Run("MLINE", {"0,0", "10,0", "10,10", "C"}), CommandOutcome::kEnded) << Printed();
    ASSERT_EQ(Entities().size(), 1u);
    EXPECT_NE(Describe(Entities()[0]).find("MLINE closed, (0,0,0) (10,0,0) (10,10,0)"), std::string::npos);
    // Too few points draw nothing.
    ASSERT_EQ(Run("MLINE", {"5,5", ""}), CommandOutcome::kEnded);
    EXPECT_EQ(Entities().size(), 1u);

    ASSERT_EQ(Run("QSAVE"), CommandOutcome::kEnded);
    const std::string text = tarntest::ReadFile(dir + "/drawn.dxf");
    EXPECT_NE(text.find("\nMLINESTYLE\n"), std::string::npos);
    EXPECT_NE(text.find("\nACAD_MLINESTYLE\n"), std::string::npos);
    ASSERT_EQ(Run("CLOSE"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("OPEN", {dir + "/drawn.dxf"}), CommandOutcome::kEnded) << Printed();
    ASSERT_EQ(Entities().size(), 1u);
    EXPECT_NE(Describe(Entities()[0]).find("MLINE closed, (0,0,0) (10,0,0) (10,10,0)"), std::string::npos);
    AcDbMline* mline = nullptr;
    ASSERT_EQ(acdbOpenObject(mline, Entities()[0], AcDb::kForRead), Acad::eOk);
    AcDbMlineStyle* style = nullptr;
    ASSERT_EQ(acdbOpenObject(style, mline->style(), AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(std::u16string(style->name()), u"Standard");
    style->close();
    mline->close();
}

}  // namespace
