// The object property dialog: the name and remark of the map object bound to one entity, the remark as text
// or, when it is a tagged property text, as a two-column list whose values the user edits in place. The
// binding is written only on OK and only when something changed.
#pragma once

#include "plugin/exchange/PropertyText.h"
#include "plugin/core/SyncState.h"
#include "platform/arx/arxheaders.h"
#include "platform/mfc/acui.h"
#include "platform/mfc/listview.h"

class CEntPropertyDlg : public CAcUiDialog {
    DECLARE_DYNAMIC(CEntPropertyDlg)
public:
    explicit CEntPropertyDlg(CWnd* parent = nullptr);

    AcDbEntity* m_pEntity = nullptr;  // set by the caller, open, before the dialog runs

    BOOL OnInitDialog() override;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    afx_msg LRESULT OnAcadKeepFocus(WPARAM wParam, LPARAM lParam);
    afx_msg void OnBnClickedToggle();
    afx_msg void OnBnClickedOk();
    afx_msg void OnBnClickedCancel();
    afx_msg void OnNMClickList(NMHDR* header, LRESULT* result);
    afx_msg void OnNMDblclkList(NMHDR* header, LRESULT* result);
    afx_msg void OnEnKillfocusEdit();
    DECLARE_MESSAGE_MAP()

private:
    // The list view filled from the remark edit's text.
    void ShowAsList();
    // The text of the list (the remark as read, with the edited values in place); with show it goes into the
    // remark edit, which replaces the list.
    CString ListToText(bool show);
    bool ListShown() const;

    CString m_strOldName;
    CString m_strOldRemark;
    CBindingRecord* m_pBinding = nullptr;  // the binding table's, or the group's record for a group member
    CMapObjLink* m_pGroup = nullptr;       // the group of a member: its object is the one shown
    CEdit m_editName;
    CButton m_btnToggle;
    CEdit m_editRemark;
    CListCtrl m_list;
    CEdit m_editCell;
    CStatic m_hint;
    CPropertyText m_text;
    int m_nRow = -1;
    int m_nColumn = -1;
};
