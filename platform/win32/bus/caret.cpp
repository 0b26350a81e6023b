// The thread's caret: its owner, its size, its place and the count of hides not yet matched by a show.
#include "platform/win32/bus/bus_hooks.h"
#include "platform/win32/bus/bus_state.h"
#include "platform/win32/core/testhooks.h"

namespace platform::bus {

namespace {

struct CaretState {
    HWND owner = nullptr;
    int width = 0;
    int height = 0;
    POINT position = {0, 0};
    int hides = 0;  // shown while 0
};

constexpr int kBorder = 1;  // what a width or height of 0 takes

CaretState& Current() {
    static CaretState* caret = [] {
        RegisterReset("bus.caret", [] { Current() = CaretState(); });
        return new CaretState();
    }();
    return *caret;
}

// Whether the call names the caret's owner (null names whoever owns it); sets the last error when not.
bool Owns(HWND hwnd) {
    const CaretState& caret = Current();
    if (caret.owner == nullptr || (hwnd != nullptr && hwnd != caret.owner)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

}  // namespace

void DropCaretOf(HWND hwnd) {
    if (hwnd != nullptr && Current().owner == hwnd) {
        Current() = CaretState();
    }
}

}  // namespace platform::bus

using platform::bus::Current;
using platform::bus::Owns;

BOOL CreateCaret(HWND hwnd, HBITMAP, int width, int height) {
    if (!platform::bus::LookupOrFail(hwnd)) {
        return FALSE;
    }
    if (width < 0 || height < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // A new caret replaces the thread's one, whoever owned it.
    platform::bus::CaretState& caret = Current();
    caret = platform::bus::CaretState();
    caret.owner = hwnd;
    caret.width = width != 0 ? width : platform::bus::kBorder;
    caret.height = height != 0 ? height : platform::bus::kBorder;
    caret.hides = 1;
    return TRUE;
}

BOOL DestroyCaret() {
    if (!Owns(nullptr)) {
        return FALSE;
    }
    Current() = platform::bus::CaretState();
    return TRUE;
}

BOOL ShowCaret(HWND hwnd) {
    if (!Owns(hwnd)) {
        return FALSE;
    }
    platform::bus::CaretState& caret = Current();
    if (caret.hides == 0) {
        return FALSE;  // already shown: a show does not bank against a later hide
    }
    --caret.hides;
    return TRUE;
}

BOOL HideCaret(HWND hwnd) {
    if (!Owns(hwnd)) {
        return FALSE;
    }
    ++Current().hides;
    return TRUE;
}

BOOL SetCaretPos(int x, int y) {
    if (!Owns(nullptr)) {
        return FALSE;
    }
    Current().position = POINT{x, y};
    return TRUE;
}

BOOL GetCaretPos(LPPOINT point) {
    if (point == nullptr || !Owns(nullptr)) {
        return FALSE;
    }
    *point = Current().position;
    return TRUE;
}

namespace platform {

CaretRecord Caret() {
    const bus::CaretState& caret = bus::Current();
    CaretRecord record;
    record.owner = caret.owner;
    record.width = caret.width;
    record.height = caret.height;
    record.position = caret.position;
    record.visible = caret.owner != nullptr && caret.hides == 0;
    return record;
}

}  // namespace platform
