// Dictionaries, extension dictionaries and Xrecord chains.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "arx_fixture.h"
#include "platform/arx/acut/acutads.h"

namespace tarntest {
namespace {

using XrecordDict = DbTest;

TEST_F(XrecordDict, XrecordChainsRoundTripEveryKind) {
    ads_point point = {1.5, -2.25, 3.0};
    ads_binary binary{4, const_cast<char*>("\x01\x00\xFF\x7F")};
    const AcDbObjectId target = db->layerZero();
    ads_name name;
    ASSERT_EQ(acdbGetAdsName(name, target), Acad::eOk);
    resbuf* chain = acutBuildList(1, u"文字 text", 40, 0.1 + 0.2, 70, -12, 90, static_cast<int>(4294967295u),
                                  160, static_cast<Adesk::Int64>(-1234567890123LL), 10, point, 310, &binary,
                                  320, u"2A", 330, name, 0);
    ASSERT_NE(chain, nullptr);

    auto* record = new AcDbXrecord();
    ASSERT_EQ(record->setFromRbChain(*chain), Acad::eOk);
    acutRelRb(chain);
    AcDbObjectId id;
    ASSERT_EQ(db->addAcDbObject(id, record), Acad::eOk);
    record->close();

    AcDbXrecord* reopened = nullptr;
    ASSERT_EQ(acdbOpenObject(reopened, id, AcDb::kForRead), Acad::eOk);
    resbuf* out = nullptr;
    ASSERT_EQ(reopened->rbChain(&out), Acad::eOk);
    reopened->close();

    resbuf* rb = out;
    ASSERT_NE(rb, nullptr);
    EXPECT_EQ(rb->restype, 1);
    EXPECT_EQ(std::u16string(rb->resval.rstring), u"文字 text");
    rb = rb->rbnext;
    EXPECT_EQ(rb->resval.rreal, 0.1 + 0.2);  // bit-exact
    rb = rb->rbnext;
    EXPECT_EQ(rb->resval.rint, -12);
    rb = rb->rbnext;
    EXPECT_EQ(static_cast<Adesk::UInt32>(rb->resval.rlong), 4294967295u);
    rb = rb->rbnext;
    EXPECT_EQ(rb->resval.mnInt64, -1234567890123LL);
    rb = rb->rbnext;
    EXPECT_EQ(rb->restype, 10);
    EXPECT_EQ(rb->resval.rpoint[1], -2.25);
    rb = rb->rbnext;
    ASSERT_EQ(rb->resval.rbinary.clen, 4);
    EXPECT_EQ(std::memcmp(rb->resval.rbinary.buf, "\x01\x00\xFF\x7F", 4), 0);
    rb = rb->rbnext;
    EXPECT_EQ(std::u16string(rb->resval.rstring), u"2A");
    rb = rb->rbnext;
    AcDbObjectId back;
    ASSERT_EQ(acdbGetObjectId(back, rb->resval.rlname), Acad::eOk);
    EXPECT_EQ(back, target);
    EXPECT_EQ(rb->rbnext, nullptr);
    acutRelRb(out);

    // A chain with a non-value type is refused and the data kept.
    resbuf* bad = acutBuildList(RTLB, 0);
    ASSERT_EQ(acdbOpenObject(reopened, id, AcDb::kForWrite), Acad::eOk);
    if (bad != nullptr) {
        EXPECT_EQ(reopened->setFromRbChain(*bad), Acad::eInvalidResBuf);
        acutRelRb(bad);
    }
    EXPECT_EQ(reopened->tarnItems().size(), 9u);
    EXPECT_EQ(reopened->setFromRbChain(nullptr), Acad::eOk);
    EXPECT_EQ(reopened->rbChain(&out), Acad::eOk);
    EXPECT_EQ(out, nullptr);
    reopened->close();
}

TEST_F(XrecordDict, ExtensionDictionariesHoldXrecordsByKey) {
    const AcDbObjectId lineId = Post(new AcDbLine());
    AcDbEntity* entity = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(entity, lineId, AcDb::kForRead), Acad::eOk);
    EXPECT_TRUE(entity->extensionDictionary().isNull());
    EXPECT_EQ(entity->createExtensionDictionary(), Acad::eNotOpenForWrite);
    ASSERT_EQ(entity->upgradeOpen(), Acad::eOk);
    ASSERT_EQ(entity->createExtensionDictionary(), Acad::eOk);
    EXPECT_EQ(entity->createExtensionDictionary(), Acad::eAlreadyInDb);
    const AcDbObjectId dictId = entity->extensionDictionary();
    entity->close();
    ASSERT_FALSE(dictId.isNull());

    AcDbDictionary* dict = nullptr;
    ASSERT_EQ(acdbOpenObject(dict, dictId, AcDb::kForWrite), Acad::eOk);
    EXPECT_EQ(dict->ownerId(), lineId);
    auto* first = new AcDbXrecord();
    AcDbObjectId firstId;
    ASSERT_EQ(dict->setAt(u"TarnArx", first, firstId), Acad::eOk);
    EXPECT_EQ(first->ownerId(), dictId);
    first->close();
    AcDbObject* found = nullptr;
    EXPECT_EQ(dict->getAt(u"tarnarx", found, AcDb::kForRead), Acad::eOk);
    EXPECT_NE(AcDbXrecord::cast(found), nullptr);
    found->close();
    EXPECT_EQ(dict->getAt(u"Other", found, AcDb::kForRead), Acad::eKeyNotFound);
    EXPECT_EQ(found, nullptr);

