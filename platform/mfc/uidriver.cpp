#include "platform/mfc/uidriver.h"

#include "platform/mfc/listview.h"

#include "platform/mfc/controls_api.h"
#include "platform/mfc/mfc_internal.h"
#include "platform/mfc/shellbrowse.h"
#include "platform/win32/bus/bus_hooks.h"
#include "platform/win32/core/testhooks.h"
#include "platform/win32/core/unicode.h"

namespace platform {

namespace {

struct State {
    UiDriver* driver = nullptr;
    std::vector<UiEvent> transcript;
    std::u16string appName = u"tarnhost";
};

State& S() {
    static State* state = [] {
        RegisterReset("mfc.ui", [] { S() = State(); });
        return new State();
    }();
    return *state;
}

DefaultUiDriver& Default() {
    static DefaultUiDriver driver;
    return driver;
}

std::string Utf8(std::u16string_view text) {
    return Utf16ToUtf8(text);
}

std::u16string WindowText(HWND hwnd) {
    std::u16string text(static_cast<size_t>(GetWindowTextLengthW(hwnd)), u'\0');
    GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()) + 1);
    return text;
}

bool Contains(const std::u16string& text, const std::u16string& fragment) {
    return fragment.empty() || text.find(fragment) != std::u16string::npos;
}

}  // namespace

// ---- UiDialog

std::u16string UiDialog::Caption() const {
    return WindowText(m_hwnd);
}

bool UiDialog::Ended() const {
    return ModalEnded(m_hwnd);
}

bool UiDialog::Exists(int id) const {
    return GetDlgItem(m_hwnd, id) != nullptr;
}

bool UiDialog::IsVisible(int id) const {
    const HWND c = GetDlgItem(m_hwnd, id);
    return c != nullptr && IsWindowVisible(c);
}

bool UiDialog::IsEnabled(int id) const {
    const HWND c = GetDlgItem(m_hwnd, id);
    return c != nullptr && IsWindowEnabled(c);
}

std::u16string UiDialog::Text(int id) const {
    const HWND c = GetDlgItem(m_hwnd, id);
    return c != nullptr ? WindowText(c) : std::u16string();
}

int UiDialog::Check(int id) const {
    const HWND c = GetDlgItem(m_hwnd, id);
    return c != nullptr ? static_cast<int>(SendMessageW(c, BM_GETCHECK, 0, 0)) : BST_UNCHECKED;
}

int UiDialog::Selection(int id) const {
    const HWND c = GetDlgItem(m_hwnd, id);
    if (c == nullptr) {
        return -1;
    }
    const bool list = EqualsNoCase(mfc::ControlClass(c), u"ListBox");
    return static_cast<int>(SendMessageW(c, list ? LB_GETCURSEL : CB_GETCURSEL, 0, 0));
}

std::vector<std::u16string> UiDialog::Items(int id) const {
    const HWND c = GetDlgItem(m_hwnd, id);
    return c != nullptr ? mfc::ControlItems(c) : std::vector<std::u16string>();
}

void UiDialog::Fail(const std::string& what) const {
    if (m_failures != nullptr) {
        m_failures->push_back(what);
    }
}

HWND UiDialog::Control(int id, bool forAction, const char* action) const {
    const HWND c = IsWindow(m_hwnd) ? GetDlgItem(m_hwnd, id) : nullptr;
    std::string problem;
    if (c == nullptr) {
        problem = "there is no control";
    } else if (forAction && !IsWindowVisible(c)) {
        problem = "the control is hidden";
    } else if (forAction && !IsWindowEnabled(c)) {
        problem = "the control is disabled";
    } else if (forAction && Ended()) {
        problem = "the dialog has ended";
    }
    if (!problem.empty()) {
        Fail(std::string(action) + " " + std::to_string(id) + " in \"" + Utf8(Caption()) + "\": " + problem);
        return nullptr;
    }
    return c;
}

bool UiDialog::SetText(int id, std::u16string_view text) {
    const HWND c = Control(id, true, "typing into");
    if (c == nullptr) {
        return false;
    }
    SetWindowTextW(c, std::u16string(text).c_str());
    mfc::NotifyParent(c, EN_CHANGE);
    return true;
}

bool UiDialog::Click(int id) {
    const HWND c = Control(id, true, "clicking");
    if (c == nullptr) {
        return false;
    }
    SetFocus(c);  // a click takes the focus before the button acts
    SendMessageW(c, BM_CLICK, 0, 0);
    return true;
}

std::vector<std::vector<std::u16string>> UiDialog::ListRows(int id) const {
    const HWND c = Control(id, false, "reading");
    return c != nullptr ? ListViewRows(c) : std::vector<std::vector<std::u16string>>();
}

