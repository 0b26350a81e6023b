// Saving and reopening a drawing keeps every object bit for bit under its handle.
#include <cmath>
#include <cstdio>

#include "dxf_fixture.h"
#include "platform/arx/acdb/dxffields.h"
#include "platform/arx/acut/acutads.h"

namespace tarntest {
namespace {

using DxfRoundTrip = DxfTest;

const double kThird = 1.0 / 3.0;
const double kAwkward = 0.1 + 0.2;

AcDbObjectId AddLayer(AcDbDatabase* db, const ACHAR* name, int color, bool locked, bool off, bool frozen,
                      AcDbObjectId linetype) {
    AcDbLayerTable* table = nullptr;
    EXPECT_EQ(db->getLayerTable(table, AcDb::kForWrite), Acad::eOk);
    auto* record = new AcDbLayerTableRecord();
    record->setName(name);
    AcCmColor c;
    c.setColorIndex(static_cast<Adesk::UInt16>(color));
    record->setColor(c);
    record->setIsLocked(locked);
    record->setIsOff(off);
    record->setIsFrozen(frozen);
    if (!linetype.isNull()) {
        record->setLinetypeObjectId(linetype);
    }
    AcDbObjectId id;
    EXPECT_EQ(table->add(id, record), Acad::eOk);
    record->close();
    table->close();
    return id;
}

TEST_F(DxfRoundTrip, EveryEntityClassComesBackBitExactUnderItsHandle) {
    ASSERT_EQ(acdbLoadLineTypeFile(u"DASHED", u"acadiso.lin", db.get()), Acad::eOk);
    AcDbLinetypeTable* linetypes = nullptr;
    ASSERT_EQ(db->getLinetypeTable(linetypes), Acad::eOk);
    AcDbObjectId dashed;
    ASSERT_EQ(linetypes->getAt(u"DASHED", dashed), Acad::eOk);
    linetypes->close();
    AddLayer(db.get(), u"道路", 3, false, false, false, dashed);

    std::vector<AcDbObjectId> ids;
    auto* point = new AcDbPoint(AcGePoint3d(kAwkward, -kThird, 1e-300));
    point->setThickness(2.5);
    point->setEcsRotation(0.7);
    ids.push_back(Post(point));

    auto* line = new AcDbLine(AcGePoint3d(123456789.123456789, -0.0, kThird), AcGePoint3d(1e15, 2e-7, 3));
    line->setLayer(u"道路");
    line->setColorIndex(1);
    line->setLinetypeScale(kAwkward);
    line->setNormal(AcGeVector3d(0.6, 0.0, 0.8));
    ids.push_back(Post(line));

    auto* circle = new AcDbCircle(AcGePoint3d(5, 6, 7), AcGeVector3d::kZAxis, std::sqrt(2.0));
    AcCmColor rgb;
    rgb.setRGB(12, 34, 56);
    circle->setColor(rgb);
    circle->setTransparency(AcCmTransparency(77));
    circle->setLinetype(u"DASHED");
    ids.push_back(Post(circle));

    auto* arc = new AcDbArc(AcGePoint3d(-1, -2, 0), 10.0 / 7.0, 0.1, 6.2831853071795);
    arc->setVisibility(AcDb::kInvisible);
    ids.push_back(Post(arc));

    auto* text = new AcDbText(AcGePoint3d(1, 2, 0), u"中文 text \\U+4E2D literal, tab\there", AcDbObjectId(),
                              kThird, 1.0471975511965976);
    text->setWidthFactor(0.8);
    text->setOblique(0.2617993877991494);
    text->setHorizontalMode(AcDb::kTextCenter);
    text->setVerticalMode(AcDb::kTextVertMid);
    text->setAlignmentPoint(AcGePoint3d(1.5, 2.5, 0));
    ids.push_back(Post(text));

    auto* mtext = new AcDbMText();
    mtext->setLocation(AcGePoint3d(10, 20, 0));
    mtext->setContents(u"第一行\\P第二行 \U0001F600 {\\fSimSun|b0;粗体}");
    mtext->setTextHeight(2.5);
    mtext->setWidth(40);
    mtext->setRotation(kAwkward);
    mtext->setAttachment(AcDbMText::kMiddleCenter);
    ids.push_back(Post(mtext));

    SaveAndReopen();
    for (const AcDbObjectId& id : ids) {
        AcDbObject* before = nullptr;
        ASSERT_EQ(acdbOpenObject(before, id, AcDb::kForRead), Acad::eOk);
        AcDbObject* after = Twin(id);
        ASSERT_NE(after, nullptr) << platform::Utf16ToUtf8(before->isA()->name());
        EXPECT_NE(after->objectId(), id) << "ids are per opening";
        EXPECT_EQ(CompareFields(before, after), "") << platform::Utf16ToUtf8(before->isA()->name());
        before->close();
        after->close();
    }
    // A few values straight, so the comparison above cannot pass on both sides being empty.
    auto* line2 = AcDbLine::cast(Twin(ids[1]));
    ASSERT_NE(line2, nullptr);
    EXPECT_EQ(line2->startPoint().x, 123456789.123456789);
    EXPECT_TRUE(std::signbit(line2->startPoint().y));
    EXPECT_EQ(std::u16string(line2->layer()), u"道路");
    line2->close();
    auto* text2 = AcDbText::cast(Twin(ids[4]));
    ASSERT_NE(text2, nullptr);
    EXPECT_EQ(std::u16string(text2->textStringConst()), u"中文 text \\U+4E2D literal, tab\there");
    EXPECT_EQ(text2->rotation(), 1.0471975511965976);
    text2->close();
    auto* mtext2 = AcDbMText::cast(Twin(ids[5]));
    ASSERT_NE(mtext2, nullptr);
    EXPECT_EQ(mtext2->contents().str(), u"第一行\\P第二行 \U0001F600 {\\fSimSun|b0;粗体}");
    mtext2->close();
    EXPECT_GE(reopened->handseed().value(), db->handseed().value());

    // The file is ASCII throughout: other characters are escaped.
    const std::string file = ReadText(Path("drawing.dxf"));
    for (char c : file) {
        ASSERT_LT(static_cast<unsigned char>(c), 0x80);
    }
    EXPECT_NE(file.find("\\U+4E2D\\U+6587"), std::string::npos);
}

TEST_F(DxfRoundTrip, LayersKeepColourLinetypeAndFlagsAndTheCurrentSettingsSurvive) {
    ASSERT_EQ(acdbLoadLineTypeFile(u"CENTER", u"acadiso.lin", db.get()), Acad::eOk);
    AcDbLinetypeTable* linetypes = nullptr;
    ASSERT_EQ(db->getLinetypeTable(linetypes), Acad::eOk);
    AcDbObjectId center;
    ASSERT_EQ(linetypes->getAt(u"CENTER", center), Acad::eOk);
    linetypes->close();
    const AcDbObjectId locked = AddLayer(db.get(), u"*MapLayer", 1, true, false, false, center);
    const AcDbObjectId off = AddLayer(db.get(), u"Off", 200, false, true, false, AcDbObjectId());
    const AcDbObjectId frozen = AddLayer(db.get(), u"Frozen", 7, false, false, true, AcDbObjectId());
    ASSERT_EQ(db->setClayer(off), Acad::eOk);

    SaveAndReopen();
    struct Expect {
        AcDbObjectId id;
        int color;
        bool locked, off, frozen;
        const char16_t* linetype;
    };
    for (const Expect& e : {Expect{locked, 1, true, false, false, u"CENTER"},
                            Expect{off, 200, false, true, false, u"Continuous"},
                            Expect{frozen, 7, false, false, true, u"Continuous"}}) {
        auto* layer = AcDbLayerTableRecord::cast(Twin(e.id));
        ASSERT_NE(layer, nullptr);
        EXPECT_EQ(layer->color().colorIndex(), e.color);
        EXPECT_EQ(layer->isLocked(), e.locked);
        EXPECT_EQ(layer->isOff(), e.off);
        EXPECT_EQ(layer->isFrozen(), e.frozen);
        EXPECT_EQ(platform::dxf::RecordName(layer->linetypeObjectId()), e.linetype);
        layer->close();
    }
    EXPECT_EQ(reopened->clayer().handle(), off.handle());
    EXPECT_EQ(reopened->layerZero().handle(), db->layerZero().handle());
    EXPECT_EQ(reopened->continuousLinetype().handle(), db->continuousLinetype().handle());
    EXPECT_EQ(reopened->byLayerLinetype().handle(), db->byLayerLinetype().handle());
    EXPECT_EQ(reopened->textstyle().handle(), db->textstyle().handle());

    // The dashes of the loaded linetype come back too.
    auto* ltype = AcDbLinetypeTableRecord::cast(Twin(center));
    ASSERT_NE(ltype, nullptr);
    AcDbLinetypeTableRecord* original = nullptr;
    ASSERT_EQ(acdbOpenObject(original, center, AcDb::kForRead), Acad::eOk);
    ASSERT_GT(original->numDashes(), 0);
    ASSERT_EQ(ltype->numDashes(), original->numDashes());
    for (int i = 0; i < ltype->numDashes(); ++i) {
        EXPECT_EQ(ltype->dashLengthAt(i), original->dashLengthAt(i));
    }
    EXPECT_EQ(std::u16string(ltype->tarnComments()), original->tarnComments());
    original->close();
    ltype->close();
}

TEST_F(DxfRoundTrip, ExtensionDictionariesXrecordsAndDictionariesSurvive) {
    const AcDbObjectId lineId = Post(new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 1, 0)));
    const AcDbObjectId circleId = Post(new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d::kZAxis, 1));

    ads_point point = {1.5, -2.25, kThird};
    ads_point odd = {7, 8, 9};
    char bytes[300];
    for (int i = 0; i < 300; ++i) {
        bytes[i] = static_cast<char>(i * 7);
    }
    ads_binary binary{300, bytes};
    ads_name circleName;
    ASSERT_EQ(acdbGetAdsName(circleName, circleId), Acad::eOk);
    resbuf* chain =
        acutBuildList(1, u"道路 name\nsecond line", 40, kAwkward, 70, -12, 90, -2147483647 - 1, 160,
                      static_cast<Adesk::Int64>(-1234567890123LL), 10, point, 25, odd, 310, &binary, 320,
                      u"2A", 330, circleName, 340, circleName, 290, 1, 1000, u"x", 0);
    ASSERT_NE(chain, nullptr);

    AcDbLine* line = nullptr;
    ASSERT_EQ(acdbOpenObject(line, lineId, AcDb::kForWrite), Acad::eOk);
    ASSERT_EQ(line->createExtensionDictionary(), Acad::eOk);
    line->addPersistentReactor(circleId);
    const AcDbObjectId xdictId = line->extensionDictionary();
    line->close();
    AcDbDictionary* xdict = nullptr;
    ASSERT_EQ(acdbOpenObject(xdict, xdictId, AcDb::kForWrite), Acad::eOk);
    auto* record = new AcDbXrecord();
    ASSERT_EQ(record->setFromRbChain(chain), Acad::eOk);
    AcDbObjectId recordId;
    ASSERT_EQ(xdict->setAt(u"TARN_数据", record, recordId), Acad::eOk);
    record->close();
    auto* empty = new AcDbXrecord();
    AcDbObjectId emptyId;
    ASSERT_EQ(xdict->setAt(u"EMPTY", empty, emptyId), Acad::eOk);
    empty->close();
    xdict->close();
    acutRelRb(chain);

    // A dictionary of dictionaries under the named-object dictionary.
    AcDbDictionary* nod = nullptr;
    ASSERT_EQ(db->getNamedObjectsDictionary(nod, AcDb::kForWrite), Acad::eOk);
    auto* outer = new AcDbDictionary();
    AcDbObjectId outerId;
    ASSERT_EQ(nod->setAt(u"TARN_ROOT", outer, outerId), Acad::eOk);
    nod->close();
    auto* inner = new AcDbDictionary();
    AcDbObjectId innerId;
    ASSERT_EQ(outer->setAt(u"inner", inner, innerId), Acad::eOk);
    outer->close();
    inner->close();

    SaveAndReopen();
    AcDbObject* line2 = Twin(lineId);
    ASSERT_NE(line2, nullptr);
    EXPECT_EQ(line2->extensionDictionary().handle(), xdictId.handle());
    ASSERT_EQ(line2->persistentReactorIds().length(), 1);
    EXPECT_EQ(line2->persistentReactorIds()[0].handle(), circleId.handle());
    line2->close();

    auto* xdict2 = AcDbDictionary::cast(Twin(xdictId));
    ASSERT_NE(xdict2, nullptr);
    EXPECT_EQ(xdict2->ownerId().handle(), lineId.handle());
    EXPECT_EQ(xdict2->numEntries(), 2u);
    AcDbObjectId recordId2;
    EXPECT_EQ(xdict2->getAt(u"TARN_数据", recordId2), Acad::eOk);
    EXPECT_EQ(recordId2.handle(), recordId.handle());
    xdict2->close();

    AcDbXrecord* original = nullptr;
    ASSERT_EQ(acdbOpenObject(original, recordId, AcDb::kForRead), Acad::eOk);
    auto* copy = AcDbXrecord::cast(Twin(recordId));
    ASSERT_NE(copy, nullptr);
    const auto& a = original->tarnItems();
    const auto& b = copy->tarnItems();
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        SCOPED_TRACE("item " + std::to_string(i) + " code " + std::to_string(a[i].code));
        EXPECT_EQ(a[i].code, b[i].code);
        EXPECT_EQ(a[i].kind, b[i].kind);
        EXPECT_EQ(std::memcmp(&a[i].real, &b[i].real, sizeof(double)), 0);
        EXPECT_EQ(std::memcmp(a[i].point, b[i].point, sizeof(a[i].point)), 0);
        EXPECT_EQ(a[i].integer, b[i].integer);
        EXPECT_EQ(a[i].text, b[i].text);
        EXPECT_EQ(a[i].bytes, b[i].bytes);
        EXPECT_EQ(a[i].id.handle(), b[i].id.handle());
        EXPECT_EQ(a[i].id.isNull(), b[i].id.isNull());
        if (!b[i].id.isNull()) {
            EXPECT_EQ(b[i].id.database(), reopened.get());
        }
    }
    original->close();
    copy->close();

    AcDbDictionary* nod2 = nullptr;
    ASSERT_EQ(reopened->getNamedObjectsDictionary(nod2), Acad::eOk);
    AcDbObjectId outer2;
    EXPECT_EQ(nod2->getAt(u"TARN_ROOT", outer2), Acad::eOk);
    EXPECT_EQ(outer2.handle(), outerId.handle());
    nod2->close();
    auto* outerCopy = AcDbDictionary::cast(Twin(outerId));
    ASSERT_NE(outerCopy, nullptr);
    AcDbObjectId inner2;
    EXPECT_EQ(outerCopy->getAt(u"INNER", inner2), Acad::eOk);
    EXPECT_EQ(inner2.handle(), innerId.handle());
    outerCopy->close();
}

