// The Yes/No hint with a do-not-show-again box, used by the map application's notices.
#pragma once

#include "platform/mfc/afxwin.h"

class CDlgHint : public CDialog {
    DECLARE_DYNAMIC(CDlgHint)
public:
    explicit CDlgHint(CWnd* parent = nullptr);

    CString m_strCaption;  // the window's caption
    int m_nNotAgain = 0;   // the do-not-show box
    CString m_strText;

    // The notices' hint: IDOK for "是", IDCANCEL otherwise; the box's state through doNotShow.
    static int ShowHint(const CString& text, int* doNotShow);

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    // Both answers keep the box as the user left it, the close box too.
    void OnOK() override;
    void OnCancel() override;
    DECLARE_MESSAGE_MAP()
};
