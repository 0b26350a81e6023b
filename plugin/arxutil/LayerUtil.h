// Layers of the working drawing: find or create, colour, list, make current, erase, and the entities on one.
#pragma once

#include "platform/arx/acdb/dbid.h"
#include "platform/arx/acdb/dbstatus.h"
#include "platform/win32/core/wintypes.h"

class AcDbDatabase;

class CLayerUtil {
public:
    virtual ~CLayerUtil() = default;

    // A null name gives the current layer. Otherwise the layer of that name, created with the host's
    // defaults when missing and create is set; the null id when it is missing (and not created) or the
    // layer table can't be opened.
    static AcDbObjectId GetLayerId(const TCHAR* name, bool create = false);
    // Erases the layer record; failures (layer "0", the current layer, an open record) are silent.
    static void Erase(AcDbObjectId layerId);
    // Adds the layer with the colour when it is missing (an existing layer keeps its colour). The status
    // of closing the layer table, or of opening it when that fails.
    static Acad::ErrorStatus Add(const TCHAR* name, Adesk::UInt16 colorIndex);
    // True when the existing layer took the colour.
    static bool SetColor(const TCHAR* name, Adesk::UInt16 colorIndex);
    // Appends the ids of the live layers in table order.
    static Acad::ErrorStatus GetLayerList(AcDbObjectIdArray& layers);
    // Makes the layer current in the database (the working one when null).
    static Acad::ErrorStatus SetCurrentLayer(const TCHAR* name, AcDbDatabase* db = nullptr);
    // Appends the ids of every entity of the drawing on the layer: 0, or 3 when there is none.
    static int GetEntityIdsOnLayer(const TCHAR* name, AcDbObjectIdArray& entIds);
};
