// Blocks: definitions taken from another drawing file, references with attributes, attributes kept in
// drawing files, and intersections with a reference's entities.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "arxutil/db_fixture.h"
#include "platform/arx/acdb/acdb_all.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/arx/acdb/dbunknown.h"
#include "platform/arx/aced/acedcmdline.h"
#include "platform/dxf/dxf_fixture.h"
#include "platform/win32/core/unicode.h"
#include "plugin/arxutil/BlockUtil.h"
#include "plugin/arxutil/TextStyleUtil.h"
#include "support/testdirs.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// Appends to a block of db (made when missing) and closes.
void AddToBlock(AcDbDatabase* db, const ACHAR* name, AcDbEntity* entity) {
    AcDbBlockTable* table = nullptr;
    ASSERT_EQ(db->getBlockTable(table, AcDb::kForWrite), Acad::eOk);
    AcDbObjectId blockId;
    if (table->getAt(name, blockId) != Acad::eOk) {
        auto* record = new AcDbBlockTableRecord();
        record->setName(name);
        ASSERT_EQ(table->add(blockId, record), Acad::eOk);
        record->close();
    }
    table->close();
    AcDbBlockTableRecord* block = nullptr;
    ASSERT_EQ(acdbOpenObject(block, blockId, AcDb::kForWrite), Acad::eOk);
    ASSERT_EQ(block->appendAcDbEntity(entity), Acad::eOk);
    entity->close();
    block->close();
}

std::u16string Wide(const std::string& path) {
    return platform::Utf8ToUtf16(path);
}

class BlockUtilTest : public arxtest::ScriptedDbTest {
protected:
    void TearDown() override {
        EXPECT_EQ(platform::CheckDatabase(&m_db), "");
        ScriptedDbTest::TearDown();
    }

    // A drawing file holding the block DOOR: a line on layer DOORS, an arc, two attribute definitions
    // (one invisible, with its own text style) and a multiline text; and the block PLAIN without any.
    std::string WriteDoorDrawing() {
        AcDbDatabase source(true, true);
        AcDbLayerTable* layers = nullptr;
        EXPECT_EQ(source.getLayerTable(layers, AcDb::kForWrite), Acad::eOk);
        auto* layer = new AcDbLayerTableRecord();
        layer->setName(u"DOORS");
        AcCmColor color;
        color.setColorIndex(5);
        layer->setColor(color);
        AcDbObjectId layerId;
        EXPECT_EQ(layers->add(layerId, layer), Acad::eOk);
        layer->close();
        layers->close();
        AcDbTextStyleTable* styles = nullptr;
        EXPECT_EQ(source.getTextStyleTable(styles, AcDb::kForWrite), Acad::eOk);
        auto* style = new AcDbTextStyleTableRecord();
        style->setName(u"Tags");
        AcDbObjectId styleId;
        EXPECT_EQ(styles->add(styleId, style), Acad::eOk);
        style->close();
        styles->close();

        auto* line = new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 0, 0));
        line->setLayer(layerId);
        AddToBlock(&source, u"DOOR", line);
        AddToBlock(&source, u"DOOR", new AcDbArc(AcGePoint3d(5, 0, 0), 5.0, 0.0, kPi));
        auto* width = new AcDbAttributeDefinition(AcGePoint3d(1, 1, 0), u"900", u"Width", u"Width?", styleId);
        width->setHeight(2.0);
        width->setFieldLength(4);
        AddToBlock(&source, u"DOOR", width);
        auto* maker = new AcDbAttributeDefinition(AcGePoint3d(1, -1, 0), u"", u"MAKER", u"Maker?");
        maker->setInvisible(true);
        AddToBlock(&source, u"DOOR", maker);
        auto* note = new AcDbMText();
        note->setContents(u"note");
        AddToBlock(&source, u"DOOR", note);
        AddToBlock(&source, u"PLAIN", new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 1, 0)));
        // Model space: a line and a door with its attribute.
        AddToBlock(&source, ACDB_MODEL_SPACE, new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(0, 50, 0)));
        AcDbBlockTable* blocks = nullptr;
        AcDbObjectId doorId;
        EXPECT_EQ(source.getBlockTable(blocks, AcDb::kForRead), Acad::eOk);
        blocks->getAt(u"DOOR", doorId);
        blocks->close();
        auto* door = new AcDbBlockReference(AcGePoint3d(50, 0, 0), doorId);
        EXPECT_EQ(door->appendAttribute(new AcDbAttribute(AcGePoint3d(51, 1, 0), u"800", u"width", styleId)),
                  Acad::eOk);
        AddToBlock(&source, ACDB_MODEL_SPACE, door);
        const std::string path = tarntest::TempDir() + "/doors.dxf";
        EXPECT_EQ(source.saveAs(Wide(path).c_str()), Acad::eOk);
        return path;
    }

    // The tags and texts of a reference's attributes, in order.
    static std::vector<std::pair<std::u16string, std::u16string>> Attributes(AcDbObjectId refId) {
        std::vector<std::pair<std::u16string, std::u16string>> out;
        AcDbBlockReference* ref = nullptr;
        if (acdbOpenObject(ref, refId, AcDb::kForRead) != Acad::eOk) {
            return out;
        }
        AcDbObjectIterator* it = ref->attributeIterator();
        for (it->start(); !it->done(); it->step()) {
            AcDbAttribute* attribute = nullptr;
            if (acdbOpenObject(attribute, it->objectId(), AcDb::kForRead) == Acad::eOk) {
                out.emplace_back(attribute->tagConst(), attribute->textStringConst());
                attribute->close();
            }
        }
        delete it;
        ref->close();
        return out;
    }

    using Pairs = std::vector<std::pair<std::u16string, std::u16string>>;
};

