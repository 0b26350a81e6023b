// Posting new entities to model space with their properties, and scanning and measuring model space.
#include <gtest/gtest.h>

#include "arxutil/db_fixture.h"
#include "platform/arx/acdb/acdb_all.h"
#include "platform/arx/aced/acedcmdline.h"
#include "platform/mfc/uidriver.h"
#include "plugin/arxutil/DwgDatabaseUtil.h"

namespace {

class PostingTest : public arxtest::WorkingDbTest {
protected:
    void TearDown() override {
        EXPECT_EQ(platform::CheckDatabase(&m_db), "");
        WorkingDbTest::TearDown();
    }

    static CEntityProperty Props(const TCHAR* layer, const TCHAR* linetype, int opacity = 100) {
        CEntityProperty prop;
        prop.m_bByLayer = false;
        prop.m_color.setColorIndex(3);
        prop.m_strLayerName = layer;
        prop.m_strLinetype = linetype;
        prop.m_nOpacity = opacity;
        return prop;
    }

    static AcDbLine* NewLine(double x0, double y0, double x1, double y1) {
        return new AcDbLine(AcGePoint3d(x0, y0, 0), AcGePoint3d(x1, y1, 0));
    }

    // A copy of what the entity holds, read through a read-open.
    struct Seen {
        bool opened = false;
        Adesk::UInt16 colorIndex = 0;
        AcString layer;
        AcString linetype;
        AcCmTransparency transparency;
        AcDbObjectId owner;
    };
    static Seen Read(AcDbObjectId id) {
        Seen seen;
        AcDbEntity* ent = nullptr;
        if (acdbOpenAcDbEntity(ent, id, AcDb::kForRead) != Acad::eOk) {
            return seen;
        }
        seen.opened = true;
        seen.colorIndex = ent->colorIndex();
        seen.layer = ent->layer();
        seen.linetype = ent->linetype();
        seen.transparency = ent->transparency();
        seen.owner = ent->ownerId();
        ent->close();
        return seen;
    }

