// CSelectUtil and CLayerEntityList: model-space scans, window tests, pick-first grouped by layer, prompts.
#include <gtest/gtest.h>

#include "platform/arx/arxheaders.h"
#include "platform/mfc/uidriver.h"
#include "plugin/arxutil/SelectUtil.h"

namespace {

std::vector<std::pair<std::u16string, std::vector<AcDbObjectId>>> Nodes(const CLayerEntityList& list) {
    std::vector<std::pair<std::u16string, std::vector<AcDbObjectId>>> nodes;
    for (const CLayerEntityNode* node = list.m_pFirst; node != nullptr; node = node->m_pNext) {
        std::vector<AcDbObjectId> ids;
        for (int i = 0; i < node->m_entIds.length(); ++i) {
            ids.push_back(node->m_entIds[i]);
        }
        nodes.emplace_back(std::u16string(static_cast<const char16_t*>(node->m_layerName)), ids);
    }
    return nodes;
}

AcDbObjectId Ids(int n) {
    // Stand-in ids for the list alone; the list never opens them.
    return AcDbObjectId(static_cast<std::uint64_t>(n));
}

TEST(LayerEntityList, GroupsByLayerInFirstMetOrderCaseSensitively) {
    CLayerEntityList list;
    EXPECT_EQ(list.m_pFirst, nullptr);
    const char16_t* layers[] = {u"A", u"B", u"A", u"C", u"B", u"Wall", u"WALL"};
    for (int i = 0; i < 7; ++i) {
        list.Add(Ids(i + 1), layers[i]);
    }
    const auto nodes = Nodes(list);
    ASSERT_EQ(nodes.size(), 5u);
    EXPECT_EQ(nodes[0].first, u"A");
    EXPECT_EQ(nodes[0].second, (std::vector<AcDbObjectId>{Ids(1), Ids(3)}));
    EXPECT_EQ(nodes[1].second, (std::vector<AcDbObjectId>{Ids(2), Ids(5)}));
    EXPECT_EQ(nodes[2].second, (std::vector<AcDbObjectId>{Ids(4)}));
    EXPECT_EQ(nodes[3].first, u"Wall");
    EXPECT_EQ(nodes[4].first, u"WALL");
    EXPECT_EQ(list.m_pCursor, list.m_pFirst->m_pNext->m_pNext->m_pNext->m_pNext);
}

class SelectUtilTest : public ::testing::Test {
protected:
    void SetUp() override {
        doc = platform::NewDocument();
        acDocManager->lockDocument(doc);
        AcDbLayerTable* table = nullptr;
        doc->database()->getLayerTable(table, AcDb::kForWrite);
        for (const ACHAR* name : {u"Road", u"Wall"}) {
            AcDbLayerTableRecord* record = new AcDbLayerTableRecord;
            record->setName(name);
            table->add(record);
            record->close();
        }
        table->close();
    }
    void TearDown() override {
        acDocManager->unlockDocument(doc);
        EXPECT_EQ(platform::LiveSelectionSetCount(), 0u);
        EXPECT_EQ(platform::OpenObjectCount(), 0);
    }
    AcDbObjectId Add(AcDbEntity* entity, const ACHAR* layer = u"0") {
        AcDbBlockTable* table = nullptr;
        doc->database()->getBlockTable(table, AcDb::kForRead);
        AcDbBlockTableRecord* ms = nullptr;
        table->getAt(ACDB_MODEL_SPACE, ms, AcDb::kForWrite);
        table->close();
        entity->setLayer(layer);
        AcDbObjectId id;
        ms->appendAcDbEntity(id, entity);
        entity->close();
        ms->close();
        return id;
    }
    AcDbObjectId Line(double x1, double y1, double x2, double y2, const ACHAR* layer = u"0") {
        return Add(new AcDbLine(AcGePoint3d(x1, y1, 0), AcGePoint3d(x2, y2, 0)), layer);
    }
    AcApDocument* doc = nullptr;
};

TEST_F(SelectUtilTest, ScansByClassAndWindowsTakeOnlyWhatIsInsideOrCrossing) {
    const AcDbObjectId line = Line(0, 0, 10, 0);
    const AcDbObjectId circle = Add(new AcDbCircle(AcGePoint3d(50, 50, 0), AcGeVector3d::kZAxis, 5));
    const AcDbObjectId point = Add(new AcDbPoint(AcGePoint3d(5, 5, 0)));
    Add(new AcDbText());  // no text, no extents: in no window, whatever the empty extents hold

    AcDbObjectIdArray ids;
    CSelectUtil::GetEntityIdsByClass(AcDbCurve::desc(), ids);
    ASSERT_EQ(ids.length(), 2);
    EXPECT_EQ(ids[0], line);
    EXPECT_EQ(ids[1], circle);
    CSelectUtil::GetEntityIdsByClass(AcDbPoint::desc(), ids);  // appended to
    EXPECT_EQ(ids.length(), 3);

    // Strictly inside: a line lying on the window's edge is out.
    ids.setLogicalLength(0);
    CSelectUtil::GetEntityIdsInWindow(AcGePoint2d(0, 0), AcGePoint2d(20, 20), ids);
    ASSERT_EQ(ids.length(), 1);
    EXPECT_EQ(ids[0], point);
    ids.setLogicalLength(0);
    CSelectUtil::GetEntityIdsInWindow(AcGePoint2d(-1, -1), AcGePoint2d(20, 20), ids);
    EXPECT_EQ(ids.length(), 2);
    // The point (5, 5) on the right edge, then on the top edge, is out too; just inside both, it is in.
    ids.setLogicalLength(0);
    CSelectUtil::GetEntityIdsInWindow(AcGePoint2d(4, 4), AcGePoint2d(5, 6), ids);
    CSelectUtil::GetEntityIdsInWindow(AcGePoint2d(4, 4), AcGePoint2d(6, 5), ids);
    EXPECT_EQ(ids.length(), 0);
    CSelectUtil::GetEntityIdsInWindow(AcGePoint2d(4, 4), AcGePoint2d(5 + 1e-9, 5 + 1e-9), ids);
    ASSERT_EQ(ids.length(), 1);
    EXPECT_EQ(ids[0], point);

    // Crossing: touching counts, a gap of 1e-6 does not; the class form filters first.
    ids.setLogicalLength(0);
    EXPECT_EQ(CSelectUtil::GetEntityIdsCrossingWindow(AcGePoint2d(55, 55), AcGePoint2d(60, 60), ids),
              Acad::eOk);
    ASSERT_EQ(ids.length(), 1);
    EXPECT_EQ(ids[0], circle);
    ids.setLogicalLength(0);
    CSelectUtil::GetEntityIdsCrossingWindow(AcGePoint2d(55 + 1e-6, 55 + 1e-6), AcGePoint2d(60, 60), ids);
    EXPECT_EQ(ids.length(), 0);
    // The same on the window's right and top edges, with the corners given in either order.
    CSelectUtil::GetEntityIdsCrossingWindow(AcGePoint2d(45 - 1e-6, 60), AcGePoint2d(40, 40), ids);
    CSelectUtil::GetEntityIdsCrossingWindow(AcGePoint2d(60, 45 - 1e-6), AcGePoint2d(40, 40), ids);
    EXPECT_EQ(ids.length(), 0);
    CSelectUtil::GetEntityIdsCrossingWindow(AcGePoint2d(45, 45), AcGePoint2d(40, 40), ids);
    ASSERT_EQ(ids.length(), 1);
    EXPECT_EQ(ids[0], circle);
    ids.setLogicalLength(0);
    CSelectUtil::GetEntityIdsCrossingWindow(AcGePoint2d(-1e30, -1e30), AcGePoint2d(1e30, 1e30), ids);
    EXPECT_EQ(ids.length(), 3);
    ids.setLogicalLength(0);
    CSelectUtil::GetEntityIdsCrossingWindow(AcGePoint2d(0, 0), AcGePoint2d(60, 60), ids, AcDbLine::desc());
    ASSERT_EQ(ids.length(), 1);
    EXPECT_EQ(ids[0], line);

    // An entity that can't be opened is reported with the host's status and skipped.
    AcDbEntity* held = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(held, line, AcDb::kForWrite), Acad::eOk);
    ids.setLogicalLength(0);
    CSelectUtil::GetEntityIdsByClass(AcDbEntity::desc(), ids);
    held->close();
    EXPECT_EQ(ids.length(), 3);
    EXPECT_NE(platform::CommandLineTranscript().find(
                  u"\nCDwgDatabaseUtil::GetAllEntityIds中打开实体失败(错误代码:83)."),
              std::u16string::npos);
}

