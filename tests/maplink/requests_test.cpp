// The request catalogue as the simulated map application records it, byte for byte.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "mapsim/mapsim.h"
#include "maplink/linktest.h"
#include "platform/mfc/uidriver.h"
#include "platform/win32/bus/bus_hooks.h"
#include "plugin/maplink/mapreq.h"

namespace {

using linktest::At;
using linktest::Bytes;
using linktest::CopyData;
using linktest::RecordingWindow;

class Requests : public ::testing::Test {
protected:
    void SetUp() override {
        linktest::ResetLink();
        ASSERT_TRUE(sim.Start());
    }
    void TearDown() override { sim.Stop(); }

    // The payload of the last request of the code that reached the map application.
    Bytes Last(uint16_t code) const {
        const auto all = sim.RequestsOf(code);
        return all.empty() ? Bytes{} : Bytes(all.back().payload.begin(), all.back().payload.end());
    }
    size_t Count(uint16_t code) const { return sim.RequestsOf(code).size(); }

    mapsim::MapSim sim;
    RecordingWindow hidden{u"TarnArxWin", nullptr};
};

TEST_F(Requests, CatalogueAgreesWithTheMapApplicationsTable) {
    for (size_t i = 0; i < kMapRequestCount; ++i) {
        const MapRequestInfo& info = kMapRequestTable[i];
        const mapsim::RequestSpec* entry = mapsim::MapSim::FindSpec(static_cast<uint16_t>(info.m_nCode));
        ASSERT_NE(entry, nullptr) << info.m_nCode;
        EXPECT_EQ(info.m_bHeader, entry->header) << info.m_nCode;
        if (info.m_nSize != kMapSizeVaries) {
            EXPECT_GE(info.m_nSize, entry->minPayload) << info.m_nCode;
        }
        EXPECT_EQ(info.m_answer == kAnswerMessage, entry->mode != mapsim::AnswerMode::Return) << info.m_nCode;
    }
}

TEST_F(Requests, ViewAndStateRequestsLayOutTheirFields) {
    EXPECT_EQ(MapApiMoveMapView(&g_MapApiLink, 0, 15, 500000.5, 3000000.25, 0, 2, 0), 0);
    Bytes b = Last(20011);
    ASSERT_EQ(b.size(), 80u);
    EXPECT_EQ(At<double>(b, 0), 3000000.25);  // y first
    EXPECT_EQ(At<double>(b, 8), 500000.5);
    EXPECT_EQ(b[16], 2);
    EXPECT_EQ(At<DWORD>(b, 24), 0u);
    EXPECT_EQ(At<DWORD>(b, 28), 15u);
    EXPECT_EQ(b[32], 0);
    EXPECT_EQ(sim.View().level, 15u);
    EXPECT_EQ(MapApiMoveMapView(&g_MapApiLink, 0, 16, 1, 2, 0, 2, 1), kMapDelivered);

    EXPECT_EQ(MapApiGetMapState(nullptr, 2), 0);
    b = Last(20012);
    ASSERT_EQ(b.size(), 104u);
    EXPECT_EQ(b[40], 2);
    EXPECT_EQ(hidden.ReceivedOf(20012).size(), 1u);  // answered nested, before the send returned

    EXPECT_EQ(MapApiSetFollowInterval(nullptr, 500), 0);
    EXPECT_EQ(At<DWORD>(Last(20013), 0), 500u);
    EXPECT_EQ(sim.FollowInterval(), 500u);
    sim.FailCode(20013, 17, 1);
    EXPECT_EQ(MapApiSetFollowInterval(nullptr, 1), 17);  // the answer when the send succeeds
    sim.FailCode(20013, -6, 1);
    EXPECT_EQ(MapApiSetFollowInterval(nullptr, 1), -6);  // the send's code otherwise

    EXPECT_EQ(MapApiGetCoordState(nullptr), 0);
    EXPECT_TRUE(Last(20202).empty());
    EXPECT_EQ(MapApiGetGridOrigin(nullptr), 0);
    EXPECT_TRUE(Last(20211).empty());
    EXPECT_EQ(MapApiGetResolutionTable(nullptr, -5123200.0, 10002100.0), 0);
    b = Last(20212);
    ASSERT_EQ(b.size(), 80u);
    EXPECT_EQ(At<double>(b, 24), -5123200.0);
    EXPECT_EQ(At<double>(b, 32), 10002100.0);
    EXPECT_EQ(hidden.ReceivedOf(20212).size(), 1u);

    EXPECT_EQ(MapApiRenderView(&g_MapApiLink, 1.0, 2.0, 3.0, 4.0, 20000, 18), 0);
    b = Last(20301);
    ASSERT_EQ(b.size(), 112u);
    EXPECT_EQ(At<WORD>(b, 0), 101);
    EXPECT_EQ(At<double>(b, 16), 1.0);  // x before y here
    EXPECT_EQ(At<double>(b, 24), 2.0);
    EXPECT_EQ(At<double>(b, 32), 3.0);
    EXPECT_EQ(At<double>(b, 40), 4.0);
    EXPECT_EQ(b[48], 2);
    EXPECT_EQ(At<uint64_t>(b, 56), 20000u);
    EXPECT_EQ(At<DWORD>(b, 64), 18u);

    EXPECT_EQ(MapApiCheckUpdate(&g_MapApiLink), 0);
    b = Last(20203);
    ASSERT_EQ(b.size(), 64u);
    EXPECT_EQ(At<DWORD>(b, 0), 1u);
    EXPECT_EQ(At<DWORD>(b, 4), 141u);
    EXPECT_EQ(At<DWORD>(b, 24), 1u);
    EXPECT_EQ(sim.ClientVersion(), 141u);
}

TEST_F(Requests, FolderRequestsCarryTheHeaderFields) {
    EXPECT_EQ(MapApiListFolders(&g_MapApiLink, 0), 0);
    Bytes b = Last(20100);
    ASSERT_EQ(b.size(), 16u);
    EXPECT_EQ(At<WORD>(b, 0), 101);
    EXPECT_EQ(At<DWORD>(b, 8), 1u);  // 0 is sent as 1
    EXPECT_EQ(hidden.ReceivedOf(20100).size(), 1u);

    MapFolderObj* folder = MapApiNewFolder(&g_MapApiLink);
    std::strcpy(folder->m_szName, "图层0");
    INT64 newId = 0;
    EXPECT_EQ(SendMapObjectType30(&g_MapApiLink, folder, 0, 0, 1, &newId), 0);
    MapApiFreeObj(&g_MapApiLink, folder, kMapTypeFolder);
    b = Last(20102);
    ASSERT_EQ(b.size(), 192u);
    EXPECT_EQ(b[2], 30);
    EXPECT_EQ(At<DWORD>(b, 4), 1u);  // parent 1 when parent and object are both 0
    EXPECT_EQ(At<DWORD>(b, 8), 0u);
    EXPECT_EQ(At<DWORD>(b, 12), 1u);
    EXPECT_STREQ(reinterpret_cast<const char*>(b.data() + 16), "图层0");
    EXPECT_EQ(b[16 + 111], 1);
    ASSERT_GT(newId, 0);
    ASSERT_NE(sim.FindFolder(static_cast<uint32_t>(newId)), nullptr);
    EXPECT_EQ(sim.FindFolder(static_cast<uint32_t>(newId))->Name(), "图层0");

    EXPECT_EQ(MapApiQueryFolder(&g_MapApiLink, static_cast<DWORD>(newId), 0), 0);
    b = Last(20101);
    ASSERT_EQ(b.size(), 16u);
    EXPECT_EQ(b[3], 0);
    EXPECT_EQ(At<DWORD>(b, 8), static_cast<DWORD>(newId));
    const auto answers = hidden.ReceivedOf(20101);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].payload[2], 30);

    // A 120-byte name: its first 99 bytes and a NUL at 115.
    const std::string longName(120, 'L');
    EXPECT_EQ(MapApiFindFolder(&g_MapApiLink, longName.c_str(), 1, 30), 0);
    b = Last(20105);
    ASSERT_EQ(b.size(), 116u);
    EXPECT_EQ(b[2], 30);
    EXPECT_EQ(At<DWORD>(b, 4), 1u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data() + 16)), longName.substr(0, 99));
    EXPECT_EQ(b[115], 0);
    // Forty Chinese characters (120 bytes) are cut at a character boundary, as the folder is created.
    std::string cjk;
    for (int i = 0; i < 40; ++i) {
        cjk += "图";
    }
    MapApiFindFolder(&g_MapApiLink, cjk.c_str(), 1, 30);
    b = Last(20105);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data() + 16)), cjk.substr(0, 99));
    EXPECT_EQ(b[16 + 99], 0);
    cjk = "a" + cjk;
    MapApiFindFolder(&g_MapApiLink, cjk.c_str(), 1, 30);
    b = Last(20105);
    EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(b.data() + 16)), 97u);

    EXPECT_EQ(MapApiFetchSelection(&g_MapApiLink), 0);
    b = Last(20110);
    ASSERT_EQ(b.size(), 16u);
    EXPECT_EQ(b[3], 3);
}

