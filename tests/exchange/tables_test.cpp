// Keys, the binding tables and the group links.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "link_fixture.h"
#include "plugin/app/TarnArxApp.h"
#include "platform/arx/acap/statusbar.h"

namespace {

TEST(LinkKeys, HandlesAndTextsGiveTheirKeys) {
    EXPECT_EQ(HandleToUInt32(AcDbHandle(0x1234u, 0u)), 0x1234u);
    EXPECT_EQ(HandleToUInt32(AcDbHandle(0xFFFFFFFEu, 0u)), 0xFFFFFFFEu);
    EXPECT_EQ(HandleToUInt32(AcDbHandle(5u, 1u)), 0xFFFFFFFFu);

    EXPECT_EQ(StringKey63(u""), 338333539836370388ull);
    EXPECT_EQ(StringKey63(u"a"), 2933798017325973772ull);  // the raw digest has its top bit set
    EXPECT_EQ(StringKey63(u"abc"), 3481232194675933584ull);
    // Long paths that differ only at their ends keep different keys.
    const CString root(CString(u'x', 300));
    EXPECT_NE(StringKey63(root + u"\\1_2.png"), StringKey63(root + u"\\1_3.png"));

    // The drawing key hashes the name unchanged, in the ANSI code page.
    EXPECT_NE(CDocSyncRegistry::MakeDocKey(u"C:\\maps\\A.dxf"),
              CDocSyncRegistry::MakeDocKey(u"C:\\maps\\a.dxf"));
    EXPECT_EQ(CDocSyncRegistry::MakeDocKey(u""), StringKey63(u""));
    EXPECT_EQ(CDocSyncRegistry::MakeDocKey(u"C:\\a.dxf"), StringKey63(u"C:\\a.dxf"));
    EXPECT_NE(CDocSyncRegistry::MakeDocKey(u"C:\\图纸.dxf"), StringKey63(u"C:\\图纸.dxf"));  // GBK, not UTF-8
}

TEST(BindingTable, RecordsAreStoredReplacedAndCountedOnce) {
    CBindingTable table;
    auto* first = new CBindingRecord;
    table.SetBinding(7, first, true);
    table.SetBinding(7, first, false);  // the same record again: kept, not freed
    EXPECT_EQ(table.FindBinding(7), first);
    EXPECT_EQ(table.CountUnsaved(), 1);
    table.SetBinding(7, new CBindingRecord, true);  // a different one: the old is freed
    EXPECT_EQ(table.CountUnsaved(), 0);
    // Keys below the highest: a new one goes in among the others, and one already there is replaced with the
    // old record freed (the sanitizer build reports a leak otherwise).
    CBindingTable spread;
    spread.SetBinding(12, new CBindingRecord, true);
    spread.SetBinding(3, new CBindingRecord, true);
    auto* replacement = new CBindingRecord;
    spread.SetBinding(3, replacement, false);
    EXPECT_EQ(spread.FindBinding(3), replacement);
    EXPECT_EQ(spread.Records().size(), 2u);
    EXPECT_EQ(spread.CountUnsaved(), 1);

    table.UpdateBinding(9, 4294967295u, true);
    const CBindingRecord* made = table.FindBinding(9);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->m_key, 9u);
    EXPECT_EQ(made->m_mapId, 4294967295u);
    EXPECT_EQ(made->m_groupMember, 1);
    EXPECT_EQ(made->m_saved, 0);
    table.UpdateBinding(7, 3, false);
    EXPECT_EQ(table.FindBinding(7)->m_mapId, 3u);
    EXPECT_EQ(table.CountUnsaved(), 2);
    table.EraseBinding(7);
    table.EraseBinding(12345);  // absent: nothing
    EXPECT_EQ(table.FindBinding(7), nullptr);

