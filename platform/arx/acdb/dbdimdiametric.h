// Diametric dimensions: the diameter between two opposite points of a curve, the text at the leader's length
// beyond the first.
#pragma once

#include "platform/arx/acdb/dbdim.h"

class AcDbDiametricDimension : public AcDbDimension {
    TARN_DB_DECLARE_MEMBERS(AcDbDiametricDimension)
public:
    AcDbDiametricDimension() : AcDbDimension(3, 2) {}
    AcDbDiametricDimension(const AcGePoint3d& chordPoint, const AcGePoint3d& farChordPoint,
                           double leaderLength, const ACHAR* dimText = nullptr,
                           AcDbObjectId dimStyle = AcDbObjectId());

    AcGePoint3d farChordPoint() const { return tarnPoint(0); }
    Acad::ErrorStatus setFarChordPoint(const AcGePoint3d& point) { return tarnSetPoint(0, point); }
    AcGePoint3d chordPoint() const { return tarnPoint(1); }
    Acad::ErrorStatus setChordPoint(const AcGePoint3d& point) { return tarnSetPoint(1, point); }
    double leaderLength() const { return m_leaderLength; }
    Acad::ErrorStatus setLeaderLength(double length);

    // At the leader's length beyond the chord point, away from the far chord point.
    AcGePoint3d tarnDefaultTextPosition() const override;

protected:
    // The line from the far chord point through the chord point to the leader's end, the diameter sign
    // ("%%c") and the diameter.
    void tarnDraw(platform::DimensionPicture& picture) const override;

private:
    double m_leaderLength = 0.0;
};