TEST_F(Requests, DeleteAndIdListsRefuseEmptyListsWithoutSending) {
    EXPECT_EQ(MapApiDeleteObjects(&g_MapApiLink, nullptr, 0, true, true), kMapBadArgument);
    EXPECT_EQ(Count(20103), 0u);
    const DWORD ids[] = {101, 202, 303};
    EXPECT_EQ(MapApiDeleteObjects(&g_MapApiLink, ids, 3, true, false), 0);
    Bytes b = Last(20103);
    ASSERT_EQ(b.size(), 28u);
    EXPECT_EQ(At<DWORD>(b, 12), 1u);
    EXPECT_EQ(At<DWORD>(b, 16), 101u);
    EXPECT_EQ(At<DWORD>(b, 24), 303u);
    MapApiDeleteObjects(&g_MapApiLink, ids, 1, false, true);
    EXPECT_EQ(At<DWORD>(Last(20103), 12), 2u);
    MapApiDeleteObjects(&g_MapApiLink, ids, 1, true, true);
    EXPECT_EQ(At<DWORD>(Last(20103), 12), 3u);

    EXPECT_EQ(MapApiSendIdList(&g_MapApiLink, ids, 0), kMapBadArgument);
    EXPECT_EQ(Count(20106), 0u);
    EXPECT_EQ(MapApiSendIdList(&g_MapApiLink, ids, 2), 0);
    EXPECT_EQ(Last(20106).size(), 24u);
    EXPECT_EQ(MapApiSendOneId(&g_MapApiLink, 77), 0);
    b = Last(20104);
    ASSERT_EQ(b.size(), 20u);
    EXPECT_EQ(At<DWORD>(b, 16), 77u);
}

