#include "platform/arx/acdb/dbdim.h"

#include <charconv>
#include <cmath>

#include "platform/arx/acdb/dbarc.h"
#include "platform/arx/acdb/dbblkref.h"
#include "platform/arx/acdb/dbblock.h"
#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbdim2lineangular.h"
#include "platform/arx/acdb/dbdim3ptangular.h"
#include "platform/arx/acdb/dbdimaligned.h"
#include "platform/arx/acdb/dbdimdiametric.h"
#include "platform/arx/acdb/dbdimordinate.h"
#include "platform/arx/acdb/dbdimradial.h"
#include "platform/arx/acdb/dbdimrotated.h"
#include "platform/arx/acdb/dbextents.h"
#include "platform/arx/acdb/dbgeom.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/arx/acdb/dbline.h"
#include "platform/arx/acdb/dbmtext.h"
#include "platform/arx/acdb/dbtables.h"
#include "platform/arx/acdb/dxffields.h"
#include "platform/win32/core/unicode.h"

namespace {

using platform::FieldDesc;
using platform::FieldKind;

constexpr int kUserTextPosition = 128;
// The text height of the pictures: the host's default text size.
constexpr double kTextHeight = 2.5;
constexpr double kHalfPi = 1.57079632679489661923;

// A digest of a picture (FNV-1a over its numbers' bits and its text): equal pictures, equal digests.
class Digest {
public:
    void add(const void* data, size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < size; ++i) {
            m_value = (m_value ^ bytes[i]) * 0x100000001b3ULL;
        }
    }
    void add(double value) { add(&value, sizeof value); }
    void add(const AcGePoint3d& p) {
        add(p.x);
        add(p.y);
        add(p.z);
    }
    std::uint64_t value() const { return m_value; }

private:
    std::uint64_t m_value = 0xcbf29ce484222325ULL;
};

std::uint64_t DigestOf(const platform::DimensionPicture& picture) {
    Digest digest;
    for (const auto& line : picture.lines) {
        digest.add(line.start);
        digest.add(line.end);
    }
    for (const auto& arc : picture.arcs) {
        digest.add(arc.center);
        digest.add(arc.radius);
        digest.add(arc.startAngle);
        digest.add(arc.endAngle);
    }
    const size_t counts[2] = {picture.lines.size(), picture.arcs.size()};
    digest.add(counts, sizeof counts);
    digest.add(picture.text.data(), picture.text.size() * sizeof(char16_t));
    digest.add(picture.textPosition);
    digest.add(picture.textRotation);
    return digest.value();
}

// Whether another live dimension or a block reference of the database shows the block too.
bool ShownElsewhere(const AcDbDatabase* db, AcDbObjectId blockId, const AcDbDimension* self) {
    const auto* table = AcDbBlockTable::cast(platform::detail::Peek(db->blockTableId()));
    for (const AcDbObjectId& recordId : table->tarnRecordIds()) {
        const auto* block = AcDbBlockTableRecord::cast(platform::detail::Peek(recordId));
        if (block == nullptr || block->isErased()) {
            continue;
        }
        for (const AcDbObjectId& id : block->tarnEntityIds()) {
            const AcDbObject* entity = platform::detail::Peek(id);
            if (entity == nullptr || entity == self || entity->isErased()) {
                continue;
            }
            const auto* dimension = AcDbDimension::cast(entity);
            const auto* reference = AcDbBlockReference::cast(entity);
            if ((dimension != nullptr && dimension->dimBlockId() == blockId) ||
                (reference != nullptr && reference->blockTableRecord() == blockId)) {
                return true;
            }
        }
    }
    return false;
}

// The text style of the pictures: "Standard", the style of the host's default dimension style.
AcDbObjectId PictureTextStyle(const AcDbDatabase* db) {
    const auto* styles = AcDbSymbolTable::cast(platform::detail::Peek(db->textStyleTableId()));
    const AcDbObjectId standard = styles != nullptr ? styles->tarnFind(u"Standard") : AcDbObjectId();
    return standard.isNull() ? db->textstyle() : standard;
}

