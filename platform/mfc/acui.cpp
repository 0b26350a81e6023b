#include "platform/mfc/acui.h"

IMPLEMENT_DYNAMIC(CAcUiDialog, CDialog)
IMPLEMENT_DYNAMIC(CAcUiPickButton, CButton)
