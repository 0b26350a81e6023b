// Database notifications in the host's order, and undo/redo of groups.
#include <gtest/gtest.h>

#include "arx_fixture.h"

namespace tarntest {
namespace {

class Notify : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        db->addReactor(&recorder);
    }
    void TearDown() override {
        db->removeReactor(&recorder);
        DbTest::TearDown();
    }
    Acad::ErrorStatus Move(AcDbObjectId id, double dx) {
        AcDbEntity* entity = nullptr;
        Acad::ErrorStatus es = acdbOpenAcDbEntity(entity, id, AcDb::kForWrite);
        if (es != Acad::eOk) {
            return es;
        }
        es = entity->transformBy(AcGeMatrix3d::translation(AcGeVector3d(dx, 0, 0)));
        entity->close();
        return es;
    }
    AcGePoint3d PointAt(AcDbObjectId id) {
        AcDbPoint* point = nullptr;
        EXPECT_EQ(acdbOpenObject(point, id, AcDb::kForRead, true), Acad::eOk);
        const AcGePoint3d p = point->position();
        point->close();
        return p;
    }
    Recorder recorder;
};

TEST_F(Notify, AppendedAtTheAppendModifiedAtCloseErasedAtErase) {
    AcDbBlockTable* table = nullptr;
    ASSERT_EQ(db->getBlockTable(table, AcDb::kForRead), Acad::eOk);
    AcDbBlockTableRecord* space = nullptr;
    ASSERT_EQ(table->getAt(ACDB_MODEL_SPACE, space, AcDb::kForWrite), Acad::eOk);
    table->close();
    auto* line = new AcDbLine();
    AcDbObjectId id;
    ASSERT_EQ(space->appendAcDbEntity(id, line), Acad::eOk);
    EXPECT_EQ(recorder.events, std::vector<std::string>{"appended AcDbLine"});
    line->setEndPoint(AcGePoint3d(2, 0, 0));
    line->close();
    space->close();
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"appended AcDbLine", "modified AcDbLine",
                                                         "modified AcDbBlockTableRecord"}));

    // An unchanged write-open closes silently; a changed one fires once.
    recorder.events.clear();
    AcDbEntity* entity = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(entity, id, AcDb::kForWrite), Acad::eOk);
    entity->close();
    EXPECT_TRUE(recorder.events.empty());
    ASSERT_EQ(Move(id, 1), Acad::eOk);
    EXPECT_EQ(recorder.events, std::vector<std::string>{"modified AcDbLine"});

    // Switched to notify at every write-close, the unchanged open fires too (at close and at downgrade).
    recorder.events.clear();
    platform::SetNotifyEveryWriteClose(true);
    ASSERT_EQ(acdbOpenAcDbEntity(entity, id, AcDb::kForWrite), Acad::eOk);
    ASSERT_EQ(entity->downgradeOpen(), Acad::eOk);
    entity->close();
    ASSERT_EQ(acdbOpenAcDbEntity(entity, id, AcDb::kForWrite), Acad::eOk);
    entity->close();
    platform::SetNotifyEveryWriteClose(false);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"modified AcDbLine", "modified AcDbLine"}));

    recorder.events.clear();
    ASSERT_EQ(EraseObject(id), Acad::eOk);
    EXPECT_EQ(recorder.events, std::vector<std::string>{"erased AcDbLine"});
}

// A reactor that tries to open the object it hears about: the host refuses that while notifying.
class Reopener : public AcDbDatabaseReactor {
public:
    void objectModified(const AcDbDatabase*, const AcDbObject* object) override {
        AcDbObject* again = nullptr;
        status = acdbOpenObject(again, object->objectId(), AcDb::kForRead);
        if (again != nullptr) {
            again->close();
        }
        notifying = object->isNotifying();
    }
    Acad::ErrorStatus status = Acad::eOk;
    bool notifying = false;
};