TEST_F(Requests, AssocPointsMapFilesAndTheMenuEntry) {
    EXPECT_EQ(MapApiSetAssocPoints(&g_MapApiLink, 3, nullptr, 0), -1);
    EXPECT_EQ(Count(20201), 0u);
    BYTE item[kAssocPointItemSize] = {};
    const double lon = 117.25, lat = 31.5, dx = 500.0, dy = 600.0;
    std::memcpy(item + 0, &lon, 8);
    std::memcpy(item + 8, &lat, 8);
    item[16] = 1;
    std::memcpy(item + 24, &dx, 8);
    std::memcpy(item + 32, &dy, 8);
    EXPECT_EQ(MapApiSetAssocPoints(&g_MapApiLink, 4, item, 1), 0);
    Bytes b = Last(20201);
    ASSERT_EQ(b.size(), 136u);
    EXPECT_EQ(At<DWORD>(b, 16), 4u);
    EXPECT_EQ(std::memcmp(b.data() + 56, item, 80), 0);
    EXPECT_EQ(sim.AssocKind(), 4u);

    BYTE record[kMapFileRequestSize] = {};
    record[0] = 0x11;
    record[471] = 0x22;
    EXPECT_EQ(MapApiRequestMapFiles(&g_MapApiLink, record, 1), 0);
    b = Last(20302);
    ASSERT_EQ(b.size(), 16u + 472u);
    EXPECT_EQ(b[16], 0x11);
    EXPECT_EQ(b[16 + 471], 0x22);

    EXPECT_EQ(MapApiSetMenuEntry(&g_MapApiLink, 1, "发送所选对象到CAD", 1), kMapDelivered);
    b = Last(20401);
    ASSERT_EQ(b.size(), 320u);
    EXPECT_EQ(At<INT32>(b, 20), 1);
    EXPECT_STREQ(reinterpret_cast<const char*>(b.data() + 24), "发送所选对象到CAD");
    EXPECT_TRUE(sim.MenuEntryPresent());
    MapApiSetMenuEntry(&g_MapApiLink, -1, nullptr, 1);
    EXPECT_EQ(At<INT32>(Last(20401), 20), -1);

    // Timed out after 1 ms: 0, and the request still reaches the map application at the next pump.
    sim.SetTimesOut(true);
    EXPECT_EQ(MapApiSetMenuEntry(&g_MapApiLink, 0, "发送所选对象到CAD", 1), 0);
    const size_t before = Count(20401);
    platform::PumpMessages();
    EXPECT_EQ(Count(20401), before + 1);
    EXPECT_FALSE(sim.MenuEntryPresent());
}

