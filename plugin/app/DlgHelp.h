// The help dialog of the settings dialog: the plug-in's version and what each function and setting does.
#pragma once

#include "platform/mfc/afxwin.h"

class CDlgHelp : public CDialog {
    DECLARE_DYNAMIC(CDlgHelp)
public:
    explicit CDlgHelp(CWnd* parent = nullptr);

    CString m_strHelp;  // shown in the text field
    CString m_strSpare;

    // The text the dialog shows, headed by the version (141 gives "V1.4.1").
    static CString HelpText(DWORD version);

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    DECLARE_MESSAGE_MAP()
};
