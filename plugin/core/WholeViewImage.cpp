// The whole-view map image: the picture of request 20301 written under the plug-in's folder and inserted
// under the current layer, and removed again with its file.
#include "plugin/core/WholeViewImage.h"

#include <cmath>
#include <string>

#include "plugin/arxutil/AppDirectoryUtil.h"
#include "plugin/arxutil/DocWriteLock.h"
#include "plugin/arxutil/ViewUtil.h"
#include "plugin/core/RasterImage.h"
#include "plugin/core/SyncState.h"
#include "plugin/cutil/cutil.h"
#include "plugin/maplink/linkutil.h"

namespace {

// Three bytes a unit is the most UTF-8 a UTF-16 unit can take.
std::string Utf8(const CString& text) {
    std::string utf8(size_t(text.GetLength()) * 3 + 1, '\0');
    const int n = MapApiUtf16ToUtf8(text, utf8.data(), static_cast<int>(utf8.size()));
    utf8.resize(size_t(n));
    return utf8;
}

AcApDocument* DocumentOf(AcDbDatabase* db) {
    AcApDocument* doc = db != nullptr ? acDocManager->document(db) : nullptr;
    return doc != nullptr ? doc : acDocManager->curDocument();
}

CString FileNameOf(const CString& path) {
    const int slash = path.ReverseFind(u'\\');
    return slash < 0 ? path : path.Mid(slash + 1);
}

// The whole-view file of the database: its own document's name and its own current layer.
CString WholeViewFileOf(AcDbDatabase* db) {
    AcApDocument* doc = DocumentOf(db);
    const CString pluginFolder = CAppDirectoryUtil::GetCurrentDirectory(AfxGetInstanceHandle());
    uint32_t layerKey = 0;
    AcDbLayerTableRecord* layer = nullptr;
    if (db != nullptr && acdbOpenObject(layer, db->clayer(), AcDb::kForRead) == Acad::eOk) {
        layerKey = HandleToUInt32(layer->objectId().handle());
        layer->close();
    }
    return WholeViewFileName(pluginFolder, doc != nullptr ? FileNameOf(doc->fileName()) : CString(),
                             layerKey);
}

// The database's whole-view file, unless another open drawing's picture is held in that file (drawings of
// one name in two folders): then the first of "_2", "_3", ... after it that none holds.
CString UnusedWholeViewFile(AcDbDatabase* db) {
    const CString standard = WholeViewFileOf(db);
    auto held = [db](const CString& file) {
        for (const auto& [other, path] : g_WholeViewFiles) {
            if (other != db && path.CompareNoCase(file) == 0) {
                return true;
            }
        }
        return false;
    };
    CString file = standard;
    for (int n = 2; held(file); ++n) {
        file.Format(u"%s_%d.png", standard.Left(standard.GetLength() - 4).GetString(), n);
    }
    return file;
}

}  // namespace

CString WholeViewFileName(const CString& pluginFolder, const CString& drawingName, uint32_t layerKey) {
    CString file;
    file.Format(u"%s\\MapTemp\\%s_%d.png", pluginFolder.GetString(), drawingName.GetString(),
                static_cast<int>(layerKey));
    return file;
}

bool IsMapCoordinate(double value) {
    return std::fabs(value) <= kMaxMapCoordinate;  // false for NaN too
}

bool IsPlaceableMapRegion(const AcGePoint2d& min, const AcGePoint2d& max) {
    return IsMapCoordinate(min.x) && IsMapCoordinate(min.y) && IsMapCoordinate(max.x) &&
           IsMapCoordinate(max.y) && max.x > min.x && max.y > min.y;
}

// ---- The whole-view map image

bool ClearMapImages(AcDbDatabase* db) {
    if (db == nullptr) {
        return false;
    }
    AcApDocument* doc = DocumentOf(db);
    CDocWriteLock lock(doc);
    if (doc != nullptr && !lock.Locked()) {
        return false;
    }
    const bool had = !g_WholeViewImages[db].isNull();
    if (!ClearCurMapImage(db)) {
        return false;  // the picture stays in the drawing: so does its file
    }
    const CString pluginFolder = CAppDirectoryUtil::GetCurrentDirectory(AfxGetInstanceHandle());
    CreateDirU8(Utf8(pluginFolder + u"\\MapTemp").c_str());
    // Only the file this drawing's picture was written to: the name now made of the drawing's name and
    // current layer may be another open drawing's picture (a drawing of the same name in another folder).
    const auto written = g_WholeViewFiles.find(db);
    if (written != g_WholeViewFiles.end()) {
        const std::string file = Utf8(written->second);
        g_WholeViewFiles.erase(written);
        if (GetFileSizeU8(file.c_str()) > 0) {
            DeleteFileU8(file.c_str());
        }
    }
    return had;
}

int InsertMapImage(const BYTE* image, DWORD length, const AcGePoint2d& min, const AcGePoint2d& max) {
    AcDbDatabase* db = acdbHostApplicationServices()->workingDatabase();
    // Bounds the map application sent that no picture can have: the image there stays as it is.
    if (db == nullptr || image == nullptr || length == 0 || !IsPlaceableMapRegion(min, max)) {
        return Acad::eInvalidInput;
    }
    AcApDocument* doc = DocumentOf(db);
    CDocWriteLock lock(doc);
    if (doc != nullptr && !lock.Locked()) {
        return Acad::eLockViolation;
    }
    ClearMapImages(db);
    const CString file = UnusedWholeViewFile(db);
    const std::string utf8 = Utf8(file);
    if (WriteFileData(utf8.c_str(), image, length) != 1) {
        return Acad::eFileAccessErr;
    }
    g_WholeViewFiles[db] = file;
    AcDbObjectId imageId;
    const Acad::ErrorStatus es = InsertIMGFile(imageId, db->clayer(), file, g_strImageName, min, max);
    if (es == Acad::eOk) {
        CViewUtil::UpdateDisplay();
    }
    return es;
}

AcGePoint3d& GetEntityExtents(AcGePoint3d& point, const AcDbEntity* entity) {
    point = AcGePoint3d(0.0, 0.0, 0.0);
    if (entity == nullptr) {
        return point;
    }
    if (const AcDbRasterImage* image = AcDbRasterImage::cast(entity)) {
        AcGePoint3d origin;
        AcGeVector3d u;
        AcGeVector3d v;
        image->getOrientation(origin, u, v);
        point = AcGePoint3d(origin.x, origin.y, 0.0);
        return point;
    }
    AcDbExtents box;
    if (entity->getGeomExtents(box) != Acad::eOk) {
        return point;
    }
    AcGePoint3d lo = box.minPoint();
    const AcGePoint3d hi = box.maxPoint();
    if (lo.x == 0.0 && lo.y == 0.0) {
        lo = hi;
    }
    point = AcGePoint3d((lo.x + hi.x) / 2.0, (lo.y + hi.y) / 2.0, 0.0);
    return point;
}
