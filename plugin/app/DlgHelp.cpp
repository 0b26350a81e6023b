#include "plugin/app/DlgHelp.h"

#include "plugin/core/Settings.h"
#include "plugin/res/dlg_help.h"

namespace {

// After the heading: who made it, the two toolbars, the four toolbar functions, each setting in the order
// of the settings dialog, and where suggestions go.
const char16_t* const kHelpBody =
    u"\r\n"
    u"本插件由TarnArx开发组编写，用于在CAD中与Zavrel地图交换数据。\r\n"
    u"\r\n"
    u"插件有两个工具栏：CAD中的“Zavrel工具栏”，以及Zavrel地图中的菜单项“发送所选对象到CAD”。\r\n"
    u"\r\n"
    u"工具栏功能：\r\n"
    u"1. 发送：将CAD中选中的对象发送到Zavrel地图（Zavrel为经纬度坐标系时不可用）。\r\n"
    u"2. 底图：打开或关闭在线底图，CAD视图变化时自动加载对应级别的地图瓦片。\r\n"
    u"3. 下载：将指定范围和级别的地图下载为本地图片并插入到图纸中。\r\n"
    u"4. 关联点：设置CAD坐标与Zavrel地图坐标之间的关联点。\r\n"
    u"另有“设置”按钮打开本设置对话框；命令MATCHTARN使CAD的缩放比例与Zavrel一致。\r\n"
    u"\r\n"
    u"设置说明：\r\n"
    u"自动同步对象：修改已关联的实体后，自动把修改发送到Zavrel地图。\r\n"
    u"点显示为图标：从Zavrel接收的点以图标显示，图标大小在下拉列表中选择（240米到15米）。\r\n"
    u"底图最大级别(16-28)：在线底图和下载地图使用的最高级别。\r\n"
    u"颜色随层：Zavrel发送对象到CAD时，对象颜色设为随层。\r\n"
    u"文字指定级别(0-28)：Zavrel中无绑定级别的文字按此级别确定字高，0表示不显示。\r\n"
    u"双击显示对象属性：双击已关联的实体时显示其在Zavrel中的属性。\r\n"
    u"自动加载插件：CAD启动时自动加载本插件。\r\n"
    u"视图跟随模式：无、Zavrel随CAD、CAD随Zavrel或相互跟随。\r\n"
    u"地图临时路径：在线底图瓦片的缓存文件夹，可点击“重新选择”更改。\r\n"
    u"\r\n"
    u"如有问题或建议，请通过Zavrel官网的反馈页面告诉我们。\r\n";

}  // namespace

IMPLEMENT_DYNAMIC(CDlgHelp, CDialog)

BEGIN_MESSAGE_MAP(CDlgHelp, CDialog)
END_MESSAGE_MAP()

CDlgHelp::CDlgHelp(CWnd* parent) : CDialog(IDD_DLG_HELP, parent) {}

CString CDlgHelp::HelpText(DWORD version) {
    CString text;
    text.Format(u"TarnArx插件（V%d.%d.%d）", static_cast<int>(version / 100),
                static_cast<int>(version % 100 / 10), static_cast<int>(version % 10));
    text += kHelpBody;
    return text;
}

void CDlgHelp::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Text(dx, IDC_HELP_TEXT, m_strHelp);
}

BOOL CDlgHelp::OnInitDialog() {
    CDialog::OnInitDialog();
    m_strHelp = HelpText(kPluginVersion);
    UpdateData(FALSE);
    return TRUE;
}
