// Linetype records and loading linetypes from a linetype file. The host's standard file "ACADISO.LIN" (also
// "ACAD.LIN") is built in; other names are read from disk.
#pragma once

#include <string>
#include <vector>

#include "platform/arx/acdb/dbsymtb.h"

class AcDbDatabase;

class AcDbLinetypeTableRecord : public AcDbSymbolTableRecord {
    TARN_DB_DECLARE_MEMBERS(AcDbLinetypeTableRecord)
public:
    AcDbLinetypeTableRecord() = default;

    Acad::ErrorStatus comments(AcString& text) const;
    const ACHAR* tarnComments() const { return m_comments.c_str(); }
    Acad::ErrorStatus setComments(const ACHAR* text);
    double patternLength() const { return m_patternLength; }
    Acad::ErrorStatus setPatternLength(double length);
    int numDashes() const { return static_cast<int>(m_dashes.size()); }
    Acad::ErrorStatus setNumDashes(int count);
    double dashLengthAt(int index) const;
    Acad::ErrorStatus setDashLengthAt(int index, double length);
    bool isScaledToFit() const { return false; }

    // "ByBlock", "ByLayer" and "Continuous" cannot be erased.
    Acad::ErrorStatus subErase(bool erasing) override;

private:
    std::u16string m_comments;
    double m_patternLength = 0.0;
    std::vector<double> m_dashes;
};

// Loads a linetype (or "*" for all of them) from a linetype file into db (the working database when null).
// eOk when the linetype is in the database afterwards, also when it was there already; eFileNotFound for a
// missing file; eKeyNotFound for a name the file lacks (also for ""); eInvalidInput for null arguments.
Acad::ErrorStatus acdbLoadLineTypeFile(const ACHAR* linetypeName, const ACHAR* fileName,
                                       AcDbDatabase* db = nullptr);

namespace platform {

// The built-in "ACADISO.LIN" text.
const char* BuiltinLinetypeFile();

}  // namespace platform
