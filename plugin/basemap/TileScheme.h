// The tile scheme of the online base map as plain functions of values: tile pixels, level choice, the
// lattice the tiles sit on, the grid's half counts and the order its tiles are visited in, cache and tile
// names and their keys. CBaseMapLayer keeps the state and talks to the drawing; these only compute.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/mfc/cstring.h"
#include "plugin/core/DocBaseMap.h"  // kMaxTileLevel

inline constexpr int kMinRequestLevel = 5;
// The longest tile path the record carries with its NUL inside the path field.
inline constexpr size_t kMaxTilePathBytes = 255;

struct TileIndex {
    int32_t col = 0;  // offset from the central tile
    int32_t row = 0;
    friend bool operator==(const TileIndex& a, const TileIndex& b) {
        return a.col == b.col && a.row == b.row;
    }
};

// 63-bit key of a text (the links' own, which hash the whole UTF-8 form): names cache folders and tiles.
uint64_t StringKey63(const CString& text);
// The UTF-8 form of a path, whole; empty when it is longer than maxBytes.
std::string PathToUtf8(const CString& path, size_t maxBytes);

// 1024-pixel tiles above 3000 screen pixels, 512 above 1500, else 256: few tiles fill a wide screen.
uint32_t TilePixelsForScreen(int screenWidth);

// A resolution the scheme can divide by: finite and above zero.
bool IsUsableResolution(double r);
// Whether the table (levels 1..28, [0] unused) holds anything usable at level 1, the sign that it arrived.
bool HasResolutionTable(const double* resX);

// The first level whose resolution lies strictly within 0.8..1.2 of the view's units per pixel; 0 when none.
// ratio receives that level's units-per-pixel / resolution.
int MatchLevel(const double* resX, double unitsPerPixel, double* ratio);
// The finest level from 28 down to 6 whose resolution is above 0.6 of the view's units per pixel, else 5;
// a view past level 28 by less than its own resolution falls back to 20.
int FallbackLevelFor(const double* resX, double unitsPerPixel);
// A matched level that is off by more than 5 % is zoomed to fit exactly.
inline bool LevelNeedsNudge(double ratio) {
    return ratio < 0.95 || ratio > 1.05;
}

// Central index and offset of one axis: the tile nearest the centre on the lattice through the reference
// point, rounding halves up and truncating toward zero below the reference. False when the index does not
// fit 32 bits or the size is not usable.
bool LatticeAxis(double centre, double reference, double size, int32_t* index, double* offset);

// Tiles on each side of the central one: enough to cover half the extent plus two. Halved in floating
// point (an integer halving loses views under two units wide) and capped, so that a view far larger than a
// screenful at the level can never ask for millions of tiles. -1 when it cannot be computed.
int32_t HalfCount(double extent, double size, int32_t cap);
// The cap: a screenful of tiles on each side and a margin.
int32_t HalfCountCap(int screenPixels, uint32_t tilePixels);

// The order the grid's tiles are checked in: the outer rows or columns the longer axis has beyond the
// square, then the square's rings from the outside in, the central tile last. Central tiles are therefore
// requested last and inserted first.
std::vector<TileIndex> RingOrder(int32_t nx, int32_t ny);

// The text whose key names the drawing's cache folder: its file name, the coordinate key and the exact
// reference point, so that one folder holds one lattice.
CString CacheFolderText(const CString& fileName, uint64_t coordKey, double refX, double refY);
// folder + "\\%d\\%d\\%d_%d.png" of map id, level, column and row.
CString TilePath(const CString& folder, uint32_t mapId, int level, int32_t col, int32_t row);
// Name of a tile's raster definition: the decimal key.
CString TileName(uint64_t id);
