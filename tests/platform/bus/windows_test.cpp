#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bus_test_util.h"
#include "platform/win32/bus/bus_hooks.h"
#include "platform/win32/core/testhooks.h"

namespace {

using bustest::MakeWindow;

class Windows : public ::testing::Test {
protected:
    void SetUp() override { bustest::Handlers().clear(); }
    std::vector<std::string> log;
};

TEST_F(Windows, ClassesAndFindWindow) {
    HWND a = MakeWindow(u"tarnWin", u"Tarn");
    ASSERT_NE(a, nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = &bustest::Dispatch;
    wc.lpszClassName = u"TARNWIN";
    EXPECT_EQ(RegisterClassW(&wc), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));

    SetLastError(0);
    EXPECT_EQ(CreateWindowExW(0, u"NoSuchClass", u"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));

    EXPECT_EQ(FindWindowW(u"TARNWIN", nullptr), a);
    EXPECT_EQ(FindWindowW(u"tarnwin", u"Tarn"), a);
    EXPECT_EQ(FindWindowW(u"tarnWin", u"tarn"), nullptr);
    EXPECT_EQ(FindWindowW(u"Other", nullptr), nullptr);
    HWND hidden = MakeWindow(u"Other", u"", {}, HWND_MESSAGE);
    ASSERT_NE(hidden, nullptr);
    EXPECT_EQ(FindWindowW(u"Other", nullptr), nullptr);  // message-only windows are not found
    EXPECT_EQ(GetParent(hidden), nullptr);
    EXPECT_FALSE(UnregisterClassW(u"Other", nullptr));  // it still has a window
    DestroyWindow(a);
    EXPECT_EQ(FindWindowW(u"tarnWin", nullptr), nullptr);
    EXPECT_TRUE(UnregisterClassW(u"tarnwin", nullptr));

    // The dialog class is predefined; a copy under another name keeps its procedure and extra bytes.
    WNDCLASSW dialog{};
    ASSERT_TRUE(GetClassInfoW(nullptr, WC_DIALOG, &dialog));
    dialog.lpszClassName = u"TarnArxWin";
    EXPECT_NE(RegisterClassW(&dialog), 0);
    HWND dlg = CreateWindowExW(0, u"TarnArxWin", u"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(SendMessageW(dlg, WM_USER + 5, 1, 2), 0);
    EXPECT_EQ(SetWindowLongPtrW(dlg, DWLP_MSGRESULT, 42), 0);
    EXPECT_EQ(GetWindowLongPtrW(dlg, DWLP_MSGRESULT), 42);
    EXPECT_NE(CreateWindowExW(0, WC_DIALOG, u"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(Windows, RegisteredMessagesAreStablePerName) {
    const UINT id = RegisterWindowMessageW(u"TARN_API_MSG_GET_MAP_FILE_PROGRESS");
    EXPECT_GE(id, 0xC000u);
    EXPECT_LE(id, 0xFFFFu);
    EXPECT_EQ(RegisterWindowMessageW(u"tarn_api_msg_get_map_file_progress"), id);
    EXPECT_NE(RegisterWindowMessageW(u"another"), id);
    EXPECT_EQ(RegisterWindowMessageW(u""), 0u);
    EXPECT_EQ(RegisterWindowMessageW(nullptr), 0u);
    platform::ResetAll();
    EXPECT_EQ(RegisterWindowMessageW(u"TARN_API_MSG_GET_MAP_FILE_PROGRESS"), id);
}

TEST(Resets, AResetThatRegistersMoreResetsOnFirstUseLeavesTheWalkWhole) {
    // Resets run newest first; growing the list from inside one reallocates it, and every reset listed
    // before it must still run once.
    int earlier = 0;
    platform::RegisterReset("test.earlier", [&earlier] { ++earlier; });
    int runs = 0;
    platform::RegisterReset("test.grows", [&runs] {
        ++runs;
        for (int i = 0; i < 64; ++i) {
            platform::RegisterReset("test.grown." + std::to_string(i), [] {});
        }
    });
    platform::ResetAll();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(earlier, 1);
    platform::RegisterReset("test.earlier", [] {});
    platform::RegisterReset("test.grows", [] {});
}

TEST_F(Windows, DestroyWindowNotifiesAndDropsEverythingOfTheWindow) {
    HWND parent = MakeWindow(u"TarnArxWin", u"", [&](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
        if (m == WM_DESTROY || m == WM_NCDESTROY || m == WM_APP) {
            log.push_back("parent " + std::to_string(m));
        }
        return 0;
    });
    HWND child = MakeWindow(
        u"Child", u"",
        [&](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
            if (m == WM_DESTROY || m == WM_NCDESTROY) {
                log.push_back("child " + std::to_string(m));
            }
            return 0;
        },
        parent, WS_CHILD);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetParent(child), parent);
    EXPECT_EQ(platform::LiveWindowCount(), 2u);
    PostMessageW(parent, WM_APP, 0, 0);
    SetTimer(parent, 1, 100, nullptr);

    EXPECT_TRUE(DestroyWindow(parent));
    EXPECT_EQ(log, (std::vector<std::string>{"parent 2", "child 2", "child 130", "parent 130"}));
    EXPECT_EQ(platform::LiveWindowCount(), 0u);
    EXPECT_FALSE(IsWindow(parent));
    EXPECT_FALSE(IsWindow(child));
    EXPECT_FALSE(platform::HasPendingMessages());
    EXPECT_EQ(platform::NextTimerDueMs(), -1);

    SetLastError(0);
    EXPECT_EQ(SendMessageW(parent, WM_APP, 0, 0), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    SetLastError(0);
    EXPECT_FALSE(PostMessageW(parent, WM_APP, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(DestroyWindow(parent));
    EXPECT_EQ(platform::PumpMessages(), 0);
}

TEST_F(Windows, WindowDestroyedDuringItsOwnSendFinishesThatCall) {
    HWND plugin = nullptr;
    HWND mapApp = nullptr;
    const bustest::Handler mapHandler = [&](HWND h, UINT m, WPARAM, LPARAM) -> LRESULT {
        if (m == WM_USER) {
            DestroyWindow(h);  // the map application quits while answering
            log.push_back(std::string("alive ") + (IsWindow(h) ? "yes" : "no"));
            return 5;
        }
        if (m == WM_USER + 1) {
            const LRESULT r = SendMessageW(plugin, WM_USER, 0, 0);  // the plug-in destroys us meanwhile
            log.push_back("after nested " + std::to_string(r) + " found " +
                          (FindWindowW(u"tarnWin", nullptr) != nullptr ? "yes" : "no"));
            PostMessageW(h, WM_APP, 0, 0);
            return 6;
        }
        if (m == WM_DESTROY) {
            log.push_back("destroy");
        }
        return 0;
    };
    mapApp = MakeWindow(u"tarnWin", u"", mapHandler);
    plugin = MakeWindow(u"TarnArxWin", u"", [&](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
        if (m == WM_USER) {
            DestroyWindow(mapApp);
            return 8;
        }
        return 0;
    });

    EXPECT_EQ(SendMessageW(mapApp, WM_USER, 0, 0), 5);
    EXPECT_EQ(log, (std::vector<std::string>{"destroy", "alive no"}));

    log.clear();
    mapApp = MakeWindow(u"tarnWin", u"", mapHandler);
    EXPECT_EQ(SendMessageW(mapApp, WM_USER + 1, 0, 0), 6);
    EXPECT_EQ(log, (std::vector<std::string>{"destroy", "after nested 8 found no"}));
    EXPECT_EQ(platform::PumpMessages(), 0);
    EXPECT_EQ(platform::LiveWindowCount(), 1u);

    // Creation fails when WM_CREATE answers -1 or the window destroys itself there.
    static int created;
    created = 0;
    WNDCLASSW wc{};
    wc.lpszClassName = u"Refuses";
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM, LPARAM l) -> LRESULT {
        if (m == WM_CREATE) {
            ++created;
            const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(l);
            if (cs->lpCreateParams != nullptr) {
                DestroyWindow(h);
                return 0;
            }
            return -1;
        }
        return 0;
    };
    ASSERT_NE(RegisterClassW(&wc), 0);
    int param = 0;
    EXPECT_EQ(CreateWindowExW(0, u"Refuses", u"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(CreateWindowExW(0, u"Refuses", u"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, &param), nullptr);
    EXPECT_EQ(created, 2);
    EXPECT_EQ(platform::LiveWindowCount(), 1u);
}

LRESULT Subclass(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_USER) {
        return 100 +
               CallWindowProcW(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(h, GWLP_USERDATA)), h, m, w, l);
    }
    return 0;
}

TEST_F(Windows, RecordedWindowState) {
    HWND w = MakeWindow(u"TarnArxWin", u"Tarn 地图",
                        [](HWND, UINT m, WPARAM, LPARAM) -> LRESULT { return m == WM_USER ? 1 : 0; });
    const LONG_PTR original = GetWindowLongPtrW(w, GWLP_WNDPROC);
    EXPECT_EQ(SetWindowLongPtrW(w, GWLP_USERDATA, original), 0);
    EXPECT_EQ(SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Subclass)), original);
    EXPECT_EQ(SendMessageW(w, WM_USER, 0, 0), 101);

    char16_t text[5];
    EXPECT_EQ(GetWindowTextW(w, text, 5), 4);
    EXPECT_EQ(std::u16string(text), u"Tarn");
    EXPECT_EQ(GetWindowTextLengthW(w), 7);
    EXPECT_TRUE(SetWindowTextW(w, u"x"));
    EXPECT_EQ(GetWindowTextW(w, text, 5), 1);
    EXPECT_EQ(GetClassNameW(w, text, 5), 4);
    EXPECT_EQ(std::u16string(text), u"Tarn");

    EXPECT_FALSE(IsWindowVisible(w));
    EXPECT_FALSE(ShowWindow(w, SW_MINIMIZE));
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_TRUE(IsIconic(w));
    EXPECT_TRUE(ShowWindow(w, SW_MAXIMIZE));
    EXPECT_FALSE(IsIconic(w));
    EXPECT_FALSE(EnableWindow(w, FALSE));
    EXPECT_FALSE(IsWindowEnabled(w));
    EXPECT_TRUE(EnableWindow(w, TRUE));

    HWND other = MakeWindow(u"tarnWin", u"");
    EXPECT_EQ(platform::TopWindow(), other);
    EXPECT_TRUE(BringWindowToTop(w));
    EXPECT_EQ(platform::TopWindow(), w);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1080);

    // The reset leaves no window, class, timer, queued message or time-out mode behind.
    SetTimer(w, 1, 10, nullptr);
    PostMessageW(w, WM_USER, 0, 0);
    platform::SetSendTimesOut(other, true);
    platform::ResetAll();
    EXPECT_EQ(platform::LiveWindowCount(), 0u);
    EXPECT_FALSE(platform::HasPendingMessages());
    EXPECT_EQ(platform::NextTimerDueMs(), -1);
    WNDCLASSW check{};
    EXPECT_FALSE(GetClassInfoW(nullptr, u"tarnWin", &check));
    EXPECT_TRUE(GetClassInfoW(nullptr, WC_DIALOG, &check));
}

// One caret for the thread: a new one replaces the old, hidden until shown; shows and hides count; only its
// owner (or null) names it; it goes with its owner.
TEST_F(Windows, TheCaretBelongsToOneWindowAndCountsItsHides) {
    HWND a = MakeWindow(u"CaretA", u"");
    HWND b = MakeWindow(u"CaretB", u"");
    POINT at{7, 7};
    EXPECT_FALSE(GetCaretPos(&at));
    EXPECT_FALSE(ShowCaret(nullptr));
    ASSERT_TRUE(CreateCaret(a, nullptr, 1, 12));
    EXPECT_EQ(platform::Caret().owner, a);
    EXPECT_FALSE(platform::Caret().visible);
    EXPECT_FALSE(ShowCaret(b));  // not its owner
    EXPECT_TRUE(ShowCaret(a));
    EXPECT_TRUE(platform::Caret().visible);
    EXPECT_TRUE(HideCaret(nullptr));
    EXPECT_TRUE(HideCaret(a));
    EXPECT_TRUE(ShowCaret(a));
    EXPECT_FALSE(platform::Caret().visible);  // hidden twice, shown once
    EXPECT_TRUE(ShowCaret(a));
    EXPECT_TRUE(platform::Caret().visible);
    EXPECT_TRUE(SetCaretPos(3, 4));
    ASSERT_TRUE(GetCaretPos(&at));
    EXPECT_EQ(at.x, 3);
    EXPECT_EQ(at.y, 4);

    EXPECT_FALSE(CreateCaret(b, nullptr, -1, 5));
    EXPECT_EQ(platform::Caret().owner, a);
    ASSERT_TRUE(CreateCaret(b, nullptr, 0, 0));  // the border's width and height
    const platform::CaretRecord caret = platform::Caret();
    EXPECT_EQ(caret.owner, b);
    EXPECT_EQ(caret.width, 1);
    EXPECT_EQ(caret.height, 1);
    EXPECT_EQ(caret.position.x, 0);
    EXPECT_FALSE(caret.visible);
    DestroyWindow(a);
    EXPECT_EQ(platform::Caret().owner, b);
    DestroyWindow(b);
    EXPECT_EQ(platform::Caret().owner, nullptr);
    EXPECT_FALSE(DestroyCaret());
    EXPECT_FALSE(CreateCaret(b, nullptr, 1, 1));  // a window that is gone
}

}  // namespace
