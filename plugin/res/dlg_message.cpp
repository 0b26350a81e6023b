// The hidden message window: a modeless dialog of the class "TarnArxWin", never shown.
#include "plugin/res/dlg_message.h"

#include "platform/mfc/afxdlg.h"
#include "platform/win32/core/modres.h"

namespace {

using platform::ControlKind;

const platform::DialogTemplate kDlgMessage = {
    u"DialogMODELESS",
    {
        {IDOK, ControlKind::DefPushButton, u"OK"},
        {IDCANCEL, ControlKind::PushButton, u"Cancel"},
    },
    u"TarnArxWin",
    false,
};

}  // namespace

TARN_RESOURCE(TARN_RT_DIALOG, kIdDlgMessage, &kDlgMessage, sizeof kDlgMessage);
