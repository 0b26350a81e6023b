#include "plugin/core/RasterImage.h"

#include <functional>

#include "platform/mfc/msgbox.h"

CString g_strImageName = _T("TARN_IMG");
std::map<AcDbDatabase*, AcDbObjectId> g_WholeViewImages;
std::map<AcDbDatabase*, CString> g_WholeViewFiles;
AcCmColor g_ImageColor;

void ResetRasterImageState() {
    g_strImageName = _T("TARN_IMG");
    g_WholeViewImages.clear();
    g_WholeViewFiles.clear();
    g_ImageColor = AcCmColor();
}

namespace {

void ShowStatus(const ACHAR* format, Acad::ErrorStatus es) {
    CString message;
    message.Format(format, static_cast<int>(es));
    AfxMessageBox(message);
}

AcDbDatabase* WorkingDatabase() {
    return acdbHostApplicationServices()->workingDatabase();
}

// Whether the working database's image dictionary holds the name now.
bool HasDefinition(const CString& name) {
    const AcDbObjectId dictId = AcDbRasterImageDef::imageDictionary(WorkingDatabase());
    AcDbDictionary* dict = nullptr;
    if (dictId.isNull() || acdbOpenObject(dict, dictId, AcDb::kForRead) != Acad::eOk) {
        return false;
    }
    const bool has = dict->has(name);
    dict->close();
    return has;
}

// Takes back a definition an insertion made before it failed, so that nothing half made stays behind.
void DropNewDefinition(const CString& name, AcDbObjectId defId) {
    AcDbDictionary* dict = nullptr;
    if (acdbOpenObject(dict, AcDbRasterImageDef::imageDictionary(WorkingDatabase()), AcDb::kForWrite) ==
        Acad::eOk) {
        dict->remove(name);
        dict->close();
    }
    AcDbObject* def = nullptr;
    if (acdbOpenObject(def, defId, AcDb::kForWrite) == Acad::eOk) {
        def->erase();
        def->close();
    }
}

// The failure road of an insertion: the image is discarded, a definition made for it taken back, the
// message shown.
Acad::ErrorStatus InsertFailed(AcDbRasterImage* image, bool madeDef, const CString& name, AcDbObjectId defId,
                               Acad::ErrorStatus es) {
    delete image;
    if (madeDef) {
        DropNewDefinition(name, defId);
    }
    ShowStatus(_T("InsertIMGFile ErrorCode:%d"), es);
    return es;
}

Acad::ErrorStatus InsertImage(AcDbObjectId& imageId,
                              const std::function<Acad::ErrorStatus(AcDbRasterImage*)>& setLayer,
                              const CString& imagePath, const CString& name, const AcGePoint2d& lowerLeft,
                              const AcGePoint2d& upperRight) {
    if (imagePath.IsEmpty() || name.IsEmpty()) {
        return Acad::eInvalidInput;
    }
    const bool hadDef = HasDefinition(name);
    const AcDbObjectId defId = GetRasterImgDefId(name, imagePath);
    if (defId.isNull()) {
        return Acad::eInvalidInput;
    }
    const bool madeDef = !hadDef;
    auto* image = new AcDbRasterImage();
    image->setImageDefId(defId);
    const AcGePoint3d origin(lowerLeft.x, lowerLeft.y, 0.0);
    const AcGeVector3d u(upperRight.x - lowerLeft.x, 0.0, 0.0);
    const AcGeVector3d v(0.0, upperRight.y - lowerLeft.y, 0.0);
    // Corners that give no place (not finite, or a line) would leave an image nowhere: refused.
    Acad::ErrorStatus es = image->setOrientation(origin, u, v) ? Acad::eOk : Acad::eInvalidInput;
    image->setDisplayOpt(AcDbRasterImage::kTransparent, true);
    if (es == Acad::eOk) {
        es = setLayer(image);
    }
    image->setColor(g_ImageColor);
    if (es != Acad::eOk) {
        return InsertFailed(image, madeDef, name, defId, es);
    }
    AcDbBlockTable* table = nullptr;
    es = WorkingDatabase()->getBlockTable(table, AcDb::kForRead);  // only model space changes
    if (es != Acad::eOk) {
        return InsertFailed(image, madeDef, name, defId, es);
    }
    AcDbBlockTableRecord* model = nullptr;
    es = table->getAt(ACDB_MODEL_SPACE, model, AcDb::kForWrite);
    if (es != Acad::eOk) {
        table->close();
        return InsertFailed(image, madeDef, name, defId, es);
    }
    AcDbObjectId newId;
    es = model->appendAcDbEntity(newId, image);
    if (newId.isNull()) {
        image->close();
        model->close();
        table->close();
        if (madeDef) {
            DropNewDefinition(name, defId);
        }
        return es;
    }
    image->close();
    AcDbSortentsTable* order = GetSortentsTable(model);
    model->close();
    table->close();
    Acad::ErrorStatus moved = Acad::eOk;
    if (order != nullptr) {
        AcDbObjectIdArray ids;
        ids.append(newId);
        moved = order->moveToBottom(ids);
        order->close();
        if (moved != Acad::eOk) {
            ShowStatus(_T("Img MoveToBottom ErrorCode:%d"), moved);
        }
    }
    if (name == g_strImageName) {
        g_WholeViewImages[WorkingDatabase()] = newId;
    }
    imageId = newId;
    return moved;
}

// A missing layer is made, and the layer is set again.
Acad::ErrorStatus SetLayerByName(AcDbRasterImage* image, const CString& name) {
    Acad::ErrorStatus es = image->setLayer(name);
    if (es != Acad::eKeyNotFound) {
        return es;
    }
    AcDbLayerTable* layers = nullptr;
    es = WorkingDatabase()->getLayerTable(layers, AcDb::kForWrite);
    if (es != Acad::eOk) {
        return es;
    }
    if (!layers->has(name)) {
        auto* record = new AcDbLayerTableRecord();
        record->setName(name);
        if (layers->add(record) == Acad::eOk) {
            record->close();
        } else {
            delete record;
        }
    }
    layers->close();
    return image->setLayer(name);
}

// Erases one image with its definition and dictionary entry; withFailureLine: ClearCacheMap's reporting.
// False when the image stays. An image on a locked layer (the user locked the layer the plug-in put it on) is
// erased with that layer unlocked for the moment, held open meanwhile and locked again; an image that cannot
// be opened all the same stays, its definition no longer listed.
bool EraseImageAndDefinition(AcDbObjectId imageId, const CString& name, AcDbDatabase* db,
                             bool withFailureLine) {
    auto failureLine = [&](Acad::ErrorStatus es) {
        if (withFailureLine) {
            acutPrintf(_T("清楚缓存地图失败！错误代码：%d\n"), static_cast<int>(es));
        }
    };
    AcDbRasterImage* image = nullptr;
    Acad::ErrorStatus es = acdbOpenObject(image, imageId, AcDb::kForWrite);
    AcDbLayerTableRecord* layer = nullptr;
    bool wasLocked = false;
    if (es == Acad::eOnLockedLayer && acdbOpenObject(image, imageId, AcDb::kForRead) == Acad::eOk) {
        const AcDbObjectId layerId = image->layerId();
        image->close();
        image = nullptr;
        if (acdbOpenObject(layer, layerId, AcDb::kForWrite) == Acad::eOk) {
            wasLocked = layer->isLocked();
            layer->setIsLocked(false);
            es = acdbOpenObject(image, imageId, AcDb::kForWrite);
        }
    }
    auto relock = [&] {
        if (layer != nullptr) {
            layer->setIsLocked(wasLocked);
            layer->close();
            layer = nullptr;
        }
    };
    // The dictionary entry goes in any case: an image that cannot be opened must not keep its definition
    // listed.
    const AcDbObjectId dictId = AcDbRasterImageDef::imageDictionary(db);
    if (dictId.isNull() || !dictId.isValid()) {
        failureLine(Acad::eKeyNotFound);
    } else {
        AcDbDictionary* dict = nullptr;
        const Acad::ErrorStatus dictEs = acdbOpenObject(dict, dictId, AcDb::kForWrite);
        if (dictEs != Acad::eOk) {
            ShowStatus(_T("Openn Dict ErrorCode:%d"), dictEs);
            failureLine(dictEs);
        } else {
            if (dict->has(name)) {
                dict->remove(name);
            }
            dict->close();
        }
    }
    if (es != Acad::eOk && es != Acad::eWasErased) {
        relock();
        CString message;
        message.Format(_T("Open RasterImage ErrorCode:%d"), static_cast<int>(es));
        acutPrintf(message);
        failureLine(es);
        return false;
    }
    AcDbObjectId defId;
    if (es == Acad::eWasErased) {
        failureLine(es);
        // The image went before (an undo, another erase): its definition must not stay behind unlisted. Taken
        // over for write where it can be: with undo recording off (the base map's tiles), an undo of that
        // erase must not bring back an image whose definition is gone.
        if (acdbOpenObject(image, imageId, AcDb::kForWrite, true) != Acad::eOk &&
            acdbOpenObject(image, imageId, AcDb::kForRead, true) != Acad::eOk) {
            relock();
            return true;
        }
        defId = image->imageDefId();
        image->close();
    } else {
        defId = image->imageDefId();
        image->erase();
        image->close();
    }
    relock();
    AcDbRasterImageDef* def = nullptr;
    es = acdbOpenObject(def, defId, AcDb::kForWrite);
    if (es != Acad::eOk) {
        failureLine(es);
        return true;
    }
    def->unload(true);
    def->erase();
    def->close();
    return true;
}

}  // namespace

