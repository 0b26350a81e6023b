#include "plugin/exchange/DlgMsg.h"

#include "plugin/res/dlg_msg.h"

IMPLEMENT_DYNAMIC(CDlgMsg, CDialog)

BEGIN_MESSAGE_MAP(CDlgMsg, CDialog)
ON_BN_CLICKED(IDC_MSG_NOT_AGAIN, &CDlgMsg::OnNotAgain)
END_MESSAGE_MAP()

CDlgMsg::CDlgMsg(CWnd* parent) : CDialog(IDD_DLG_MSG, parent) {}

void CDlgMsg::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Text(dx, IDC_MSG_TEXT, m_strText);
}

BOOL CDlgMsg::OnInitDialog() {
    UpdateData(FALSE);
    return CDialog::OnInitDialog();
}

void CDlgMsg::OnNotAgain() {
    m_bNotAgain = 1;
    EndDialog(IDOK);
}
