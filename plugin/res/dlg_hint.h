// The hint dialog's resource ids.
#pragma once

#define IDD_DLG_HINT 8353
#define IDC_HINT_NOT_AGAIN 8351
#define IDC_HINT_TEXT 8137
