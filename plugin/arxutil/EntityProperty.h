// The properties a new entity is posted with: colour (or its layer's), layer, linetype and opacity.
#pragma once

#include "platform/arx/acdb/cmcolor.h"
#include "platform/mfc/cstring.h"

class CEntityProperty {
public:
    CEntityProperty();

    // True: the entity takes its layer's colour and m_color is not used.
    bool m_bByLayer;
    AcCmColor m_color;
    // Empty: the entity keeps the layer the host gives it.
    CString m_strLayerName;
    // Applied whatever it holds.
    CString m_strLinetype;
    // 0..100; turned into the entity's transparency.
    int m_nOpacity;
};
