// Text files as lists of lines.
#pragma once

#include <vector>

#include "platform/mfc/cstring.h"

class CTextFileUtil {
public:
    virtual ~CTextFileUtil() = default;

    // Creates (or empties) the file and writes each line followed by a line break. A file that can't be
    // opened throws the framework's CFileException*.
    static void Save(const TCHAR* fileName, const std::vector<CString>& lines);
    // Empties the list and appends every line of the file without its line break. A file that can't be
    // opened throws the framework's CFileException*.
    static void Load(const TCHAR* fileName, std::vector<CString>& lines);
};
