// Block definitions, block references and attribute definitions: placed, exploded (nested references too,
// and the refusal of a non-uniform scale), and kept through a save and reopen.
#include <cmath>
#include <memory>
#include <string>

#include "dxf_fixture.h"

namespace {

using tarntest::DxfTest;

class BlocksTest : public DxfTest {
protected:
    AcDbObjectId MakeBlock(const ACHAR* name, std::initializer_list<AcDbEntity*> entities,
                           const AcGePoint3d& origin = AcGePoint3d(0, 0, 0)) {
        AcDbBlockTable* table = nullptr;
        EXPECT_EQ(db->getBlockTable(table, AcDb::kForWrite), Acad::eOk);
        auto* block = new AcDbBlockTableRecord;
        block->setName(name);
        block->setOrigin(origin);
        AcDbObjectId id;
        EXPECT_EQ(table->add(id, block), Acad::eOk);
        table->close();
        block->close();
        for (AcDbEntity* entity : entities) {
            tarntest::PostTo(db.get(), entity, name);
        }
        return id;
    }
    static void Free(AcDbVoidPtrArray& parts) {
        for (int i = 0; i < parts.length(); ++i) {
            delete static_cast<AcDbEntity*>(parts[i]);
        }
    }
};

TEST_F(BlocksTest, ReferencesExplodeToPlacedCopiesAndRefuseUnevenScalesForCircles) {
    const AcDbObjectId pair =
        MakeBlock(u"Pair", {new AcDbLine(AcGePoint3d(1, 0, 0), AcGePoint3d(2, 0, 0))}, AcGePoint3d(1, 0, 0));
    MakeBlock(u"Outer", {new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d::kZAxis, 1.0),
                         new AcDbBlockReference(AcGePoint3d(5, 0, 0), pair)});
    AcDbObjectId outerId;
    {
        AcDbBlockTable* table = nullptr;
        db->getBlockTable(table, AcDb::kForRead);
        table->getAt(u"Outer", outerId);
        table->close();
    }
    auto* ref = new AcDbBlockReference(AcGePoint3d(10, 10, 0), outerId);
    ref->setRotation(3.14159265358979323846 / 2);
    ref->setScaleFactors(AcGeScale3d(2.0));
    const AcDbObjectId refId = Post(ref);

    AcDbBlockReference* open = nullptr;
    ASSERT_EQ(acdbOpenObject(open, refId, AcDb::kForWrite), Acad::eOk);
    AcDbVoidPtrArray parts;
    ASSERT_EQ(open->explode(parts), Acad::eOk);
    ASSERT_EQ(parts.length(), 2);
    auto* circle = AcDbCircle::cast(static_cast<AcDbEntity*>(parts[0]));
    ASSERT_NE(circle, nullptr);
    EXPECT_NEAR(circle->radius(), 2.0, 1e-12);
    auto* nested = AcDbBlockReference::cast(static_cast<AcDbEntity*>(parts[1]));
    ASSERT_NE(nested, nullptr);  // nested references come out whole
    EXPECT_NEAR(nested->position().x, 10.0, 1e-9);
    EXPECT_NEAR(nested->position().y, 20.0, 1e-9);
    AcDbVoidPtrArray inner;
    ASSERT_EQ(nested->explode(inner), Acad::eOk);
    ASSERT_EQ(inner.length(), 1);
    auto* line = AcDbLine::cast(static_cast<AcDbEntity*>(inner[0]));
    // The nested block's base point (1,0) lands on its reference's position.
    EXPECT_NEAR(line->startPoint().x, 10.0, 1e-9);
    EXPECT_NEAR(line->startPoint().y, 20.0, 1e-9);
    EXPECT_NEAR(line->endPoint().y, 22.0, 1e-9);
    Free(inner);
    Free(parts);
    AcDbExtents box;
    ASSERT_EQ(open->getGeomExtents(box), Acad::eOk);
    EXPECT_NEAR(box.minPoint().x, 8.0, 1e-9);
    EXPECT_NEAR(box.maxPoint().y, 22.0, 1e-9);

    // A circle can't take an uneven scale: nothing comes out.
    ASSERT_EQ(open->setScaleFactors(AcGeScale3d(1.0, 2.0, 1.0)), Acad::eOk);
    AcDbVoidPtrArray refused;
    EXPECT_EQ(open->explode(refused), Acad::eCannotScaleNonUniformly);
    EXPECT_EQ(refused.length(), 0);
    EXPECT_EQ(open->setScaleFactors(AcGeScale3d(0.0, 1.0, 1.0)), Acad::eInvalidInput);
    open->close();
}