TEST_F(BlockUtilTest, BlockFromOtherDrawingIsInsertedWithAttributes) {
    const std::string path = WriteDoorDrawing();
    const AcDbObjectId doorId = CBlockUtil::CopyBlockDefFromOtherDwg(Wide(path).c_str(), u"DOOR");
    ASSERT_FALSE(doorId.isNull());
    EXPECT_EQ(CBlockUtil::GetBlkDefId(u"door", &m_db), doorId);
    EXPECT_TRUE(CBlockUtil::GetBlkDefId(u"WINDOW", &m_db).isNull());
    {
        // The block came with the records its entities use.
        AcDbBlockTableRecord* door = nullptr;
        ASSERT_EQ(acdbOpenObject(door, doorId, AcDb::kForRead), Acad::eOk);
        EXPECT_EQ(door->tarnEntityIds().size(), 5u);
        EXPECT_TRUE(door->hasAttributeDefinitions());
        const auto* line = AcDbLine::cast(platform::detail::Peek(door->tarnEntityIds()[0]));
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(AcString(line->layer()), AcString(u"DOORS"));
        EXPECT_EQ(line->database(), &m_db);
        door->close();
    }

    CEntityProperty prop;
    prop.m_strLayerName = _T("PLAN");
    const AcDbObjectId refId =
        CBlockUtil::InsertBlockRefWithAttribute(doorId, AcGePoint3d(100, 100, 0), prop, 2.0, kPi / 2);
    ASSERT_FALSE(refId.isNull());
    EXPECT_EQ(Attributes(refId), (Pairs{{u"WIDTH", u"900"}, {u"MAKER", u""}}));
    AcDbBlockReference* ref = nullptr;
    ASSERT_EQ(acdbOpenObject(ref, refId, AcDb::kForWrite), Acad::eOk);
    EXPECT_EQ(ref->scaleFactors().sx, 2.0);
    {
        // Placed as the reference places its block: (1, 1) turned a quarter and doubled.
        AcDbAttribute* width = nullptr;
        AcDbObjectIterator* it = ref->attributeIterator();
        it->start();
        ASSERT_EQ(acdbOpenObject(width, it->objectId(), AcDb::kForRead), Acad::eOk);
        EXPECT_NEAR(width->position().x, 98.0, 1e-9);
        EXPECT_NEAR(width->position().y, 102.0, 1e-9);
        EXPECT_NEAR(width->height(), 4.0, 1e-9);
        EXPECT_NEAR(width->rotation(), kPi / 2, 1e-12);
        EXPECT_EQ(width->fieldLength(), 4);
        EXPECT_EQ(width->ownerId(), refId);
        EXPECT_EQ(AcString(platform::detail::Peek(width->textStyle()) != nullptr ? u"ok" : u"none"),
                  AcString(u"ok"));
        width->close();
        it->step();
        AcDbAttribute* maker = nullptr;
        ASSERT_EQ(acdbOpenObject(maker, it->objectId(), AcDb::kForRead), Acad::eOk);
        EXPECT_TRUE(maker->isInvisible());
        maker->close();
        delete it;
    }
    CString value;
    EXPECT_TRUE(CBlockUtil::GetAttributeInBlockReference(ref, u"width", value));
    EXPECT_EQ(value, CString(u"900"));
    EXPECT_FALSE(CBlockUtil::GetAttributeInBlockReference(ref, u"HEIGHT", value));
    EXPECT_TRUE(CBlockUtil::SetBlockRefAttribute(ref, u"Width", u"1200"));
    EXPECT_TRUE(CBlockUtil::SetBlockRefAttribute(ref, u"HEIGHT", u"2100"));  // no such definition: nothing
    ref->close();
    EXPECT_EQ(Attributes(refId), (Pairs{{u"WIDTH", u"1200"}, {u"MAKER", u""}}));

    // A reference made without attributes gets the missing one, with the text asked for.
    const AcDbObjectId bareId = CBlockUtil::InsertBlockRef(doorId, AcGePoint3d(0, 0, 0), prop);
    ASSERT_EQ(acdbOpenObject(ref, bareId, AcDb::kForWrite), Acad::eOk);
    EXPECT_TRUE(CBlockUtil::SetBlockRefAttribute(ref, u"maker", u"ACME"));
    ref->close();
    EXPECT_EQ(Attributes(bareId), (Pairs{{u"MAKER", u"ACME"}}));

    // A block without attribute definitions refuses.
    const AcDbObjectId plainId = CBlockUtil::CopyBlockDefFromOtherDwg(Wide(path).c_str(), u"PLAIN");
    const AcDbObjectId plainRef =
        CBlockUtil::InsertBlockRefWithAttribute(plainId, AcGePoint3d(0, 0, 0), prop);
    ASSERT_EQ(acdbOpenObject(ref, plainRef, AcDb::kForWrite), Acad::eOk);
    EXPECT_FALSE(CBlockUtil::SetBlockRefAttribute(ref, u"MAKER", u"x"));
    ref->close();
    EXPECT_TRUE(Attributes(plainRef).empty());

    // Saved and read back: the attributes follow their reference in the file and are its own again.
    const std::string saved = tarntest::TempDir() + "/plan.dxf";
    ASSERT_EQ(m_db.saveAs(Wide(saved).c_str()), Acad::eOk);
    const std::string text = tarntest::ReadText(saved);
    const size_t insert =
        text.find("\nINSERT\r\n") != std::string::npos ? text.find("\nINSERT\r\n") : text.find("\nINSERT\n");
    ASSERT_NE(insert, std::string::npos);
    const size_t attrib = text.find("ATTRIB", insert);
    const size_t seqend = text.find("SEQEND", attrib);
    ASSERT_NE(attrib, std::string::npos);
    ASSERT_NE(seqend, std::string::npos);
    EXPECT_EQ(text.find("\nINSERT", insert + 1) > attrib, true);
    AcDbDatabase reopened(false, true);
    ASSERT_EQ(reopened.readDwgFile(Wide(saved).c_str()), Acad::eOk) << platform::LastDxfError().message;
    AcDbObjectId twinId;
    ASSERT_EQ(reopened.getAcDbObjectId(twinId, false, refId.handle()), Acad::eOk);
    EXPECT_EQ(Attributes(twinId), (Pairs{{u"WIDTH", u"1200"}, {u"MAKER", u""}}));
    AcDbObjectId bareTwin;
    ASSERT_EQ(reopened.getAcDbObjectId(bareTwin, false, bareId.handle()), Acad::eOk);
    EXPECT_EQ(Attributes(bareTwin), (Pairs{{u"MAKER", u"ACME"}}));
    EXPECT_EQ(platform::CheckDatabase(&reopened), "");
}

