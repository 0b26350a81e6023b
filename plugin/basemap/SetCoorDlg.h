// The associated-point dialog: points tied between the drawing and the map application's coordinates.
#pragma once

#include "platform/mfc/acui.h"

class CSetCoorDlg : public CAcUiDialog {
public:
    CSetCoorDlg() : CAcUiDialog(8115) {}
};

// Sends the stored associated points again with the given kind (request 20201); the link's result.
int ResendAssocPoints(DWORD kind);

// The dialog while it exists; null otherwise.
extern CSetCoorDlg* g_pSetCoorDlg;
// Closes and deletes the dialog when it exists.
void DestroySetCoorDlg();
