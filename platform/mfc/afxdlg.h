// Dialogs, controls and data exchange, headless. A dialog resource is a table of controls registered by id;
// Create and DoModal build the dialog window and its controls from it and run OnInitDialog. DoModal then
// hands the dialog to the UI driver (platform/mfc/uidriver.h), which acts as the user until EndDialog.
#pragma once

#include <string>
#include <vector>

#include "platform/mfc/afxwnd.h"

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate)
        : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

    // The control's window; a control missing from the dialog is a fault of the resource table and throws
    // std::logic_error.
    HWND PrepareCtrl(int id);
    HWND PrepareEditCtrl(int id);
    // Ends the exchange: UpdateData returns FALSE (the message has been shown by the caller).
    [[noreturn]] void Fail();

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
    int m_idLastControl = 0;
    BOOL m_bEditLastControl = FALSE;
};

void DDX_Control(CDataExchange* dx, int id, CWnd& control);
void DDX_Text(CDataExchange* dx, int id, CString& value);
void DDX_Text(CDataExchange* dx, int id, int& value);
void DDX_Text(CDataExchange* dx, int id, UINT& value);
void DDX_Text(CDataExchange* dx, int id, BYTE& value);
void DDX_Text(CDataExchange* dx, int id, double& value);
void DDX_Text(CDataExchange* dx, int id, float& value);
void DDX_Check(CDataExchange* dx, int id, int& value);
void DDX_Radio(CDataExchange* dx, int id, int& value);
void DDX_CBIndex(CDataExchange* dx, int id, int& index);
void DDX_CBString(CDataExchange* dx, int id, CString& value);
void DDX_LBIndex(CDataExchange* dx, int id, int& index);
void DDV_MinMaxInt(CDataExchange* dx, int value, int minValue, int maxValue);
void DDV_MinMaxUInt(CDataExchange* dx, UINT value, UINT minValue, UINT maxValue);
void DDV_MinMaxDouble(CDataExchange* dx, double const& value, double minValue, double maxValue);
void DDV_MaxChars(CDataExchange* dx, CString const& value, int count);

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    CDialog() = default;
    explicit CDialog(UINT templateId, CWnd* parent = nullptr)
        : m_pParentWnd(parent), m_nIDTemplate(templateId) {}

    // Modeless: builds the window from the resource and runs OnInitDialog; shown only when the resource
    // says so.
    virtual BOOL Create(UINT templateId, CWnd* parent = nullptr);
    // Modal: IDOK/IDCANCEL or what EndDialog gave; -1 when the resource is missing.
    virtual INT_PTR DoModal();
    void EndDialog(int result);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    CWnd* m_pParentWnd = nullptr;
    UINT m_nIDTemplate = 0;
    UINT m_nIDHelp = 0;

protected:
    afx_msg LRESULT HandleInitDialog(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

    int m_nModalResult = -1;

private:
    using CWnd::Create;  // hidden here: a dialog is made from its resource
    BOOL BuildDialog(UINT templateId, CWnd* parent, bool modal);
};

class CButton : public CWnd {
    DECLARE_DYNAMIC(CButton)
public:
    BOOL Create(LPCTSTR caption, DWORD style, const RECT& rect, CWnd* parent, UINT id);
    int GetCheck() const;
    void SetCheck(int check);
    UINT GetState() const;

private:
    using CWnd::Create;  // hidden here: a button is made by its own Create
};

class CEdit : public CWnd {
    DECLARE_DYNAMIC(CEdit)
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    void SetLimitText(UINT max);
    void LimitText(int max = 0) { SetLimitText(static_cast<UINT>(max)); }
    void SetSel(int start, int end, BOOL noScroll = FALSE);
    BOOL SetReadOnly(BOOL readOnly = TRUE);

private:
    using CWnd::Create;  // hidden here: an edit control is made by its own Create
};

class CStatic : public CWnd {
    DECLARE_DYNAMIC(CStatic)
public:
    BOOL Create(LPCTSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id = 0xffff);

private:
    using CWnd::Create;  // hidden here: a static control is made by its own Create
};

