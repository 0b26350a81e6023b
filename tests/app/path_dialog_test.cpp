// The folder picker: the typed folder decides, OK only for an existing folder, cancel leaves nothing.
#include <unistd.h>

#include "app/app_fixture.h"
#include "plugin/app/PathDialog.h"

namespace {

using apptest::AppTest;
using platform::UiDialog;

class PathPicker : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        std::filesystem::create_directories(root + "/maps/old");
        std::filesystem::create_directories(root + "/maps/new");
        tarntest::WriteFile(root + "/maps/file.txt", "x");
    }
    std::u16string W(const std::string& rel) const { return platform::ToWindowsPath(root + rel); }
};

TEST_F(PathPicker, ATypedExistingFolderIsAcceptedWhateverTheTreeShows) {
    ui.ExpectFolderPicker(u"选择要打开的地图临时路径", [this](UiDialog& d) {
        EXPECT_EQ(d.Caption(), u"文件夹选择");
        EXPECT_FALSE(d.IsVisible(IDC_BROWSE_STATUS));
        ASSERT_TRUE(d.Exists(IDC_PATH_EDIT));
        EXPECT_EQ(d.Text(IDC_PATH_EDIT), W("/maps/old"));  // the initial folder is selected
        RECT edit = {};
        RECT tree = {};
        GetWindowRect(GetDlgItem(d.Hwnd(), IDC_PATH_EDIT), &edit);
        GetWindowRect(GetDlgItem(d.Hwnd(), IDC_BROWSE_TREE), &tree);
        EXPECT_EQ(edit.bottom, tree.top - 4);
        EXPECT_EQ(edit.bottom - edit.top, 23);
        EXPECT_EQ(edit.right - edit.left, tree.right - tree.left);

        EXPECT_TRUE(d.SelectFolder(W("/maps")));
        EXPECT_EQ(d.Text(IDC_PATH_EDIT), W("/maps"));  // a selection fills the field
        d.SetText(IDC_PATH_EDIT, W("/maps/new"));
        d.Click(IDOK);
    });
    CPathDialog dlg(u"文件夹选择", u"选择要打开的地图临时路径", W("/maps/old").c_str(), nullptr);
    EXPECT_EQ(dlg.DoModal(), 1);
    EXPECT_EQ(dlg.GetPathName().Str(), W("/maps/new"));
    EXPECT_EQ(dlg.m_hWnd, nullptr);
}

TEST_F(PathPicker, AMissingFolderOrAFileKeepsItOpenAndAnEmptyFieldDisablesOk) {
    ui.ExpectFolderPicker(u"", [this](UiDialog& d) {
        const HWND edit = GetDlgItem(d.Hwnd(), IDC_PATH_EDIT);
        for (const std::u16string& bad : {W("/maps/missing"), W("/maps/file.txt")}) {
            d.SetText(IDC_PATH_EDIT, bad);
            EXPECT_TRUE(d.IsEnabled(IDOK));
            d.Click(IDOK);
            EXPECT_FALSE(d.Ended());
            EXPECT_EQ(GetFocus(), edit);
        }
        d.SetText(IDC_PATH_EDIT, u"");
        EXPECT_FALSE(d.IsEnabled(IDOK));
        d.SetText(IDC_PATH_EDIT, W("/maps/old/../new/"));
        d.Click(IDOK);
    });
    CPathDialog dlg(u"文件夹选择", u"选择", W("/maps/old").c_str(), nullptr);
    EXPECT_EQ(dlg.DoModal(), 1);
    EXPECT_EQ(dlg.GetPathName().Str(), W("/maps/new"));
}

TEST_F(PathPicker, CancelGivesMinusOneAndNoFolder) {
    ui.ExpectFolderPicker(u"", [](UiDialog& d) {
          d.Click(IDCANCEL);
      }).ExpectFolderPicker(u"", [](UiDialog& d) { d.Close(); });
    CPathDialog dlg(u"文件夹选择", u"选择", W("/maps/old").c_str(), nullptr);
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_TRUE(dlg.GetPathName().IsEmpty());
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_TRUE(dlg.GetPathName().IsEmpty());
}

TEST_F(PathPicker, WithoutAnInitialFolderTheCurrentFolderIsShownAndRelativePathsResolveAgainstIt) {
    const std::string here = std::filesystem::current_path().string();
    ASSERT_EQ(::chdir((root + "/maps").c_str()), 0);
    ui.ExpectFolderPicker(u"", [this](UiDialog& d) {
        EXPECT_EQ(d.Text(IDC_PATH_EDIT), W("/maps"));
        d.SetText(IDC_PATH_EDIT, u"new");
        d.Click(IDOK);
    });
    CPathDialog dlg(u"文件夹选择", u"选择", u"", nullptr);
    const INT_PTR result = dlg.DoModal();
    ASSERT_EQ(::chdir(here.c_str()), 0);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(dlg.GetPathName().Str(), W("/maps/new"));
}

}  // namespace
