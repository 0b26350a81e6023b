#include "plugin/core/DlgHint.h"

#include "plugin/res/dlg_hint.h"

IMPLEMENT_DYNAMIC(CDlgHint, CDialog)

BEGIN_MESSAGE_MAP(CDlgHint, CDialog)
END_MESSAGE_MAP()

CDlgHint::CDlgHint(CWnd* parent) : CDialog(IDD_DLG_HINT, parent), m_strCaption(u"更新提示") {}

int CDlgHint::ShowHint(const CString& text, int* doNotShow) {
    CDlgHint dlg;
    dlg.m_strText = text;
    dlg.m_nNotAgain = 0;
    const INT_PTR result = dlg.DoModal();
    if (doNotShow != nullptr) {
        *doNotShow = dlg.m_nNotAgain;
    }
    return result == IDOK ? IDOK : IDCANCEL;
}

void CDlgHint::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Check(dx, IDC_HINT_NOT_AGAIN, m_nNotAgain);
    DDX_Text(dx, IDC_HINT_TEXT, m_strText);
}

BOOL CDlgHint::OnInitDialog() {
    SetWindowText(m_strCaption);
    UpdateData(FALSE);
    return CDialog::OnInitDialog();
}

void CDlgHint::OnOK() {
    UpdateData(TRUE);
    CDialog::OnOK();
}

void CDlgHint::OnCancel() {
    UpdateData(TRUE);
    CDialog::OnCancel();
}
