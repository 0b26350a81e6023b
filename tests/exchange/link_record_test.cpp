// The link Xrecord: its layout, what reads back, foreign records, texts that follow a name; the layer of a
// map folder; colour and line-style codes.
#include <gtest/gtest.h>

#include <cstdlib>

#include "link_fixture.h"
#include "plugin/app/TarnArxApp.h"
#include "plugin/exchange/DocLockOps.h"
#include "plugin/exchange/EntityConvert.h"
#include "plugin/maplink/maplink.h"
#include "plugin/maplink/mapobj.h"
#include "support/testfiles.h"

namespace {

using linktest::AddLine;
using linktest::Append;
using linktest::DocLock;
using linktest::IdOf;

class LinkRecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetPluginState();
        dir = tarntest::TempDir();
        doc = platform::NewDocument(platform::ToWindowsPath(dir + "/a.dxf"));
        state = g_DocSyncRegistry.GetDocState(doc);
        g_DocSyncRegistry.m_pCurrent = state;
    }
    void TearDown() override {
        g_DocSyncRegistry.ClearAll();
        platform::CloseAllDocuments();
        ResetPluginState();
        EXPECT_EQ(platform::OpenObjectCount(), 0);
    }

    bool Write(uint64_t, const CBindingRecord& record) {
        DocLock lock(doc);
        return SaveLinkRecordById(record);
    }
    CBindingRecord Record(uint64_t handle, uint32_t mapId, const CString& name) {
        CBindingRecord record;
        record.m_key = handle;
        record.m_mapId = mapId;
        record.m_name = name;
        return record;
    }
    // Puts an object of the test's making under "TarnArx" in the entity's extension dictionary.
    void PutForeign(uint64_t handle, AcDbObject* foreign) {
        DocLock lock(doc);
        AcDbObject* entity = nullptr;
        ASSERT_EQ(acdbOpenObject(entity, IdOf(doc, handle), AcDb::kForWrite), Acad::eOk);
        entity->createExtensionDictionary();
        AcDbDictionary* dict = nullptr;
        ASSERT_EQ(acdbOpenObject(dict, entity->extensionDictionary(), AcDb::kForWrite), Acad::eOk);
        AcDbObjectId id;
        dict->setAt(u"TarnArx", foreign, id);
        foreign->close();
        dict->close();
        entity->close();
    }
    CString ReadText(uint64_t handle) {
        AcDbText* text = nullptr;
        EXPECT_EQ(acdbOpenObject(text, IdOf(doc, handle), AcDb::kForRead), Acad::eOk);
        const CString value(text->textStringConst());
        text->close();
        return value;
    }

    std::string dir;
    AcApDocument* doc = nullptr;
    CDocSyncState* state = nullptr;
};

TEST_F(LinkRecordTest, TheXrecordHoldsTwelveItemsAndReadsBackExactly) {
    const uint64_t line = AddLine(doc);
    CBindingRecord record = Record(line, 4294967295u, u"道路");
    record.m_remark = CString(u'备', 6001);
    record.m_groupMember = 1;
    ASSERT_TRUE(Write(line, record));

    AcDbObject* entity = nullptr;
    ASSERT_EQ(acdbOpenObject(entity, IdOf(doc, line), AcDb::kForRead), Acad::eOk);
    AcDbDictionary* dict = nullptr;
    ASSERT_EQ(acdbOpenObject(dict, entity->extensionDictionary(), AcDb::kForRead), Acad::eOk);
    AcDbObject* entry = nullptr;
    ASSERT_EQ(dict->getAt(u"TarnArx", entry, AcDb::kForRead), Acad::eOk);
    const auto& items = AcDbXrecord::cast(entry)->tarnItems();
    ASSERT_EQ(items.size(), 12u);
    const short codes[] = {1, 1, 1, 1, 90, 90, 90, 90, 40, 40, 40, 40};
    for (size_t i = 0; i < 12; ++i) {
        EXPECT_EQ(items[i].code, codes[i]) << i;
    }
    EXPECT_EQ(items[0].text, u"4294967295");
    EXPECT_EQ(items[2].text.size(), 6000u);
    EXPECT_TRUE(items[3].text.empty());
    EXPECT_EQ(items[4].integer, 1);
    entry->close();
    dict->close();
    entity->close();
    EXPECT_EQ(platform::OpenObjectCount(), 0);

    CBindingRecord read;
    ASSERT_TRUE(linktest::StoredLink(doc, line, read));
    EXPECT_EQ(read.m_mapId, 4294967295u);
    EXPECT_EQ(read.m_name, CString(u"道路"));
    EXPECT_EQ(read.m_remark.GetLength(), 6000);
    EXPECT_EQ(read.m_groupMember, 1);

    // Rewritten as no group member, it reads back so; the table's record keeps its whole remark.
    record.m_groupMember = 0;
    ASSERT_TRUE(Write(line, record));
    ASSERT_TRUE(linktest::StoredLink(doc, line, read));
    EXPECT_EQ(read.m_groupMember, 0);
    EXPECT_EQ(record.m_remark.GetLength(), 6001);

    // Through the table: stored as saved, and the same record on the next read.
    CBindingRecord* inTable = nullptr;
    {
        DocLock lock(doc);
        AcDbObject* object = nullptr;
        ASSERT_EQ(acdbOpenObject(object, IdOf(doc, line), AcDb::kForRead), Acad::eOk);
        inTable = GetLinkRecord(object, true);
        EXPECT_EQ(GetLinkRecord(object, true), inTable);
        object->close();
    }
    EXPECT_EQ(state->m_bindings.FindBinding(line), inTable);
    EXPECT_EQ(inTable->m_saved, 1);
    EXPECT_EQ(inTable->m_mapId, 4294967295u);
}

