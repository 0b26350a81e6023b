#include "plugin/basemap/TileScheme.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "plugin/cutil/cutil.h"
#include "plugin/maplink/linkutil.h"

namespace {

bool FitsInt32(double v) {
    return std::isfinite(v) && v >= static_cast<double>(std::numeric_limits<int32_t>::min()) &&
           v <= static_cast<double>(std::numeric_limits<int32_t>::max());
}

}  // namespace

std::string PathToUtf8(const CString& path, size_t maxBytes) {
    // Three bytes a unit is the most UTF-8 a UTF-16 unit can take; the converter stops short of a cut.
    std::string utf8(size_t(path.GetLength()) * 3 + 1, '\0');
    const int n = MapApiUtf16ToUtf8(path, utf8.data(), static_cast<int>(utf8.size()));
    utf8.resize(size_t(n));
    return utf8.size() <= maxBytes ? utf8 : std::string();
}

uint32_t TilePixelsForScreen(int screenWidth) {
    if (screenWidth > 3000) {
        return 1024;
    }
    return screenWidth > 1500 ? 512 : 256;
}

bool IsUsableResolution(double r) {
    return std::isfinite(r) && r > 0.0;
}

bool HasResolutionTable(const double* resX) {
    return IsUsableResolution(resX[1]);
}

int MatchLevel(const double* resX, double unitsPerPixel, double* ratio) {
    if (!IsUsableResolution(unitsPerPixel)) {
        return 0;
    }
    for (int level = 1; level <= kMaxTileLevel; ++level) {
        if (!IsUsableResolution(resX[level])) {
            continue;
        }
        const double r = unitsPerPixel / resX[level];
        if (r > 0.8 && r < 1.2) {
            *ratio = r;
            return level;
        }
    }
    return 0;
}

int FallbackLevelFor(const double* resX, double unitsPerPixel) {
    int level = kMinRequestLevel;
    if (!IsUsableResolution(unitsPerPixel)) {
        return level;
    }
    for (int l = kMaxTileLevel; l >= 6; --l) {
        if (IsUsableResolution(resX[l]) && resX[l] / unitsPerPixel > 0.6) {
            level = l;
            break;
        }
    }
    if (level == kMaxTileLevel && resX[kMaxTileLevel] / unitsPerPixel < 1.0) {
        level = 20;
    }
    return level;
}

bool LatticeAxis(double centre, double reference, double size, int32_t* index, double* offset) {
    if (!IsUsableResolution(size)) {
        return false;
    }
    const double t = (centre - reference) / size;
    const double whole = std::trunc(t);
    if (!FitsInt32(whole + 1.0)) {
        return false;
    }
    int32_t i = static_cast<int32_t>(whole);
    if (t - whole >= 0.5) {
        ++i;
    }
    *index = i;
    *offset = (i - t) * size;
    return true;
}

int32_t HalfCount(double extent, double size, int32_t cap) {
    if (!IsUsableResolution(size) || !std::isfinite(extent) || extent < 0.0) {
        return -1;
    }
    const double n = std::trunc(extent / 2.0 / size + 2.0);
    return n >= static_cast<double>(cap) ? cap : static_cast<int32_t>(n);
}

int32_t HalfCountCap(int screenPixels, uint32_t tilePixels) {
    const int pixels = screenPixels > 0 ? screenPixels : 0;
    return static_cast<int32_t>(static_cast<uint32_t>(pixels) / (tilePixels == 0 ? 256u : tilePixels) / 2u +
                                3u);
}

std::vector<TileIndex> RingOrder(int32_t nx, int32_t ny) {
    std::vector<TileIndex> order;
    if (nx < 0 || ny < 0) {
        return order;
    }
    order.reserve(size_t(2 * nx + 1) * size_t(2 * ny + 1));
    const int32_t m = nx < ny ? nx : ny;
    if (nx < ny) {
        for (int32_t j = ny; j > nx; --j) {
            for (int32_t i = -nx; i <= nx; ++i) {
                order.push_back({i, j});
                order.push_back({i, -j});
            }
        }
    } else if (nx > ny) {
        for (int32_t i = nx; i > ny; --i) {
            for (int32_t j = -ny; j <= ny; ++j) {
                order.push_back({i, j});
                order.push_back({-i, j});
            }
        }
    }
    for (int32_t k = m; k >= 1; --k) {
        for (int32_t t = k; t >= 1; --t) {
            order.push_back({k, t});
            order.push_back({k, -t});
            order.push_back({-k, t});
            order.push_back({-k, -t});
            if (t < k) {
                order.push_back({t, k});
                order.push_back({t, -k});
                order.push_back({-t, k});
                order.push_back({-t, -k});
            }
        }
        order.push_back({k, 0});
        order.push_back({-k, 0});
        order.push_back({0, k});
        order.push_back({0, -k});
    }
    order.push_back({0, 0});
    return order;
}

CString CacheFolderText(const CString& fileName, uint64_t coordKey, double refX, double refY) {
    CString text;
    text.Format(u"%s_%I64d_%.6f_%.6f", fileName.GetString(), static_cast<long long>(coordKey), refX, refY);
    return text;
}

CString TilePath(const CString& folder, uint32_t mapId, int level, int32_t col, int32_t row) {
    CString path;
    path.Format(u"%s\\%d\\%d\\%d_%d.png", folder.GetString(), static_cast<int>(mapId), level, col, row);
    return path;
}

CString TileName(uint64_t id) {
    CString name;
    name.Format(u"%I64d", static_cast<long long>(id));
    return name;
}
