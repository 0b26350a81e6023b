#include "platform/arx/acdb/dbentity.h"

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/arx/acdb/dblayer.h"
#include "platform/arx/acdb/dblinetype.h"
#include "platform/arx/acdb/dbsymtb.h"
#include "platform/arx/acdb/dxffields.h"
#include "platform/win32/core/unicode.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;

// Paper-space entities carry 67; the owner says where an entity lives, so the flag is only written.
bool InPaperSpace(const AcDbEntity* entity) {
    return platform::EqualsNoCase(platform::dxf::RecordName(entity->ownerId()), u"*Paper_Space");
}

// Transparency in files: 0x01000000 by block, 0x02000000 | alpha by alpha, absent by layer.
long long TransparencyCode(const AcCmTransparency& t) {
    return t.isByBlock() ? 0x01000000LL : (0x02000000LL | t.alpha());
}

AcCmTransparency TransparencyOf(long long code) {
    AcCmTransparency t;
    if ((code & 0x02000000LL) != 0) {
        t.setAlpha(static_cast<Adesk::UInt8>(code & 0xFF));
    } else if ((code & 0x01000000LL) != 0) {
        t.setMethod(AcCmTransparency::kByBlock);
    }
    return t;
}

const FieldDesc kEntityFields[] = {
    TARN_SUBCLASS("AcDbEntity"),
    TARN_FIELD_OUT(67, kInt16, "paperSpace", AcDbEntity, (v.integer = 1, v.skip = !InPaperSpace(self))),
    TARN_FIELD(8, kString, "layer", AcDbEntity, platform::dxf::Put(v, self->layer().str()),
               self->setLayer(v.text.c_str())),
    TARN_FIELD(6, kString, "linetype", AcDbEntity,
               (platform::dxf::Put(v, self->linetype().str()),
                v.skip = v.text.empty() || platform::EqualsNoCase(v.text, u"ByLayer")),
               self->setLinetype(v.text.c_str())),
    TARN_FIELD(62, kInt16, "colorIndex", AcDbEntity,
               (v.integer = self->colorIndex(), v.skip = v.integer == 256),
               self->setColorIndex(static_cast<Adesk::UInt16>(v.integer < 0 ? -v.integer : v.integer))),
    TARN_FIELD(420, kInt32, "trueColor", AcDbEntity, platform::dxf::PutTrueColor(v, self->color()),
               self->setColor(platform::dxf::TrueColor(v))),
    TARN_FIELD(48, kReal, "linetypeScale", AcDbEntity,
               (v.real = self->linetypeScale(), v.skip = v.real == 1.0), self->setLinetypeScale(v.real)),
    TARN_FIELD(60, kInt16, "visibility", AcDbEntity,
               (v.integer = self->visibility() == AcDb::kInvisible ? 1 : 0, v.skip = v.integer == 0),
               self->setVisibility(v.integer != 0 ? AcDb::kInvisible : AcDb::kVisible)),
    TARN_FIELD(
        440, kInt32, "transparency", AcDbEntity,
        (v.integer = TransparencyCode(self->transparency()), v.skip = self->transparency().isByLayer()),
        self->setTransparency(TransparencyOf(v.integer))),
};

// The database an entity's names are looked up in.
AcDbDatabase* LookupDatabase(const AcDbEntity* entity) {
    return entity->database() != nullptr ? entity->database()
                                         : acdbHostApplicationServices()->workingDatabase();
}

// A live record of the class in db, else the null id.
bool IsLiveRecordOf(AcDbObjectId id, const AcDbDatabase* db, AcRxClass* cls) {
    const platform::detail::DbSlot* slot = platform::detail::FindSlot(id);
    return slot != nullptr && slot->object != nullptr && !slot->erased && slot->object->isKindOf(cls) &&
           (db == nullptr || slot->db == db);
}

AcDbObjectId FindRecord(AcDbObjectId tableId, const ACHAR* name) {
    const auto* table = AcDbSymbolTable::cast(platform::detail::Peek(tableId));
    return table != nullptr ? table->tarnFind(name) : AcDbObjectId();
}

AcString RecordName(AcDbObjectId id) {
    const auto* record = AcDbSymbolTableRecord::cast(platform::detail::Peek(id));
    return record != nullptr ? AcString(record->tarnName()) : AcString();
}

}  // namespace

TARN_RX_DEFINE_ABSTRACT(AcDbEntity, AcDbObject, kEntityFields, std::size(kEntityFields))
TARN_RX_DEFINE_ABSTRACT(AcDbCurve, AcDbEntity, nullptr, 0)