TEST_F(LinkRecordTest, ForeignShortOrWronglyTypedRecordsReadAsUnlinked) {
    auto chainOf = [](resbuf* chain) {
        auto* xrecord = new AcDbXrecord;
        xrecord->setFromRbChain(chain);
        acutRelRb(chain);
        return xrecord;
    };
    const uint64_t shortOne = AddLine(doc, 1);
    PutForeign(shortOne, chainOf(acutBuildList(1, u"12", 1, u"name", 1, u"remark", 0)));
    const uint64_t wrongType = AddLine(doc, 2);
    PutForeign(wrongType, chainOf(acutBuildList(1, u"12", 40, 1.0, 1, u"r", 1, u"", 90, 1, 0)));
    const uint64_t noInteger = AddLine(doc, 3);
    PutForeign(noInteger, chainOf(acutBuildList(1, u"12", 1, u"n", 1, u"r", 1, u"", 1, u"1", 0)));
    const uint64_t empty = AddLine(doc, 4);
    PutForeign(empty, new AcDbXrecord);
    const uint64_t dictionary = AddLine(doc, 5);
    PutForeign(dictionary, new AcDbDictionary);

    for (uint64_t handle : {shortOne, wrongType, noInteger, empty, dictionary}) {
        SCOPED_TRACE(handle);
        CBindingRecord read;
        EXPECT_FALSE(linktest::StoredLink(doc, handle, read));
        DocLock lock(doc);
        AcDbObject* object = nullptr;
        ASSERT_EQ(acdbOpenObject(object, IdOf(doc, handle), AcDb::kForRead), Acad::eOk);
        const CBindingRecord* record = GetLinkRecord(object, true);
        object->close();
        EXPECT_EQ(record->m_mapId, 0u);
        EXPECT_EQ(record->m_groupMember, 0);
    }
    // Someone else's object under the name is neither replaced nor written into.
    EXPECT_FALSE(Write(dictionary, Record(dictionary, 5, u"x")));
    CBindingRecord read;
    EXPECT_FALSE(linktest::StoredLink(doc, dictionary, read));
    // A chain of ours with a leading sign and blanks reads as _atoi64 would.
    const uint64_t signed_ = AddLine(doc, 6);
    PutForeign(signed_, chainOf(acutBuildList(1, u"  -1", 1, u"n", 1, u"r", 1, u"", 90, 11, 0)));
    ASSERT_TRUE(linktest::StoredLink(doc, signed_, read));
    EXPECT_EQ(read.m_mapId, 4294967295u);
    EXPECT_EQ(read.m_groupMember, 1);  // 11 % 10 == 1
}

