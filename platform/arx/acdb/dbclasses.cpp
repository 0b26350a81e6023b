// The registry of concrete database classes: a new class is one source file plus one line here.
#include "platform/arx/acdb/acdb_all.h"

void platform::ForEachDbClass(void (*visit)(AcRxClass* cls, void* context), void* context) {
    static AcRxClass* const kClasses[] = {
        AcDbBlockTable::desc(),
        AcDbLayerTable::desc(),
        AcDbLinetypeTable::desc(),
        AcDbTextStyleTable::desc(),
        AcDbRegAppTable::desc(),
        AcDbViewportTable::desc(),
        AcDbBlockTableRecord::desc(),
        AcDbLayerTableRecord::desc(),
        AcDbLinetypeTableRecord::desc(),
        AcDbTextStyleTableRecord::desc(),
        AcDbRegAppTableRecord::desc(),
        AcDbViewportTableRecord::desc(),
        AcDbViewTableRecord::desc(),
        AcDbDictionary::desc(),
        AcDbXrecord::desc(),
        AcDbPoint::desc(),
        AcDbLine::desc(),
        AcDbCircle::desc(),
        AcDbArc::desc(),
        AcDbText::desc(),
        AcDbAttributeDefinition::desc(),
        AcDbAttribute::desc(),
        AcDbBlockReference::desc(),
        // One file name for every dimension kind: the reader picks the kind by its type code.
        AcDbAlignedDimension::desc(),
        AcDbRotatedDimension::desc(),
        AcDbRadialDimension::desc(),
        AcDbDiametricDimension::desc(),
        AcDb2LineAngularDimension::desc(),
        AcDb3PointAngularDimension::desc(),
        AcDbOrdinateDimension::desc(),
        AcDbMText::desc(),
        AcDbEllipse::desc(),
        AcDbSpline::desc(),
        AcDbPolyline::desc(),
        AcDb2dPolyline::desc(),
        AcDb3dPolyline::desc(),
        AcDbHatch::desc(),
        AcDbRegion::desc(),
        AcDbRasterImage::desc(),
        AcDbRasterImageDef::desc(),
        AcDbRasterImageDefReactor::desc(),
        AcDbSortentsTable::desc(),
        AcDbMline::desc(),
        AcDbMlineStyle::desc(),
    };
    for (AcRxClass* cls : kClasses) {
        visit(cls, context);
    }
}
