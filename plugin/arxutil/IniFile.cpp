#include "plugin/arxutil/IniFile.h"

#include <climits>
#include <vector>

#include "platform/mfc/msgbox.h"
#include "plugin/arxutil/ConvertUtil.h"

namespace {

// What a missing key reads as; a key whose value is this word reads as missing too.
constexpr const TCHAR* kMissing = _T("NotExist");
constexpr int kMissingLength = 8;
// The buffer of the typed readers.
constexpr int kTypedBuffer = 1000;

bool IsBlank(TCHAR c) {
    return c == _T(' ') || (c >= _T('\t') && c <= _T('\r'));
}

// The runtime's text-to-int: blanks, an optional sign, decimal digits up to the first other character; 0
// when there is no number, and the int limits for numbers beyond them.
int TextToInt(const TCHAR* text) {
    while (IsBlank(*text)) {
        ++text;
    }
    bool negative = false;
    if (*text == _T('+') || *text == _T('-')) {
        negative = *text == _T('-');
        ++text;
    }
    long long magnitude = 0;
    for (; *text >= _T('0') && *text <= _T('9'); ++text) {
        magnitude = magnitude * 10 + (*text - _T('0'));
        if (magnitude > static_cast<long long>(INT_MAX) + 1) {
            magnitude = static_cast<long long>(INT_MAX) + 1;
        }
    }
    if (negative) {
        return static_cast<int>(-magnitude);
    }
    return magnitude > INT_MAX ? INT_MAX : static_cast<int>(magnitude);
}

}  // namespace

bool CIniFile::GetValueOfKey(const TCHAR* section, const TCHAR* key, CString& value, int bufferLength) const {
    if (bufferLength <= 0) {
        return false;
    }
    // The buffer must hold the whole missing-key marker, or a short buffer would cut it and report a
    // missing key as found.
    const int capacity = bufferLength > kMissingLength ? bufferLength : kMissingLength + 1;
    std::vector<TCHAR> buffer(static_cast<size_t>(capacity), 0);
    GetPrivateProfileStringW(section, key, kMissing, buffer.data(), static_cast<DWORD>(capacity), m_strFile);
    CString text(buffer.data());
    if (text == kMissing) {
        return false;
    }
    value = text.Left(bufferLength - 1);
    return true;
}

bool CIniFile::GetValueOfKey(const TCHAR* section, const TCHAR* key, int& value) const {
    CString text;
    if (!GetValueOfKey(section, key, text, kTypedBuffer)) {
        return false;
    }
    value = TextToInt(text);
    return true;
}

bool CIniFile::GetValueOfKey(const TCHAR* section, const TCHAR* key, BYTE& value) const {
    CString text;
    if (!GetValueOfKey(section, key, text, kTypedBuffer)) {
        return false;
    }
    value = static_cast<BYTE>(TextToInt(text));
    return true;
}

bool CIniFile::GetValueOfKey(const TCHAR* section, const TCHAR* key, bool& value) const {
    CString text;
    if (!GetValueOfKey(section, key, text, kTypedBuffer)) {
        return false;
    }
    value = TextToInt(text) == 1;
    return true;
}

bool CIniFile::GetValueOfKey(const TCHAR* section, const TCHAR* key, double& value) const {
    CString text;
    if (!GetValueOfKey(section, key, text, kTypedBuffer)) {
        return false;
    }
    value = CConvertUtil::ToDouble(text);
    return true;
}

bool CIniFile::SetValueOfKey(const TCHAR* section, const TCHAR* key, const TCHAR* value) const {
    if (m_strFile.IsEmpty()) {
        AfxMessageBox(_T("在调用函数SetValueOfKey时，m_strFile未被赋值，异常退出！"));
        return false;
    }
    return WritePrivateProfileStringW(section, key, value, m_strFile) != FALSE;
}

bool CIniFile::SetValueOfKey(const TCHAR* section, const TCHAR* key, int value) const {
    CString text;
    text.Format(_T("%d"), value);
    return SetValueOfKey(section, key, text.GetString());
}

bool CIniFile::SetValueOfKey(const TCHAR* section, const TCHAR* key, BYTE value) const {
    CString text;
    text.Format(_T("%u"), static_cast<unsigned>(value));
    return SetValueOfKey(section, key, text.GetString());
}

bool CIniFile::SetValueOfKey(const TCHAR* section, const TCHAR* key, bool value) const {
    CString text;
    text.Format(_T("%d"), value ? 1 : 0);
    return SetValueOfKey(section, key, text.GetString());
}

bool CIniFile::SetValueOfKey(const TCHAR* section, const TCHAR* key, double value, int decimals) const {
    // A negative count would build a format that converts nothing; more carry no digits of a double.
    if (decimals < 0) {
        decimals = 0;
    } else if (decimals > 15) {
        decimals = 15;
    }
    CString format;
    format.Format(_T("%%0.%df"), decimals);
    CString text;
    text.Format(format, value);
    return SetValueOfKey(section, key, text.GetString());
}