namespace {

bool NotifyCell(HWND dialog, HWND list, int id, UINT code, int row, int column) {
    SetFocus(list);
    NMITEMACTIVATE hit{};
    hit.hdr.hwndFrom = list;
    hit.hdr.idFrom = UINT_PTR(id);
    hit.hdr.code = code;
    const int rows = static_cast<int>(ListViewRows(list).size());
    hit.iItem = row >= 0 && row < rows ? row : -1;
    hit.iSubItem = column;
    SendMessageW(dialog, WM_NOTIFY, WPARAM(id), reinterpret_cast<LPARAM>(&hit));
    return true;
}

}  // namespace

bool UiDialog::ClickCell(int id, int row, int column) {
    const HWND c = Control(id, true, "clicking in");
    return c != nullptr && NotifyCell(m_hwnd, c, id, NM_CLICK, row, column);
}

bool UiDialog::DoubleClickCell(int id, int row, int column) {
    const HWND c = Control(id, true, "double-clicking in");
    return c != nullptr && NotifyCell(m_hwnd, c, id, NM_DBLCLK, row, column);
}

bool UiDialog::Focus(int id) {
    const HWND c = Control(id, true, "focusing");
    if (c == nullptr) {
        return false;
    }
    SetFocus(c);
    return true;
}

bool UiDialog::SetCheck(int id, bool checked) {
    const HWND c = Control(id, true, "ticking");
    if (c == nullptr) {
        return false;
    }
    if ((SendMessageW(c, BM_GETCHECK, 0, 0) == BST_CHECKED) != checked) {
        SendMessageW(c, BM_CLICK, 0, 0);
    }
    return true;
}

bool UiDialog::Select(int id, int index) {
    const HWND c = Control(id, true, "selecting in");
    if (c == nullptr) {
        return false;
    }
    const bool list = EqualsNoCase(mfc::ControlClass(c), u"ListBox");
    if (index < 0 || index >= static_cast<int>(mfc::ControlItems(c).size())) {
        Fail("selecting item " + std::to_string(index) + " of " + std::to_string(id) + ": no such item");
        return false;
    }
    SendMessageW(c, list ? LB_SETCURSEL : CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    mfc::NotifyParent(c, list ? LBN_SELCHANGE : CBN_SELCHANGE);
    return true;
}

bool UiDialog::Select(int id, std::u16string_view itemText) {
    const std::vector<std::u16string> items = Items(id);
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i] == itemText) {
            return Select(id, static_cast<int>(i));
        }
    }
    Fail("selecting \"" + Utf8(itemText) + "\" in " + std::to_string(id) + ": no such item");
    return false;
}

bool UiDialog::Close() {
    if (!IsWindow(m_hwnd)) {
        Fail("closing a dialog that is gone");
        return false;
    }
    SendMessageW(m_hwnd, WM_CLOSE, 0, 0);
    Pump();
    return true;
}

bool UiDialog::SelectFolder(std::u16string_view path) {
    if (Control(IDC_BROWSE_TREE, true, "selecting a folder in") == nullptr) {
        return false;
    }
    const std::u16string text(path);
    if (SendMessageW(m_hwnd, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(text.c_str())) == FALSE) {
        Fail("selecting the folder \"" + Utf8(path) + "\": it is not a folder");
        return false;
    }
    return true;
}

int UiDialog::Pump() {
    return PumpMessages();
}

// ---- answers

InputAnswer InputAnswer::None() {
    InputAnswer a;
    a.status = kInputNone;
    return a;
}

InputAnswer InputAnswer::Point(double x, double y, double z) {
    InputAnswer a;
    a.status = kInputNormal;
    a.point[0] = x;
    a.point[1] = y;
    a.point[2] = z;
    return a;
}

InputAnswer InputAnswer::Real(double value) {
    InputAnswer a;
    a.status = kInputNormal;
    a.real = value;
    return a;
}

InputAnswer InputAnswer::Text(std::u16string text) {
    InputAnswer a;
    a.status = kInputNormal;
    a.text = std::move(text);
    return a;
}

int DeclineAnswer(UINT type) {
    switch (type & MB_TYPEMASK) {
        case MB_OK:
            return IDOK;
        case MB_YESNO:
            return IDNO;
        case MB_ABORTRETRYIGNORE:
            return IDABORT;
        default:
            return IDCANCEL;
    }
}

// ---- the default driver

int DefaultUiDriver::MessageBox(const MessageBoxRequest& box) {
    return DeclineAnswer(box.type);
}

void DefaultUiDriver::RunDialog(UiDialog& dialog) {
    if (dialog.Exists(IDCANCEL) && dialog.IsEnabled(IDCANCEL)) {
        dialog.Click(IDCANCEL);
    }
}

