// The host SDK's dialog base and pick button, headless: a CDialog and a CButton with the host's names.
#pragma once

#include "platform/mfc/afxdlg.h"

// The host asks its dialogs whether they keep the focus; an answer of TRUE keeps it.
#ifndef WM_ACAD_KEEPFOCUS
#define WM_ACAD_KEEPFOCUS (WM_USER + 0x6D01)
#endif

class CAcUiDialog : public CDialog {
    DECLARE_DYNAMIC(CAcUiDialog)
public:
    CAcUiDialog() = default;
    explicit CAcUiDialog(UINT templateId, CWnd* parent = nullptr, HINSTANCE resources = nullptr)
        : CDialog(templateId, parent), m_resources(resources) {}

    void SetDialogName(LPCTSTR name) { m_dialogName = name; }
    void SetPersistency(BOOL) {}
    void StretchControlXY(UINT, UINT, UINT) {}

    CString m_dialogName;
    HINSTANCE m_resources = nullptr;
};

class CAcUiPickButton : public CButton {
    DECLARE_DYNAMIC(CAcUiPickButton)
public:
    BOOL AutoLoad() { return TRUE; }
};
