// The message dialog's resource ids.
#pragma once

#define IDD_DLG_MSG 8314
#define IDC_MSG_NOT_AGAIN 8354
#define IDC_MSG_TEXT 8138
