// Map captures: the region chosen (a drawn rectangle or a picked entity), asked for as one map-file record,
// asked again while the map application is not ready, and the picture inserted under the current layer.
#include "plugin/basemap/MapCapture.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "platform/mfc/acui.h"

#include "plugin/core/Settings.h"
#include "plugin/core/PluginState.h"
#include "plugin/arxutil/AppDirectoryUtil.h"
#include "plugin/arxutil/DocWriteLock.h"
#include "plugin/arxutil/ViewUtil.h"
#include "plugin/basemap/BaseMapLayer.h"
#include "plugin/basemap/CaptureMapSetting.h"
#include "plugin/core/RasterImage.h"
#include "plugin/cutil/cutil.h"
#include "plugin/core/EditorView.h"
#include "plugin/core/SyncState.h"
#include "plugin/maplink/linkutil.h"
#include "plugin/maplink/mapapp.h"
#include "plugin/maplink/maplink.h"
#include "plugin/maplink/mapreq.h"

namespace {

constexpr double kMinCaptureSide = 10.0;  // drawing units; smaller on both sides gives no useful picture
constexpr uint32_t kCaptureRetryMs = 3000;
constexpr uint64_t kCaptureLostMs = 120000;  // no answer for so long: the map application lost the capture
constexpr const char16_t* kTextTempDrawing = u"\n%s为临时文档，请保存后再进行取图操作！\n";

std::string Utf8(const CString& text) {
    return PathToUtf8(text, std::numeric_limits<size_t>::max());
}

}  // namespace

// ---- Names and sizes

CString CaptureFolder(const CString& drawingPath) {
    const int slash = drawingPath.ReverseFind(u'\\');
    const int dot = drawingPath.ReverseFind(u'.');
    return dot > slash ? drawingPath.Left(dot) : drawingPath;
}

CString CaptureFileName(const CString& folder, const CString& name, uint32_t mapId, int level, double minX,
                        double minY, double maxX, double maxY) {
    CString file;
    if (!name.IsEmpty()) {
        file.Format(u"%s\\%s.png", folder.GetString(), name.GetString());
        return file;
    }
    // The level is part of the key: captures of one region at two levels are two pictures.
    CString text;
    text.Format(u"%d_%f_%f_%f_%f_%d", static_cast<int>(mapId), minX, minY, maxX, maxY, level);
    file.Format(u"%s\\%I64d.png", folder.GetString(), static_cast<long long>(StringKey63(text)));
    return file;
}

bool CapturePixels(double resolution, double minX, double minY, double maxX, double maxY, uint32_t& width,
                   uint32_t& height) {
    if (!IsUsableResolution(resolution)) {
        return false;
    }
    const double w = std::trunc((maxX - minX) / resolution);
    const double h = std::trunc((maxY - minY) / resolution);
    constexpr double kMax = static_cast<double>(std::numeric_limits<uint32_t>::max());
    if (!std::isfinite(w) || !std::isfinite(h) || w < 0.0 || h < 0.0 || w > kMax || h > kMax) {
        return false;
    }
    width = static_cast<uint32_t>(w);
    height = static_cast<uint32_t>(h);
    return true;
}

// ---- The capture

