#include "plugin/arxutil/SelectUtil.h"

#include <functional>

#include "plugin/arxutil/GeRectangleUtil.h"

namespace {

// Walks the working drawing's live model-space entities, each open for read; the test says whether to take
// it. An entity that can't be opened is reported and skipped. Returns the status of closing model space
// (eNoDatabase / the open status when model space can't be had; nothing is appended then).
Acad::ErrorStatus ScanModelSpace(const std::function<bool(AcDbEntity*)>& test, AcDbObjectIdArray& entIds) {
    AcDbDatabase* pDb = acdbHostApplicationServices()->workingDatabase();
    if (pDb == nullptr) {
        return Acad::eNoDatabase;
    }
    AcDbBlockTable* pBlkTbl = nullptr;
    Acad::ErrorStatus es = pDb->getBlockTable(pBlkTbl, AcDb::kForRead);
    if (es != Acad::eOk) {
        return es;
    }
    AcDbBlockTableRecord* pBlkTblRcd = nullptr;
    es = pBlkTbl->getAt(ACDB_MODEL_SPACE, pBlkTblRcd, AcDb::kForRead);
    pBlkTbl->close();
    if (es != Acad::eOk) {
        return es;
    }
    AcDbBlockTableRecordIterator* it = nullptr;
    pBlkTblRcd->newIterator(it, true, true);
    for (; it != nullptr && !it->done(); it->step()) {
        AcDbEntity* pEnt = nullptr;
        es = it->getEntity(pEnt, AcDb::kForRead);
        if (es != Acad::eOk) {
            acutPrintf(u"\nCDwgDatabaseUtil::GetAllEntityIds中打开实体失败(错误代码:%d).",
                       static_cast<int>(es));
            continue;
        }
        if (test(pEnt)) {
            entIds.append(pEnt->objectId());
        }
        pEnt->close();
    }
    delete it;
    return pBlkTblRcd->close();
}

bool IsOneOf(const AcDbEntity* pEnt, const std::vector<AcRxClass*>& classDescs) {
    for (AcRxClass* pClass : classDescs) {
        if (pClass != nullptr && pEnt->isKindOf(pClass)) {
            return true;
        }
    }
    return false;
}

// The entity's extents reduced to X and Y; false when the host can't measure it.
bool GetExtents2d(const AcDbEntity* pEnt, AcGePoint2d& ptMin, AcGePoint2d& ptMax) {
    AcDbExtents extents;
    if (pEnt->getGeomExtents(extents) != Acad::eOk) {
        return false;
    }
    ptMin.set(extents.minPoint().x, extents.minPoint().y);
    ptMax.set(extents.maxPoint().x, extents.maxPoint().y);
    return true;
}

}  // namespace

void CSelectUtil::GetEntityIdsByClass(AcRxClass* pClass, AcDbObjectIdArray& entIds) {
    ScanModelSpace([pClass](AcDbEntity* pEnt) { return pClass != nullptr && pEnt->isKindOf(pClass); },
                   entIds);
}

void CSelectUtil::GetEntityIdsInWindow(const AcGePoint2d& ptLeftBottom, const AcGePoint2d& ptRightTop,
                                       AcDbObjectIdArray& entIds) {
    ScanModelSpace(
        [&](AcDbEntity* pEnt) {
            AcGePoint2d ptMin;
            AcGePoint2d ptMax;
            return GetExtents2d(pEnt, ptMin, ptMax) && ptMin.x > ptLeftBottom.x && ptMin.y > ptLeftBottom.y &&
                   ptRightTop.x > ptMax.x && ptRightTop.y > ptMax.y;
        },
        entIds);
}

bool CSelectUtil::GetImpliedSelectionByLayer(CLayerEntityList& layerEntList) {
    ads_name ss;
    if (acedSSGet(u"I", nullptr, nullptr, nullptr, ss) == RTNORM) {
        Adesk::Int32 length = 0;
        acedSSLength(ss, &length);
        for (Adesk::Int32 i = 0; i < length; ++i) {
            ads_name ent;
            AcDbObjectId entId;
            if (acedSSName(ss, i, ent) != RTNORM || acdbGetObjectId(entId, ent) != Acad::eOk) {
                continue;
            }
            AcDbEntity* pEnt = nullptr;
            if (acdbOpenAcDbEntity(pEnt, entId, AcDb::kForRead) != Acad::eOk) {
                continue;
            }
            layerEntList.Add(entId, CString(pEnt->layer().kACharPtr()));
            pEnt->close();
        }
        acedSSFree(ss);
    }
    acedSSSetFirst(nullptr, nullptr);
    return true;
}

