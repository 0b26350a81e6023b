#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bus_test_util.h"
#include "platform/win32/bus/bus_hooks.h"
#include "platform/win32/core/clock.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

namespace {

using bustest::MakeWindow;
using bustest::PayloadOf;
using bustest::SendCopyData;

class Bus : public ::testing::Test {
protected:
    void SetUp() override { bustest::Handlers().clear(); }
    std::vector<std::string> log;
};

TEST_F(Bus, SendAnsweredByNestedSendsTwoAndThreeLevelsDeep) {
    HWND plugin = nullptr;
    HWND mapApp = nullptr;
    plugin = MakeWindow(u"TarnArxWin", u"", [&](HWND, UINT m, WPARAM, LPARAM l) -> LRESULT {
        if (m != WM_COPYDATA) {
            return 0;
        }
        const std::string text = PayloadOf(l);
        log.push_back("plugin got " + text);
        if (text == "answer-1") {
            // Third level: the plug-in asks again while both sends are still waiting.
            const LRESULT r = SendCopyData(mapApp, 2, "again");
            log.push_back("plugin again -> " + std::to_string(r));
        }
        return 7;
    });
    mapApp = MakeWindow(u"tarnWin", u"Tarn", [&](HWND, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m != WM_COPYDATA) {
            return 0;
        }
        const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(l);
        const std::string text = PayloadOf(l);
        log.push_back("map got " + text + " code " + std::to_string(cds->dwData) + " w " + std::to_string(w));
        if (text == "again") {
            return 3;
        }
        const LRESULT r = SendCopyData(plugin, 9, text == "deep" ? "answer-1" : "answer");
        return 40 + r;
    });

    EXPECT_EQ(SendCopyData(mapApp, 20000, "hello"), 47);
    EXPECT_EQ(log, (std::vector<std::string>{"map got hello code 20000 w 1001", "plugin got answer"}));

    log.clear();
    EXPECT_EQ(SendCopyData(mapApp, 1, "deep"), 47);
    EXPECT_EQ(log, (std::vector<std::string>{"map got deep code 1 w 1001", "plugin got answer-1",
                                             "map got again code 2 w 1001", "plugin again -> 3"}));
}

TEST_F(Bus, CopyDataPayloadIsACopyFreedWhenTheSendReturns) {
    const COPYDATASTRUCT* keptCds = nullptr;
    const void* keptData = nullptr;
    std::string seen;
    HWND target = MakeWindow(u"tarnWin", u"", [&](HWND, UINT, WPARAM, LPARAM l) -> LRESULT {
        auto* cds = reinterpret_cast<COPYDATASTRUCT*>(l);
        keptCds = cds;
        keptData = cds->lpData;
        seen = PayloadOf(l);
        if (cds->lpData != nullptr) {
            static_cast<char*>(cds->lpData)[0] = 'X';  // the receiver's copy, not the sender's buffer
        }
        return 1;
    });

    std::string bytes("abc\0def", 7);
    COPYDATASTRUCT cds{5, 7, bytes.data()};
    EXPECT_EQ(SendMessageW(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds)), 1);
    EXPECT_EQ(seen, std::string("abc\0def", 7));
    EXPECT_EQ(bytes, std::string("abc\0def", 7));
    EXPECT_NE(keptCds, &cds);
    EXPECT_NE(keptData, bytes.data());
#if defined(__SANITIZE_ADDRESS__)
    // A reader that kept either pointer past the call would read freed memory.
    EXPECT_TRUE(__asan_address_is_poisoned(keptCds));
    EXPECT_TRUE(__asan_address_is_poisoned(keptData));
    EXPECT_DEATH((void)*static_cast<const volatile char*>(keptData), "heap-use-after-free");
#endif

    COPYDATASTRUCT empty{5, 0, bytes.data()};
    EXPECT_EQ(SendMessageW(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&empty)), 1);
    EXPECT_EQ(keptData, nullptr);

    // A length without bytes is refused before the receiver could read it.
    seen = "untouched";
    COPYDATASTRUCT lying{5, 16, nullptr};
    EXPECT_EQ(SendMessageW(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&lying)), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(seen, "untouched");
}

