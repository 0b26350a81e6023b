// A drawing saved, reopened and saved again gives the same file, byte for byte: the records the writer makes
// for the file (block markers, sequence ends, vertices, the heads of tables the database does not keep) keep
// the handles the file gave them, and every handle in a file is one record's.
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>

#include "platform/dxf/dxf_fixture.h"

namespace tarntest {
namespace {

using DxfResave = DxfTest;

// "" when every handle in the file (group 5, or 105 of a dimension style) is one record's and below the
// header's seed, which record types hold them then going to types; else the first fault.
std::string HandleProblems(const std::string& text, std::map<std::uint64_t, std::string>* types = nullptr) {
    std::istringstream lines(text);
    std::string code, value, type, variable;
    std::map<std::uint64_t, std::string> seen;
    std::uint64_t seed = 0;
    while (std::getline(lines, code) && std::getline(lines, value)) {
        const int group = std::stoi(code);
        if (group == 0) {
            type = value;
        } else if (group == 9) {
            variable = value;
        } else if (group == 5 && variable == "$HANDSEED" && type == "SECTION") {
            seed = std::stoull(value, nullptr, 16);
            variable.clear();
        } else if ((group == 5 || group == 105) && type != "SECTION") {
            const std::uint64_t handle = std::stoull(value, nullptr, 16);
            if (!seen.emplace(handle, type).second) {
                return "handle " + value + " of " + type + " is " + seen[handle] + "'s too";
            }
            if (handle >= seed) {
                return "handle " + value + " of " + type + " is not below the seed";
            }
        }
    }
    if (types != nullptr) {
        *types = seen;
    }
    return "";
}

// Where two texts part, for a readable failure.
std::string FirstDifference(const std::string& a, const std::string& b) {
    size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at]) {
        ++at;
    }
    if (at == a.size() && at == b.size()) {
        return "";
    }
    const size_t from = at > 60 ? at - 60 : 0;
    return "differs at byte " + std::to_string(at) + ":\n" + a.substr(from, 120) + "\n-- against --\n" +
           b.substr(from, 120);
}

// Reads text into a new database, which it returns with the text that database saves.
std::pair<std::unique_ptr<AcDbDatabase>, std::string> Resave(const std::string& text) {
    auto db = std::make_unique<AcDbDatabase>(false, true);
    EXPECT_EQ(platform::ReadDxf(db.get(), text), Acad::eOk) << platform::LastDxfError().message;
    EXPECT_EQ(platform::CheckDatabase(db.get()), "");
    std::string saved = platform::WriteDxf(db.get());
    return {std::move(db), std::move(saved)};
}

AcDbObjectId AddBlock(AcDbDatabase* db, const ACHAR* name) {
    AcDbBlockTable* table = nullptr;
    EXPECT_EQ(db->getBlockTable(table, AcDb::kForWrite), Acad::eOk);
    auto* block = new AcDbBlockTableRecord();
    block->setName(name);
    AcDbObjectId id;
    EXPECT_EQ(table->add(id, block), Acad::eOk);
    block->close();
    table->close();
    return id;
}

