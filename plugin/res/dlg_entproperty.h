// The object property dialog's resource ids.
#pragma once

#define IDD_ENT_PROPERTY 8337
#define IDC_PROP_NAME 8136
#define IDC_PROP_TOGGLE 8339
#define IDC_PROP_REMARK 8340
#define IDC_PROP_LIST 8342
#define IDC_PROP_CELL_EDIT 8343
#define IDC_PROP_HINT 8344
