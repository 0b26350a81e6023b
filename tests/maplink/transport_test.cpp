// Transport: registration, the version gate, the blocking and time-out roads, renewal of a broken
// registration, and the link's error texts.
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <memory>

#include "maplink/linktest.h"
#include "platform/mfc/uidriver.h"
#include "platform/win32/bus/bus_hooks.h"
#include "plugin/maplink/maplink.h"

namespace {

using linktest::CopyData;
using linktest::RecordingWindow;

// A scripted map application: registration ids and versions from queues, other codes from a table.
struct FakePeer {
    std::deque<LRESULT> regIds{7};
    INT32 version = 621;
    std::map<DWORD, std::deque<LRESULT>> answers;  // per code, consumed in order; the last one repeats
    RecordingWindow window{u"tarnWin", [this](const CopyData& c) { return Answer(c); }};

    LRESULT Answer(const CopyData& c) {
        if (c.dwData == kMapCmdRegister) {
            const LRESULT id = regIds.front();
            if (regIds.size() > 1) {
                regIds.pop_front();
            }
            return id;
        }
        if (c.Code() == kMapCmdVersion) {
            return version;
        }
        auto it = answers.find(c.Code());
        if (it == answers.end() || it->second.empty()) {
            return 0;
        }
        const LRESULT r = it->second.front();
        if (it->second.size() > 1) {
            it->second.pop_front();
        }
        return r;
    }
    size_t Count(DWORD code) const { return window.ReceivedOf(code).size(); }
};

class Transport : public ::testing::Test {
protected:
    void SetUp() override { linktest::ResetLink(); }
};

TEST_F(Transport, RegistersWithTheWindowNameAndReadsTheProtocolVersion) {
    FakePeer peer;
    INT64 result = 99;
    EXPECT_EQ(MapApiSendCmd(&g_MapApiLink, 20202, nullptr, 0, &result, 0), 0);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(g_MapApiLink.m_nRegId, 7u);
    EXPECT_EQ(g_MapApiLink.m_nVersion, 621);

    const auto& rx = peer.window.Received();
    ASSERT_EQ(rx.size(), 3u);
    EXPECT_EQ(rx[0].dwData, 20000u);  // the bare code
    EXPECT_EQ(rx[0].wParam, 1001u);
    ASSERT_EQ(rx[0].payload.size(), 22u);  // "TarnArxWin" and its NUL in UTF-16
    EXPECT_EQ(std::memcmp(rx[0].payload.data(), u"TarnArxWin", 22), 0);
    EXPECT_EQ(rx[1].dwData, (7u << 16) | 20006u);
    EXPECT_TRUE(rx[1].payload.empty());
    EXPECT_EQ(rx[2].dwData, (7u << 16) | 20202u);

    // A long name is cut to 99 units and still ends in its NUL.
    std::u16string longName(150, u'n');
    MapApiSetAppName(&g_MapApiLink, longName.c_str());
    g_MapApiLink.m_nRegId = 0;
    MapApiConnect(&g_MapApiLink);
    EXPECT_EQ(peer.window.ReceivedOf(20000).back().payload.size(), 200u);
    EXPECT_EQ(g_MapApiLink.m_szAppName[99], 0);
}

TEST_F(Transport, RefusedRegistrationGivesMinusTwoAndTheNextRequestTriesAgain) {
    FakePeer peer;
    peer.regIds = {0, 0, 12};
    INT64 result = 55;
    EXPECT_EQ(MapApiSendCmd(&g_MapApiLink, 20110, nullptr, 0, &result, 0), kMapRegisterFailed);
    EXPECT_EQ(result, 55);
    EXPECT_EQ(g_MapApiLink.m_nRegId, 0u);
    EXPECT_EQ(peer.Count(20006), 0u);  // no version asked without an id
    EXPECT_EQ(MapApiSendCmd(&g_MapApiLink, 20110, nullptr, 0, nullptr, 0), kMapRegisterFailed);
    EXPECT_EQ(MapApiSendCmd(&g_MapApiLink, 20110, nullptr, 0, nullptr, 0), kMapOk);
    EXPECT_EQ(g_MapApiLink.m_nRegId, 12u);
    EXPECT_EQ(peer.Count(20000), 3u);
    EXPECT_EQ(peer.Count(20110), 1u);

    // An id that cannot ride in the upper 16 bits of dwData counts as a refusal.
    linktest::ResetLink();
    peer.regIds = {0x10000};
    EXPECT_EQ(MapApiSendCmd(&g_MapApiLink, 20110, nullptr, 0, nullptr, 0), kMapRegisterFailed);
    EXPECT_EQ(peer.Count(20110), 1u);
}

TEST_F(Transport, DwDataPutsTheIdInTheHighHalfAndSignExtendsFrom0x8000) {
    EXPECT_EQ(MapApiMakeDwData(1, 20100), 0x14E84u);
    EXPECT_EQ(MapApiMakeDwData(0x7FFF, 20100), 0x7FFF4E84u);
    EXPECT_EQ(MapApiMakeDwData(0x8000, 20100), 0xFFFFFFFF80004E84ull);
    EXPECT_EQ(MapApiMakeDwData(0xFFFF, 20402), 0xFFFFFFFFFFFF4FB2ull);

    FakePeer peer;
    peer.regIds = {0x8001};
    EXPECT_EQ(MapApiSendCmd(&g_MapApiLink, 20202, nullptr, 0, nullptr, 0), 0);
    const CopyData sent = peer.window.ReceivedOf(20202).at(0);
    EXPECT_EQ(sent.dwData, 0xFFFFFFFF80014EEAull);
    EXPECT_EQ(sent.Code(), 20202u);
    EXPECT_EQ(static_cast<DWORD>(sent.dwData) >> 16, 0x8001u);
}

TEST_F(Transport, VersionGateRefusesFiveCodesBelowProtocol621) {
    FakePeer peer;
    peer.version = 620;
    EXPECT_EQ(MapApiSendCmd(&g_MapApiLink, 20102, nullptr, 0, nullptr, 0), kMapTooOld);
    EXPECT_EQ(MapApiSendCmd(&g_MapApiLink, 20110, nullptr, 0, nullptr, 0), kMapOk);
    for (DWORD code : {20007u, 20100u, 20101u, 20102u, 20103u}) {
        EXPECT_FALSE(MapApiIsCmdAllowed(&g_MapApiLink, code)) << code;
        EXPECT_EQ(MapApiSendCmd(&g_MapApiLink, code, nullptr, 0, nullptr, 0), kMapTooOld) << code;
    }
    EXPECT_EQ(peer.Count(20102), 0u);
    EXPECT_EQ(peer.Count(20110), 1u);

    linktest::ResetLink();
    peer.version = -1;  // a negative answer is stored as 0, which gates too
    MapApiConnect(&g_MapApiLink);
    EXPECT_EQ(g_MapApiLink.m_nVersion, 0);
    EXPECT_FALSE(MapApiIsCmdAllowed(&g_MapApiLink, 20100));

    linktest::ResetLink();
    peer.version = 621;
    EXPECT_EQ(MapApiSendCmd(&g_MapApiLink, 20102, nullptr, 0, nullptr, 0), kMapOk);
    EXPECT_EQ(peer.Count(20102), 1u);
}

TEST_F(Transport, FailureAnswersAreReturnedAndOtherNegativesRenewTheRegistrationOnce) {
    FakePeer peer;
    peer.regIds = {7, 8, 9};
    INT64 result = 0;
    // Each failure answer is the result, written through too, and keeps the registration.
    for (const int failure : {-5, -6, -7, -8}) {
        peer.answers[20110] = {failure};
        EXPECT_EQ(MapApiSendCmd(&g_MapApiLink, 20110, nullptr, 0, &result, 0), failure);
        EXPECT_EQ(result, failure);
        EXPECT_EQ(g_MapApiLink.m_nRegId, 7u);
    }
    EXPECT_EQ(peer.Count(20000), 1u);

    // -9: one renewal, one resend, answered 5 this time.
    peer.answers[20110] = {-9, 5};
    EXPECT_EQ(MapApiSendCmd(&g_MapApiLink, 20110, nullptr, 0, &result, 0), 0);
    EXPECT_EQ(result, 5);
    EXPECT_EQ(g_MapApiLink.m_nRegId, 8u);
    auto sent = peer.window.ReceivedOf(20110);
    ASSERT_EQ(sent.size(), 6u);
    EXPECT_EQ(sent[5].dwData >> 16, 8u);

    // -9 again on the resend: no second renewal; the raw answer goes back.
    peer.answers[20110] = {-9};
    const size_t regsBefore = peer.Count(20000);
    EXPECT_EQ(MapApiSendCmd(&g_MapApiLink, 20110, nullptr, 0, &result, 0), 0);
    EXPECT_EQ(result, -9);
    EXPECT_EQ(peer.Count(20000), regsBefore + 1);
    EXPECT_EQ(peer.Count(20110), 8u);

    // The renewal finds a map application below the gate: too old, and nothing is sent again.
    peer.regIds = {10};
    peer.version = 620;
    peer.answers[20102] = {-9, 5};
    EXPECT_EQ(MapApiSendCmd(&g_MapApiLink, 20102, nullptr, 0, &result, 0), kMapTooOld);
    EXPECT_EQ(peer.Count(20102), 1u);
    EXPECT_EQ(g_MapApiLink.m_nVersion, 620);
    peer.version = 621;

    // The renewal is refused: -2, and the result is not written.
    peer.regIds = {0};
    result = 1234;
    EXPECT_EQ(MapApiSendCmd(&g_MapApiLink, 20110, nullptr, 0, &result, 0), kMapRegisterFailed);
    EXPECT_EQ(result, 1234);
    EXPECT_EQ(g_MapApiLink.m_nRegId, 0u);
}

TEST_F(Transport, TheResendAfterARenewalGoesToTheWindowRegisteredWith) {
    // The map application restarts while our request waits: the old window refuses the request and goes,
    // a new one takes its place. The renewal registers with the new window; the resend must reach it too,
    // not the old handle, whose send would fail and look like a delivered request.
    auto old = std::make_unique<FakePeer>();
    std::unique_ptr<FakePeer> fresh;
    old->window.SetAnswer([&](const CopyData& c) -> LRESULT {
        if (c.dwData == kMapCmdRegister) {
            return 7;
        }
        if (c.Code() == kMapCmdVersion) {
            return 621;
        }
        fresh = std::make_unique<FakePeer>();
        fresh->regIds = {8};
        fresh->answers[20110] = {5};
        DestroyWindow(old->window.Hwnd());
        return -1;
    });
    INT64 result = 0;
    EXPECT_EQ(MapApiSendCmd(&g_MapApiLink, 20110, nullptr, 0, &result, 0), 0);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(g_MapApiLink.m_nRegId, 8u);
    const auto resent = fresh->window.ReceivedOf(20110);
    ASSERT_EQ(resent.size(), 1u);
    EXPECT_EQ(resent[0].dwData >> 16, 8u);
    EXPECT_EQ(result, 5);
}

TEST_F(Transport, TimeOutRoadReturnsZeroOneOrMinusOne) {
    FakePeer peer;
    peer.answers[20401] = {-7};
    INT64 result = 77;
    EXPECT_EQ(MapApiSendCmd(&g_MapApiLink, 20401, nullptr, 0, &result, 1), kMapDelivered);
    EXPECT_EQ(result, -7);  // the sign is not examined on this road
    EXPECT_EQ(g_MapApiLink.m_nRegId, 7u);

    platform::SetSendTimesOut(peer.window.Hwnd(), true);
    result = 77;
    EXPECT_EQ(MapApiSendCmd(&g_MapApiLink, 20401, nullptr, 0, &result, 1), 0);
    EXPECT_EQ(result, 77);
    EXPECT_EQ(peer.Count(20401), 1u);
    platform::PumpMessages();  // the late delivery
    EXPECT_EQ(peer.Count(20401), 2u);
    platform::SetSendTimesOut(peer.window.Hwnd(), false);

    // The map application has gone meanwhile.
    peer.window.Destroy();
    EXPECT_EQ(MapApiSendCmd(&g_MapApiLink, 20401, nullptr, 0, &result, 1), kMapNoWindow);
}

TEST_F(Transport, NoWindowClearsTheRegistration) {
    g_MapApiLink.m_nRegId = 5;
    g_MapApiLink.m_nVersion = 700;
    INT64 result = 3;
    EXPECT_EQ(MapApiSendCmd(&g_MapApiLink, 20202, nullptr, 0, &result, 0), kMapNoWindow);
    EXPECT_EQ(g_MapApiLink.m_nRegId, 0u);
    EXPECT_EQ(g_MapApiLink.m_nVersion, 0);
    EXPECT_EQ(result, 3);
}

TEST_F(Transport, NestedAnswersArriveBeforeTheSendReturns) {
    // The map application answers by sending to the plug-in's window while our send waits.
    std::vector<DWORD> seenByHiddenWindow;
    RecordingWindow hidden(u"TarnArxWin", [&](const CopyData& c) {
        seenByHiddenWindow.push_back(c.Code());
        return 0;
    });
    FakePeer peer;
    peer.window.SetAnswer([&](const CopyData& c) -> LRESULT {
        if (c.dwData == kMapCmdRegister) {
            return 3;
        }
        if (c.Code() == kMapCmdVersion) {
            return 700;
        }
        COPYDATASTRUCT answer = {c.dwData, 4, const_cast<char*>("abcd")};
        SendMessageW(FindWindowW(u"TarnArxWin", nullptr), WM_COPYDATA, 1001,
                     reinterpret_cast<LPARAM>(&answer));
        EXPECT_EQ(seenByHiddenWindow.size(), 1u);
        return 0;
    });
    EXPECT_EQ(MapApiSendCmd(&g_MapApiLink, 20202, nullptr, 0, nullptr, 0), 0);
    ASSERT_EQ(seenByHiddenWindow.size(), 1u);
    EXPECT_EQ(seenByHiddenWindow[0], 20202u);
    EXPECT_EQ(hidden.Received()[0].payload, (linktest::Bytes{'a', 'b', 'c', 'd'}));
}

TEST_F(Transport, StandAloneSenderRaisesTheWindowAndRegistersAgainOnceOnANegativeAnswer) {
    EXPECT_EQ(SendMapAppRequest(20001, nullptr, 0), 0);  // no map application: 0

    FakePeer peer;
    peer.regIds = {7};
    peer.answers[20001] = {-1, 42};
    ShowWindow(peer.window.Hwnd(), SW_MINIMIZE);
    RecordingWindow other(u"SomethingElse", nullptr);
    BringWindowToTop(other.Hwnd());
    EXPECT_EQ(SendMapAppRequest(20001, nullptr, 0), 42);
    EXPECT_FALSE(IsIconic(peer.window.Hwnd()));  // shown maximised
    EXPECT_EQ(platform::TopWindow(), peer.window.Hwnd());
    const auto regs = peer.window.ReceivedOf(kMapCmdRegister);
    ASSERT_EQ(regs.size(), 1u);
    EXPECT_EQ(regs[0].dwData, kMapCmdRegister);
    EXPECT_EQ(regs[0].payload.size(), 22u);  // "TarnArxWin" with its NUL
    const auto sends = peer.window.ReceivedOf(20001);
    ASSERT_EQ(sends.size(), 2u);
    EXPECT_EQ(static_cast<DWORD>(sends[1].dwData) >> 16, 7u);

    // Other codes leave the window where it is; its own registration is kept, the link's untouched.
    BringWindowToTop(other.Hwnd());
    EXPECT_EQ(SendMapAppRequest(20202, nullptr, 0), 0);
    EXPECT_EQ(platform::TopWindow(), other.Hwnd());
    EXPECT_EQ(static_cast<DWORD>(peer.window.ReceivedOf(20202).at(0).dwData) >> 16, 7u);
    EXPECT_EQ(peer.window.ReceivedOf(kMapCmdRegister).size(), 1u);
    EXPECT_EQ(g_MapApiLink.m_nRegId, 0u);
    // 20005 raises it as 20001 does.
    EXPECT_EQ(SendMapAppRequest(20005, nullptr, 0), 0);
    EXPECT_EQ(platform::TopWindow(), peer.window.Hwnd());
}

TEST_F(Transport, ShowApiErrorShowsTheTableTextsForNegativeCodesOnly) {
    const std::pair<int, const char16_t*> table[] = {
        {-1, u"没有找到Zavrel地图程序窗口"},
        {-2, u"向Zavrel地图程序注册失败"},
        {-3, u"Zavrel地图程序版本太低"},
        {-4, u"参数非法"},
        {-5, u"未知错误"},
        {-6, u"消息处理失败"},
        {-7, u"未知错误"},
        {-8, u"未知错误"},
        {-99, u"未知错误"},
    };
    platform::ScriptedUiDriver ui;
    for (const auto& [code, text] : table) {
        ui.ExpectMessageBox(text, IDOK);
    }
    platform::SetUiDriver(&ui);
    for (const auto& [code, text] : table) {
        ShowApiError(code);
    }
    ShowApiError(0);
    ShowApiError(5);
    std::string report;
    EXPECT_TRUE(ui.Verify(&report)) << report;
    const auto& events = platform::UiTranscript();
    ASSERT_EQ(events.size(), std::size(table));
    for (size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(events[i].text, table[i].second);
        EXPECT_EQ(events[i].type & MB_TYPEMASK, MB_OK);
    }
    platform::SetUiDriver(nullptr);
}

}  // namespace