class CComboBox : public CWnd {
    DECLARE_DYNAMIC(CComboBox)
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    int AddString(LPCTSTR text);
    int InsertString(int index, LPCTSTR text);
    int DeleteString(UINT index);
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;
    // An index out of range leaves no selection and gives CB_ERR.
    int SetCurSel(int index);
    void GetLBText(int index, CString& text) const;
    int GetLBTextLen(int index) const;
    int FindStringExact(int startAfter, LPCTSTR text) const;
    int SetItemData(int index, DWORD_PTR data);
    DWORD_PTR GetItemData(int index) const;

private:
    using CWnd::Create;  // hidden here: a combo box is made by its own Create
};

class CListBox : public CWnd {
    DECLARE_DYNAMIC(CListBox)
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    int AddString(LPCTSTR text);
    int InsertString(int index, LPCTSTR text);
    int DeleteString(UINT index);
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int index);
    void GetText(int index, CString& text) const;
    int FindStringExact(int startAfter, LPCTSTR text) const;

private:
    using CWnd::Create;  // hidden here: a list box is made by its own Create
};

// Tooltips have nothing to show here; the settings are kept so that tests can read them.
class CToolTipCtrl : public CWnd {
    DECLARE_DYNAMIC(CToolTipCtrl)
public:
    struct Tool {
        HWND window = nullptr;
        CString text;
    };
    BOOL Create(CWnd* parent, DWORD style = 0);
    BOOL AddTool(CWnd* window, LPCTSTR text = nullptr, LPCRECT rect = nullptr, UINT_PTR id = 0);
    void UpdateTipText(LPCTSTR text, CWnd* window, UINT_PTR id = 0);
    void SetDelayTime(UINT delayMs) { m_delay = delayMs; }
    void SetTipTextColor(COLORREF color) { m_textColor = color; }
    void SetTipBkColor(COLORREF color) { m_backColor = color; }
    void Activate(BOOL active) { m_active = active != FALSE; }
    void RelayEvent(MSG*) {}

    std::vector<Tool> m_tools;
    UINT m_delay = 0;
    COLORREF m_textColor = 0;
    COLORREF m_backColor = 0xFFFFFF;
    bool m_active = false;
    HWND m_owner = nullptr;

private:
    using CWnd::Create;  // hidden here: a tooltip control is made by its own Create
};

namespace platform {

// Dialog resources.
enum class ControlKind {
    PushButton,
    DefPushButton,
    CheckBox,  // an automatic check box
    RadioButton,
    GroupBox,
    Edit,
    MultiLineEdit,
    Label,  // static text
    ComboDropList,
    ComboDropDown,
    ListBox,
    Tree,
    ListView  // report view (platform/mfc/listview.h)
};

struct ControlTemplate {
    int id = IDC_STATIC;
    ControlKind kind = ControlKind::Label;
    std::u16string text{};
    std::vector<std::u16string> items{};
    bool visible = true;
    bool enabled = true;
    int check = BST_UNCHECKED;
    DWORD extraStyle = 0;
    RECT rect = {0, 0, 80, 14};
};

struct DialogTemplate {
    std::u16string caption{};
    std::vector<ControlTemplate> controls{};
    std::u16string className{};  // empty: the dialog class "#32770"
    bool visible = false;        // WS_VISIBLE in the resource: a modeless dialog shows at creation
    RECT rect = {0, 0, 320, 200};
};

// Registers a dialog resource. A persistent one (the plug-in's own tables) survives the platform reset;
// others (a test's) are dropped by it. A dialog finds its template in the resource section of the active
// resource module (AfxGetResourceHandle) first, then in those of the loaded modules (in load order), then
// among the registered ones.
void RegisterDialogResource(UINT id, DialogTemplate dialog, bool persistent = false);
const DialogTemplate* FindDialogResource(UINT id);

// The framework's texts for failed data exchange.
inline constexpr const char16_t* kTextParseInt = u"Please enter an integer.";
inline constexpr const char16_t* kTextParseUInt = u"Please enter a positive integer.";
inline constexpr const char16_t* kTextParseByte = u"Please enter an integer between 0 and 255.";
inline constexpr const char16_t* kTextParseReal = u"Please enter a number.";
inline constexpr const char16_t* kTextIntRange = u"Please enter an integer between %1 and %2.";
inline constexpr const char16_t* kTextRealRange = u"Please enter a number between %1 and %2.";
inline constexpr const char16_t* kTextMaxChars = u"Please enter no more than %1 characters.";

}  // namespace platform