TEST_F(SelectUtilTest, PickFirstGroupedByLayerThenCleared) {
    CLayerEntityList empty;
    EXPECT_TRUE(CSelectUtil::GetImpliedSelectionByLayer(empty));
    EXPECT_EQ(empty.m_pFirst, nullptr);

    const AcDbObjectId a = Line(0, 0, 1, 0, u"Road");
    const AcDbObjectId b = Line(0, 1, 1, 1, u"wall");  // stored under the layer's own name
    const AcDbObjectId c = Line(0, 2, 1, 2, u"ROAD");
    platform::SetPickFirst({a, b, c});
    CLayerEntityList list;
    EXPECT_TRUE(CSelectUtil::GetImpliedSelectionByLayer(list));
    const auto nodes = Nodes(list);
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[0].first, u"Road");
    EXPECT_EQ(nodes[0].second, (std::vector<AcDbObjectId>{a, c}));
    EXPECT_EQ(nodes[1].first, u"Wall");
    EXPECT_TRUE(platform::PickFirst().empty());
}

TEST_F(SelectUtilTest, PromptsKeepTheAskedClassesAndAskAgainAfterAWrongPick) {
    const AcDbObjectId line = Line(0, 0, 10, 0);
    const AcDbObjectId point = Add(new AcDbPoint(AcGePoint3d(5, 5, 0)));
    platform::ScriptedUiDriver driver;
    driver.ExpectInput(platform::kInputSSGet, u"", platform::SelectionAnswer({point, line}))
        .ExpectInput(platform::kInputSSGet, u"", platform::SelectionAnswer({point}))
        .ExpectInput(platform::kInputSSGet, u"", platform::InputAnswer::Cancelled())
        .ExpectInput(platform::kInputEntSel, u"Pick a line", platform::EntSelAnswer(point, 5, 5))
        .ExpectInput(platform::kInputEntSel, u"Pick a line", platform::EntSelAnswer(line, 2, 0))
        .ExpectInput(platform::kInputEntSel, u"Pick a line", platform::InputAnswer::Cancelled());
    platform::SetUiDriver(&driver);

    AcDbObjectIdArray ids;
    ids.append(point);
    EXPECT_TRUE(CSelectUtil::PromptSelectEnts(u"\nSelect 100% lines: ", AcDbCurve::desc(), ids));
    ASSERT_EQ(ids.length(), 1);
    EXPECT_EQ(ids[0], line);
    EXPECT_NE(platform::CommandLineUtf8().find("Select 100% lines"), std::string::npos);
    EXPECT_FALSE(CSelectUtil::PromptSelectEnts(u"\nSelect: ", AcDbCurve::desc(), ids));
    EXPECT_EQ(ids.length(), 0);
    EXPECT_FALSE(CSelectUtil::PromptSelectEnts(u"\nSelect: ", static_cast<resbuf*>(nullptr), ids));

    AcDbEntity* entity = nullptr;
    AcGePoint3d pick;
    ASSERT_TRUE(CSelectUtil::PromptSelectEntity(u"\nPick a line: ", AcDbLine::desc(), entity, pick, true));
    EXPECT_EQ(entity->objectId(), line);
    EXPECT_TRUE(entity->isWriteEnabled());
    EXPECT_EQ(pick, AcGePoint3d(2, 0, 0));
    entity->close();
    EXPECT_NE(platform::CommandLineTranscript().find(u"\n选择的实体类型不合要求, 请再次选择..."),
              std::u16string::npos);
    EXPECT_FALSE(CSelectUtil::PromptSelectEntity(u"\nPick a line: ", AcDbLine::desc(), entity, pick, false));
    EXPECT_EQ(entity, nullptr);
    std::string report;
    EXPECT_TRUE(driver.Verify(&report)) << report;
}

}  // namespace
