#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "platform/mfc/afxwin.h"
#include "platform/mfc/uidriver.h"
#include "platform/win32/bus/bus_hooks.h"
#include "platform/win32/core/modres.h"
#include "platform/win32/core/paths.h"
#include "support/testdirs.h"

namespace {

using platform::ControlKind;
using platform::ScriptedUiDriver;
using platform::UiDialog;

constexpr UINT kLevelDialog = 9001;
constexpr int kLevel = 1101;
constexpr int kName = 1102;
constexpr int kSync = 1103;
constexpr int kSize = 1104;
constexpr int kHelp = 1105;

void RegisterLevelDialog() {
    platform::DialogTemplate t;
    t.caption = u"设置";
    t.controls = {
        {.id = kLevel, .kind = ControlKind::Edit},
        {.id = kName, .kind = ControlKind::Edit},
        {.id = kSync, .kind = ControlKind::CheckBox, .text = u"自动同步对象"},
        {.id = kSize, .kind = ControlKind::ComboDropList},
        {.id = kHelp, .kind = ControlKind::PushButton, .text = u"帮助"},
        {.id = IDOK, .kind = ControlKind::DefPushButton, .text = u"确定"},
        {.id = IDCANCEL, .kind = ControlKind::PushButton, .text = u"取消"},
    };
    platform::RegisterDialogResource(kLevelDialog, t);
}

class CLevelDlg : public CDialog {
public:
    CLevelDlg() : CDialog(kLevelDialog) {}

    int m_level = 18;
    CString m_name = u"图层";
    int m_sync = 1;
    int m_size = 0;
    int m_helpClicks = 0;
    CComboBox m_sizeCombo;

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();  // binds the combo before it is filled
        for (const char16_t* item : {u"240米(14级)", u"120米(15级)", u"60米(16级)"}) {
            m_sizeCombo.AddString(item);
        }
        m_sizeCombo.SetCurSel(m_size);
        return TRUE;
    }
    void DoDataExchange(CDataExchange* dx) override {
        DDX_Control(dx, kSize, m_sizeCombo);
        DDX_Text(dx, kLevel, m_level);
        DDV_MinMaxInt(dx, m_level, 16, 28);
        DDX_Text(dx, kName, m_name);
        DDX_Check(dx, kSync, m_sync);
        DDX_CBIndex(dx, kSize, m_size);
    }
    afx_msg void OnHelp() { ++m_helpClicks; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CLevelDlg, CDialog)
ON_BN_CLICKED(kHelp, &CLevelDlg::OnHelp)
END_MESSAGE_MAP()

TEST(ModalDialog, DataExchangeValidationAndButtonsGoThroughTheUser) {
    RegisterLevelDialog();
    ScriptedUiDriver user;
    platform::SetUiDriver(&user);
    user.ExpectDialog(kLevelDialog,
                      [](UiDialog& d) {
                          EXPECT_EQ(d.Caption(), u"设置");
                          EXPECT_EQ(d.Text(kLevel), u"18");  // members shown at initialisation
                          EXPECT_EQ(d.Text(kName), u"图层");
                          EXPECT_EQ(d.Check(kSync), BST_CHECKED);
                          EXPECT_EQ(d.Items(kSize).size(), 3u);
                          d.SetText(kLevel, u"15");
                          d.Click(IDOK);  // refused by the range check: the box, and the dialog stays
                          EXPECT_FALSE(d.Ended());
                          d.SetText(kLevel, u" 2x");
                          d.Click(IDOK);  // not a number
                          EXPECT_FALSE(d.Ended());
                          d.SetText(kLevel, u" 20 ");
                          d.SetText(kName, u"道路");
                          d.SetCheck(kSync, false);
                          d.Select(kSize, u"60米(16级)");
                          d.Click(kHelp);
                          d.Click(IDOK);
                      })
        .ExpectMessageBox(u"between 16 and 28")
        .ExpectMessageBox(platform::kTextParseInt);

    CLevelDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_level, 20);
    EXPECT_EQ(dlg.m_name, u"道路");
    EXPECT_EQ(dlg.m_sync, 0);
    EXPECT_EQ(dlg.m_size, 2);
    EXPECT_EQ(dlg.m_helpClicks, 1);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(dlg.m_sizeCombo.m_hWnd, nullptr);
    std::string report;
    EXPECT_TRUE(user.Verify(&report)) << report;
    ASSERT_EQ(platform::UiTranscript().size(), 3u);
    EXPECT_EQ(platform::UiTranscript()[0].kind, "Dialog");
    EXPECT_EQ(platform::UiTranscript()[0].answer, IDOK);
    EXPECT_EQ(platform::UiTranscript()[1].caption, platform::AppName());
    EXPECT_EQ(platform::LiveWindowCount(), 0u);
}