TEST_F(Bus, PostedMessagesAndTimersRunOnlyFromThePump) {
    HWND peer = nullptr;
    HWND self = MakeWindow(u"TarnArxWin", u"", [&](HWND h, UINT m, WPARAM w, LPARAM) -> LRESULT {
        if (m == WM_APP + 1) {
            log.push_back("post");
        } else if (m == WM_TIMER) {
            log.push_back("timer " + std::to_string(w));
            KillTimer(h, w);
        } else if (m == WM_USER) {
            log.push_back("answer");
        }
        return 0;
    });
    bool modal = false;
    peer = MakeWindow(u"tarnWin", u"", [&](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
        if (m == WM_USER) {
            SendMessageW(self, WM_USER, 0, 0);
            if (modal) {
                log.push_back("modal pumped " + std::to_string(platform::PumpMessages()));
            }
        }
        return 0;
    });

    ASSERT_NE(SetTimer(self, 4, 100, nullptr), 0u);
    ASSERT_TRUE(PostMessageW(self, WM_APP + 1, 0, 0));
    platform::clock::SetVirtualNowMs(500);  // the timer is due, but nobody pumps
    SendMessageW(peer, WM_USER, 0, 0);
    EXPECT_EQ(log, std::vector<std::string>{"answer"});
    EXPECT_TRUE(platform::HasPendingMessages());

    EXPECT_EQ(platform::PumpMessages(), 2);
    EXPECT_EQ(log, (std::vector<std::string>{"answer", "post", "timer 4"}));

    // A modal loop inside a handler is a pump of its own and does deliver.
    log.clear();
    modal = true;
    SetTimer(self, 5, 100, nullptr);
    PostMessageW(self, WM_APP + 1, 0, 0);
    platform::clock::SetVirtualNowMs(700);
    SendMessageW(peer, WM_USER, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"answer", "post", "timer 5", "modal pumped 2"}));
}