AcString AcDbEntity::layer() const {
    return RecordName(m_layer);
}
AcString AcDbEntity::linetype() const {
    return RecordName(m_linetype);
}

Acad::ErrorStatus AcDbEntity::setLayer(const ACHAR* name, bool doSubents, bool allowHiddenLayer) {
    if (name == nullptr) {
        return Acad::eInvalidInput;
    }
    AcDbDatabase* db = LookupDatabase(this);
    if (db == nullptr) {
        return Acad::eNoDatabase;
    }
    AcDbObjectId id = FindRecord(db->layerTableId(), name);
    if (id.isNull()) {
        return Acad::eKeyNotFound;
    }
    return setLayer(id, doSubents, allowHiddenLayer);
}

Acad::ErrorStatus AcDbEntity::setLayer(AcDbObjectId layerId, bool, bool) {
    if (!IsLiveRecordOf(layerId, database(), AcDbLayerTableRecord::desc())) {
        return database() != nullptr && layerId.database() != nullptr && layerId.database() != database()
                   ? Acad::eWrongDatabase
                   : Acad::eInvalidInput;
    }
    return tarnSet(m_layer, layerId);
}

Acad::ErrorStatus AcDbEntity::setLinetype(const ACHAR* name, bool doSubents) {
    if (name == nullptr) {
        return Acad::eInvalidInput;
    }
    AcDbDatabase* db = LookupDatabase(this);
    if (db == nullptr) {
        return Acad::eNoDatabase;
    }
    AcDbObjectId id = FindRecord(db->linetypeTableId(), name);
    if (id.isNull()) {
        return Acad::eKeyNotFound;
    }
    return setLinetype(id, doSubents);
}

Acad::ErrorStatus AcDbEntity::setLinetype(AcDbObjectId linetypeId, bool) {
    if (!IsLiveRecordOf(linetypeId, database(), AcDbLinetypeTableRecord::desc())) {
        return database() != nullptr && linetypeId.database() != nullptr &&
                       linetypeId.database() != database()
                   ? Acad::eWrongDatabase
                   : Acad::eInvalidInput;
    }
    return tarnSet(m_linetype, linetypeId);
}

Acad::ErrorStatus AcDbEntity::setColor(const AcCmColor& color, bool) {
    return tarnSet(m_color, color);
}

Acad::ErrorStatus AcDbEntity::setColorIndex(Adesk::UInt16 index, bool) {
    if (index > 256) {
        return Acad::eOutOfRange;
    }
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es == Acad::eOk) {
        m_color.setColorIndex(index);
    }
    return es;
}

Acad::ErrorStatus AcDbEntity::setTransparency(const AcCmTransparency& transparency, bool) {
    return tarnSet(m_transparency, transparency);
}

Acad::ErrorStatus AcDbEntity::setLinetypeScale(double scale, bool) {
    if (!(scale > 0.0)) {
        return Acad::eInvalidInput;
    }
    return tarnSet(m_linetypeScale, scale);
}

Acad::ErrorStatus AcDbEntity::setVisibility(AcDb::Visibility visibility, bool) {
    return tarnSet(m_visibility, visibility);
}

void AcDbEntity::setDatabaseDefaults() {
    setDatabaseDefaults(nullptr);
}

void AcDbEntity::setDatabaseDefaults(AcDbDatabase* db) {
    if (db == nullptr) {
        db = LookupDatabase(this);
    }
    if (db == nullptr || (database() != nullptr && database() != db) || assertWriteEnabled() != Acad::eOk) {
        return;
    }
    m_color = db->cecolor();
    m_layer = db->clayer();
    m_linetype = db->celtype();
    m_linetypeScale = 1.0;
    m_transparency = AcCmTransparency();
}

void AcDbEntity::tarnApplyUnsetDefaults(AcDbDatabase* db) {
    if (!IsLiveRecordOf(m_layer, db, AcDbLayerTableRecord::desc())) {
        m_layer = db->clayer();
    }
    if (!IsLiveRecordOf(m_linetype, db, AcDbLinetypeTableRecord::desc())) {
        m_linetype = db->celtype();
    }
}