    // Replacing an entry erases the old object; removing keeps the object but drops the entry.
    auto* second = new AcDbXrecord();
    AcDbObjectId secondId;
    ASSERT_EQ(dict->setAt(u"TARNARX", second, secondId), Acad::eOk);
    second->close();
    EXPECT_TRUE(firstId.isErased());
    EXPECT_EQ(dict->numEntries(), 1u);
    auto* third = new AcDbXrecord();
    AcDbObjectId thirdId;
    ASSERT_EQ(dict->setAt(u"A", third, thirdId), Acad::eOk);
    third->close();
    AcDbDictionaryIterator* it = dict->newIterator();
    std::vector<std::u16string> keys;
    for (; !it->done(); it->next()) {
        keys.push_back(it->name());
    }
    delete it;
    EXPECT_EQ(keys, (std::vector<std::u16string>{u"A", u"TARNARX"}));
    AcDbObjectId removed;
    ASSERT_EQ(dict->remove(u"a", removed), Acad::eOk);
    EXPECT_EQ(removed, thirdId);
    EXPECT_FALSE(thirdId.isErased());
    EXPECT_FALSE(dict->has(u"A"));
    dict->close();

    // The removed object has no owner now; erase it so nothing dangles.
    ASSERT_EQ(EraseObject(thirdId), Acad::eOk);
}

TEST_F(XrecordDict, NamedObjectsDictionaryAndRegApps) {
    AcDbDictionary* nod = nullptr;
    ASSERT_EQ(db->getNamedObjectsDictionary(nod, AcDb::kForWrite), Acad::eOk);
    auto* images = new AcDbDictionary();
    AcDbObjectId imagesId;
    ASSERT_EQ(nod->setAt(u"ACAD_IMAGE_DICT", images, imagesId), Acad::eOk);
    images->close();
    EXPECT_TRUE(nod->has(imagesId));
    nod->close();
    EXPECT_EQ(imagesId.database(), db);

    EXPECT_EQ(acdbRegApp(u"TarnArx"), RTNORM);
    EXPECT_EQ(acdbRegApp(u"TARNARX"), RTNORM);
    EXPECT_EQ(acdbRegApp(u""), RTERROR);
    AcDbRegAppTable* apps = nullptr;
    ASSERT_EQ(db->getRegAppTable(apps, AcDb::kForRead), Acad::eOk);
    AcDbRegAppTableIterator* it = nullptr;
    apps->newIterator(it);
    apps->close();
    int count = 0;
    for (; !it->done(); it->step()) {
        ++count;
    }
    delete it;
    EXPECT_EQ(count, 2);  // "ACAD" and "TarnArx"
}

// A link's dozen items take about the bytes of their values, and a change of them is undone from what
// changed, not from a copy of the record.
TEST_F(XrecordDict, XrecordItemsTakeAboutTheirValuesAndUndoWithoutACopy) {
    resbuf* chain = acutBuildList(1, u"123456", 1, u"line 123456", 1, u"", 1, u"", 90, 1, 90, 0, 90, 0, 90, 0,
                                  40, 0.0, 40, 0.0, 40, 0.0, 40, 0.0, 0);
    auto* record = new AcDbXrecord();
    ASSERT_EQ(record->setFromRbChain(*chain), Acad::eOk);
    acutRelRb(chain);
    // 17 UTF-16 units of text, four 32-bit integers and four reals.
    const size_t values = 17 * 2 + 4 * 4 + 4 * 8;
    EXPECT_LT(record->tarnDataBytes(), 2 * values);
    AcDbObjectId id;
    ASSERT_EQ(db->addAcDbObject(id, record), Acad::eOk);
    record->close();

    const platform::UndoJournalSize before = platform::UndoJournalHolds(db);
    platform::BeginUndoGroup(db);
    AcDbXrecord* open = nullptr;
    ASSERT_EQ(acdbOpenObject(open, id, AcDb::kForWrite), Acad::eOk);
    chain = acutBuildList(1, u"7", 1, u"renamed", 90, 5, 0);
    ASSERT_EQ(open->setFromRbChain(*chain), Acad::eOk);
    acutRelRb(chain);
    open->close();
    platform::EndUndoGroup(db);
    EXPECT_EQ(platform::UndoJournalHolds(db).wholeCopies, before.wholeCopies);

    ASSERT_EQ(platform::UndoLastGroup(db), Acad::eOk);
    ASSERT_EQ(acdbOpenObject(open, id, AcDb::kForRead), Acad::eOk);
    const std::vector<AcDbXrecord::Item> items = open->tarnItems();
    open->close();
    ASSERT_EQ(items.size(), 12u);
    EXPECT_EQ(items[1].text, u"line 123456");
    EXPECT_EQ(items[4].code, 90);
    EXPECT_EQ(items[4].integer, 1);
    EXPECT_EQ(items[11].code, 40);
}

}  // namespace
}  // namespace tarntest
