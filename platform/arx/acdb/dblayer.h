// Layer records. A new record is white (index 7), "Continuous", on, thawed and unlocked. Layer "0" and the
// current layer refuse to be erased; entities on a locked layer refuse write-opens.
#pragma once

#include "platform/arx/acdb/cmcolor.h"
#include "platform/arx/acdb/dbsymtb.h"

class AcDbLayerTableRecord : public AcDbSymbolTableRecord {
    TARN_DB_DECLARE_MEMBERS(AcDbLayerTableRecord)
    TARN_DB_STATE(AcDbLayerTableRecord, AcDbSymbolTableRecord, m_color, m_linetype, m_locked, m_off, m_frozen,
                  m_plottable, m_transparency)
public:
    AcDbLayerTableRecord();

    AcCmColor color() const { return m_color; }
    Acad::ErrorStatus setColor(const AcCmColor& color);
    // The record's linetype; a record without one gets "Continuous" when it is added.
    AcDbObjectId linetypeObjectId() const { return m_linetype; }
    Acad::ErrorStatus setLinetypeObjectId(AcDbObjectId id);
    bool isLocked() const { return m_locked; }
    Acad::ErrorStatus setIsLocked(bool locked);
    bool isOff() const { return m_off; }
    Acad::ErrorStatus setIsOff(bool off);
    bool isFrozen() const { return m_frozen; }
    Acad::ErrorStatus setIsFrozen(bool frozen);
    bool isHidden() const { return false; }
    bool isPlottable() const { return m_plottable; }
    Acad::ErrorStatus setIsPlottable(bool plottable);
    AcCmTransparency transparency() const { return m_transparency; }
    Acad::ErrorStatus setTransparency(const AcCmTransparency& transparency);

    Acad::ErrorStatus subErase(bool erasing) override;
    void tarnBecameResident() override;

private:
    AcCmColor m_color;
    AcDbObjectId m_linetype;
    bool m_locked = false;
    bool m_off = false;
    bool m_frozen = false;
    bool m_plottable = true;
    AcCmTransparency m_transparency;
};