TEST_F(Bus, SendTimeoutModeDeliversLateAndDropsTheResult) {
    HWND plugin = MakeWindow(u"TarnArxWin", u"", [&](HWND, UINT m, WPARAM, LPARAM l) -> LRESULT {
        if (m == WM_COPYDATA) {
            log.push_back("plugin got " + PayloadOf(l));
        }
        return 0;
    });
    const void* kept = nullptr;
    HWND mapApp = MakeWindow(u"tarnWin", u"", [&](HWND, UINT m, WPARAM, LPARAM l) -> LRESULT {
        if (m == WM_COPYDATA) {
            kept = reinterpret_cast<const COPYDATASTRUCT*>(l)->lpData;
            log.push_back("map got " + PayloadOf(l));
            SendCopyData(plugin, 1, "reply");
        }
        return 99;
    });

    platform::SetSendTimesOut(mapApp, true);
    {
        std::string bytes = "request";
        COPYDATASTRUCT cds{20401, 7, bytes.data()};
        DWORD_PTR result = 12345;
        SetLastError(0);
        EXPECT_EQ(SendMessageTimeoutW(mapApp, WM_COPYDATA, 1001, reinterpret_cast<LPARAM>(&cds), SMTO_NORMAL,
                                      1, &result),
                  0);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
        EXPECT_EQ(result, 0u);
        bytes.assign("clobber");  // the sender's buffer may change or go away before the late delivery
    }
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(SendCopyData(mapApp, 2, "plain"), 99);  // SendMessageW ignores the mode
    log.clear();

    EXPECT_EQ(platform::PumpMessages(), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"map got request", "plugin got reply"}));
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_TRUE(__asan_address_is_poisoned(kept));
#endif

    platform::SetSendTimesOut(mapApp, false);
    std::string bytes = "again";
    COPYDATASTRUCT cds{20401, 5, bytes.data()};
    DWORD_PTR result = 0;
    EXPECT_NE(SendMessageTimeoutW(mapApp, WM_COPYDATA, 1001, reinterpret_cast<LPARAM>(&cds), SMTO_NORMAL, 1,
                                  &result),
              0);
    EXPECT_EQ(result, 99u);

    // A late delivery to a window that died meanwhile is dropped; a dead target fails with 1400.
    platform::SetSendTimesOut(mapApp, true);
    SendMessageTimeoutW(mapApp, WM_USER, 0, 0, SMTO_NORMAL, 1, &result);
    DestroyWindow(mapApp);
    EXPECT_FALSE(platform::HasPendingMessages());
    EXPECT_EQ(SendMessageTimeoutW(mapApp, WM_USER, 0, 0, SMTO_NORMAL, 1, &result), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(Bus, PumpDeliversLateSendsThenPostsInOrderAndStopsARunawayPoster) {
    HWND target = MakeWindow(u"TarnArxWin", u"", [&](HWND h, UINT m, WPARAM w, LPARAM) -> LRESULT {
        log.push_back(std::to_string(m - WM_APP) + ":" + std::to_string(w));
        if (m == WM_APP + 9) {
            PostMessageW(h, WM_APP + 9, w + 1, 0);  // keeps posting to itself
        }
        return 0;
    });
    PostMessageW(target, WM_APP + 1, 1, 0);
    PostMessageW(target, WM_APP + 1, 2, 0);
    platform::SetSendTimesOut(target, true);
    SendMessageTimeoutW(target, WM_APP + 2, 3, 0, SMTO_NORMAL, 1, nullptr);
    EXPECT_EQ(platform::PumpMessages(), 3);
    EXPECT_EQ(log, (std::vector<std::string>{"2:3", "1:1", "1:2"}));

    PostMessageW(target, WM_APP + 9, 0, 0);
    EXPECT_EQ(platform::PumpMessages(), platform::kPumpCap);
    EXPECT_TRUE(platform::HasPendingMessages());
}

TEST_F(Bus, TimersFireInDueOrderOnTheVirtualClock) {
    HWND w = nullptr;
    w = MakeWindow(u"TarnArxWin", u"", [&](HWND h, UINT m, WPARAM id, LPARAM) -> LRESULT {
        if (m != WM_TIMER) {
            return 0;
        }
        log.push_back(std::to_string(id) + "@" + std::to_string(platform::clock::NowMs()));
        if (id == 3) {
            KillTimer(h, 3);  // one-shot
        } else if (id == 4) {
            SetTimer(h, 4, 250, nullptr);  // re-armed from its handler: takes the new interval
        }
        return 0;
    });
    SetTimer(w, 1, 300, nullptr);
    SetTimer(w, 2, 500, nullptr);
    SetTimer(w, 3, 200, nullptr);
    SetTimer(w, 4, 400, nullptr);
    EXPECT_EQ(platform::NextTimerDueMs(), 200);
    platform::AdvanceClock(1000);
    EXPECT_EQ(log, (std::vector<std::string>{"3@200", "1@300", "4@400", "2@500", "1@600", "4@650", "1@900",
                                             "4@900", "2@1000"}));
    EXPECT_EQ(platform::clock::NowMs(), 1000u);

    // SetTimer on an existing timer re-arms it from now; KillTimer of an unknown timer fails.
    log.clear();
    platform::AdvanceClock(50);    // now 1050; timer 1 next due at 1200
    SetTimer(w, 1, 300, nullptr);  // now due at 1350
    EXPECT_TRUE(KillTimer(w, 2));
    EXPECT_TRUE(KillTimer(w, 4));
    EXPECT_FALSE(KillTimer(w, 2));
    EXPECT_FALSE(KillTimer(w, 77));
    platform::AdvanceClock(299);
    EXPECT_TRUE(log.empty());
    platform::AdvanceClock(1);
    EXPECT_EQ(log, std::vector<std::string>{"1@1350"});

    // Timers without a window get ids of their own and call their procedure; a destroyed window's die.
    static std::vector<UINT_PTR> fired;
    fired.clear();
    const TIMERPROC proc = [](HWND h, UINT m, UINT_PTR id, DWORD) {
        if (h == nullptr && m == WM_TIMER) {
            fired.push_back(id);
        }
    };
    const UINT_PTR a = SetTimer(nullptr, 0, 100, proc);
    const UINT_PTR b = SetTimer(nullptr, 0, 100, proc);
    EXPECT_NE(a, 0u);
    EXPECT_NE(a, b);
    EXPECT_EQ(SetTimer(nullptr, a, 100, proc), a);  // names an existing one: re-armed, not a new one
    DestroyWindow(w);
    log.clear();
    platform::AdvanceClock(100);
    EXPECT_EQ(fired, (std::vector<UINT_PTR>{b, a}));  // both due at once: the one armed first fires first
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(KillTimer(nullptr, a));
    EXPECT_TRUE(KillTimer(nullptr, b));
    EXPECT_EQ(platform::NextTimerDueMs(), -1);
    EXPECT_EQ(SetTimer(w, 1, 100, nullptr), 0u);
}

// Payloads posted to a window that goes before the pump reaches them are handed to its drop hook, when it is
// destroyed and when the reset takes what is left; the reset destroys windows with their messages.
TEST_F(Bus, DroppedPostsGoToTheDropHookAndTheResetDestroysWindows) {
    int freed = 0;
    auto post = [](HWND to) {
        PostMessageW(to, WM_APP + 48, 0, reinterpret_cast<LPARAM>(new std::vector<int>{1, 2, 3}));
    };
    auto freeing = [&freed](const MSG& m) {
        if (m.message == WM_APP + 48) {
            delete reinterpret_cast<std::vector<int>*>(m.lParam);
            ++freed;
        }
    };
    HWND first = MakeWindow(u"Poster", u"first");
    platform::SetDropHook(first, freeing);
    post(first);
    post(first);
    PostMessageW(first, WM_APP + 1, 0, 0);
    DestroyWindow(first);
    EXPECT_EQ(freed, 2);
    EXPECT_EQ(platform::PumpMessages(), 0);

    freed = 0;
    HWND second = MakeWindow(u"Poster", u"second");
    HWND child = MakeWindow(u"Poster", u"child", {}, second, WS_CHILD);
    platform::SetDropHook(second, freeing);
    post(second);
    platform::ResetAll();
    EXPECT_EQ(freed, 1);
    EXPECT_FALSE(IsWindow(second));
    EXPECT_FALSE(IsWindow(child));
    EXPECT_EQ(platform::LiveWindowCount(), 0u);
}

// The reset sends WM_DESTROY and WM_NCDESTROY to a window left alive, as the platform does at the end.
LRESULT CountingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    static int* counts = nullptr;
    if (message == WM_NULL) {
        counts = reinterpret_cast<int*>(lParam);
        return 0;
    }
    if (counts != nullptr && message == WM_DESTROY) {
        ++counts[0];
    }
    if (counts != nullptr && message == WM_NCDESTROY) {
        ++counts[1];
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST_F(Bus, TheResetDestroysWindowsAsThePlatformWould) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &CountingProc;
    wc.lpszClassName = u"Counting";
    ASSERT_NE(RegisterClassW(&wc), 0);
    HWND top = CreateWindowExW(0, u"Counting", u"top", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    CreateWindowExW(0, u"Counting", u"child", WS_CHILD, 0, 0, 0, 0, top, nullptr, nullptr, nullptr);
    int counts[2] = {0, 0};
    SendMessageW(top, WM_NULL, 0, reinterpret_cast<LPARAM>(counts));
    platform::ResetAll();
    EXPECT_EQ(counts[0], 2);
    EXPECT_EQ(counts[1], 2);
    SendMessageW(top, WM_NULL, 0, 0);  // gone: nothing
    CountingProc(nullptr, WM_NULL, 0, 0);
}

}  // namespace
