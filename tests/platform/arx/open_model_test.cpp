// The open model: many readers or one writer, erased objects, wrong classes, locked layers, and ids that are
// opaque tokens valid for one opening while handles persist.
#include <gtest/gtest.h>

#include "arx_fixture.h"

namespace tarntest {
namespace {

using OpenModel = DbTest;

TEST_F(OpenModel, ReadersAndOneWriterExcludeEachOther) {
    const AcDbObjectId id = Post(new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0)));

    AcDbObject* r1 = nullptr;
    AcDbObject* r2 = nullptr;
    ASSERT_EQ(acdbOpenObject(r1, id, AcDb::kForRead), Acad::eOk);
    ASSERT_EQ(acdbOpenObject(r2, id, AcDb::kForRead), Acad::eOk);
    AcDbObject* w = reinterpret_cast<AcDbObject*>(0x1);
    EXPECT_EQ(acdbOpenObject(w, id, AcDb::kForWrite), Acad::eWasOpenedForRead);
    EXPECT_EQ(w, nullptr);
    EXPECT_EQ(r1->upgradeOpen(), Acad::eHadMultipleReaders);
    EXPECT_EQ(r2->close(), Acad::eOk);
    EXPECT_EQ(r1->upgradeOpen(), Acad::eOk);
    EXPECT_TRUE(r1->isWriteEnabled());

    AcDbObject* other = reinterpret_cast<AcDbObject*>(0x1);
    EXPECT_EQ(acdbOpenObject(other, id, AcDb::kForRead), Acad::eWasOpenedForWrite);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(acdbOpenObject(other, id, AcDb::kForWrite), Acad::eWasOpenedForWrite);
    EXPECT_EQ(platform::OpenObjectCount(db), 1);
    EXPECT_EQ(r1->close(), Acad::eOk);
    EXPECT_EQ(r1->close(), Acad::eNotOpenForRead);
}

TEST_F(OpenModel, FailedOpensGiveTheirStatusAndNoPointer) {
    AcDbEntity* entity = reinterpret_cast<AcDbEntity*>(0x1);
    EXPECT_EQ(acdbOpenAcDbEntity(entity, AcDbObjectId(), AcDb::kForRead), Acad::eNullObjectId);
    EXPECT_EQ(entity, nullptr);

    // A table is no entity.
    entity = reinterpret_cast<AcDbEntity*>(0x1);
    EXPECT_EQ(acdbOpenAcDbEntity(entity, db->layerTableId(), AcDb::kForRead), Acad::eNotThatKindOfClass);
    EXPECT_EQ(entity, nullptr);

    const AcDbObjectId line = Post(new AcDbLine());
    AcDbCircle* circle = reinterpret_cast<AcDbCircle*>(0x1);
    EXPECT_EQ(acdbOpenObject(circle, line, AcDb::kForWrite), Acad::eNotThatKindOfClass);
    EXPECT_EQ(circle, nullptr);

    ASSERT_EQ(EraseObject(line), Acad::eOk);
    EXPECT_TRUE(line.isErased());
    EXPECT_EQ(acdbOpenAcDbEntity(entity, line, AcDb::kForRead), Acad::eWasErased);
    EXPECT_EQ(entity, nullptr);
    ASSERT_EQ(acdbOpenAcDbEntity(entity, line, AcDb::kForRead, true), Acad::eOk);
    EXPECT_TRUE(entity->isErased());
    entity->close();
}

