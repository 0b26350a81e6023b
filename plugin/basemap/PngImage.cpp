#include "plugin/basemap/PngImage.h"

#include <memory>

#include "platform/mfc/afxwin.h"
#include "platform/mfc/msgbox.h"
#include "platform/win32/windows.h"
#include "plugin/core/PngCodec.h"
#include "plugin/core/PngResource.h"
#include "plugin/core/RasterImage.h"

namespace {

AcDbDatabase* WorkingDatabase() {
    return acdbHostApplicationServices()->workingDatabase();
}

// Resource pictures keep their colours; their background (pure white) and outline (pure black) let the
// drawing show through.
BYTE ResourceAlpha(const BYTE* rgb) {
    const bool black = rgb[0] == 0 && rgb[1] == 0 && rgb[2] == 0;
    const bool white = rgb[0] > 254 && rgb[1] > 254 && rgb[2] > 254;
    return black || white ? 0 : 255;
}

void ShowStatus(const ACHAR* format, Acad::ErrorStatus es) {
    CString message;
    message.Format(format, static_cast<int>(es));
    AfxMessageBox(message);
}

}  // namespace

Atil::RgbaImage* LoadPngResImage(UINT resourceId) {
    const BYTE* data = nullptr;
    DWORD size = 0;
    if (!FindPngResource(resourceId, data, size)) {
        return nullptr;
    }
    CPngImage png;
    if (DecodePng(data, size, png) != PNG_STATUS_OK || png.m_nBpp != 24) {
        return nullptr;
    }
    std::unique_ptr<Atil::RgbaImage> image;
    try {
        image = std::make_unique<Atil::RgbaImage>(static_cast<int>(png.m_nWidth),
                                                  static_cast<int>(png.m_nHeight));
        std::vector<BYTE> row(static_cast<size_t>(png.m_nWidth) * 4);
        for (UINT y = 0; y < png.m_nHeight; ++y) {
            const BYTE* rgb = &png.m_rgb[static_cast<size_t>(y) * png.m_nStride];
            for (UINT x = 0; x < png.m_nWidth; ++x, rgb += 3) {
                row[x * 4] = rgb[0];
                row[x * 4 + 1] = rgb[1];
                row[x * 4 + 2] = rgb[2];
                row[x * 4 + 3] = ResourceAlpha(rgb);
            }
            image->setRow(static_cast<int>(y), row.data());
        }
    } catch (const Atil::ATILException& e) {
        AfxMessageBox(e.getMessage());
        return nullptr;
    }
    if (!image->isValid()) {
        return nullptr;
    }
    return image.release();
}

AcDbObjectId GetResImgDefId(const CString& name, UINT resourceId) {
    if (name.IsEmpty()) {
        return AcDbObjectId();
    }
    AcDbDatabase* db = WorkingDatabase();
    AcDbObjectId dictId = AcDbRasterImageDef::imageDictionary(db);
    if (!dictId.isValid() && AcDbRasterImageDef::createImageDictionary(db, dictId) != Acad::eOk) {
        return AcDbObjectId();
    }
    AcDbDictionary* dict = nullptr;
    if (acdbOpenObject(dict, dictId, AcDb::kForRead) != Acad::eOk) {
        return AcDbObjectId();
    }
    AcDbObjectId defId;
    if (dict->getAt(name, defId) == Acad::eOk || resourceId == 0) {
        dict->close();
        return defId;
    }
    Atil::RgbaImage* image = LoadPngResImage(resourceId);
    if (image == nullptr) {
        dict->close();
        return AcDbObjectId();
    }
    auto* def = new AcDbRasterImageDef();
    Acad::ErrorStatus es = def->setImage(image, nullptr, true);
    delete image;
    if (es == Acad::eOk) {
        es = dict->upgradeOpen();
        if (es == Acad::eOk) {
            es = dict->setAt(name, def, defId);
            dict->downgradeOpen();
        }
    }
    dict->close();
    if (es != Acad::eOk) {
        delete def;
        return AcDbObjectId();
    }
    def->close();
    return defId;
}

