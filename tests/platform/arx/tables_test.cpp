// Symbol tables, block records, entity properties and database defaults.
#include <gtest/gtest.h>

#include "arx_fixture.h"

namespace tarntest {
namespace {

using Tables = DbTest;

std::vector<std::u16string> LayerNames(AcDbDatabase* db, bool skipDeleted = true) {
    std::vector<std::u16string> names;
    AcDbLayerTable* table = nullptr;
    EXPECT_EQ(db->getLayerTable(table, AcDb::kForRead), Acad::eOk);
    AcDbLayerTableIterator* it = nullptr;
    table->newIterator(it, true, skipDeleted);
    table->close();
    for (; !it->done(); it->step(true, skipDeleted)) {
        AcDbLayerTableRecord* record = nullptr;
        EXPECT_EQ(it->getRecord(record, AcDb::kForRead, true), Acad::eOk);
        AcString name;
        record->getName(name);
        names.push_back(name.str());
        record->close();
    }
    delete it;
    return names;
}

TEST_F(Tables, NewDrawingHoldsTheDefaultRecords) {
    AcDbBlockTable* blocks = nullptr;
    ASSERT_EQ(db->getBlockTable(blocks, AcDb::kForRead), Acad::eOk);
    EXPECT_TRUE(blocks->has(u"*Model_Space"));
    EXPECT_TRUE(blocks->has(u"*paper_space"));
    blocks->close();
    AcDbLinetypeTable* linetypes = nullptr;
    ASSERT_EQ(db->getLinetypeTable(linetypes, AcDb::kForRead), Acad::eOk);
    EXPECT_TRUE(linetypes->has(u"ByBlock") && linetypes->has(u"BYLAYER") && linetypes->has(u"Continuous"));
    linetypes->close();
    AcDbTextStyleTable* styles = nullptr;
    ASSERT_EQ(db->getTextStyleTable(styles, AcDb::kForRead), Acad::eOk);
    EXPECT_TRUE(styles->has(u"Standard"));
    styles->close();
    AcDbRegAppTable* apps = nullptr;
    ASSERT_EQ(db->getRegAppTable(apps, AcDb::kForRead), Acad::eOk);
    EXPECT_TRUE(apps->has(u"ACAD"));
    apps->close();
    AcDbViewportTable* viewports = nullptr;
    ASSERT_EQ(db->getViewportTable(viewports, AcDb::kForRead), Acad::eOk);
    EXPECT_TRUE(viewports->has(u"*Active"));
    viewports->close();
    EXPECT_EQ(LayerNames(db), std::vector<std::u16string>{u"0"});
    EXPECT_EQ(db->clayer(), db->layerZero());

    AcDbLayerTableRecord* zero = nullptr;
    ASSERT_EQ(acdbOpenObject(zero, db->layerZero(), AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(zero->color().colorIndex(), 7);
    EXPECT_EQ(zero->linetypeObjectId(), db->continuousLinetype());
    EXPECT_FALSE(zero->isLocked() || zero->isOff() || zero->isFrozen());
    zero->close();
}

TEST_F(Tables, NamesAreCaseInsensitiveAcceptALeadingStarAndRefuseDuplicates) {
    const AcDbObjectId map = AddLayer(u"*MapLayer");
    AcDbLayerTable* table = nullptr;
    ASSERT_EQ(db->getLayerTable(table, AcDb::kForWrite), Acad::eOk);
    AcDbObjectId id;
    EXPECT_EQ(table->getAt(u"*maplayer", id), Acad::eOk);
    EXPECT_EQ(id, map);
    EXPECT_TRUE(table->has(u"*MAPLAYER"));
    EXPECT_EQ(table->getAt(u"Missing", id), Acad::eKeyNotFound);

    auto* duplicate = new AcDbLayerTableRecord();
    duplicate->setName(u"*mapLAYER");
    EXPECT_EQ(table->add(duplicate), Acad::eDuplicateRecordName);
    EXPECT_EQ(duplicate->database(), nullptr);
    delete duplicate;

    for (const ACHAR* bad : {u"", u"a*b", u"a<b", u"semi;colon", u"back\\slash", u"tab\t"}) {
        auto* record = new AcDbLayerTableRecord();
        EXPECT_EQ(record->setName(bad), Acad::eInvalidInput);
        EXPECT_EQ(table->add(record), Acad::eInvalidInput);
        delete record;
    }
    auto* wrongKind = new AcDbTextStyleTableRecord();
    wrongKind->setName(u"Style");
    EXPECT_EQ(table->add(wrongKind), Acad::eWrongObjectType);
    delete wrongKind;
    table->close();

    // A read-open table refuses adds; a renamed record may not take a live name.
    ASSERT_EQ(db->getLayerTable(table, AcDb::kForRead), Acad::eOk);
    auto* record = new AcDbLayerTableRecord();
    record->setName(u"Late");
    EXPECT_EQ(table->add(record), Acad::eNotOpenForWrite);
    delete record;
    table->close();
    AcDbLayerTableRecord* mapRecord = nullptr;
    ASSERT_EQ(acdbOpenObject(mapRecord, map, AcDb::kForWrite), Acad::eOk);
    EXPECT_EQ(mapRecord->setName(u"0"), Acad::eDuplicateRecordName);
    EXPECT_EQ(mapRecord->setName(u"*MAPLAYER"), Acad::eOk);  // its own name in another case
    mapRecord->close();
}

TEST_F(Tables, ErasedRecordsAreHiddenAndTheirNamesFree) {
    const AcDbObjectId a = AddLayer(u"A");
    AddLayer(u"B");
    ASSERT_EQ(EraseObject(a), Acad::eOk);
    EXPECT_EQ(LayerNames(db), (std::vector<std::u16string>{u"0", u"B"}));
    EXPECT_EQ(LayerNames(db, false), (std::vector<std::u16string>{u"0", u"A", u"B"}));

    AcDbLayerTable* table = nullptr;
    ASSERT_EQ(db->getLayerTable(table, AcDb::kForRead), Acad::eOk);
    AcDbObjectId id;
    EXPECT_EQ(table->getAt(u"a", id), Acad::eKeyNotFound);
    EXPECT_EQ(table->getAt(u"a", id, true), Acad::eOk);
    EXPECT_EQ(id, a);
    AcDbLayerTableRecord* record = nullptr;
    EXPECT_EQ(table->getAt(u"A", record, AcDb::kForRead), Acad::eKeyNotFound);
    EXPECT_EQ(record, nullptr);
    table->close();

    const AcDbObjectId again = AddLayer(u"a");
    EXPECT_NE(again, a);
    EXPECT_EQ(LayerNames(db), (std::vector<std::u16string>{u"0", u"B", u"a"}));
}

TEST_F(Tables, AppendGivesDefaultsOnlyForWhatWasNotSet) {
    const AcDbObjectId red = AddLayer(u"Red");
    ASSERT_EQ(db->setClayer(red), Acad::eOk);
    auto* line = new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 1, 0));
    ASSERT_EQ(line->setColorIndex(3), Acad::eOk);
    EXPECT_EQ(line->setColorIndex(257), Acad::eOutOfRange);

    AcDbBlockTable* table = nullptr;
    ASSERT_EQ(db->getBlockTable(table, AcDb::kForRead), Acad::eOk);
    AcDbBlockTableRecord* space = nullptr;
    ASSERT_EQ(table->getAt(ACDB_MODEL_SPACE, space, AcDb::kForRead), Acad::eOk);
    table->close();
    AcDbObjectId id;
    EXPECT_EQ(space->appendAcDbEntity(id, line), Acad::eNotOpenForWrite);
    ASSERT_EQ(space->upgradeOpen(), Acad::eOk);
    ASSERT_EQ(space->appendAcDbEntity(id, line), Acad::eOk);
    const AcDbObjectId appended = id;
    // A failed append gives the null id, also in a variable that held an earlier one.
    EXPECT_EQ(space->appendAcDbEntity(id, line), Acad::eAlreadyInDb);
    EXPECT_TRUE(id.isNull());
    id = appended;
    EXPECT_EQ(space->appendAcDbEntity(id, nullptr), Acad::eNullEntityPointer);
    EXPECT_TRUE(id.isNull());
    space->close();

    // The appended entity stays open for write and is resident.
    EXPECT_TRUE(line->isWriteEnabled());
    EXPECT_EQ(line->objectId(), appended);
    EXPECT_FALSE(line->handle().isNull());
    EXPECT_EQ(line->layerId(), red);
    EXPECT_EQ(line->layer(), u"Red");
    EXPECT_EQ(line->linetype(), u"ByLayer");
    EXPECT_EQ(line->colorIndex(), 3);
    EXPECT_FALSE(line->ownerId().isNull());

    EXPECT_EQ(line->setLayer(u"missing"), Acad::eKeyNotFound);
    EXPECT_EQ(line->setLayer(u""), Acad::eKeyNotFound);
    EXPECT_EQ(line->setLayer(u"RED"), Acad::eOk);
    EXPECT_EQ(line->setLinetype(u"DASHED"), Acad::eKeyNotFound);
    EXPECT_EQ(line->setLinetype(u""), Acad::eKeyNotFound);
    EXPECT_EQ(line->setLinetype(u"continuous"), Acad::eOk);
    EXPECT_EQ(line->linetype(), u"Continuous");
    AcCmTransparency alpha;
    alpha.setAlpha(127);
    EXPECT_EQ(line->setTransparency(alpha), Acad::eOk);
    line->close();

    AcDbEntity* reopened = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(reopened, appended, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(reopened->transparency().alpha(), 127);
    auto* copy = new AcDbPoint();
    EXPECT_EQ(copy->setPropertiesFrom(reopened), Acad::eOk);
    EXPECT_EQ(copy->layerId(), red);
    EXPECT_EQ(copy->colorIndex(), 3);
    delete copy;
    reopened->close();
}

TEST_F(Tables, ModelSpaceIteratesInAppendOrderSkippingErased) {
    const AcDbObjectId a = Post(new AcDbPoint(AcGePoint3d(1, 0, 0)));
    const AcDbObjectId b = Post(new AcDbLine());
    const AcDbObjectId c = Post(new AcDbText(AcGePoint3d(0, 0, 0), u"t"));
    ASSERT_EQ(EraseObject(b), Acad::eOk);

    AcDbBlockTable* table = nullptr;
    ASSERT_EQ(db->getBlockTable(table, AcDb::kForRead), Acad::eOk);
    AcDbBlockTableRecord* space = nullptr;
    ASSERT_EQ(table->getAt(u"*MODEL_SPACE", space, AcDb::kForRead), Acad::eOk);
    table->close();
    AcDbBlockTableRecordIterator* it = nullptr;
    space->newIterator(it);
    space->close();
    std::vector<AcDbObjectId> seen;
    for (; !it->done(); it->step()) {
        AcDbEntity* entity = nullptr;
        ASSERT_EQ(it->getEntity(entity, AcDb::kForRead), Acad::eOk);
        seen.push_back(entity->objectId());
        entity->close();
    }
    delete it;
    EXPECT_EQ(seen, (std::vector<AcDbObjectId>{a, c}));
}

TEST_F(Tables, LinetypesLoadFromTheStandardFile) {
    for (const ACHAR* name : {u"Continuous", u"DOT", u"JIS_02_1.0", u"DASHDOT", u"DIVIDE", u"DASHED",
                              u"DASHDOTX2", u"DIVIDEX2"}) {
        EXPECT_EQ(acdbLoadLineTypeFile(name, u"ACADISO.LIN", db), Acad::eOk) << std::string(name, name + 3);
    }
    EXPECT_EQ(acdbLoadLineTypeFile(u"dashed", u"acadiso.lin", db), Acad::eOk);  // present already
    EXPECT_EQ(acdbLoadLineTypeFile(u"", u"ACADISO.LIN", db), Acad::eKeyNotFound);
    EXPECT_EQ(acdbLoadLineTypeFile(u"NOSUCH", u"ACADISO.LIN", db), Acad::eKeyNotFound);
    EXPECT_EQ(acdbLoadLineTypeFile(u"DOT", u"C:\\nowhere\\missing.lin", db), Acad::eFileNotFound);

    AcDbLinetypeTable* table = nullptr;
    ASSERT_EQ(db->getLinetypeTable(table, AcDb::kForRead), Acad::eOk);
    AcDbLinetypeTableRecord* dashed = nullptr;
    ASSERT_EQ(table->getAt(u"Dashed", dashed, AcDb::kForRead), Acad::eOk);
    table->close();
    EXPECT_EQ(dashed->numDashes(), 2);
    EXPECT_GT(dashed->patternLength(), 0.0);
    dashed->close();

    auto* point = new AcDbPoint();
    const AcDbObjectId id = Post(point);
    AcDbEntity* entity = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(entity, id, AcDb::kForWrite), Acad::eOk);
    EXPECT_EQ(entity->setLinetype(u"DASHDOTX2"), Acad::eOk);
    entity->close();
}

TEST_F(Tables, ColoursAndPalette) {
    AcCmColor color;
    EXPECT_TRUE(color.isByLayer());
    EXPECT_EQ(color.colorIndex(), 256);
    EXPECT_EQ(color.setColorIndex(0), Acad::eOk);
    EXPECT_TRUE(color.isByBlock());
    EXPECT_EQ(color.setColorIndex(300), Acad::eOutOfRange);
    EXPECT_TRUE(color.isByBlock());
    color.setRGB(250, 5, 5);
    EXPECT_EQ(color.colorMethod(), AcCmEntityColor::kByColor);
    EXPECT_EQ(color.red(), 250);
    EXPECT_EQ(color.colorIndex(), 1);  // nearest palette entry: red
    EXPECT_EQ(platform::AciToRgb(1), 0x0000FFu);
    EXPECT_EQ(platform::AciToRgb(5), 0xFF0000u);
    EXPECT_EQ(platform::AciToRgb(7), 0xFFFFFFu);

    AcCmTransparency transparency;
    EXPECT_TRUE(transparency.isByLayer());
    transparency.setAlpha(254);
    EXPECT_TRUE(transparency.isByAlpha());
    EXPECT_EQ(transparency.alpha(), 254);
}

}  // namespace
}  // namespace tarntest
