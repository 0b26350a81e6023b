// Edits of one entity by id, and entities found again by handle.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "arxutil/db_fixture.h"
#include "plugin/arxutil/DwgDatabaseUtil.h"
#include "plugin/arxutil/EntityUtil.h"
#include "plugin/arxutil/LayerUtil.h"

namespace {

class EditTest : public arxtest::ScriptedDbTest {
protected:
    AcDbObjectId PostLine(const AcGePoint3d& start, const AcGePoint3d& end, const TCHAR* layer = _T("")) {
        CEntityProperty prop;
        prop.m_strLayerName = layer;
        return CDwgDatabaseUtil::PostToModelSpace(new AcDbLine(start, end), prop, &m_db);
    }

    static void ExpectLine(AcDbObjectId id, const AcGePoint3d& start, const AcGePoint3d& end) {
        AcDbLine* line = nullptr;
        ASSERT_EQ(acdbOpenObject(line, id, AcDb::kForRead, true), Acad::eOk);
        EXPECT_TRUE(line->startPoint().isEqualTo(start))
            << line->startPoint().x << "," << line->startPoint().y;
        EXPECT_TRUE(line->endPoint().isEqualTo(end)) << line->endPoint().x << "," << line->endPoint().y;
        line->close();
    }

    static void Erase(AcDbObjectId id) {
        AcDbEntity* ent = nullptr;
        ASSERT_EQ(acdbOpenAcDbEntity(ent, id, AcDb::kForWrite), Acad::eOk);
        ent->erase();
        ent->close();
    }

    void LockLayer(const TCHAR* name) {
        AcDbLayerTableRecord* layer = nullptr;
        ASSERT_EQ(acdbOpenObject(layer, CLayerUtil::GetLayerId(name), AcDb::kForWrite), Acad::eOk);
        layer->setIsLocked(true);
        layer->close();
    }
};

TEST_F(EditTest, MoveRotateAndScaleTransformTheEntity) {
    const AcDbObjectId id = PostLine(AcGePoint3d(1, 1, 0), AcGePoint3d(2, 1, 0));
    EXPECT_EQ(CEntityUtil::Move(id, AcGePoint3d(1, 1, 0), AcGePoint3d(4, 5, 0)), Acad::eOk);
    ExpectLine(id, AcGePoint3d(4, 5, 0), AcGePoint3d(5, 5, 0));

    EXPECT_EQ(CEntityUtil::Rotate(id, AcGePoint2d(4, 5), std::numbers::pi / 2), Acad::eOk);
    ExpectLine(id, AcGePoint3d(4, 5, 0), AcGePoint3d(4, 6, 0));

    EXPECT_EQ(CEntityUtil::Scale(id, AcGePoint3d(4, 5, 0), 3.0), Acad::eOk);
    ExpectLine(id, AcGePoint3d(4, 5, 0), AcGePoint3d(4, 8, 0));

    // A factor that is no scaling changes nothing and opens nothing.
    EXPECT_EQ(CEntityUtil::Scale(id, AcGePoint3d(0, 0, 0), 0.0), Acad::eInvalidInput);
    EXPECT_EQ(CEntityUtil::Scale(id, AcGePoint3d(0, 0, 0), -2.0), Acad::eInvalidInput);
    EXPECT_EQ(CEntityUtil::Scale(id, AcGePoint3d(0, 0, 0), std::nan("")), Acad::eInvalidInput);
    ExpectLine(id, AcGePoint3d(4, 5, 0), AcGePoint3d(4, 8, 0));
}

TEST_F(EditTest, EditsOfErasedOrMissingEntitiesChangeNothing) {
    const AcDbObjectId id = PostLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0));
    Erase(id);
    m_driver.ExpectMessageBox(u"CEntityUtil::Rotate ErrorCode:80")
        .ExpectMessageBox(u"CEntityUtil::Scale ErrorCode:80")
        .ExpectMessageBox(u"CEntityUtil::Rotate ErrorCode:16");

    EXPECT_EQ(CEntityUtil::Rotate(id, AcGePoint2d(0, 0), 1.0), Acad::eWasErased);
    EXPECT_EQ(CEntityUtil::Scale(id, AcGePoint3d(0, 0, 0), 2.0), Acad::eWasErased);
    EXPECT_EQ(CEntityUtil::Move(id, AcGePoint3d(0, 0, 0), AcGePoint3d(1, 1, 0)), Acad::eWasErased);
    EXPECT_EQ(CEntityUtil::SetColor(id, 1), Acad::eWasErased);
    EXPECT_EQ(CEntityUtil::SetLayer(id, _T("0")), Acad::eWasErased);
    EXPECT_EQ(CEntityUtil::SetLinetype(id, _T("Continuous")), Acad::eWasErased);
    EXPECT_EQ(CEntityUtil::Erase(id), Acad::eWasErased);
    EXPECT_TRUE(CEntityUtil::GetLayerId(id).isNull());
    ExpectLine(id, AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0));

    EXPECT_EQ(CEntityUtil::Rotate(AcDbObjectId::kNull, AcGePoint2d(0, 0), 1.0), Acad::eNullObjectId);
    EXPECT_EQ(CEntityUtil::Erase(AcDbObjectId::kNull), Acad::eNullObjectId);
    EXPECT_TRUE(CEntityUtil::GetLayerId(AcDbObjectId::kNull).isNull());
}