// A nested reference comes out of an explode holding copies of its own attributes, placed with it and kept
// on it through an uneven scale; the original keeps its attributes.
TEST_F(BlocksTest, NestedReferencesExplodeWithCopiesOfTheirOwnAttributes) {
    const AcDbObjectId mark =
        MakeBlock(u"Mark", {new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d::kZAxis, 1.0)});
    const AcDbObjectId outerId = MakeBlock(u"Outer", {});
    const AcDbObjectId innerId = Post(new AcDbBlockReference(AcGePoint3d(5, 0, 0), mark), u"Outer");
    {
        AcDbBlockReference* inner = nullptr;
        ASSERT_EQ(acdbOpenObject(inner, innerId, AcDb::kForWrite), Acad::eOk);
        auto* attribute = new AcDbAttribute(AcGePoint3d(5, 1, 0), u"W-00", u"NO");
        ASSERT_EQ(inner->appendAttribute(attribute), Acad::eOk);
        attribute->close();
        inner->close();
    }
    auto* ref = new AcDbBlockReference(AcGePoint3d(10, 10, 0), outerId);
    ref->setRotation(3.14159265358979323846 / 2);
    ref->setScaleFactors(AcGeScale3d(2.0));
    const AcDbObjectId refId = Post(ref);

    AcDbBlockReference* open = nullptr;
    ASSERT_EQ(acdbOpenObject(open, refId, AcDb::kForRead), Acad::eOk);
    AcDbVoidPtrArray parts;
    ASSERT_EQ(open->explode(parts), Acad::eOk);
    open->close();
    ASSERT_EQ(parts.length(), 1);
    auto* nested = AcDbBlockReference::cast(static_cast<AcDbEntity*>(parts[0]));
    ASSERT_NE(nested, nullptr);
    EXPECT_TRUE(nested->tarnAttributeIds().empty());  // none of the original's
    // An uneven scale the attribute's text can't take: it keeps its place on the reference, (5,1) turned a
    // quarter and doubled about (10,10), then stretched along x.
    AcGeMatrix3d uneven;
    AcGeScale3d(2.0, 1.0, 1.0).getMatrix(uneven);
    ASSERT_EQ(nested->transformBy(uneven), Acad::eOk);
    std::unique_ptr<AcDbObjectIterator> it(nested->attributeIterator());
    ASSERT_FALSE(it->done());
    EXPECT_TRUE(it->objectId().isNull());
    const auto* attribute = AcDbAttribute::cast(it->entity());
    ASSERT_NE(attribute, nullptr);
    EXPECT_EQ(std::u16string(attribute->textStringConst()), u"W-00");
    EXPECT_NEAR(attribute->position().x, 16.0, 1e-9);
    EXPECT_NEAR(attribute->position().y, 20.0, 1e-9);
    it->step();
    EXPECT_TRUE(it->done());
    Free(parts);

    AcDbBlockReference* inner = nullptr;
    ASSERT_EQ(acdbOpenObject(inner, innerId, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(inner->tarnAttributeIds().size(), 1u);
    inner->close();
}

TEST_F(BlocksTest, BlocksReferencesAndAttributeDefinitionsSurviveSaveAndReopen) {
    auto* attdef = new AcDbAttributeDefinition(AcGePoint3d(1, 2, 0), u"default", u"TAG", u"Value?");
    attdef->setHeight(0.5);
    const AcDbObjectId blockId =
        MakeBlock(u"Well", {new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d::kZAxis, 1.0), attdef});
    auto* ref = new AcDbBlockReference(AcGePoint3d(3, 4, 0), blockId);
    ref->setScaleFactors(AcGeScale3d(2.0, 3.0, 1.0));
    ref->setRotation(0.5);
    const AcDbObjectId refId = Post(ref);
    SaveAndReopen();

    AcDbObject* twin = Twin(refId);
    auto* back = AcDbBlockReference::cast(twin);
    ASSERT_NE(back, nullptr);
    AcDbBlockReference* original = nullptr;
    ASSERT_EQ(acdbOpenObject(original, refId, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(tarntest::CompareFields(original, back), "");
    original->close();
    AcDbBlockTableRecord* block = nullptr;
    ASSERT_EQ(acdbOpenObject(block, back->blockTableRecord(), AcDb::kForRead), Acad::eOk);
    AcString name;
    block->getName(name);
    EXPECT_EQ(std::u16string(name.kACharPtr()), u"Well");
    ASSERT_EQ(block->tarnEntityIds().size(), 2u);
    AcDbAttributeDefinition* tag = nullptr;
    ASSERT_EQ(acdbOpenObject(tag, block->tarnEntityIds()[1], AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(std::u16string(tag->tagConst()), u"TAG");
    EXPECT_EQ(std::u16string(tag->promptConst()), u"Value?");
    EXPECT_EQ(tag->height(), 0.5);
    EXPECT_EQ(std::u16string(tag->textString().kACharPtr()), u"default");
    tag->close();
    block->close();
    twin->close();
}

TEST_F(BlocksTest, ProxyEntitiesExplodeToTheGraphicsTheyCarry) {
    AcDbLine line(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 1, 0));
    AcDbPoint point(AcGePoint3d(2, 2, 0));
    auto* proxy = new AcDbZombieEntity;
    proxy->tarnSetGraphics(u"SomeAppEntity", {&line, &point});
    EXPECT_EQ(std::u16string(proxy->isA()->name()), u"AcDbZombieEntity");
    const AcDbObjectId id = Post(proxy);
    AcDbEntity* open = nullptr;
    ASSERT_EQ(acdbOpenObject(open, id, AcDb::kForRead), Acad::eOk);
    AcDbVoidPtrArray parts;
    ASSERT_EQ(open->explode(parts), Acad::eOk);
    ASSERT_EQ(parts.length(), 2);
    EXPECT_NE(AcDbPoint::cast(static_cast<AcDbEntity*>(parts[1])), nullptr);
    Free(parts);
    open->close();
    AcDbZombieEntity empty;
    AcDbVoidPtrArray none;
    EXPECT_EQ(empty.explode(none), Acad::eCannotExplodeEntity);
}

}  // namespace
