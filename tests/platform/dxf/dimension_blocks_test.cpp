// Dimensions and the blocks that show them: drawn by the writer for dimensions without a current one, drawn
// afresh once they no longer show the dimension, and recomputeDimensionBlock drawing into the drawing itself;
// a dimension read with its block (another program's, or one saved here) is kept and saved back as read.
#include <algorithm>
#include <cmath>
#include <vector>

#include "dxf_fixture.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/arx/acdb/dbunknown.h"
#include "platform/arx/acdb/dxfcodec.h"

namespace {

using tarntest::DxfTest;

constexpr double kPi = 3.14159265358979323846;

AcGePoint3d P(double x, double y) {
    return AcGePoint3d(x, y, 0.0);
}

// What a block holds, by kind.
struct Drawn {
    std::u16string name;
    bool anonymous = false;
    std::vector<AcDbObjectId> ids;
    std::vector<std::pair<AcGePoint3d, AcGePoint3d>> lines;
    struct Arc {
        AcGePoint3d center;
        double radius, start, end;
    };
    std::vector<Arc> arcs;
    std::vector<std::u16string> texts;
    AcGePoint3d textAt;
    double textRotation = -1.0;
    bool byBlock = true;  // every entity colour by block on layer "0"
};

Drawn DrawnIn(AcDbObjectId blockId) {
    Drawn drawn;
    AcDbBlockTableRecord* block = nullptr;
    if (acdbOpenObject(block, blockId, AcDb::kForRead) != Acad::eOk) {
        return drawn;
    }
    drawn.name = block->tarnName();
    drawn.anonymous = block->isAnonymous();
    AcDbBlockTableRecordIterator* it = nullptr;
    block->newIterator(it);
    for (; !it->done(); it->step()) {
        AcDbEntity* entity = nullptr;
        it->getEntity(entity);
        drawn.ids.push_back(entity->objectId());
        drawn.byBlock = drawn.byBlock && entity->colorIndex() == 0 && AcString(entity->layer()) == u"0";
        if (auto* line = AcDbLine::cast(entity)) {
            drawn.lines.emplace_back(line->startPoint(), line->endPoint());
        } else if (auto* arc = AcDbArc::cast(entity)) {
            drawn.arcs.push_back({arc->center(), arc->radius(), arc->startAngle(), arc->endAngle()});
        } else if (auto* text = AcDbMText::cast(entity)) {
            drawn.texts.push_back(std::u16string(text->contents()));
            drawn.textAt = text->location();
            drawn.textRotation = text->rotation();
            EXPECT_EQ(text->attachment(), AcDbMText::kMiddleCenter);
        }
        entity->close();
    }
    delete it;
    block->close();
    return drawn;
}

AcDbObjectId BlockOf(AcDbObjectId dimensionId) {
    AcDbDimension* dimension = nullptr;
    if (acdbOpenObject(dimension, dimensionId, AcDb::kForRead) != Acad::eOk) {
        return AcDbObjectId();
    }
    const AcDbObjectId block = dimension->dimBlockId();
    dimension->close();
    return block;
}

// The record of a drawing file's text that has the handle in group 5, as written; empty when there is none.
std::string RecordWithHandle(const std::string& text, std::uint64_t handle) {
    const size_t at = text.find("\n  5\n" + platform::dxf::FormatHandle(handle) + "\n");
    if (at == std::string::npos) {
        return std::string();
    }
    const size_t begin = text.rfind("\n  0\n", at) + 1;
    return text.substr(begin, text.find("\n  0\n", at) + 1 - begin);
}

void ExpectNear(const AcGePoint3d& got, const AcGePoint3d& want) {
    EXPECT_NEAR(got.x, want.x, 1e-9);
    EXPECT_NEAR(got.y, want.y, 1e-9);
    EXPECT_NEAR(got.z, want.z, 1e-9);
}

void ExpectLines(const Drawn& drawn, const std::vector<std::pair<AcGePoint3d, AcGePoint3d>>& want) {
    ASSERT_EQ(drawn.lines.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        ExpectNear(drawn.lines[i].first, want[i].first);
        ExpectNear(drawn.lines[i].second, want[i].second);
    }
}

class DimensionBlocksTest : public DxfTest {
protected:
    AcDbObjectId TwinId(AcDbObjectId id, AcDbDatabase* other) const {
        AcDbObjectId twin;
        other->getAcDbObjectId(twin, false, id.handle());
        return twin;
    }