TEST_F(LinkRecordTest, ATextFollowsAChangedNameButKeepsWordingTheMapCut) {
    auto addText = [&](const CString& value) {
        auto* text = new AcDbText(AcGePoint3d(0, 0, 0), value.GetString());
        return Append(doc, text);
    };
    const uint64_t renamed = addText(u"old");
    ASSERT_TRUE(Write(renamed, Record(renamed, 1, u"新名字")));
    EXPECT_EQ(ReadText(renamed), CString(u"新名字"));

    const uint64_t unnamed = addText(u"keep");
    ASSERT_TRUE(Write(unnamed, Record(unnamed, 2, CString())));
    EXPECT_EQ(ReadText(unnamed), CString(u"keep"));

    // 50 CJK characters are 150 UTF-8 bytes: the map's name is their first 33; the text keeps all 50.
    const CString longText(u'测', 50);
    const uint64_t longOne = addText(longText);
    ASSERT_TRUE(Write(longOne, Record(longOne, 3, CString(u'测', 33))));
    EXPECT_EQ(ReadText(longOne), longText);
}

TEST_F(LinkRecordTest, ALayerIsMadeAndLinkedForAFolderUnlessTheHostRefusesItsName) {
    {
        DocLock lock(doc);
        EXPECT_TRUE(GetOrCreateLinkedLayer(u"道路", 4294967295u));
        EXPECT_TRUE(GetOrCreateLinkedLayer(u"道路", 17));  // an existing layer is linked again
        EXPECT_FALSE(GetOrCreateLinkedLayer(u"a<b", 18));
        EXPECT_FALSE(GetOrCreateLinkedLayer(u"", 19));
    }
    AcDbLayerTable* layers = nullptr;
    ASSERT_EQ(doc->database()->getLayerTable(layers, AcDb::kForRead), Acad::eOk);
    EXPECT_FALSE(layers->has(u"a<b"));
    AcDbLayerTableRecord* layer = nullptr;
    ASSERT_EQ(layers->getAt(u"道路", layer, AcDb::kForRead), Acad::eOk);
    layers->close();
    CBindingRecord read;
    ASSERT_TRUE(ReadLinkRecord(layer, read));
    layer->close();
    EXPECT_EQ(read.m_mapId, 17u);
    EXPECT_EQ(read.m_name, CString(u"道路"));
    EXPECT_EQ(platform::LiveNonResidentObjectCount(), 0);
}

