// Helpers of the link tests: the plug-in's receiving window and a tiny scripted peer of class "tarnWin".
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "platform/win32/windows.h"
#include "plugin/maplink/maplink.h"

namespace linktest {

using Bytes = std::vector<BYTE>;

struct CopyData {
    ULONG_PTR dwData = 0;
    WPARAM wParam = 0;
    Bytes payload;
    DWORD Code() const { return static_cast<DWORD>(dwData & 0xFFFF); }
};

inline Bytes PayloadOf(LPARAM lParam) {
    const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (cds == nullptr || cds->cbData == 0 || cds->lpData == nullptr) {
        return {};
    }
    const auto* p = static_cast<const BYTE*>(cds->lpData);
    return Bytes(p, p + cds->cbData);
}

// A window of a given class whose WM_COPYDATA messages are recorded and answered by a function.
class RecordingWindow {
public:
    using Answer = std::function<LRESULT(const CopyData&)>;

    RecordingWindow(const char16_t* className, Answer answer) : m_answer(std::move(answer)) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = &RecordingWindow::Proc;
        wc.lpszClassName = className;
        RegisterClassW(&wc);
        m_hwnd = CreateWindowExW(0, className, className, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~RecordingWindow() {
        if (m_hwnd != nullptr && IsWindow(m_hwnd)) {
            DestroyWindow(m_hwnd);
        }
    }
    RecordingWindow(const RecordingWindow&) = delete;
    RecordingWindow& operator=(const RecordingWindow&) = delete;

    HWND Hwnd() const { return m_hwnd; }
    void Destroy() {
        DestroyWindow(m_hwnd);
        m_hwnd = nullptr;
    }
    const std::vector<CopyData>& Received() const { return m_received; }
    std::vector<CopyData> ReceivedOf(DWORD code) const {
        std::vector<CopyData> out;
        for (const CopyData& c : m_received) {
            if (c.Code() == code) {
                out.push_back(c);
            }
        }
        return out;
    }
    void SetAnswer(Answer answer) { m_answer = std::move(answer); }

private:
    static LRESULT Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<RecordingWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self == nullptr || message != WM_COPYDATA) {
            return DefWindowProcW(hwnd, message, wParam, lParam);
        }
        CopyData c;
        c.dwData = reinterpret_cast<const COPYDATASTRUCT*>(lParam)->dwData;
        c.wParam = wParam;
        c.payload = PayloadOf(lParam);
        self->m_received.push_back(c);
        return self->m_answer ? self->m_answer(c) : 0;
    }

    HWND m_hwnd = nullptr;
    Answer m_answer;
    std::vector<CopyData> m_received;
};

inline void ResetLink() {
    MapApiLinkInit(&g_MapApiLink);
    MapApiSetAppName(&g_MapApiLink, u"TarnArxWin");
}

template <class T>
T At(const Bytes& b, size_t offset) {
    T v{};
    if (offset + sizeof(T) <= b.size()) {
        std::memcpy(&v, b.data() + offset, sizeof v);
    }
    return v;
}

}  // namespace linktest