Acad::ErrorStatus InsertIMGFile(AcDbObjectId& imageId, AcDbObjectId layerId, const CString& imagePath,
                                const CString& name, const AcGePoint2d& lowerLeft,
                                const AcGePoint2d& upperRight) {
    return InsertImage(
        imageId, [&](AcDbRasterImage* image) { return image->setLayer(layerId); }, imagePath, name, lowerLeft,
        upperRight);
}

Acad::ErrorStatus InsertIMGFile(AcDbObjectId& imageId, const CString& layerName, const CString& imagePath,
                                const CString& name, const AcGePoint2d& lowerLeft,
                                const AcGePoint2d& upperRight) {
    return InsertImage(
        imageId, [&](AcDbRasterImage* image) { return SetLayerByName(image, layerName); }, imagePath, name,
        lowerLeft, upperRight);
}

AcDbObjectId GetRasterImgDefId(const CString& name, const CString& imagePath) {
    if (name.IsEmpty()) {
        return AcDbObjectId();
    }
    AcDbDatabase* db = WorkingDatabase();
    AcDbObjectId dictId = AcDbRasterImageDef::imageDictionary(db);
    if (!dictId.isValid() && AcDbRasterImageDef::createImageDictionary(db, dictId) != Acad::eOk) {
        return AcDbObjectId();
    }
    AcDbDictionary* dict = nullptr;
    Acad::ErrorStatus es = acdbOpenObject(dict, dictId, AcDb::kForWrite);
    if (es != Acad::eOk) {
        ShowStatus(_T("GetRasterImgDefId ErrorCode:%d"), es);
        return AcDbObjectId();
    }
    AcDbObjectId defId;
    if (dict->getAt(name, defId) == Acad::eOk) {
        dict->close();
        return defId;
    }
    if (imagePath.IsEmpty()) {
        dict->close();
        return AcDbObjectId();
    }
    auto* def = new AcDbRasterImageDef();
    es = def->setSourceFileName(imagePath);
    if (es == Acad::eOk) {
        es = def->load();
    }
    if (es == Acad::eOk) {
        es = dict->setAt(name, def, defId);
    }
    dict->close();
    if (es != Acad::eOk) {
        delete def;
        return AcDbObjectId();
    }
    def->close();
    return defId;
}

