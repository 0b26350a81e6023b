// Radial dimensions: the radius from the centre to a point on the curve, the text at the leader's length
// beyond it.
#pragma once

#include "platform/arx/acdb/dbdim.h"

class AcDbRadialDimension : public AcDbDimension {
    TARN_DB_DECLARE_MEMBERS(AcDbRadialDimension)
public:
    AcDbRadialDimension() : AcDbDimension(4, 2) {}
    AcDbRadialDimension(const AcGePoint3d& center, const AcGePoint3d& chordPoint, double leaderLength,
                        const ACHAR* dimText = nullptr, AcDbObjectId dimStyle = AcDbObjectId());

    AcGePoint3d center() const { return tarnPoint(0); }
    Acad::ErrorStatus setCenter(const AcGePoint3d& point) { return tarnSetPoint(0, point); }
    AcGePoint3d chordPoint() const { return tarnPoint(1); }
    Acad::ErrorStatus setChordPoint(const AcGePoint3d& point) { return tarnSetPoint(1, point); }
    double leaderLength() const { return m_leaderLength; }
    Acad::ErrorStatus setLeaderLength(double length);

    // At the leader's length beyond the chord point, away from the centre.
    AcGePoint3d tarnDefaultTextPosition() const override;

protected:
    // The line from the centre through the chord point to the leader's end, "R" and the radius.
    void tarnDraw(platform::DimensionPicture& picture) const override;

private:
    double m_leaderLength = 0.0;
};