TEST_F(BlockUtilTest, DrawingFilesThatCannotBeUsed) {
    const std::string path = WriteDoorDrawing();
    platform::CommandLineTranscript().clear();
    EXPECT_TRUE(CBlockUtil::CopyBlockDefFromOtherDwg(u"/no/such/file.dxf", u"DOOR").isNull());
    EXPECT_NE(platform::CommandLineUtf8().find("读入dwg图形错误, 图形名称: /no/such/file.dxf"),
              std::string::npos);
    EXPECT_TRUE(CBlockUtil::CopyBlockDefFromOtherDwg(Wide(path).c_str(), u"WINDOW").isNull());
    EXPECT_NE(platform::CommandLineUtf8().find("给定的DWG文件中, 不存在指定名称的块表记录."),
              std::string::npos);

    m_driver.ExpectMessageBox(u"未找到指定的图块文件");
    EXPECT_TRUE(CBlockUtil::InsertDwgBlockDef(u"/no/such/file.dxf", u"DOOR", false, &m_db).isNull());
    const std::string damaged = tarntest::TempDir() + "/damaged.dxf";
    tarntest::WriteText(damaged, "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n 10\nnot a number\n");
    m_driver.ExpectMessageBox(u"readDwgFile失败");
    EXPECT_TRUE(CBlockUtil::InsertDwgBlockDef(Wide(damaged).c_str(), u"DOOR", false, &m_db).isNull());
    EXPECT_TRUE(CBlockUtil::GetBlkDefId(u"DOOR", &m_db).isNull());  // the drawing is as it was

    // The whole drawing as a block; kept unless overwritten, then redefined from the file.
    const AcDbObjectId wholeId =
        CBlockUtil::InsertDwgBlockDef(Wide(path).c_str(), u"DOORS_DWG", false, &m_db);
    ASSERT_FALSE(wholeId.isNull());
    EXPECT_EQ(CBlockUtil::InsertDwgBlockDef(u"/no/such/file.dxf", u"DOORS_DWG", false, &m_db), wholeId);
    {
        // The drawing's door came along as a block of its own, and the door's attribute with it.
        AcDbBlockTableRecord* whole = nullptr;
        ASSERT_EQ(acdbOpenObject(whole, wholeId, AcDb::kForRead), Acad::eOk);
        ASSERT_EQ(whole->tarnEntityIds().size(), 2u);
        const AcDbObjectId doorRef = whole->tarnEntityIds()[1];
        whole->close();
        EXPECT_EQ(Attributes(doorRef), (Pairs{{u"WIDTH", u"800"}}));
        const auto* door = AcDbBlockReference::cast(platform::detail::Peek(doorRef));
        ASSERT_NE(door, nullptr);
        EXPECT_EQ(door->blockTableRecord(), CBlockUtil::GetBlkDefId(u"DOOR", &m_db));
        EXPECT_FALSE(door->blockTableRecord().isNull());
    }
    EXPECT_EQ(CBlockUtil::InsertDwgBlockDef(Wide(path).c_str(), u"DOORS_DWG", true, &m_db), wholeId);
    m_driver.ExpectMessageBox(u"insert失败");
    EXPECT_TRUE(CBlockUtil::InsertDwgBlockDef(Wide(path).c_str(), u"bad|name", true, &m_db).isNull());
}

