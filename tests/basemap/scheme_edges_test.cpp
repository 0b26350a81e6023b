// The tile scheme at its edges, against the scheme's rules written out here: the order a grid is checked in,
// and the bounds of the fallback level.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "basemap/ring_order.h"
#include "plugin/basemap/TileScheme.h"

namespace {

TEST(SchemeEdges, RingOrderIsTheSchemesForEveryShapeOfGrid) {
    for (int nx = 0; nx <= 7; ++nx) {
        for (int ny = 0; ny <= 7; ++ny) {
            std::vector<std::pair<int, int>> order;
            for (const TileIndex& t : RingOrder(nx, ny)) {
                order.push_back({t.col, t.row});
            }
            EXPECT_EQ(order, tiletest::SchemeRingOrder(nx, ny)) << nx << "x" << ny;
        }
    }
}

TEST(SchemeEdges, FallbackTakesOnlyLevelsAboveSixTenthsAndTwentyJustPastTheFinest) {
    double table[kMaxTileLevel + 1] = {};
    // Level 13 at exactly 0.6 of the view's units per pixel is not enough; level 12 (1.5) is.
    table[12] = 1.5;
    table[13] = 0.6;
    EXPECT_EQ(FallbackLevelFor(table, 1.0), 12);
    // The coarsest level the fallback may take is 6.
    double coarse[kMaxTileLevel + 1] = {};
    coarse[6] = 1.0;
    EXPECT_EQ(FallbackLevelFor(coarse, 1.4), 6);  // 1 / 1.4 = 0.71
    EXPECT_EQ(FallbackLevelFor(coarse, 2.0), 5);  // 0.5
    // Level 28: 20 only when the view is finer than level 28 itself (1.0 / 1.25 = 0.8); not at exactly 1.
    double finest[kMaxTileLevel + 1] = {};
    finest[28] = 1.0;
    EXPECT_EQ(FallbackLevelFor(finest, 1.25), 20);
    EXPECT_EQ(FallbackLevelFor(finest, 1.0), 28);
}

}  // namespace
