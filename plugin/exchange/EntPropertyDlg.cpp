#include "plugin/exchange/EntPropertyDlg.h"

#include <memory>

#include "plugin/core/MessageWindow.h"
#include "plugin/exchange/DocLockOps.h"
#include "plugin/res/dlg_entproperty.h"

namespace {

constexpr const char16_t* kShowAsText = u"显示为文本";  // the caption while the list shows
constexpr const char16_t* kShowAsList = u"显示为列表";  // the caption while the text shows
constexpr int kValueColumn = 1;
constexpr int kInsetX = 6;  // from the list's place in the dialog window to the in-place edit's
constexpr int kInsetY = 6;
constexpr int kCaretWidth = 1;
constexpr int kCaretShorter = 5;  // than the cell

CString TextOf(const CWnd& window) {
    CString text;
    window.GetWindowText(text);
    return text;
}

}  // namespace

IMPLEMENT_DYNAMIC(CEntPropertyDlg, CAcUiDialog)

BEGIN_MESSAGE_MAP(CEntPropertyDlg, CAcUiDialog)
ON_MESSAGE(WM_ACAD_KEEPFOCUS, &CEntPropertyDlg::OnAcadKeepFocus)
ON_BN_CLICKED(IDC_PROP_TOGGLE, &CEntPropertyDlg::OnBnClickedToggle)
ON_BN_CLICKED(IDOK, &CEntPropertyDlg::OnBnClickedOk)
ON_BN_CLICKED(IDCANCEL, &CEntPropertyDlg::OnBnClickedCancel)
ON_NOTIFY(NM_CLICK, IDC_PROP_LIST, &CEntPropertyDlg::OnNMClickList)
ON_NOTIFY(NM_DBLCLK, IDC_PROP_LIST, &CEntPropertyDlg::OnNMDblclkList)
ON_EN_KILLFOCUS(IDC_PROP_CELL_EDIT, &CEntPropertyDlg::OnEnKillfocusEdit)
END_MESSAGE_MAP()

CEntPropertyDlg::CEntPropertyDlg(CWnd* parent) : CAcUiDialog(IDD_ENT_PROPERTY, parent) {}

void CEntPropertyDlg::DoDataExchange(CDataExchange* dx) {
    CAcUiDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_PROP_NAME, m_editName);
    DDX_Control(dx, IDC_PROP_TOGGLE, m_btnToggle);
    DDX_Control(dx, IDC_PROP_REMARK, m_editRemark);
    DDX_Control(dx, IDC_PROP_LIST, m_list);
    DDX_Control(dx, IDC_PROP_CELL_EDIT, m_editCell);
    DDX_Control(dx, IDC_PROP_HINT, m_hint);
}

BOOL CEntPropertyDlg::OnInitDialog() {
    CAcUiDialog::OnInitDialog();
    // Without an entity, or without a drawing's tables to own its binding, there is nothing to show.
    if (m_pEntity == nullptr || CurrentDocState() == nullptr) {
        EndDialog(IDCANCEL);
        return FALSE;
    }
    m_pBinding = ReadBindingUnderDocLock(m_pEntity);
    if (m_pBinding == nullptr) {
        EndDialog(IDCANCEL);
        return FALSE;
    }
    // A member of a point set or a multi-part track is bound to the group's map object: that object's name
    // and remark are shown and edited.
    if (m_pBinding->m_groupMember != 0 && m_pBinding->m_mapId != 0) {
        CDocSyncState* state = CurrentDocState();
        CMapObjLink* group = state->m_pointGroups.Find(m_pBinding->m_mapId);
        if (group == nullptr) {
            group = state->m_trackGroups.Find(m_pBinding->m_mapId);
        }
        if (group != nullptr && group->m_record != nullptr) {
            m_pGroup = group;
            m_pBinding = group->m_record;
        }
    }
    m_strOldName = m_pBinding->m_name;
    m_strOldRemark = m_pBinding->m_remark;
    m_editName.SetWindowText(m_strOldName);
    m_editRemark.SetWindowText(m_strOldRemark);
    SetWindowText(m_pEntity->isA()->name());

    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    m_list.InsertColumn(0, u"属性", LVCFMT_LEFT, 80);
    m_list.InsertColumn(1, u"内容", LVCFMT_LEFT, 100);
    m_editCell.ShowWindow(SW_HIDE);

    if (!CPropertyText::IsTagged(m_strOldRemark)) {
        // Plain text: only the remark edit; it cannot become a list.
        m_btnToggle.SetWindowText(kShowAsList);
        m_btnToggle.ShowWindow(SW_HIDE);
        m_list.ShowWindow(SW_HIDE);
        m_hint.ShowWindow(SW_HIDE);
        return TRUE;
    }
    ShowAsList();
    return TRUE;
}

