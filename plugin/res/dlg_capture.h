// The map capture dialog's resource ids.
#pragma once

#define IDD_CAPTURE_MAP 8145
#define IDC_CAPTURE_MAP_TYPE 8142
#define IDC_CAPTURE_LEVEL 8144
#define IDC_CAPTURE_RECT 8146
#define IDC_CAPTURE_ENTITY 8147
#define IDC_CAPTURE_NAME 8148
