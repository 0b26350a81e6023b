// The object property dialog on the headless dialogs: the remark as a list of properties edited in place,
// as text, and the binding written only by an OK that changed something.
#include "link_fixture.h"
#include "platform/arx/acap/commands.h"
#include "platform/arx/aced/acedinput.h"
#include "platform/win32/bus/bus_hooks.h"
#include "plugin/exchange/EntPropertyDlg.h"
#include "plugin/res/dlg_entproperty.h"
#include "receive_fixture.h"

namespace {

using Rows = std::vector<std::vector<std::u16string>>;

const CString kTagged =
    u"说明\r\n<?zavrel_ct name=\"井\"?>\r\n\"编号\":\"A-1\",\r\n\"url\":\"http://h:80\",\r\n"
    u"\"已核\":true,\r\n\"深\": 12\r\n}尾注";

class PropertyDlgTest : public receivetest::ReceiveTest {
protected:
    void SetUp() override {
        ReceiveTest::SetUp();
        handle = linktest::AddLine(doc);
        binding = linktest::Bind(state, handle, 321, u"井盖", kTagged);
        binding->m_saved = 1;
    }
    // Runs the dialog on the line with the user's actions; its result.
    INT_PTR Run(std::function<void(platform::UiDialog&)> act) {
        user.ExpectDialog(IDD_ENT_PROPERTY, std::move(act));
        AcDbEntity* entity = nullptr;
        EXPECT_EQ(acdbOpenObject(entity, linktest::IdOf(doc, handle), AcDb::kForRead), Acad::eOk);
        CEntPropertyDlg dialog;
        dialog.m_pEntity = entity;
        const INT_PTR result = dialog.DoModal();
        entity->close();
        return result;
    }

