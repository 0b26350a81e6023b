// Axis-aligned extents. The empty extents hold symmetric sentinels (min +1e20, max -1e20) so that their
// midpoint is the origin; platform::IsEmptyExtents tells them apart. Adding to empty extents takes the
// other box.
#pragma once

#include "platform/arx/acdb/dbstatus.h"
#include "platform/arx/acge/gemat3d.h"
#include "platform/arx/acge/gepnt3d.h"

class AcDbBlockTableRecord;

class AcDbExtents {
public:
    AcDbExtents();
    // eInvalidExtents semantics through set(): a min above max in any coordinate leaves the extents empty.
    AcDbExtents(const AcGePoint3d& minPoint, const AcGePoint3d& maxPoint);

    AcGePoint3d minPoint() const { return m_min; }
    AcGePoint3d maxPoint() const { return m_max; }
    // eInvalidExtents (extents unchanged) when min is above max in any coordinate.
    Acad::ErrorStatus set(const AcGePoint3d& minPoint, const AcGePoint3d& maxPoint);
    void addPoint(const AcGePoint3d& point);
    void addExt(const AcDbExtents& other);
    // The union of the extents of the block's live entities. eInvalidExtents (extents unchanged) when no
    // entity can be measured, or when a test forces the failure.
    Acad::ErrorStatus addBlockExt(AcDbBlockTableRecord* block);
    void expandBy(const AcGeVector3d& vector);
    // The box around the transformed corners.
    void transformBy(const AcGeMatrix3d& matrix);

    bool operator==(const AcDbExtents& other) const;
    bool operator!=(const AcDbExtents& other) const { return !(*this == other); }

private:
    AcGePoint3d m_min;
    AcGePoint3d m_max;
};

namespace platform {

constexpr double kEmptyExtentsSentinel = 1e20;

bool IsEmptyExtents(const AcDbExtents& extents);
// Makes every addBlockExt fail with eInvalidExtents until switched off (reset between tests).
void ForceAddBlockExtFailure(bool fail);

}  // namespace platform
