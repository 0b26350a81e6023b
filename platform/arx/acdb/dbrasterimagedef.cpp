#include "platform/arx/acdb/dbrasterimagedef.h"

#include <algorithm>

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbdict.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/arx/acdb/dbrasterimagedefreactor.h"
#include "platform/arx/acdb/dxffields.h"
#include "platform/imaging/pngread.h"

namespace {

using platform::FieldDesc;

// A pixel count as a file gives it: anything that is not a count a picture can have reads as 0.
int Pixels(double value) {
    return value >= 1.0 && value <= Atil::kMaxImageSide ? static_cast<int>(value) : 0;
}
using platform::FieldKind;

// Size and loaded flag go together (tarnSetFileState); the default pixel size is one drawing unit.
const FieldDesc kFields[] = {
    TARN_SUBCLASS("AcDbRasterImageDef"),
    TARN_FIELD_OUT(90, kInt32, "classVersion", AcDbRasterImageDef, v.integer = 0),
    TARN_FIELD(1, kString, "sourceFileName", AcDbRasterImageDef,
               platform::dxf::Put(v, self->sourceFileName()), self->setSourceFileName(v.text.c_str())),
    TARN_FIELD(10, kPoint2d, "size", AcDbRasterImageDef,
               (v.point[0] = self->size().x, v.point[1] = self->size().y),
               self->tarnSetFileState(Pixels(v.point[0]), Pixels(v.point[1]), self->isLoaded())),
    TARN_FIELD_OUT(11, kPoint2d, "pixelSize", AcDbRasterImageDef, (v.point[0] = 1.0, v.point[1] = 1.0)),
    TARN_FIELD(280, kInt16, "loaded", AcDbRasterImageDef, v.integer = self->isLoaded() ? 1 : 0,
               self->tarnSetFileState(static_cast<int>(self->size().x), static_cast<int>(self->size().y),
                                      v.integer != 0)),
    TARN_FIELD_OUT(281, kInt16, "resolutionUnits", AcDbRasterImageDef, v.integer = 0),
};

}  // namespace

TARN_RX_DEFINE(AcDbRasterImageDef, AcDbObject, u"IMAGEDEF", kFields, std::size(kFields))

Acad::ErrorStatus AcDbRasterImageDef::setSourceFileName(const ACHAR* path) {
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es != Acad::eOk) {
        return es;
    }
    m_sourceFile = path != nullptr ? path : u"";
    m_loaded = false;
    m_image.reset();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbRasterImageDef::load() {
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es != Acad::eOk) {
        return es;
    }
    if (m_image) {
        return Acad::eOk;
    }
    if (m_sourceFile.empty()) {
        return Acad::eInvalidInput;
    }
    platform::imaging::PngInfo info;
    std::string error;
    switch (platform::imaging::DecodePngFile(m_sourceFile, info, error)) {
        case platform::imaging::PngFileStatus::kOk:
            break;
        case platform::imaging::PngFileStatus::kMissing:
            return Acad::eFileNotFound;
        case platform::imaging::PngFileStatus::kDamaged:
            return Acad::eInvalidInput;
    }
    m_width = info.width;
    m_height = info.height;
    m_loaded = true;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbRasterImageDef::unload(bool) {
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es == Acad::eOk) {
        m_loaded = false;
        m_image.reset();
    }
    return es;
}

Acad::ErrorStatus AcDbRasterImageDef::setImage(const Atil::RgbaImage* image, void*, bool) {
    if (image == nullptr || !image->isValid()) {
        return Acad::eInvalidInput;
    }
    Acad::ErrorStatus es = assertWriteEnabled();
    if (es != Acad::eOk) {
        return es;
    }
    m_image = std::make_shared<const Atil::RgbaImage>(*image);
    m_width = image->size().width;
    m_height = image->size().height;
    m_loaded = true;
    return Acad::eOk;
}

void AcDbRasterImageDef::tarnSetFileState(int width, int height, bool loaded) {
    if (assertWriteEnabled() == Acad::eOk) {
        m_width = std::max(width, 0);
        m_height = std::max(height, 0);
        m_loaded = loaded;
    }
}

int AcDbRasterImageDef::entityCount() const {
    int count = 0;
    for (const AcDbObjectId& id : persistentReactorIds()) {
        const auto* reactor = AcDbRasterImageDefReactor::cast(platform::detail::Peek(id));
        if (reactor != nullptr && !id.isErased()) {
            ++count;
        }
    }
    return count;
}

AcDbObjectId AcDbRasterImageDef::imageDictionary(AcDbDatabase* db) {
    if (db == nullptr) {
        return AcDbObjectId();
    }
    const auto* root = AcDbDictionary::cast(platform::detail::Peek(db->namedObjectsDictionaryId()));
    AcDbObjectId id;
    if (root == nullptr || root->getAt(platform::kImageDictionaryKey, id) != Acad::eOk) {
        return AcDbObjectId();
    }
    return AcDbDictionary::cast(platform::detail::Peek(id)) != nullptr ? id : AcDbObjectId();
}

Acad::ErrorStatus AcDbRasterImageDef::createImageDictionary(AcDbDatabase* db, AcDbObjectId& dictionaryId) {
    if (db == nullptr) {
        return Acad::eNoDatabase;
    }
    dictionaryId = imageDictionary(db);
    if (!dictionaryId.isNull()) {
        return Acad::eAlreadyInDb;
    }
    AcDbDictionary* root = nullptr;
    Acad::ErrorStatus es = acdbOpenObject(root, db->namedObjectsDictionaryId(), AcDb::kForWrite);
    if (es != Acad::eOk) {
        return es;
    }
    auto* dict = new AcDbDictionary();
    es = root->setAt(platform::kImageDictionaryKey, dict, dictionaryId);
    root->close();
    if (es != Acad::eOk) {
        delete dict;
        dictionaryId = AcDbObjectId();
        return es;
    }
    dict->close();
    return Acad::eOk;
}
