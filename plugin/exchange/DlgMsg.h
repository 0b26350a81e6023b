// The message dialog shown after a receive: the list of ignored objects and a do-not-show-again button.
#pragma once

#include "platform/mfc/afxwin.h"

class CDlgMsg : public CDialog {
    DECLARE_DYNAMIC(CDlgMsg)
public:
    explicit CDlgMsg(CWnd* parent = nullptr);

    BYTE m_bNotAgain = 0;  // set by "不再提示"
    CString m_strText;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    afx_msg void OnNotAgain();
    DECLARE_MESSAGE_MAP()
};