void CBaseMapLayer::StartCapture() {
    if (!CheckMapAppReady()) {
        return;
    }
    AcApDocument* doc = acDocManager->curDocument();
    if (doc == nullptr) {
        return;
    }
    if (CString(doc->fileName()).Find(u'\\') < 0) {
        AfxMessageBox(u"当前文档为临时文档(没有路径)，请保存后再进行取图操作！\n");
        return;
    }
    // A capture whose map application is gone (its window closed, or another in its place after a restart)
    // is never answered: it ends at once. The two minutes are for a map application that is there but silent.
    const bool mapGone = FindWindowW(kMapAppWindowClass, nullptr) != m_hCaptureMapWnd;
    if (m_captureItem.m_bRunning && (mapGone || GetTickCount64() - m_nCaptureActivityMs >= kCaptureLostMs)) {
        WriteDebugLog(mapGone ? u"capture of a map application that is gone ended"
                              : u"capture without an answer for two minutes ended");
        m_captureItem.m_bRunning = false;
        m_captureItem.RestoreMeter();
        m_bCaptureRetryDue = false;
    }
    if (m_captureItem.m_bRunning) {
        acutPrintf(u"\n当前正在取图中！\n");
        return;
    }
    m_captureItem.m_strPath.Empty();
    m_captureItem.m_strName.Empty();
    // A stall of an earlier capture says nothing about this one.
    m_captureItem.m_bStalled = false;
    m_captureItem.m_nLastDone = 0;
    MapApiGetMapState(&g_MapApiLink, 2);
    m_grid.m_nLevel = GetLevel();

    CCaptureMapSetting dialog;
    dialog.m_nMapType = static_cast<int>(m_grid.m_nMapId);
    dialog.m_nLevel = m_grid.m_nLevel;
    {
        CAcModuleResourceOverride resources;  // the dialog is the plug-in's own resource
        if (dialog.DoModal() != IDOK) {
            return;
        }
    }
    if (g_Settings.m_bOnlineMap && g_PluginCallbacks.switchOnlineMap != nullptr) {
        g_PluginCallbacks.switchOnlineMap();
    }
    m_captureItem.m_nLevel = dialog.m_nLevel;
    m_captureItem.m_nMapId = m_grid.m_nMapId;
    m_captureItem.m_strName = dialog.m_strName;

    if (dialog.m_nRegion == 1) {
        ads_name entity = {0, 0};
        // Only a pick goes on: an empty answer, Esc or an error leave nothing to capture.
        if (acedEntSel(u"\n请选择一个实体：", entity, nullptr) == RTNORM) {
            UseEntityExtents(entity, false);
        }
        return;
    }
    if (g_pEditorView != nullptr) {
        g_pEditorView->ArmRectCapture();
    }
    acDocManager->sendStringToExecute(doc, u"_rectang ", true, false, true);
}

namespace {

// The rectangle drawn only to give the region goes again, even when it was drawn on a locked current layer:
// that layer is unlocked for the moment of the erase and locked again, held open meanwhile.
void EraseCaptureRectangle(AcDbObjectId id) {
    AcDbEntity* rectangle = nullptr;
    const Acad::ErrorStatus es = acdbOpenAcDbEntity(rectangle, id, AcDb::kForWrite);
    if (es == Acad::eOk) {
        rectangle->erase();
        rectangle->close();
        return;
    }
    if (es != Acad::eOnLockedLayer || acdbOpenAcDbEntity(rectangle, id, AcDb::kForRead) != Acad::eOk) {
        return;
    }
    const AcDbObjectId layerId = rectangle->layerId();
    rectangle->close();
    AcDbLayerTableRecord* layer = nullptr;
    if (acdbOpenObject(layer, layerId, AcDb::kForWrite) != Acad::eOk) {
        return;
    }
    const bool locked = layer->isLocked();
    layer->setIsLocked(false);
    if (acdbOpenAcDbEntity(rectangle, id, AcDb::kForWrite) == Acad::eOk) {
        rectangle->erase();
        rectangle->close();
    }
    layer->setIsLocked(locked);
    layer->close();
}

}  // namespace

bool CBaseMapLayer::UseEntityExtents(const ads_name entity, bool erase) {
    AcDbObjectId id;
    if (acdbGetObjectId(id, entity) != Acad::eOk || id.isNull()) {
        return false;
    }
    AcDbExtents box;
    Acad::ErrorStatus extentsStatus = Acad::eOk;
    {
        CDocWriteLock lock;
        AcDbEntity* object = nullptr;
        // The region is only read: an entity on a locked layer gives its extents like any other.
        if (!lock.Locked() || acdbOpenAcDbEntity(object, id, AcDb::kForRead) != Acad::eOk) {
            return false;
        }
        extentsStatus = object->getGeomExtents(box);
        object->close();
        if (erase) {
            EraseCaptureRectangle(id);
        }
    }
    const AcGePoint3d lo = box.minPoint();
    const AcGePoint3d hi = box.maxPoint();
    // Extents that could not be read, or of an endless entity, are no region.
    if (extentsStatus != Acad::eOk || !std::isfinite(lo.x) || !std::isfinite(lo.y) || !std::isfinite(hi.x) ||
        !std::isfinite(hi.y)) {
        acutPrintf(u"\n您选择的范围太小，无法生成地图！\\");
        return false;
    }
    if (hi.x - lo.x < kMinCaptureSide && hi.y - lo.y < kMinCaptureSide) {
        acutPrintf(u"\n您选择的范围太小，无法生成地图！\\");
        return false;
    }
    m_captureItem.m_ptMin = AcGePoint2d(lo.x, lo.y);
    m_captureItem.m_ptMax = AcGePoint2d(hi.x, hi.y);
    m_captureItem.m_bRunning = true;
    m_pCaptureDb = acdbHostApplicationServices()->workingDatabase();
    m_captureItem.m_nRetryMs = kCaptureRetryMs;
    RequestCaptureImage(20);
    return m_captureItem.m_bRunning;
}

