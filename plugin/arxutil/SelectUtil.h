// Gathering entity ids from the working drawing: by class, inside or crossing a window, by the user's
// selection, and the pick-first selection grouped by layer.
#pragma once

#include <vector>

#include "platform/arx/arxheaders.h"
#include "plugin/arxutil/LayerEntityList.h"

class CSelectUtil {
public:
    virtual ~CSelectUtil() = default;

    // Appends the model-space entities of the class or derived from it.
    static void GetEntityIdsByClass(AcRxClass* pClass, AcDbObjectIdArray& entIds);
    // Appends the model-space entities whose extents lie strictly inside the window; entities without
    // extents are left out.
    static void GetEntityIdsInWindow(const AcGePoint2d& ptLeftBottom, const AcGePoint2d& ptRightTop,
                                     AcDbObjectIdArray& entIds);
    // Fills the list with the pick-first selection grouped by layer, then clears the pick-first selection.
    // Always true.
    static bool GetImpliedSelectionByLayer(CLayerEntityList& layerEntList);
    // Appends the model-space entities whose extents overlap the window (touching counts), of the class when
    // one is given. The status of closing model space.
    static Acad::ErrorStatus GetEntityIdsCrossingWindow(const AcGePoint2d& pt1, const AcGePoint2d& pt2,
                                                        AcDbObjectIdArray& entIds);
    static Acad::ErrorStatus GetEntityIdsCrossingWindow(const AcGePoint2d& pt1, const AcGePoint2d& pt2,
                                                        AcDbObjectIdArray& entIds, AcRxClass* pClass);

    // The user selects; ids emptied first. True on a selection.
    static bool PromptSelectEnts(const ACHAR* prompt, resbuf* rbFilter, AcDbObjectIdArray& entIds);
    // As above, keeping the entities of the class(es); true when one was kept.
    static bool PromptSelectEnts(const ACHAR* prompt, AcRxClass* classDesc, AcDbObjectIdArray& entIds);
    static bool PromptSelectEnts(const ACHAR* prompt, const std::vector<AcRxClass*>& classDescs,
                                 AcDbObjectIdArray& entIds);
    // The user picks one entity of the class(es), asked again after a wrong one; the entity comes back open
    // in the asked mode. False (entity null) when the user gives no entity.
    static bool PromptSelectEntity(const ACHAR* prompt, AcRxClass* classDesc, AcDbEntity*& pEnt,
                                   AcGePoint3d& pickPoint, bool bOpenForWrite = true);
    static bool PromptSelectEntity(const ACHAR* prompt, const std::vector<AcRxClass*>& classDescs,
                                   AcDbEntity*& pEnt, AcGePoint3d& pickPoint, bool bOpenForWrite = true);
};