TEST_F(Notify, ObjectsAreNotifyingDuringNotifications) {
    Reopener reopener;
    db->addReactor(&reopener);
    Post(new AcDbPoint());
    db->removeReactor(&reopener);
    EXPECT_EQ(reopener.status, Acad::eWasNotifying);
    EXPECT_TRUE(reopener.notifying);
}

TEST_F(Notify, UndoOfAppendEraseAndModifyFiresAsTheHost) {
    platform::BeginUndoGroup(db);
    const AcDbObjectId id = Post(new AcDbPoint(AcGePoint3d(1, 0, 0)));
    platform::EndUndoGroup(db);
    EXPECT_EQ(platform::UndoGroupCount(db), 1);

    platform::BeginUndoGroup(db);
    ASSERT_EQ(Move(id, 5), Acad::eOk);
    ASSERT_EQ(Move(id, 5), Acad::eOk);  // one before-state per group
    platform::EndUndoGroup(db);

    platform::BeginUndoGroup(db);
    ASSERT_EQ(EraseObject(id), Acad::eOk);
    platform::EndUndoGroup(db);

    recorder.events.clear();
    ASSERT_EQ(platform::UndoLastGroup(db), Acad::eOk);  // the erase
    EXPECT_EQ(recorder.events, std::vector<std::string>{"unerased AcDbPoint"});
    EXPECT_FALSE(id.isErased());
    EXPECT_DOUBLE_EQ(PointAt(id).x, 11.0);

    recorder.events.clear();
    ASSERT_EQ(platform::UndoLastGroup(db), Acad::eOk);  // the moves
    EXPECT_EQ(recorder.events, std::vector<std::string>{"modified AcDbPoint"});
    EXPECT_DOUBLE_EQ(PointAt(id).x, 1.0);

    recorder.events.clear();
    ASSERT_EQ(platform::UndoLastGroup(db), Acad::eOk);  // the append
    EXPECT_EQ(recorder.events,
              (std::vector<std::string>{"erased AcDbPoint", "modified AcDbBlockTableRecord"}));
    EXPECT_TRUE(id.isErased());
    EXPECT_EQ(platform::UndoLastGroup(db), Acad::eNotApplicable);

    // Redo replays forward with the inverse notifications.
    recorder.events.clear();
    ASSERT_EQ(platform::RedoLastGroup(db), Acad::eOk);
    EXPECT_EQ(recorder.events,
              (std::vector<std::string>{"modified AcDbBlockTableRecord", "unerased AcDbPoint"}));
    ASSERT_EQ(platform::RedoLastGroup(db), Acad::eOk);
    EXPECT_DOUBLE_EQ(PointAt(id).x, 11.0);
    recorder.events.clear();
    ASSERT_EQ(platform::RedoLastGroup(db), Acad::eOk);
    EXPECT_EQ(recorder.events, std::vector<std::string>{"erased AcDbPoint"});
    EXPECT_TRUE(id.isErased());
    EXPECT_EQ(platform::RedoGroupCount(db), 0);
}

