// The undo journal keeps what a change altered and no more, and gives back exactly what was there.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "arx_fixture.h"

namespace tarntest {
namespace {

class Journal : public DbTest {
protected:
    template <class T, class Edit>
    void Change(AcDbObjectId id, Edit&& edit) {
        T* object = nullptr;
        ASSERT_EQ(acdbOpenObject(object, id, AcDb::kForWrite, true), Acad::eOk);
        edit(object);
        object->close();
    }
    template <class T, class Edit>
    void Group(AcDbObjectId id, Edit&& edit) {
        platform::BeginUndoGroup(db);
        Change<T>(id, edit);
        platform::EndUndoGroup(db);
    }
    template <class T, class Get>
    auto Read(AcDbObjectId id, Get&& read) {
        T* object = nullptr;
        EXPECT_EQ(acdbOpenObject(object, id, AcDb::kForRead, true), Acad::eOk);
        auto value = read(object);
        object->close();
        return value;
    }
    std::vector<AcGePoint2d> Vertices(AcDbObjectId id) {
        return Read<AcDbPolyline>(id, [](AcDbPolyline* pline) {
            std::vector<AcGePoint2d> points;
            for (unsigned int i = 0; i < pline->numVerts(); ++i) {
                AcGePoint2d p;
                pline->getPointAt(i, p);
                points.push_back(p);
            }
            return points;
        });
    }
    static std::uint64_t Bits(double value) {
        std::uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        return bits;
    }
};

AcDbPolyline* Square() {
    auto* pline = new AcDbPolyline();
    const double corners[][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (unsigned int i = 0; i < 4; ++i) {
        pline->addVertexAt(i, AcGePoint2d(corners[i][0], corners[i][1]));
    }
    return pline;
}

TEST_F(Journal, TheFirstAndLastFieldsComeBackBitForBitUndoneAndRedoneTwice) {
    const AcDbObjectId id = Post(Square());
    const AcDbObjectId owner = Read<AcDbPolyline>(id, [](AcDbPolyline* p) { return p->ownerId(); });
    AcDbObjectId other;
    {
        AcDbBlockTable* table = nullptr;
        ASSERT_EQ(db->getBlockTable(table, AcDb::kForRead), Acad::eOk);
        ASSERT_EQ(table->getAt(ACDB_PAPER_SPACE, other), Acad::eOk);
        table->close();
    }
    // The owner is the first field the journal keeps, the thickness the last; -0.0 differs from 0.0 only
    // in its bits.
    Group<AcDbPolyline>(id, [&](AcDbPolyline* p) {
        EXPECT_EQ(p->setOwnerId(other), Acad::eOk);
        EXPECT_EQ(p->setThickness(-0.0), Acad::eOk);
    });
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(platform::UndoLastGroup(db), Acad::eOk);
        EXPECT_EQ(Read<AcDbPolyline>(id, [](AcDbPolyline* p) { return p->ownerId(); }), owner);
        EXPECT_EQ(Read<AcDbPolyline>(id, [](AcDbPolyline* p) { return Bits(p->thickness()); }), Bits(0.0));
        ASSERT_EQ(platform::RedoLastGroup(db), Acad::eOk);
        EXPECT_EQ(Read<AcDbPolyline>(id, [](AcDbPolyline* p) { return p->ownerId(); }), other);
        EXPECT_EQ(Read<AcDbPolyline>(id, [](AcDbPolyline* p) { return Bits(p->thickness()); }), Bits(-0.0));
    }
    ASSERT_EQ(platform::UndoLastGroup(db), Acad::eOk);  // the owner back for the database's check

    // A move by a third: the doubles that come back are the very ones that were there.
    const AcDbObjectId point = Post(new AcDbPoint(AcGePoint3d(0.1, 0.2, 0.3)));
    Group<AcDbPoint>(point, [](AcDbPoint* p) {
        p->transformBy(AcGeMatrix3d::translation(AcGeVector3d(1.0 / 3.0, 0, 0)));
    });
    const AcGePoint3d moved = Read<AcDbPoint>(point, [](AcDbPoint* p) { return p->position(); });
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(platform::UndoLastGroup(db), Acad::eOk);
        const AcGePoint3d back = Read<AcDbPoint>(point, [](AcDbPoint* p) { return p->position(); });
        EXPECT_EQ(Bits(back.x), Bits(0.1));
        EXPECT_EQ(Bits(back.y), Bits(0.2));
        ASSERT_EQ(platform::RedoLastGroup(db), Acad::eOk);
        const AcGePoint3d again = Read<AcDbPoint>(point, [](AcDbPoint* p) { return p->position(); });
        EXPECT_EQ(Bits(again.x), Bits(moved.x));
    }
}

TEST_F(Journal, AGroupThatChangesAnObjectTwiceOrChangesThenErasesItUndoesToTheStart) {
    const AcDbObjectId id = Post(new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0)));
    auto endX = [&] { return Read<AcDbLine>(id, [](AcDbLine* l) { return l->endPoint().x; }); };

    // Two write-opens in one group, and a third change after them.
    platform::BeginUndoGroup(db);
    Change<AcDbLine>(id, [](AcDbLine* l) { l->setEndPoint(AcGePoint3d(2, 0, 0)); });
    Change<AcDbLine>(id, [](AcDbLine* l) { l->setEndPoint(AcGePoint3d(3, 0, 0)); });
    Change<AcDbLine>(id, [](AcDbLine* l) { l->setStartPoint(AcGePoint3d(0, 5, 0)); });
    platform::EndUndoGroup(db);
    ASSERT_EQ(platform::UndoLastGroup(db), Acad::eOk);
    EXPECT_EQ(endX(), 1.0);
    EXPECT_EQ(Read<AcDbLine>(id, [](AcDbLine* l) { return l->startPoint(); }), AcGePoint3d(0, 0, 0));
    ASSERT_EQ(platform::RedoLastGroup(db), Acad::eOk);
    EXPECT_EQ(endX(), 3.0);
    EXPECT_EQ(Read<AcDbLine>(id, [](AcDbLine* l) { return l->startPoint(); }), AcGePoint3d(0, 5, 0));

    // A change, then the erase, in one open.
    Group<AcDbLine>(id, [](AcDbLine* l) {
        l->setEndPoint(AcGePoint3d(9, 0, 0));
        EXPECT_EQ(l->erase(), Acad::eOk);
    });
    EXPECT_TRUE(id.isErased());
    ASSERT_EQ(platform::UndoLastGroup(db), Acad::eOk);
    EXPECT_FALSE(id.isErased());
    EXPECT_EQ(endX(), 3.0);
    ASSERT_EQ(platform::RedoLastGroup(db), Acad::eOk);
    EXPECT_TRUE(id.isErased());
    EXPECT_EQ(endX(), 9.0);
}