TEST_F(LinkRecordTest, ColoursAndLineStylesGiveTheMapsCodes) {
    {
        DocLock lock(doc);
        AcDbLinetypeTable* linetypes = nullptr;
        doc->database()->getLinetypeTable(linetypes, AcDb::kForWrite);
        for (const char16_t* name :
             {u"CENTER2", u"DASHDOTX2", u"acad_iso02w100", u"ACAD_ISO03W100", u"ACAD_ISO07W100",
              u"ACAD_ISO10W100", u"ACAD_ISO04W100", u"DASHED", u"DOT", u"JIS_02_1.0"}) {
            auto* record = new AcDbLinetypeTableRecord;
            record->setName(name);
            linetypes->add(record);
            record->close();
        }
        linetypes->close();
    }
    auto styleOf = [&](AcDbEntity* entity, const char16_t* linetype, const char16_t* layer = nullptr) {
        const uint64_t handle = Append(doc, entity, layer);
        DocLock lock(doc);
        AcDbEntity* opened = nullptr;
        EXPECT_EQ(acdbOpenObject(opened, IdOf(doc, handle), AcDb::kForWrite), Acad::eOk);
        opened->setLinetype(linetype);
        const uint32_t code = GetMapLineStyle(opened);
        opened->close();
        return code;
    };
    auto line = [] { return new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 1, 0)); };
    EXPECT_EQ(styleOf(line(), u"CENTER2"), 3u);
    EXPECT_EQ(styleOf(line(), u"DASHDOTX2"), 6u);
    EXPECT_EQ(styleOf(line(), u"acad_iso02w100"), 0u);
    EXPECT_EQ(styleOf(line(), u"ACAD_ISO03W100"), 4u);
    EXPECT_EQ(styleOf(line(), u"ACAD_ISO07W100"), 1u);
    EXPECT_EQ(styleOf(line(), u"ACAD_ISO10W100"), 3u);  // as ISO04W100
    EXPECT_EQ(styleOf(line(), u"ACAD_ISO04W100"), 3u);
    EXPECT_EQ(styleOf(line(), u"Continuous"), 0u);
    // The names a received track gets go back with the codes they came with.
    EXPECT_EQ(styleOf(line(), u"DOT"), 1u);
    EXPECT_EQ(styleOf(line(), u"JIS_02_1.0"), 2u);
    {
        DocLock lock(doc);
        AcDbLayerTable* layers = nullptr;
        doc->database()->getLayerTable(layers, AcDb::kForWrite);
        auto* record = new AcDbLayerTableRecord;
        record->setName(u"dashed");
        AcDbObjectId dashed;
        AcDbLinetypeTable* linetypes = nullptr;
        doc->database()->getLinetypeTable(linetypes, AcDb::kForRead);
        linetypes->getAt(u"DASHED", dashed);
        linetypes->close();
        record->setLinetypeObjectId(dashed);
        AcCmColor red;
        red.setColorIndex(1);
        record->setColor(red);
        layers->add(record);
        record->close();
        layers->close();
    }
    EXPECT_EQ(styleOf(new AcDbArc(AcGePoint3d(0, 0, 0), 1, 0, 1), u"ByBlock", u"dashed"), 5u);
    EXPECT_EQ(styleOf(new AcDbPoint(AcGePoint3d(0, 0, 0)), u"DASHED"), 0u);

    auto rgbOf = [&](Adesk::UInt16 index) {
        const uint64_t handle = Append(doc, line(), u"dashed");
        DocLock lock(doc);
        AcDbEntity* opened = nullptr;
        EXPECT_EQ(acdbOpenObject(opened, IdOf(doc, handle), AcDb::kForWrite), Acad::eOk);
        opened->setColorIndex(index);
        const uint32_t rgb = GetEntityRgb(opened);
        opened->close();
        return rgb;
    };
    EXPECT_EQ(rgbOf(0), 0xFF0001u);
    EXPECT_EQ(rgbOf(256), 0x0000FFu);  // the layer's red
    EXPECT_EQ(rgbOf(5), 0xFF0000u);
    EXPECT_EQ(rgbOf(7), 0xFFFFFFu);
    // ByLayer on a layer of a true colour: that colour, not the index the layer keeps beside it.
    {
        DocLock lock(doc);
        AcDbLayerTable* layers = nullptr;
        ASSERT_EQ(doc->database()->getLayerTable(layers, AcDb::kForRead), Acad::eOk);
        AcDbLayerTableRecord* layer = nullptr;
        ASSERT_EQ(layers->getAt(u"dashed", layer, AcDb::kForWrite), Acad::eOk);
        layers->close();
        layer->setColor(MakeRgbColor(0x123456));
        layer->close();
    }
    EXPECT_EQ(rgbOf(256), 0x123456u);

    const AcCmColor color = MakeRgbColor(0x123456);
    EXPECT_EQ(color.colorMethod(), AcCmEntityColor::kByColor);
    EXPECT_EQ(color.red(), 0x56);
    EXPECT_EQ(color.green(), 0x34);
    EXPECT_EQ(color.blue(), 0x12);
    EXPECT_EQ(CString(LineStyleName(7)), CString(u"DIVIDEX2"));
}

TEST_F(LinkRecordTest, LinetypesOpenByIdCurvesCastAndFilesAreToldFromFolders) {
    AcDbObjectId continuous;
    AcDbObjectId layerZero;
    {
        AcDbLinetypeTable* linetypes = nullptr;
        ASSERT_EQ(doc->database()->getLinetypeTable(linetypes, AcDb::kForRead), Acad::eOk);
        linetypes->getAt(u"Continuous", continuous);
        linetypes->close();
        AcDbLayerTable* layers = nullptr;
        ASSERT_EQ(doc->database()->getLayerTable(layers, AcDb::kForRead), Acad::eOk);
        layers->getAt(u"0", layerZero);
        layers->close();
    }
    AcDbLinetypeTableRecord* record = OpenLinetypeRecord(continuous);
    ASSERT_NE(record, nullptr);
    AcString name;
    record->getName(name);
    EXPECT_EQ(CString(name.kACharPtr()), CString(u"Continuous"));
    record->close();
    // A layer's id is no linetype, and the null id opens nothing; neither leaves anything open.
    EXPECT_EQ(OpenLinetypeRecord(layerZero), nullptr);
    EXPECT_EQ(OpenLinetypeRecord(AcDbObjectId::kNull), nullptr);
    EXPECT_EQ(platform::OpenObjectCount(), 0);

    AcDbArc arc(AcGePoint3d(0, 0, 0), 1, 0, 1);
    AcDbPoint point(AcGePoint3d(0, 0, 0));
    AcDbText text(AcGePoint3d(0, 0, 0), u"t", AcDbObjectId(), 2.5);
    EXPECT_EQ(AsCurve(&arc), &arc);
    EXPECT_EQ(AsCurve(&point), nullptr);
    EXPECT_EQ(AsCurve(&text), nullptr);
    EXPECT_EQ(AsCurve(nullptr), nullptr);

    const std::string file = dir + "/present.txt";
    tarntest::WriteFile(file, "x");
    EXPECT_TRUE(IsExistingFile(CString(platform::ToWindowsPath(file).c_str())));
    EXPECT_FALSE(IsExistingFile(CString(platform::ToWindowsPath(dir).c_str())));
    EXPECT_FALSE(IsExistingFile(CString(platform::ToWindowsPath(dir + "/absent.txt").c_str())));
    EXPECT_FALSE(IsExistingFile(CString()));
}