TEST_F(EditTest, PropertyEditsReportARefusedChange) {
    const AcDbObjectId id = PostLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0));
    CLayerUtil::Add(_T("Water"), 5);

    EXPECT_EQ(CEntityUtil::SetColor(id, 2), Acad::eOk);
    EXPECT_EQ(CEntityUtil::SetLayer(id, _T("water")), Acad::eOk);
    EXPECT_EQ(CEntityUtil::SetLinetype(id, _T("Continuous")), Acad::eOk);
    EXPECT_EQ(CEntityUtil::SetColor(id, 999), Acad::eOutOfRange);
    EXPECT_EQ(CEntityUtil::SetLayer(id, _T("Nowhere")), Acad::eKeyNotFound);
    EXPECT_EQ(CEntityUtil::SetLinetype(id, _T("NoSuchType")), Acad::eKeyNotFound);

    AcDbEntity* ent = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(ent, id, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(ent->colorIndex(), 2);
    EXPECT_EQ(ent->layer(), AcString(u"Water"));
    EXPECT_EQ(ent->linetype(), AcString(u"Continuous"));
    ent->close();
    EXPECT_EQ(CEntityUtil::GetLayerId(id), CLayerUtil::GetLayerId(_T("Water")));
}

TEST_F(EditTest, EntitiesOnALockedLayerRefuseEditsButStillTellTheirLayer) {
    const AcDbObjectId id = PostLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0), _T("*MapLayer"));
    LockLayer(_T("*MapLayer"));
    m_driver.ExpectMessageBox(u"CEntityUtil::Rotate ErrorCode:87");

    EXPECT_EQ(CEntityUtil::SetColor(id, 1), Acad::eOnLockedLayer);
    EXPECT_EQ(CEntityUtil::Move(id, AcGePoint3d(0, 0, 0), AcGePoint3d(1, 1, 0)), Acad::eOnLockedLayer);
    EXPECT_EQ(CEntityUtil::Rotate(id, AcGePoint2d(0, 0), 1.0), Acad::eOnLockedLayer);
    EXPECT_EQ(CEntityUtil::Erase(id), Acad::eOnLockedLayer);
    EXPECT_FALSE(id.isErased());
    ExpectLine(id, AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0));

    EXPECT_EQ(CEntityUtil::GetLayerId(id), CLayerUtil::GetLayerId(_T("*MapLayer")));
    // ... also while someone else reads it.
    AcDbEntity* reader = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(reader, id, AcDb::kForRead), Acad::eOk);
    EXPECT_FALSE(CEntityUtil::GetLayerId(id).isNull());
    reader->close();
}

TEST_F(EditTest, HandlesFindEntitiesAndEraseThem) {
    const AcDbObjectId a = PostLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0));
    const AcDbObjectId b = PostLine(AcGePoint3d(0, 1, 0), AcGePoint3d(1, 1, 0));
    const Adesk::UInt64 handleA = a.handle();
    const Adesk::UInt64 handleB = b.handle();

    EXPECT_EQ(CEntityUtil::GetObjectIdFromHandle(handleA), a);
    EXPECT_TRUE(CEntityUtil::GetObjectIdFromHandle(0).isNull());
    EXPECT_TRUE(CEntityUtil::GetObjectIdFromHandle(0xFFFFFFFFull).isNull());

    CEntityUtil::EraseByHandle(handleA);
    EXPECT_TRUE(a.isErased());
    EXPECT_FALSE(b.isErased());
    // An erased entity is still found by its handle; erasing it again is refused quietly.
    EXPECT_EQ(CEntityUtil::GetObjectIdFromHandle(handleA), a);
    CEntityUtil::EraseByHandle(handleA);
    CEntityUtil::EraseByHandle(0x7FFFFFFFull);
    EXPECT_FALSE(b.isErased());

    acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    EXPECT_TRUE(CEntityUtil::GetObjectIdFromHandle(handleB).isNull());
    CEntityUtil::EraseByHandle(handleB);
    EXPECT_FALSE(b.isErased());
}

}  // namespace