TEST_F(Requests, SendBufferSendsTheUsedBytesAndFreesWhenAsked) {
    MapApiBuf buf = {};
    MapApiMsgHeader head = {101, 0, 0, 1, 0, 0};
    ASSERT_TRUE(MapApiBufAppend(&buf, &head, 16));
    const Bytes group(64, 0);
    ASSERT_TRUE(MapApiBufAppend(&buf, group.data(), 64));
    EXPECT_EQ(MapApiSendBuffer(&g_MapApiLink, 20112, &buf, true), 0);
    EXPECT_EQ(buf.m_pData, nullptr);
    EXPECT_EQ(Last(20112).size(), 80u);
}

TEST_F(Requests, RequestsNothingSendsStillHaveTheirLayouts) {
    EXPECT_EQ(MapApiSendPoint(&g_MapApiLink, 1.5, 2.5, false), 0);
    Bytes b = Last(20002);
    ASSERT_EQ(b.size(), 24u);
    EXPECT_EQ(At<double>(b, 0), 1.5);
    EXPECT_EQ(At<double>(b, 8), 2.5);
    EXPECT_EQ(b[16], 1);
    EXPECT_EQ(MapApiSendPointEx(&g_MapApiLink, 1.5, 2.5, true), 0);
    b = Last(20003);
    ASSERT_EQ(b.size(), 1056u);
    EXPECT_EQ(b[16], 0);
    EXPECT_EQ(MapApiSendValues(&g_MapApiLink, 1.0, 2.0, 3, 4), 0);
    b = Last(20007);
    ASSERT_EQ(b.size(), 32u);
    EXPECT_EQ(At<double>(b, 0), 2.0);  // the second double first
    EXPECT_EQ(At<double>(b, 8), 1.0);
    EXPECT_EQ(At<DWORD>(b, 24), 3u);
    EXPECT_EQ(At<DWORD>(b, 28), 4u);
    EXPECT_EQ(MapApiSendPlain(&g_MapApiLink), 0);
    EXPECT_EQ(Count(20010), 1u);
}