TEST_F(Journal, AStateThatGrowsOrShrinksComesBack) {
    const AcDbObjectId id = Post(Square());
    const std::vector<AcGePoint2d> square = Vertices(id);
    Group<AcDbPolyline>(id, [](AcDbPolyline* p) {
        p->addVertexAt(4, AcGePoint2d(-1, 1));
        p->addVertexAt(5, AcGePoint2d(-1, 0), 0.5);
    });
    const std::vector<AcGePoint2d> grown = Vertices(id);
    ASSERT_EQ(grown.size(), 6u);
    // Shrinks in the middle, and a change at the end beside it.
    Group<AcDbPolyline>(id, [](AcDbPolyline* p) {
        p->removeVertexAt(1);
        p->removeVertexAt(1);
        p->setThickness(2.0);
    });
    const std::vector<AcGePoint2d> shrunk = Vertices(id);
    ASSERT_EQ(shrunk.size(), 4u);

    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(platform::UndoLastGroup(db), Acad::eOk);
        EXPECT_EQ(Vertices(id), grown);
        EXPECT_EQ(Read<AcDbPolyline>(id, [](AcDbPolyline* p) { return p->thickness(); }), 0.0);
        ASSERT_EQ(platform::UndoLastGroup(db), Acad::eOk);
        EXPECT_EQ(Vertices(id), square);
        ASSERT_EQ(platform::RedoLastGroup(db), Acad::eOk);
        EXPECT_EQ(Vertices(id), grown);
        EXPECT_EQ(Read<AcDbPolyline>(id,
                                     [](AcDbPolyline* p) {
                                         double bulge = 0.0;
                                         p->getBulgeAt(5, bulge);
                                         return bulge;
                                     }),
                  0.5);
        ASSERT_EQ(platform::RedoLastGroup(db), Acad::eOk);
        EXPECT_EQ(Vertices(id), shrunk);
        EXPECT_EQ(Read<AcDbPolyline>(id, [](AcDbPolyline* p) { return p->thickness(); }), 2.0);
    }
}

