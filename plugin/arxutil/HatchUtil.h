// Hatches bounded by existing entities, and hatch boundary loops as point lists.
#pragma once

#include <vector>

#include "platform/arx/acdb/dbid.h"
#include "platform/arx/acge/acge.h"
#include "platform/win32/core/wintypes.h"
#include "plugin/arxutil/EntityProperty.h"

class CHatchUtil {
public:
    virtual ~CHatchUtil() = default;

    // A hatch of the predefined pattern inside one external loop of boundary entities, in the working
    // database. Not associative: the boundary entities are erased. Associative: the hatch is added to each
    // boundary entity as a persistent reactor. A loop the hatch refuses (empty, open, not curves) gives the
    // null id, creates nothing and leaves the boundaries as they were.
    static AcDbObjectId Add(const AcDbObjectIdArray& objIds, CEntityProperty prop, bool bAssociative = false,
                            const TCHAR* patName = _T("SOLID"));
    // Outer loops as external loops, then inner loops as outermost ones (external when there is no outer
    // loop). Not associative: the first entity of each loop is erased. Any refused loop, or a hatch with no
    // loop, gives the null id and leaves every boundary as it was.
    static AcDbObjectId Add(const std::vector<AcDbObjectIdArray>& outerLoops,
                            const std::vector<AcDbObjectIdArray>& innerLoops, CEntityProperty prop,
                            bool bAssociative = false, const TCHAR* patName = _T("SOLID"));

    // Appends a polyline loop's points (z 0): each vertex, and along bulged segments samples every 3
    // degrees; the closing bulged segment too when the loop does not repeat its first vertex.
    static void GetPolylineLoopPoints(AcGePoint3dArray& points, const AcGePoint2dArray& vertices,
                                      const AcGeDoubleArray& bulges);
    // Appends an edge loop's points (z 0): lines give their start, arcs, elliptical arcs and splines their
    // samples. The edges are AcGeCurve2d pointers; an edge whose type code does not match its class is
    // skipped.
    static void GetEdgeLoopPoints(AcGePoint3dArray& points, const AcGeVoidPointerArray& edgePtrs,
                                  const AcGeIntArray& edgeTypes);
};
