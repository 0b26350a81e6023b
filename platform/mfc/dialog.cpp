// Dialogs from resource tables, controls, data exchange and validation.
#include <cerrno>
#include <cfloat>
#include <climits>
#include <cstdlib>
#include <locale.h>
#include <stdlib.h>
#include <map>
#include <stdexcept>

#include "platform/mfc/afxdlg.h"
#include "platform/mfc/mfc_internal.h"
#include "platform/mfc/uidriver.h"
#include "platform/mfc/wideformat.h"
#include "platform/win32/bus/bus_hooks.h"
#include "platform/win32/core/testhooks.h"
#include "platform/win32/core/unicode.h"
#include "platform/win32/sys/sys_hooks.h"

namespace {

struct Resource {
    platform::DialogTemplate dialog;
    bool persistent = false;
};

std::map<UINT, Resource>& Resources() {
    static auto* resources = [] {
        platform::RegisterReset("mfc.dialogs", [] {
            std::erase_if(Resources(), [](const auto& entry) { return !entry.second.persistent; });
        });
        return new std::map<UINT, Resource>();
    }();
    return *resources;
}

struct ControlClass {
    const char16_t* className;
    DWORD style;
};

ControlClass ClassFor(platform::ControlKind kind) {
    using K = platform::ControlKind;
    switch (kind) {
        case K::PushButton:
            return {u"Button", BS_PUSHBUTTON | WS_TABSTOP};
        case K::DefPushButton:
            return {u"Button", BS_DEFPUSHBUTTON | WS_TABSTOP};
        case K::CheckBox:
            return {u"Button", BS_AUTOCHECKBOX | WS_TABSTOP};
        case K::RadioButton:
            return {u"Button", BS_AUTORADIOBUTTON};
        case K::GroupBox:
            return {u"Button", BS_GROUPBOX};
        case K::Edit:
            return {u"Edit", ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP};
        case K::MultiLineEdit:
            return {u"Edit", ES_MULTILINE | ES_AUTOVSCROLL | WS_BORDER | WS_TABSTOP};
        case K::Label:
            return {u"Static", SS_LEFT};
        case K::ComboDropList:
            return {u"ComboBox", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP};
        case K::ComboDropDown:
            return {u"ComboBox", CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP};
        case K::ListBox:
            return {u"ListBox", LBS_NOTIFY | WS_VSCROLL | WS_BORDER | WS_TABSTOP};
        case K::Tree:
            return {u"SysTreeView32", WS_BORDER | WS_TABSTOP};
    }
    return {u"Static", 0};
}

// The text of a failed exchange: the framework's message with %1 and %2 replaced.
CString Message(const char16_t* pattern, const CString& first = CString(),
                const CString& second = CString()) {
    CString text(pattern);
    text.Replace(u"%1", first);
    text.Replace(u"%2", second);
    return text;
}

[[noreturn]] void FailWith(CDataExchange* dx, const CString& text) {
    AfxMessageBox(text, MB_ICONEXCLAMATION);
    dx->Fail();
}

CString ControlText(HWND control) {
    CString text;
    const int length = GetWindowTextLengthW(control);
    GetWindowTextW(control, text.GetBuffer(length), length + 1);
    text.ReleaseBuffer();
    return text;
}

// The framework's number reading: blanks, the number, blanks, nothing else.
bool ParseLong(const CString& text, bool allowSign, long long minValue, long long maxValue, long long& out) {
    const CStringA narrow(text);
    const char* p = narrow.GetString();
    while (*p == ' ' || *p == '\t') {
        ++p;
    }
    if (!allowSign && *p == '-') {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(p, &end, 10);
    if (end == p || errno == ERANGE) {
        return false;
    }
    while (*end == ' ' || *end == '\t') {
        ++end;
    }
    if (*end != 0 || value < minValue || value > maxValue) {
        return false;
    }
    out = value;
    return true;
}

bool ParseDouble(const CString& text, double& out) {
    const CStringA narrow(text);
    const char* p = narrow.GetString();
    while (*p == ' ' || *p == '\t') {
        ++p;
    }
    const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    char* end = nullptr;
    const double value = strtod_l(p, &end, c);
    freelocale(c);
    if (end == p) {
        return false;
    }
    while (*end == ' ' || *end == '\t') {
        ++end;
    }
    if (*end != 0) {
        return false;
    }
    out = value;
    return true;
}

CString FormatNumber(const char16_t* format, ...) {
    va_list args;
    va_start(args, format);
    CString text(platform::FormatWideV(format, args));
    va_end(args);
    return text;
}

template <typename T>
void TextInteger(CDataExchange* dx, int id, T& value, bool allowSign, long long minValue, long long maxValue,
                 const char16_t* failure, const char16_t* format) {
    const HWND control = dx->PrepareEditCtrl(id);
    if (dx->m_bSaveAndValidate) {
        long long parsed = 0;
        if (!ParseLong(ControlText(control), allowSign, minValue, maxValue, parsed)) {
            FailWith(dx, failure);
        }
        value = static_cast<T>(parsed);
    } else {
        SetWindowTextW(control, FormatNumber(format, value));
    }
}

}  // namespace

namespace platform {

void RegisterDialogResource(UINT id, DialogTemplate dialog, bool persistent) {
    Resources()[id] = Resource{std::move(dialog), persistent};
}

const DialogTemplate* FindDialogResource(UINT id) {
    // The active resource module's section first, then the loaded modules' in load order (as the framework
    // searches its extension modules for a template the active one lacks); then the tables.
    std::vector<HMODULE> modules{AfxGetResourceHandle()};
    for (HMODULE loaded : platform::LoadedModules()) {
        modules.push_back(loaded);
    }
    for (HMODULE module : modules) {
        const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), RT_DIALOG);
        if (found != nullptr && SizeofResource(module, found) == sizeof(DialogTemplate)) {
            return static_cast<const DialogTemplate*>(LockResource(LoadResource(module, found)));
        }
    }
    auto it = Resources().find(id);
    return it != Resources().end() ? &it->second.dialog : nullptr;
}

}  // namespace platform