TEST_F(DxfResave, ADrawingMadeHereSavesAlikeAfterEachReopen) {
    AcGePoint3dArray points;
    points.append(AcGePoint3d(0, 0, 0));
    points.append(AcGePoint3d(1, 2, 0));
    points.append(AcGePoint3d(5, -1, 0));
    const AcDbObjectId block = AddBlock(db.get(), u"Mark");
    Post(new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 1, 0)), u"Mark");
    Post(new AcDb3dPolyline(AcDb::k3dSimplePoly, points, false), u"Mark");
    Post(new AcDb2dPolyline(AcDb::k2dSimplePoly, points, 0.0, true));
    Post(new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(3, 1, 0)), ACDB_PAPER_SPACE);
    Post(new AcDbRotatedDimension(0.0, AcGePoint3d(0, 0, 0), AcGePoint3d(30, 40, 0), AcGePoint3d(0, 50, 0)));
    const AcDbObjectId insert = Post(new AcDbBlockReference(AcGePoint3d(4, 4, 0), block));
    {
        AcDbBlockReference* reference = nullptr;
        ASSERT_EQ(acdbOpenObject(reference, insert, AcDb::kForWrite), Acad::eOk);
        auto* attribute = new AcDbAttribute(AcGePoint3d(4, 5, 0), u"value", u"TAG");
        attribute->setDatabaseDefaults(db.get());
        AcDbObjectId attributeId;
        ASSERT_EQ(reference->appendAttribute(attributeId, attribute), Acad::eOk);
        attribute->close();
        reference->close();
    }

    const std::string first = platform::WriteDxf(db.get());
    EXPECT_EQ(HandleProblems(first), "");
    auto [again, second] = Resave(first);
    EXPECT_EQ(FirstDifference(first, second), "");
    auto [third, thirdText] = Resave(second);
    EXPECT_EQ(FirstDifference(second, thirdText), "");

    // What is added after a reopen takes handles none of the kept records has, in the drawing and in the
    // file.
    acdbHostApplicationServices()->setWorkingDatabase(again.get());
    PostTo(again.get(), new AcDb2dPolyline(AcDb::k2dSimplePoly, points, 0.0, false));
    AddBlock(again.get(), u"Later");
    PostTo(again.get(), new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(2, 2, 0)), u"Later");
    const std::string grown = platform::WriteDxf(again.get());
    EXPECT_EQ(HandleProblems(grown), "");
    auto [regrown, grownAgain] = Resave(grown);
    EXPECT_EQ(FirstDifference(grown, grownAgain), "");
    acdbHostApplicationServices()->setWorkingDatabase(db.get());
}

// Another program's file: handles of its own for the records the database does not hold, one ENDBLK under a
// line's handle, one under a handle the fresh database holds, one above the file's seed.
TEST_F(DxfResave, ARecordsHandleFromTheFileIsWrittenAsReadUnlessAnotherRecordHasIt) {
    const char* const kFile =
        "0 SECTION 2 HEADER 9 $ACADVER 1 AC1015 9 $HANDSEED 5 A0 0 ENDSEC "
        "0 SECTION 2 TABLES 0 TABLE 2 VIEW 5 60 70 0 0 ENDTAB 0 TABLE 2 UCS 5 61 70 0 0 ENDTAB "
        "0 TABLE 2 BLOCK_RECORD 5 62 0 BLOCK_RECORD 5 70 2 *Model_Space 0 BLOCK_RECORD 5 71 2 *Paper_Space "
        "0 BLOCK_RECORD 5 72 2 Mark 0 ENDTAB 0 ENDSEC "
        "0 SECTION 2 BLOCKS 0 BLOCK 5 80 2 *Model_Space 0 ENDBLK 5 C0 0 BLOCK 5 82 2 *Paper_Space 0 ENDBLK 5 "
        "1 "
        "0 BLOCK 5 84 2 Mark 0 LINE 5 85 10 0 20 0 11 1 21 1 0 ENDBLK 5 85 0 ENDSEC "
        "0 SECTION 2 ENTITIES 0 POLYLINE 5 90 66 1 70 8 0 VERTEX 5 91 10 1 20 2 70 32 0 VERTEX 5 92 10 3 20 "
        "4 "
        "70 32 0 SEQEND 5 93 0 INSERT 5 94 66 1 2 Mark 10 0 20 0 0 ATTRIB 5 95 10 0 20 0 40 1 1 v 2 TAG 70 0 "
        "0 SEQEND 5 96 0 ENDSEC 0 EOF";
    std::istringstream words(kFile);
    std::string text, word;
    while (words >> word) {
        text += word + "\n";
    }
    auto [read, saved] = Resave(text);
    std::map<std::uint64_t, std::string> types;
    ASSERT_EQ(HandleProblems(saved, &types), "");
    const std::map<std::uint64_t, std::string> asRead{{0x60, "TABLE"},  {0x61, "TABLE"},  {0x80, "BLOCK"},
                                                      {0xC0, "ENDBLK"}, {0x82, "BLOCK"},  {0x84, "BLOCK"},
                                                      {0x85, "LINE"},   {0x91, "VERTEX"}, {0x92, "VERTEX"},
                                                      {0x93, "SEQEND"}, {0x96, "SEQEND"}};
    for (const auto& [handle, type] : asRead) {
        EXPECT_EQ(types[handle], type) << std::hex << handle;
    }
    EXPECT_GT(read->handseed().value(), 0xC0u);
    auto [again, resaved] = Resave(saved);
    EXPECT_EQ(FirstDifference(saved, resaved), "");
}

}  // namespace
}  // namespace tarntest
