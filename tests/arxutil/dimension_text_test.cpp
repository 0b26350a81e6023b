// Dimensions of every kind and texts: created through the helpers, saved to a drawing file and read back.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "arxutil/db_fixture.h"
#include "platform/arx/acdb/acdb_all.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/arx/acdb/dbunknown.h"
#include "platform/dxf/dxf_fixture.h"
#include "platform/win32/core/unicode.h"
#include "plugin/arxutil/DimensionUtil.h"
#include "plugin/arxutil/TextUtil.h"
#include "plugin/arxutil/TextStyleUtil.h"
#include "support/testdirs.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

CEntityProperty Props() {
    CEntityProperty prop;
    prop.m_strLayerName = _T("DIM");
    prop.m_color.setColorIndex(2);
    return prop;
}

// A drawing file as its records: each record's type and its groups after the 0 group.
struct DxfRecord {
    std::string type;
    std::vector<std::pair<int, std::string>> groups;
    std::vector<std::string> values(int code) const {
        std::vector<std::string> out;
        for (const auto& g : groups) {
            if (g.first == code) {
                out.push_back(g.second);
            }
        }
        return out;
    }
};

std::vector<DxfRecord> ParseRecords(const std::string& text) {
    std::vector<DxfRecord> records;
    std::istringstream in(text);
    std::string codeLine, value;
    while (std::getline(in, codeLine) && std::getline(in, value)) {
        if (!value.empty() && value.back() == '\r') {
            value.pop_back();
        }
        const int code = std::stoi(codeLine);
        if (code == 0) {
            records.push_back({value, {}});
        } else if (!records.empty()) {
            records.back().groups.emplace_back(code, value);
        }
    }
    return records;
}

// The text of a drawing file with the block names of its dimensions (group 2, first after the marker) taken
// out.
std::string WithoutDimensionBlocks(std::string text) {
    const std::string marker = "100\nAcDbDimension\n  2\n";
    for (size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at)) {
        at += marker.size() - 4;
        text.erase(at, text.find('\n', at + 4) + 1 - at);
    }
    return text;
}

class DimensionTextTest : public arxtest::WorkingDbTest {
protected:
    void TearDown() override {
        EXPECT_EQ(platform::CheckDatabase(&m_db), "");
        WorkingDbTest::TearDown();
    }

    std::string Save() {
        const std::string path = tarntest::TempDir() + "/dims.dxf";
        const std::u16string wide = platform::Utf8ToUtf16(path);
        EXPECT_EQ(m_db.saveAs(wide.c_str()), Acad::eOk);
        return path;
    }
};

