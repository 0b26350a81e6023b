// The list-view control in report view (see listview.h).
#include "platform/mfc/listview.h"

#include <algorithm>
#include <map>

#include "platform/mfc/mfc_internal.h"
#include "platform/win32/core/testhooks.h"

namespace {

constexpr int kHeaderHeight = 20;
constexpr int kRowHeight = 16;
constexpr int kDefaultColumnWidth = 60;

struct Row {
    std::vector<std::u16string> cells;
    UINT state = 0;
};

struct ListState {
    std::vector<platform::ListViewColumn> columns;
    std::vector<Row> rows;
    DWORD extended = 0;
};

std::map<HWND, ListState>& Lists() {
    static auto* lists = [] {
        platform::RegisterReset("mfc.listview", [] { Lists().clear(); });
        return new std::map<HWND, ListState>();
    }();
    return *lists;
}

std::u16string& Cell(Row& row, int column) {
    if (row.cells.size() <= size_t(column)) {
        row.cells.resize(size_t(column) + 1);
    }
    return row.cells[size_t(column)];
}

bool ValidRow(const ListState& list, int item) {
    return item >= 0 && size_t(item) < list.rows.size();
}

LRESULT CopyOut(const std::u16string& text, LPWSTR buffer, int capacity) {
    if (buffer == nullptr || capacity <= 0) {
        return 0;
    }
    const size_t n = std::min(text.size(), size_t(capacity - 1));
    std::copy_n(text.begin(), n, buffer);
    buffer[n] = u'\0';
    return LRESULT(n);
}

LRESULT ListMessage(ListState& list, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case LVM_INSERTCOLUMNW: {
            const auto* column = reinterpret_cast<const LVCOLUMNW*>(lParam);
            const size_t at = std::min(size_t(wParam), list.columns.size());
            platform::ListViewColumn c;
            c.caption = (column->mask & LVCF_TEXT) && column->pszText != nullptr ? column->pszText : u"";
            c.width = (column->mask & LVCF_WIDTH) && column->cx >= 0 ? column->cx : kDefaultColumnWidth;
            list.columns.insert(list.columns.begin() + long(at), c);
            return LRESULT(at);
        }
        case LVM_GETCOLUMNWIDTH:
            return wParam < list.columns.size() ? list.columns[wParam].width : 0;
        case LVM_INSERTITEMW: {
            const auto* item = reinterpret_cast<const LVITEMW*>(lParam);
            const size_t at = std::min(size_t(std::max(item->iItem, 0)), list.rows.size());
            Row row;
            Cell(row, 0) = (item->mask & LVIF_TEXT) && item->pszText != nullptr ? item->pszText : u"";
            list.rows.insert(list.rows.begin() + long(at), row);
            return LRESULT(at);
        }
        case LVM_SETITEMTEXTW: {
            const auto* item = reinterpret_cast<const LVITEMW*>(lParam);
            if (!ValidRow(list, int(wParam)) || item->iSubItem < 0) {
                return FALSE;
            }
            Cell(list.rows[wParam], item->iSubItem) = item->pszText != nullptr ? item->pszText : u"";
            return TRUE;
        }
        case LVM_GETITEMTEXTW: {
            auto* item = reinterpret_cast<LVITEMW*>(lParam);
            if (!ValidRow(list, int(wParam)) || item->iSubItem < 0) {
                return CopyOut(u"", item->pszText, item->cchTextMax);
            }
            return CopyOut(Cell(list.rows[wParam], item->iSubItem), item->pszText, item->cchTextMax);
        }
        case LVM_GETITEMCOUNT:
            return LRESULT(list.rows.size());
        case LVM_DELETEALLITEMS:
            list.rows.clear();
            return TRUE;
        case LVM_SETEXTENDEDLISTVIEWSTYLE: {
            const DWORD previous = list.extended;
            const DWORD mask = wParam != 0 ? DWORD(wParam) : ~DWORD(0);
            list.extended = (list.extended & ~mask) | (DWORD(lParam) & mask);
            return previous;
        }
        case LVM_GETEXTENDEDLISTVIEWSTYLE:
            return list.extended;
        case LVM_SETITEMSTATE: {
            const auto* item = reinterpret_cast<const LVITEMW*>(lParam);
            const auto apply = [&](Row& row) { row.state = (row.state & ~item->stateMask) | (item->state & item->stateMask); };
            if (int(wParam) == -1) {
                std::for_each(list.rows.begin(), list.rows.end(), apply);
                return TRUE;
            }
            if (!ValidRow(list, int(wParam))) {
                return FALSE;
            }
            apply(list.rows[wParam]);
            return TRUE;
        }
        case LVM_GETITEMSTATE:
            return ValidRow(list, int(wParam)) ? list.rows[wParam].state & UINT(lParam) : 0;
        case LVM_GETSUBITEMRECT: {
            auto* rect = reinterpret_cast<RECT*>(lParam);
            const int column = rect->top;
            if (!ValidRow(list, int(wParam)) || column < 0 || size_t(column) >= list.columns.size()) {
                return FALSE;
            }
            int left = 0;
            for (int i = 0; i < column; ++i) {
                left += list.columns[size_t(i)].width;
            }
            rect->left = left;
            rect->right = left + list.columns[size_t(column)].width;
            rect->top = kHeaderHeight + int(wParam) * kRowHeight;
            rect->bottom = rect->top + kRowHeight;
            return TRUE;
        }
        default:
            return 0;
    }
}

