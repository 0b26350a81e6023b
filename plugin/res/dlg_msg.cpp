// The message dialog: a text, OK and a do-not-show-again button.
#include "plugin/res/dlg_msg.h"

#include "platform/mfc/afxwin.h"
#include "platform/win32/core/modres.h"

namespace {

using platform::ControlKind;

const platform::DialogTemplate kDlgMsg = {
    .caption = u"Dialog",
    .controls =
        {
            {.id = IDC_MSG_TEXT, .kind = ControlKind::Label, .rect = {7, 7, 273, 127}},
            {.id = IDOK, .kind = ControlKind::DefPushButton, .text = u"确定", .rect = {163, 133, 213, 147}},
            {.id = IDC_MSG_NOT_AGAIN,
             .kind = ControlKind::PushButton,
             .text = u"不再提示",
             .rect = {223, 133, 273, 147}},
        },
    .rect = {0, 0, 280, 154},
};

}  // namespace

TARN_RESOURCE(TARN_RT_DIALOG, IDD_DLG_MSG, &kDlgMsg, sizeof kDlgMsg);
