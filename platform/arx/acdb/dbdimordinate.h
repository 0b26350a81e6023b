// Ordinate dimensions: the X or the Y coordinate of a defining point, written at the end of a leader.
#pragma once

#include "platform/arx/acdb/dbdim.h"

class AcDbOrdinateDimension : public AcDbDimension {
    TARN_DB_DECLARE_MEMBERS(AcDbOrdinateDimension)
public:
    AcDbOrdinateDimension() : AcDbDimension(6, 3) {}
    AcDbOrdinateDimension(bool useXAxis, const AcGePoint3d& definingPoint, const AcGePoint3d& leaderEndPoint,
                          const ACHAR* dimText = nullptr, AcDbObjectId dimStyle = AcDbObjectId());

    AcGePoint3d origin() const { return tarnPoint(0); }
    Acad::ErrorStatus setOrigin(const AcGePoint3d& point) { return tarnSetPoint(0, point); }
    AcGePoint3d definingPoint() const { return tarnPoint(1); }
    Acad::ErrorStatus setDefiningPoint(const AcGePoint3d& point) { return tarnSetPoint(1, point); }
    AcGePoint3d leaderEndPoint() const { return tarnPoint(2); }
    Acad::ErrorStatus setLeaderEndPoint(const AcGePoint3d& point) { return tarnSetPoint(2, point); }
    bool isUsingXAxis() const { return m_xAxis; }
    bool isUsingYAxis() const { return !m_xAxis; }
    Acad::ErrorStatus useXAxis();
    Acad::ErrorStatus useYAxis();

    int tarnTypeFlags() const override { return m_xAxis ? 64 : 0; }
    void tarnSetTypeFlags(int flags) override { m_xAxis = (flags & 64) != 0; }
    // At the end of the leader.
    AcGePoint3d tarnDefaultTextPosition() const override { return leaderEndPoint(); }

protected:
    // The leader from the defining point to its end, and the point's X or Y from the origin along the axes
    // of the dimension's plane.
    void tarnDraw(platform::DimensionPicture& picture) const override;

private:
    bool m_xAxis = false;
};
