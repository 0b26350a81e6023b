// Arcs: creation by centre and angles, by three points, from a start point and centre, across two points;
// arcs of bulged segments; arc length; sampling of arc entities, bulged segments and plane arcs.
#pragma once

#include "platform/arx/acdb/dbid.h"
#include "platform/arx/acge/acge.h"
#include "plugin/arxutil/EntityProperty.h"

class AcDbArc;

class CArcUtil {
public:
    virtual ~CArcUtil() = default;

    // Each creation posts to the working database's model space and returns the id, or the null id when
    // the geometry makes no arc (a radius of zero or less, points on one line) or posting failed.
    static AcDbObjectId Add(const AcGePoint3d& ptCenter, const AcGeVector3d& vec, double radius,
                            double startAngle, double endAngle, CEntityProperty prop);
    static AcDbObjectId Add(const AcGePoint3d& ptCenter, double radius, double startAngle, double endAngle,
                            CEntityProperty prop);
    // Counter-clockwise from the start through the second point to the end (the caller orders them).
    static AcDbObjectId Add(const AcGePoint3d& ptStart, const AcGePoint3d& ptOnArc, const AcGePoint3d& ptEnd,
                            CEntityProperty prop);
    static AcDbObjectId Add(const AcGePoint2d& ptStart, const AcGePoint2d& ptCenter, double angle,
                            CEntityProperty prop);
    static AcDbObjectId Add(const AcGePoint2d& ptStart, const AcGePoint2d& ptCenter, const AcGePoint2d& ptEnd,
                            CEntityProperty prop);
    // Centre between the points, radius half their X distance, angles in degrees.
    static AcDbObjectId AddByTwoPoints(const AcGePoint2d& pt1, const AcGePoint2d& pt2, double startAngle,
                                       double endAngle, CEntityProperty prop);

    // The arc of a bulged segment from start to end, in no database (the caller deletes it); null for a
    // bulge of 0.
    static AcDbArc* CreateFromBulge(const AcGePoint3d& ptStart, const AcGePoint3d& ptEnd, double bulge);
    static double GetArcLength(const AcDbArc* pArc);

    // Samples appended every step degrees along the arc (from the end backwards for a negative direction),
    // and its end (or start) point when asked. A step of zero or less gives nothing.
    static void GetSamplePoints(const AcDbArc* pArc, AcGePoint3dArray& points, double direction,
                                bool bAppendEnd, double stepAngle);
    // The segment's start and its arc's samples up to, not including, its end (plus the end when asked and
    // the bulge is positive).
    static void GetBulgeArcSamplePoints(const AcGePoint3d& ptStart, const AcGePoint3d& ptEnd, double bulge,
                                        AcGePoint3dArray& points, bool bAppendEnd, double stepAngle);
    // Evenly spaced samples of a plane arc, both ends included, z 0.
    static void GetSamplePoints(const AcGeCircArc2d& arc, AcGePoint3dArray& points, bool bLastEdge,
                                double stepAngle);
    // As above; the last sample is left out unless this is the last edge of its loop.
    static void GetEllipseArcSamplePoints(const AcGeEllipArc2d& arc, AcGePoint3dArray& points, bool bLastEdge,
                                          double stepAngle);
};

namespace arxutil {

// How many steps cover a sweep: whole steps, one more for a remainder, with a tolerance so that degree
// values a rounding away from a multiple of the step count as that multiple.
int StepsCeil(double sweep, double step);
// Whole steps in the whole degrees of a sweep (tolerant as above).
int StepsFloor(double sweep, double step);
// Appends the curve's samples with z 0.
void AppendSamples(const AcGeCurve2d& curve, int count, AcGePoint3dArray& points);

}  // namespace arxutil