TEST_F(OpenModel, EntitiesOnALockedLayerRefuseWriteOpens) {
    const AcDbObjectId layer = AddLayer(u"Locked");
    auto* point = new AcDbPoint(AcGePoint3d(1, 2, 0));
    ASSERT_EQ(point->setLayer(u"locked"), Acad::eOk);
    const AcDbObjectId id = Post(point);

    AcDbLayerTableRecord* record = nullptr;
    ASSERT_EQ(acdbOpenObject(record, layer, AcDb::kForWrite), Acad::eOk);
    record->setIsLocked(true);
    record->close();

    AcDbEntity* entity = reinterpret_cast<AcDbEntity*>(0x1);
    EXPECT_EQ(acdbOpenAcDbEntity(entity, id, AcDb::kForWrite), Acad::eOnLockedLayer);
    EXPECT_EQ(entity, nullptr);
    ASSERT_EQ(acdbOpenAcDbEntity(entity, id, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(entity->upgradeOpen(), Acad::eOnLockedLayer);
    // Reading works, writing through a read-open does not.
    EXPECT_EQ(entity->setColorIndex(1), Acad::eNotOpenForWrite);
    EXPECT_EQ(entity->colorIndex(), 256);
    entity->close();
}

TEST_F(OpenModel, NonResidentObjectsAreCountedAndCloseDeletesThem) {
    auto* line = new AcDbLine();
    auto* text = new AcDbText(AcGePoint3d(0, 0, 0), u"x");
    EXPECT_EQ(platform::LiveNonResidentObjectCount(), 2);
    EXPECT_TRUE(line->isWriteEnabled());
    EXPECT_EQ(line->setStartPoint(AcGePoint3d(1, 1, 1)), Acad::eOk);
    EXPECT_EQ(line->objectId(), AcDbObjectId());
    EXPECT_TRUE(line->handle().isNull());
    EXPECT_EQ(line->close(), Acad::eOk);  // deletes it
    delete text;
    EXPECT_EQ(platform::LiveNonResidentObjectCount(), 0);

    Post(new AcDbLine());
    EXPECT_EQ(platform::LiveNonResidentObjectCount(), 0);
}

TEST_F(OpenModel, IdsAreOpaqueAndRenewedPerDatabaseWhileHandlesAreLookupKeys) {
    const AcDbObjectId a = Post(new AcDbLine());
    const AcDbObjectId b = Post(new AcDbLine());
    EXPECT_NE(a, b);
    EXPECT_LT(a.handle(), b.handle());
    EXPECT_NE(static_cast<Adesk::UInt64>(a.asOldId()), a.handle().value());
    EXPECT_EQ(a.database(), db);
    EXPECT_TRUE(a.isValid());

    AcDbObjectId found;
    ASSERT_EQ(db->getAcDbObjectId(found, false, a.handle()), Acad::eOk);
    EXPECT_EQ(found, a);

    // Erased objects are still found by handle; an unknown or null handle gives the null id even in a
    // variable that held an earlier result (callers don't test the status).
    ASSERT_EQ(EraseObject(b), Acad::eOk);
    ASSERT_EQ(db->getAcDbObjectId(found, false, b.handle()), Acad::eOk);
    EXPECT_EQ(found, b);
    AcDbObjectId reused = a;
    EXPECT_NE(db->getAcDbObjectId(reused, false, AcDbHandle(0xFFFFFFFFull)), Acad::eOk);
    EXPECT_TRUE(reused.isNull());
    reused = a;
    EXPECT_NE(db->getAcDbObjectId(reused, false, AcDbHandle()), Acad::eOk);
    EXPECT_TRUE(reused.isNull());

    // A second drawing built the same way holds the same handles under different ids.
    auto* second = new AcDbDatabase();
    AcDbObjectId same;
    ASSERT_EQ(second->getAcDbObjectId(same, false, db->layerZero().handle()), Acad::eOk);
    EXPECT_NE(same, db->layerZero());
    EXPECT_EQ(same.handle(), db->layerZero().handle());
    delete second;
    // An id of a destroyed database opens nothing.
    AcDbObject* object = nullptr;
    EXPECT_EQ(acdbOpenObject(object, same, AcDb::kForRead), Acad::eNotInDatabase);
    EXPECT_FALSE(same.isValid());
    EXPECT_EQ(same.database(), nullptr);
}

TEST_F(OpenModel, HandlesAreNeverReusedAndPrintAsHex) {
    const AcDbHandle seed = db->handseed();
    const AcDbObjectId id = Post(new AcDbPoint());
    EXPECT_EQ(id.handle(), seed);
    ASSERT_EQ(EraseObject(id), Acad::eOk);
    EXPECT_GT(Post(new AcDbPoint()).handle(), id.handle());

    ACHAR text[20];
    ASSERT_TRUE(AcDbHandle(0x2Aull).getIntoAsciiBuffer(text, 20));
    EXPECT_EQ(std::u16string(text), u"2A");
    EXPECT_EQ(AcDbHandle(u"2a").value(), 0x2Aull);
    EXPECT_TRUE(AcDbHandle(u"xyz").isNull());
    EXPECT_FALSE(AcDbHandle(0x123ull).getIntoAsciiBuffer(text, 3));
}

TEST_F(OpenModel, EraseNeedsAWriteOpenAndClassesMayRefuse) {
    const AcDbObjectId id = Post(new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d::kZAxis, 1));
    AcDbObject* object = nullptr;
    ASSERT_EQ(acdbOpenObject(object, id, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(object->erase(), Acad::eNotOpenForWrite);
    object->close();
    ASSERT_EQ(EraseObject(id), Acad::eOk);
    EXPECT_EQ(EraseObject(id), Acad::eWasErased);
    EXPECT_EQ(EraseObject(id, false), Acad::eOk);
    EXPECT_FALSE(id.isErased());

    const AcDbObjectId current = AddLayer(u"Current");
    ASSERT_EQ(db->setClayer(current), Acad::eOk);
    EXPECT_EQ(EraseObject(db->layerZero()), Acad::eCannotBeErasedByCaller);
    EXPECT_EQ(EraseObject(current), Acad::eCannotBeErasedByCaller);
    ASSERT_EQ(db->setClayer(db->layerZero()), Acad::eOk);
    EXPECT_EQ(EraseObject(current), Acad::eOk);
    // An erased layer can no longer be made current.
    EXPECT_EQ(db->setClayer(current), Acad::eInvalidInput);
    EXPECT_EQ(EraseObject(db->continuousLinetype()), Acad::eCannotBeErasedByCaller);
}

TEST_F(OpenModel, RuntimeClassesFollowTheHierarchy) {
    AcDbArc arc(AcGePoint3d(0, 0, 0), 1, 0, 1);
    EXPECT_TRUE(arc.isKindOf(AcDbCurve::desc()));
    EXPECT_TRUE(arc.isKindOf(AcDbEntity::desc()));
    EXPECT_FALSE(arc.isKindOf(AcDbCircle::desc()));
    EXPECT_EQ(AcDbCurve::cast(&arc), &arc);
    EXPECT_EQ(AcDbText::cast(&arc), nullptr);
    EXPECT_EQ(std::u16string(arc.isA()->name()), u"AcDbArc");
    AcDbMText mtext;
    EXPECT_EQ(AcDbCurve::cast(&mtext), nullptr);
    EXPECT_EQ(AcRxClass::findByDxfName(u"line"), AcDbLine::desc());
    AcRxObject* made = AcRxClass::find(u"AcDbXrecord")->create();
    EXPECT_NE(AcDbXrecord::cast(made), nullptr);
    delete made;
    EXPECT_EQ(std::string(acadErrorStatusName(Acad::eKeyNotFound)), "eKeyNotFound");
    EXPECT_EQ(static_cast<int>(Acad::eWasErased), 80);
}

}  // namespace
}  // namespace tarntest