TEST_F(LinkRecordTest, ReloadReadsBindingsAndRejoinsOnlyGroupMembers) {
    const uint64_t single = Append(doc, new AcDbPoint(AcGePoint3d(1, 1, 0)));
    const uint64_t grouped = Append(doc, new AcDbPoint(AcGePoint3d(2, 2, 0)));
    const uint64_t groupedLine = AddLine(doc, 7, u"roads");
    const uint64_t unbound = AddLine(doc, 8);
    CBindingRecord record = Record(single, 10, u"p");
    ASSERT_TRUE(Write(single, record));
    record = Record(grouped, 20, u"g");
    record.m_groupMember = 1;
    ASSERT_TRUE(Write(grouped, record));
    record = Record(groupedLine, 30, u"l");
    record.m_groupMember = 1;
    ASSERT_TRUE(Write(groupedLine, record));

    std::vector<CBindingRecord*> records;
    GetEntProperty(records, u"no such layer", doc->database());
    EXPECT_TRUE(records.empty());
    EXPECT_TRUE(state->m_bindings.Records().empty());

    GetEntProperty(records, nullptr, doc->database());
    EXPECT_EQ(records.size(), 3u);
    EXPECT_EQ(state->m_bindings.Records().size(), 4u);  // the unbound line too, with map id 0
    EXPECT_EQ(state->m_bindings.FindBinding(unbound)->m_mapId, 0u);
    EXPECT_EQ(state->m_pointGroups.Find(10), nullptr);  // bound on its own: no group
    ASSERT_NE(state->m_pointGroups.Find(20), nullptr);
    EXPECT_EQ(state->m_pointGroups.Find(20)->m_keys, std::vector<uint64_t>{grouped});
    EXPECT_TRUE(state->m_trackGroups.Links().empty());  // a line is no polyline
    EXPECT_EQ(doc->tarnLockCount(), 0);
}

// The wrappers for callers outside a command: each works under the current document's lock and does
// nothing when the host refuses it.
TEST_F(LinkRecordTest, TheLockWrappersWriteAndEraseOnlyUnderTheDocumentsLock) {
    const uint64_t byId = AddLine(doc, 1);
    const uint64_t byEntity = AddLine(doc, 2);
    const uint64_t erased = AddLine(doc, 3);
    // The entity is opened and closed under the test's own lock, the link written under the wrapper's.
    const auto openEntity = [&] {
        DocLock lock(doc);
        AcDbEntity* entity = nullptr;
        EXPECT_EQ(acdbOpenObject(entity, IdOf(doc, byEntity), AcDb::kForWrite), Acad::eOk);
        return entity;
    };
    const auto closeEntity = [&](AcDbEntity* entity) {
        DocLock lock(doc);
        entity->close();
    };

    AcDbEntity* entity = openEntity();
    platform::SetLockRefusal([](AcApDocument*, AcAp::DocLockMode mode) { return mode == AcAp::kWrite; });
    EXPECT_FALSE(SaveBindingByIdUnderDocLock(Record(byId, 41, u"road")));
    WriteBindingUnderDocLock(entity, Record(byEntity, 42, u"wall"));
    EraseByHandleUnderDocLock(erased);
    platform::SetLockRefusal(nullptr);
    closeEntity(entity);
    CBindingRecord read;
    EXPECT_FALSE(linktest::StoredLink(doc, byId, read));
    EXPECT_FALSE(linktest::StoredLink(doc, byEntity, read));
    EXPECT_FALSE(IdOf(doc, erased).isErased());

    EXPECT_TRUE(SaveBindingByIdUnderDocLock(Record(byId, 41, u"road")));
    entity = openEntity();
    WriteBindingUnderDocLock(entity, Record(byEntity, 42, u"wall"));
    closeEntity(entity);
    EraseByHandleUnderDocLock(erased);
    ASSERT_TRUE(linktest::StoredLink(doc, byId, read));
    EXPECT_EQ(read.m_mapId, 41u);
    EXPECT_EQ(read.m_name, CString(u"road"));
    ASSERT_TRUE(linktest::StoredLink(doc, byEntity, read));
    EXPECT_EQ(read.m_mapId, 42u);
    EXPECT_TRUE(IdOf(doc, erased).isErased());
    EXPECT_EQ(doc->tarnLockCount(), 0);
    EXPECT_EQ(platform::LockViolations(), std::vector<std::string>());
}

