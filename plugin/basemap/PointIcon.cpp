#include "plugin/basemap/PointIcon.h"

#include "platform/mfc/msgbox.h"
#include "plugin/basemap/RasterImage.h"

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
