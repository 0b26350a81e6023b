#include "plugin/arxutil/MathUtil.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "platform/arx/aced/acedalert.h"
#include "platform/arx/aced/acedcolor.h"
#include "platform/arx/acut/acut_all.h"

namespace {

// The arc centre from a bulge, on ads points as the host's own geometry does it. False when there is no
// arc: a bulge of 0 (a straight segment) or coincident points (no chord to bend).
bool ArcCenterFromBulge(const ads_point start, const ads_point end, double bulge, ads_point center) {
    if (bulge == 0.0 || !std::isfinite(bulge)) {
        return false;
    }
    ads_point a = {start[X], start[Y], start[Z]};
    ads_point b = {end[X], end[Y], end[Z]};
    if (bulge < 0.0) {
        // A clockwise arc is the counter-clockwise arc from the other end.
        std::swap(a[X], b[X]);
        std::swap(a[Y], b[Y]);
        std::swap(a[Z], b[Z]);
        bulge = -bulge;
    }
    const double chord = acutDistance(a, b);
    if (chord == 0.0) {
        return false;
    }
    const double half = chord / 2.0;
    const double sagitta = bulge * half;
    const double radius = (half * half + sagitta * sagitta) / (2.0 * sagitta);
    const double angle = acutAngle(a, b);
    ads_point middle;
    acutPolar(a, angle, half, middle);
    acutPolar(middle, angle + CMathUtil::PI() / 2.0, radius - sagitta, center);
    return true;
}

}  // namespace

double CMathUtil::PI() {
    return std::atan(1.0) * 4;
}

bool CMathUtil::IsEqual(double a, double b, double tol) {
    return tol > std::fabs(a - b);
}

bool CMathUtil::IsEqual(const AcGePoint3d& a, const AcGePoint3d& b, double tol) {
    return std::fabs(a.x - b.x) < tol && std::fabs(a.y - b.y) < tol && std::fabs(a.z - b.z) < tol;
}

int CMathUtil::GetRand(int minValue, int maxValue) {
    // Scaled by the runtime's own RAND_MAX: a fixed 32767 would leave the range on a 31-bit generator.
    const double unit = static_cast<double>(std::rand()) / RAND_MAX;
    return minValue + Round(unit * (static_cast<double>(maxValue) - static_cast<double>(minValue)));
}

double CMathUtil::Round(double value, int n) {
    const double scale = std::pow(10.0, n);
    return std::floor(value * scale + 0.5) / scale;
}

int CMathUtil::Round(double value) {
    const double shifted = std::trunc(value + 0.5);
    // Out of the int range (or NaN) the conversion would be undefined: saturate instead.
    if (std::isnan(shifted)) {
        return 0;
    }
    if (shifted >= static_cast<double>(INT_MAX)) {
        return INT_MAX;
    }
    if (shifted <= static_cast<double>(INT_MIN)) {
        return INT_MIN;
    }
    return static_cast<int>(shifted);
}

bool CMathUtil::GetArcCenter(const AcGePoint3d& startPoint, const AcGePoint3d& endPoint, double bulge,
                             AcGePoint3d& center) {
    const ads_point a = {startPoint.x, startPoint.y, startPoint.z};
    const ads_point b = {endPoint.x, endPoint.y, endPoint.z};
    ads_point c;
    if (!ArcCenterFromBulge(a, b, bulge, c)) {
        return false;
    }
    center.set(c[X], c[Y], c[Z]);
    return true;
}

bool CMathUtil::GetArcCenter(const AcGePoint2d& startPoint, const AcGePoint2d& endPoint, double bulge,
                             AcGePoint2d& center) {
    const ads_point a = {startPoint.x, startPoint.y, 0.0};
    const ads_point b = {endPoint.x, endPoint.y, 0.0};
    ads_point c;
    if (!ArcCenterFromBulge(a, b, bulge, c)) {
        return false;
    }
    center.set(c[X], c[Y]);
    return true;
}

int CMathUtil::GetColorIndexFromRGB(Adesk::UInt32 rgb) {
    const int red = static_cast<int>(rgb & 0xFF);
    const int green = static_cast<int>((rgb >> 8) & 0xFF);
    const int blue = static_cast<int>((rgb >> 16) & 0xFF);
    int best = 1;
    int bestDistance = INT_MAX;
    for (int i = 1; i <= 254; ++i) {
        const DWORD c = acedGetRGB(i);
        const int distance = std::abs(static_cast<int>(GetRValue(c)) - red) +
                             std::abs(static_cast<int>(GetGValue(c)) - green) +
                             std::abs(static_cast<int>(GetBValue(c)) - blue);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

Adesk::UInt32 CMathUtil::GetRGBFromColorIndex(int colorIndex) {
    if (colorIndex >= 0 && colorIndex <= 255) {
        return static_cast<Adesk::UInt32>(acedGetRGB(colorIndex)) & 0x00FFFFFFu;
    }
    acedAlert(u"传入的颜色号不在0~255之间!");
    return 0;
}