    // The block a dimension kept as read names (its group 2) in the other drawing; null when the twin is no
    // kept DIMENSION or names no block of that drawing.
    static AcDbObjectId KeptBlockOf(AcDbObjectId twinId) {
        const auto* kept = AcDbUnknownEntity::cast(platform::detail::Peek(twinId));
        if (kept == nullptr || kept->tarnFileType() != "DIMENSION") {
            return AcDbObjectId();
        }
        for (const AcDbUnknownEntity::Pair& pair : kept->tarnPairs()) {
            if (pair.code == 2) {
                AcDbBlockTable* table = nullptr;
                if (kept->database()->getBlockTable(table, AcDb::kForRead) != Acad::eOk) {
                    return AcDbObjectId();
                }
                AcDbObjectId block;
                table->getAt(platform::Utf8ToUtf16(pair.value).c_str(), block);
                table->close();
                return block;
            }
        }
        return AcDbObjectId();
    }

    AcDbObjectId MakeBlock(const ACHAR* name, AcDbEntity* entity) {
        AcDbBlockTable* table = nullptr;
        EXPECT_EQ(db->getBlockTable(table, AcDb::kForWrite), Acad::eOk);
        auto* block = new AcDbBlockTableRecord;
        block->setName(name);
        AcDbObjectId id;
        EXPECT_EQ(table->add(id, block), Acad::eOk);
        table->close();
        block->close();
        tarntest::PostTo(db.get(), entity, name);
        return id;
    }
};

TEST_F(DimensionBlocksTest, EveryKindIsSavedWithTheBlockThatShowsItAndSavedBackSo) {
    const AcDbObjectId rotated = Post(new AcDbRotatedDimension(0.0, P(0, 0), P(30, 40), P(0, 50)));
    const AcDbObjectId aligned = Post(new AcDbAlignedDimension(P(0, 0), P(30, 40), P(-8, 6), u"<> mm"));
    const AcDbObjectId radial = Post(new AcDbRadialDimension(P(10, 10), P(10, 15), 3.0));
    const AcDbObjectId diametric = Post(new AcDbDiametricDimension(P(15, 10), P(5, 10), 2.0));
    const AcDbObjectId twoLines =
        Post(new AcDb2LineAngularDimension(P(2, 0), P(12, 0), P(0, 3), P(0, 13), P(-4, -3)));
    const AcDbObjectId threePoints =
        Post(new AcDb3PointAngularDimension(P(0, 0), P(10, 0), P(0, 10), P(-6, -6)));
    const AcDbObjectId ordinate = Post(new AcDbOrdinateDimension(false, P(7, 8), P(12, 8)));
    const std::vector<AcDbObjectId> all = {rotated,  aligned,     radial,  diametric,
                                           twoLines, threePoints, ordinate};
    SaveAndReopen();
    // Saving drew into the file only.
    for (AcDbObjectId id : all) {
        EXPECT_TRUE(BlockOf(id).isNull());
    }

    // Read back, each is kept as read and names its own anonymous block.
    std::vector<std::u16string> names;
    std::vector<Drawn> read;
    for (AcDbObjectId id : all) {
        const Drawn drawn = DrawnIn(KeptBlockOf(TwinId(id, reopened.get())));
        EXPECT_EQ(drawn.name.rfind(u"*D", 0), 0u);
        EXPECT_TRUE(drawn.anonymous);
        EXPECT_TRUE(drawn.byBlock);
        ASSERT_EQ(drawn.texts.size(), 1u);
        names.push_back(drawn.name);
        read.push_back(drawn);
    }
    std::vector<std::u16string> sorted = names;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::unique(sorted.begin(), sorted.end()), sorted.end()) << "each dimension its own block";