TEST_F(DxfRoundTrip, ErasedObjectsStayOutAndReadingReplacesTheWholeDrawing) {
    const AcDbObjectId kept = Post(new AcDbPoint(AcGePoint3d(1, 2, 3)));
    const AcDbObjectId gone = Post(new AcDbPoint(AcGePoint3d(4, 5, 6)));
    AcDbObject* object = nullptr;
    ASSERT_EQ(acdbOpenObject(object, gone, AcDb::kForWrite), Acad::eOk);
    ASSERT_EQ(object->erase(), Acad::eOk);
    object->close();

    SaveAndReopen();
    AcDbObjectId id;
    EXPECT_EQ(reopened->getAcDbObjectId(id, false, kept.handle()), Acad::eOk);
    EXPECT_EQ(reopened->getAcDbObjectId(id, false, gone.handle()), Acad::eUnknownHandle);

    // Reading into a database that already holds a drawing replaces it; old ids go stale, the reader's
    // database reactors stay attached and nothing is left to undo.
    struct Quiet : AcDbDatabaseReactor {
    } recorder;
    const std::u16string path = platform::Utf8ToUtf16(Path("drawing.dxf"));
    auto target = std::make_unique<AcDbDatabase>();
    const AcDbObjectId before = target->layerZero();
    target->addReactor(&recorder);
    ASSERT_EQ(target->readDwgFile(path.c_str()), Acad::eOk);
    EXPECT_FALSE(before.isValid());
    EXPECT_EQ(target->layerZero().database(), target.get());
    EXPECT_EQ(platform::UndoGroupCount(target.get()), 0);
    const ACHAR* name = nullptr;
    target->getFilename(name);
    EXPECT_EQ(std::u16string(name), platform::ToWindowsPath(Path("drawing.dxf")));
    EXPECT_EQ(platform::CheckDatabase(target.get()), "");
    target->removeReactor(&recorder);
}

