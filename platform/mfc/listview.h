// The list-view control ("SysListView32") in report view, headless: columns with captions and widths, rows
// of cell texts, per-row state bits and the extended styles; rows are 16 pixels high under a 20-pixel
// header, so a cell's rectangle follows from its row and the column widths. The list tells its parent of
// clicks with WM_NOTIFY (NM_CLICK, NM_DBLCLK carrying the row and column hit), as the UI driver's user
// makes them.
#pragma once

#include <string>
#include <vector>

#include "platform/mfc/afxwnd.h"

#define LVS_REPORT 0x0001
#define LVS_SHOWSELALWAYS 0x0008
#define LVS_EX_GRIDLINES 0x00000001
#define LVS_EX_FULLROWSELECT 0x00000020
#define LVCFMT_LEFT 0x0000
#define LVCF_FMT 0x0001
#define LVCF_WIDTH 0x0002
#define LVCF_TEXT 0x0004
#define LVCF_SUBITEM 0x0008
#define LVIF_TEXT 0x0001
#define LVIF_STATE 0x0008
#define LVIS_FOCUSED 0x0001
#define LVIS_SELECTED 0x0002
#define LVIR_BOUNDS 0
#define LVIR_LABEL 2

#define LVM_FIRST 0x1000
#define LVM_GETITEMCOUNT (LVM_FIRST + 4)
#define LVM_DELETEALLITEMS (LVM_FIRST + 9)
#define LVM_GETCOLUMNWIDTH (LVM_FIRST + 29)
#define LVM_SETITEMSTATE (LVM_FIRST + 43)
#define LVM_GETITEMSTATE (LVM_FIRST + 44)
#define LVM_SETEXTENDEDLISTVIEWSTYLE (LVM_FIRST + 54)
#define LVM_GETEXTENDEDLISTVIEWSTYLE (LVM_FIRST + 55)
#define LVM_GETSUBITEMRECT (LVM_FIRST + 56)
#define LVM_INSERTITEMW (LVM_FIRST + 77)
#define LVM_INSERTCOLUMNW (LVM_FIRST + 97)
#define LVM_GETITEMTEXTW (LVM_FIRST + 115)
#define LVM_SETITEMTEXTW (LVM_FIRST + 116)

#define NM_CLICK (0U - 2U)
#define NM_DBLCLK (0U - 3U)

struct LVCOLUMNW {
    UINT mask;
    int fmt;
    int cx;
    LPWSTR pszText;
    int cchTextMax;
    int iSubItem;
};

struct LVITEMW {
    UINT mask;
    int iItem;
    int iSubItem;
    UINT state;
    UINT stateMask;
    LPWSTR pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
};

struct NMITEMACTIVATE {
    NMHDR hdr;
    int iItem;
    int iSubItem;
    UINT uNewState;
    UINT uOldState;
    UINT uChanged;
    POINT ptAction;
    LPARAM lParam;
    UINT uKeyFlags;
};
typedef NMITEMACTIVATE* LPNMITEMACTIVATE;

class CListCtrl : public CWnd {
    DECLARE_DYNAMIC(CListCtrl)
public:
    int InsertColumn(int column, LPCTSTR heading, int format = LVCFMT_LEFT, int width = -1, int subItem = -1);
    int InsertItem(int item, LPCTSTR text);
    BOOL SetItemText(int item, int subItem, LPCTSTR text);
    CString GetItemText(int item, int subItem) const;
    // Into the buffer, cut to capacity - 1 characters; the length copied.
    int GetItemText(int item, int subItem, LPTSTR buffer, int capacity) const;
    int GetItemCount() const;
    BOOL DeleteAllItems();
    DWORD SetExtendedStyle(DWORD styles);
    DWORD GetExtendedStyle() const;
    // The cell's rectangle in the list's client coordinates; false for a row or column that is not there.
    BOOL GetSubItemRect(int item, int subItem, int area, RECT& rect) const;
    BOOL SetItemState(int item, UINT state, UINT mask);
    UINT GetItemState(int item, UINT mask) const;
    int GetColumnWidth(int column) const;
};

namespace platform {

// What a list view holds, for the UI driver and tests: its column captions and widths, and its rows.
struct ListViewColumn {
    std::u16string caption;
    int width = 0;
};
std::vector<ListViewColumn> ListViewColumns(HWND list);
std::vector<std::vector<std::u16string>> ListViewRows(HWND list);

}  // namespace platform
