// The Yes/No hint with its do-not-show-again box; the caption is set by the dialog.
#include "plugin/res/dlg_hint.h"

#include "platform/mfc/afxwin.h"
#include "platform/win32/core/modres.h"

namespace {

using platform::ControlKind;

const platform::DialogTemplate kDlgHint = {
    .caption = u"更新提示",
    .controls =
        {
            {.id = IDC_HINT_TEXT, .kind = ControlKind::Label, .rect = {7, 7, 273, 87}},
            {.id = IDC_HINT_NOT_AGAIN,
             .kind = ControlKind::CheckBox,
             .text = u"不再提示(不更新)",
             .rect = {7, 95, 120, 107}},
            {.id = IDOK, .kind = ControlKind::DefPushButton, .text = u"是", .rect = {163, 93, 213, 107}},
            {.id = IDCANCEL, .kind = ControlKind::PushButton, .text = u"否", .rect = {223, 93, 273, 107}},
        },
    .rect = {0, 0, 280, 114},
};

}  // namespace

TARN_RESOURCE(TARN_RT_DIALOG, IDD_DLG_HINT, &kDlgHint, sizeof kDlgHint);
