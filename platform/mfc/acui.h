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

// Makes a module's resources the active ones while it lives (by default the module whose code constructs
// it), as the host SDK's override does around a dialog or toolbar of the application's own; the previous
// choice comes back with its end.
class CAcModuleResourceOverride {
public:
    CAcModuleResourceOverride();
    explicit CAcModuleResourceOverride(HINSTANCE resources);
    ~CAcModuleResourceOverride();
    CAcModuleResourceOverride(const CAcModuleResourceOverride&) = delete;
    CAcModuleResourceOverride& operator=(const CAcModuleResourceOverride&) = delete;

private:
    HINSTANCE m_previous;
};