Acad::ErrorStatus AcDbEntity::setPropertiesFrom(const AcDbEntity* other, bool) {
    if (other == nullptr) {
        return Acad::eNullEntityPointer;
    }
    if (database() != nullptr && other->database() != nullptr && database() != other->database()) {
        return Acad::eWrongDatabase;
    }
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es == Acad::eOk) {
        m_color = other->m_color;
        m_layer = other->m_layer;
        m_linetype = other->m_linetype;
        m_linetypeScale = other->m_linetypeScale;
        m_transparency = other->m_transparency;
        m_visibility = other->m_visibility;
    }
    return es;
}

Acad::ErrorStatus AcDbEntity::transformBy(const AcGeMatrix3d&) {
    return Acad::eNotApplicable;
}

Acad::ErrorStatus AcDbEntity::getTransformedCopy(const AcGeMatrix3d& matrix, AcDbEntity*& copy) const {
    copy = nullptr;
    AcDbEntity* fresh = AcDbEntity::cast(clone());
    if (fresh == nullptr) {
        return Acad::eNotApplicable;
    }
    fresh->tarnSetOwner(AcDbObjectId());
    Acad::ErrorStatus es = fresh->transformBy(matrix);
    if (es != Acad::eOk) {
        delete fresh;
        return es;
    }
    copy = fresh;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEntity::getGeomExtents(AcDbExtents&) const {
    return Acad::eInvalidExtents;
}

Acad::ErrorStatus AcDbEntity::explode(AcDbVoidPtrArray&) const {
    return Acad::eNotApplicable;
}

bool AcDbEntity::tarnOnLockedLayer() const {
    const auto* layer = AcDbLayerTableRecord::cast(platform::detail::Peek(m_layer));
    return layer != nullptr && layer->isLocked();
}

Acad::ErrorStatus AcDbCurve::getStartParam(double&) const {
    return Acad::eNotImplementedYet;
}
Acad::ErrorStatus AcDbCurve::getEndParam(double&) const {
    return Acad::eNotImplementedYet;
}
Acad::ErrorStatus AcDbCurve::getStartPoint(AcGePoint3d&) const {
    return Acad::eNotImplementedYet;
}
Acad::ErrorStatus AcDbCurve::getEndPoint(AcGePoint3d&) const {
    return Acad::eNotImplementedYet;
}
Acad::ErrorStatus AcDbCurve::getPointAtParam(double, AcGePoint3d&) const {
    return Acad::eNotImplementedYet;
}
Acad::ErrorStatus AcDbCurve::getParamAtPoint(const AcGePoint3d&, double&) const {
    return Acad::eNotImplementedYet;
}
Acad::ErrorStatus AcDbCurve::getDistAtParam(double, double&) const {
    return Acad::eNotImplementedYet;
}
Acad::ErrorStatus AcDbCurve::getParamAtDist(double, double&) const {
    return Acad::eNotImplementedYet;
}
Acad::ErrorStatus AcDbCurve::getDistAtPoint(const AcGePoint3d& point, double& dist) const {
    double param = 0.0;
    Acad::ErrorStatus es = getParamAtPoint(point, param);
    return es != Acad::eOk ? es : getDistAtParam(param, dist);
}
Acad::ErrorStatus AcDbCurve::getPointAtDist(double dist, AcGePoint3d& point) const {
    double param = 0.0;
    Acad::ErrorStatus es = getParamAtDist(dist, param);
    return es != Acad::eOk ? es : getPointAtParam(param, point);
}
Acad::ErrorStatus AcDbCurve::getClosestPointTo(const AcGePoint3d&, AcGePoint3d&, bool) const {
    return Acad::eNotImplementedYet;
}
Acad::ErrorStatus AcDbCurve::getArea(double&) const {
    return Acad::eNotImplementedYet;
}

Acad::ErrorStatus acdbOpenAcDbEntity(AcDbEntity*& entity, AcDbObjectId id, AcDb::OpenMode mode,
                                     bool openErased) {
    return acdbOpenObject(entity, id, mode, openErased);
}

Acad::ErrorStatus acdbOpenAcDbObject(AcDbObject*& object, AcDbObjectId id, AcDb::OpenMode mode,
                                     bool openErased) {
    return acdbOpenObject(object, id, mode, openErased);
}

void AcDbEntity::tarnWriteState(platform::detail::StateWriter& out) const {
    AcDbObject::tarnWriteState(out);
    out.put(m_layer, m_linetype, m_color, m_transparency, m_linetypeScale, m_visibility);
}

void AcDbEntity::tarnReadState(platform::detail::StateReader& in) {
    AcDbObject::tarnReadState(in);
    in.get(m_layer, m_linetype, m_color, m_transparency, m_linetypeScale, m_visibility);
}
