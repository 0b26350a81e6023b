// The object property dialog: the map object's name, and its remark as text or as a list of properties.
#include "plugin/res/dlg_entproperty.h"

#include "platform/mfc/afxwin.h"
#include "platform/win32/core/modres.h"

namespace {

using platform::ControlKind;

const platform::DialogTemplate kDlgEntProperty = {
    .caption = u"对象属性",
    .controls =
        {
            {.kind = ControlKind::Label, .text = u"对象名称:", .rect = {7, 9, 50, 19}},
            {.id = IDC_PROP_NAME, .kind = ControlKind::Edit, .rect = {52, 7, 233, 21}},
            {.kind = ControlKind::Label, .text = u"备注信息：", .rect = {7, 27, 50, 37}},
            {.id = IDC_PROP_TOGGLE, .kind = ControlKind::PushButton, .text = u"显示为文本", .rect = {173, 25, 233, 39}},
            {.id = IDC_PROP_REMARK, .kind = ControlKind::MultiLineEdit, .rect = {7, 43, 233, 203}},
            {.id = IDC_PROP_LIST, .kind = ControlKind::ListView, .rect = {7, 43, 233, 203}},
            {.id = IDC_PROP_CELL_EDIT, .kind = ControlKind::Edit, .visible = false, .rect = {7, 43, 107, 57}},
            {.id = IDC_PROP_HINT, .kind = ControlKind::Label, .text = u"双击内容项可进行修改", .rect = {7, 209, 120, 219}},
            {.id = IDOK, .kind = ControlKind::DefPushButton, .text = u"确定", .rect = {123, 207, 173, 221}},
            {.id = IDCANCEL, .kind = ControlKind::PushButton, .text = u"取消", .rect = {183, 207, 233, 221}},
        },
    .rect = {0, 0, 240, 228},
};

}  // namespace

TARN_RESOURCE(TARN_RT_DIALOG, IDD_ENT_PROPERTY, &kDlgEntProperty, sizeof kDlgEntProperty);
