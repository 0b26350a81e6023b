// The user, headless: everything that would wait for a person (message boxes, modal dialogs, the folder
// picker, the host's interactive input) goes to the installed UiDriver. Tests install a ScriptedUiDriver that
// answers from a queue and reports anything unexpected; tarnhost installs a console driver. Without one, a
// default driver declines politely (OK for a plain box, No/Cancel otherwise; dialogs and pickers cancelled).
// Every interaction is recorded in the UI transcript whatever driver answers it.
#pragma once

#include <any>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/mfc/msgbox.h"
#include "platform/win32/windows.h"

namespace platform {

// A person at a dialog window: reads and changes its controls as a user would, so that every change reaches
// the dialog's code through the same notifications a real control sends.
class UiDialog {
public:
    explicit UiDialog(HWND dialog, UINT resourceId = 0, std::vector<std::string>* failures = nullptr)
        : m_hwnd(dialog), m_resourceId(resourceId), m_failures(failures) {}

    HWND Hwnd() const { return m_hwnd; }
    UINT ResourceId() const { return m_resourceId; }
    std::u16string Caption() const;
    // Whether the dialog's modal loop has ended (EndDialog) or its window is gone.
    bool Ended() const;

    bool Exists(int id) const;
    bool IsVisible(int id) const;
    bool IsEnabled(int id) const;
    std::u16string Text(int id) const;
    int Check(int id) const;  // BST_UNCHECKED / BST_CHECKED / BST_INDETERMINATE
    int Selection(int id) const;
    std::vector<std::u16string> Items(int id) const;

    // Actions. Each fails (false, and a recorded failure) when the control is missing, hidden or disabled.
    bool SetText(int id, std::u16string_view text);  // replaces the text, then EN_CHANGE
    bool Click(int id);                              // a button press (check boxes toggle first)
    bool SetCheck(int id, bool checked);             // clicks when the state differs
    bool Select(int id, int index);                  // combo or list box selection, then ...SELCHANGE
    bool Select(int id, std::u16string_view itemText);
    bool Close();  // the close box: WM_CLOSE, then the pump
    // Folder picker only: the user selects a folder in the tree.
    bool SelectFolder(std::u16string_view path);
    // What the modal loop does between user actions: posted messages and due timers.
    int Pump();

private:
    HWND Control(int id, bool forAction, const char* action) const;
    void Fail(const std::string& what) const;

    HWND m_hwnd;
    UINT m_resourceId;
    std::vector<std::string>* m_failures;
};

struct MessageBoxRequest {
    HWND owner = nullptr;
    std::u16string text;
    std::u16string caption;
    UINT type = MB_OK;
};

struct FolderPickerRequest {
    HWND owner = nullptr;
    std::u16string prompt;  // BROWSEINFOW::lpszTitle
    UINT flags = 0;
};

// Host input (point, keyword, real, entity selection, selection set, ...). The kind is a name chosen by the
// host stand-in that asks, so that new kinds need no change here; detail carries what a kind needs beyond
// the common fields.
inline constexpr int kInputNormal = 5100;  // a value was given
inline constexpr int kInputNone = 5000;    // Enter on empty input
inline constexpr int kInputCancelled = -5002;
inline constexpr int kInputError = -5001;

struct InputRequest {
    std::string kind;
    std::u16string prompt;
    std::u16string keywords;  // the keyword list in force, if any
    int initFlags = 0;
    bool hasBasePoint = false;
    double basePoint[3] = {0, 0, 0};
    std::any detail;
};

struct InputAnswer {
    int status = kInputCancelled;
    double point[3] = {0, 0, 0};
    double real = 0;
    int integer = 0;
    std::u16string text;
    std::any detail;