TEST_F(Journal, AMoveKeepsAboutTheGeometryNotTheObject) {
    constexpr int kCount = 1000;
    std::vector<AcDbObjectId> ids;
    for (int i = 0; i < kCount; ++i) {
        ids.push_back(Post(new AcDbPoint(AcGePoint3d(i, i, 0))));
    }
    const platform::UndoJournalSize before = platform::UndoJournalHolds(db);
    platform::BeginUndoGroup(db);
    for (AcDbObjectId id : ids) {
        Change<AcDbPoint>(
            id, [](AcDbPoint* p) { p->transformBy(AcGeMatrix3d::translation(AcGeVector3d(1, 1, 0))); });
    }
    platform::EndUndoGroup(db);
    const platform::UndoJournalSize after = platform::UndoJournalHolds(db);
    EXPECT_EQ(after.wholeCopies, before.wholeCopies);
    // x and y changed: 16 bytes of geometry, a few of bookkeeping, where a copy of the point is hundreds.
    const double perPoint = static_cast<double>(after.bytes - before.bytes) / kCount;
    EXPECT_LT(perPoint, 48.0);
    EXPECT_GT(sizeof(AcDbPoint), 3 * 48u);

    // A block reference has a compact state too.
    AcDbObjectId paper;
    {
        AcDbBlockTable* table = nullptr;
        ASSERT_EQ(db->getBlockTable(table, AcDb::kForRead), Acad::eOk);
        ASSERT_EQ(table->getAt(ACDB_PAPER_SPACE, paper), Acad::eOk);
        table->close();
    }
    const AcDbObjectId insert = Post(new AcDbBlockReference(AcGePoint3d(1, 2, 0), paper));
    Group<AcDbBlockReference>(insert, [](AcDbBlockReference* r) { r->setPosition(AcGePoint3d(7, 8, 0)); });
    EXPECT_EQ(platform::UndoJournalHolds(db).wholeCopies, after.wholeCopies);
    ASSERT_EQ(platform::UndoLastGroup(db), Acad::eOk);
    EXPECT_EQ(Read<AcDbBlockReference>(insert, [](AcDbBlockReference* r) { return r->position(); }),
              AcGePoint3d(1, 2, 0));
    ASSERT_EQ(platform::RedoLastGroup(db), Acad::eOk);
    EXPECT_EQ(Read<AcDbBlockReference>(insert, [](AcDbBlockReference* r) { return r->position(); }),
              AcGePoint3d(7, 8, 0));

    // A class without a compact state is kept as a whole copy, and still comes back.
    const AcDbObjectId ellipse =
        Post(new AcDbEllipse(AcGePoint3d(0, 0, 0), AcGeVector3d::kZAxis, AcGeVector3d(2, 0, 0), 0.5));
    Group<AcDbEllipse>(ellipse, [](AcDbEllipse* e) { e->setCenter(AcGePoint3d(5, 0, 0)); });
    EXPECT_EQ(platform::UndoJournalHolds(db).wholeCopies, after.wholeCopies + 1);
    ASSERT_EQ(platform::UndoLastGroup(db), Acad::eOk);
    EXPECT_EQ(Read<AcDbEllipse>(ellipse, [](AcDbEllipse* e) { return e->center(); }), AcGePoint3d(0, 0, 0));
    ASSERT_EQ(platform::UndoLastGroup(db), Acad::eOk);  // the ellipse's append
    ASSERT_EQ(platform::UndoLastGroup(db), Acad::eOk);  // the reference's move
    ASSERT_EQ(platform::UndoLastGroup(db), Acad::eOk);  // its append
    ASSERT_EQ(platform::UndoLastGroup(db), Acad::eOk);  // the points' move
    EXPECT_EQ(Read<AcDbPoint>(ids.back(), [](AcDbPoint* p) { return p->position(); }),
              AcGePoint3d(kCount - 1, kCount - 1, 0));
}