LRESULT CEntPropertyDlg::OnAcadKeepFocus(WPARAM, LPARAM) {
    return TRUE;
}

bool CEntPropertyDlg::ListShown() const {
    return TextOf(m_btnToggle) == kShowAsText;
}

void CEntPropertyDlg::ShowAsList() {
    const CString text = TextOf(m_editRemark);
    m_editRemark.ShowWindow(SW_HIDE);
    m_text.Parse(text);
    m_list.DeleteAllItems();
    int index = 0;
    for (const CPropertyText::Row& row : m_text.Rows()) {
        m_list.InsertItem(index, row.m_name);
        m_list.SetItemText(index, kValueColumn, row.m_value);
        ++index;
    }
    m_list.ShowWindow(SW_SHOW);
    m_hint.ShowWindow(SW_SHOW);
}

CString CEntPropertyDlg::ListToText(bool show) {
    const CString text = m_text.Text();
    if (show) {
        m_editRemark.SetWindowText(text);
        m_editRemark.ShowWindow(SW_SHOW);
        m_list.ShowWindow(SW_HIDE);
        m_hint.ShowWindow(SW_HIDE);
        m_editCell.ShowWindow(SW_HIDE);
        m_nRow = -1;
    }
    return text;
}

void CEntPropertyDlg::OnBnClickedToggle() {
    if (!ListShown()) {
        m_btnToggle.SetWindowText(kShowAsText);
        ShowAsList();
    } else {
        m_btnToggle.SetWindowText(kShowAsList);
        ListToText(true);
    }
}

void CEntPropertyDlg::OnBnClickedOk() {
    const CString remark = ListShown() ? ListToText(false) : TextOf(m_editRemark);
    const CString name = TextOf(m_editName);
    if (name == m_strOldName && remark == m_strOldRemark) {
        EndDialog(IDCANCEL);
        return;
    }
    // The binding changes only now, so that a cancel leaves it as it was; its link is written at the next
    // save.
    m_pBinding->m_name = name;
    m_pBinding->m_remark = remark;
    m_pBinding->m_saved = 0;
    // Every member's link carries the group's name and remark, so that they come back with the drawing.
    if (m_pGroup != nullptr) {
        if (CDocSyncState* state = CurrentDocState()) {
            for (uint64_t key : m_pGroup->m_keys) {
                if (CBindingRecord* member = state->m_bindings.FindBinding(key)) {
                    member->m_name = name;
                    member->m_remark = remark;
                    member->m_saved = 0;
                }
            }
        }
    }
    EndDialog(IDOK);
}

void CEntPropertyDlg::OnBnClickedCancel() {
    EndDialog(IDCANCEL);
}

void CEntPropertyDlg::OnNMClickList(NMHDR*, LRESULT* result) {
    *result = 0;
}

void CEntPropertyDlg::OnNMDblclkList(NMHDR* header, LRESULT* result) {
    *result = 0;
    const auto* hit = reinterpret_cast<const NMITEMACTIVATE*>(header);
    if (hit->iItem < 0 || hit->iItem >= m_list.GetItemCount() || hit->iSubItem != kValueColumn) {
        return;
    }
    m_nRow = hit->iItem;
    m_nColumn = hit->iSubItem;
    RECT cell{};
    m_list.GetSubItemRect(m_nRow, m_nColumn, LVIR_LABEL, cell);
    RECT list{};
    RECT dialog{};
    m_list.GetWindowRect(&list);
    GetWindowRect(&dialog);
    const int x = cell.left + (list.left - dialog.left) - kInsetX;
    const int y = cell.top + (list.top - dialog.top) - kInsetY - GetSystemMetrics(SM_CYSIZE);
    m_editCell.MoveWindow(x, y, cell.right - cell.left, cell.bottom - cell.top);
    m_editCell.SetWindowText(m_list.GetItemText(m_nRow, m_nColumn));
    m_editCell.ShowWindow(SW_SHOW);
    m_editCell.SetFocus();
    m_editCell.CreateSolidCaret(kCaretWidth, (cell.bottom - cell.top) - kCaretShorter);
    m_editCell.ShowCaret();
    m_list.SetItemState(-1, 0, LVIS_SELECTED);
}

void CEntPropertyDlg::OnEnKillfocusEdit() {
    if (m_nRow < 0) {
        return;
    }
    const CString text = TextOf(m_editCell);
    m_list.SetItemText(m_nRow, m_nColumn, text);
    m_text.SetCell(m_nRow, text);
    m_editCell.ShowWindow(SW_HIDE);
    m_nRow = -1;
}