TEST(ModalDialog, CancelKeepsMembersAndUnexpectedOrFailedActionsAreReported) {
    RegisterLevelDialog();
    ScriptedUiDriver user;
    platform::SetUiDriver(&user);
    user.ExpectDialog(u"设置", [](UiDialog& d) {
        d.SetText(kLevel, u"25");
        EXPECT_FALSE(d.Click(4242));  // no such control: a recorded failure
        d.Close();                    // the close box is Cancel
    });
    CLevelDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.m_level, 18);
    ASSERT_EQ(user.Unexpected().size(), 1u);
    EXPECT_NE(user.Unexpected()[0].find("4242"), std::string::npos);

    // A dialog nobody expected is cancelled and reported; so is a missing resource (-1, nothing shown).
    ScriptedUiDriver strict;
    platform::SetUiDriver(&strict);
    CLevelDlg again;
    EXPECT_EQ(again.DoModal(), IDCANCEL);
    CDialog missing(12345);
    EXPECT_EQ(missing.DoModal(), -1);
    EXPECT_FALSE(strict.Verify());
    ASSERT_EQ(strict.Unexpected().size(), 1u);
    EXPECT_NE(strict.Unexpected()[0].find("9001"), std::string::npos);
}

// A hidden modeless window found by class, as a peer application finds it.
constexpr UINT kHiddenDialog = 9002;
UINT g_progressMessage = 0;

class CHiddenDlg : public CDialog {
public:
    CHiddenDlg(bool* destroyed) : CDialog(kHiddenDialog), m_destroyed(destroyed) {}

    std::vector<BYTE> m_payload;
    ULONG_PTR m_code = 0;
    int m_ticks = 0;
    int m_appMessages = 0;
    WPARAM m_progress = 0;

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        SetTimer(7, 100, nullptr);
        return TRUE;
    }
    void PostNcDestroy() override {
        *m_destroyed = true;
        delete this;
    }
    void OnOK() override {}
    void OnCancel() override { OnClose(); }
    afx_msg void OnClose() {
        CDialog::OnClose();
        DestroyWindow();
    }
    afx_msg void OnTimer(UINT_PTR id) {
        if (id == 7) {
            ++m_ticks;
        }
        CDialog::OnTimer(id);
    }
    afx_msg BOOL OnCopyData(CWnd*, COPYDATASTRUCT* cds) {
        m_code = cds->dwData & 0xFFFF;
        const auto* bytes = static_cast<const BYTE*>(cds->lpData);
        m_payload.assign(bytes, bytes + cds->cbData);  // a copy: the payload dies with the call
        return TRUE;
    }
    afx_msg LRESULT OnApp5(WPARAM, LPARAM) {
        ++m_appMessages;
        return 55;
    }
    afx_msg LRESULT OnProgress(WPARAM w, LPARAM) {
        m_progress = w;
        return 0;
    }
    DECLARE_MESSAGE_MAP()

private:
    bool* m_destroyed;
};

BEGIN_MESSAGE_MAP(CHiddenDlg, CDialog)
ON_WM_CLOSE()
ON_WM_TIMER()
ON_WM_COPYDATA()
ON_MESSAGE(WM_APP + 5, &CHiddenDlg::OnApp5)
ON_REGISTERED_MESSAGE(g_progressMessage, &CHiddenDlg::OnProgress)
END_MESSAGE_MAP()