// The common part of every DIMENSION record; the kinds' own points follow in their subclasses.
const FieldDesc kFields[] = {
    TARN_SUBCLASS("AcDbDimension"),
    TARN_FIELD(10, kPoint3d, "definitionPoint", AcDbDimension, platform::dxf::Put(v, self->tarnPoint(0)),
               self->tarnSetPoint(0, platform::dxf::Point3d(v))),
    TARN_FIELD(11, kPoint3d, "textPosition", AcDbDimension, platform::dxf::Put(v, self->textPosition()),
               self->setTextPosition(platform::dxf::Point3d(v))),
    TARN_FIELD(70, kInt16, "dimensionType", AcDbDimension,
               v.integer = self->tarnTypeCode() | self->tarnTypeFlags() |
                           (self->isUsingDefaultTextPosition() ? 0 : kUserTextPosition),
               (self->tarnSetTypeFlags(static_cast<int>(v.integer)),
                (v.integer & kUserTextPosition) == 0 ? self->useDefaultTextPosition() : Acad::eOk)),
    TARN_FIELD(1, kString, "dimensionText", AcDbDimension,
               (platform::dxf::Put(v, self->dimensionTextConst()), v.skip = v.text.empty()),
               self->setDimensionText(v.text.c_str())),
    TARN_FIELD_OUT(3, kString, "dimensionStyle", AcDbDimension,
                   platform::dxf::Put(v, self->dimensionStyle().isNull()
                                             ? std::u16string(u"Standard")
                                             : platform::dxf::RecordName(self->dimensionStyle()))),
    TARN_FIELD(210, kVector3d, "normal", AcDbDimension,
               (platform::dxf::Put(v, self->normal()), v.skip = platform::dxf::IsZAxis(self->normal())),
               self->setNormal(platform::dxf::Vector3d(v))),
};

}  // namespace

TARN_RX_DEFINE_ABSTRACT(AcDbDimension, AcDbEntity, kFields, std::size(kFields))

void AcDbDimension::tarnInit(const ACHAR* text, AcDbObjectId style) {
    m_text = text != nullptr ? text : u"";
    m_style = style;
}

Acad::ErrorStatus AcDbDimension::setDimensionText(const ACHAR* text) {
    return tarnSet(m_text, std::u16string(text != nullptr ? text : u""));
}

Acad::ErrorStatus AcDbDimension::setTextPosition(const AcGePoint3d& position) {
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es == Acad::eOk) {
        m_textPosition = position;
        m_userTextPosition = true;
    }
    return es;
}

Acad::ErrorStatus AcDbDimension::useDefaultTextPosition() {
    return tarnSet(m_userTextPosition, false);
}

Acad::ErrorStatus AcDbDimension::setDimensionStyle(AcDbObjectId style) {
    return tarnSet(m_style, style);
}

Acad::ErrorStatus AcDbDimension::setDimtmove(int value) {
    if (value < 0 || value > 2) {
        return Acad::eInvalidInput;
    }
    return tarnSet(m_dimtmove, value);
}

Acad::ErrorStatus AcDbDimension::setNormal(const AcGeVector3d& normal) {
    return tarnSetNormal(m_normal, normal);
}

Acad::ErrorStatus AcDbDimension::tarnSetPoint(int slot, const AcGePoint3d& point) {
    if (slot < 0 || slot >= m_pointCount) {
        return Acad::eInvalidIndex;
    }
    return tarnSet(m_points[static_cast<size_t>(slot)], point);
}

Acad::ErrorStatus AcDbDimension::setDimBlockId(const AcDbObjectId& blockId) {
    Acad::ErrorStatus es = tarnSet(m_block, blockId);
    if (es == Acad::eOk) {
        m_blockDigest = DigestOf(tarnPicture());
    }
    return es;
}

bool AcDbDimension::tarnHasBlock() const {
    const platform::detail::DbSlot* slot = platform::detail::FindSlot(m_block);
    if (slot == nullptr || slot->object == nullptr || slot->erased || database() == nullptr ||
        slot->db != database() || m_block == ownerId()) {
        return false;
    }
    const auto* block = AcDbBlockTableRecord::cast(slot->object);
    return block != nullptr && !block->isLayout();
}

bool AcDbDimension::tarnBlockIsCurrent() const {
    return tarnHasBlock() && m_blockDigest == DigestOf(tarnPicture());
}