HWND CDataExchange::PrepareCtrl(int id) {
    const HWND control = ::GetDlgItem(m_pDlgWnd->m_hWnd, id);
    if (control == nullptr) {
        throw std::logic_error("data exchange with control " + std::to_string(id) +
                               ", which the dialog lacks");
    }
    m_idLastControl = id;
    m_bEditLastControl = FALSE;
    return control;
}

HWND CDataExchange::PrepareEditCtrl(int id) {
    const HWND control = PrepareCtrl(id);
    m_bEditLastControl = TRUE;
    return control;
}

void CDataExchange::Fail() {
    if (m_bSaveAndValidate && m_idLastControl != 0) {
        ::SetFocus(::GetDlgItem(m_pDlgWnd->m_hWnd, m_idLastControl));
    }
    throw platform::mfc::DataExchangeFailure{};
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
    if (control.m_hWnd == nullptr) {
        control.SubclassWindow(dx->PrepareCtrl(id));
    }
}

void DDX_Text(CDataExchange* dx, int id, CString& value) {
    const HWND control = dx->PrepareEditCtrl(id);
    if (dx->m_bSaveAndValidate) {
        value = ControlText(control);
    } else {
        SetWindowTextW(control, value);
    }
}

void DDX_Text(CDataExchange* dx, int id, int& value) {
    TextInteger(dx, id, value, true, INT_MIN, INT_MAX, platform::kTextParseInt, u"%d");
}

void DDX_Text(CDataExchange* dx, int id, UINT& value) {
    TextInteger(dx, id, value, false, 0, UINT_MAX, platform::kTextParseUInt, u"%u");
}

void DDX_Text(CDataExchange* dx, int id, BYTE& value) {
    const HWND control = dx->PrepareEditCtrl(id);
    if (dx->m_bSaveAndValidate) {
        long long parsed = 0;
        if (!ParseLong(ControlText(control), false, 0, 255, parsed)) {
            FailWith(dx, platform::kTextParseByte);
        }
        value = static_cast<BYTE>(parsed);
    } else {
        SetWindowTextW(control, FormatNumber(u"%u", static_cast<UINT>(value)));
    }
}

