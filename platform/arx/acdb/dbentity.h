// Entities: the graphic objects held by block records, and the curve base class.
#pragma once

#include "platform/arx/acdb/acstring.h"
#include "platform/arx/acdb/cmcolor.h"
#include "platform/arx/acdb/dbextents.h"
#include "platform/arx/acdb/dbobject.h"
#include "platform/arx/acge/gearrays.h"
#include "platform/arx/acge/gemat3d.h"
#include "platform/arx/acge/geplane.h"
#include "platform/arx/acge/gepnt3d.h"
#include "platform/arx/acge/gevec3d.h"

namespace AcDb {

enum Visibility { kVisible = 0, kInvisible = 1 };
enum Intersect { kOnBothOperands = 0, kExtendThis = 1, kExtendArg = 2, kExtendBoth = 3 };

}  // namespace AcDb

class AcDbEntity : public AcDbObject {
    TARN_RX_DECLARE_MEMBERS(AcDbEntity)
public:
    AcDbObjectId blockId() const { return ownerId(); }

    // The layer's name (empty while the entity has none).
    AcString layer() const;
    AcDbObjectId layerId() const { return m_layer; }
    // The layer of that name (case-insensitive) in the entity's database — the working database while the
    // entity is not resident. eKeyNotFound for a missing name (also ""), eInvalidInput for null,
    // eNoDatabase when there is no database to look in.
    Acad::ErrorStatus setLayer(const ACHAR* name, bool doSubents = true, bool allowHiddenLayer = false);
    // eInvalidInput unless the id is a live layer record (of the entity's database when resident).
    Acad::ErrorStatus setLayer(AcDbObjectId layerId, bool doSubents = true, bool allowHiddenLayer = false);

    AcString linetype() const;
    AcDbObjectId linetypeId() const { return m_linetype; }
    // As setLayer, in the linetype table.
    Acad::ErrorStatus setLinetype(const ACHAR* name, bool doSubents = true);
    Acad::ErrorStatus setLinetype(AcDbObjectId linetypeId, bool doSubents = true);

    AcCmColor color() const { return m_color; }
    Acad::ErrorStatus setColor(const AcCmColor& color, bool doSubents = true);
    // 0 by block, 1..255, 256 by layer; a true colour gives its nearest index.
    Adesk::UInt16 colorIndex() const { return m_color.colorIndex(); }
    // eOutOfRange above 256 (colour unchanged).
    Acad::ErrorStatus setColorIndex(Adesk::UInt16 index, bool doSubents = true);

    AcCmTransparency transparency() const { return m_transparency; }
    Acad::ErrorStatus setTransparency(const AcCmTransparency& transparency, bool doSubents = true);
    double linetypeScale() const { return m_linetypeScale; }
    Acad::ErrorStatus setLinetypeScale(double scale, bool doSubents = true);
    AcDb::Visibility visibility() const { return m_visibility; }
    Acad::ErrorStatus setVisibility(AcDb::Visibility visibility, bool doSubents = true);

    // Sets colour, layer, linetype, linetype scale and transparency from the database (the entity's, or the
    // working database for a non-resident entity, when db is null).
    void setDatabaseDefaults();
    void setDatabaseDefaults(AcDbDatabase* db);
    // Copies colour, layer, linetype, linetype scale, transparency and visibility.
    Acad::ErrorStatus setPropertiesFrom(const AcDbEntity* other, bool doSubents = true);

    // Needs a write-open; each class transforms its own geometry (eNotApplicable where it cannot).
    virtual Acad::ErrorStatus transformBy(const AcGeMatrix3d& matrix);
    // A non-resident transformed copy.
    Acad::ErrorStatus getTransformedCopy(const AcGeMatrix3d& matrix, AcDbEntity*& copy) const;
    // The true bounding box. eInvalidExtents for entities without extents (the argument is untouched).
    virtual Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const;
    // Points where the entity meets another, appended to points. Lines, arcs, circles and lightweight
    // polylines in planes parallel to XY; eNotApplicable for other kinds. Extending makes a line infinite
    // and an arc a full circle (polylines are not extended). Without a projection plane only points where
    // the two also meet in Z are taken; with one (normal along Z) every crossing of their XY projections,
    // at the height of this entity.
    Acad::ErrorStatus intersectWith(const AcDbEntity* other, AcDb::Intersect type,
                                    AcGePoint3dArray& points) const;
    Acad::ErrorStatus intersectWith(const AcDbEntity* other, AcDb::Intersect type, const AcGePlane& projPlane,
                                    AcGePoint3dArray& points) const;
    // The entity as simpler non-resident entities; eNotApplicable where a class cannot.
    virtual Acad::ErrorStatus explode(AcDbVoidPtrArray& entities) const;

    bool tarnOnLockedLayer() const override;
    void tarnWriteState(platform::detail::StateWriter& out) const override;
    void tarnReadState(platform::detail::StateReader& in) override;
    // Fills what was not set before from the database (at the append).
    virtual void tarnApplyUnsetDefaults(AcDbDatabase* db);

protected:
    // The body of setNormal of the planar entities: a zero vector is refused (eInvalidInput), others are
    // stored as unit vectors.
    Acad::ErrorStatus tarnSetNormal(AcGeVector3d& member, const AcGeVector3d& normal) {
        return normal.isZeroLength() ? Acad::eInvalidInput : tarnSet(member, normal.normal());
    }

private:
    AcDbObjectId m_layer;
    AcDbObjectId m_linetype;
    AcCmColor m_color;
    AcCmTransparency m_transparency;
    double m_linetypeScale = 1.0;
    AcDb::Visibility m_visibility = AcDb::kVisible;
};

// The host's curve interface. The base gives eNotImplementedYet; curve classes answer what they can.
// getDistAtPoint and getPointAtDist go through the parameter unless a class answers them itself.
class AcDbCurve : public AcDbEntity {
    TARN_RX_DECLARE_MEMBERS(AcDbCurve)
public:
    virtual bool isClosed() const { return false; }
    virtual bool isPeriodic() const { return false; }
    virtual Acad::ErrorStatus getStartParam(double& param) const;
    virtual Acad::ErrorStatus getEndParam(double& param) const;
    virtual Acad::ErrorStatus getStartPoint(AcGePoint3d& point) const;
    virtual Acad::ErrorStatus getEndPoint(AcGePoint3d& point) const;
    virtual Acad::ErrorStatus getPointAtParam(double param, AcGePoint3d& point) const;
    virtual Acad::ErrorStatus getParamAtPoint(const AcGePoint3d& point, double& param) const;
    virtual Acad::ErrorStatus getDistAtParam(double param, double& dist) const;
    virtual Acad::ErrorStatus getParamAtDist(double dist, double& param) const;
    virtual Acad::ErrorStatus getDistAtPoint(const AcGePoint3d& point, double& dist) const;
    virtual Acad::ErrorStatus getPointAtDist(double dist, AcGePoint3d& point) const;
    virtual Acad::ErrorStatus getClosestPointTo(const AcGePoint3d& given, AcGePoint3d& closest,
                                                bool extend = false) const;
    virtual Acad::ErrorStatus getArea(double& area) const;
};

Acad::ErrorStatus acdbOpenAcDbEntity(AcDbEntity*& entity, AcDbObjectId id, AcDb::OpenMode mode,
                                     bool openErased = false);
Acad::ErrorStatus acdbOpenAcDbObject(AcDbObject*& object, AcDbObjectId id, AcDb::OpenMode mode,
                                     bool openErased = false);