// Work done with undo recording off is no part of the history: an append is never undone, and an object
// changed meanwhile (by a setter, an erase or a write-open) is left as it stands by the undo and redo of the
// groups before, whose records of it were made against a state that is gone. A redo that would build on
// such a state is refused, changing nothing.
TEST_F(Journal, ChangesWithUndoRecordingOffAreNeitherUndoneNorUndoneOver) {
    const AcDbObjectId line = Post(new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0)));
    auto endX = [&] { return Read<AcDbLine>(line, [](AcDbLine* l) { return l->endPoint().x; }); };
    auto unrecorded = [&](auto&& work) {
        EXPECT_TRUE(db->undoRecording());
        db->disableUndoRecording(true);
        EXPECT_FALSE(db->undoRecording());
        work();
        db->disableUndoRecording(false);
    };
    Group<AcDbLine>(line, [](AcDbLine* l) { l->setEndPoint(AcGePoint3d(2, 0, 0)); });
    const int groups = platform::UndoGroupCount(db);
    const platform::UndoJournalSize held = platform::UndoJournalHolds(db);
    AcDbObjectId added;
    unrecorded([&] {
        Change<AcDbLine>(line, [](AcDbLine* l) { l->setEndPoint(AcGePoint3d(5, 0, 0)); });
        added = Post(new AcDbPoint(AcGePoint3d(3, 3, 0)));
    });
    EXPECT_EQ(platform::UndoGroupCount(db), groups);
    EXPECT_EQ(platform::UndoJournalHolds(db).bytes, held.bytes);
    // The group's record of the line was made against the state before 5: the line stays at 5 both ways.
    ASSERT_EQ(platform::UndoLastGroup(db), Acad::eOk);
    EXPECT_EQ(endX(), 5.0);
    ASSERT_EQ(platform::RedoLastGroup(db), Acad::eOk);
    EXPECT_EQ(endX(), 5.0);
    // A change recorded after it undoes as ever; the point's append is nobody's to undo.
    Group<AcDbLine>(line, [](AcDbLine* l) { l->setEndPoint(AcGePoint3d(7, 0, 0)); });
    ASSERT_EQ(platform::UndoLastGroup(db), Acad::eOk);
    EXPECT_EQ(endX(), 5.0);
    ASSERT_EQ(platform::UndoLastGroup(db), Acad::eOk);  // the first group, its line record void
    ASSERT_EQ(platform::UndoLastGroup(db), Acad::eOk);  // the line's append: void as well, the line stands
    EXPECT_FALSE(line.isErased());
    EXPECT_FALSE(added.isErased());
    ASSERT_EQ(platform::RedoLastGroup(db), Acad::eOk);
    ASSERT_EQ(platform::RedoLastGroup(db), Acad::eOk);
    EXPECT_FALSE(line.isErased());

    // Undone to 5, changed to 9 with recording off: redoing 7 over 9 is refused, and nothing changes.
    ASSERT_EQ(platform::RedoLastGroup(db), Acad::eOk);
    EXPECT_EQ(endX(), 7.0);
    ASSERT_EQ(platform::UndoLastGroup(db), Acad::eOk);
    EXPECT_EQ(endX(), 5.0);
    unrecorded([&] { Change<AcDbLine>(line, [](AcDbLine* l) { l->setEndPoint(AcGePoint3d(9, 0, 0)); }); });
    EXPECT_EQ(platform::RedoGroupCount(db), 1);
    EXPECT_EQ(platform::RedoLastGroup(db), Acad::eNotApplicable);
    EXPECT_EQ(endX(), 9.0);

    // Erased by the user, then taken over by a write-open with recording off: its undo does not bring it
    // back. The object stays in memory (the user's records name it).
    const AcDbObjectId point = Post(new AcDbPoint(AcGePoint3d(4, 4, 0)));
    platform::BeginUndoGroup(db);
    ASSERT_EQ(EraseObject(point), Acad::eOk);
    platform::EndUndoGroup(db);
    unrecorded([&] { Change<AcDbPoint>(point, [](AcDbPoint*) {}); });
    ASSERT_EQ(platform::UndoLastGroup(db), Acad::eOk);
    EXPECT_TRUE(point.isErased());
    EXPECT_TRUE(point.isValid());
    // Without the take-over, the undo of an erase restores as ever.
    platform::BeginUndoGroup(db);
    ASSERT_EQ(EraseObject(line), Acad::eOk);
    platform::EndUndoGroup(db);
    ASSERT_EQ(platform::UndoLastGroup(db), Acad::eOk);
    EXPECT_FALSE(line.isErased());
}

}  // namespace
}  // namespace tarntest
