#include "plugin/arxutil/ConvertUtil.h"

#include <locale.h>
#include <stdlib.h>

#include <string>

#include "platform/arx/aced/acedtrans.h"
#include "plugin/arxutil/MathUtil.h"

namespace {

AcGePoint3d Transform(const AcGePoint3d& point, short from, short to) {
    resbuf rbFrom;
    rbFrom.rbnext = nullptr;
    rbFrom.restype = RTSHORT;
    rbFrom.resval.rint = from;
    resbuf rbTo;
    rbTo.rbnext = nullptr;
    rbTo.restype = RTSHORT;
    rbTo.resval.rint = to;
    const ads_point in = {point.x, point.y, point.z};
    ads_point out = {0.0, 0.0, 0.0};
    acedTrans(in, &rbFrom, &rbTo, 0, out);
    return AcGePoint3d(out[X], out[Y], out[Z]);
}

bool IsBlank(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

}  // namespace

AcGePoint3d CConvertUtil::ToPoint3d(const AcGePoint2d& point, double z) {
    return AcGePoint3d(point.x, point.y, z);
}

AcGePoint2d CConvertUtil::ToPoint2d(const AcGePoint3d& point) {
    return AcGePoint2d(point.x, point.y);
}

double CConvertUtil::AngleToRadian(double angle) {
    return angle * CMathUtil::PI() / 180;
}

double CConvertUtil::RadianToAngle(double radian) {
    return radian * 180 / CMathUtil::PI();
}

CString CConvertUtil::ToString(int value) {
    CString text;
    text.Format(u"%d", value);
    return text;
}

CString CConvertUtil::ToString(double value, int n) {
    // A negative count would build a format that is no conversion at all; more than 15 decimals carry no
    // digits of a double.
    if (n < 0) {
        n = 0;
    } else if (n > 15) {
        n = 15;
    }
    CString format;
    format.Format(u"%%.%df", n);
    CString text;
    text.Format(format, value);
    return text;
}

AcGePoint3d CConvertUtil::WcsToDcsPoint(const AcGePoint3d& point) {
    return Transform(point, 0, 2);
}

AcGePoint3d CConvertUtil::UcsToWcsPoint(const AcGePoint3d& point) {
    return Transform(point, 1, 0);
}

AcGePoint3d CConvertUtil::WcsToUcsPoint(const AcGePoint3d& point) {
    return Transform(point, 0, 1);
}

double CConvertUtil::ToDouble(const ACHAR* text) {
    if (text == nullptr) {
        return 0.0;
    }
    // The runtime's wide conversion: blanks skipped, then the longest number; only ASCII can belong to it,
    // and it is read in the "C" locale whatever the process's locale is.
    while (IsBlank(*text)) {
        ++text;
    }
    std::string narrow;
    for (; *text != 0 && *text < 0x80; ++text) {
        narrow.push_back(static_cast<char>(*text));
    }
    static const locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
    return strtod_l(narrow.c_str(), nullptr, cLocale);
}
