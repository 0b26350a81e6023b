// Dimensions of every kind the host has, posted to the working drawing's model space.
#pragma once

#include "platform/arx/acdb/dbid.h"
#include "platform/arx/acge/acge.h"
#include "plugin/arxutil/EntityProperty.h"

class CDimensionUtil {
public:
    virtual ~CDimensionUtil() = default;

    // A null text shows the measurement; a null style is the host's default.
    static AcDbObjectId AddDimAligned(const AcGePoint3d& pt1, const AcGePoint3d& pt2,
                                      const AcGePoint3d& ptLine, CEntityProperty prop,
                                      const TCHAR* dimText = nullptr,
                                      AcDbObjectId dimStyle = AcDbObjectId::kNull);
    // With the default style; the text is then moved by the offset (with a leader).
    static AcDbObjectId AddDimAligned(const AcGePoint3d& pt1, const AcGePoint3d& pt2,
                                      const AcGePoint3d& ptLine, CEntityProperty prop,
                                      const AcGeVector3d& vecOffset, const TCHAR* dimText = nullptr);
    static AcDbObjectId AddDimRotated(const AcGePoint3d& pt1, const AcGePoint3d& pt2,
                                      const AcGePoint3d& ptLine, CEntityProperty prop, double rotation,
                                      const TCHAR* dimText = nullptr,
                                      AcDbObjectId dimStyle = AcDbObjectId::kNull);
    static AcDbObjectId AddDimRadial(const AcGePoint3d& ptCenter, const AcGePoint3d& ptChord,
                                     double leaderLength, CEntityProperty prop,
                                     const TCHAR* dimText = nullptr,
                                     AcDbObjectId dimStyle = AcDbObjectId::kNull);
    static AcDbObjectId AddDimRadial(const AcGePoint3d& ptCenter, double radius, double angle,
                                     CEntityProperty prop, double leaderLength = 5);
    static AcDbObjectId AddDimDiametric(const AcGePoint3d& ptChord1, const AcGePoint3d& ptChord2,
                                        double leaderLength, CEntityProperty prop,
                                        const TCHAR* dimText = nullptr,
                                        AcDbObjectId dimStyle = AcDbObjectId::kNull);
    static AcDbObjectId AddDimDiametric(const AcGePoint3d& ptCenter, double radius, double angle,
                                        CEntityProperty prop, double leaderLength = 5);
    static AcDbObjectId AddDim2LineAngular(const AcGePoint3d& ptStart1, const AcGePoint3d& ptEnd1,
                                           const AcGePoint3d& ptStart2, const AcGePoint3d& ptEnd2,
                                           const AcGePoint3d& ptArc, CEntityProperty prop,
                                           const TCHAR* dimText = nullptr,
                                           AcDbObjectId dimStyle = AcDbObjectId::kNull);
    static AcDbObjectId AddDim3PtAngular(const AcGePoint3d& ptCenter, const AcGePoint3d& pt1,
                                         const AcGePoint3d& pt2, CEntityProperty prop,
                                         const AcGePoint3d& ptArc, const TCHAR* dimText = nullptr,
                                         AcDbObjectId dimStyle = AcDbObjectId::kNull);
    static AcDbObjectId AddDimOrdinate(bool xAxis, const AcGePoint3d& ptStart, const AcGePoint3d& ptEnd,
                                       CEntityProperty prop, const TCHAR* dimText = nullptr,
                                       AcDbObjectId dimStyle = AcDbObjectId::kNull);
    // The X ordinate, then the Y ordinate.
    static AcDbObjectIdArray AddDimOrdinate(const AcGePoint3d& ptDef, const AcGePoint3d& ptTextX,
                                            const AcGePoint3d& ptTextY, CEntityProperty prop);
    static AcDbObjectIdArray AddDimOrdinate(const AcGePoint3d& ptDef, const AcGeVector3d& vecOffsetX,
                                            const AcGeVector3d& vecOffsetY, CEntityProperty prop);
};
