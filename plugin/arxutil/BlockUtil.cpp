#include "plugin/arxutil/BlockUtil.h"

#include <memory>

#include "platform/arx/acdb/acdb_all.h"
#include "platform/arx/aced/acedcmdline.h"
#include "platform/mfc/msgbox.h"
#include "platform/win32/windows.h"
#include "plugin/arxutil/DwgDatabaseUtil.h"

namespace {

// A drawing file's sharing mode: deny none.
constexpr int kShareDenyNone = 64;

// A new attribute made from its definition for the reference, not yet appended.
AcDbAttribute* NewAttribute(AcDbBlockReference* pBlkRef, AcDbAttributeDefinition* pAttDef) {
    AcDbAttribute* pAtt = new AcDbAttribute();
    pAtt->setPropertiesFrom(pBlkRef);
    pAtt->setLayer(pBlkRef->layerId());
    pAtt->setInvisible(pAttDef->isInvisible());
    pAtt->setPosition(pAttDef->position());
    pAtt->setHeight(pAttDef->height());
    pAtt->setWidthFactor(pAttDef->widthFactor());
    pAtt->setRotation(pAttDef->rotation());
    pAtt->setHorizontalMode(pAttDef->horizontalMode());
    pAtt->setVerticalMode(pAttDef->verticalMode());
    pAtt->setAlignmentPoint(pAttDef->alignmentPoint());
    pAtt->setTextStyle(pAttDef->textStyle());
    pAtt->setAttributeFromBlock(pBlkRef->blockTransform());
    pAtt->setTag(pAttDef->tagConst());
    pAtt->setFieldLength(pAttDef->fieldLength());
    pAtt->setTextString(pAttDef->textStringConst());
    return pAtt;
}

// Appends and closes (a reference not yet in a drawing keeps it until it is posted).
void AppendAttribute(AcDbBlockReference* pBlkRef, AcDbAttribute* pAtt) {
    if (pBlkRef->appendAttribute(pAtt) != Acad::eOk) {
        delete pAtt;
        return;
    }
    if (!pAtt->objectId().isNull()) {
        pAtt->close();
    }
}

}  // namespace

AcDbObjectId CBlockUtil::InsertBlockRef(AcDbObjectId blkDefId, const AcGePoint3d& ptInsert,
                                        CEntityProperty prop, double scale, double rotation) {
    AcDbBlockReference* pBlkRef = new AcDbBlockReference(ptInsert, blkDefId);
    pBlkRef->setRotation(rotation);
    SetScaleFactor(pBlkRef, scale);
    return CDwgDatabaseUtil::PostToModelSpace(pBlkRef, prop,
                                              acdbHostApplicationServices()->workingDatabase());
}

Acad::ErrorStatus CBlockUtil::SetScaleFactor(AcDbBlockReference* pBlkRef, double scale) {
    return pBlkRef->setScaleFactors(AcGeScale3d(scale, scale, scale));
}

AcDbObjectId CBlockUtil::GetBlkDefId(const TCHAR* blkDefName, AcDbDatabase* pDb) {
    AcDbObjectId blkDefId;
    AcDbBlockTable* pBlkTbl = nullptr;
    if (pDb == nullptr || blkDefName == nullptr || pDb->getBlockTable(pBlkTbl, AcDb::kForRead) != Acad::eOk) {
        return blkDefId;
    }
    if (pBlkTbl->getAt(blkDefName, blkDefId) != Acad::eOk) {
        blkDefId = AcDbObjectId::kNull;
    }
    pBlkTbl->close();
    return blkDefId;
}

AcDbObjectId CBlockUtil::InsertBlockRefWithAttribute(AcDbObjectId blkDefId, const AcGePoint3d& ptInsert,
                                                     CEntityProperty prop, double scale, double rotation) {
    AcDbBlockReference* pBlkRef = new AcDbBlockReference(ptInsert, blkDefId);
    pBlkRef->setRotation(rotation);
    SetScaleFactor(pBlkRef, scale);

    AcDbBlockTableRecord* pBlkDefRcd = nullptr;
    if (acdbOpenObject(pBlkDefRcd, blkDefId, AcDb::kForRead) == Acad::eOk) {
        if (pBlkDefRcd->hasAttributeDefinitions()) {
            AcDbBlockTableRecordIterator* pItr = nullptr;
            pBlkDefRcd->newIterator(pItr);
            for (pItr->start(); !pItr->done(); pItr->step()) {
                AcDbEntity* pEnt = nullptr;
                if (pItr->getEntity(pEnt, AcDb::kForRead) != Acad::eOk) {
                    continue;
                }
                if (AcDbAttributeDefinition* pAttDef = AcDbAttributeDefinition::cast(pEnt)) {
                    AppendAttributeToBlkRef(pBlkRef, pAttDef);
                }
                pEnt->close();
            }
            delete pItr;
        }
        pBlkDefRcd->close();
    }
    return CDwgDatabaseUtil::PostToModelSpace(pBlkRef, prop,
                                              acdbHostApplicationServices()->workingDatabase());
}

