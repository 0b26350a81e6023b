// Test windows whose procedures are lambdas: one shared procedure dispatches by handle.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/win32/bus/bus_api.h"
#include "platform/win32/bus/bus_hooks.h"
#include "platform/win32/core/testhooks.h"

namespace bustest {

using Handler = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

// The handlers capture a test's locals: they go at the end of the test, before the bus reset destroys the
// windows left (which then get the default procedure).
inline std::map<HWND, Handler>& Handlers() {
    static std::map<HWND, Handler> handlers;
    static const bool registered = [] {
        platform::LiveWindowCount();  // the bus registers its reset first, so that it runs after this one
        platform::RegisterReset("bustest.handlers", [] { handlers.clear(); });
        return true;
    }();
    (void)registered;
    return handlers;
}

inline LRESULT Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto it = Handlers().find(hwnd);
    if (it == Handlers().end()) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    const Handler handler = it->second;  // the handler may replace itself
    return handler(hwnd, message, wParam, lParam);
}

// Creates a top-level window of the class (registered on first use) and gives it the handler.
inline HWND MakeWindow(const char16_t* className, const char16_t* name, Handler handler = {},
                       HWND parent = nullptr, DWORD style = 0) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &Dispatch;
    wc.lpszClassName = className;
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(0, className, name, style, 0, 0, 0, 0, parent, nullptr, nullptr, nullptr);
    if (hwnd != nullptr && handler) {
        Handlers()[hwnd] = std::move(handler);
    }
    return hwnd;
}

inline LRESULT SendCopyData(HWND to, ULONG_PTR code, const std::string& bytes) {
    COPYDATASTRUCT cds{code, static_cast<DWORD>(bytes.size()), const_cast<char*>(bytes.data())};
    return SendMessageW(to, WM_COPYDATA, 1001, reinterpret_cast<LPARAM>(&cds));
}

inline std::string PayloadOf(LPARAM lParam) {
    const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    return cds->cbData == 0 ? std::string() : std::string(static_cast<const char*>(cds->lpData), cds->cbData);
}

}  // namespace bustest
