// Selection sets, the pick-first selection, filters and wildcards, picking.
#include <gtest/gtest.h>

#include "platform/arx/arxheaders.h"
#include "platform/mfc/uidriver.h"
#include "recorder.h"

namespace {

std::vector<AcDbObjectId> Members(const ads_name ss) {
    std::vector<AcDbObjectId> ids;
    Adesk::Int32 n = 0;
    acedSSLength(ss, &n);
    for (Adesk::Int32 i = 0; i < n; ++i) {
        ads_name ent;
        AcDbObjectId id;
        if (acedSSName(ss, i, ent) == RTNORM && acdbGetObjectId(id, ent) == Acad::eOk) {
            ids.push_back(id);
        }
    }
    return ids;
}

class SelectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        doc = platform::NewDocument();
        acDocManager->lockDocument(doc);
        AddLayer(u"Wall");
        AddLayer(u"WALL2");
        AddLayer(u"Road");
        wall = AddLine(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 0, 0), u"wall");
        wall2 = AddLine(AcGePoint3d(0, 5, 0), AcGePoint3d(10, 5, 0), u"WALL2");
        road = AddLine(AcGePoint3d(20, 20, 0), AcGePoint3d(30, 30, 0), u"Road");
    }
    void TearDown() override {
        acDocManager->unlockDocument(doc);
        EXPECT_EQ(platform::LiveSelectionSetCount(), 0u);
        EXPECT_TRUE(platform::LockViolations().empty());
    }
    AcApDocument* doc = nullptr;
    AcDbObjectId wall, wall2, road;
};

TEST_F(SelectionTest, PickFirstIsReadAsASetAndClearedBySetFirst) {
    ads_name ss = {7, 7};
    EXPECT_EQ(acedSSGet(u"I", nullptr, nullptr, nullptr, ss), RTERROR);
    EXPECT_EQ(ss[0], 7);  // untouched without a pick-first selection

    platform::SetPickFirst({road, wall});
    ASSERT_EQ(acedSSGet(u" I ", nullptr, nullptr, nullptr, ss), RTNORM);
    EXPECT_EQ(Members(ss), (std::vector<AcDbObjectId>{road, wall}));
    ads_name ent;
    EXPECT_EQ(acedSSName(ss, 2, ent), RTERROR);
    EXPECT_EQ(acedSSName(ss, -1, ent), RTERROR);
    EXPECT_EQ(acedSSFree(ss), RTNORM);
    EXPECT_EQ(acedSSFree(ss), RTERROR);  // a freed set is gone
    Adesk::Int32 n = 99;
    EXPECT_EQ(acedSSLength(ss, &n), RTERROR);
    EXPECT_EQ(n, 99);

    // Sets built by hand become the pick-first selection; null clears it.
    ads_name name, built;
    ASSERT_EQ(acdbGetAdsName(name, wall2), Acad::eOk);
    ASSERT_EQ(acedSSAdd(name, nullptr, built), RTNORM);
    EXPECT_EQ(acedSSMemb(name, built), RTNORM);
    EXPECT_EQ(acedSSSetFirst(nullptr, built), RTNORM);
    acedSSFree(built);
    EXPECT_EQ(platform::PickFirst(), (std::vector<AcDbObjectId>{wall2}));
    resbuf* pick = nullptr;
    ASSERT_EQ(acedSSGetFirst(nullptr, &pick), RTNORM);
    EXPECT_EQ(Members(pick->resval.rlname), (std::vector<AcDbObjectId>{wall2}));
    acedSSFree(pick->resval.rlname);
    acutRelRb(pick);
    EXPECT_EQ(acedSSSetFirst(nullptr, nullptr), RTNORM);
    EXPECT_TRUE(platform::PickFirst().empty());

    // Erased members of the pick-first selection are not selected.
    platform::SetPickFirst({road});
    AcDbEntity* e = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(e, road, AcDb::kForWrite), Acad::eOk);
    e->erase();
    e->close();
    EXPECT_EQ(acedSSGet(u"I", nullptr, nullptr, nullptr, ss), RTERROR);
}

TEST_F(SelectionTest, AllWithFiltersMatchesLayerPatternsIgnoringCase) {
    auto select = [](resbuf* filter) {
        ads_name ss;
        std::vector<AcDbObjectId> ids;
        if (acedSSGet(u"X", nullptr, nullptr, filter, ss) == RTNORM) {
            ids = Members(ss);
            acedSSFree(ss);
        }
        acutRelRb(filter);
        return ids;
    };
    EXPECT_EQ(select(acutBuildList(8, u"wall*", RTNONE)), (std::vector<AcDbObjectId>{wall, wall2}));
    EXPECT_EQ(select(acutBuildList(8, u"~wall*", RTNONE)), (std::vector<AcDbObjectId>{road}));
    EXPECT_EQ(select(acutBuildList(8, u"ROAD,wall", RTNONE)), (std::vector<AcDbObjectId>{wall, road}));
    EXPECT_EQ(select(acutBuildList(RTDXF0, u"LINE", 8, u"Road", RTNONE)), (std::vector<AcDbObjectId>{road}));
    EXPECT_TRUE(select(acutBuildList(RTDXF0, u"CIRCLE", RTNONE)).empty());
    EXPECT_TRUE(select(acutBuildList(62, 1, RTNONE)).empty());  // unsupported group: refused
    EXPECT_EQ(select(nullptr).size(), 3u);
}

