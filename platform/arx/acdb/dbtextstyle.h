// Text style and registered-application records.
#pragma once

#include <string>

#include "platform/arx/acdb/dbsymtb.h"

class AcDbTextStyleTableRecord : public AcDbSymbolTableRecord {
    TARN_DB_DECLARE_MEMBERS(AcDbTextStyleTableRecord)
public:
    AcDbTextStyleTableRecord() = default;

    Acad::ErrorStatus fileName(AcString& name) const;
    Acad::ErrorStatus setFileName(const ACHAR* name);
    Acad::ErrorStatus bigFontFileName(AcString& name) const;
    Acad::ErrorStatus setBigFontFileName(const ACHAR* name);
    double xScale() const { return m_xScale; }
    Acad::ErrorStatus setXScale(double scale);
    double textSize() const { return m_textSize; }
    Acad::ErrorStatus setTextSize(double size);
    double obliquingAngle() const { return m_oblique; }
    Acad::ErrorStatus setObliquingAngle(double angle);
    double priorSize() const { return m_priorSize; }
    Acad::ErrorStatus setPriorSize(double size);
    bool isShapeFile() const { return m_shapeFile; }
    Acad::ErrorStatus setIsShapeFile(bool shapeFile);
    bool isVertical() const { return m_vertical; }
    Acad::ErrorStatus setIsVertical(bool vertical);

    // "Standard" and the current style cannot be erased.
    Acad::ErrorStatus subErase(bool erasing) override;

private:
    std::u16string m_fileName;
    std::u16string m_bigFontFileName;
    double m_xScale = 1.0;
    double m_textSize = 0.0;
    double m_oblique = 0.0;
    double m_priorSize = 2.5;
    bool m_shapeFile = false;
    bool m_vertical = false;
};

class AcDbRegAppTableRecord : public AcDbSymbolTableRecord {
    TARN_DB_DECLARE_MEMBERS(AcDbRegAppTableRecord)
public:
    AcDbRegAppTableRecord() = default;
    // "ACAD" cannot be erased.
    Acad::ErrorStatus subErase(bool erasing) override;
};