    CMapIdTable ids;
    uint64_t key = 99;
    EXPECT_FALSE(ids.Get(5, key));
    EXPECT_EQ(key, 0u);
    ids.Set(4294967295u, 9);
    EXPECT_TRUE(ids.Get(4294967295u, key));
    EXPECT_EQ(key, 9u);

    CBindingRecord source;
    source.m_key = 1;
    source.m_mapId = 2;
    source.m_name = u"n";
    source.m_extra = u"x";
    source.m_lineStyle = 5;
    source.m_opacity = 80;
    const CBindingRecord group = CBindingRecord::ForGroup(source);
    EXPECT_EQ(group.m_mapId, 2u);
    EXPECT_EQ(group.m_name, CString(u"n"));
    EXPECT_TRUE(group.m_extra.IsEmpty());
    EXPECT_EQ(group.m_lineStyle, 0u);
    EXPECT_EQ(group.m_opacity, 50u);
}

TEST(FlatKeyTable, AgreesWithAnOrderedMapThroughGrowthErasesAndClears) {
    // Keys that share their slots on purpose (runs of neighbours, large strides, the empty marker itself),
    // changed at random against a std::map kept beside.
    std::vector<uint64_t> keys;
    for (uint64_t i = 0; i < 300; ++i) {
        keys.push_back(0x7A0000000ull + i);  // neighbours, as ids come
        keys.push_back(i << 20);             // one stride, all alike in their low bits
        keys.push_back((i * 0x9E3779B97F4A7C15ull) | 1);
    }
    keys.push_back(0);
    keys.push_back(~uint64_t{0});
    keys.push_back(~uint64_t{0} - 1);
    CFlatKeyMap<uint32_t> table;
    CFlatKeySet set;
    std::map<uint64_t, uint32_t> model;
    uint64_t seed = 12345;
    const auto next = [&seed] {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        return seed >> 33;
    };
    for (int step = 0; step < 20000; ++step) {
        const uint64_t key = keys[next() % keys.size()];
        switch (next() % 7) {
            case 0:
            case 1:
            case 2: {
                const bool added = model.count(key) == 0;
                table[key] = static_cast<uint32_t>(step);
                model[key] = static_cast<uint32_t>(step);
                EXPECT_EQ(set.Insert(key), added);
                break;
            }
            case 3:
            case 4:
            case 5: {
                const bool had = model.erase(key) != 0;
                EXPECT_EQ(table.Erase(key), had);
                EXPECT_EQ(set.Erase(key), had);
                break;
            }
            default:
                if (step % 5000 == 6) {  // now and then: empty, then grown again
                    table.Clear();
                    set.Clear();
                    model.clear();
                }
                break;
        }
        ASSERT_EQ(table.Size(), model.size());
        ASSERT_EQ(set.Size(), model.size());
    }
    for (uint64_t key : keys) {
        const auto found = model.find(key);
        const uint32_t* value = table.Find(key);
        ASSERT_EQ(value != nullptr, found != model.end()) << key;
        EXPECT_EQ(set.Contains(key), found != model.end()) << key;
        if (value != nullptr) {
            EXPECT_EQ(*value, found->second);
        }
    }
    std::map<uint64_t, uint32_t> visited;
    table.ForEach([&](uint64_t key, uint32_t value) { EXPECT_TRUE(visited.emplace(key, value).second); });
    EXPECT_EQ(visited, model);

    // The binding table hands its records out in key order.
    CBindingTable bindings;
    for (uint64_t key : std::vector<uint64_t>{0x7A0000005ull, 3, ~uint64_t{0}, 0, uint64_t{1} << 40}) {
        bindings.UpdateBinding(key, 1, false);
    }
    std::vector<uint64_t> order;
    for (const auto& [key, record] : bindings.Records()) {
        EXPECT_EQ(record->m_key, key);
        order.push_back(key);
    }
    EXPECT_EQ(order, (std::vector<uint64_t>{0, 3, 0x7A0000005ull, 1ull << 40, ~uint64_t{0}}));
}