// The drawing's points named by their keys go as one point-set track; keys of other entities or of none are
// passed over.
TEST_F(LinkRecordTest, PointsFoundByTheirKeysGoAsOnePointSetTrack) {
    const uint64_t a = Append(doc, new AcDbPoint(AcGePoint3d(1, 2, 0)));
    const uint64_t line = AddLine(doc, 5);
    const uint64_t b = Append(doc, new AcDbPoint(AcGePoint3d(3, 4, 0)));
    MapApiBuf packet = {};
    CBindingRecord binding;
    {
        DocLock lock(doc);
        EXPECT_EQ(WritePointsAsTrack({a, 0x7FFFFF}, &packet, binding), 0);
        EXPECT_EQ(WritePointsAsTrack({a, line}, &packet, binding), 0);
        EXPECT_EQ(packet.m_nUsed, 0u);
        EXPECT_EQ(WritePointsAsTrack({a, line, b, 0x7FFFFF}, &packet, binding), 1);
    }
    ASSERT_GT(packet.m_nUsed, 64u);
    MapTrackObj* track = MapApiParseTrack(&g_MapApiLink, packet.m_pData + 64, packet.m_nUsed - 64);
    ASSERT_NE(track, nullptr);
    EXPECT_EQ(track->m_byGeomKind, 6);
    ASSERT_EQ(track->m_nCount, 2);
    EXPECT_EQ(track->m_pPoints[0].m_dX, 1.0);
    EXPECT_EQ(track->m_pPoints[0].m_dY, 2.0);
    EXPECT_EQ(track->m_pPoints[1].m_dX, 3.0);
    EXPECT_EQ(track->m_pPoints[1].m_dY, 4.0);
    MapApiFreeObj(&g_MapApiLink, track, kMapTypeTrack);
    std::free(packet.m_pData);
    EXPECT_EQ(platform::OpenObjectCount(), 0);
}

TEST_F(LinkRecordTest, TheDrawOrderMoveLiftsTheWindowsEntitiesAndLeavesThemWhereTheyAre) {
    const uint64_t inside = AddLine(doc, 1);
    const uint64_t outside = Append(doc, new AcDbLine(AcGePoint3d(50, 50, 0), AcGePoint3d(60, 60, 0)));
    EXPECT_TRUE(MoveEntToTop(AcGePoint2d(100, 100), AcGePoint2d(101, 101)));  // an empty window
    EXPECT_TRUE(MoveEntToTop(AcGePoint2d(-1, -1), AcGePoint2d(20, 20)));

    AcDbBlockTable* blocks = nullptr;
    ASSERT_EQ(doc->database()->getBlockTable(blocks, AcDb::kForRead), Acad::eOk);
    AcDbBlockTableRecord* model = nullptr;
    ASSERT_EQ(blocks->getAt(ACDB_MODEL_SPACE, model, AcDb::kForRead), Acad::eOk);
    blocks->close();
    AcDbSortentsTable* order = nullptr;
    ASSERT_EQ(model->getSortentsTable(order, AcDb::kForRead, false), Acad::eOk);
    model->close();
    AcDbObjectIdArray drawn;
    order->getFullDrawOrder(drawn);
    order->close();
    ASSERT_EQ(drawn.length(), 2);
    EXPECT_EQ(drawn[0], IdOf(doc, outside));
    EXPECT_EQ(drawn[1], IdOf(doc, inside));

    AcDbLine* opened = nullptr;
    ASSERT_EQ(acdbOpenObject(opened, IdOf(doc, inside), AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(opened->startPoint(), AcGePoint3d(0, 1, 0));  // not turned about the origin
    opened->close();
    EXPECT_EQ(doc->tarnLockCount(), 0);
}

}  // namespace