    // Rotated at 0: the dimension line through (0,50) along X, the extension lines up to it.
    ExpectLines(read[0], {{P(0, 50), P(30, 50)}, {P(0, 0), P(0, 50)}, {P(30, 40), P(30, 50)}});
    EXPECT_EQ(read[0].texts[0], u"30.0000");
    ExpectNear(read[0].textAt, P(0, 50));
    EXPECT_EQ(read[0].textRotation, 0.0);
    // Aligned along (3,4)/5: (-8,6) is square to it from (0,0), so the line runs from (-8,6) to (22,46).
    ExpectLines(read[1], {{P(-8, 6), P(22, 46)}, {P(0, 0), P(-8, 6)}, {P(30, 40), P(22, 46)}});
    EXPECT_EQ(read[1].texts[0], u"50.0000 mm");
    ExpectNear(read[1].textAt, P(15 - 8, 20 + 6));
    EXPECT_NEAR(read[1].textRotation, std::atan2(4.0, 3.0), 1e-12);
    // Radius 5 with a leader of 3 beyond (10,15); diameter 10 with a leader of 2 beyond (15,10).
    ExpectLines(read[2], {{P(10, 10), P(10, 18)}});
    EXPECT_EQ(read[2].texts[0], u"R5.0000");
    ExpectNear(read[2].textAt, P(10, 18));
    ExpectLines(read[3], {{P(5, 10), P(17, 10)}});
    EXPECT_EQ(read[3].texts[0], u"%%c10.0000");
    ExpectNear(read[3].textAt, P(17, 10));
    // The lines y = 0 and x = 0 cross at the origin; (-4,-3) lies between the rays at 180 and 270 degrees.
    ASSERT_EQ(read[4].arcs.size(), 1u);
    ExpectNear(read[4].arcs[0].center, P(0, 0));
    EXPECT_NEAR(read[4].arcs[0].radius, 5.0, 1e-12);
    EXPECT_NEAR(read[4].arcs[0].start, kPi, 1e-12);
    EXPECT_NEAR(read[4].arcs[0].end, 1.5 * kPi, 1e-12);
    EXPECT_EQ(read[4].texts[0], u"90.0000%%d");
    EXPECT_TRUE(read[4].lines.empty());
    // From 90 degrees round to 0 the long way, through (-6,-6) at 225.
    ASSERT_EQ(read[5].arcs.size(), 1u);
    EXPECT_NEAR(read[5].arcs[0].radius, std::sqrt(72.0), 1e-12);
    EXPECT_NEAR(read[5].arcs[0].start, kPi / 2, 1e-12);
    EXPECT_NEAR(read[5].arcs[0].end, 0.0, 1e-12);
    EXPECT_EQ(read[5].texts[0], u"270.0000%%d");
    ExpectNear(read[5].textAt, P(-6, -6));
    // The Y of (7,8) at the end of the leader.
    ExpectLines(read[6], {{P(7, 8), P(12, 8)}});
    EXPECT_EQ(read[6].texts[0], u"8.0000");
    ExpectNear(read[6].textAt, P(12, 8));

    // Saved again: the same DIMENSION records and the same blocks, their entities' records included, and no
    // block added.
    const std::string first = tarntest::ReadText(Path("drawing.dxf"));
    const std::string again = platform::WriteDxf(reopened.get());
    AcDbDatabase third(false, true);
    ASSERT_EQ(platform::ReadDxf(&third, again), Acad::eOk) << platform::LastDxfError().message;
    for (size_t i = 0; i < all.size(); ++i) {
        const std::string record = RecordWithHandle(first, all[i].handle().value());
        EXPECT_EQ(record.rfind("  0\nDIMENSION\n", 0), 0u);
        EXPECT_NE(record.find("AcDbDimension\n  2\n" + platform::Utf16ToUtf8(names[i]) + "\n"),
                  std::string::npos);
        EXPECT_EQ(RecordWithHandle(again, all[i].handle().value()), record);
        const Drawn kept = DrawnIn(KeptBlockOf(TwinId(all[i], &third)));
        EXPECT_EQ(kept.name, names[i]);
        ASSERT_EQ(kept.ids.size(), read[i].ids.size());
        for (size_t k = 0; k < kept.ids.size(); ++k) {
            EXPECT_EQ(kept.ids[k].handle(), read[i].ids[k].handle());
            const std::string entity = RecordWithHandle(first, read[i].ids[k].handle().value());
            EXPECT_FALSE(entity.empty());
            EXPECT_EQ(RecordWithHandle(again, read[i].ids[k].handle().value()), entity);
        }
    }
    int blocks = 0;
    AcDbBlockTable* table = nullptr;
    ASSERT_EQ(third.getBlockTable(table), Acad::eOk);
    for (AcDbObjectId id : table->tarnRecordIds()) {
        blocks += DrawnIn(id).anonymous ? 1 : 0;
    }
    table->close();
    EXPECT_EQ(blocks, 7);
    EXPECT_EQ(platform::CheckDatabase(&third), "");
}