TEST(GroupLinks, RekeyMovesMembersAndMergesWithoutLeaks) {
    CDocSyncState state;
    CMapObjLinkTable& groups = state.m_pointGroups;
    EXPECT_FALSE(groups.RekeyLink(77, 500));
    EXPECT_TRUE(groups.Links().empty());

    CBindingRecord member;
    member.m_name = u"points";
    for (uint64_t key : {11u, 12u}) {
        member.m_key = key;
        groups.AddLinkEntity(77, member, true);
    }
    ASSERT_TRUE(groups.RekeyLink(77, 500));
    EXPECT_EQ(groups.Find(77), nullptr);
    const CMapObjLink* link = groups.Find(500);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->m_keys, (std::vector<uint64_t>{11, 12}));
    EXPECT_EQ(link->m_saved, 0);
    EXPECT_EQ(link->m_record->m_mapId, 500u);
    EXPECT_EQ(link->m_record->m_groupMember, 1);
    for (uint64_t key : {11u, 12u}) {
        ASSERT_NE(state.m_bindings.FindBinding(key), nullptr);
        EXPECT_EQ(state.m_bindings.FindBinding(key)->m_mapId, 500u);
        EXPECT_EQ(state.m_bindings.FindBinding(key)->m_groupMember, 1);
    }

    // A group sent again under a temporary key whose answer names an id already held: one link, all members.
    member.m_key = 12;
    groups.AddLinkEntity(78, member, false);
    member.m_key = 13;
    groups.AddLinkEntity(78, member, false);
    ASSERT_TRUE(groups.RekeyLink(78, 500));
    EXPECT_EQ(groups.Links().size(), 1u);
    EXPECT_EQ(groups.Find(500)->m_keys, (std::vector<uint64_t>{11, 12, 13}));

    // Emptying a link and giving it a new record frees the old one once.
    groups.EmptyLink(500);
    EXPECT_TRUE(groups.Find(500)->m_keys.empty());
    EXPECT_EQ(groups.Find(500)->m_record, nullptr);
    EXPECT_EQ(state.m_bindings.FindBinding(11), nullptr);
    groups.SetLinkRecord(500, new CBindingRecord);
    EXPECT_EQ(groups.SetLinkRecordId(500, 501)->m_mapId, 501u);
    EXPECT_EQ(groups.SetLinkRecordId(9, 1), nullptr);
}

TEST(GroupLinks, CollectModifiedTakesNonEmptyModifiedLinksInIdOrder) {
    CDocSyncState state;
    CMapObjLinkTable& groups = state.m_trackGroups;
    CBindingRecord member;
    member.m_key = 3;
    groups.AddLinkEntity(20, member, true);
    groups.AddLinkEntity(10, member, true);
    groups.AddLinkEntity(30, member, false);
    groups.SetLinkRecord(40, new CBindingRecord);
    EXPECT_TRUE(groups.SetLinkModified(40, true));  // modified but empty
    EXPECT_FALSE(groups.SetLinkModified(41, true));

    const auto modified = groups.CollectModified();
    ASSERT_EQ(modified.size(), 2u);
    EXPECT_EQ(modified[0].first, 10u);
    EXPECT_EQ(modified[1].first, 20u);
    EXPECT_EQ(groups.Find(10)->m_modified, 0);
    EXPECT_EQ(groups.Find(40)->m_modified, 1);  // skipped, flag kept
    EXPECT_TRUE(groups.CollectModified().empty());

    groups.SetLinkEntities(30, {5, 6});
    EXPECT_EQ(groups.Find(30)->m_keys, (std::vector<uint64_t>{5, 6}));
    EXPECT_EQ(groups.Find(30)->m_saved, 0);
}

class SaveAllTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetPluginState();
        dir = tarntest::TempDir();
        doc = platform::NewDocument(platform::ToWindowsPath(dir + "/a.dxf"));
        state = g_DocSyncRegistry.GetDocState(doc);
        g_DocSyncRegistry.m_pCurrent = state;
        platform::ClearStatusBarEvents();
    }
    void TearDown() override {
        g_DocSyncRegistry.ClearAll();
        platform::CloseAllDocuments();
        ResetPluginState();
    }
    std::string dir;
    AcApDocument* doc = nullptr;
    CDocSyncState* state = nullptr;
};

TEST_F(SaveAllTest, ProgressMovesAtMostFiftyTimesAndNothingShowsWithoutWork) {
    SyncUnderDocLock();
    EXPECT_TRUE(platform::StatusBarEvents().empty());
    EXPECT_EQ(doc->transactionManager()->numActiveTransactions(), 0);

    for (int i = 0; i < 120; ++i) {
        linktest::Bind(state, linktest::AddLine(doc, i), 1000 + i, u"line");
    }
    platform::ClearStatusBarEvents();
    SyncUnderDocLock();
    const auto& events = platform::StatusBarEvents();
    ASSERT_EQ(events.size(), 42u);
    EXPECT_EQ(events.front().kind, platform::StatusBarEvent::kMeter);
    EXPECT_EQ(events.front().label, u"正在保存xData数据");
    EXPECT_EQ(events.front().maxPos, 100);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(events[1 + i].pos, static_cast<int>(100.0 * (3 * i) / 120)) << i;  // counts 0, 3, ... 117
    }
    EXPECT_EQ(events.back().kind, platform::StatusBarEvent::kRestore);
    EXPECT_EQ(state->m_bindings.CountUnsaved(), 0);
    EXPECT_EQ(g_bEchoFlag, 0);
    EXPECT_TRUE(platform::LockViolations().empty());
}

TEST_F(SaveAllTest, EveryGroupsBindingIsWrittenIntoEachMemberWithTheSaveCounters) {
    const uint64_t a = linktest::AddLine(doc, 0);
    const uint64_t b = linktest::AddLine(doc, 1);
    const uint64_t c = linktest::AddLine(doc, 2);
    CMapObjLinkTable& groups = state->m_trackGroups;
    CBindingRecord named;
    named.m_key = a;
    named.m_name = u"river";
    named.m_remark = u"wide";
    groups.AddLinkEntity(700, named, false);
    groups.SetLinkRecordId(700, 700);
    CBindingRecord member;
    member.m_key = b;
    groups.AddLinkEntity(700, member, false);
    // A link without a record of its own: written as a bare member of its id, and no record is left behind.
    CBindingRecord loose;
    loose.m_key = c;
    groups.AddLinkEntity(800, loose, false);
    delete groups.Find(800)->m_record;
    groups.Find(800)->m_record = nullptr;

    g_DocSyncRegistry.m_nSaveTotal = 3;
    g_DocSyncRegistry.m_nSaveCount = 0;
    acedSetStatusBarProgressMeter(u"正在保存xData数据", 0, 100);
    platform::ClearStatusBarEvents();
    {
        linktest::DocLock lock(doc);
        groups.SaveLinkBindings(doc->database());
    }
    acedRestoreStatusBar();
    EXPECT_EQ(g_DocSyncRegistry.m_nSaveCount, 3);
    // Step 3 / 50 + 1 = 1: the meter at every count, 0, 33 and 66.
    const auto& events = platform::StatusBarEvents();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[3].kind, platform::StatusBarEvent::kRestore);
    EXPECT_EQ(events[0].pos, 0);
    EXPECT_EQ(events[1].pos, 33);
    EXPECT_EQ(events[2].pos, 66);

    CBindingRecord stored;
    ASSERT_TRUE(linktest::StoredLink(doc, a, stored));
    EXPECT_EQ(stored.m_mapId, 700u);
    EXPECT_EQ(stored.m_name, CString(u"river"));
    EXPECT_EQ(stored.m_remark, CString(u"wide"));
    EXPECT_EQ(stored.m_groupMember, 1);
    ASSERT_TRUE(linktest::StoredLink(doc, b, stored));
    EXPECT_EQ(stored.m_mapId, 700u);
    EXPECT_EQ(stored.m_groupMember, 1);
    ASSERT_TRUE(linktest::StoredLink(doc, c, stored));
    EXPECT_EQ(stored.m_mapId, 800u);
    EXPECT_EQ(stored.m_groupMember, 1);
    EXPECT_EQ(groups.Find(800)->m_record, nullptr);
    EXPECT_EQ(groups.Find(700)->m_saved, 1);
    EXPECT_EQ(groups.Find(800)->m_saved, 1);
    EXPECT_TRUE(platform::LockViolations().empty());
}

