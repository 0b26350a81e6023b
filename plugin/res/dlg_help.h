// The help dialog's resource ids.
#pragma once

#define IDD_DLG_HELP 8134
#define IDC_HELP_TEXT 8326
