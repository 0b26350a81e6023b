// Edits of one existing entity by id: colour, layer, linetype, move, rotate, scale, erase; its layer; and
// entities found again by handle.
#pragma once

#include "platform/arx/acdb/dbid.h"
#include "platform/arx/acdb/dbstatus.h"
#include "platform/arx/acge/acge.h"
#include "platform/win32/core/wintypes.h"

class CEntityUtil {
public:
    virtual ~CEntityUtil() = default;

    // Each opens the entity for write, makes the change and closes it. The status of the change when it
    // was refused, else that of the close; the open's status when the entity can't be opened.
    static Acad::ErrorStatus SetColor(AcDbObjectId entId, Adesk::UInt16 colorIndex);
    static Acad::ErrorStatus SetLayer(AcDbObjectId entId, const TCHAR* layerName);
    static Acad::ErrorStatus SetLinetype(AcDbObjectId entId, const TCHAR* linetype);
    // The entity's layer; the null id when the entity can't be read.
    static AcDbObjectId GetLayerId(AcDbObjectId entId);

    // Translation by destination - base.
    static Acad::ErrorStatus Move(AcDbObjectId entId, const AcGePoint3d& basePoint,
                                  const AcGePoint3d& destPoint);
    // Rotation by the angle (radians) about the Z axis through the base point. An entity that can't be
    // opened is reported in a message box.
    static Acad::ErrorStatus Rotate(AcDbObjectId entId, const AcGePoint2d& basePoint, double angle);
    // Scaling about the base point by a positive factor. An entity that can't be opened is reported in a
    // message box.
    static Acad::ErrorStatus Scale(AcDbObjectId entId, const AcGePoint3d& basePoint, double scaleFactor);

    // The id of the handle in the working database; null when there is none or the handle is unknown.
    static AcDbObjectId GetObjectIdFromHandle(Adesk::UInt64 handle);
    static void EraseByHandle(Adesk::UInt64 handle);
    static Acad::ErrorStatus Erase(AcDbObjectId objId);
};