TEST_F(DimensionBlocksTest, RecomputeDrawsIntoTheDrawingAndABlockShownElsewhereStays) {
    auto* loose = new AcDbRadialDimension(P(0, 0), P(1, 0), 0.0);
    EXPECT_EQ(loose->recomputeDimensionBlock(), Acad::eNoDatabase);
    delete loose;

    // A picture in "*D7": a dimension that names it is saved with it as it is.
    const AcDbObjectId picture = MakeBlock(u"*D7", new AcDbLine(P(0, 0), P(1, 1)));
    const AcDbObjectId kept = Post(new AcDbAlignedDimension(P(0, 0), P(10, 0), P(5, 2)));
    const AcDbObjectId moved = Post(new AcDbAlignedDimension(P(0, 0), P(10, 0), P(5, 2)));
    const AcDbObjectId radial = Post(new AcDbRadialDimension(P(10, 10), P(10, 15), 3.0));
    for (AcDbObjectId id : {kept, moved}) {
        AcDbDimension* dimension = nullptr;
        ASSERT_EQ(acdbOpenObject(dimension, id, AcDb::kForWrite), Acad::eOk);
        EXPECT_EQ(dimension->setDimBlockId(picture), Acad::eOk);
        if (id == moved) {
            dimension->transformBy(AcGeMatrix3d::translation(AcGeVector3d(0, 20, 0)));
        }
        dimension->close();
    }

    // Drawn into a new block after "*D7", then in place; a block that shows the dimension is left alone
    // unless forced.
    AcDbRadialDimension* dimension = nullptr;
    ASSERT_EQ(acdbOpenObject(dimension, radial, AcDb::kForWrite), Acad::eOk);
    ASSERT_EQ(dimension->recomputeDimensionBlock(), Acad::eOk);
    const AcDbObjectId block = dimension->dimBlockId();
    Drawn first = DrawnIn(block);
    EXPECT_EQ(first.name, u"*D8");
    EXPECT_TRUE(first.byBlock);
    ExpectLines(first, {{P(10, 10), P(10, 18)}});
    EXPECT_EQ(first.texts, std::vector<std::u16string>{u"R5.0000"});
    EXPECT_EQ(dimension->recomputeDimensionBlock(false), Acad::eOk);
    EXPECT_EQ(DrawnIn(block).ids, first.ids);
    dimension->setLeaderLength(4.0);
    EXPECT_EQ(dimension->recomputeDimensionBlock(false), Acad::eOk);
    EXPECT_EQ(dimension->dimBlockId(), block);
    const Drawn second = DrawnIn(block);
    ExpectLines(second, {{P(10, 10), P(10, 19)}});
    for (AcDbObjectId id : first.ids) {
        AcDbObject* gone = nullptr;
        EXPECT_EQ(acdbOpenObject(gone, id, AcDb::kForRead), Acad::eWasErased);
    }
    // Moved without a recompute: its block no longer shows it.
    ASSERT_EQ(dimension->transformBy(AcGeMatrix3d::translation(AcGeVector3d(100, 0, 0))), Acad::eOk);
    dimension->close();

    // The moved ones no longer match their blocks: the aligned one, whose "*D7" the other still shows, gets a
    // block of its own in the file; the radial one's own block is drawn afresh there. The drawing keeps what
    // it had.
    SaveAndReopen();
    EXPECT_EQ(BlockOf(moved), picture);
    EXPECT_EQ(BlockOf(radial), block);
    ExpectLines(DrawnIn(block), {{P(10, 10), P(10, 19)}});
    const Drawn keptRead = DrawnIn(KeptBlockOf(TwinId(kept, reopened.get())));
    EXPECT_EQ(keptRead.name, u"*D7");
    ExpectLines(keptRead, {{P(0, 0), P(1, 1)}});
    const Drawn movedRead = DrawnIn(KeptBlockOf(TwinId(moved, reopened.get())));
    EXPECT_EQ(movedRead.name, u"*D9");
    ExpectLines(movedRead, {{P(0, 22), P(10, 22)}, {P(0, 20), P(0, 22)}, {P(10, 20), P(10, 22)}});
    EXPECT_EQ(movedRead.texts, std::vector<std::u16string>{u"10.0000"});
    const Drawn radialRead = DrawnIn(KeptBlockOf(TwinId(radial, reopened.get())));
    EXPECT_EQ(radialRead.name, u"*D8");
    EXPECT_EQ(KeptBlockOf(TwinId(radial, reopened.get())).handle(), block.handle());
    ExpectLines(radialRead, {{P(110, 10), P(110, 19)}});
}

