#include "plugin/arxutil/EntityUtil.h"

#include <cmath>

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbentity.h"
#include "platform/mfc/cstring.h"
#include "platform/mfc/msgbox.h"

namespace {

// Closes the entity after a change: a refused change is what the caller must hear, not the close's eOk.
Acad::ErrorStatus CloseAfter(AcDbObject* object, Acad::ErrorStatus change) {
    const Acad::ErrorStatus es = object->close();
    return change != Acad::eOk ? change : es;
}

// Opens the entity for write and applies the matrix; the open's status when it can't be opened (shown in a
// message box with the format, when one is given), else the status of the transformation.
Acad::ErrorStatus TransformEntity(AcDbObjectId entId, const AcGeMatrix3d& matrix,
                                  const TCHAR* failureFormat) {
    AcDbEntity* pEnt = nullptr;
    const Acad::ErrorStatus esOpen = acdbOpenAcDbEntity(pEnt, entId, AcDb::kForWrite);
    if (esOpen != Acad::eOk) {
        if (failureFormat != nullptr) {
            CString message;
            message.Format(failureFormat, static_cast<int>(esOpen));
            AfxMessageBox(message);
        }
        return esOpen;
    }
    const Acad::ErrorStatus es = pEnt->transformBy(matrix);
    pEnt->close();
    return es;
}

}  // namespace

Acad::ErrorStatus CEntityUtil::SetColor(AcDbObjectId entId, Adesk::UInt16 colorIndex) {
    AcDbEntity* pEnt = nullptr;
    const Acad::ErrorStatus es = acdbOpenAcDbEntity(pEnt, entId, AcDb::kForWrite);
    if (es != Acad::eOk) {
        return es;
    }
    return CloseAfter(pEnt, pEnt->setColorIndex(colorIndex, true));
}

Acad::ErrorStatus CEntityUtil::SetLayer(AcDbObjectId entId, const TCHAR* layerName) {
    AcDbEntity* pEnt = nullptr;
    const Acad::ErrorStatus es = acdbOpenAcDbEntity(pEnt, entId, AcDb::kForWrite);
    if (es != Acad::eOk) {
        return es;
    }
    return CloseAfter(pEnt, pEnt->setLayer(layerName, true, false));
}

Acad::ErrorStatus CEntityUtil::SetLinetype(AcDbObjectId entId, const TCHAR* linetype) {
    AcDbEntity* pEnt = nullptr;
    const Acad::ErrorStatus es = acdbOpenAcDbEntity(pEnt, entId, AcDb::kForWrite);
    if (es != Acad::eOk) {
        return es;
    }
    return CloseAfter(pEnt, pEnt->setLinetype(linetype, true));
}

AcDbObjectId CEntityUtil::GetLayerId(AcDbObjectId entId) {
    // Reading the layer needs no write-open, which an entity on a locked layer or one open elsewhere would
    // refuse and which would count as a change of the entity.
    AcDbEntity* pEnt = nullptr;
    if (acdbOpenAcDbEntity(pEnt, entId, AcDb::kForRead) != Acad::eOk) {
        return AcDbObjectId::kNull;
    }
    const AcDbObjectId layerId = pEnt->layerId();
    pEnt->close();
    return layerId;
}

Acad::ErrorStatus CEntityUtil::Move(AcDbObjectId entId, const AcGePoint3d& basePoint,
                                    const AcGePoint3d& destPoint) {
    AcGeMatrix3d matrix;
    matrix.setToTranslation(destPoint - basePoint);
    return TransformEntity(entId, matrix, nullptr);
}

Acad::ErrorStatus CEntityUtil::Rotate(AcDbObjectId entId, const AcGePoint2d& basePoint, double angle) {
    AcGeMatrix3d matrix;
    matrix.setToRotation(angle, AcGeVector3d(0, 0, 1), AcGePoint3d(basePoint.x, basePoint.y, 0));
    return TransformEntity(entId, matrix, _T("CEntityUtil::Rotate ErrorCode:%d"));
}

Acad::ErrorStatus CEntityUtil::Scale(AcDbObjectId entId, const AcGePoint3d& basePoint, double scaleFactor) {
    // A zero factor collapses the entity and a negative one mirrors it: neither is a scaling.
    if (!(scaleFactor > 0.0) || !std::isfinite(scaleFactor)) {
        return Acad::eInvalidInput;
    }
    AcGeMatrix3d matrix;
    matrix.setToScaling(scaleFactor, basePoint);
    return TransformEntity(entId, matrix, _T("CEntityUtil::Scale ErrorCode:%d"));
}

AcDbObjectId CEntityUtil::GetObjectIdFromHandle(Adesk::UInt64 handle) {
    AcDbObjectId objId;
    AcDbDatabase* db = acdbHostApplicationServices()->workingDatabase();
    if (db == nullptr) {
        return objId;
    }
    db->getAcDbObjectId(objId, false, AcDbHandle(handle));
    return objId;
}

void CEntityUtil::EraseByHandle(Adesk::UInt64 handle) {
    Erase(GetObjectIdFromHandle(handle));
}

Acad::ErrorStatus CEntityUtil::Erase(AcDbObjectId objId) {
    AcDbObject* pObj = nullptr;
    const Acad::ErrorStatus es = acdbOpenObject(pObj, objId, AcDb::kForWrite);
    if (es != Acad::eOk) {
        return es;
    }
    return CloseAfter(pObj, pObj->erase(true));
}