// What an erased object owns goes with it: its extension dictionary and the records in that are not written,
// so that no object in the file is owned by nothing.
TEST_F(DxfRoundTrip, WhatAnErasedObjectOwnsStaysOut) {
    auto addLink = [&](AcDbObjectId entityId, AcDbObjectId& dictId, AcDbObjectId& recordId) {
        AcDbEntity* entity = nullptr;
        ASSERT_EQ(acdbOpenObject(entity, entityId, AcDb::kForWrite), Acad::eOk);
        ASSERT_EQ(entity->createExtensionDictionary(), Acad::eOk);
        dictId = entity->extensionDictionary();
        entity->close();
        AcDbDictionary* dict = nullptr;
        ASSERT_EQ(acdbOpenObject(dict, dictId, AcDb::kForWrite), Acad::eOk);
        auto* record = new AcDbXrecord();
        resbuf* chain = acutBuildList(90, 7, 0);
        ASSERT_EQ(record->setFromRbChain(chain), Acad::eOk);
        acutRelRb(chain);
        ASSERT_EQ(dict->setAt(u"TarnArx", record, recordId), Acad::eOk);
        record->close();
        dict->close();
    };
    const AcDbObjectId keptId = Post(new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 1, 0)));
    const AcDbObjectId goneId = Post(new AcDbLine(AcGePoint3d(0, 5, 0), AcGePoint3d(1, 6, 0)));
    AcDbObjectId keptDict, keptRecord, goneDict, goneRecord;
    addLink(keptId, keptDict, keptRecord);
    addLink(goneId, goneDict, goneRecord);
    AcDbObject* object = nullptr;
    ASSERT_EQ(acdbOpenObject(object, goneId, AcDb::kForWrite), Acad::eOk);
    ASSERT_EQ(object->erase(), Acad::eOk);
    object->close();

    SaveAndReopen();
    AcDbObjectId id;
    EXPECT_EQ(reopened->getAcDbObjectId(id, false, keptDict.handle()), Acad::eOk);
    EXPECT_EQ(reopened->getAcDbObjectId(id, false, keptRecord.handle()), Acad::eOk);
    EXPECT_EQ(reopened->getAcDbObjectId(id, false, goneDict.handle()), Acad::eUnknownHandle);
    EXPECT_EQ(reopened->getAcDbObjectId(id, false, goneRecord.handle()), Acad::eUnknownHandle);
    // Nor in the text: the erased line's dictionary handle appears nowhere.
    const std::string text = ReadText(Path("drawing.dxf"));
    char handle[32];
    std::snprintf(handle, sizeof handle, "\n%llX\n",
                  static_cast<unsigned long long>(goneDict.handle().value()));
    EXPECT_EQ(text.find(handle), std::string::npos);
}

}  // namespace
}  // namespace tarntest
