// The order the base map checks its grid in, written out from the tile scheme's rule, for tests to compare
// the plug-in's order with.
#pragma once

#include <algorithm>
#include <utility>
#include <vector>

namespace tiletest {

// The order a layout checks its grid in, as the tile scheme describes it (nx, ny the half counts): the rows
// or columns the longer axis has beyond the square, then the square's rings from the outside in, each ring
// its corners and sides before its axis points, and the central tile last.
inline std::vector<std::pair<int, int>> SchemeRingOrder(int nx, int ny) {
    std::vector<std::pair<int, int>> order;
    if (nx < 0 || ny < 0) {
        return order;
    }
    if (nx < ny) {
        for (int j = ny; j >= nx + 1; --j) {
            for (int i = -nx; i <= nx; ++i) {
                order.push_back({i, j});
                order.push_back({i, -j});
            }
        }
    } else if (nx > ny) {
        for (int i = nx; i >= ny + 1; --i) {
            for (int j = -ny; j <= ny; ++j) {
                order.push_back({i, j});
                order.push_back({-i, j});
            }
        }
    }
    for (int k = std::min(nx, ny); k >= 1; --k) {
        for (int t = k; t >= 1; --t) {
            order.insert(order.end(), {{k, t}, {k, -t}, {-k, t}, {-k, -t}});
            if (t < k) {
                order.insert(order.end(), {{t, k}, {t, -k}, {-t, k}, {-t, -k}});
            }
        }
        order.insert(order.end(), {{k, 0}, {-k, 0}, {0, k}, {0, -k}});
    }
    order.push_back({0, 0});
    return order;
}

}  // namespace tiletest
