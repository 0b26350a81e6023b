// The associated-point dialog: a drawing point and the map point that belongs to it.
#include "plugin/res/dlg_setcoor.h"

#include "platform/mfc/afxwin.h"
#include "platform/win32/core/modres.h"

namespace {

using platform::ControlKind;

const platform::DialogTemplate kDlgSetCoor =
    {
        .caption = u"设置关联点",
        .controls =
            {
                {.id = IDC_COOR_INFO, .rect = {7, 7, 233, 19}},
                {.id = IDC_COOR_X_LABEL, .text = u"X=", .rect = {7, 27, 27, 39}},
                {.id = IDC_COOR_X, .kind = ControlKind::Edit, .rect = {30, 25, 120, 39}},
                {.id = IDC_COOR_Y_LABEL, .text = u"Y=", .rect = {125, 27, 145, 39}},
                {.id = IDC_COOR_Y, .kind = ControlKind::Edit, .rect = {148, 25, 233, 39}},
                {.id = IDC_COOR_LON_LABEL, .text = u"经度=", .rect = {7, 47, 27, 59}},
                {.id = IDC_COOR_LON, .kind = ControlKind::Edit, .rect = {30, 45, 120, 59}},
                {.id = IDC_COOR_LAT_LABEL, .text = u"纬度=", .rect = {125, 47, 145, 59}},
                {.id = IDC_COOR_LAT, .kind = ControlKind::Edit, .rect = {148, 45, 233, 59}},
                {.id = IDC_COOR_SIMPLIFIED,
                 .kind = ControlKind::CheckBox,
                 .text = u"使用简化参数",
                 .rect = {7, 65, 100, 77}},
                {.id = IDC_COOR_HELP,
                 .kind = ControlKind::PushButton,
                 .text = u" ？",
                 .rect = {103, 65, 117, 77}},
                {.id = IDC_COOR_SET_POINT,
                 .kind = ControlKind::PushButton,
                 .text = u"设置关联点",
                 .rect = {7, 83, 77, 97}},
                {.id = IDC_COOR_FINISH,
                 .kind = ControlKind::PushButton,
                 .text = u"完成",
                 .rect = {85, 83, 155, 97}},
                {.id = IDC_COOR_CLEAR,
                 .kind = ControlKind::PushButton,
                 .text = u"清除",
                 .rect = {163, 83, 233, 97}},
                {.id = IDC_COOR_SYSTEM_TEXT, .rect = {7, 105, 233, 135}},
                {.id = IDC_COOR_USE_SYSTEM,
                 .kind = ControlKind::PushButton,
                 .text = u"使用当前系统坐标系",
                 .rect = {7, 141, 77, 155}},
                {.id = IDC_COOR_MAP_SETTINGS,
                 .kind = ControlKind::PushButton,
                 .text = u"去Zavrel地图设置",
                 .rect = {85, 141, 155, 155}},
                {.id = IDC_COOR_MORE,
                 .kind = ControlKind::PushButton,
                 .text = u"了解更多关于坐标系",
                 .rect = {163, 141, 233, 155}},
            },
        .rect = {0, 0, 240, 162},
};

}  // namespace

TARN_RESOURCE(TARN_RT_DIALOG, IDD_SET_COOR, &kDlgSetCoor, sizeof kDlgSetCoor);