TEST_F(BlockUtilTest, IntersectionsWithReferenceEntities) {
    AddToBlock(&m_db, u"CROSS", new AcDbLine(AcGePoint3d(-5, 0, 0), AcGePoint3d(5, 0, 0)));
    AddToBlock(&m_db, u"CROSS", new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d::kZAxis, 2.0));
    auto* bow = new AcDbPolyline();
    bow->addVertexAt(0, AcGePoint2d(-1, 0), 1.0);  // counter-clockwise half circle through (0, -1)
    bow->addVertexAt(1, AcGePoint2d(1, 0));
    AddToBlock(&m_db, u"CROSS", bow);
    auto* note = new AcDbMText();
    note->setContents(u"x");
    AddToBlock(&m_db, u"CROSS", note);
    const AcDbObjectId refId = CBlockUtil::InsertBlockRef(CBlockUtil::GetBlkDefId(u"CROSS", &m_db),
                                                          AcGePoint3d(10, 10, 0), CEntityProperty(), 2.0);
    AcDbBlockReference* ref = nullptr;
    ASSERT_EQ(acdbOpenObject(ref, refId, AcDb::kForRead), Acad::eOk);
    auto sortedYs = [](const AcGePoint3dArray& points) {
        std::vector<double> ys;
        for (int i = 0; i < points.length(); ++i) {
            ys.push_back(std::round(points[i].y * 1e6) / 1e6);
        }
        std::sort(ys.begin(), ys.end());
        return ys;
    };

    AcDbLine through(AcGePoint3d(10, -10, 0), AcGePoint3d(10, 30, 0));
    AcGePoint3dArray points;
    EXPECT_EQ(CBlockUtil::IntersectWith(ref, &through, points), Acad::eOk);
    EXPECT_EQ(sortedYs(points), (std::vector<double>{6, 8, 10, 14}));

    AcDbLine shortLine(AcGePoint3d(10, 30, 0), AcGePoint3d(10, 40, 0));
    points.setLogicalLength(0);
    CBlockUtil::IntersectWith(ref, &shortLine, points);
    EXPECT_EQ(points.length(), 0);
    CBlockUtil::IntersectWith(ref, &shortLine, points, true, false, true);
    EXPECT_EQ(sortedYs(points), (std::vector<double>{6, 8, 10, 14}));

    AcDbLine above(AcGePoint3d(10, -10, 5), AcGePoint3d(10, 30, 5));
    points.setLogicalLength(0);
    CBlockUtil::IntersectWith(ref, &above, points);
    EXPECT_EQ(points.length(), 0);
    CBlockUtil::IntersectWith(ref, &above, points, true, true);
    EXPECT_EQ(sortedYs(points), (std::vector<double>{6, 8, 10, 14}));
    EXPECT_EQ(points[0].z, 0.0);

    // A circle across the line's end meets it there only; a line far away meets nothing.
    AcDbCircle touching(AcGePoint3d(22, 10, 0), AcGeVector3d::kZAxis, 2.0);
    points.setLogicalLength(0);
    CBlockUtil::IntersectWith(ref, &touching, points);
    ASSERT_EQ(points.length(), 1);
    EXPECT_NEAR(points[0].x, 20.0, 1e-9);
    AcDbLine away(AcGePoint3d(50, 50, 0), AcGePoint3d(60, 50, 0));
    points.setLogicalLength(0);
    CBlockUtil::IntersectWith(ref, &away, points);
    EXPECT_EQ(points.length(), 0);
    AcDbPoint notACurve(AcGePoint3d(10, 10, 0));
    CBlockUtil::IntersectWith(ref, &notACurve, points);
    EXPECT_EQ(points.length(), 0);
    ref->close();
}

}  // namespace