void DDX_Text(CDataExchange* dx, int id, double& value) {
    const HWND control = dx->PrepareEditCtrl(id);
    if (dx->m_bSaveAndValidate) {
        if (!ParseDouble(ControlText(control), value)) {
            FailWith(dx, platform::kTextParseReal);
        }
    } else {
        SetWindowTextW(control, FormatNumber(u"%.*g", DBL_DIG, value));
    }
}

void DDX_Text(CDataExchange* dx, int id, float& value) {
    double d = value;
    const HWND control = dx->PrepareEditCtrl(id);
    if (dx->m_bSaveAndValidate) {
        if (!ParseDouble(ControlText(control), d)) {
            FailWith(dx, platform::kTextParseReal);
        }
        value = static_cast<float>(d);
    } else {
        SetWindowTextW(control, FormatNumber(u"%.*g", FLT_DIG, d));
    }
}

void DDX_Check(CDataExchange* dx, int id, int& value) {
    const HWND control = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate) {
        value = static_cast<int>(SendMessageW(control, BM_GETCHECK, 0, 0));
    } else {
        if (value < 0 || value > 2) {
            value = 0;  // the framework's answer to an out-of-range state
        }
        SendMessageW(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
    }
}

void DDX_Radio(CDataExchange* dx, int id, int& value) {
    // The group starts at id and runs over the following ids while they are radio buttons.
    const HWND first = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate) {
        value = -1;
    }
    int index = 0;
    for (HWND button = first; button != nullptr; button = ::GetDlgItem(dx->m_pDlgWnd->m_hWnd, id + index)) {
        if ((platform::mfc::ControlStyle(button) & BS_TYPEMASK) != BS_AUTORADIOBUTTON &&
            (platform::mfc::ControlStyle(button) & BS_TYPEMASK) != BS_RADIOBUTTON) {
            break;
        }
        if (dx->m_bSaveAndValidate) {
            if (SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED) {
                value = index;
            }
        } else {
            SendMessageW(button, BM_SETCHECK, value == index ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        ++index;
    }
}

void DDX_CBIndex(CDataExchange* dx, int id, int& index) {
    const HWND control = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate) {
        index = static_cast<int>(SendMessageW(control, CB_GETCURSEL, 0, 0));
    } else {
        SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
}

void DDX_CBString(CDataExchange* dx, int id, CString& value) {
    const HWND control = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate) {
        value = ControlText(control);
    } else {
        const LRESULT at = SendMessageW(control, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                        reinterpret_cast<LPARAM>(value.GetString()));
        SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
    }
}

