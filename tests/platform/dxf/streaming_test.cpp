// The reader takes files block by block: what it builds must not depend on where the blocks end, on the
// line ends, or on whether an object is referred to before the file reaches it.
#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "dxf_fixture.h"
#include "platform/arx/acdb/dbxrecord.h"
#include "platform/arx/acdb/dxfio.h"
#include "platform/arx/acut/acutads.h"

namespace tarntest {
namespace {

using DxfStreaming = DxfTest;

int LineOf(const std::string& text, size_t at) {
    return 1 +
           static_cast<int>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
}

std::string WithCrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
    return out;
}

// A line whose extension dictionary holds an Xrecord: the line refers to the dictionary, which the file
// holds only later, in OBJECTS.
AcDbObjectId PostLineWithData(AcDbDatabase* db, AcDbObjectId& dictId) {
    const AcDbObjectId lineId = PostTo(db, new AcDbLine(AcGePoint3d(1, 2, 0), AcGePoint3d(30, 40, 0)));
    AcDbLine* line = nullptr;
    EXPECT_EQ(acdbOpenObject(line, lineId, AcDb::kForWrite), Acad::eOk);
    EXPECT_EQ(line->createExtensionDictionary(), Acad::eOk);
    dictId = line->extensionDictionary();
    line->close();
    AcDbDictionary* dict = nullptr;
    EXPECT_EQ(acdbOpenObject(dict, dictId, AcDb::kForWrite), Acad::eOk);
    auto* xrecord = new AcDbXrecord();
    resbuf* chain = acutBuildList(1, u"kept with the line", 0);
    xrecord->setFromRbChain(chain);
    acutRelRb(chain);
    AcDbObjectId xrecordId;
    dict->setAt(u"DATA", xrecord, xrecordId);
    xrecord->close();
    dict->close();
    return lineId;
}

TEST_F(DxfStreaming, BlocksOfAnySizeAndEitherLineEndReadTheSameDrawing) {
    Post(new AcDbCircle(AcGePoint3d(5, 5, 0), AcGeVector3d::kZAxis, 2.5));
    Post(new AcDbText(AcGePoint3d(3, 4, 0), u"\u9053\u8DEF label", AcDbObjectId(), 2.0));
    // Values longer than the reader keeps in its usual form, one longer than a block of its store.
    const std::u16string longer(300, u'x');
    const std::u16string longest(70000, u'y');
    const AcDbObjectId longerId =
        Post(new AcDbText(AcGePoint3d(0, 1, 0), longer.c_str(), AcDbObjectId(), 1.0));
    const AcDbObjectId longestId =
        Post(new AcDbText(AcGePoint3d(0, 2, 0), longest.c_str(), AcDbObjectId(), 1.0));
    auto* polyline = new AcDbPolyline();
    polyline->addVertexAt(0, AcGePoint2d(0, 0));
    polyline->addVertexAt(1, AcGePoint2d(10, 0), 0.5);
    polyline->addVertexAt(2, AcGePoint2d(10, 7.25));
    Post(polyline);
    AcDbObjectId dictId;
    PostLineWithData(db.get(), dictId);
    const std::string lf = platform::WriteDxf(db.get());

    AcDbDatabase reference(false, true);
    ASSERT_EQ(platform::ReadDxf(&reference, lf), Acad::eOk) << platform::LastDxfError().message;
    const std::string expected = platform::WriteDxf(&reference);
    for (const auto& [id, text] : {std::pair(longerId, &longer), std::pair(longestId, &longest)}) {
        AcDbObjectId twin;
        ASSERT_EQ(reference.getAcDbObjectId(twin, false, id.handle()), Acad::eOk);
        AcDbText* read = nullptr;
        ASSERT_EQ(acdbOpenObject(read, twin, AcDb::kForRead), Acad::eOk);
        EXPECT_EQ(std::u16string(read->textStringConst()), *text);
        read->close();
    }

    const std::string crlf = WithCrLf(lf);
    const std::string bom = "\xEF\xBB\xBF" + crlf + "  \n";  // a byte-order mark and a blank last line
    WriteText(Path("crlf.dxf"), crlf);
    const std::u16string crlfPath = platform::Utf8ToUtf16(Path("crlf.dxf"));
    for (size_t block : {size_t{1}, size_t{2}, size_t{3}, size_t{7}, size_t{64}, size_t{4093}}) {
        SCOPED_TRACE("block size " + std::to_string(block));
        platform::SetDxfReadBlockSize(block);
        for (const std::string* file : {&lf, &crlf, &bom}) {
            AcDbDatabase read(false, true);
            ASSERT_EQ(platform::ReadDxf(&read, *file), Acad::eOk) << platform::LastDxfError().message;
            EXPECT_EQ(platform::WriteDxf(&read), expected);
            EXPECT_EQ(platform::CheckDatabase(&read), "");
        }
        AcDbDatabase fromFile(false, true);
        ASSERT_EQ(platform::ReadDxfFile(&fromFile, crlfPath.c_str()), Acad::eOk)
            << platform::LastDxfError().message;
        EXPECT_EQ(platform::WriteDxf(&fromFile), expected);
    }
    platform::SetDxfReadBlockSize(0);
}

TEST_F(DxfStreaming, AFileCutInARecordLoadsNothingAndNamesTheLine) {
    Post(new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 2, 3)));
    Post(new AcDbCircle(AcGePoint3d(5, 5, 0), AcGeVector3d::kZAxis, 2.5));
    const std::string good = platform::WriteDxf(db.get());
    auto target = std::make_unique<AcDbDatabase>();
    const AcDbObjectId layer0 = target->layerZero();

    // Cut after the circle's radius code, before its value; then inside the value itself, which leaves a
    // number the file cannot end on: its section is never closed.
    const size_t radius = good.find(" 40\n2.5\n");
    ASSERT_NE(radius, std::string::npos);
    const std::string noValue = good.substr(0, radius + 4);
    const std::string halfValue = good.substr(0, radius + 5);
    for (size_t block : {size_t{1}, size_t{5}, size_t{0}}) {
        SCOPED_TRACE("block size " + std::to_string(block));
        platform::SetDxfReadBlockSize(block);
        EXPECT_EQ(platform::ReadDxf(target.get(), noValue), Acad::eDxfReadAborted);
        EXPECT_EQ(platform::LastDxfError().line, LineOf(good, radius));
        EXPECT_NE(platform::LastDxfError().message.find("group code 40 without a value (file truncated)"),
                  std::string::npos)
            << platform::LastDxfError().message;

        WriteText(Path("cut.dxf"), WithCrLf(halfValue));
        const std::u16string cut = platform::Utf8ToUtf16(Path("cut.dxf"));
        EXPECT_EQ(platform::ReadDxfFile(target.get(), cut.c_str()), Acad::eDxfReadAborted);
        EXPECT_EQ(platform::LastDxfError().line, LineOf(good, radius) + 1);  // the last line read
        EXPECT_NE(platform::LastDxfError().message.find("not closed (file truncated)"), std::string::npos)
            << platform::LastDxfError().message;

        // A bad value whose line straddles the blocks.
        std::string bad = good;
        bad.replace(radius + 4, 3, "2.5.1");
        EXPECT_EQ(platform::ReadDxf(target.get(), bad), Acad::eDxfReadAborted);
        EXPECT_EQ(platform::LastDxfError().line, LineOf(good, radius) + 1);
        EXPECT_NE(platform::LastDxfError().message.find("\"2.5.1\""), std::string::npos);

        EXPECT_EQ(target->layerZero(), layer0);
        EXPECT_EQ(platform::CheckDatabase(target.get()), "");
    }
    platform::SetDxfReadBlockSize(0);
}