void DefaultUiDriver::RunFolderPicker(UiDialog& picker, const FolderPickerRequest&) {
    picker.Click(IDCANCEL);
}

InputAnswer DefaultUiDriver::GetInput(const InputRequest&) {
    return InputAnswer::Cancelled();
}

// ---- dispatch and transcript

void SetUiDriver(UiDriver* driver) {
    S().driver = driver;
}

UiDriver& CurrentUiDriver() {
    return S().driver != nullptr ? *S().driver : Default();
}

int ShowMessageBox(const MessageBoxRequest& box) {
    const size_t at = S().transcript.size();
    S().transcript.push_back(UiEvent{"MessageBox", box.caption, box.text, box.type, 0});
    const int answer = CurrentUiDriver().MessageBox(box);
    S().transcript[at].answer = answer;
    return answer;
}

void RunModalDialog(UiDialog& dialog) {
    const size_t at = S().transcript.size();
    S().transcript.push_back(UiEvent{"Dialog", dialog.Caption(), std::u16string(), dialog.ResourceId(), 0});
    CurrentUiDriver().RunDialog(dialog);
    if (at < S().transcript.size()) {
        S().transcript[at].answer = static_cast<int>(ModalResult(dialog.Hwnd()));
    }
}

void RunFolderPicker(UiDialog& picker, const FolderPickerRequest& request) {
    const size_t at = S().transcript.size();
    S().transcript.push_back(UiEvent{"FolderPicker", picker.Caption(), request.prompt, request.flags, 0});
    CurrentUiDriver().RunFolderPicker(picker, request);
    if (at < S().transcript.size()) {
        S().transcript[at].answer = static_cast<int>(ModalResult(picker.Hwnd()));
    }
}

InputAnswer RequestInput(const InputRequest& request) {
    const size_t at = S().transcript.size();
    S().transcript.push_back(UiEvent{"Input", Utf8ToUtf16(request.kind), request.prompt, 0, 0});
    InputAnswer answer = CurrentUiDriver().GetInput(request);
    if (at < S().transcript.size()) {
        S().transcript[at].answer = answer.status;
    }
    return answer;
}

const std::vector<UiEvent>& UiTranscript() {
    return S().transcript;
}

void ClearUiTranscript() {
    S().transcript.clear();
}

void SetAppName(std::u16string_view name) {
    S().appName = name;
}

const std::u16string& AppName() {
    return S().appName;
}

// ---- the scripted driver

ScriptedUiDriver& ScriptedUiDriver::ExpectMessageBox(std::u16string fragment, int answer) {
    Expectation e;
    e.kind = Kind::MessageBox;
    e.fragment = std::move(fragment);
    e.answer = answer;
    m_queue.push_back(std::move(e));
    return *this;
}

ScriptedUiDriver& ScriptedUiDriver::ExpectDialog(UINT resourceId, DialogAction act) {
    Expectation e;
    e.kind = Kind::Dialog;
    e.resourceId = resourceId;
    e.act = std::move(act);
    m_queue.push_back(std::move(e));
    return *this;
}

ScriptedUiDriver& ScriptedUiDriver::ExpectDialog(std::u16string captionFragment, DialogAction act) {
    Expectation e;
    e.kind = Kind::Dialog;
    e.fragment = std::move(captionFragment);
    e.act = std::move(act);
    m_queue.push_back(std::move(e));
    return *this;
}

ScriptedUiDriver& ScriptedUiDriver::ExpectFolderPicker(std::u16string promptFragment, DialogAction act) {
    Expectation e;
    e.kind = Kind::FolderPicker;
    e.fragment = std::move(promptFragment);
    e.act = std::move(act);
    m_queue.push_back(std::move(e));
    return *this;
}

ScriptedUiDriver& ScriptedUiDriver::ExpectInput(std::string kind, std::u16string promptFragment,
                                                InputAnswer answer) {
    Expectation e;
    e.kind = Kind::Input;
    e.fragment = std::move(promptFragment);
    e.inputKind = std::move(kind);
    e.inputAnswer = std::move(answer);
    m_queue.push_back(std::move(e));
    return *this;
}

ScriptedUiDriver& ScriptedUiDriver::ExpectInput(std::string kind, std::u16string promptFragment,
                                                InputAction act) {
    Expectation e;
    e.kind = Kind::Input;
    e.fragment = std::move(promptFragment);
    e.inputKind = std::move(kind);
    e.inputAct = std::move(act);
    m_queue.push_back(std::move(e));
    return *this;
}