TEST(ModelessDialog, ReceivesCopyDataTimersAndPrivateMessagesThroughItsMessageMap) {
    WNDCLASSW wc{};
    ASSERT_TRUE(GetClassInfoW(AfxGetInstanceHandle(), WC_DIALOG, &wc));
    wc.lpszClassName = u"TarnTestWin";
    ASSERT_TRUE(AfxRegisterClass(&wc));
    ASSERT_TRUE(AfxRegisterClass(&wc));  // again, as after a reload
    platform::DialogTemplate t;
    t.caption = u"DialogMODELESS";
    t.className = u"TarnTestWin";
    t.controls = {{.id = IDOK, .kind = ControlKind::DefPushButton, .text = u"OK"},
                  {.id = IDCANCEL, .kind = ControlKind::PushButton, .text = u"Cancel"}};
    platform::RegisterDialogResource(kHiddenDialog, t);
    g_progressMessage = RegisterWindowMessageW(u"TARN_TEST_PROGRESS");

    bool destroyed = false;
    auto* dlg = new CHiddenDlg(&destroyed);
    ASSERT_TRUE(dlg->Create(kHiddenDialog));
    const HWND hwnd = FindWindowW(u"TarnTestWin", nullptr);
    ASSERT_EQ(hwnd, dlg->m_hWnd);
    EXPECT_FALSE(IsWindowVisible(hwnd));

    const char payload[] = "\x01\x02\x03";
    COPYDATASTRUCT cds{0x00050000u | 20401u, 3, const_cast<char*>(payload)};
    EXPECT_EQ(SendMessageW(hwnd, WM_COPYDATA, 1001, reinterpret_cast<LPARAM>(&cds)), TRUE);
    EXPECT_EQ(dlg->m_code, 20401u);
    EXPECT_EQ(dlg->m_payload, (std::vector<BYTE>{1, 2, 3}));

    EXPECT_EQ(SendMessageW(hwnd, WM_APP + 5, 0, 0), 55);
    PostMessageW(hwnd, WM_APP + 5, 0, 0);
    EXPECT_EQ(dlg->m_appMessages, 1);  // posted messages wait for the pump
    platform::PumpMessages();
    EXPECT_EQ(dlg->m_appMessages, 2);
    SendMessageW(hwnd, g_progressMessage, 40, 0);
    EXPECT_EQ(dlg->m_progress, 40u);

    platform::AdvanceClock(250);
    EXPECT_EQ(dlg->m_ticks, 2);
    SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);  // Enter does nothing
    EXPECT_TRUE(IsWindow(hwnd));

    SendMessageW(hwnd, WM_CLOSE, 0, 0);  // closes, destroys and deletes itself
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(IsWindow(hwnd));
    platform::AdvanceClock(500);  // its timer died with it
    EXPECT_EQ(platform::LiveWindowCount(), 0u);
}

TEST(MessageBoxes, GoThroughTheDriverAndUnexpectedOnesAreReported) {
    // The default driver declines: OK for a plain box, No for a question.
    EXPECT_EQ(AfxMessageBox(u"插件所在的路径太长"), IDOK);
    EXPECT_EQ(AfxMessageBox(u"是否切换？", MB_YESNO), IDNO);
    platform::SetAppName(u"TarnArx");
    EXPECT_EQ(MessageBoxW(nullptr, u"x", nullptr, MB_OK), IDOK);
    ASSERT_EQ(platform::UiTranscript().size(), 3u);
    EXPECT_EQ(platform::UiTranscript()[0].caption, u"tarnhost");
    EXPECT_EQ(platform::UiTranscript()[1].answer, IDNO);
    EXPECT_EQ(platform::UiTranscript()[2].caption, u"Error");

    ScriptedUiDriver user;
    platform::SetUiDriver(&user);
    user.ExpectMessageBox(u"磁盘空间不足", IDYES).ExpectMessageBox(u"never shown");
    EXPECT_EQ(AfxMessageBox(u"插件所在的磁盘空间不足，是否切换到其他目录再加载？", MB_YESNO), IDYES);
    EXPECT_EQ(platform::UiTranscript().back().caption, u"TarnArx");
    EXPECT_EQ(AfxMessageBox(u"surprise", MB_YESNO), IDNO);  // unexpected: declined and recorded
    std::string report;
    EXPECT_FALSE(user.Verify(&report));
    EXPECT_NE(report.find("unexpected message box \"surprise\""), std::string::npos) << report;
    EXPECT_NE(report.find("never happened: a message box with \"never shown\""), std::string::npos) << report;
}

int CALLBACK_Picker(HWND hwnd, UINT message, LPARAM lParam, LPARAM data) {
    auto* seen = reinterpret_cast<std::vector<std::u16string>*>(data);
    if (message == BFFM_INITIALIZED) {
        SetWindowTextW(hwnd, u"文件夹选择");
        SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(seen->front().c_str()));
    } else if (message == BFFM_SELCHANGED) {
        WCHAR path[MAX_PATH];
        SendMessageW(hwnd, BFFM_ENABLEOK, 0,
                     SHGetPathFromIDListW(reinterpret_cast<LPCITEMIDLIST>(lParam), path));
        seen->push_back(path);
    }
    return 0;
}