TEST_F(SaveAllTest, TheRememberedObjectOpensAndClosesUnchanged) {
    EXPECT_EQ(CheckRememberedObject(), Acad::eNullObjectId);
    const uint64_t line = linktest::AddLine(doc, 0);
    g_idRemembered = linktest::IdOf(doc, line);
    {
        linktest::DocLock lock(doc);
        EXPECT_EQ(CheckRememberedObject(), Acad::eOk);
        EXPECT_EQ(platform::OpenObjectCount(), 0);
        AcDbEntity* entity = nullptr;
        ASSERT_EQ(acdbOpenObject(entity, g_idRemembered, AcDb::kForWrite), Acad::eOk);
        // Held open by someone else: the check reports the conflict and leaves it open as it was.
        EXPECT_NE(CheckRememberedObject(), Acad::eOk);
        entity->erase();
        entity->close();
        EXPECT_EQ(CheckRememberedObject(), Acad::eWasErased);
    }
    EXPECT_EQ(platform::OpenObjectCount(), 0);
    ResetPluginState();
    EXPECT_TRUE(g_idRemembered.isNull());
}

TEST_F(SaveAllTest, OpacityComesFromTheLayersAlphaAndIsKeptPerLayer) {
    const uint64_t clear = linktest::AddLine(doc, 0, u"Glass");
    const uint64_t plain = linktest::AddLine(doc, 1, u"Plain");
    auto layerOf = [&](uint64_t handle) {
        AcDbEntity* entity = nullptr;
        EXPECT_EQ(acdbOpenObject(entity, linktest::IdOf(doc, handle), AcDb::kForRead), Acad::eOk);
        return entity;
    };
    auto setAlpha = [&](uint64_t handle, Adesk::UInt8 alpha) {
        linktest::DocLock lock(doc);
        AcDbEntity* entity = layerOf(handle);
        AcDbLayerTableRecord* layer = nullptr;
        ASSERT_EQ(acdbOpenObject(layer, entity->layerId(), AcDb::kForWrite), Acad::eOk);
        layer->setTransparency(AcCmTransparency(alpha));
        layer->close();
        entity->close();
    };
    auto opacity = [&](uint64_t handle) {
        CBindingRecord record;
        record.m_opacity = 12345;
        AcDbEntity* entity = layerOf(handle);
        FillOpacityFromLayer(record, entity);
        entity->close();
        return record.m_opacity;
    };
    setAlpha(clear, 127);
    EXPECT_EQ(opacity(clear), 127u * 100 / 254);  // 50
    EXPECT_EQ(opacity(plain), 255u * 100 / 254);  // an opaque layer: 100
    // Read once per layer: a later change of the layer is not looked at again.
    setAlpha(clear, 0);
    EXPECT_EQ(opacity(clear), 50u);
    ResetPluginState();
    g_DocSyncRegistry.m_pCurrent = g_DocSyncRegistry.GetDocState(doc);
    EXPECT_EQ(opacity(clear), 0u);
    CBindingRecord untouched;
    FillOpacityFromLayer(untouched, nullptr);
    EXPECT_EQ(untouched.m_opacity, 50u);
}

}  // namespace
