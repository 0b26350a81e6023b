#include "plugin/arxutil/GetInputUtil.h"

#include <vector>

#include "platform/arx/aced/acedinput.h"
#include "platform/mfc/cstring.h"
#include "plugin/arxutil/ConvertUtil.h"
#include "plugin/arxutil/StringUtil.h"

namespace {

// Longest keyword answer the host hands back.
constexpr size_t kKeywordBuffer = 256;

}  // namespace

bool CGetInputUtil::GetPoint(const TCHAR* prompt, AcGePoint3d& point) {
    return GetPointReturnCode(prompt, point) == RTNORM;
}

bool CGetInputUtil::GetPoint(const AcGePoint3d& basePoint, const TCHAR* prompt, AcGePoint3d& point) {
    return GetPointReturnCode(basePoint, prompt, point) == RTNORM;
}

int CGetInputUtil::GetPointReturnCode(const TCHAR* prompt, AcGePoint3d& point) {
    ads_point picked = {0.0, 0.0, 0.0};
    const int rc = acedGetPoint(nullptr, prompt, picked);
    if (rc == RTNORM) {
        point = CConvertUtil::UcsToWcsPoint(AcGePoint3d(picked[X], picked[Y], picked[Z]));
    }
    return rc;
}

int CGetInputUtil::GetPointReturnCode(const AcGePoint3d& basePoint, const TCHAR* prompt, AcGePoint3d& point) {
    // The host draws the rubber band in the current UCS.
    const AcGePoint3d baseUcs = CConvertUtil::WcsToUcsPoint(basePoint);
    const ads_point base = {baseUcs.x, baseUcs.y, baseUcs.z};
    ads_point picked = {0.0, 0.0, 0.0};
    const int rc = acedGetPoint(base, prompt, picked);
    if (rc == RTNORM) {
        point = CConvertUtil::UcsToWcsPoint(AcGePoint3d(picked[X], picked[Y], picked[Z]));
    }
    return rc;
}

bool CGetInputUtil::GetKeyword(const TCHAR* prompt, const TCHAR* keywords, const TCHAR* defaultKeyword,
                               int defaultIndex, int& index) {
    // An empty default is no default: "<>" would offer nothing to accept with Enter.
    const bool hasDefault = defaultKeyword != nullptr && defaultKeyword[0] != 0;
    acedInitGet(hasDefault ? 0 : RSG_NONULL, keywords);

    CString shown = prompt;
    if (hasDefault) {
        shown += _T("<");
        shown += defaultKeyword;
        shown += _T(">:");
    } else {
        shown += _T(":");
    }

    ACHAR answer[kKeywordBuffer] = {0};
    const int rc = acedGetKword(shown, answer, kKeywordBuffer);
    if (rc == RTNONE) {
        index = defaultIndex;
        return true;
    }
    if (rc != RTNORM) {
        return false;
    }
    std::vector<CString> words;
    CStringUtil::Split(keywords, _T(" "), words, true);
    for (size_t i = 0; i < words.size(); ++i) {
        if (words[i].CompareNoCase(answer) == 0) {
            index = static_cast<int>(i);
            break;
        }
    }
    return true;
}

bool CGetInputUtil::GetReal(const TCHAR* prompt, double defaultValue, int decimals, double& value) {
    // The prompt becomes part of a format below: its own '%' signs must print as themselves.
    CString text = prompt;
    text.TrimRight();
    text.TrimRight(_T(":"));
    text.Replace(_T("%"), _T("%%"));

    if (decimals < 0) {
        decimals = 0;
    } else if (decimals > 15) {
        decimals = 15;
    }
    CString tail;
    tail.Format(_T("<%%.%df>:"), decimals);
    CString shown;
    shown.Format(text + tail, defaultValue);

    value = defaultValue;
    const int rc = acedGetReal(shown, &value);
    return rc == RTNORM || rc == RTNONE;
}