namespace {

// The RGBA image of decoded PNG bytes, the meter moving from 30 by one every sixtieth of the rows; null when
// the image cannot be made.
Atil::RgbaImage* MakeMapImage(const CPngImage& png) {
    try {
        auto image = std::make_unique<Atil::RgbaImage>(static_cast<int>(png.m_nWidth),
                                                       static_cast<int>(png.m_nHeight));
        std::vector<BYTE> row(static_cast<size_t>(png.m_nWidth) * 4);
        const UINT step = png.m_nHeight / 60 > 0 ? png.m_nHeight / 60 : 1;
        int pos = 30;
        acedSetStatusBarProgressMeterPos(pos);
        for (UINT y = 0; y < png.m_nHeight; ++y) {
            const size_t first = static_cast<size_t>(y) * png.m_nWidth;
            const BYTE* rgb = &png.m_rgb[static_cast<size_t>(y) * png.m_nStride];
            for (UINT x = 0; x < png.m_nWidth; ++x, rgb += 3) {
                row[x * 4] = rgb[0];
                row[x * 4 + 1] = rgb[1];
                row[x * 4 + 2] = rgb[2];
                row[x * 4 + 3] = png.m_alpha.empty() ? 255 : png.m_alpha[first + x];
            }
            image->setRow(static_cast<int>(y), row.data());
            if ((y + 1) % step == 0) {
                acedSetStatusBarProgressMeterPos(++pos);
            }
        }
        return image->isValid() ? image.release() : nullptr;
    } catch (const Atil::ATILException&) {
        return nullptr;
    }
}

// The "TARN_IMG" definition of the open dictionary, made from the PNG bytes when missing (made then true).
Acad::ErrorStatus MapImageDefinition(AcDbDictionary* dict, const BYTE* bytes, UINT count, UINT& width,
                                     UINT& height, AcDbObjectId& defId, bool& made) {
    made = false;
    if (dict->getAt(g_strImageName, defId) == Acad::eOk) {
        return Acad::eOk;
    }
    CPngImage png;
    const PngStatus decoded = DecodePng(bytes, count, png);
    if (decoded == PNG_STATUS_OK && png.m_nBpp != 24) {
        AfxMessageBox(_T("GetBpp Error!"));
        return Acad::eInvalidInput;
    }
    if (decoded != PNG_STATUS_OK) {
        return Acad::eInvalidInput;
    }
    Atil::RgbaImage* image = MakeMapImage(png);
    if (image == nullptr) {
        return Acad::eInvalidInput;
    }
    width = png.m_nWidth;
    height = png.m_nHeight;
    acedSetStatusBarProgressMeterPos(90);
    auto* def = new AcDbRasterImageDef();
    Acad::ErrorStatus es = def->setImage(image, nullptr, true);
    delete image;
    if (es == Acad::eOk) {
        es = def->load();
    }
    if (es == Acad::eOk) {
        es = dict->setAt(g_strImageName, def, defId);
    }
    if (es != Acad::eOk) {
        delete def;
        return es;
    }
    def->close();
    made = true;
    return Acad::eOk;
}

}  // namespace

Acad::ErrorStatus InsertImg(const BYTE* bytes, UINT count, const AcGePoint2d& lowerLeft,
                            const AcGePoint2d& upperRight, UINT& width, UINT& height) {
    width = 0;
    height = 0;
    ClearCurMapImage(nullptr);
    AcDbDatabase* db = WorkingDatabase();
    const AcDbObjectId layerId = db->clayer();
    AcDbObjectId dictId = AcDbRasterImageDef::imageDictionary(db);
    Acad::ErrorStatus es = Acad::eOk;
    if (!dictId.isValid()) {
        es = AcDbRasterImageDef::createImageDictionary(db, dictId);
        if (es != Acad::eOk) {
            return es;
        }
    }
    AcDbDictionary* dict = nullptr;
    es = acdbOpenObject(dict, dictId, AcDb::kForWrite);
    if (es != Acad::eOk) {
        return es;
    }
    AcDbObjectId defId;
    bool made = false;
    es = MapImageDefinition(dict, bytes, count, width, height, defId, made);
    dict->close();
    if (es != Acad::eOk) {
        return es;
    }
    // Takes back a definition made here when the image cannot follow, so that nothing half made stays.
    auto fail = [&](Acad::ErrorStatus status) {
        if (made && acdbOpenObject(dict, dictId, AcDb::kForWrite) == Acad::eOk) {
            dict->remove(g_strImageName);
            dict->close();
            AcDbObject* def = nullptr;
            if (acdbOpenObject(def, defId, AcDb::kForWrite) == Acad::eOk) {
                def->erase();
                def->close();
            }
        }
        return status;
    };
    auto* image = new AcDbRasterImage();
    image->setImageDefId(defId);
    const bool placed = image->setOrientation(AcGePoint3d(lowerLeft.x, lowerLeft.y, 0.0),
                                              AcGeVector3d(upperRight.x - lowerLeft.x, 0.0, 0.0),
                                              AcGeVector3d(0.0, upperRight.y - lowerLeft.y, 0.0));
    image->setDisplayOpt(AcDbRasterImage::kTransparent, true);
    es = placed ? image->setLayer(layerId) : Acad::eInvalidInput;
    image->setColor(g_ImageColor);
    if (es != Acad::eOk) {
        delete image;
        return fail(es);
    }
    AcDbBlockTable* table = nullptr;
    es = db->getBlockTable(table, AcDb::kForWrite);
    if (es != Acad::eOk) {
        delete image;
        return fail(es);
    }
    AcDbBlockTableRecord* model = nullptr;
    es = table->getAt(ACDB_MODEL_SPACE, model, AcDb::kForWrite);
    if (es != Acad::eOk) {
        table->close();
        delete image;
        return fail(es);
    }
    AcDbObjectId imageId;
    es = model->appendAcDbEntity(imageId, image);
    if (imageId.isNull()) {
        image->close();
        model->close();
        table->close();
        return fail(es);
    }
    image->close();
    AcDbSortentsTable* order = GetSortentsTable(model);
    model->close();
    table->close();
    Acad::ErrorStatus moved = Acad::eOk;
    if (order != nullptr) {
        AcDbObjectIdArray ids;
        ids.append(imageId);
        moved = order->moveToBottom(ids);
        order->close();
        if (moved != Acad::eOk) {
            ShowStatus(_T("InsertImg ErrorCode:%d"), moved);
        }
    }
    g_WholeViewImages[db] = imageId;
    return moved;
}
