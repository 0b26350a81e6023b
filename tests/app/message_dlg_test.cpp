// The help, hint and message dialogs, driven by the scripted user.
#include "app/app_fixture.h"
#include "platform/win32/core/unicode.h"
#include "plugin/app/DlgHelp.h"
#include "plugin/core/DlgHint.h"
#include "plugin/exchange/DlgMsg.h"
#include "plugin/res/dlg_help.h"
#include "plugin/res/dlg_hint.h"
#include "plugin/res/dlg_msg.h"

namespace {

using apptest::AppTest;
using platform::UiDialog;

using Dialogs = AppTest;

TEST_F(Dialogs, HelpShowsTheVersionAndTheWholeText) {
    ui.ExpectDialog(IDD_DLG_HELP, [](UiDialog& d) {
        EXPECT_EQ(d.Caption(), u"TarnArx使用帮助");
        const std::u16string text = d.Text(IDC_HELP_TEXT);
        EXPECT_EQ(text.rfind(u"TarnArx插件（V1.4.1）\r\n", 0), 0u);
        // Every setting of the settings dialog, in its order.
        size_t at = 0;
        for (const char16_t* setting :
             {u"自动同步对象", u"点显示为图标", u"底图最大级别", u"颜色随层", u"文字指定级别",
              u"双击显示对象属性", u"自动加载插件", u"视图跟随模式", u"地图临时路径"}) {
            const size_t found = text.find(setting, at);
            EXPECT_NE(found, std::u16string::npos) << platform::Utf16ToUtf8(setting);
            at = found == std::u16string::npos ? at : found;
        }
        d.Click(IDOK);
    });
    CDlgHelp dlg;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(CDlgHelp::HelpText(205).Left(17).Str(), u"TarnArx插件（V2.0.5）");
}

TEST_F(Dialogs, HintReportsTheBoxAsTheUserLeftItWhicheverWayItCloses) {
    struct Case {
        const char* what;
        int initial;
        void (*act)(UiDialog&);
        INT_PTR result;
        int notAgain;
    };
    const Case cases[] = {
        {"yes", 0, [](UiDialog& d) { d.Click(IDOK); }, IDOK, 0},
        {"no, box ticked", 0,
         [](UiDialog& d) {
             d.SetCheck(IDC_HINT_NOT_AGAIN, true);
             d.Click(IDCANCEL);
         },
         IDCANCEL, 1},
        {"no, box unticked", 1,
         [](UiDialog& d) {
             EXPECT_EQ(d.Check(IDC_HINT_NOT_AGAIN), BST_CHECKED);
             d.SetCheck(IDC_HINT_NOT_AGAIN, false);
             d.Click(IDCANCEL);
         },
         IDCANCEL, 0},
        {"close box", 0,
         [](UiDialog& d) {
             d.SetCheck(IDC_HINT_NOT_AGAIN, true);
             d.Close();
         },
         IDCANCEL, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ui.ExpectDialog(IDD_DLG_HINT, [&c](UiDialog& d) {
            EXPECT_EQ(d.Caption(), u"版本提示");
            EXPECT_EQ(d.Text(IDC_HINT_TEXT), u"有新版本。");
            EXPECT_EQ(d.Text(IDOK), u"是");
            EXPECT_EQ(d.Text(IDCANCEL), u"否");
            EXPECT_EQ(d.Text(IDC_HINT_NOT_AGAIN), u"不再提示(不更新)");
            c.act(d);
        });
        CDlgHint dlg;
        dlg.m_strCaption = u"版本提示";
        dlg.m_strText = u"有新版本。";
        dlg.m_nNotAgain = c.initial;
        EXPECT_EQ(dlg.DoModal(), c.result);
        EXPECT_EQ(dlg.m_nNotAgain, c.notAgain);
    }
}

TEST_F(Dialogs, MessageListsTheTextAndItsButtonSetsDoNotShow) {
    ui.ExpectDialog(IDD_DLG_MSG, [](UiDialog& d) {
          EXPECT_EQ(d.Caption(), u"Dialog");
          EXPECT_EQ(d.Text(IDC_MSG_TEXT), u"以下对象被忽略：\r\n块1");
          d.Click(IDOK);
      }).ExpectDialog(IDD_DLG_MSG, [](UiDialog& d) {
        EXPECT_EQ(d.Text(IDC_MSG_NOT_AGAIN), u"不再提示");
        d.Click(IDC_MSG_NOT_AGAIN);
    });
    CDlgMsg first;
    first.m_strText = u"以下对象被忽略：\r\n块1";
    EXPECT_EQ(first.DoModal(), IDOK);
    EXPECT_EQ(first.m_bNotAgain, 0);
    CDlgMsg second;
    EXPECT_EQ(second.DoModal(), IDOK);
    EXPECT_EQ(second.m_bNotAgain, 1);
}

}  // namespace