TEST(FolderPicker, TheUserSelectsAFolderAndTheCallbackSeesEachSelection) {
    const std::string root = tarntest::TempDir();
    std::filesystem::create_directories(root + "/maps");
    const std::u16string start = platform::ToWindowsPath(root);
    const std::u16string chosen = platform::ToWindowsPath(root + "/maps");

    ScriptedUiDriver user;
    platform::SetUiDriver(&user);
    user.ExpectFolderPicker(u"地图临时路径",
                            [&](UiDialog& d) {
                                EXPECT_EQ(d.Caption(), u"文件夹选择");
                                EXPECT_TRUE(d.IsVisible(IDC_BROWSE_STATUS));
                                EXPECT_FALSE(d.SelectFolder(start + u"\\missing"));  // not a folder: refused
                                EXPECT_TRUE(d.SelectFolder(chosen));
                                d.Click(IDOK);
                            })
        .ExpectFolderPicker(u"", [](UiDialog& d) { d.Click(IDCANCEL); });

    std::vector<std::u16string> seen{start};
    WCHAR name[MAX_PATH];
    BROWSEINFOW bi{nullptr,
                   nullptr,
                   name,
                   u"选择要打开的地图临时路径",
                   BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT,
                   &CALLBACK_Picker,
                   reinterpret_cast<LPARAM>(&seen),
                   0};
    LPITEMIDLIST list = SHBrowseForFolderW(&bi);
    ASSERT_NE(list, nullptr);
    WCHAR path[MAX_PATH];
    ASSERT_TRUE(SHGetPathFromIDListW(list, path));
    EXPECT_EQ(std::u16string(path), chosen);
    EXPECT_EQ(std::u16string(name), u"maps");
    CoTaskMemFree(list);
    ASSERT_EQ(seen.size(), 3u);  // the start, then the initial selection, then the user's
    EXPECT_EQ(seen[2], chosen);

    EXPECT_EQ(SHBrowseForFolderW(&bi), nullptr);
    std::string report;
    EXPECT_EQ(user.Unexpected().size(), 1u);  // the refused folder
    EXPECT_EQ(platform::LiveWindowCount(), 0u);
}

}  // namespace

namespace {

TEST(Controls, TemporariesHaveTheControlsTypeAndListsKeepTheirSelectionRules) {
    RegisterLevelDialog();
    ScriptedUiDriver user;
    platform::SetUiDriver(&user);
    user.ExpectDialog(kLevelDialog, [](UiDialog& d) {
        CWnd* dialog = CWnd::FromHandle(d.Hwnd());
        // The framework's idiom: a control fetched by id, cast to its class.
        auto* combo = static_cast<CComboBox*>(dialog->GetDlgItem(kSize));
        ASSERT_TRUE(combo->IsKindOf(RUNTIME_CLASS(CComboBox)));
        EXPECT_EQ(combo->SetCurSel(7), CB_ERR);  // out of range: no selection at all
        EXPECT_EQ(combo->GetCurSel(), -1);
        EXPECT_EQ(d.Text(kSize), u"");
        EXPECT_EQ(combo->SetCurSel(1), 1);
        CString item;
        combo->GetLBText(1, item);
        EXPECT_EQ(item, u"120米(15级)");
        EXPECT_EQ(d.Text(kSize), u"120米(15级)");
        auto* sync = static_cast<CButton*>(dialog->GetDlgItem(kSync));
        sync->ShowWindow(SW_HIDE);
        EXPECT_FALSE(d.SetCheck(kSync, false));  // a user cannot reach a hidden box
        EXPECT_EQ(sync->GetCheck(), BST_CHECKED);
        dialog->GetDlgItem(IDOK)->EnableWindow(FALSE);
        EXPECT_FALSE(d.Click(IDOK));
        d.Click(IDCANCEL);
    });
    CLevelDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(user.Unexpected().size(), 2u);
}

// A template in the program's own resource section, as the plug-in's are when linked into a test program.
const platform::DialogTemplate kSectionDialog = {u"From the section",
                                                 {{IDOK, ControlKind::DefPushButton, u"OK"}}};
TARN_RESOURCE(TARN_RT_DIALOG, 9050, &kSectionDialog, sizeof kSectionDialog);

TEST(Dialog, TemplatesComeFromTheResourceModuleBeforeTheTables) {
    platform::DialogTemplate registered;
    registered.caption = u"Registered";
    platform::RegisterDialogResource(9050, registered);
    ASSERT_NE(platform::FindDialogResource(9050), nullptr);
    EXPECT_EQ(platform::FindDialogResource(9050)->caption, u"From the section");
    // Another resource module without the template: the table's.
    AfxSetResourceHandle(reinterpret_cast<HINSTANCE>(0x5000000));
    EXPECT_EQ(platform::FindDialogResource(9050)->caption, u"Registered");
    AfxSetResourceHandle(nullptr);

    ScriptedUiDriver user;
    platform::SetUiDriver(&user);
    user.ExpectDialog(u"From the section", [](UiDialog& d) { d.Click(IDOK); });
    CDialog dlg(9050);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Unexpected().empty());
}

}  // namespace
