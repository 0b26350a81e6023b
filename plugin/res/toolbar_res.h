// Resource ids of the toolbar: its buttons' commands (whose string resources are the tips), the pictures
// of the image list, and the toolbar itself.
#pragma once

#define IDR_TOOLBAR_TARN 8104

#define ID_TARN_SEND 32768
#define ID_TARN_ONLINE_MAP 32769
#define ID_TARN_DOWNLOAD 32770
#define ID_TARN_SET_COOR 32772
#define ID_TARN_SETTINGS 32773
#define ID_TARN_PICK_ENTITY 32778
#define ID_TARN_CLEAR_MAP 32780

// Image i of the image list comes from the i-th of these; the last is the base map switched off.
#define IDB_TOOLBAR_SEND 8328
#define IDB_TOOLBAR_MAP_ON 8130
#define IDB_TOOLBAR_DOWNLOAD 8149
#define IDB_TOOLBAR_POINTS 8129
#define IDB_TOOLBAR_SETTINGS 8132
#define IDB_TOOLBAR_MAP_OFF 8131
