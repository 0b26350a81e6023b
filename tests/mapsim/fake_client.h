// A small stand-in for the plug-in's hidden window "TarnArxWin": it sends requests to "tarnWin" the way the
// link does and records every message it gets back, noting whether it came while its own send was running.
#pragma once

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "mapsim/mapsim.h"
#include "platform/win32/bus/bus_hooks.h"

namespace mapsimtest {

using mapsim::Bytes;

struct Received {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    uint16_t code = 0;
    uint16_t regId = 0;
    Bytes payload;
    bool duringSend = false;
};

class FakeClient {
public:
    FakeClient() {
        current = this;
        WNDCLASSW existing{};
        if (!GetClassInfoW(nullptr, u"TarnArxWin", &existing)) {
            WNDCLASSW wc{};
            wc.lpfnWndProc = &FakeClient::Proc;
            wc.lpszClassName = u"TarnArxWin";
            RegisterClassW(&wc);
        }
        hwnd = CreateWindowExW(0, u"TarnArxWin", u"DialogMODELESS", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                               nullptr);
    }
    ~FakeClient() {
        if (IsWindow(hwnd)) {
            DestroyWindow(hwnd);
        }
        current = nullptr;
    }

    // Sends a request as the link does: dwData = sign-extended (id << 16) | code, wParam 1001. With a
    // time-out, SendMessageTimeoutW; *ok tells whether it succeeded.
    LRESULT Send(uint16_t code, const Bytes& payload, uint16_t regId, UINT timeoutMs = 0,
                 bool* ok = nullptr) {
        COPYDATASTRUCT cds{};
        const auto low = static_cast<int32_t>((static_cast<uint32_t>(regId) << 16) | code);
        cds.dwData = static_cast<ULONG_PTR>(static_cast<intptr_t>(low));
        Bytes copy = payload;
        cds.cbData = static_cast<DWORD>(copy.size());
        cds.lpData = copy.empty() ? nullptr : copy.data();
        HWND target = FindWindowW(u"tarnWin", nullptr);
        ++sendDepth;
        LRESULT result = 0;
        if (timeoutMs > 0) {
            DWORD_PTR answer = 0;
            const LRESULT sent = SendMessageTimeoutW(
                target, WM_COPYDATA, 1001, reinterpret_cast<LPARAM>(&cds), SMTO_NORMAL, timeoutMs, &answer);
            if (ok != nullptr) {
                *ok = sent != 0;
            }
            result = static_cast<LRESULT>(answer);
        } else {
            result = SendMessageW(target, WM_COPYDATA, 1001, reinterpret_cast<LPARAM>(&cds));
        }
        --sendDepth;
        return result;
    }

    // Registers as "TarnArxWin" (request 20000 with the bare code) and returns the id.
    uint16_t Register() {
        const std::u16string name = u"TarnArxWin";
        Bytes payload((name.size() + 1) * 2, 0);
        std::memcpy(payload.data(), name.data(), name.size() * 2);
        return static_cast<uint16_t>(Send(20000, payload, 0));
    }

    std::vector<Received> Of(uint16_t code) const {
        std::vector<Received> found;
        for (const Received& r : received) {
            if (r.message == WM_COPYDATA && r.code == code) {
                found.push_back(r);
            }
        }
        return found;
    }

    HWND hwnd = nullptr;
    int sendDepth = 0;
    std::vector<Received> received;
    std::function<LRESULT(const Received&)> onMessage;  // runs inside the window procedure
    static inline FakeClient* current = nullptr;

private:
    static LRESULT Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        FakeClient* self = current;
        if (self == nullptr || message == WM_CREATE || message == WM_DESTROY || message == WM_NCDESTROY) {
            return DefWindowProcW(hwnd, message, wParam, lParam);
        }
        Received r;
        r.message = message;
        r.wParam = wParam;
        r.lParam = lParam;
        r.duringSend = self->sendDepth > 0;
        if (message == WM_COPYDATA) {
            const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            const auto low = static_cast<uint32_t>(cds->dwData);
            r.code = static_cast<uint16_t>(low & 0xFFFF);
            r.regId = static_cast<uint16_t>(low >> 16);
            if (cds->cbData > 0) {
                const auto* data = static_cast<const uint8_t*>(cds->lpData);
                r.payload.assign(data, data + cds->cbData);
            }
        }
        self->received.push_back(r);
        return self->onMessage ? self->onMessage(r) : 0;
    }
};

// A request that starts with the 16-byte header (marker 101) and is `size` bytes long.
inline Bytes WithHeader(size_t size, uint8_t type = 0, uint32_t parent = 0, uint32_t object = 0,
                        uint32_t value = 0) {
    Bytes bytes(size, 0);
    mapsim::Put<uint16_t>(bytes, 0, 101);
    mapsim::Put<uint8_t>(bytes, 2, type);
    mapsim::Put<uint32_t>(bytes, 4, parent);
    mapsim::Put<uint32_t>(bytes, 8, object);
    mapsim::Put<uint32_t>(bytes, 12, value);
    return bytes;
}

// A serialised track: fixed 200, text length, text, zero pad to a multiple of 8, 48-byte points.
inline Bytes Track(const std::string& name, const std::string& text, int points) {
    Bytes bytes(200, 0);
    mapsim::PutText(bytes, 0, 100, name);
    mapsim::Put<int32_t>(bytes, 120, points);
    mapsim::Put<uint8_t>(bytes, 124, 2);
    mapsim::Put<uint32_t>(bytes, 200, static_cast<uint32_t>(text.size()));
    mapsim::PutBytes(bytes, 204, text.data(), text.size());
    bytes.resize((204 + text.size() + 7) / 8 * 8, 0);
    for (int i = 0; i < points; ++i) {
        const size_t at = bytes.size();
        mapsim::Put<double>(bytes, at, 100.0 + i);      // y
        mapsim::Put<double>(bytes, at + 8, 200.0 + i);  // x
        bytes.resize(at + 48, 0);
    }
    return bytes;
}

}  // namespace mapsimtest