std::string ScriptedUiDriver::Describe(const Expectation& e) {
    switch (e.kind) {
        case Kind::MessageBox:
            return "a message box with \"" + Utf8(e.fragment) + "\"";
        case Kind::Dialog:
            return e.resourceId != 0 ? "dialog " + std::to_string(e.resourceId)
                                     : "a dialog with \"" + Utf8(e.fragment) + "\"";
        case Kind::FolderPicker:
            return "the folder picker with \"" + Utf8(e.fragment) + "\"";
        case Kind::Input:
            return "input " + e.inputKind + " with \"" + Utf8(e.fragment) + "\"";
    }
    return "?";
}

const ScriptedUiDriver::Expectation* ScriptedUiDriver::Take(Kind kind, const std::u16string& text,
                                                            const std::u16string& alt, UINT resourceId,
                                                            const std::string& inputKind,
                                                            const std::string& what) {
    if (m_next < m_queue.size()) {
        const Expectation& e = m_queue[m_next];
        const bool match = e.kind == kind && (e.resourceId == 0 || e.resourceId == resourceId) &&
                           (Contains(text, e.fragment) || Contains(alt, e.fragment)) &&
                           (kind != Kind::Input || e.inputKind == inputKind);
        if (match) {
            ++m_next;
            return &e;
        }
        m_failures.push_back("unexpected " + what + " (next expected: " + Describe(e) + ")");
    } else {
        m_failures.push_back("unexpected " + what + " (nothing more was expected)");
    }
    return nullptr;
}

int ScriptedUiDriver::MessageBox(const MessageBoxRequest& box) {
    const Expectation* e = Take(Kind::MessageBox, box.text, box.caption, 0, {},
                                "message box \"" + Utf8(box.text) + "\" [" + Utf8(box.caption) + "]");
    return e != nullptr ? e->answer : DeclineAnswer(box.type);
}

void ScriptedUiDriver::RunUntilEnded(UiDialog& dialog, const DialogAction& act, const std::string& what) {
    UiDialog user(dialog.Hwnd(), dialog.ResourceId(), &m_failures);
    if (act) {
        act(user);
    }
    if (!user.Ended()) {
        m_failures.push_back(what + " was still open after its scripted actions; cancelled");
        if (user.Exists(IDCANCEL)) {
            SendMessageW(user.Hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
    }
}

void ScriptedUiDriver::RunDialog(UiDialog& dialog) {
    const std::string what =
        "dialog " + std::to_string(dialog.ResourceId()) + " \"" + Utf8(dialog.Caption()) + "\"";
    const Expectation* e = Take(Kind::Dialog, dialog.Caption(), {}, dialog.ResourceId(), {}, what);
    // The action may run nested interactions that grow the queue's consumption; copy it first.
    const DialogAction act = e != nullptr ? e->act : DialogAction([](UiDialog& d) { d.Click(IDCANCEL); });
    RunUntilEnded(dialog, act, what);
}

void ScriptedUiDriver::RunFolderPicker(UiDialog& picker, const FolderPickerRequest& request) {
    const std::string what = "folder picker \"" + Utf8(request.prompt) + "\"";
    const Expectation* e = Take(Kind::FolderPicker, request.prompt, picker.Caption(), 0, {}, what);
    const DialogAction act = e != nullptr ? e->act : DialogAction([](UiDialog& d) { d.Click(IDCANCEL); });
    RunUntilEnded(picker, act, what);
}

InputAnswer ScriptedUiDriver::GetInput(const InputRequest& request) {
    const Expectation* e = Take(Kind::Input, request.prompt, {}, 0, request.kind,
                                "input " + request.kind + " \"" + Utf8(request.prompt) + "\"");
    if (e == nullptr) {
        return InputAnswer::Cancelled();
    }
    if (e->inputAct) {
        const InputAction act = e->inputAct;
        return act(request);
    }
    return e->inputAnswer;
}

bool ScriptedUiDriver::Verify(std::string* report) const {
    std::string text;
    for (const std::string& f : m_failures) {
        text += f + "\n";
    }
    for (size_t i = m_next; i < m_queue.size(); ++i) {
        text += "never happened: " + Describe(m_queue[i]) + "\n";
    }
    if (report != nullptr) {
        *report = text;
    }
    return text.empty();
}

}  // namespace platform

int AfxMessageBox(LPCTSTR text, UINT type, UINT) {
    platform::MessageBoxRequest box;
    box.text = text != nullptr ? text : u"";
    box.caption = platform::AppName();
    box.type = type;
    return platform::ShowMessageBox(box);
}

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    platform::MessageBoxRequest box;
    box.owner = owner;
    box.text = text != nullptr ? text : u"";
    box.caption = caption != nullptr ? caption : u"Error";
    box.type = type;
    return platform::ShowMessageBox(box);
}

LPCTSTR AfxGetAppName() {
    return platform::AppName().c_str();
}