AcDbSortentsTable* GetSortentsTable(AcDbBlockTableRecord* block) {
    if (block == nullptr) {
        return nullptr;
    }
    AcDbSortentsTable* table = nullptr;
    if (block->getSortentsTable(table, AcDb::kForWrite, false) == Acad::eOk) {
        return table;
    }
    AcDbObjectId dictId = block->extensionDictionary();
    if (dictId.isNull()) {
        if (block->createExtensionDictionary() != Acad::eOk) {
            return nullptr;
        }
        dictId = block->extensionDictionary();
        if (dictId.isNull()) {
            return nullptr;
        }
    }
    AcDbDictionary* dict = nullptr;
    Acad::ErrorStatus es = acdbOpenObject(dict, dictId, AcDb::kForWrite);
    if (es != Acad::eOk) {
        ShowStatus(_T("GetSortentsTable ErrorCode:%d"), es);
        return nullptr;
    }
    AcDbObject* object = nullptr;
    es = dict->getAt(_T("ACAD_SORTENTS"), object, AcDb::kForWrite);
    if (es == Acad::eKeyNotFound) {
        auto* fresh = new AcDbSortentsTable();
        AcDbObjectId freshId;
        if (dict->setAt(_T("ACAD_SORTENTS"), fresh, freshId) != Acad::eOk) {
            delete fresh;
            dict->close();
            return nullptr;
        }
        fresh->setBlockId(block->objectId());
        object = fresh;
    }
    dict->close();
    if (object == nullptr) {
        return nullptr;
    }
    if (auto* found = AcDbSortentsTable::cast(object)) {
        return found;
    }
    object->close();
    return nullptr;
}

void ClearCacheMap(AcDbObjectId imageId, const CString& name, AcDbDatabase* db) {
    if (imageId.isNull()) {
        return;
    }
    EraseImageAndDefinition(imageId, name, db != nullptr ? db : WorkingDatabase(), true);
}

bool ClearCurMapImage(AcDbDatabase* db) {
    if (db == nullptr) {
        db = WorkingDatabase();
    }
    AcDbObjectId& entry = g_WholeViewImages[db];
    if (entry.isNull()) {
        return true;
    }
    const AcDbObjectId imageId = entry;
    if (!EraseImageAndDefinition(imageId, g_strImageName, db, false)) {
        return false;  // still the drawing's picture, and its file still its own
    }
    g_WholeViewImages[db] = AcDbObjectId();
    return true;
}

CString GetCurDwgFileName() {
    AcApDocument* doc = acDocManager->curDocument();
    CString name = doc != nullptr ? CString(doc->fileName()) : CString();
    const int slash = name.ReverseFind(_T('\\'));
    return slash >= 0 ? name.Mid(slash + 1) : name;
}