TEST_F(DimensionTextTest, EveryKindIsSavedAndReadBack) {
    const AcGePoint3d p1(0, 0, 0), p2(30, 40, 0), line(0, 10, 0);
    std::vector<AcDbObjectId> ids;
    ids.push_back(CDimensionUtil::AddDimAligned(p1, p2, line, Props(), _T("<>mm")));
    ids.push_back(CDimensionUtil::AddDimAligned(p1, p2, line, Props(), AcGeVector3d(5, 0, 0)));
    ids.push_back(CDimensionUtil::AddDimRotated(p1, p2, line, Props(), kPi / 2));
    ids.push_back(CDimensionUtil::AddDimRadial(AcGePoint3d(10, 10, 0), 5.0, kPi / 2, Props(), 3.0));
    ids.push_back(CDimensionUtil::AddDimDiametric(AcGePoint3d(10, 10, 0), 5.0, 0.0, Props(), 2.0));
    ids.push_back(CDimensionUtil::AddDim2LineAngular(p1, AcGePoint3d(10, 0, 0), p1, AcGePoint3d(0, 10, 0),
                                                     AcGePoint3d(5, 5, 0), Props(), _T("直角")));
    ids.push_back(CDimensionUtil::AddDim3PtAngular(p1, AcGePoint3d(10, 0, 0), AcGePoint3d(0, 10, 0), Props(),
                                                   AcGePoint3d(6, 6, 0)));
    const AcDbObjectIdArray ordinates = CDimensionUtil::AddDimOrdinate(
        AcGePoint3d(7, 8, 0), AcGeVector3d(0, 5, 0), AcGeVector3d(5, 0, 0), Props());
    ASSERT_EQ(ordinates.length(), 2);
    ids.push_back(ordinates[0]);
    ids.push_back(ordinates[1]);
    for (AcDbObjectId id : ids) {
        ASSERT_FALSE(id.isNull());
    }

    {
        // What the helpers built: chord points at the angle, the offset text with its leader setting.
        AcDbRadialDimension* radial = nullptr;
        ASSERT_EQ(acdbOpenObject(radial, ids[3], AcDb::kForRead), Acad::eOk);
        EXPECT_NEAR(radial->chordPoint().x, 10.0, 1e-12);
        EXPECT_NEAR(radial->chordPoint().y, 15.0, 1e-12);
        EXPECT_EQ(radial->leaderLength(), 3.0);
        radial->close();
        AcDbDiametricDimension* diametric = nullptr;
        ASSERT_EQ(acdbOpenObject(diametric, ids[4], AcDb::kForRead), Acad::eOk);
        EXPECT_NEAR(diametric->chordPoint().x, 15.0, 1e-12);
        EXPECT_NEAR(diametric->farChordPoint().x, 5.0, 1e-12);
        EXPECT_NEAR(diametric->farChordPoint().y, 10.0, 1e-12);
        diametric->close();
        AcDbAlignedDimension* offset = nullptr;
        ASSERT_EQ(acdbOpenObject(offset, ids[1], AcDb::kForRead), Acad::eOk);
        EXPECT_EQ(offset->dimtmove(), 1);
        EXPECT_FALSE(offset->isUsingDefaultTextPosition());
        // The default text sits over the middle of the measured distance, on the dimension line.
        EXPECT_NEAR(offset->textPosition().x, 15.0 - 4.8 + 5.0, 1e-9);
        EXPECT_NEAR(offset->textPosition().y, 20.0 + 3.6, 1e-9);
        offset->close();
        AcDbOrdinateDimension* x = nullptr;
        ASSERT_EQ(acdbOpenObject(x, ids[7], AcDb::kForRead), Acad::eOk);
        EXPECT_TRUE(x->isUsingXAxis());
        EXPECT_EQ(x->leaderEndPoint(), AcGePoint3d(7, 13, 0));
        x->close();
        AcDbOrdinateDimension* y = nullptr;
        ASSERT_EQ(acdbOpenObject(y, ids[8], AcDb::kForRead), Acad::eOk);
        EXPECT_TRUE(y->isUsingYAxis());
        EXPECT_EQ(y->leaderEndPoint(), AcGePoint3d(12, 8, 0));
        EXPECT_EQ(AcString(y->layer()), AcString(u"DIM"));
        y->close();
    }

    // Read back as saved, each names its picture block and is kept as read, like another program's.
    const std::string path = Save();
    const std::string saved = tarntest::ReadText(path);
    {
        AcDbDatabase asSaved(false, true);
        ASSERT_EQ(platform::ReadDxf(&asSaved, saved), Acad::eOk) << platform::LastDxfError().message;
        for (AcDbObjectId id : ids) {
            AcDbObjectId twinId;
            ASSERT_EQ(asSaved.getAcDbObjectId(twinId, false, id.handle()), Acad::eOk);
            const auto* kept = AcDbUnknownEntity::cast(platform::detail::Peek(twinId));
            ASSERT_NE(kept, nullptr);
            EXPECT_EQ(kept->tarnFileType(), "DIMENSION");
        }
        EXPECT_EQ(platform::CheckDatabase(&asSaved), "");
    }
    // Without their blocks (as from programs that draw none) they are read as their kinds, field for field.
    tarntest::WriteText(path, WithoutDimensionBlocks(saved));
    AcDbDatabase reopened(false, true);
    const std::u16string wide = platform::Utf8ToUtf16(path);
    ASSERT_EQ(reopened.readDwgFile(wide.c_str()), Acad::eOk) << platform::LastDxfError().message;
    for (AcDbObjectId id : ids) {
        AcDbObject* original = nullptr;
        ASSERT_EQ(acdbOpenObject(original, id, AcDb::kForRead), Acad::eOk);
        AcDbObjectId twinId;
        ASSERT_EQ(reopened.getAcDbObjectId(twinId, false, id.handle()), Acad::eOk);
        AcDbObject* twin = nullptr;
        ASSERT_EQ(acdbOpenObject(twin, twinId, AcDb::kForRead), Acad::eOk);
        EXPECT_EQ(twin->isA(), original->isA()) << platform::Utf16ToUtf8(original->isA()->name());
        EXPECT_EQ(tarntest::CompareFields(original, twin), "")
            << platform::Utf16ToUtf8(original->isA()->name());
        twin->close();
        original->close();
    }
    EXPECT_EQ(platform::CheckDatabase(&reopened), "");

    // The file as any reader of drawing files sees it: one DIMENSION record per dimension, the common part
    // and each kind's part under their subclass markers, the kind in group 70, the block in group 2.
    std::map<int, int> kinds;
    for (const DxfRecord& r : ParseRecords(saved)) {
        if (r.type != "DIMENSION") {
            continue;
        }
        const std::vector<std::string> markers = r.values(100);
        ASSERT_GE(markers.size(), 3u);
        EXPECT_EQ(markers[0], "AcDbEntity");
        EXPECT_EQ(markers[1], "AcDbDimension");
        ASSERT_EQ(r.values(70).size(), 1u);
        const int type = std::stoi(r.values(70)[0]);
        ++kinds[type & 7];
        const std::string kind = markers[2];
        const std::map<int, std::string> expected = {
            {0, "AcDbAlignedDimension"},   {1, "AcDbAlignedDimension"}, {2, "AcDb2LineAngularDimension"},
            {3, "AcDbDiametricDimension"}, {4, "AcDbRadialDimension"},  {5, "AcDb3PointAngularDimension"},
            {6, "AcDbOrdinateDimension"}};
        EXPECT_EQ(kind, expected.at(type & 7));
        if ((type & 7) == 0) {
            EXPECT_EQ(markers.back(), "AcDbRotatedDimension");
        }
        for (int code : {10, 20, 30, 11, 21, 31}) {
            EXPECT_EQ(r.values(code).size(), 1u) << code;
        }
        EXPECT_EQ(r.values(3).size(), 1u);
        EXPECT_EQ(r.values(8), std::vector<std::string>{"DIM"});
        ASSERT_EQ(r.values(2).size(), 1u);
        EXPECT_EQ(r.values(2)[0].rfind("*D", 0), 0u);
    }
    EXPECT_EQ(kinds, (std::map<int, int>{{0, 1}, {1, 2}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 2}}));
}