TEST_F(SelectionTest, WindowCrossingLastAndPointPicks) {
    ads_name ss;
    const ads_point lo = {-1, -1, 0}, hi = {11, 6, 0};
    ASSERT_EQ(acedSSGet(u"W", lo, hi, nullptr, ss), RTNORM);
    EXPECT_EQ(Members(ss), (std::vector<AcDbObjectId>{wall, wall2}));
    acedSSFree(ss);
    const ads_point c1 = {25, 0, 0}, c2 = {26, 40, 0};
    ASSERT_EQ(acedSSGet(u"C", c1, c2, nullptr, ss), RTNORM);
    EXPECT_EQ(Members(ss), (std::vector<AcDbObjectId>{road}));
    acedSSFree(ss);
    ASSERT_EQ(acedSSGet(u"L", nullptr, nullptr, nullptr, ss), RTNORM);
    EXPECT_EQ(Members(ss), (std::vector<AcDbObjectId>{road}));
    acedSSFree(ss);

    // A point pick takes the entity under the point (within the pick box), not one whose box holds it.
    const ads_point onWall = {5, 0.01, 0}, nearRoad = {29, 21, 0};
    ASSERT_EQ(acedSSGet(nullptr, onWall, nullptr, nullptr, ss), RTNORM);
    EXPECT_EQ(Members(ss), (std::vector<AcDbObjectId>{wall}));
    acedSSFree(ss);
    EXPECT_EQ(acedSSGet(nullptr, nearRoad, nullptr, nullptr, ss), RTERROR);

    // Over overlapping entities the pick takes the top-most, or all of them in drawing order when the host
    // is told to (a double click on two objects).
    const AcDbObjectId across = AddLine(AcGePoint3d(5, -5, 0), AcGePoint3d(5, 4, 0), u"Road");
    const ads_point crossing = {5, 0, 0};
    ASSERT_EQ(acedSSGet(nullptr, crossing, nullptr, nullptr, ss), RTNORM);
    EXPECT_EQ(Members(ss), (std::vector<AcDbObjectId>{across}));
    acedSSFree(ss);
    platform::SetPointPickTakesEveryHit(true);
    ASSERT_EQ(acedSSGet(nullptr, crossing, nullptr, nullptr, ss), RTNORM);
    EXPECT_EQ(Members(ss), (std::vector<AcDbObjectId>{wall, across}));
    acedSSFree(ss);
    const ads_point wallOnly = {8, 0, 0};
    ASSERT_EQ(acedSSGet(nullptr, wallOnly, nullptr, nullptr, ss), RTNORM);
    EXPECT_EQ(Members(ss), (std::vector<AcDbObjectId>{wall}));
    acedSSFree(ss);
}

TEST_F(SelectionTest, InteractiveSelectionAndEntSelGoToTheUser) {
    platform::ScriptedUiDriver driver;
    driver.ExpectInput(platform::kInputSSGet, u"Select objects", platform::SelectionAnswer({wall, road}))
        .ExpectInput(platform::kInputSSGet, u"", platform::InputAnswer::Cancelled())
        .ExpectInput(platform::kInputEntSel, u"Pick", platform::EntSelAnswer(wall2, 3, 5))
        .ExpectInput(platform::kInputEntSel, u"Pick", platform::InputAnswer::Point(100, 100))
        .ExpectInput(platform::kInputEntSel, u"Pick", platform::InputAnswer::Cancelled());
    platform::SetUiDriver(&driver);
    ads_name ss;
    resbuf* filter = acutBuildList(8, u"Road", RTNONE);
    ASSERT_EQ(acedSSGet(nullptr, nullptr, nullptr, filter, ss), RTNORM);
    acutRelRb(filter);
    EXPECT_EQ(Members(ss), (std::vector<AcDbObjectId>{road}));
    acedSSFree(ss);
    EXPECT_EQ(acedSSGet(nullptr, nullptr, nullptr, nullptr, ss), RTCAN);

    ads_name ent;
    ads_point pt;
    ASSERT_EQ(acedEntSel(u"\nPick: ", ent, pt), RTNORM);
    AcDbObjectId id;
    ASSERT_EQ(acdbGetObjectId(id, ent), Acad::eOk);
    EXPECT_EQ(id, wall2);
    EXPECT_EQ(pt[X], 3.0);
    EXPECT_EQ(acedEntSel(u"\nPick: ", ent, pt), RTERROR);  // missed
    EXPECT_EQ(acedEntSel(u"\nPick: ", ent, pt), RTCAN);
    std::string report;
    EXPECT_TRUE(driver.Verify(&report)) << report;
}

TEST(Wildcards, MatchAsTheHostsFiltersDo) {
    struct Case {
        const char16_t* text;
        const char16_t* pattern;
        bool match;
    };
    const Case cases[] = {
        {u"Wall", u"wall", true},
        {u"Wall", u"W*", true},
        {u"Wall", u"W?ll", true},
        {u"L12", u"L##", true},
        {u"L1A", u"L##", false},
        {u"AB", u"@@", true},
        {u"A-B", u"A.B", true},
        {u"A1B", u"A.B", false},
        {u"*MapLayer", u"`*MapLayer", true},
        {u"XMapLayer", u"`*MapLayer", false},
        {u"B", u"[ABC]", true},
        {u"D", u"[~ABC]", true},
        {u"q", u"[a-z]", true},
        {u"Road", u"~Wall", true},
        {u"Wall", u"~Wall", false},
        {u"Road", u"Wall,Road", true},
        {u"", u"*", true},
        {u"A", u"[AB", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::WildcardMatch(c.text, c.pattern, true), c.match)
            << platform::Utf16ToUtf8(c.text) << " ~ " << platform::Utf16ToUtf8(c.pattern);
    }
    EXPECT_FALSE(platform::WildcardMatch(u"wall", u"Wall", false));
}

}  // namespace