void CBlockUtil::AppendAttributeToBlkRef(AcDbBlockReference* pBlkRef, AcDbAttributeDefinition* pAttDef) {
    AppendAttribute(pBlkRef, NewAttribute(pBlkRef, pAttDef));
}

bool CBlockUtil::SetBlockRefAttribute(AcDbBlockReference* pBlkRef, const TCHAR* tag, const TCHAR* val) {
    AcDbBlockTableRecord* pBlkDefRcd = nullptr;
    if (acdbOpenObject(pBlkDefRcd, pBlkRef->blockTableRecord(), AcDb::kForRead) != Acad::eOk) {
        return true;
    }
    if (!pBlkDefRcd->hasAttributeDefinitions()) {
        pBlkDefRcd->close();
        return false;
    }
    const CString strTag(tag != nullptr ? tag : _T(""));
    AcDbBlockTableRecordIterator* pItr = nullptr;
    pBlkDefRcd->newIterator(pItr);
    for (pItr->start(); !pItr->done(); pItr->step()) {
        AcDbEntity* pEnt = nullptr;
        if (pItr->getEntity(pEnt, AcDb::kForRead) != Acad::eOk) {
            continue;
        }
        AcDbAttributeDefinition* pAttDef = AcDbAttributeDefinition::cast(pEnt);
        if (pAttDef != nullptr && strTag.CompareNoCase(pAttDef->tagConst()) == 0) {
            bool bFound = false;
            std::unique_ptr<AcDbObjectIterator> pAttItr(pBlkRef->attributeIterator());
            for (pAttItr->start(); !pAttItr->done(); pAttItr->step()) {
                AcDbAttribute* pAtt = nullptr;
                if (acdbOpenObject(pAtt, pAttItr->objectId(), AcDb::kForWrite) != Acad::eOk) {
                    continue;
                }
                if (strTag.CompareNoCase(pAtt->tagConst()) == 0) {
                    pAtt->setTextString(val != nullptr ? val : _T(""));
                    bFound = true;
                }
                pAtt->close();
            }
            if (!bFound) {
                // The missing attribute is added with the text asked for, not the definition's default.
                AcDbAttribute* pAtt = NewAttribute(pBlkRef, pAttDef);
                pAtt->setTextString(val != nullptr ? val : _T(""));
                AppendAttribute(pBlkRef, pAtt);
            }
        }
        pEnt->close();
    }
    delete pItr;
    pBlkDefRcd->close();
    return true;
}

bool CBlockUtil::GetAttributeInBlockReference(AcDbBlockReference* pBlkRef, const TCHAR* tag, CString& value) {
    CString strTag(tag != nullptr ? tag : _T(""));
    strTag.MakeUpper();
    bool bFound = false;
    std::unique_ptr<AcDbObjectIterator> pAttItr(pBlkRef->attributeIterator());
    for (pAttItr->start(); !pAttItr->done(); pAttItr->step()) {
        AcDbAttribute* pAtt = nullptr;
        if (acdbOpenObject(pAtt, pAttItr->objectId(), AcDb::kForRead) != Acad::eOk) {
            continue;
        }
        if (strTag == pAtt->tagConst()) {
            value = pAtt->textStringConst();
            bFound = true;
        }
        pAtt->close();
    }
    return bFound;
}

