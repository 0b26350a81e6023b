// Typed keys of a private profile (INI) file.
#pragma once

#include "platform/mfc/cstring.h"
#include "platform/win32/windows.h"

class CIniFile {
public:
    explicit CIniFile(const TCHAR* fileName) : m_strFile(fileName) {}
    virtual ~CIniFile() = default;

    // False for a missing file, section or key (value untouched). A value longer than bufferLength - 1
    // characters is cut to that length.
    bool GetValueOfKey(const TCHAR* section, const TCHAR* key, CString& value, int bufferLength) const;
    bool GetValueOfKey(const TCHAR* section, const TCHAR* key, int& value) const;
    // The number's low 8 bits.
    bool GetValueOfKey(const TCHAR* section, const TCHAR* key, BYTE& value) const;
    // True only for a stored 1.
    bool GetValueOfKey(const TCHAR* section, const TCHAR* key, bool& value) const;
    bool GetValueOfKey(const TCHAR* section, const TCHAR* key, double& value) const;

    // False (after a message box) when the object has no file, or when the file can't be written.
    bool SetValueOfKey(const TCHAR* section, const TCHAR* key, const TCHAR* value) const;
    bool SetValueOfKey(const TCHAR* section, const TCHAR* key, int value) const;
    bool SetValueOfKey(const TCHAR* section, const TCHAR* key, BYTE value) const;
    bool SetValueOfKey(const TCHAR* section, const TCHAR* key, bool value) const;
    // With the given number of decimals (0..15).
    bool SetValueOfKey(const TCHAR* section, const TCHAR* key, double value, int decimals) const;

    CString m_strFile;
};
