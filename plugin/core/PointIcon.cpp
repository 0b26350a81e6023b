#include "plugin/core/PointIcon.h"

#include <cstring>
#include <string>

#include "platform/mfc/msgbox.h"
#include "plugin/arxutil/AppDirectoryUtil.h"
#include "plugin/core/PluginState.h"
#include "plugin/core/PngResource.h"
#include "plugin/core/RasterImage.h"
#include "plugin/cutil/cutil.h"
#include "plugin/maplink/linkutil.h"

namespace {

constexpr UINT kIconResource = 8315;

std::string ToUtf8(const CString& text, int maxBytes) {
    std::string utf8(size_t(maxBytes) + 1, '\0');
    CStringToMultiByte(text, utf8.data(), maxBytes + 1, maxBytes);
    utf8.resize(strnlen(utf8.c_str(), utf8.size()));
    return utf8;
}

}  // namespace

void SetImgPointOrientation(AcDbRasterImage* image, const AcGePoint3d& point, int size) {
    if (image == nullptr) {
        return;
    }
    const int half = size / 2;
    image->setOrientation(AcGePoint3d(point.x - half, point.y, point.z), AcGeVector3d(size, 0.0, 0.0),
                          AcGeVector3d(0.0, size, 0.0));
}

AcDbObjectId AddImgPoint(AcDbObjectId& imageId, AcDbObjectId imageDefId, const AcGePoint3d& point, int size,
                         const CEntityProperty& properties) {
    AcDbDatabase* db = acdbHostApplicationServices()->workingDatabase();
    auto* image = new AcDbRasterImage();
    image->setImageDefId(imageDefId);
    SetImgPointOrientation(image, point, size);
    image->setDisplayOpt(AcDbRasterImage::kTransparent, true);
    if (!properties.m_strLayerName.IsEmpty()) {
        image->setLayer(properties.m_strLayerName);
    } else {
        image->setLayer(db->clayer());
    }
    if (image->setColor(g_ImageColor) != Acad::eOk) {
        delete image;
        return AcDbObjectId();
    }
    AcDbBlockTable* table = nullptr;
    if (db->getBlockTable(table, AcDb::kForRead) != Acad::eOk) {
        delete image;
        return AcDbObjectId();
    }
    AcDbBlockTableRecord* model = nullptr;
    Acad::ErrorStatus es = table->getAt(ACDB_MODEL_SPACE, model, AcDb::kForWrite);
    if (es != Acad::eOk) {
        CString message;
        message.Format(_T("AddImgPoint1 ErrorCode:%d"), static_cast<int>(es));
        AfxMessageBox(message);
        table->close();
        delete image;
        return AcDbObjectId();
    }
    if (properties.m_bByLayer) {
        image->setColorIndex(256);
    } else {
        image->setColor(properties.m_color);
    }
    AcDbObjectId newId;
    es = model->appendAcDbEntity(newId, image);
    if (es != Acad::eOk) {
        CString message;
        message.Format(_T("AddImgPoint2 ErrorCode:%d"), static_cast<int>(es));
        AfxMessageBox(message);
        model->close();
        table->close();
        image->close();
        return AcDbObjectId();
    }
    image->close();
    model->close();
    table->close();
    imageId = newId;
    return newId;
}

void LoadIconImage() {
    if (g_strIconPath.IsEmpty()) {
        g_strIconPath = CAppDirectoryUtil::GetCurrentDirectory(AfxGetInstanceHandle()) + u"\\Icon.png";
    }
    const std::string path = ToUtf8(g_strIconPath, 1000);
    if (GetFileSizeU8(path.c_str()) < 0) {
        WritePngResourceFile(kIconResource, g_strIconPath);
    }
    if (g_strIconName.IsEmpty()) {
        g_strIconName = u"Icon";
    }
    g_idIconImageDef = GetRasterImgDefId(g_strIconName, g_strIconPath);
}
