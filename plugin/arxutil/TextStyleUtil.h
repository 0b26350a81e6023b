// Text styles of the working drawing: find, list, add.
#pragma once

#include <vector>

#include "platform/arx/acdb/dbid.h"
#include "platform/arx/acdb/dbstatus.h"
#include "platform/mfc/cstring.h"

class CTextStyleUtil {
public:
    virtual ~CTextStyleUtil() = default;

    // The style's id; null for an empty or missing name.
    static AcDbObjectId GetAt(const TCHAR* name);
    // Empties the list, then appends the names of the live styles in table order.
    static Acad::ErrorStatus GetAll(std::vector<CString>& names);
    // A new style with the font files and width factor 1; the null id when it can't be added (a name that
    // exists, an invalid name, a table that can't be opened: the last with a message box).
    static AcDbObjectId Add(const TCHAR* name, const TCHAR* fontFileName, const TCHAR* bigFontFileName);
};
