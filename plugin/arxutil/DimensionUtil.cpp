#include "plugin/arxutil/DimensionUtil.h"

#include <cmath>

#include "platform/arx/acdb/acdb_all.h"
#include "plugin/arxutil/DwgDatabaseUtil.h"
#include "plugin/arxutil/GePointUtil.h"

namespace {

AcDbObjectId Post(AcDbEntity* pEnt, const CEntityProperty& prop) {
    return CDwgDatabaseUtil::PostToModelSpace(pEnt, prop, acdbHostApplicationServices()->workingDatabase());
}

constexpr double kPi = 3.14159265358979323846;

}  // namespace

AcDbObjectId CDimensionUtil::AddDimAligned(const AcGePoint3d& pt1, const AcGePoint3d& pt2,
                                           const AcGePoint3d& ptLine, CEntityProperty prop,
                                           const TCHAR* dimText, AcDbObjectId dimStyle) {
    return Post(new AcDbAlignedDimension(pt1, pt2, ptLine, dimText, dimStyle), prop);
}

AcDbObjectId CDimensionUtil::AddDimAligned(const AcGePoint3d& pt1, const AcGePoint3d& pt2,
                                           const AcGePoint3d& ptLine, CEntityProperty prop,
                                           const AcGeVector3d& vecOffset, const TCHAR* dimText) {
    const AcDbObjectId dimId = AddDimAligned(pt1, pt2, ptLine, prop, dimText, AcDbObjectId::kNull);
    AcDbAlignedDimension* pDim = nullptr;
    if (acdbOpenObject(pDim, dimId, AcDb::kForWrite) == Acad::eOk) {
        // Moving the text alone would leave it unconnected: it moves with a leader.
        pDim->setDimtmove(1);
        pDim->setTextPosition(pDim->textPosition() + vecOffset);
        pDim->close();
    }
    return dimId;
}

AcDbObjectId CDimensionUtil::AddDimRotated(const AcGePoint3d& pt1, const AcGePoint3d& pt2,
                                           const AcGePoint3d& ptLine, CEntityProperty prop, double rotation,
                                           const TCHAR* dimText, AcDbObjectId dimStyle) {
    return Post(new AcDbRotatedDimension(rotation, pt1, pt2, ptLine, dimText, dimStyle), prop);
}

AcDbObjectId CDimensionUtil::AddDimRadial(const AcGePoint3d& ptCenter, const AcGePoint3d& ptChord,
                                          double leaderLength, CEntityProperty prop, const TCHAR* dimText,
                                          AcDbObjectId dimStyle) {
    return Post(new AcDbRadialDimension(ptCenter, ptChord, leaderLength, dimText, dimStyle), prop);
}

AcDbObjectId CDimensionUtil::AddDimRadial(const AcGePoint3d& ptCenter, double radius, double angle,
                                          CEntityProperty prop, double leaderLength) {
    const AcGePoint3d ptChord = CGePointUtil::PolarPoint(ptCenter, angle, radius);
    return AddDimRadial(ptCenter, ptChord, leaderLength, prop);
}

AcDbObjectId CDimensionUtil::AddDimDiametric(const AcGePoint3d& ptChord1, const AcGePoint3d& ptChord2,
                                             double leaderLength, CEntityProperty prop, const TCHAR* dimText,
                                             AcDbObjectId dimStyle) {
    return Post(new AcDbDiametricDimension(ptChord1, ptChord2, leaderLength, dimText, dimStyle), prop);
}

AcDbObjectId CDimensionUtil::AddDimDiametric(const AcGePoint3d& ptCenter, double radius, double angle,
                                             CEntityProperty prop, double leaderLength) {
    const AcGePoint3d ptChord1 = CGePointUtil::PolarPoint(ptCenter, angle, radius);
    const AcGePoint3d ptChord2 = CGePointUtil::PolarPoint(ptCenter, angle + kPi, radius);
    return AddDimDiametric(ptChord1, ptChord2, leaderLength, prop);
}

AcDbObjectId CDimensionUtil::AddDim2LineAngular(const AcGePoint3d& ptStart1, const AcGePoint3d& ptEnd1,
                                                const AcGePoint3d& ptStart2, const AcGePoint3d& ptEnd2,
                                                const AcGePoint3d& ptArc, CEntityProperty prop,
                                                const TCHAR* dimText, AcDbObjectId dimStyle) {
    return Post(new AcDb2LineAngularDimension(ptStart1, ptEnd1, ptStart2, ptEnd2, ptArc, dimText, dimStyle),
                prop);
}

AcDbObjectId CDimensionUtil::AddDim3PtAngular(const AcGePoint3d& ptCenter, const AcGePoint3d& pt1,
                                              const AcGePoint3d& pt2, CEntityProperty prop,
                                              const AcGePoint3d& ptArc, const TCHAR* dimText,
                                              AcDbObjectId dimStyle) {
    return Post(new AcDb3PointAngularDimension(ptCenter, pt1, pt2, ptArc, dimText, dimStyle), prop);
}

AcDbObjectId CDimensionUtil::AddDimOrdinate(bool xAxis, const AcGePoint3d& ptStart, const AcGePoint3d& ptEnd,
                                            CEntityProperty prop, const TCHAR* dimText,
                                            AcDbObjectId dimStyle) {
    return Post(new AcDbOrdinateDimension(xAxis, ptStart, ptEnd, dimText, dimStyle), prop);
}

AcDbObjectIdArray CDimensionUtil::AddDimOrdinate(const AcGePoint3d& ptDef, const AcGePoint3d& ptTextX,
                                                 const AcGePoint3d& ptTextY, CEntityProperty prop) {
    AcDbObjectIdArray dimIds;
    dimIds.append(AddDimOrdinate(true, ptDef, ptTextX, prop));
    dimIds.append(AddDimOrdinate(false, ptDef, ptTextY, prop));
    return dimIds;
}

AcDbObjectIdArray CDimensionUtil::AddDimOrdinate(const AcGePoint3d& ptDef, const AcGeVector3d& vecOffsetX,
                                                 const AcGeVector3d& vecOffsetY, CEntityProperty prop) {
    return AddDimOrdinate(ptDef, ptDef + vecOffsetX, ptDef + vecOffsetY, prop);
}