void DDX_LBIndex(CDataExchange* dx, int id, int& index) {
    const HWND control = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate) {
        index = static_cast<int>(SendMessageW(control, LB_GETCURSEL, 0, 0));
    } else {
        SendMessageW(control, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
}

// Validation runs only while saving; initial values out of range are left as they are.
void DDV_MinMaxInt(CDataExchange* dx, int value, int minValue, int maxValue) {
    if (dx->m_bSaveAndValidate && (value < minValue || value > maxValue)) {
        FailWith(dx, Message(platform::kTextIntRange, FormatNumber(u"%d", minValue),
                             FormatNumber(u"%d", maxValue)));
    }
}

void DDV_MinMaxUInt(CDataExchange* dx, UINT value, UINT minValue, UINT maxValue) {
    if (dx->m_bSaveAndValidate && (value < minValue || value > maxValue)) {
        FailWith(dx, Message(platform::kTextIntRange, FormatNumber(u"%u", minValue),
                             FormatNumber(u"%u", maxValue)));
    }
}

void DDV_MinMaxDouble(CDataExchange* dx, double const& value, double minValue, double maxValue) {
    if (dx->m_bSaveAndValidate && (value < minValue || value > maxValue)) {
        FailWith(dx, Message(platform::kTextRealRange, FormatNumber(u"%.*g", DBL_DIG, minValue),
                             FormatNumber(u"%.*g", DBL_DIG, maxValue)));
    }
}

void DDV_MaxChars(CDataExchange* dx, CString const& value, int count) {
    if (dx->m_bSaveAndValidate && value.GetLength() > count) {
        FailWith(dx, Message(platform::kTextMaxChars, FormatNumber(u"%d", count)));
    } else if (!dx->m_bSaveAndValidate && dx->m_idLastControl != 0) {
        SendDlgItemMessageW(dx->m_pDlgWnd->m_hWnd, dx->m_idLastControl, EM_LIMITTEXT,
                            static_cast<WPARAM>(count), 0);
    }
}

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_MESSAGE(WM_INITDIALOG, &CDialog::HandleInitDialog)
ON_COMMAND(IDOK, &CDialog::OnOK)
ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

BOOL CDialog::BuildDialog(UINT templateId, CWnd* parent, bool modal) {
    const platform::DialogTemplate* t = platform::FindDialogResource(templateId);
    if (t == nullptr || m_hWnd != nullptr) {
        return FALSE;
    }
    platform::EnsureControlClasses();
    m_nIDTemplate = templateId;
    if (parent != nullptr) {
        m_pParentWnd = parent;
    }
    const HWND owner = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : nullptr;
    const RECT& r = t->rect;
    const HWND hwnd =
        ::CreateWindowExW(0, t->className.empty() ? WC_DIALOG : t->className.c_str(), t->caption.c_str(),
                          WS_POPUP | WS_CAPTION | WS_SYSMENU, r.left, r.top, r.right - r.left,
                          r.bottom - r.top, owner, nullptr, AfxGetInstanceHandle(), nullptr);
    if (hwnd == nullptr || !SubclassWindow(hwnd)) {
        return FALSE;
    }
    platform::mfc::RecordRect(hwnd, r);
    for (const platform::ControlTemplate& c : t->controls) {
        const ControlClass cls = ClassFor(c.kind);
        const DWORD style = WS_CHILD | cls.style | c.extraStyle | (c.visible ? WS_VISIBLE : 0) |
                            (c.enabled ? 0 : WS_DISABLED);
        const HWND control = ::CreateWindowExW(
            0, cls.className, c.text.c_str(), style, c.rect.left, c.rect.top, c.rect.right - c.rect.left,
            c.rect.bottom - c.rect.top, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id & 0xFFFF)),
            AfxGetInstanceHandle(), nullptr);
        if (control == nullptr) {
            continue;
        }
        if (!c.enabled) {
            ::EnableWindow(control, FALSE);
        }
        if (c.check != BST_UNCHECKED) {
            SendMessageW(control, BM_SETCHECK, static_cast<WPARAM>(c.check), 0);
        }
        const UINT add = cls.className == std::u16string_view(u"ListBox") ? LB_ADDSTRING : CB_ADDSTRING;
        for (const std::u16string& item : c.items) {
            SendMessageW(control, add, 0, reinterpret_cast<LPARAM>(item.c_str()));
        }
    }
    if (modal) {
        platform::BeginModal(hwnd);  // before initialisation, which may already end the dialog
    }
    SendMessageW(hwnd, WM_INITDIALOG, 0, 0);
    return TRUE;
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
    if (!BuildDialog(templateId, parent, false)) {
        return FALSE;
    }
    const platform::DialogTemplate* t = platform::FindDialogResource(templateId);
    if (t != nullptr && t->visible && m_hWnd != nullptr) {
        ShowWindow(SW_SHOW);
    }
    return TRUE;
}

