// The help dialog: one read-only text and OK.
#include "plugin/res/dlg_help.h"

#include "platform/mfc/afxwin.h"
#include "platform/win32/core/modres.h"

namespace {

using platform::ControlKind;

const platform::DialogTemplate kDlgHelp = {
    .caption = u"TarnArx使用帮助",
    .controls =
        {
            {.id = IDC_HELP_TEXT,
             .kind = ControlKind::MultiLineEdit,
             .extraStyle = ES_READONLY | WS_VSCROLL,
             .rect = {7, 7, 393, 263}},
            {.id = IDOK, .kind = ControlKind::DefPushButton, .text = u"确定", .rect = {343, 270, 393, 284}},
        },
    .rect = {0, 0, 400, 291},
};

}  // namespace

TARN_RESOURCE(TARN_RT_DIALOG, IDD_DLG_HELP, &kDlgHelp, sizeof kDlgHelp);
