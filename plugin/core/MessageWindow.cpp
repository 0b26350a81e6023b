#include "plugin/core/MessageWindow.h"

CMessageWindow* g_pMessageWindow = nullptr;

CMessageWindow::CMessageWindow() {
    g_pMessageWindow = this;
}

CMessageWindow::~CMessageWindow() {
    if (g_pMessageWindow == this) {
        g_pMessageWindow = nullptr;
    }
}

HWND GetMessageWindow() {
    return g_pMessageWindow != nullptr ? g_pMessageWindow->WindowHandle() : nullptr;
}