TEST_F(DimensionTextTest, DamagedKindCodeIsKeptAsRead) {
    // A DIMENSION of a kind no class has (type 7) is kept as it was read, not made into a wrong kind, even
    // without a block (which alone would keep it).
    CDimensionUtil::AddDimRadial(AcGePoint3d(0, 0, 0), 2.0, 0.0, Props());
    const std::string path = Save();
    std::string text = tarntest::ReadText(path);
    const size_t at = text.find("AcDbDimension");
    const size_t code = text.find("\n 70\n", at);
    ASSERT_NE(code, std::string::npos);
    const size_t value = code + 5;
    text.replace(value, text.find('\n', value) - value, "     7");
    tarntest::WriteText(path, WithoutDimensionBlocks(text));
    AcDbDatabase reopened(false, true);
    const std::u16string wide = platform::Utf8ToUtf16(path);
    ASSERT_EQ(reopened.readDwgFile(wide.c_str()), Acad::eOk) << platform::LastDxfError().message;
    AcDbBlockTableRecord* model = nullptr;
    AcDbBlockTable* table = nullptr;
    ASSERT_EQ(reopened.getBlockTable(table, AcDb::kForRead), Acad::eOk);
    ASSERT_EQ(table->getAt(ACDB_MODEL_SPACE, model, AcDb::kForRead), Acad::eOk);
    table->close();
    int dimensions = 0, kept = 0;
    for (AcDbObjectId id : model->tarnEntityIds()) {
        const AcDbObject* object = platform::detail::Peek(id);
        dimensions += AcDbDimension::cast(object) != nullptr;
        kept += AcDbUnknownEntity::cast(object) != nullptr;
    }
    model->close();
    EXPECT_EQ(dimensions, 0);
    EXPECT_EQ(kept, 1);
}

TEST_F(DimensionTextTest, TextsAndCurrentStyle) {
    const AcDbObjectId styleId = CTextStyleUtil::Add(_T("Notes"), _T("txt.shx"), _T(""));
    ASSERT_FALSE(styleId.isNull());
    const AcDbObjectId textId =
        CTextUtil::AddText(AcGePoint3d(1, 2, 0), Props(), _T("标高"), styleId, 3.5, kPi / 6);
    const AcDbObjectId plainId = CTextUtil::AddText(AcGePoint3d(0, 0, 0), Props(), nullptr);
    const AcDbObjectId mtextId = CTextUtil::AddMText(AcGePoint3d(4, 5, 0), Props(), _T("第一行\\P第二行"),
                                                     AcDbObjectId::kNull, 2.0, 30.0);

    AcDbText* text = nullptr;
    ASSERT_EQ(acdbOpenObject(text, textId, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(text->position(), AcGePoint3d(1, 2, 0));
    EXPECT_EQ(std::u16string(text->textStringConst()), u"标高");
    EXPECT_EQ(text->textStyle(), styleId);
    EXPECT_EQ(text->height(), 3.5);
    EXPECT_NEAR(text->rotation(), kPi / 6, 1e-15);
    text->close();
    ASSERT_EQ(acdbOpenObject(text, plainId, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(std::u16string(text->textStringConst()), u"");
    EXPECT_EQ(text->textStyle(), m_db.textstyle());  // the host's default
    text->close();
    AcDbMText* mtext = nullptr;
    ASSERT_EQ(acdbOpenObject(mtext, mtextId, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(mtext->attachment(), AcDbMText::kBottomLeft);
    EXPECT_EQ(mtext->location(), AcGePoint3d(4, 5, 0));
    EXPECT_EQ(mtext->width(), 30.0);
    EXPECT_EQ(mtext->textHeight(), 2.0);
    EXPECT_EQ(mtext->textStyle(), m_db.textstyle());
    mtext->close();

    EXPECT_EQ(CTextUtil::SetCurrentTextStyle(_T("Notes")), Acad::eOk);
    EXPECT_EQ(m_db.textstyle(), styleId);
    EXPECT_NE(CTextUtil::SetCurrentTextStyle(_T("Missing")), Acad::eOk);
    EXPECT_EQ(m_db.textstyle(), styleId);
}

}  // namespace