TEST_F(DimensionBlocksTest, AnotherProgramsDimensionIsSavedBackAsRead) {
    // Another program's dimensions: a linear one with its picture block, the text moved off the line (11),
    // its block its own (70 = 32), attached at the middle (71), a style of the file (3) and overrides of it
    // in extended data; a radial one naming a block the file lacks.
    MakeBlock(u"*D1", new AcDbLine(P(0, 2), P(3, 2)));
    AcDbObjectId model;
    AcDbBlockTable* table = nullptr;
    ASSERT_EQ(db->getBlockTable(table, AcDb::kForRead), Acad::eOk);
    table->getAt(ACDB_MODEL_SPACE, model);
    table->close();
    const std::string owner = platform::dxf::FormatHandle(model.handle().value());
    const std::string linear =
        "  0\nDIMENSION\n  5\n1A1\n330\n" + owner +
        "\n100\nAcDbEntity\n  8\n0\n100\nAcDbDimension\n  2\n*D1\n 10\n0.0\n 20\n2.0\n 30\n0.0\n 11\n1.5\n"
        " 21\n2.35\n 31\n0.0\n 70\n32\n 71\n5\n 42\n3.0\n  1\n<>\n  3\nEZDXF\n100\nAcDbAlignedDimension\n"
        " 13\n0.0\n 23\n0.0\n 33\n0.0\n 14\n3.0\n 24\n0.0\n 34\n0.0\n 50\n0.0\n100\nAcDbRotatedDimension\n"
        "1001\nACAD\n1000\nDSTYLE\n1002\n{\n1070\n140\n1040\n0.5\n1070\n176\n1070\n1\n1002\n}\n";
    const std::string radial =
        "  0\nDIMENSION\n  5\n1A2\n330\n" + owner +
        "\n100\nAcDbEntity\n  8\n0\n100\nAcDbDimension\n  2\n*D5\n 10\n10.0\n 20\n10.0\n 30\n0.0\n 11\n"
        "12.5\n 21\n12.8\n 31\n0.0\n 70\n36\n 71\n5\n  3\nEZ_RADIUS\n100\nAcDbRadialDimension\n 15\n12.0\n"
        " 25\n12.0\n 35\n0.0\n 40\n0.0\n";
    std::string text = platform::WriteDxf(db.get());
    text.insert(text.find("  0\nENDSEC\n", text.find("ENTITIES\n")), linear + radial);

    reopened = std::make_unique<AcDbDatabase>(false, true);
    ASSERT_EQ(platform::ReadDxf(reopened.get(), text), Acad::eOk) << platform::LastDxfError().message;
    for (std::uint64_t handle : {0x1A1, 0x1A2}) {
        AcDbObjectId id;
        ASSERT_EQ(reopened->getAcDbObjectId(id, false, AcDbHandle(handle)), Acad::eOk);
        EXPECT_NE(AcDbUnknownEntity::cast(platform::detail::Peek(id)), nullptr);
    }
    const std::string saved = platform::WriteDxf(reopened.get());
    EXPECT_EQ(RecordWithHandle(saved, 0x1A1), linear);
    EXPECT_EQ(RecordWithHandle(saved, 0x1A2), radial);
    AcDbObjectId linearId;
    ASSERT_EQ(reopened->getAcDbObjectId(linearId, false, AcDbHandle(0x1A1)), Acad::eOk);
    const Drawn picture = DrawnIn(KeptBlockOf(linearId));
    EXPECT_EQ(picture.name, u"*D1");
    ExpectLines(picture, {{P(0, 2), P(3, 2)}});
}

}  // namespace