INT_PTR CDialog::DoModal() {
    m_nModalResult = -1;
    if (!BuildDialog(m_nIDTemplate, nullptr, true)) {
        return -1;
    }
    const HWND hwnd = m_hWnd;
    if (!platform::ModalEnded(hwnd)) {
        ::ShowWindow(hwnd, SW_SHOW);
        platform::UiDialog user(hwnd, m_nIDTemplate);
        platform::RunModalDialog(user);
    }
    if (!platform::ModalEnded(hwnd)) {
        // The user walked away: the dialog is cancelled as by Escape, and ended if it refuses.
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        if (!platform::ModalEnded(hwnd)) {
            ::EndDialog(hwnd, IDCANCEL);
        }
    }
    const INT_PTR result = platform::ModalResult(hwnd);
    platform::EndModal(hwnd);
    if (IsWindow(hwnd)) {
        ::DestroyWindow(hwnd);
    }
    return result;
}

void CDialog::EndDialog(int result) {
    m_nModalResult = result;
    ::EndDialog(m_hWnd, result);
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM) {
    return OnInitDialog();
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) {
        return;  // the failed field's message has been shown; the dialog stays open
    }
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        // A dialog's close box is its Cancel button, pressed after the current message.
        const HWND cancel = ::GetDlgItem(m_hWnd, IDCANCEL);
        if (cancel == nullptr || ::IsWindowEnabled(cancel)) {
            PostMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                         reinterpret_cast<LPARAM>(cancel));
        }
        return 0;
    }
    return CWnd::DefWindowProc(message, wParam, lParam);
}

IMPLEMENT_DYNAMIC(CButton, CWnd)
IMPLEMENT_DYNAMIC(CEdit, CWnd)
IMPLEMENT_DYNAMIC(CStatic, CWnd)
IMPLEMENT_DYNAMIC(CComboBox, CWnd)
IMPLEMENT_DYNAMIC(CListBox, CWnd)
IMPLEMENT_DYNAMIC(CToolTipCtrl, CWnd)

BOOL CButton::Create(LPCTSTR caption, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    platform::EnsureControlClasses();
    return CWnd::Create(u"Button", caption, style, rect, parent, id);
}
int CButton::GetCheck() const {
    return static_cast<int>(::SendMessageW(m_hWnd, BM_GETCHECK, 0, 0));
}
void CButton::SetCheck(int check) {
    ::SendMessageW(m_hWnd, BM_SETCHECK, static_cast<WPARAM>(check), 0);
}
UINT CButton::GetState() const {
    return static_cast<UINT>(::SendMessageW(m_hWnd, BM_GETSTATE, 0, 0));
}

BOOL CEdit::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    platform::EnsureControlClasses();
    return CWnd::Create(u"Edit", u"", style, rect, parent, id);
}
void CEdit::SetLimitText(UINT max) {
    ::SendMessageW(m_hWnd, EM_LIMITTEXT, max, 0);
}
void CEdit::SetSel(int start, int end, BOOL) {
    ::SendMessageW(m_hWnd, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
}
BOOL CEdit::SetReadOnly(BOOL readOnly) {
    return static_cast<BOOL>(::SendMessageW(m_hWnd, EM_SETREADONLY, static_cast<WPARAM>(readOnly), 0));
}

BOOL CStatic::Create(LPCTSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    platform::EnsureControlClasses();
    return CWnd::Create(u"Static", text, style, rect, parent, id);
}

namespace {

LRESULT Send(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return ::SendMessageW(hwnd, message, wParam, lParam);
}

LPARAM TextParam(LPCTSTR text) {
    return reinterpret_cast<LPARAM>(text);
}

CString ItemText(HWND hwnd, UINT lengthMessage, UINT textMessage, int index) {
    CString text;
    const auto length = static_cast<int>(Send(hwnd, lengthMessage, static_cast<WPARAM>(index)));
    if (length >= 0) {
        Send(hwnd, textMessage, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.GetBuffer(length)));
        text.ReleaseBuffer(length);
    }
    return text;
}

}  // namespace