TEST_F(Requests, ObjectSendersBuildTheHeaderAndShowErrorsAsTheirKindSays) {
    MapTrackObj* track = MapApiNewTrack(&g_MapApiLink);
    sim.FailCode(20102, -6);
    platform::ScriptedUiDriver ui;
    ui.ExpectMessageBox(u"消息处理失败");
    platform::SetUiDriver(&ui);
    EXPECT_EQ(SendMapObjectType8(&g_MapApiLink, track, 5, 0, 0, nullptr), -6);
    const Bytes b = Last(20102);
    ASSERT_EQ(b.size(), 16u + 208u);
    EXPECT_EQ(b[2], 8);
    EXPECT_EQ(At<DWORD>(b, 4), 5u);
    MapShapeObj* shape = MapApiNewShape(&g_MapApiLink);
    EXPECT_EQ(SendMapObject(&g_MapApiLink, shape, kMapTypeShape, 5, 0, 0, nullptr), -6);  // shown by nobody
    EXPECT_EQ(SendMapObject(&g_MapApiLink, shape, 99, 5, 0, 0, nullptr), 0);
    EXPECT_EQ(MapApiAddObject(&g_MapApiLink, track, kMapTypeTrack, 5, 0, 0, nullptr), -6);
    std::string report;
    EXPECT_TRUE(ui.Verify(&report)) << report;
    platform::SetUiDriver(nullptr);
    MapApiFreeObj(&g_MapApiLink, track, kMapTypeTrack);
    MapApiFreeObj(&g_MapApiLink, shape, kMapTypeShape);

    sim.ClearScripts();
    MapFolderObj* folder = MapApiNewFolder(&g_MapApiLink);
    std::strcpy(folder->m_szName, "f");
    const int id = MapApiAddObject(&g_MapApiLink, folder, kMapTypeFolder, 0, 0, 1, nullptr);
    EXPECT_GT(id, 1);  // the older sender returns the new id
    EXPECT_NE(sim.FindFolder(static_cast<uint32_t>(id)), nullptr);
    MapApiFreeObj(&g_MapApiLink, folder, kMapTypeFolder);
}

// The older set: each kind under its own sender, the record after the header as the record's wire form; the
// map application's refusals are returned and never shown; a folder's new id is the result.
TEST_F(Requests, TheOlderSendersSendEachKindQuietlyAndAFolderGivesItsId) {
    platform::ScriptedUiDriver ui;  // expects nothing: a message box fails it
    platform::SetUiDriver(&ui);
    MapMarkObj* mark = MapApiNewMarker(&g_MapApiLink);
    mark->m_pText = MapApiStrDup("remark");
    MapTrackObj* track = MapApiNewTrack(&g_MapApiLink);
    track->m_nCount = 2;
    track->m_pPoints = static_cast<MapObjPoint*>(MapApiCalloc(2 * sizeof(MapObjPoint)));
    MapShapeObj* shape = MapApiNewShape(&g_MapApiLink);
    shape->m_nCount = 3;
    shape->m_pPoints = static_cast<MapObjPoint*>(MapApiCalloc(3 * sizeof(MapObjPoint)));
    MapMultiObj* multi = MapApiNewMulti(&g_MapApiLink);
    multi->m_nPartCount = 1;
    multi->m_pParts = static_cast<MapMultiPart*>(MapApiCalloc(sizeof(MapMultiPart)));
    multi->m_pParts[0].m_nItemCount = 2;
    multi->m_pParts[0].m_pItems = static_cast<MapMultiItem*>(MapApiCalloc(2 * sizeof(MapMultiItem)));

    // Each request: the header with the kind and the ids given, then the record's wire form, 16 + 420 + L
    // bytes for a mark, 16 + H + 48 a point for a track or shape, 16 + H + 1432 a part + 16 an item for a
    // multi-part shape. The simulated map application takes folders only: the others come back refused.
    auto sent = [&](int type, const void* obj, size_t size) {
        DWORD wireSize = 0;
        BYTE* wire = MapApiSerializeObj(&g_MapApiLink, obj, type, &wireSize);
        const Bytes b = Last(20102);
        EXPECT_EQ(b.size(), size);
        ASSERT_EQ(b.size(), 16u + wireSize);
        EXPECT_EQ(At<WORD>(b, 0), 101);
        EXPECT_EQ(b[2], type);
        EXPECT_EQ(At<DWORD>(b, 4), 5u);
        EXPECT_EQ(At<DWORD>(b, 8), 6u);
        EXPECT_EQ(At<DWORD>(b, 12), 7u);
        EXPECT_EQ(std::memcmp(b.data() + 16, wire, wireSize), 0);
        std::free(wire);
    };
    EXPECT_EQ(MapApiAddObjectType7(&g_MapApiLink, mark, 5, 6, 7, nullptr), -6);
    sent(kMapTypeMark, mark, 16 + 420 + 6);
    EXPECT_EQ(MapApiAddObjectType8(&g_MapApiLink, track, 5, 6, 7, nullptr), -6);
    sent(kMapTypeTrack, track, 16 + 208 + 2 * 48);
    EXPECT_EQ(MapApiAddObjectType13(&g_MapApiLink, shape, 5, 6, 7, nullptr), -6);
    sent(kMapTypeShape, shape, 16 + 208 + 3 * 48);
    EXPECT_EQ(MapApiAddObjectType11(&g_MapApiLink, multi, 5, 6, 7, nullptr), -6);
    sent(kMapTypeMulti, multi, 16 + 488 + 1432 + 2 * 16);
    // The dispatcher picks the same senders by kind.
    EXPECT_EQ(MapApiAddObject(&g_MapApiLink, track, kMapTypeTrack, 5, 6, 7, nullptr), -6);
    sent(kMapTypeTrack, track, 16 + 208 + 2 * 48);
    EXPECT_EQ(MapApiAddObject(&g_MapApiLink, multi, kMapTypeMulti, 5, 6, 7, nullptr), -6);
    sent(kMapTypeMulti, multi, 16 + 488 + 1432 + 2 * 16);
    sim.ClearRecords();
    EXPECT_EQ(MapApiAddObject(&g_MapApiLink, track, 99, 5, 0, 0, nullptr), 0);
    EXPECT_EQ(Count(20102), 0u);
    MapApiFreeObj(&g_MapApiLink, mark, kMapTypeMark);
    MapApiFreeObj(&g_MapApiLink, track, kMapTypeTrack);
    MapApiFreeObj(&g_MapApiLink, shape, kMapTypeShape);
    MapApiFreeObj(&g_MapApiLink, multi, kMapTypeMulti);

    MapFolderObj* folder = MapApiNewFolder(&g_MapApiLink);
    std::strcpy(folder->m_szName, "older");
    INT64 answer = 0;
    const int id = MapApiAddObjectType30(&g_MapApiLink, folder, 0, 0, 0, &answer);
    ASSERT_GE(id, 1);
    EXPECT_EQ(answer, id);
    ASSERT_NE(sim.FindFolder(static_cast<uint32_t>(id)), nullptr);
    EXPECT_EQ(sim.FindFolder(static_cast<uint32_t>(id))->Name(), "older");
    EXPECT_EQ(At<DWORD>(Last(20102), 4), 1u);  // parent 1 when parent and object are both 0
    sim.FailCode(20102, 0, 1);
    EXPECT_EQ(MapApiAddObjectType30(&g_MapApiLink, folder, 0, 0, 0, &answer), 0);  // no id: the send's 0
    sim.FailCode(20102, -6, 1);
    EXPECT_EQ(MapApiAddObjectType30(&g_MapApiLink, folder, 0, 0, 0, &answer), -6);  // and not shown
    MapApiFreeObj(&g_MapApiLink, folder, kMapTypeFolder);
    std::string report;
    EXPECT_TRUE(ui.Verify(&report)) << report;
    platform::SetUiDriver(nullptr);
}

