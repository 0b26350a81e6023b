// Layers and text styles of the working drawing.
#include <gtest/gtest.h>

#include "arxutil/db_fixture.h"
#include "platform/arx/acdb/acdb_all.h"
#include "platform/arx/aced/acedss.h"
#include "platform/mfc/uidriver.h"
#include "plugin/arxutil/LayerUtil.h"
#include "plugin/arxutil/TextStyleUtil.h"

namespace {

class LayerTest : public arxtest::WorkingDbTest {
protected:
    void TearDown() override {
        EXPECT_EQ(platform::CheckDatabase(&m_db), "");
        WorkingDbTest::TearDown();
    }

    int LiveLayerCount() {
        AcDbObjectIdArray ids;
        EXPECT_EQ(CLayerUtil::GetLayerList(ids), Acad::eOk);
        return ids.length();
    }

    AcCmColor LayerColor(AcDbObjectId id) {
        AcDbLayerTableRecord* record = nullptr;
        EXPECT_EQ(acdbOpenObject(record, id, AcDb::kForRead), Acad::eOk);
        const AcCmColor color = record != nullptr ? record->color() : AcCmColor();
        if (record != nullptr) {
            record->close();
        }
        return color;
    }

    AcDbObjectId AddPoint(const TCHAR* layer) {
        AcDbBlockTable* table = nullptr;
        m_db.getBlockTable(table, AcDb::kForRead);
        AcDbBlockTableRecord* model = nullptr;
        table->getAt(ACDB_MODEL_SPACE, model, AcDb::kForWrite);
        table->close();
        AcDbPoint* point = new AcDbPoint(AcGePoint3d(1, 2, 0));
        AcDbObjectId id;
        model->appendAcDbEntity(id, point);
        EXPECT_EQ(point->setLayer(layer), Acad::eOk);
        point->close();
        model->close();
        return id;
    }
};

TEST_F(LayerTest, GetLayerIdFindsCreatesOnlyWhenAskedAndNeverTwice) {
    // A null name is the current layer, even with create.
    EXPECT_EQ(CLayerUtil::GetLayerId(nullptr, true), m_db.clayer());
    EXPECT_EQ(LiveLayerCount(), 1);

    EXPECT_TRUE(CLayerUtil::GetLayerId(_T("*MapLayer"), false).isNull());
    EXPECT_EQ(LiveLayerCount(), 1);

    const AcDbObjectId created = CLayerUtil::GetLayerId(_T("*MapLayer"), true);
    ASSERT_FALSE(created.isNull());
    EXPECT_EQ(CLayerUtil::GetLayerId(_T("*maplayer"), true), created);
    EXPECT_EQ(CLayerUtil::GetLayerId(_T("*MapLayer"), false), created);
    EXPECT_EQ(LiveLayerCount(), 2);
    // The host's defaults for a new layer.
    EXPECT_EQ(LayerColor(created).colorIndex(), 7);

    // A name the host refuses creates nothing and leaks nothing.
    EXPECT_TRUE(CLayerUtil::GetLayerId(_T("a|b"), true).isNull());
    EXPECT_EQ(LiveLayerCount(), 2);

    CLayerUtil::Erase(created);
    EXPECT_TRUE(created.isErased());
    EXPECT_TRUE(CLayerUtil::GetLayerId(_T("*MapLayer"), false).isNull());
    // Layer "0" (the current layer) refuses silently.
    CLayerUtil::Erase(m_db.layerZero());
    EXPECT_FALSE(m_db.layerZero().isErased());
    CLayerUtil::Erase(AcDbObjectId::kNull);
}

TEST_F(LayerTest, LayerHelpersSurviveAMissingDrawingAndABusyTable) {
    acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    EXPECT_TRUE(CLayerUtil::GetLayerId(nullptr, true).isNull());
    EXPECT_TRUE(CLayerUtil::GetLayerId(_T("A"), true).isNull());
    AcDbObjectIdArray ids;
    EXPECT_NE(CLayerUtil::GetLayerList(ids), Acad::eOk);
    EXPECT_NE(CLayerUtil::Add(_T("A"), 1), Acad::eOk);
    EXPECT_NE(CLayerUtil::SetCurrentLayer(_T("0")), Acad::eOk);
    EXPECT_TRUE(CTextStyleUtil::GetAt(_T("Standard")).isNull());
    EXPECT_TRUE(CTextStyleUtil::Add(_T("S"), _T("txt.shx"), _T("")).isNull());
    acdbHostApplicationServices()->setWorkingDatabase(&m_db);

    AcDbLayerTable* busy = nullptr;
    ASSERT_EQ(m_db.getLayerTable(busy, AcDb::kForWrite), Acad::eOk);
    EXPECT_TRUE(CLayerUtil::GetLayerId(_T("B"), true).isNull());
    EXPECT_EQ(CLayerUtil::Add(_T("B"), 1), Acad::eWasOpenedForWrite);
    EXPECT_EQ(CLayerUtil::GetLayerList(ids), Acad::eWasOpenedForWrite);
    EXPECT_TRUE(ids.isEmpty());
    EXPECT_FALSE(busy->has(_T("B")));
    busy->close();
}

TEST_F(LayerTest, AddKeepsAnExistingColourAndSetColorNeedsTheLayer) {
    EXPECT_EQ(CLayerUtil::Add(_T("Roads"), 3), Acad::eOk);
    const AcDbObjectId roads = CLayerUtil::GetLayerId(_T("Roads"));
    ASSERT_FALSE(roads.isNull());
    EXPECT_EQ(LayerColor(roads).colorIndex(), 3);

    EXPECT_EQ(CLayerUtil::Add(_T("ROADS"), 5), Acad::eOk);
    EXPECT_EQ(LayerColor(roads).colorIndex(), 3);
    EXPECT_EQ(LiveLayerCount(), 2);

    EXPECT_TRUE(CLayerUtil::SetColor(_T("Roads"), 1));
    EXPECT_EQ(LayerColor(roads).colorIndex(), 1);
    EXPECT_FALSE(CLayerUtil::SetColor(_T("Rivers"), 1));
    EXPECT_FALSE(CLayerUtil::SetColor(_T("Roads"), 300));
    EXPECT_EQ(LayerColor(roads).colorIndex(), 1);
    EXPECT_TRUE(CLayerUtil::GetLayerId(_T("Rivers")).isNull());
}

TEST_F(LayerTest, ListAndCurrentLayer) {
    CLayerUtil::Add(_T("A"), 1);
    CLayerUtil::Add(_T("B"), 2);
    CLayerUtil::Erase(CLayerUtil::GetLayerId(_T("A")));

    AcDbObjectIdArray ids;
    ids.append(AcDbObjectId::kNull);  // appended to, not replaced
    EXPECT_EQ(CLayerUtil::GetLayerList(ids), Acad::eOk);
    ASSERT_EQ(ids.length(), 3);
    EXPECT_EQ(ids[1], m_db.layerZero());
    EXPECT_EQ(ids[2], CLayerUtil::GetLayerId(_T("B")));

    EXPECT_EQ(CLayerUtil::SetCurrentLayer(_T("b")), Acad::eOk);
    EXPECT_EQ(m_db.clayer(), ids[2]);
    EXPECT_EQ(CLayerUtil::SetCurrentLayer(_T("A")), Acad::eKeyNotFound);
    EXPECT_EQ(m_db.clayer(), ids[2]);

    AcDbDatabase other;
    EXPECT_EQ(CLayerUtil::SetCurrentLayer(_T("0"), &other), Acad::eOk);
    EXPECT_EQ(m_db.clayer(), ids[2]);
}

TEST_F(LayerTest, EntitiesOnALayerAreFoundByItsExactName) {
    CLayerUtil::GetLayerId(_T("*MapLayer"), true);
    CLayerUtil::GetLayerId(_T("XMapLayer"), true);
    CLayerUtil::GetLayerId(_T("Empty"), true);
    const AcDbObjectId a = AddPoint(_T("*MapLayer"));
    AddPoint(_T("XMapLayer"));
    const AcDbObjectId c = AddPoint(_T("*MapLayer"));

    AcDbObjectIdArray ids;
    EXPECT_EQ(CLayerUtil::GetEntityIdsOnLayer(_T("Empty"), ids), 3);
    EXPECT_TRUE(ids.isEmpty());
    EXPECT_EQ(CLayerUtil::GetEntityIdsOnLayer(_T("Missing"), ids), 3);

    EXPECT_EQ(CLayerUtil::GetEntityIdsOnLayer(_T("*MapLayer"), ids), 0);
    ASSERT_EQ(ids.length(), 2);
    EXPECT_EQ(ids[0], a);
    EXPECT_EQ(ids[1], c);
    EXPECT_EQ(platform::LiveSelectionSetCount(), 0u);
}

TEST_F(LayerTest, TextStylesAreFoundListedAndAddedOnce) {
    EXPECT_TRUE(CTextStyleUtil::GetAt(_T("")).isNull());
    EXPECT_TRUE(CTextStyleUtil::GetAt(nullptr).isNull());
    EXPECT_FALSE(CTextStyleUtil::GetAt(_T("standard")).isNull());
    EXPECT_TRUE(CTextStyleUtil::GetAt(_T("HZ")).isNull());

    const AcDbObjectId hz = CTextStyleUtil::Add(_T("HZ"), _T("txt.shx"), _T("hztxt.shx"));
    ASSERT_FALSE(hz.isNull());
    EXPECT_EQ(CTextStyleUtil::GetAt(_T("HZ")), hz);
    AcDbTextStyleTableRecord* record = nullptr;
    ASSERT_EQ(acdbOpenObject(record, hz, AcDb::kForRead), Acad::eOk);
    AcString font;
    AcString bigFont;
    record->fileName(font);
    record->bigFontFileName(bigFont);
    EXPECT_EQ(font, AcString(u"txt.shx"));
    EXPECT_EQ(bigFont, AcString(u"hztxt.shx"));
    EXPECT_DOUBLE_EQ(record->xScale(), 1.0);
    record->close();

    EXPECT_TRUE(CTextStyleUtil::Add(_T("hz"), _T("other.shx"), _T("")).isNull());

    std::vector<CString> names = {CString(_T("stale"))};
    EXPECT_EQ(CTextStyleUtil::GetAll(names), Acad::eOk);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], CString(_T("Standard")));
    EXPECT_EQ(names[1], CString(_T("HZ")));
}

TEST_F(LayerTest, TextStyleTableThatCannotBeOpenedIsReported) {
    platform::ScriptedUiDriver driver;
    driver.ExpectMessageBox(u"CTextStyleUtil::Add ErrorCode:82");
    platform::SetUiDriver(&driver);
    AcDbTextStyleTable* table = nullptr;
    ASSERT_EQ(m_db.getTextStyleTable(table, AcDb::kForRead), Acad::eOk);
    EXPECT_TRUE(CTextStyleUtil::Add(_T("HZ"), _T("txt.shx"), _T("")).isNull());
    table->close();
    std::string report;
    EXPECT_TRUE(driver.Verify(&report)) << report;
    platform::SetUiDriver(nullptr);
}

}  // namespace