TEST_F(DxfStreaming, ReferencesToObjectsLaterInTheFileResolveOnceItIsRead) {
    AcDbObjectId dictId;
    const AcDbObjectId lineId = PostLineWithData(db.get(), dictId);
    const std::string text = platform::WriteDxf(db.get());
    // The line names its dictionary before the file holds it.
    ACHAR buffer[20] = {};
    ASSERT_TRUE(dictId.handle().getIntoAsciiBuffer(buffer, 20));
    const std::string dictHandle = platform::Utf16ToUtf8(buffer);
    const size_t named = text.find("{ACAD_XDICTIONARY\n360\n" + dictHandle + "\n");
    const size_t defined = text.find("DICTIONARY\n  5\n" + dictHandle + "\n");
    ASSERT_NE(named, std::string::npos);
    ASSERT_NE(defined, std::string::npos);
    ASSERT_LT(named, defined);

    platform::SetDxfReadBlockSize(3);
    reopened = std::make_unique<AcDbDatabase>(false, true);
    ASSERT_EQ(platform::ReadDxf(reopened.get(), text), Acad::eOk) << platform::LastDxfError().message;
    platform::SetDxfReadBlockSize(0);

    AcDbObject* line = Twin(lineId);
    ASSERT_NE(line, nullptr);
    const AcDbObjectId readLine = line->objectId();
    const AcDbObjectId readDict = line->extensionDictionary();
    line->close();
    ASSERT_FALSE(readDict.isNull());
    EXPECT_EQ(readDict.handle(), dictId.handle());
    AcDbDictionary* dict = nullptr;
    ASSERT_EQ(acdbOpenObject(dict, readDict, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(dict->ownerId(), readLine);
    AcDbObjectId xrecordId;
    EXPECT_EQ(dict->getAt(u"DATA", xrecordId), Acad::eOk);
    dict->close();
    AcDbXrecord* xrecord = nullptr;
    ASSERT_EQ(acdbOpenObject(xrecord, xrecordId, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(xrecord->ownerId(), readDict);
    resbuf* chain = nullptr;
    xrecord->rbChain(&chain);
    xrecord->close();
    ASSERT_NE(chain, nullptr);
    EXPECT_EQ(std::u16string(chain->resval.rstring), u"kept with the line");
    acutRelRb(chain);
}

// A save goes out in blocks as it is written: the file holds the very text of the whole drawing, and the
// header's seed, written before anything else, lies above every handle the file gives out, also those of the
// records the database does not hold (vertices, sequence ends, block markers).
TEST_F(DxfStreaming, ASaveWrittenInBlocksIsTheWholeTextWithItsSeedAboveEveryHandle) {
    for (int i = 0; i < 3000; ++i) {
        Post(new AcDbLine(AcGePoint3d(i, i / 3.0, 0), AcGePoint3d(i + 0.5, i / 7.0, 1)));
    }
    AcGePoint3dArray points;
    for (int i = 0; i < 40; ++i) {
        points.append(AcGePoint3d(i, i * i, 0));
    }
    Post(new AcDb2dPolyline(AcDb::k2dSimplePoly, points, 0.0, false));
    Post(new AcDb3dPolyline(AcDb::k3dSimplePoly, points, true));
    AcDbObjectId paper;
    {
        AcDbBlockTable* table = nullptr;
        ASSERT_EQ(db->getBlockTable(table, AcDb::kForRead), Acad::eOk);
        ASSERT_EQ(table->getAt(ACDB_PAPER_SPACE, paper), Acad::eOk);
        table->close();
    }
    for (int i = 0; i < 3; ++i) {
        const AcDbObjectId insert = Post(new AcDbBlockReference(AcGePoint3d(i, 0, 0), paper));
        AcDbBlockReference* reference = nullptr;
        ASSERT_EQ(acdbOpenObject(reference, insert, AcDb::kForWrite), Acad::eOk);
        auto* attribute = new AcDbAttribute(AcGePoint3d(i, 1, 0), u"value", u"TAG");
        AcDbObjectId attributeId;
        ASSERT_EQ(reference->appendAttribute(attributeId, attribute), Acad::eOk);
        attribute->close();
        reference->close();
    }

    const std::string whole = platform::WriteDxf(db.get());
    ASSERT_GT(whole.size(), 4 * platform::dxf::Writer::kBlockSize);
    const std::string path = Path("blocks.dxf");
    ASSERT_EQ(platform::SaveDxfFile(db.get(), platform::Utf8ToUtf16(path).c_str()), Acad::eOk);
    std::ifstream in(path, std::ios::binary);
    const std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(saved == whole);

    // Handles are the values of group 5 (and 105, a table record's); the seed is the header's.
    std::istringstream lines(saved);
    std::string code;
    std::string value;
    uint64_t seed = 0;
    uint64_t highest = 0;
    bool inSeed = false;
    while (std::getline(lines, code) && std::getline(lines, value)) {
        if (code == "  9") {
            inSeed = value == "$HANDSEED";
            continue;
        }
        if (code == "  5" || code == "105") {
            const uint64_t handle = std::stoull(value, nullptr, 16);
            if (inSeed) {
                seed = handle;
                inSeed = false;
            } else {
                highest = std::max(highest, handle);
            }
        }
    }
    EXPECT_EQ(seed, highest + 1);
}

}  // namespace
}  // namespace tarntest
