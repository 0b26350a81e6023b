// Blocks: references to block definitions with their attributes, intersections with a reference's
// entities, and block definitions taken from other drawing files.
#pragma once

#include "platform/arx/acdb/dbid.h"
#include "platform/arx/acdb/dbstatus.h"
#include "platform/arx/acge/acge.h"
#include "platform/mfc/cstring.h"
#include "plugin/arxutil/EntityProperty.h"

class AcDbAttributeDefinition;
class AcDbBlockReference;
class AcDbDatabase;
class AcDbEntity;

class CBlockUtil {
public:
    virtual ~CBlockUtil() = default;

    static AcDbObjectId InsertBlockRef(AcDbObjectId blkDefId, const AcGePoint3d& ptInsert,
                                       CEntityProperty prop, double scale = 1, double rotation = 0);
    // The same factor on X, Y and Z.
    static Acad::ErrorStatus SetScaleFactor(AcDbBlockReference* pBlkRef, double scale);
    // The null id when the database has no block of that name.
    static AcDbObjectId GetBlkDefId(const TCHAR* blkDefName, AcDbDatabase* pDb);
    // As InsertBlockRef, with one attribute for each attribute definition of the block, in its order.
    static AcDbObjectId InsertBlockRefWithAttribute(AcDbObjectId blkDefId, const AcGePoint3d& ptInsert,
                                                    CEntityProperty prop, double scale = 1,
                                                    double rotation = 0);
    static void AppendAttributeToBlkRef(AcDbBlockReference* pBlkRef, AcDbAttributeDefinition* pAttDef);
    // Sets the text of the reference's attributes with the tag (any case); a missing one is added from its
    // definition. False only when the block has no attribute definitions.
    static bool SetBlockRefAttribute(AcDbBlockReference* pBlkRef, const TCHAR* tag, const TCHAR* val);
    // The text of the attribute with the tag (the last one when several have it).
    static bool GetAttributeInBlockReference(AcDbBlockReference* pBlkRef, const TCHAR* tag, CString& value);
    // Appends where the entities of the reference's block, placed as the reference places them, meet pEnt.
    static Acad::ErrorStatus IntersectWith(AcDbBlockReference* pBlkRef, AcDbEntity* pEnt,
                                           AcGePoint3dArray& intPoints, bool bIntersectWithText = true,
                                           bool bProjectToXOY = false, bool bExtendEntArg = false);
    // Copies a block definition of another drawing file into the working drawing; the new block's id.
    static AcDbObjectId CopyBlockDefFromOtherDwg(const TCHAR* fileName, const TCHAR* blkDefName);
    // Makes a drawing file a block of the database (kept as it is when it has the block, unless overwritten).
    static AcDbObjectId InsertDwgBlockDef(const TCHAR* dwgFileName, const TCHAR* blkName,
                                          bool bOverwriteIfExist, AcDbDatabase* pDb);
};