    uint64_t handle = 0;
    CBindingRecord* binding = nullptr;
};

TEST_F(PropertyDlgTest, ATaggedRemarkShowsAsAListAndOkWithoutChangesCancels) {
    EXPECT_EQ(Run([](platform::UiDialog& d) {
                  EXPECT_EQ(d.Caption(), u"AcDbLine");
                  EXPECT_EQ(d.Text(IDC_PROP_NAME), u"井盖");
                  EXPECT_EQ(d.Text(IDC_PROP_TOGGLE), u"显示为文本");
                  EXPECT_TRUE(d.IsVisible(IDC_PROP_LIST));
                  EXPECT_TRUE(d.IsVisible(IDC_PROP_HINT));
                  EXPECT_FALSE(d.IsVisible(IDC_PROP_REMARK));
                  EXPECT_FALSE(d.IsVisible(IDC_PROP_CELL_EDIT));
                  const auto columns = platform::ListViewColumns(GetDlgItem(d.Hwnd(), IDC_PROP_LIST));
                  ASSERT_EQ(columns.size(), 2u);
                  EXPECT_EQ(columns[0].caption, u"属性");
                  EXPECT_EQ(columns[0].width, 80);
                  EXPECT_EQ(columns[1].caption, u"内容");
                  EXPECT_EQ(columns[1].width, 100);
                  const Rows expected = {
                      {u"头部信息", u"说明   "}, {u"编号", u"A-1"}, {u"url", u"http://h:80"},
                      {u"已核", u"bool_true"},   {u"深", u"12"},    {u"尾部信息", u"尾注"}};
                  EXPECT_EQ(d.ListRows(IDC_PROP_LIST), expected);
                  d.Click(IDOK);
              }),
              IDCANCEL);
    EXPECT_EQ(binding->m_remark, kTagged);
    EXPECT_EQ(binding->m_saved, 1);
}

TEST_F(PropertyDlgTest, EditingACellChangesOnlyThatValue) {
    EXPECT_EQ(Run([](platform::UiDialog& d) {
                  // The name column and the space below the rows start nothing.
                  d.DoubleClickCell(IDC_PROP_LIST, 1, 0);
                  d.DoubleClickCell(IDC_PROP_LIST, 9, 1);
                  EXPECT_FALSE(d.IsVisible(IDC_PROP_CELL_EDIT));
                  d.DoubleClickCell(IDC_PROP_LIST, 1, 1);
                  ASSERT_TRUE(d.IsVisible(IDC_PROP_CELL_EDIT));
                  EXPECT_EQ(d.Text(IDC_PROP_CELL_EDIT), u"A-1");
                  d.SetText(IDC_PROP_CELL_EDIT, u"A-2");
                  d.DoubleClickCell(IDC_PROP_LIST, 3, 1);  // the focus leaves the edit: the cell takes it
                  EXPECT_EQ(d.ListRows(IDC_PROP_LIST)[1][1], u"A-2");
                  d.SetText(IDC_PROP_CELL_EDIT, u"bool_false");
                  d.Click(IDOK);
              }),
              IDOK);
    CString expected = kTagged;
    expected.Replace(u"A-1", u"A-2");
    expected.Replace(u"true", u"false");
    EXPECT_EQ(binding->m_remark, expected);
    EXPECT_EQ(binding->m_saved, 0);
}

// The dialog keeps the host's focus. The value being typed shows a caret 1 pixel wide and 5 shorter than its
// cell; it goes when the edit loses the focus, follows the next cell, and is gone with the dialog.
TEST_F(PropertyDlgTest, TheDialogKeepsTheFocusAndItsCellEditHasACaretFiveShorterThanTheCell) {
    HWND edit = nullptr;
    EXPECT_EQ(Run([&](platform::UiDialog& d) {
                  EXPECT_EQ(SendMessageW(d.Hwnd(), WM_ACAD_KEEPFOCUS, 0, 0), TRUE);
                  edit = GetDlgItem(d.Hwnd(), IDC_PROP_CELL_EDIT);
                  EXPECT_EQ(platform::Caret().owner, nullptr);
                  d.DoubleClickCell(IDC_PROP_LIST, 2, 1);
                  RECT cell{};
                  GetWindowRect(edit, &cell);  // the edit lies over the cell, as large as it
                  ASSERT_GT(cell.bottom - cell.top, 5);
                  platform::CaretRecord caret = platform::Caret();
                  EXPECT_EQ(caret.owner, edit);
                  EXPECT_EQ(caret.width, 1);
                  EXPECT_EQ(caret.height, (cell.bottom - cell.top) - 5);
                  EXPECT_TRUE(caret.visible);
                  d.Focus(IDC_PROP_NAME);
                  EXPECT_EQ(platform::Caret().owner, nullptr);
                  d.DoubleClickCell(IDC_PROP_LIST, 4, 1);
                  caret = platform::Caret();
                  EXPECT_EQ(caret.owner, edit);
                  EXPECT_TRUE(caret.visible);
                  d.Click(IDCANCEL);
              }),
              IDCANCEL);
    EXPECT_EQ(platform::Caret().owner, nullptr);
}

TEST_F(PropertyDlgTest, TheTextViewEditsAndCancelKeepsTheBinding) {
    // Toggled to text and cancelled: nothing written.
    EXPECT_EQ(Run([](platform::UiDialog& d) {
                  d.DoubleClickCell(IDC_PROP_LIST, 1, 1);
                  d.SetText(IDC_PROP_CELL_EDIT, u"changed");
                  d.Click(IDC_PROP_TOGGLE);
                  EXPECT_EQ(d.Text(IDC_PROP_TOGGLE), u"显示为列表");
                  EXPECT_TRUE(d.IsVisible(IDC_PROP_REMARK));
                  EXPECT_NE(d.Text(IDC_PROP_REMARK).find(u"changed"), std::u16string::npos);
                  d.Click(IDCANCEL);
              }),
              IDCANCEL);
    EXPECT_EQ(binding->m_remark, kTagged);

    // Edited as text, shown as a list again, then OK: the list reads the typed text.
    EXPECT_EQ(Run([](platform::UiDialog& d) {
                  d.Click(IDC_PROP_TOGGLE);
                  std::u16string text = d.Text(IDC_PROP_REMARK);
                  text.replace(text.find(u"A-1"), 3, u"B-7");
                  d.SetText(IDC_PROP_REMARK, text);
                  d.Click(IDC_PROP_TOGGLE);
                  EXPECT_EQ(d.ListRows(IDC_PROP_LIST)[1][1], u"B-7");
                  d.Click(IDOK);
              }),
              IDOK);
    EXPECT_NE(binding->m_remark.Find(u"\"编号\":\"B-7\""), -1);
}

TEST_F(PropertyDlgTest, TextTheAnsiCodePageCannotHoldSurvivesTheListAndAnEdit) {
    // Hangul, Devanagari and a character beyond 16 bits are not in code page 936: through narrow text they
    // would come back as "?".
    const CString remark =
        u"注 😀 क\r\n<?zavrel_ct name=\"한\"?>\r\n\"名 😀\":\"값 क\",\r\n\"b\":\"1\"\r\n}끝 😀";
    binding->m_remark = remark;
    EXPECT_EQ(Run([](platform::UiDialog& d) {
                  const Rows expected = {
                      {u"头部信息", u"注 😀 क   "}, {u"名 😀", u"값 क"}, {u"b", u"1"}, {u"尾部信息", u"끝 😀"}};
                  EXPECT_EQ(d.ListRows(IDC_PROP_LIST), expected);
                  d.DoubleClickCell(IDC_PROP_LIST, 2, 1);
                  d.SetText(IDC_PROP_CELL_EDIT, u"2 😀");
                  d.Click(IDOK);
              }),
              IDOK);
    CString expected = remark;
    expected.Replace(u"\"b\":\"1\"", u"\"b\":\"2 😀\"");
    EXPECT_EQ(binding->m_remark, expected);
}

TEST_F(PropertyDlgTest, APlainRemarkIsTextOnlyAndStoredAsTyped) {
    binding->m_remark = u"普通备注 \"未闭合";
    EXPECT_EQ(Run([](platform::UiDialog& d) {
                  EXPECT_FALSE(d.IsVisible(IDC_PROP_TOGGLE));
                  EXPECT_FALSE(d.IsVisible(IDC_PROP_LIST));
                  EXPECT_FALSE(d.IsVisible(IDC_PROP_HINT));
                  EXPECT_EQ(d.Text(IDC_PROP_REMARK), u"普通备注 \"未闭合");
                  d.SetText(IDC_PROP_REMARK, u"新的 \"备注");
                  d.SetText(IDC_PROP_NAME, u"新名");
                  d.Click(IDOK);
              }),
              IDOK);
    EXPECT_EQ(binding->m_remark, CString(u"新的 \"备注"));
    EXPECT_EQ(binding->m_name, CString(u"新名"));
}

}  // namespace