    AcDbObjectId ModelSpaceId() {
        AcDbBlockTable* table = nullptr;
        m_db.getBlockTable(table, AcDb::kForRead);
        AcDbObjectId id;
        table->getAt(ACDB_MODEL_SPACE, id);
        table->close();
        return id;
    }
};

TEST_F(PostingTest, MissingLayerIsCreatedAndMissingLinetypeLoaded) {
    const AcDbObjectId id =
        CDwgDatabaseUtil::PostToModelSpace(NewLine(0, 0, 10, 0), Props(_T("道路"), _T("DASHED"), 50), &m_db);
    ASSERT_FALSE(id.isNull());
    const Seen seen = Read(id);
    ASSERT_TRUE(seen.opened);
    EXPECT_EQ(seen.owner, ModelSpaceId());
    EXPECT_EQ(seen.layer, AcString(u"道路"));
    EXPECT_EQ(seen.linetype, AcString(u"DASHED"));
    EXPECT_EQ(seen.colorIndex, 3);
    EXPECT_TRUE(seen.transparency.isByAlpha());
    EXPECT_EQ(seen.transparency.alpha(), 127);

    // The new layer has the host's defaults; a second post reuses it and the loaded linetype.
    AcDbLayerTable* layers = nullptr;
    m_db.getLayerTable(layers, AcDb::kForRead);
    AcDbLayerTableRecord* layer = nullptr;
    ASSERT_EQ(layers->getAt(u"道路", layer, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(layer->color().colorIndex(), 7);
    EXPECT_FALSE(layer->isLocked());
    layer->close();
    layers->close();

    const AcDbObjectId second =
        CDwgDatabaseUtil::PostToModelSpace(NewLine(0, 1, 10, 1), Props(_T("道路"), _T("dashed")), &m_db);
    EXPECT_EQ(Read(second).layer, AcString(u"道路"));
    EXPECT_EQ(Read(second).linetype, AcString(u"DASHED"));
}

TEST_F(PostingTest, ByLayerIgnoresTheColourAndOpacityMapsToAlpha) {
    CEntityProperty prop = Props(_T(""), _T("Continuous"));
    prop.m_bByLayer = true;
    prop.m_color.setColorIndex(1);
    const AcDbObjectId id =
        CDwgDatabaseUtil::PostToModelSpace(new AcDbPoint(AcGePoint3d(1, 1, 0)), prop, &m_db);
    const Seen seen = Read(id);
    EXPECT_EQ(seen.colorIndex, 256);
    // An empty layer name leaves the layer the host gives: the current one.
    EXPECT_EQ(seen.layer, AcString(u"0"));
    EXPECT_EQ(seen.transparency.alpha(), 254);

    const struct {
        int percent;
        int alpha;
    } table[] = {{0, 0}, {1, 3}, {50, 127}, {99, 251}, {100, 254}, {101, 1}, {-10, 232}};
    for (const auto& row : table) {
        EXPECT_EQ(CDwgDatabaseUtil::OpacityToAlpha(row.percent), row.alpha) << row.percent;
    }
    // Percents far outside the range wrap like the rest, without overflow.
    CDwgDatabaseUtil::OpacityToAlpha(2147483647);
    CDwgDatabaseUtil::OpacityToAlpha(-2147483647 - 1);

    // A record left as built posts an opaque entity in its own colour.
    const CEntityProperty plain;
    EXPECT_FALSE(plain.m_bByLayer);
    EXPECT_EQ(plain.m_nOpacity, 100);
    const AcDbObjectId other =
        CDwgDatabaseUtil::PostToModelSpace(new AcDbPoint(AcGePoint3d(2, 2, 0)), plain, &m_db);
    EXPECT_EQ(Read(other).transparency.alpha(), 254);
}

TEST_F(PostingTest, UnknownOrEmptyLinetypeLeavesTheHostsLinetype) {
    const AcDbObjectId unknown =
        CDwgDatabaseUtil::PostToModelSpace(NewLine(0, 0, 1, 1), Props(_T("A"), _T("NoSuchType")), &m_db);
    ASSERT_FALSE(unknown.isNull());
    EXPECT_EQ(Read(unknown).linetype, AcString(u"ByLayer"));
    EXPECT_EQ(Read(unknown).layer, AcString(u"A"));

    const AcDbObjectId empty =
        CDwgDatabaseUtil::PostToModelSpace(NewLine(0, 0, 1, 1), Props(_T(""), _T("")), &m_db);
    ASSERT_FALSE(empty.isNull());
    EXPECT_EQ(Read(empty).linetype, AcString(u"ByLayer"));
}

TEST_F(PostingTest, FailedPostsLeaveTheDrawingAsItWasAndTheEntityGone) {
    EXPECT_TRUE(
        CDwgDatabaseUtil::PostToModelSpace(NewLine(0, 0, 1, 1), Props(_T("A"), _T("")), nullptr).isNull());
    EXPECT_TRUE(CDwgDatabaseUtil::PostToModelSpace(nullptr, Props(_T("A"), _T("")), &m_db).isNull());

    platform::ScriptedUiDriver driver;
    driver.ExpectMessageBox(u"GetModelSpace ErrorCode:83");
    platform::SetUiDriver(&driver);
    AcDbBlockTableRecord* busy = nullptr;
    ASSERT_EQ(acdbOpenObject(busy, ModelSpaceId(), AcDb::kForWrite), Acad::eOk);
    EXPECT_TRUE(
        CDwgDatabaseUtil::PostToModelSpace(NewLine(0, 0, 1, 1), Props(_T("A"), _T("")), &m_db).isNull());
    EXPECT_TRUE(busy->tarnEntityIds().empty());
    busy->close();
    std::string report;
    EXPECT_TRUE(driver.Verify(&report)) << report;
    platform::SetUiDriver(nullptr);

    // Nothing was created on the way: no layer "A", no entity.
    AcDbLayerTable* layers = nullptr;
    m_db.getLayerTable(layers, AcDb::kForRead);
    EXPECT_FALSE(layers->has(u"A"));
    layers->close();
    EXPECT_TRUE(CDwgDatabaseUtil::GetAllEntityIds(nullptr, &m_db).isEmpty());

    // An entity already in a drawing is not posted again.
    const AcDbObjectId id =
        CDwgDatabaseUtil::PostToModelSpace(NewLine(0, 0, 1, 1), Props(_T(""), _T("")), &m_db);
    AcDbEntity* ent = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(ent, id, AcDb::kForWrite), Acad::eOk);
    EXPECT_TRUE(CDwgDatabaseUtil::PostToModelSpace(ent, Props(_T(""), _T("")), &m_db).isNull());
    ent->close();
    EXPECT_EQ(CDwgDatabaseUtil::GetAllEntityIds(nullptr, &m_db).length(), 1);
}

TEST_F(PostingTest, PostingToAnotherDrawingCreatesItsLayerThere) {
    AcDbDatabase other;
    const AcDbObjectId id =
        CDwgDatabaseUtil::PostToModelSpace(NewLine(0, 0, 1, 1), Props(_T("Rivers"), _T("DOT")), &other);
    ASSERT_FALSE(id.isNull());
    EXPECT_EQ(id.database(), &other);
    EXPECT_EQ(Read(id).layer, AcString(u"Rivers"));
    EXPECT_EQ(Read(id).linetype, AcString(u"DOT"));
    AcDbLayerTable* layers = nullptr;
    m_db.getLayerTable(layers, AcDb::kForRead);
    EXPECT_FALSE(layers->has(u"Rivers"));
    layers->close();
    // Its entities are found by layer in that drawing too: the working drawing has no "Rivers", and its "0"
    // is another record than the other drawing's.
    const AcDbObjectId plain =
        CDwgDatabaseUtil::PostToModelSpace(NewLine(1, 1, 2, 2), Props(_T("0"), _T("")), &other);
    const AcDbObjectIdArray onRivers = CDwgDatabaseUtil::GetAllEntityIds(_T("Rivers"), &other);
    ASSERT_EQ(onRivers.length(), 1);
    EXPECT_EQ(onRivers[0], id);
    const AcDbObjectIdArray onZero = CDwgDatabaseUtil::GetAllEntityIds(_T("0"), &other);
    ASSERT_EQ(onZero.length(), 1);
    EXPECT_EQ(onZero[0], plain);
    EXPECT_EQ(platform::CheckDatabase(&other), "");
}

TEST_F(PostingTest, EntityIdsByLayerInModelSpaceOrder) {
    const AcDbObjectId a =
        CDwgDatabaseUtil::PostToModelSpace(NewLine(0, 0, 1, 0), Props(_T("A"), _T("")), &m_db);
    const AcDbObjectId b =
        CDwgDatabaseUtil::PostToModelSpace(NewLine(0, 0, 2, 0), Props(_T("B"), _T("")), &m_db);
    const AcDbObjectId c =
        CDwgDatabaseUtil::PostToModelSpace(NewLine(0, 0, 3, 0), Props(_T("a"), _T("")), &m_db);
    const AcDbObjectId gone =
        CDwgDatabaseUtil::PostToModelSpace(NewLine(0, 0, 4, 0), Props(_T("A"), _T("")), &m_db);
    AcDbEntity* ent = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(ent, gone, AcDb::kForWrite), Acad::eOk);
    ent->erase();
    ent->close();

    const AcDbObjectIdArray all = CDwgDatabaseUtil::GetAllEntityIds(nullptr, &m_db);
    ASSERT_EQ(all.length(), 3);
    EXPECT_EQ(all[0], a);
    EXPECT_EQ(all[1], b);
    EXPECT_EQ(all[2], c);
    const AcDbObjectIdArray onA = CDwgDatabaseUtil::GetAllEntityIds(_T("A"), &m_db);
    ASSERT_EQ(onA.length(), 2);
    EXPECT_EQ(onA[1], c);
    EXPECT_TRUE(CDwgDatabaseUtil::GetAllEntityIds(_T("Nowhere"), &m_db).isEmpty());
    EXPECT_TRUE(CDwgDatabaseUtil::GetAllEntityIds(nullptr, nullptr).isEmpty());

    // An entity someone holds open for write is reported and skipped.
    ASSERT_EQ(acdbOpenAcDbEntity(ent, b, AcDb::kForWrite), Acad::eOk);
    const AcDbObjectIdArray some = CDwgDatabaseUtil::GetAllEntityIds(nullptr, &m_db);
    ent->close();
    EXPECT_EQ(some.length(), 2);
    EXPECT_NE(platform::CommandLineUtf8().find("GetAllEntityIds中打开实体失败(错误代码:83)."),
              std::string::npos);
}

TEST_F(PostingTest, ModelSpaceExtentsFallBackToTheEntitiesThatCanBeMeasured) {
    EXPECT_TRUE(platform::IsEmptyExtents(CDwgDatabaseUtil::GetModelSpaceExtent(&m_db)));
    EXPECT_TRUE(platform::IsEmptyExtents(CDwgDatabaseUtil::GetModelSpaceExtent(nullptr)));

    CDwgDatabaseUtil::PostToModelSpace(NewLine(-1, 2, 5, 3), Props(_T(""), _T("")), &m_db);
    CDwgDatabaseUtil::PostToModelSpace(NewLine(0, -4, 1, 0), Props(_T(""), _T("")), &m_db);
    // A circle of no size can't be measured.
    CDwgDatabaseUtil::PostToModelSpace(new AcDbCircle(AcGePoint3d(100, 100, 0), AcGeVector3d(0, 0, 1), 0),
                                       Props(_T(""), _T("")), &m_db);

    const AcDbExtents whole = CDwgDatabaseUtil::GetModelSpaceExtent(&m_db);
    EXPECT_EQ(whole.minPoint(), AcGePoint3d(-1, -4, 0));
    EXPECT_EQ(whole.maxPoint(), AcGePoint3d(5, 3, 0));

    platform::ForceAddBlockExtFailure(true);
    const AcDbExtents pieces = CDwgDatabaseUtil::GetModelSpaceExtent(&m_db);
    EXPECT_EQ(pieces.minPoint(), AcGePoint3d(-1, -4, 0));
    EXPECT_EQ(pieces.maxPoint(), AcGePoint3d(5, 3, 0));
}

}  // namespace
