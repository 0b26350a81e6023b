// The map capture dialog: the map type, the level, how the region is given and an optional name.
#include "plugin/res/dlg_capture.h"

#include "platform/mfc/afxwin.h"
#include "platform/win32/core/modres.h"

namespace {

using platform::ControlKind;

const platform::DialogTemplate kDlgCapture = {
    .caption = u"下载地图到本地",
    .controls =
        {
            {.text = u"地图类型:", .rect = {7, 9, 67, 21}},
            {.id = IDC_CAPTURE_MAP_TYPE, .kind = ControlKind::Edit, .rect = {70, 7, 200, 21}},
            {.text = u"地图级别：", .rect = {7, 29, 67, 41}},
            {.id = IDC_CAPTURE_LEVEL, .kind = ControlKind::ComboDropList, .rect = {70, 27, 200, 120}},
            {.text = u"取图范围：", .rect = {7, 49, 67, 61}},
            {.id = IDC_CAPTURE_RECT,
             .kind = ControlKind::RadioButton,
             .text = u"框选一个矩形",
             .check = BST_CHECKED,
             .rect = {70, 47, 200, 59}},
            {.id = IDC_CAPTURE_ENTITY,
             .kind = ControlKind::RadioButton,
             .text = u"选择一个对象(的外围)",
             .rect = {70, 61, 200, 73}},
            {.text = u"地图名称(可不写)：", .rect = {7, 81, 87, 93}},
            {.id = IDC_CAPTURE_NAME, .kind = ControlKind::Edit, .rect = {90, 79, 200, 93}},
            {.id = IDOK, .kind = ControlKind::DefPushButton, .text = u"确定", .rect = {90, 101, 140, 115}},
            {.id = IDCANCEL, .kind = ControlKind::PushButton, .text = u"取消", .rect = {150, 101, 200, 115}},
        },
    .rect = {0, 0, 207, 122},
};

}  // namespace

TARN_RESOURCE(TARN_RT_DIALOG, IDD_CAPTURE_MAP, &kDlgCapture, sizeof kDlgCapture);