int CBaseMapLayer::RequestCaptureImage(int param) {
    CMapImageItem& item = m_captureItem;
    MapFileRequest record;
    std::memset(&record, 0, sizeof record);
    record.m_nMapId = item.m_nMapId;
    record.m_byKind = 2;
    record.m_nMode = item.m_bStalled ? 0 : 1;
    record.m_byFlag = 1;
    record.m_nCaptureParam = static_cast<uint32_t>(param);
    // A level out of the tables' range (a settings file edited by hand) is brought into it.
    const int level = static_cast<int>(std::clamp<int64_t>(item.m_nLevel, 1, kMaxTileLevel));
    record.m_nLevel = static_cast<uint32_t>(level);
    record.m_dMinX = item.m_ptMin.x;
    record.m_dMinY = item.m_ptMin.y;
    record.m_dMaxX = item.m_ptMax.x;
    record.m_dMaxY = item.m_ptMax.y;
    if (!CapturePixels(m_dResolutionY[level], item.m_ptMin.x, item.m_ptMin.y, item.m_ptMax.x, item.m_ptMax.y,
                       record.m_nPixelWidth, record.m_nPixelHeight)) {
        item.m_bRunning = false;
        ShowMapFileError(IsUsableResolution(m_dResolutionY[level]) ? -4 : -2);
        return -1;
    }
    record.m_nSerial = static_cast<uint64_t>(static_cast<int64_t>(g_nMapFileSerial));
    g_nMapFileSerial = static_cast<int32_t>(static_cast<uint32_t>(g_nMapFileSerial) + 1u);

    if (item.m_strPath.IsEmpty()) {
        AcApDocument* doc = acDocManager->curDocument();
        if (doc == nullptr) {
            item.m_bRunning = false;
            return -1;
        }
        const CString drawing = doc->fileName();
        if (drawing.Find(u'\\') < 0) {
            acutPrintf(kTextTempDrawing, drawing.GetString());
            item.m_bRunning = false;
            return -1;
        }
        const CString folder = CaptureFolder(drawing);
        CreateDirU8(Utf8(folder).c_str());
        item.m_strPath = CaptureFileName(folder, item.m_strName, item.m_nMapId, level, item.m_ptMin.x,
                                         item.m_ptMin.y, item.m_ptMax.x, item.m_ptMax.y);
    }
    // The path must fit the record with its NUL, whole: a cut path would name another file.
    const std::string utf8 = PathToUtf8(item.m_strPath, kMaxTilePathBytes);
    if (utf8.empty()) {
        acutPrintf(u"\n地图文件路径太长：%s\n", item.m_strPath.GetString());
        item.m_bRunning = false;
        return -1;
    }
    std::memcpy(record.m_szPath, utf8.data(), utf8.size());
    record.m_nId = StringKey63(item.m_strPath);
    // Set before the send: the answer is recognised by it, and may come inside the send.
    item.m_nId = record.m_nId;
    m_nCaptureActivityMs = GetTickCount64();
    m_hCaptureMapWnd = FindWindowW(kMapAppWindowClass, nullptr);  // the map application that owes the answer
    const int result = MapApiRequestMapFiles(&g_MapApiLink, &record, 1);
    if (result < 0) {
        item.m_bRunning = false;
        item.RestoreMeter();
        ShowApiError(result);
    }
    return result;
}

Acad::ErrorStatus CBaseMapLayer::InsertCaptureImage(const AcGePoint2d& min, const AcGePoint2d& max,
                                                    const CString& path, const CString& name) {
    m_captureItem.RestoreMeter();
    // Into the drawing that asked for it, which need not be the current one any more.
    AcDbHostApplicationServices* services = acdbHostApplicationServices();
    AcDbDatabase* working = services->workingDatabase();
    AcDbDatabase* db = m_pCaptureDb != nullptr ? m_pCaptureDb : working;
    AcApDocument* doc = db != nullptr ? acDocManager->document(db) : nullptr;
    if (doc == nullptr) {
        return Acad::eNoDatabase;  // closed meanwhile
    }
    CDocWriteLock lock(doc);
    if (!lock.Locked()) {
        return Acad::eLockViolation;
    }
    services->setWorkingDatabase(db);
    AcDbObjectId imageId;
    const Acad::ErrorStatus es = InsertIMGFile(imageId, db->clayer(), path, name, min, max);
    services->setWorkingDatabase(working);
    if (es == Acad::eOk && doc == acDocManager->curDocument()) {
        CViewUtil::UpdateDisplay();
    }
    return es;
}