TEST_F(Requests, GatedRequestsAreRefusedByAnOldMapApplication) {
    sim.SetProtocolVersion(620);
    EXPECT_EQ(MapApiListFolders(&g_MapApiLink, 1), kMapTooOld);
    EXPECT_EQ(MapApiSendValues(&g_MapApiLink, 0, 0, 0, 0), kMapTooOld);
    EXPECT_EQ(MapApiFetchSelection(&g_MapApiLink), 0);
    EXPECT_EQ(Count(20100), 0u);
    EXPECT_EQ(Count(20110), 1u);
}

TEST_F(Requests, AMapApplicationRestartedMeanwhileIsRegisteredAgain) {
    EXPECT_EQ(MapApiCheckUpdate(&g_MapApiLink), 0);
    sim.Stop();
    sim.SetRegistrationId(9);
    ASSERT_TRUE(sim.Start());  // forgets id 1: requests under it are answered -1
    sim.ClearRecords();
    EXPECT_EQ(MapApiCheckUpdate(&g_MapApiLink), 0);
    EXPECT_EQ(g_MapApiLink.m_nRegId, 9u);
    const auto checks = sim.RequestsOf(20203);
    ASSERT_EQ(checks.size(), 2u);  // the refused one, then the resend under the new id
    EXPECT_EQ(checks[0].regId, 1);
    EXPECT_EQ(checks[1].regId, 9);
}

}  // namespace