    static InputAnswer Cancelled() { return InputAnswer{}; }
    static InputAnswer None();
    static InputAnswer Point(double x, double y, double z = 0);
    static InputAnswer Real(double value);
    static InputAnswer Text(std::u16string text);
};

class UiDriver {
public:
    virtual ~UiDriver() = default;
    // Returns the button pressed (IDOK, IDYES, ...).
    virtual int MessageBox(const MessageBoxRequest& box) = 0;
    // A modal dialog is up: act on it until it ends.
    virtual void RunDialog(UiDialog& dialog) = 0;
    // The folder picker is up (a dialog with the tree 14145, OK and Cancel): act until it ends.
    virtual void RunFolderPicker(UiDialog& picker, const FolderPickerRequest& request) = 0;
    virtual InputAnswer GetInput(const InputRequest& request) = 0;
};

// The answer that declines a box: OK for a plain one, No or Cancel otherwise.
int DeclineAnswer(UINT type);

class DefaultUiDriver : public UiDriver {
public:
    int MessageBox(const MessageBoxRequest& box) override;
    void RunDialog(UiDialog& dialog) override;
    void RunFolderPicker(UiDialog& picker, const FolderPickerRequest& request) override;
    InputAnswer GetInput(const InputRequest& request) override;
};

// Installs a driver (not owned); null restores the default. Reset between tests.
void SetUiDriver(UiDriver* driver);
UiDriver& CurrentUiDriver();

// The entry points the stand-in uses; each records the interaction, then asks the driver.
int ShowMessageBox(const MessageBoxRequest& box);
void RunModalDialog(UiDialog& dialog);
void RunFolderPicker(UiDialog& picker, const FolderPickerRequest& request);
InputAnswer RequestInput(const InputRequest& request);

struct UiEvent {
    std::string kind;  // "MessageBox", "Dialog", "FolderPicker", "Input"
    std::u16string caption;
    std::u16string text;
    UINT type = 0;
    int answer = 0;
};
const std::vector<UiEvent>& UiTranscript();
void ClearUiTranscript();

// The application's name: the default caption of the framework's message boxes.
void SetAppName(std::u16string_view name);
const std::u16string& AppName();

// A driver for tests: a queue of expected interactions in order. Anything else, or an action that fails,
// is recorded (and declined); Verify() also reports expectations never reached. The platform library does
// not depend on the test framework: tests check Verify() / Unexpected() themselves.
class ScriptedUiDriver : public UiDriver {
public:
    using DialogAction = std::function<void(UiDialog&)>;
    using InputAction = std::function<InputAnswer(const InputRequest&)>;

    // A message box whose text or caption holds the fragment (empty: any), answered with the button.
    ScriptedUiDriver& ExpectMessageBox(std::u16string fragment, int answer = IDOK);
    // A modal dialog by resource id (0: any) or by a fragment of its caption.
    ScriptedUiDriver& ExpectDialog(UINT resourceId, DialogAction act);
    ScriptedUiDriver& ExpectDialog(std::u16string captionFragment, DialogAction act);
    ScriptedUiDriver& ExpectFolderPicker(std::u16string promptFragment, DialogAction act);
    ScriptedUiDriver& ExpectInput(std::string kind, std::u16string promptFragment, InputAnswer answer);
    ScriptedUiDriver& ExpectInput(std::string kind, std::u16string promptFragment, InputAction act);

    int MessageBox(const MessageBoxRequest& box) override;
    void RunDialog(UiDialog& dialog) override;
    void RunFolderPicker(UiDialog& picker, const FolderPickerRequest& request) override;
    InputAnswer GetInput(const InputRequest& request) override;

    // Interactions that did not match the next expectation, and failed actions (UTF-8 descriptions).
    const std::vector<std::string>& Unexpected() const { return m_failures; }
    size_t PendingCount() const { return m_queue.size() - m_next; }
    // True when nothing unexpected happened and every expectation was consumed; otherwise *report (if
    // given) says what went wrong.
    bool Verify(std::string* report = nullptr) const;

private:
    enum class Kind { MessageBox, Dialog, FolderPicker, Input };
    struct Expectation {
        Kind kind = Kind::MessageBox;
        std::u16string fragment;
        UINT resourceId = 0;
        std::string inputKind;
        int answer = 0;
        DialogAction act;
        InputAnswer inputAnswer;
        InputAction inputAct;
    };
    // The next expectation when it is of this kind and accepts the text; else null and a recorded failure.
    const Expectation* Take(Kind kind, const std::u16string& text, const std::u16string& alt, UINT resourceId,
                            const std::string& inputKind, const std::string& what);
    static std::string Describe(const Expectation& e);
    void RunUntilEnded(UiDialog& dialog, const DialogAction& act, const std::string& what);

    std::vector<Expectation> m_queue;
    size_t m_next = 0;
    std::vector<std::string> m_failures;
};

}  // namespace platform
