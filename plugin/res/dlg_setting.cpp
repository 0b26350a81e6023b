// The settings dialog: the settings a user may change, the cache folder with its browse button, and help.
#include "plugin/res/dlg_setting.h"

#include "platform/mfc/afxwin.h"
#include "platform/win32/core/modres.h"

namespace {

using platform::ControlKind;

const platform::DialogTemplate kDlgSetting = {
    .caption = u"设置",
    .controls =
        {
            {.id = IDC_SET_AUTO_SYNC,
             .kind = ControlKind::CheckBox,
             .text = u"自动同步对象",
             .rect = {10, 10, 110, 22}},
            {.id = IDC_SET_POINT_ICON,
             .kind = ControlKind::CheckBox,
             .text = u"点显示为图标",
             .rect = {120, 10, 220, 22}},
            {.id = IDC_SET_ICON_SIZE, .kind = ControlKind::ComboDropList, .rect = {120, 26, 220, 90}},
            {.id = IDC_SET_MAX_LEVEL_LABEL,
             .kind = ControlKind::Label,
             .text = u"底图最大级别(16-28):",
             .rect = {10, 46, 110, 58}},
            {.id = IDC_SET_MAX_LEVEL, .kind = ControlKind::Edit, .rect = {120, 44, 160, 58}},
            {.id = IDC_SET_BYLAYER,
             .kind = ControlKind::CheckBox,
             .text = u"Zavrel发送对象到CAD时，颜色随层",
             .rect = {10, 64, 220, 76}},
            {.kind = ControlKind::Label,
             .text = u"Zavrel中无绑定级别\r\n的文字指定级别为:\r\n(0表示不显示）",
             .rect = {10, 82, 110, 108}},
            {.id = IDC_SET_TEXT_LEVEL, .kind = ControlKind::Edit, .rect = {120, 86, 160, 100}},
            {.id = IDC_SET_DBLCLICK,
             .kind = ControlKind::CheckBox,
             .text = u"双击显示对象属性",
             .rect = {10, 114, 110, 126}},
            {.id = IDC_SET_AUTO_LOAD,
             .kind = ControlKind::CheckBox,
             .text = u"自动加载插件",
             .rect = {120, 114, 220, 126}},
            {.kind = ControlKind::Label, .text = u"视图跟随模式：", .rect = {10, 134, 80, 146}},
            {.id = IDC_SET_FOLLOW, .kind = ControlKind::ComboDropList, .rect = {80, 132, 220, 190}},
            {.id = IDC_SET_CACHE_FOLDER, .kind = ControlKind::Label, .rect = {10, 154, 180, 166}},
            {.id = IDC_SET_BROWSE,
             .kind = ControlKind::PushButton,
             .text = u"重新选择",
             .rect = {184, 152, 230, 166}},
            {.id = IDC_SET_HELP,
             .kind = ControlKind::PushButton,
             .text = u"帮助",
             .rect = {10, 176, 60, 190}},
            {.id = IDOK, .kind = ControlKind::DefPushButton, .text = u"确定", .rect = {124, 176, 174, 190}},
            {.id = IDCANCEL, .kind = ControlKind::PushButton, .text = u"取消", .rect = {180, 176, 230, 190}},
        },
    .rect = {0, 0, 240, 198},
};

}  // namespace

TARN_RESOURCE(TARN_RT_DIALOG, IDD_DLG_SETTING, &kDlgSetting, sizeof kDlgSetting);