Acad::ErrorStatus CBlockUtil::IntersectWith(AcDbBlockReference* pBlkRef, AcDbEntity* pEnt,
                                            AcGePoint3dArray& intPoints, bool bIntersectWithText,
                                            bool bProjectToXOY, bool bExtendEntArg) {
    AcDbBlockTableRecord* pBlkDefRcd = nullptr;
    Acad::ErrorStatus es = acdbOpenObject(pBlkDefRcd, pBlkRef->blockTableRecord(), AcDb::kForRead);
    if (es != Acad::eOk) {
        return es;
    }
    const AcGeMatrix3d xform = pBlkRef->blockTransform();
    const AcDb::Intersect type = bExtendEntArg ? AcDb::kExtendArg : AcDb::kOnBothOperands;
    AcDbBlockTableRecordIterator* pItr = nullptr;
    pBlkDefRcd->newIterator(pItr);
    for (pItr->start(); !pItr->done(); pItr->step()) {
        AcDbEntity* pSub = nullptr;
        if (pItr->getEntity(pSub, AcDb::kForRead) != Acad::eOk) {
            continue;
        }
        if (bIntersectWithText || !pSub->isKindOf(AcDbMText::desc())) {
            AcDbEntity* pCopy = nullptr;
            if (pSub->getTransformedCopy(xform, pCopy) == Acad::eOk && pCopy != nullptr) {
                if (bProjectToXOY) {
                    pCopy->intersectWith(pEnt, type, AcGePlane::kXYPlane, intPoints);
                } else {
                    pCopy->intersectWith(pEnt, type, intPoints);
                }
                delete pCopy;
            }
        }
        pSub->close();
    }
    delete pItr;
    return pBlkDefRcd->close();
}

AcDbObjectId CBlockUtil::CopyBlockDefFromOtherDwg(const TCHAR* fileName, const TCHAR* blkDefName) {
    AcDbObjectId blockRefId;
    AcDbDatabase* pSourceDwg = new AcDbDatabase(false, true);
    if (pSourceDwg->readDwgFile(fileName, kShareDenyNone) != Acad::eOk) {
        delete pSourceDwg;
        acutPrintf(_T("\n读入dwg图形错误, 图形名称: %s"), fileName);
        return blockRefId;
    }
    AcDbDatabase* pWorkingDb = acdbHostApplicationServices()->workingDatabase();
    AcDbBlockTable* pBlkTbl = nullptr;
    AcDbObjectId blkDefId;
    bool bHasBlock = false;
    if (pSourceDwg->getBlockTable(pBlkTbl, AcDb::kForRead) == Acad::eOk) {
        bHasBlock = pBlkTbl->getAt(blkDefName, blkDefId) == Acad::eOk;
        pBlkTbl->close();
    }
    if (bHasBlock && pWorkingDb != nullptr) {
        AcDbDatabase* pTempDb = nullptr;
        if (pSourceDwg->wblock(pTempDb, blkDefId) == Acad::eOk) {
            pWorkingDb->insert(blockRefId, blkDefName, pTempDb, true);
            delete pTempDb;
        }
    } else if (!bHasBlock) {
        acutPrintf(_T("\n给定的DWG文件中, 不存在指定名称的块表记录."));
    }
    delete pSourceDwg;
    return blockRefId;
}

AcDbObjectId CBlockUtil::InsertDwgBlockDef(const TCHAR* dwgFileName, const TCHAR* blkName,
                                           bool bOverwriteIfExist, AcDbDatabase* pDb) {
    AcDbObjectId blkDefId = GetBlkDefId(blkName, pDb);
    if (pDb == nullptr || (!blkDefId.isNull() && !bOverwriteIfExist)) {
        return blkDefId;
    }
    const DWORD attributes =
        dwgFileName != nullptr ? GetFileAttributesW(dwgFileName) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        AfxMessageBox(_T("CBlockUtil::InsertDwgBlockDef函数, 未找到指定的图块文件."), MB_OK);
        return AcDbObjectId::kNull;
    }
    AcDbDatabase* pBlkDb = new AcDbDatabase(false, true);
    Acad::ErrorStatus es = pBlkDb->readDwgFile(dwgFileName, kShareDenyNone);
    if (es != Acad::eOk) {
        CString message;
        message.Format(_T("CBlockUtil::InsertDwgBlockDef函数, readDwgFile失败:%d."), static_cast<int>(es));
        AfxMessageBox(message, MB_OK);
        delete pBlkDb;
        return AcDbObjectId::kNull;
    }
    AcDbObjectId newId;
    es = pDb->insert(newId, blkName, pBlkDb, true);
    if (es != Acad::eOk) {
        CString message;
        message.Format(_T("CBlockUtil::InsertDwgBlockDef函数, insert失败:%d."), static_cast<int>(es));
        AfxMessageBox(message, MB_OK);
    }
    delete pBlkDb;
    return newId;
}