Acad::ErrorStatus CSelectUtil::GetEntityIdsCrossingWindow(const AcGePoint2d& pt1, const AcGePoint2d& pt2,
                                                          AcDbObjectIdArray& entIds) {
    return GetEntityIdsCrossingWindow(pt1, pt2, entIds, nullptr);
}

Acad::ErrorStatus CSelectUtil::GetEntityIdsCrossingWindow(const AcGePoint2d& pt1, const AcGePoint2d& pt2,
                                                          AcDbObjectIdArray& entIds, AcRxClass* pClass) {
    return ScanModelSpace(
        [&](AcDbEntity* pEnt) {
            if (pClass != nullptr && !pEnt->isKindOf(pClass)) {
                return false;
            }
            AcGePoint2d ptMin;
            AcGePoint2d ptMax;
            return GetExtents2d(pEnt, ptMin, ptMax) &&
                   CGeRectangleUtil::IntersectWithRectangle(pt1, pt2, ptMin, ptMax);
        },
        entIds);
}

bool CSelectUtil::PromptSelectEnts(const ACHAR* prompt, resbuf* rbFilter, AcDbObjectIdArray& entIds) {
    entIds.setLogicalLength(0);
    acutPrintf(u"%s", prompt);  // the prompt is text, not a format
    ads_name ss;
    const int rc = acedSSGet(nullptr, nullptr, nullptr, rbFilter, ss);
    if (rc != RTNORM) {
        return false;
    }
    Adesk::Int32 length = 0;
    acedSSLength(ss, &length);
    for (Adesk::Int32 i = 0; i < length; ++i) {
        ads_name ent;
        AcDbObjectId entId;
        if (acedSSName(ss, i, ent) == RTNORM && acdbGetObjectId(entId, ent) == Acad::eOk) {
            entIds.append(entId);
        }
    }
    acedSSFree(ss);
    return true;
}

bool CSelectUtil::PromptSelectEnts(const ACHAR* prompt, AcRxClass* classDesc, AcDbObjectIdArray& entIds) {
    return PromptSelectEnts(prompt, std::vector<AcRxClass*>{classDesc}, entIds);
}

bool CSelectUtil::PromptSelectEnts(const ACHAR* prompt, const std::vector<AcRxClass*>& classDescs,
                                   AcDbObjectIdArray& entIds) {
    entIds.setLogicalLength(0);
    acutPrintf(u"%s", prompt);  // the prompt is text, not a format
    ads_name ss;
    if (acedSSGet(nullptr, nullptr, nullptr, nullptr, ss) != RTNORM) {
        return false;
    }
    Adesk::Int32 length = 0;
    acedSSLength(ss, &length);
    for (Adesk::Int32 i = 0; i < length; ++i) {
        ads_name ent;
        AcDbObjectId entId;
        AcDbEntity* pEnt = nullptr;
        if (acedSSName(ss, i, ent) != RTNORM || acdbGetObjectId(entId, ent) != Acad::eOk ||
            acdbOpenAcDbEntity(pEnt, entId, AcDb::kForRead) != Acad::eOk) {
            continue;
        }
        if (IsOneOf(pEnt, classDescs)) {
            entIds.append(entId);
        }
        pEnt->close();
    }
    acedSSFree(ss);
    return entIds.length() > 0;
}

bool CSelectUtil::PromptSelectEntity(const ACHAR* prompt, AcRxClass* classDesc, AcDbEntity*& pEnt,
                                     AcGePoint3d& pickPoint, bool bOpenForWrite) {
    return PromptSelectEntity(prompt, std::vector<AcRxClass*>{classDesc}, pEnt, pickPoint, bOpenForWrite);
}

bool CSelectUtil::PromptSelectEntity(const ACHAR* prompt, const std::vector<AcRxClass*>& classDescs,
                                     AcDbEntity*& pEnt, AcGePoint3d& pickPoint, bool bOpenForWrite) {
    for (;;) {
        pEnt = nullptr;
        ads_name ent;
        ads_point pt;
        if (acedEntSel(prompt, ent, pt) != RTNORM) {
            return false;
        }
        pickPoint.set(pt[X], pt[Y], pt[Z]);
        AcDbObjectId entId;
        if (acdbGetObjectId(entId, ent) == Acad::eOk &&
            acdbOpenAcDbEntity(pEnt, entId, bOpenForWrite ? AcDb::kForWrite : AcDb::kForRead) == Acad::eOk) {
            if (IsOneOf(pEnt, classDescs)) {
                return true;
            }
            pEnt->close();
            pEnt = nullptr;
        }
        acutPrintf(u"\n选择的实体类型不合要求, 请再次选择...");
    }
}
