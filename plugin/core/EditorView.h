// What the base map and the roads read and set of the editor reactor's view tracking and command state. The
// editor reactor (exchange) is one; the frame points g_pEditorView at it while it is attached.
#pragma once

#include "platform/arx/arxheaders.h"

class CEditorView {
public:
    virtual ~CEditorView() = default;

    // The capture's rectangle: the next RECTANG's new polyline becomes the region and is erased.
    virtual void ArmRectCapture() = 0;

    BYTE m_bViewArmed = 1;       // cleared by the base map before a zoom of its own
    BYTE m_bFirstViewState = 0;  // no map view state yet: the first one does not move the drawing
    BYTE m_bInCommand = 0;
};

// The attached editor reactor; null while none is.
extern CEditorView* g_pEditorView;
