// The tile scheme as plain values: tile pixels, level choice, the lattice, half counts, the ring order, names
// and keys.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <utility>

#include "plugin/basemap/TileScheme.h"

namespace {

// Units per pixel halving with every level, as the map application's usual tables do.
struct HalvingTable {
    double res[kMaxTileLevel + 1] = {};
    HalvingTable() {
        for (int level = 1; level <= kMaxTileLevel; ++level) {
            res[level] = 156543.034 / std::ldexp(1.0, level);
        }
    }
};

TEST(TileScheme, TilePixelsGrowWithTheScreen) {
    EXPECT_EQ(TilePixelsForScreen(1500), 256u);
    EXPECT_EQ(TilePixelsForScreen(1501), 512u);
    EXPECT_EQ(TilePixelsForScreen(3000), 512u);
    EXPECT_EQ(TilePixelsForScreen(3001), 1024u);
    EXPECT_EQ(TilePixelsForScreen(0), 256u);
}

TEST(TileScheme, LevelMatchesWithinStrictBoundsAndNudgesOutsideFivePercent) {
    const HalvingTable t;
    double ratio = 0;
    EXPECT_EQ(MatchLevel(t.res, 0.9 * t.res[12], &ratio), 12);
    EXPECT_NEAR(ratio, 0.9, 1e-12);
    EXPECT_TRUE(LevelNeedsNudge(ratio));
    // Exactly 0.8 and 1.2 are outside; 0.95 and 1.05 need no nudge.
    double table[kMaxTileLevel + 1] = {};
    table[10] = 1.0;
    EXPECT_EQ(MatchLevel(table, 0.8, &ratio), 0);
    EXPECT_EQ(MatchLevel(table, 1.2, &ratio), 0);
    EXPECT_EQ(MatchLevel(table, 1.05, &ratio), 10);
    EXPECT_FALSE(LevelNeedsNudge(0.95));
    EXPECT_FALSE(LevelNeedsNudge(1.05));
    // In the gap between two levels the fallback takes the first level from the finest with room.
    EXPECT_EQ(MatchLevel(t.res, 0.7 * t.res[12], &ratio), 0);
    EXPECT_EQ(FallbackLevelFor(t.res, 0.7 * t.res[12]), 13);
    // Nothing fits: 5. Just past level 28: 20, as the map application has it.
    EXPECT_EQ(FallbackLevelFor(t.res, 1e9), 5);
    EXPECT_EQ(FallbackLevelFor(t.res, 1.3 * t.res[28]), 20);
}

TEST(TileScheme, TablesThatAreMissingZeroNegativeOrNotFiniteChooseNothing) {
    double table[kMaxTileLevel + 1] = {};
    double ratio = 0;
    EXPECT_FALSE(HasResolutionTable(table));
    EXPECT_EQ(MatchLevel(table, 1.0, &ratio), 0);
    EXPECT_EQ(FallbackLevelFor(table, 1.0), 5);
    for (double bad :
         {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        for (double& r : table) {
            r = bad;
        }
        EXPECT_FALSE(HasResolutionTable(table));
        EXPECT_EQ(MatchLevel(table, 1.0, &ratio), 0);
        EXPECT_EQ(FallbackLevelFor(table, 1.0), 5);
        int32_t index = 7;
        double offset = 0;
        EXPECT_FALSE(LatticeAxis(10.0, 0.0, bad * 256, &index, &offset));
        EXPECT_EQ(HalfCount(1000.0, bad * 256, 10), -1);
    }
    EXPECT_EQ(MatchLevel(HalvingTable().res, std::numeric_limits<double>::quiet_NaN(), &ratio), 0);
}

TEST(TileScheme, LatticeRoundsHalvesUpAndTruncatesBelowTheReference) {
    int32_t index = 0;
    double offset = 0;
    ASSERT_TRUE(LatticeAxis(2.5 * 100 + 7, 7, 100, &index, &offset));
    EXPECT_EQ(index, 3);
    EXPECT_NEAR(offset, 50, 1e-9);
    ASSERT_TRUE(LatticeAxis(-2.5 * 100, 0, 100, &index, &offset));
    EXPECT_EQ(index, -2);
    EXPECT_NEAR(offset, 50, 1e-9);
    ASSERT_TRUE(LatticeAxis(-2.7 * 100, 0, 100, &index, &offset));
    EXPECT_EQ(index, -2);
    EXPECT_NEAR(offset, 70, 1e-9);
    // The worked example: column 1 and row -1 with their offsets.
    const double size = 512 * 19.1093;
    ASSERT_TRUE(LatticeAxis(512345.6, 500000, size, &index, &offset));
    EXPECT_EQ(index, 1);
    EXPECT_NEAR(offset, -2561.66, 0.05);
    ASSERT_TRUE(LatticeAxis(2987654.3, 3000000, size, &index, &offset));
    EXPECT_EQ(index, -1);
    EXPECT_NEAR(offset, 2561.76, 0.05);
    // Whatever the view, tile i lies at reference + (index + i +- 0.5) * size.
    for (double centre : {-123456.789, -0.3, 0.0, 49.9, 50.0, 98765.4321}) {
        ASSERT_TRUE(LatticeAxis(centre, 17.0, 100.0, &index, &offset));
        const double tileCentre = centre + offset;
        EXPECT_NEAR(tileCentre, 17.0 + index * 100.0, 1e-6) << centre;
        EXPECT_LT(std::fabs(offset), 100.0);  // below the reference the index truncates toward zero
    }
    // An index beyond 32 bits is refused rather than wrapped.
    EXPECT_FALSE(LatticeAxis(1e300, 0, 1.0, &index, &offset));
}

TEST(TileScheme, HalfCountsCoverTheViewAndStayUnderTheCap) {
    EXPECT_EQ(HalfCount(36689.8, 9783.94, 100), 3);
    EXPECT_EQ(HalfCount(20638.0, 9783.94, 100), 3);
    // Under two units wide the view is still covered.
    EXPECT_EQ(HalfCount(1.5, 0.25, 100), 5);
    // A view thousands of screens wide asks for a screenful, not millions of tiles.
    const int32_t cap = HalfCountCap(1920, 512);
    EXPECT_EQ(cap, 4);
    EXPECT_EQ(HalfCount(1e12, 9783.94, cap), cap);
    EXPECT_EQ(HalfCount(std::numeric_limits<double>::infinity(), 1.0, cap), -1);
    EXPECT_GE(HalfCountCap(0, 0), 3);
}

TEST(TileScheme, RingOrderVisitsEveryCellOnceCentreLast) {
    for (auto [nx, ny] : {std::pair{0, 0}, {1, 3}, {3, 1}, {2, 2}, {4, 1}, {0, 2}}) {
        SCOPED_TRACE(testing::Message() << nx << "x" << ny);
        const std::vector<TileIndex> order = RingOrder(nx, ny);
        ASSERT_EQ(order.size(), size_t(2 * nx + 1) * size_t(2 * ny + 1));
        std::set<std::pair<int, int>> seen;
        for (const TileIndex& t : order) {
            EXPECT_LE(std::abs(t.col), nx);
            EXPECT_LE(std::abs(t.row), ny);
            EXPECT_TRUE(seen.insert({t.col, t.row}).second) << t.col << "," << t.row;
        }
        EXPECT_EQ(order.back(), (TileIndex{0, 0}));
    }
    // (1, 3): the rows beyond the square first, then the ring of 1.
    const std::vector<TileIndex> tall = RingOrder(1, 3);
    EXPECT_EQ(tall[0], (TileIndex{-1, 3}));
    EXPECT_EQ(tall[1], (TileIndex{-1, -3}));
    EXPECT_EQ(tall[6], (TileIndex{-1, 2}));
    EXPECT_EQ(tall[12], (TileIndex{1, 1}));
    // (2, 2) starts at its corners.
    const std::vector<TileIndex> square = RingOrder(2, 2);
    const TileIndex head[] = {{2, 2}, {2, -2}, {-2, 2}, {-2, -2}, {2, 1}, {2, -1}, {-2, 1}, {-2, -1}, {1, 2}};
    for (size_t k = 0; k < std::size(head); ++k) {
        EXPECT_EQ(square[k], head[k]) << k;
    }
    EXPECT_TRUE(RingOrder(-1, 2).empty());
}

TEST(TileScheme, NamesAndKeys) {
    EXPECT_EQ(StringKey63(u""), 338333539836370388ull);
    EXPECT_EQ(StringKey63(u"D:\\proj\\site.dwg_0_50_300"), 4673654182620523187ull);
    EXPECT_EQ(TilePath(u"C:\\Temp\\MapTemp\\4673654182620523187", 1, 13, 1, -1),
              CString(u"C:\\Temp\\MapTemp\\4673654182620523187\\1\\13\\1_-1.png"));
    EXPECT_EQ(StringKey63(TilePath(u"C:\\Temp\\MapTemp\\4673654182620523187", 1, 13, 1, -1)),
              5745210576666232654ull);
    EXPECT_EQ(TileName(5745210576666232654ull), CString(u"5745210576666232654"));
    // The folder text holds the exact reference, so two lattices 10 km apart never share a folder.
    EXPECT_EQ(CacheFolderText(u"D:\\a.dwg", 7, 500000.25, -3.5),
              CString(u"D:\\a.dwg_7_500000.250000_-3.500000"));
    EXPECT_NE(StringKey63(CacheFolderText(u"D:\\a.dwg", 0, 500000.0, 0)),
              StringKey63(CacheFolderText(u"D:\\a.dwg", 0, 505000.0, 0)));
    // Paths are taken whole or not at all.
    EXPECT_EQ(PathToUtf8(u"C:\\地图", 20), "C:\\地图");
    EXPECT_EQ(PathToUtf8(u"C:\\地图", 7), "");
}

}  // namespace