BOOL CComboBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    platform::EnsureControlClasses();
    return CWnd::Create(u"ComboBox", u"", style, rect, parent, id);
}
int CComboBox::AddString(LPCTSTR text) {
    return static_cast<int>(Send(m_hWnd, CB_ADDSTRING, 0, TextParam(text)));
}
int CComboBox::InsertString(int index, LPCTSTR text) {
    return static_cast<int>(Send(m_hWnd, CB_INSERTSTRING, static_cast<WPARAM>(index), TextParam(text)));
}
int CComboBox::DeleteString(UINT index) {
    return static_cast<int>(Send(m_hWnd, CB_DELETESTRING, index));
}
void CComboBox::ResetContent() {
    Send(m_hWnd, CB_RESETCONTENT);
}
int CComboBox::GetCount() const {
    return static_cast<int>(Send(m_hWnd, CB_GETCOUNT));
}
int CComboBox::GetCurSel() const {
    return static_cast<int>(Send(m_hWnd, CB_GETCURSEL));
}
int CComboBox::SetCurSel(int index) {
    return static_cast<int>(Send(m_hWnd, CB_SETCURSEL, static_cast<WPARAM>(index)));
}
void CComboBox::GetLBText(int index, CString& text) const {
    text = ItemText(m_hWnd, CB_GETLBTEXTLEN, CB_GETLBTEXT, index);
}
int CComboBox::GetLBTextLen(int index) const {
    return static_cast<int>(Send(m_hWnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(index)));
}
int CComboBox::FindStringExact(int startAfter, LPCTSTR text) const {
    return static_cast<int>(
        Send(m_hWnd, CB_FINDSTRINGEXACT, static_cast<WPARAM>(startAfter), TextParam(text)));
}
int CComboBox::SetItemData(int index, DWORD_PTR data) {
    return static_cast<int>(
        Send(m_hWnd, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data)));
}
DWORD_PTR CComboBox::GetItemData(int index) const {
    return static_cast<DWORD_PTR>(Send(m_hWnd, CB_GETITEMDATA, static_cast<WPARAM>(index)));
}

BOOL CListBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    platform::EnsureControlClasses();
    return CWnd::Create(u"ListBox", u"", style, rect, parent, id);
}
int CListBox::AddString(LPCTSTR text) {
    return static_cast<int>(Send(m_hWnd, LB_ADDSTRING, 0, TextParam(text)));
}
int CListBox::InsertString(int index, LPCTSTR text) {
    return static_cast<int>(Send(m_hWnd, LB_INSERTSTRING, static_cast<WPARAM>(index), TextParam(text)));
}
int CListBox::DeleteString(UINT index) {
    return static_cast<int>(Send(m_hWnd, LB_DELETESTRING, index));
}
void CListBox::ResetContent() {
    Send(m_hWnd, LB_RESETCONTENT);
}
int CListBox::GetCount() const {
    return static_cast<int>(Send(m_hWnd, LB_GETCOUNT));
}
int CListBox::GetCurSel() const {
    return static_cast<int>(Send(m_hWnd, LB_GETCURSEL));
}
int CListBox::SetCurSel(int index) {
    return static_cast<int>(Send(m_hWnd, LB_SETCURSEL, static_cast<WPARAM>(index)));
}
void CListBox::GetText(int index, CString& text) const {
    text = ItemText(m_hWnd, LB_GETTEXTLEN, LB_GETTEXT, index);
}
int CListBox::FindStringExact(int startAfter, LPCTSTR text) const {
    return static_cast<int>(
        Send(m_hWnd, LB_FINDSTRINGEXACT, static_cast<WPARAM>(startAfter), TextParam(text)));
}

BOOL CToolTipCtrl::Create(CWnd* parent, DWORD) {
    m_owner = parent != nullptr ? parent->m_hWnd : nullptr;
    return TRUE;
}

BOOL CToolTipCtrl::AddTool(CWnd* window, LPCTSTR text, LPCRECT, UINT_PTR) {
    m_tools.push_back(Tool{window != nullptr ? window->m_hWnd : nullptr, CString(text)});
    return TRUE;
}

void CToolTipCtrl::UpdateTipText(LPCTSTR text, CWnd* window, UINT_PTR) {
    const HWND hwnd = window != nullptr ? window->m_hWnd : nullptr;
    for (Tool& tool : m_tools) {
        if (tool.window == hwnd) {
            tool.text = text;
        }
    }
}