Acad::ErrorStatus AcDbDimension::recomputeDimensionBlock(bool forceUpdate) {
    AcDbDatabase* db = database();
    if (db == nullptr) {
        return Acad::eNoDatabase;
    }
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es != Acad::eOk || (!forceUpdate && tarnBlockIsCurrent())) {
        return es;
    }
    // A block another dimension or a reference shows too stays as it is: this one gets its own.
    AcDbObjectId blockId = tarnHasBlock() && !ShownElsewhere(db, m_block, this) ? m_block : AcDbObjectId();
    AcDbBlockTableRecord* block = nullptr;
    if (blockId.isNull()) {
        AcDbBlockTable* table = nullptr;
        es = db->getBlockTable(table, AcDb::kForWrite);
        if (es != Acad::eOk) {
            return es;
        }
        block = new AcDbBlockTableRecord();
        const std::u16string name =
            u"*D" + platform::Utf8ToUtf16(std::to_string(platform::dxf::FirstFreeDimensionBlockNumber(db)));
        block->setName(name.c_str());
        es = table->add(blockId, block);
        table->close();
        if (es != Acad::eOk) {
            delete block;
            return es;
        }
    } else {
        es = acdbOpenObject(block, blockId, AcDb::kForWrite);
        if (es != Acad::eOk) {
            return es;
        }
        // What the block showed goes, whoever has it open: the block's contents are replaced as a whole.
        for (const AcDbObjectId& id : block->tarnEntityIds()) {
            platform::detail::DbSlot* slot = platform::detail::FindSlot(id);
            if (slot != nullptr && slot->object != nullptr && !slot->erased) {
                platform::detail::EraseInternal(slot, true);
            }
        }
    }
    for (std::unique_ptr<AcDbEntity>& entity : tarnPictureEntities(db)) {
        if (block->appendAcDbEntity(entity.get()) == Acad::eOk) {
            entity.release()->close();
        }
    }
    block->close();
    m_block = blockId;
    m_blockDigest = DigestOf(tarnPicture());
    return Acad::eOk;
}

platform::DimensionPicture AcDbDimension::tarnPicture() const {
    platform::DimensionPicture picture;
    tarnDraw(picture);
    // An override shows the measurement where it says "<>".
    if (!m_text.empty()) {
        const std::u16string measurement = std::move(picture.text);
        picture.text = m_text;
        if (const size_t at = picture.text.find(u"<>"); at != std::u16string::npos) {
            picture.text.replace(at, 2, measurement);
        }
    }
    picture.textPosition = textPosition();
    return picture;
}

std::vector<std::unique_ptr<AcDbEntity>> AcDbDimension::tarnPictureEntities(const AcDbDatabase* db) const {
    const platform::DimensionPicture picture = tarnPicture();
    std::vector<std::unique_ptr<AcDbEntity>> entities;
    // A part whose numbers overflow (defining points near the limits of a double) cannot be drawn, nor held
    // by a drawing file: it is left out, the dimension keeps its points.
    using platform::detail::IsFinitePoint;
    for (const auto& line : picture.lines) {
        if (IsFinitePoint(line.start) && IsFinitePoint(line.end)) {
            entities.push_back(std::make_unique<AcDbLine>(line.start, line.end));
        }
    }
    for (const auto& arc : picture.arcs) {
        if (IsFinitePoint(arc.center) && std::isfinite(arc.radius) && std::isfinite(arc.startAngle) &&
            std::isfinite(arc.endAngle)) {
            entities.push_back(
                std::make_unique<AcDbArc>(arc.center, m_normal, arc.radius, arc.startAngle, arc.endAngle));
        }
    }
    if (IsFinitePoint(picture.textPosition) && std::isfinite(picture.textRotation)) {
        auto text = std::make_unique<AcDbMText>();
        text->setLocation(picture.textPosition);
        text->setContents(picture.text.c_str());
        text->setTextHeight(kTextHeight);
        text->setAttachment(AcDbMText::kMiddleCenter);
        text->setRotation(picture.textRotation);
        text->setNormal(m_normal);
        text->setTextStyle(PictureTextStyle(db));
        entities.push_back(std::move(text));
    }
    for (std::unique_ptr<AcDbEntity>& entity : entities) {
        entity->setLayer(db->layerZero());
        entity->setLinetype(db->byBlockLinetype());
        entity->setColorIndex(0);
    }
    return entities;
}

