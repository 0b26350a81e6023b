// View records: the viewport record ("*ACTIVE") and the view record the editor takes as a value
// (acedSetCurrentView). Both carry the view of the drawing: centre and size in display coordinates, target,
// direction, twist, lens and clipping.
#pragma once

#include "platform/arx/acdb/dbsymtb.h"
#include "platform/arx/acge/gepnt2d.h"
#include "platform/arx/acge/gepnt3d.h"
#include "platform/arx/acge/gevec3d.h"

#define TARN_VIEW_PROPERTY(TYPE, GETTER, SETTER, MEMBER) \
    TYPE GETTER() const {                                \
        return MEMBER;                                   \
    }                                                    \
    Acad::ErrorStatus SETTER(TYPE value) {               \
        return tarnSet(MEMBER, value);                   \
    }

class AcDbAbstractViewTableRecord : public AcDbSymbolTableRecord {
    TARN_RX_DECLARE_MEMBERS(AcDbAbstractViewTableRecord)
public:
    TARN_VIEW_PROPERTY(AcGePoint2d, centerPoint, setCenterPoint, m_center)
    TARN_VIEW_PROPERTY(double, height, setHeight, m_height)
    TARN_VIEW_PROPERTY(double, width, setWidth, m_width)
    TARN_VIEW_PROPERTY(AcGePoint3d, target, setTarget, m_target)
    TARN_VIEW_PROPERTY(AcGeVector3d, viewDirection, setViewDirection, m_direction)
    TARN_VIEW_PROPERTY(double, viewTwist, setViewTwist, m_twist)
    TARN_VIEW_PROPERTY(double, lensLength, setLensLength, m_lens)
    TARN_VIEW_PROPERTY(double, frontClipDistance, setFrontClipDistance, m_frontClip)
    TARN_VIEW_PROPERTY(double, backClipDistance, setBackClipDistance, m_backClip)
    TARN_VIEW_PROPERTY(bool, perspectiveEnabled, setPerspectiveEnabled, m_perspective)
    TARN_VIEW_PROPERTY(bool, frontClipEnabled, setFrontClipEnabled, m_frontClipOn)
    TARN_VIEW_PROPERTY(bool, backClipEnabled, setBackClipEnabled, m_backClipOn)
    TARN_VIEW_PROPERTY(bool, frontClipAtEye, setFrontClipAtEye, m_frontClipAtEye)

private:
    AcGePoint2d m_center{0.0, 0.0};
    double m_height = 1.0;
    double m_width = 1.0;
    AcGePoint3d m_target{0.0, 0.0, 0.0};
    AcGeVector3d m_direction{0.0, 0.0, 1.0};
    double m_twist = 0.0;
    double m_lens = 50.0;
    double m_frontClip = 0.0;
    double m_backClip = 0.0;
    bool m_perspective = false;
    bool m_frontClipOn = false;
    bool m_backClipOn = false;
    bool m_frontClipAtEye = true;
};

class AcDbViewportTableRecord : public AcDbAbstractViewTableRecord {
    TARN_DB_DECLARE_MEMBERS(AcDbViewportTableRecord)
public:
    AcDbViewportTableRecord() = default;
    TARN_VIEW_PROPERTY(AcGePoint2d, lowerLeftCorner, setLowerLeftCorner, m_lowerLeft)
    TARN_VIEW_PROPERTY(AcGePoint2d, upperRightCorner, setUpperRightCorner, m_upperRight)

private:
    AcGePoint2d m_lowerLeft{0.0, 0.0};
    AcGePoint2d m_upperRight{1.0, 1.0};
};

class AcDbViewTableRecord : public AcDbAbstractViewTableRecord {
    TARN_DB_DECLARE_MEMBERS(AcDbViewTableRecord)
public:
    AcDbViewTableRecord() = default;
    TARN_VIEW_PROPERTY(bool, isPaperspaceView, setIsPaperspaceView, m_paperspace)

private:
    bool m_paperspace = false;
};