bool IsListMessage(UINT message) {
    for (UINT handled : {LVM_INSERTCOLUMNW, LVM_GETCOLUMNWIDTH, LVM_INSERTITEMW, LVM_SETITEMTEXTW, LVM_GETITEMTEXTW,
                         LVM_GETITEMCOUNT, LVM_DELETEALLITEMS, LVM_SETEXTENDEDLISTVIEWSTYLE,
                         LVM_GETEXTENDEDLISTVIEWSTYLE, LVM_SETITEMSTATE, LVM_GETITEMSTATE, LVM_GETSUBITEMRECT}) {
        if (message == handled) {
            return true;
        }
    }
    return false;
}

LRESULT ListViewProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto& lists = Lists();
    if (message == WM_CREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        lists[hwnd] = ListState{};
        platform::mfc::RecordChild(hwnd, cs->hwndParent, static_cast<int>(reinterpret_cast<INT_PTR>(cs->hMenu)));
        platform::mfc::RecordRect(hwnd, RECT{cs->x, cs->y, cs->x + cs->cx, cs->y + cs->cy});
        return 0;
    }
    if (message == WM_NCDESTROY) {
        lists.erase(hwnd);
        platform::mfc::ForgetWindow(hwnd);
        return 0;
    }
    auto it = lists.find(hwnd);
    if (it != lists.end() && IsListMessage(message)) {
        return ListMessage(it->second, message, wParam, lParam);
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageW(hwnd, message, wParam, lParam);
}

}  // namespace

IMPLEMENT_DYNAMIC(CListCtrl, CWnd)

int CListCtrl::InsertColumn(int column, LPCTSTR heading, int format, int width, int subItem) {
    LVCOLUMNW c{};
    c.mask = LVCF_FMT | LVCF_TEXT | (width >= 0 ? LVCF_WIDTH : 0) | (subItem >= 0 ? LVCF_SUBITEM : 0);
    c.fmt = format;
    c.cx = width;
    c.pszText = const_cast<LPWSTR>(heading);
    c.iSubItem = subItem;
    return int(Send(m_hWnd, LVM_INSERTCOLUMNW, WPARAM(column), reinterpret_cast<LPARAM>(&c)));
}

int CListCtrl::InsertItem(int item, LPCTSTR text) {
    LVITEMW i{};
    i.mask = LVIF_TEXT;
    i.iItem = item;
    i.pszText = const_cast<LPWSTR>(text);
    return int(Send(m_hWnd, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&i)));
}

BOOL CListCtrl::SetItemText(int item, int subItem, LPCTSTR text) {
    LVITEMW i{};
    i.iSubItem = subItem;
    i.pszText = const_cast<LPWSTR>(text);
    return BOOL(Send(m_hWnd, LVM_SETITEMTEXTW, WPARAM(item), reinterpret_cast<LPARAM>(&i)));
}

CString CListCtrl::GetItemText(int item, int subItem) const {
    const auto rows = platform::ListViewRows(m_hWnd);
    if (item < 0 || size_t(item) >= rows.size() || subItem < 0 || size_t(subItem) >= rows[size_t(item)].size()) {
        return CString();
    }
    return CString(rows[size_t(item)][size_t(subItem)]);
}

int CListCtrl::GetItemText(int item, int subItem, LPTSTR buffer, int capacity) const {
    LVITEMW i{};
    i.iSubItem = subItem;
    i.pszText = buffer;
    i.cchTextMax = capacity;
    return int(Send(m_hWnd, LVM_GETITEMTEXTW, WPARAM(item), reinterpret_cast<LPARAM>(&i)));
}

int CListCtrl::GetItemCount() const {
    return int(Send(m_hWnd, LVM_GETITEMCOUNT, 0, 0));
}

BOOL CListCtrl::DeleteAllItems() {
    return BOOL(Send(m_hWnd, LVM_DELETEALLITEMS, 0, 0));
}

DWORD CListCtrl::SetExtendedStyle(DWORD styles) {
    return DWORD(Send(m_hWnd, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LPARAM(styles)));
}

DWORD CListCtrl::GetExtendedStyle() const {
    return DWORD(Send(m_hWnd, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
}

BOOL CListCtrl::GetSubItemRect(int item, int subItem, int area, RECT& rect) const {
    rect.top = subItem;
    rect.left = area;
    return BOOL(Send(m_hWnd, LVM_GETSUBITEMRECT, WPARAM(item), reinterpret_cast<LPARAM>(&rect)));
}

BOOL CListCtrl::SetItemState(int item, UINT state, UINT mask) {
    LVITEMW i{};
    i.state = state;
    i.stateMask = mask;
    return BOOL(Send(m_hWnd, LVM_SETITEMSTATE, WPARAM(item), reinterpret_cast<LPARAM>(&i)));
}

UINT CListCtrl::GetItemState(int item, UINT mask) const {
    return UINT(Send(m_hWnd, LVM_GETITEMSTATE, WPARAM(item), LPARAM(mask)));
}

int CListCtrl::GetColumnWidth(int column) const {
    return int(Send(m_hWnd, LVM_GETCOLUMNWIDTH, WPARAM(column), 0));
}

namespace platform {

std::vector<ListViewColumn> ListViewColumns(HWND list) {
    auto it = Lists().find(list);
    return it != Lists().end() ? it->second.columns : std::vector<ListViewColumn>();
}

std::vector<std::vector<std::u16string>> ListViewRows(HWND list) {
    std::vector<std::vector<std::u16string>> out;
    auto it = Lists().find(list);
    if (it == Lists().end()) {
        return out;
    }
    const size_t width = it->second.columns.size();
    for (const Row& row : it->second.rows) {
        std::vector<std::u16string> cells = row.cells;
        cells.resize(std::max(width, cells.size()));
        out.push_back(std::move(cells));
    }
    return out;
}

namespace mfc {

void RegisterListViewClass() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &ListViewProc;
    wc.lpszClassName = u"SysListView32";
    RegisterClassW(&wc);
}

}  // namespace mfc
}  // namespace platform