void AcDbDimension::tarnDrawLinear(platform::DimensionPicture& picture, const AcGePoint3d& p1,
                                   const AcGePoint3d& p2, const AcGePoint3d& linePoint,
                                   const AcGeVector3d& direction) const {
    // The feet of the extension lines: the defining points projected onto the dimension line.
    const AcGePoint3d foot1 = linePoint + direction * (p1 - linePoint).dotProduct(direction);
    const AcGePoint3d foot2 = linePoint + direction * (p2 - linePoint).dotProduct(direction);
    for (const auto& [start, end] : {std::pair(foot1, foot2), std::pair(p1, foot1), std::pair(p2, foot2)}) {
        if (start != end) {
            picture.lines.push_back({start, end});
        }
    }
    picture.text = tarnFormat(std::fabs((p2 - p1).dotProduct(direction)));
    // Along the line, read from below or from the right.
    AcGeVector3d x, y;
    platform::detail::PlaneAxes(m_normal, x, y);
    double angle = std::atan2(direction.dotProduct(y), direction.dotProduct(x));
    if (angle > kHalfPi + 1e-12) {
        angle -= 2 * kHalfPi;
    } else if (angle <= -kHalfPi + 1e-12) {
        angle += 2 * kHalfPi;
    }
    picture.textRotation = platform::detail::NormalizeAngle(angle);
}

double AcDbDimension::tarnAngleOf(const AcGePoint3d& center, const AcGePoint3d& point) const {
    return platform::detail::CircleAngle(center, m_normal, point);
}

std::u16string AcDbDimension::tarnFormat(double value) {
    if (!std::isfinite(value)) {
        return u"0.0000";
    }
    if (std::fabs(value) < 0.00005) {
        value = 0.0;  // no "-0.0000"
    }
    char buffer[400];  // room for the largest double in full
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 4);
    return platform::Utf8ToUtf16(std::string(buffer, result.ec == std::errc() ? result.ptr : buffer));
}

Acad::ErrorStatus AcDbDimension::transformBy(const AcGeMatrix3d& matrix) {
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es != Acad::eOk) {
        return es;
    }
    for (int i = 0; i < m_pointCount; ++i) {
        m_points[static_cast<size_t>(i)].transformBy(matrix);
    }
    m_textPosition.transformBy(matrix);
    AcGeVector3d n = matrix * m_normal;
    if (!n.isZeroLength()) {
        m_normal = n.normal();
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbDimension::getGeomExtents(AcDbExtents& extents) const {
    AcDbExtents box;
    for (int i = 0; i < m_pointCount; ++i) {
        box.addPoint(m_points[static_cast<size_t>(i)]);
    }
    if (m_userTextPosition) {
        box.addPoint(m_textPosition);
    }
    extents = box;
    return Acad::eOk;
}

AcRxClass* platform::dxf::DimensionClass(int typeCode) {
    switch (typeCode) {
        case 0:
            return AcDbRotatedDimension::desc();
        case 1:
            return AcDbAlignedDimension::desc();
        case 2:
            return AcDb2LineAngularDimension::desc();
        case 3:
            return AcDbDiametricDimension::desc();
        case 4:
            return AcDbRadialDimension::desc();
        case 5:
            return AcDb3PointAngularDimension::desc();
        case 6:
            return AcDbOrdinateDimension::desc();
        default:
            return nullptr;
    }
}

unsigned platform::dxf::FirstFreeDimensionBlockNumber(const AcDbDatabase* db) {
    unsigned first = 1;
    const auto* table = AcDbBlockTable::cast(platform::detail::Peek(db->blockTableId()));
    for (const AcDbObjectId& id : table->tarnRecordIds()) {
        const auto* block = AcDbBlockTableRecord::cast(platform::detail::Peek(id));
        if (block == nullptr || block->isErased()) {
            continue;
        }
        const std::u16string_view name(block->tarnName());
        if (name.size() < 3 || name.size() > 11 || name[0] != u'*' || (name[1] != u'D' && name[1] != u'd')) {
            continue;
        }
        unsigned n = 0;
        bool digits = true;
        for (char16_t c : name.substr(2)) {
            digits = digits && c >= u'0' && c <= u'9';
            n = digits ? n * 10 + static_cast<unsigned>(c - u'0') : n;
        }
        if (digits && n < 0xFFFFFFFFu && n + 1 > first) {
            first = n + 1;
        }
    }
    return first;
}