TEST_F(Notify, UndoRefusesWhileObjectsAreOpenOrAGroupIsOpen) {
    platform::BeginUndoGroup(db);
    const AcDbObjectId id = Post(new AcDbPoint());
    EXPECT_EQ(platform::UndoLastGroup(db), Acad::eInvalidContext);
    platform::EndUndoGroup(db);

    AcDbObject* open = nullptr;
    ASSERT_EQ(acdbOpenObject(open, id, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(platform::UndoLastGroup(db), Acad::eWasOpenedForRead);
    EXPECT_FALSE(id.isErased());
    open->close();
    EXPECT_EQ(platform::UndoLastGroup(db), Acad::eOk);
    EXPECT_TRUE(id.isErased());

    // A change made outside any group starts an implicit group, which drops what could be redone.
    EXPECT_EQ(platform::RedoGroupCount(db), 1);
    Post(new AcDbPoint());
    EXPECT_EQ(platform::RedoGroupCount(db), 0);
}

TEST_F(Notify, UndoRestoresTableAndDictionaryContents) {
    platform::BeginUndoGroup(db);
    const AcDbObjectId layer = AddLayer(u"Temp");
    platform::EndUndoGroup(db);
    ASSERT_EQ(platform::UndoLastGroup(db), Acad::eOk);
    AcDbLayerTable* table = nullptr;
    ASSERT_EQ(db->getLayerTable(table, AcDb::kForRead), Acad::eOk);
    EXPECT_FALSE(table->has(u"Temp"));
    table->close();
    EXPECT_TRUE(layer.isErased());
    ASSERT_EQ(platform::RedoLastGroup(db), Acad::eOk);
    ASSERT_EQ(db->getLayerTable(table, AcDb::kForRead), Acad::eOk);
    EXPECT_TRUE(table->has(u"Temp"));
    table->close();
}

// A persistent reactor object hears of changes to the object it is attached to.
class Follower : public AcDbXrecord {
public:
    void modified(const AcDbObject*) override { ++heard; }
    static int heard;
};
int Follower::heard = 0;

TEST_F(Notify, PersistentReactorsHearModifications) {
    const AcDbObjectId pointId = Post(new AcDbPoint());
    auto* follower = new Follower();
    AcDbObjectId followerId;
    ASSERT_EQ(db->addAcDbObject(followerId, follower), Acad::eOk);
    follower->close();
    AcDbEntity* entity = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(entity, pointId, AcDb::kForWrite), Acad::eOk);
    entity->addPersistentReactor(followerId);
    entity->close();
    Follower::heard = 0;
    ASSERT_EQ(Move(pointId, 1), Acad::eOk);
    EXPECT_EQ(Follower::heard, 1);
}

// A reactor that writes inside a notification breaks the host's rule: each such write is recorded (and the
// fixture fails on any); reading, and writing after the notification, are not.
class WritingReactor : public AcDbDatabaseReactor {
public:
    void objectAppended(const AcDbDatabase*, const AcDbObject* object) override {
        if (AcDbCircle::cast(object) != nullptr) {
            pending.push_back(object->objectId());
        }
    }
    void objectModified(const AcDbDatabase* db, const AcDbObject* object) override {
        if (writeNow && AcDbPoint::cast(object) != nullptr) {
            writeNow = false;
            // Writes in place: a new entity beside it, and its own erase.
            PostTo(const_cast<AcDbDatabase*>(db), new AcDbLine());
            AcDbObject* again = nullptr;
            EXPECT_EQ(acdbOpenObject(again, object->objectId(), AcDb::kForWrite), Acad::eWasNotifying);
        }
    }
    bool writeNow = false;
    std::vector<AcDbObjectId> pending;
};

TEST_F(Notify, WritesInsideANotificationAreViolationsDeferredOnesAreNot) {
    WritingReactor reactor;
    db->addReactor(&reactor);
    // Deferred: the reactor notes the id and edits after the notification, as a posted message would.
    Post(new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d::kZAxis, 1));
    ASSERT_EQ(reactor.pending.size(), 1u);
    EXPECT_TRUE(platform::ReactorViolations().empty());
    AcDbCircle* circle = nullptr;
    ASSERT_EQ(acdbOpenObject(circle, reactor.pending[0], AcDb::kForWrite), Acad::eOk);
    circle->setRadius(2);
    circle->close();
    EXPECT_TRUE(platform::ReactorViolations().empty());

    reactor.writeNow = true;
    Post(new AcDbPoint(AcGePoint3d(1, 1, 0)));
    db->removeReactor(&reactor);
    ASSERT_FALSE(platform::ReactorViolations().empty());
    EXPECT_EQ(platform::ReactorViolations()[0],
              "write to the database inside its objectModified notification");
    platform::ClearReactorViolations();
}

}  // namespace
}  // namespace tarntest