bool CBaseMapLayer::IsCaptureAnswer(const MapFileRequest& answer) const {
    return m_captureItem.m_bRunning && m_captureItem.m_nId != 0 && answer.m_nId == m_captureItem.m_nId;
}

bool CBaseMapLayer::OnCaptureAnswer(const MapFileRequest& answer, const CString& path, uint32_t* retryMs) {
    m_nCaptureActivityMs = GetTickCount64();
    if (answer.m_nStatus == 1) {
        m_captureItem.m_bRunning = false;
        CString name;
        name.Format(u"%I64d", static_cast<long long>(answer.m_nId));
        // Placed on the region asked for: the bounds the answer echoes are the map application's to get
        // wrong.
        InsertCaptureImage(m_captureItem.m_ptMin, m_captureItem.m_ptMax, path, name);
        return false;
    }
    if (answer.m_nStatus == -3) {
        // Not ready yet: its progress shows, and it is asked for again.
        m_captureItem.UpdateFetchProgress(answer.m_nDone, answer.m_nTotal);
        *retryMs = m_captureItem.m_nRetryMs;
        m_bCaptureRetryDue = true;
        return true;
    }
    m_captureItem.m_bRunning = false;
    ShowMapFileError(answer.m_nStatus);
    return false;
}

void CBaseMapLayer::ShowCaptureProgress(int32_t position, int32_t total) {
    m_captureItem.ShowExtractProgress(position, total);
}

bool CBaseMapLayer::InsertCaptureBytes(const BYTE* bytes, uint32_t count, const AcGePoint2d& lowerLeft,
                                       const AcGePoint2d& upperRight) {
    m_captureItem.m_bRunning = false;
    AcApDocument* doc = acDocManager->curDocument();
    AcDbDatabase* db = acdbHostApplicationServices()->workingDatabase();
    if (doc == nullptr || db == nullptr || bytes == nullptr || count == 0) {
        return true;
    }
    const CString drawing = doc->fileName();
    if (drawing.Find(u'\\') < 0) {
        acutPrintf(kTextTempDrawing, drawing.GetString());
        return true;
    }
    const CString folder = CaptureFolder(drawing);
    CreateDirU8(Utf8(folder).c_str());
    const CString file = folder + u"\\aaa.png";
    const std::string utf8 = Utf8(file);
    if (WriteFileData(utf8.c_str(), bytes, count) != 1) {
        DeleteFileU8(utf8.c_str());  // no half picture left behind
        return true;
    }
    CDocWriteLock lock(doc);
    if (!lock.Locked()) {
        return true;
    }
    AcDbObjectId imageId;
    const Acad::ErrorStatus es =
        InsertIMGFile(imageId, db->clayer(), file, g_strImageName, lowerLeft, upperRight);
    if (es == Acad::eOk) {
        CViewUtil::UpdateDisplay();
    }
    return es != Acad::eOk;
}

Acad::ErrorStatus InsertImageOnCurrentLayer(const char* utf8Path, const CString& name,
                                            const AcGePoint2d& lowerLeft, const AcGePoint2d& upperRight) {
    AcDbDatabase* db = acdbHostApplicationServices()->workingDatabase();
    if (db == nullptr || utf8Path == nullptr) {
        return Acad::eInvalidInput;
    }
    AcApDocument* doc = acDocManager->curDocument();
    CDocWriteLock lock(doc);
    if (!lock.Locked()) {
        return Acad::eLockViolation;
    }
    AcDbObjectId imageId;
    const Acad::ErrorStatus es =
        InsertIMGFile(imageId, db->clayer(), MultiByteToCString(utf8Path), name, lowerLeft, upperRight);
    if (doc != nullptr) {
        doc->transactionManager()->flushGraphics();
    }
    CViewUtil::UpdateDisplay();
    return es;
}
