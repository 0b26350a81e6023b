// Where the base map's tiles landed: every raster image on "*MapLayer" checked against the lattice its file
// name claims (its whole orientation: an upright rectangle of the tile's size), against what the simulated
// map application rendered into that file, against its neighbours and the view, for its definition's name
// (the key of its path, worked out here from MD5), and for its place in the draw order: below every other
// entity, and among the tiles the newest lowest. Used by every base-map test.
#pragma once

#include <openssl/evp.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "mapsim/png.h"
#include "platform/arx/arxheaders.h"
#include "platform/win32/core/paths.h"
#include "platform/win32/core/unicode.h"
#include "plugin/arxutil/ViewRectInfo.h"
#include "plugin/basemap/TileScheme.h"
#include "basemap/ring_order.h"

namespace tiletest {

struct Lattice {
    double refX = 0, refY = 0;
    std::vector<std::pair<double, double>> resolutions;  // level 1 first
    uint32_t tilePixels = 512;
    uint32_t mapId = 1;
};

struct LandedTile {
    AcDbObjectId image;
    std::string path;  // Windows form, UTF-8
    int level = 0;
    int col = 0, row = 0;
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
};

struct Landing {
    std::vector<LandedTile> tiles;
    std::string errors;  // one line per fault; empty when every tile landed where it belongs
    size_t CountAtLevel(int level) const {
        return size_t(
            std::count_if(tiles.begin(), tiles.end(), [&](const LandedTile& t) { return t.level == level; }));
    }
};

inline bool Near(double a, double b, double scale) {
    return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(scale));
}

// The name of a tile's definition: the first 8 bytes of the MD5 of its path's UTF-8 form, read
// little-endian, the top bit cleared, in decimal.
inline std::u16string KeyName(const std::string& utf8) {
    unsigned char digest[EVP_MAX_MD_SIZE] = {};
    unsigned int length = 0;
    if (EVP_Digest(utf8.data(), utf8.size(), digest, &length, EVP_md5(), nullptr) != 1 || length != 16) {
        return u"<no md5>";
    }
    uint64_t key = 0;
    for (int i = 7; i >= 0; --i) {
        key = key << 8 | digest[i];
    }
    key &= ~(uint64_t(1) << 63);
    const std::string text = std::to_string(key);
    return std::u16string(text.begin(), text.end());
}

inline std::vector<AcDbObjectId> ModelSpaceDrawOrder(AcDbDatabase* db) {
    AcDbBlockTable* table = nullptr;
    std::vector<AcDbObjectId> order;
    if (db->getBlockTable(table, AcDb::kForRead) != Acad::eOk) {
        return order;
    }
    AcDbBlockTableRecord* model = nullptr;
    table->getAt(ACDB_MODEL_SPACE, model, AcDb::kForRead);
    table->close();
    if (model == nullptr) {
        return order;
    }
    for (const AcDbObjectId& id : platform::DrawOrderOf(model)) {
        if (!id.isErased()) {
            order.push_back(id);
        }
    }
    model->close();
    return order;
}

// The image dictionary's names by definition id.
inline std::map<AcDbObjectId, std::u16string> DefinitionNames(AcDbDatabase* db) {
    std::map<AcDbObjectId, std::u16string> names;
    AcDbDictionary* dict = nullptr;
    const AcDbObjectId dictId = AcDbRasterImageDef::imageDictionary(db);
    if (dictId.isNull() || acdbOpenObject(dict, dictId, AcDb::kForRead) != Acad::eOk) {
        return names;
    }
    AcDbDictionaryIterator* it = dict->newIterator();
    for (; !it->done(); it->next()) {
        names[it->objectId()] = it->name();
    }
    delete it;
    dict->close();
    return names;
}

// Checks every tile image of the drawing. With a view, the tiles must also cover it and lie within its
// doubled extent (plus a tile).
inline Landing CheckTiles(AcDbDatabase* db, const Lattice& lattice, const ViewRectInfo* view = nullptr) {
    Landing out;
    std::ostringstream err;
    const std::map<AcDbObjectId, std::u16string> names = DefinitionNames(db);
    const std::vector<AcDbObjectId> order = ModelSpaceDrawOrder(db);
    bool otherSeen = false;
    std::set<std::u16string> defNames;
    // Each tile goes to the bottom as it is inserted: going up the draw order, tiles get older (handles
    // are handed out in the order objects are made).
    bool firstTile = true;
    AcDbHandle below;
    for (const AcDbObjectId& id : order) {
        AcDbEntity* entity = nullptr;
        if (acdbOpenObject(entity, id, AcDb::kForRead) != Acad::eOk) {
            err << "an entity cannot be opened\n";
            continue;
        }
        AcDbRasterImage* image = AcDbRasterImage::cast(entity);
        const bool onMapLayer =
            platform::Utf16ToUtf8(std::u16string(entity->layer().kACharPtr())) == "*MapLayer";
        if (image == nullptr || !onMapLayer) {
            otherSeen = true;
            entity->close();
            continue;
        }
        if (otherSeen) {
            err << "a tile is drawn above another entity\n";
        }
        const AcDbHandle handle = id.handle();
        if (!firstTile && !(handle < below)) {
            err << "a tile is drawn above a tile inserted before it\n";
        }
        firstTile = false;
        below = handle;
        LandedTile tile;
        tile.image = id;
        AcGePoint3d origin;
        AcGeVector3d u, v;
        image->getOrientation(origin, u, v);
        const AcDbObjectId defId = image->imageDefId();
        entity->close();
        tile.minX = origin.x;
        tile.minY = origin.y;
        tile.maxX = origin.x + u.x;
        tile.maxY = origin.y + v.y;
        // Upright, unturned and flat: U along X, V along Y, nothing else.
        const double scale = std::max(std::fabs(u.x), std::fabs(v.y));
        if (!Near(u.y, 0, scale) || !Near(u.z, 0, scale) || !Near(v.x, 0, scale) || !Near(v.z, 0, scale) ||
            origin.z != 0.0 || !(u.x > 0) || !(v.y > 0)) {
            err.precision(17);
            err << "a tile turned, skewed or lifted: origin z " << origin.z << ", U (" << u.x << "," << u.y
                << "," << u.z << "), V (" << v.x << "," << v.y << "," << v.z << ")\n";
        }
        AcDbRasterImageDef* def = nullptr;
        if (acdbOpenObject(def, defId, AcDb::kForRead) != Acad::eOk) {
            err << "a tile without its definition\n";
            continue;
        }
        const std::u16string widePath = def->sourceFileName();
        def->close();
        tile.path = platform::Utf16ToUtf8(widePath);
        const auto name = names.find(defId);
        const std::u16string expectedName = KeyName(tile.path);
        if (name == names.end() || name->second != expectedName) {
            err << tile.path << ": definition not named by the key of its path\n";
        } else if (!defNames.insert(name->second).second) {
            err << tile.path << ": inserted twice\n";
        }
        // "...\<map>\<level>\<col>_<row>.png"
        std::vector<std::string> parts;
        std::string part;
        for (char c : tile.path) {
            if (c == '\\') {
                parts.push_back(part);
                part.clear();
            } else {
                part += c;
            }
        }
        parts.push_back(part);
        if (parts.size() < 3 || std::sscanf(parts.back().c_str(), "%d_%d.png", &tile.col, &tile.row) != 2) {
            err << tile.path << ": not a tile name\n";
            continue;
        }
        tile.level = std::atoi(parts[parts.size() - 2].c_str());
        const int mapId = std::atoi(parts[parts.size() - 3].c_str());
        if (tile.level < 1 || tile.level > int(lattice.resolutions.size())) {
            err << tile.path << ": level out of the table\n";
            continue;
        }
        if (mapId != int(lattice.mapId)) {
            err << tile.path << ": map " << mapId << " shown, " << lattice.mapId << " expected\n";
        }
        const double sx = lattice.tilePixels * lattice.resolutions[size_t(tile.level - 1)].first;
        const double sy = lattice.tilePixels * lattice.resolutions[size_t(tile.level - 1)].second;
        const double ex0 = lattice.refX + (tile.col - 0.5) * sx, ex1 = lattice.refX + (tile.col + 0.5) * sx;
        const double ey0 = lattice.refY + (tile.row - 0.5) * sy, ey1 = lattice.refY + (tile.row + 0.5) * sy;
        if (!Near(tile.minX, ex0, ex0) || !Near(tile.maxX, ex1, ex1) || !Near(tile.minY, ey0, ey0) ||
            !Near(tile.maxY, ey1, ey1)) {
            err.precision(17);
            err << tile.path << ": placed at (" << tile.minX << "," << tile.minY << ")-(" << tile.maxX << ","
                << tile.maxY << "), lattice says (" << ex0 << "," << ey0 << ")-(" << ex1 << "," << ey1
                << ")\n";
        }
        // What the map application drew into the file is what the drawing shows there.
        mapsim::Image picture;
        const std::string hostPath = platform::ToHostPath(widePath);
        if (!mapsim::ReadPngFile(hostPath, &picture)) {
            err << tile.path << ": file unreadable\n";
        } else if (auto mark = mapsim::ReadMark(picture); !mark) {
            err << tile.path << ": file carries no mark\n";
        } else if (!Near(mark->minX, tile.minX, tile.minX) || !Near(mark->maxX, tile.maxX, tile.maxX) ||
                   !Near(mark->minY, tile.minY, tile.minY) || !Near(mark->maxY, tile.maxY, tile.maxY) ||
                   int(mark->level) != tile.level || mark->col != tile.col || mark->row != tile.row ||
                   mark->width != lattice.tilePixels || mark->height != lattice.tilePixels) {
            err << tile.path << ": rendered for another place, level or size\n";
        }
        out.tiles.push_back(tile);
    }
    for (size_t a = 0; a < out.tiles.size(); ++a) {
        for (size_t b = a + 1; b < out.tiles.size(); ++b) {
            const LandedTile& p = out.tiles[a];
            const LandedTile& q = out.tiles[b];
            if (std::min(p.maxX, q.maxX) > std::max(p.minX, q.minX) + 0.1 &&
                std::min(p.maxY, q.maxY) > std::max(p.minY, q.minY) + 0.1) {
                err << p.path << " and " << q.path << " overlap\n";
            }
        }
    }
    if (view != nullptr && !out.tiles.empty()) {
        const double w = view->maxX - view->minX, h = view->maxY - view->minY;
        for (const LandedTile& t : out.tiles) {
            const double tw = t.maxX - t.minX, th = t.maxY - t.minY;
            if (t.maxX < view->minX - w / 2 - tw || t.minX > view->maxX + w / 2 + tw ||
                t.maxY < view->minY - h / 2 - th || t.minY > view->maxY + h / 2 + th) {
                err << t.path << ": far outside the view\n";
            }
        }
        for (int i = 0; i <= 8; ++i) {
            for (int j = 0; j <= 8; ++j) {
                const double x = view->minX + w * i / 8, y = view->minY + h * j / 8;
                const bool covered =
                    std::any_of(out.tiles.begin(), out.tiles.end(), [&](const LandedTile& t) {
                        return x >= t.minX - 1e-6 && x <= t.maxX + 1e-6 && y >= t.minY - 1e-6 &&
                               y <= t.maxY + 1e-6;
                    });
                if (!covered) {
                    err << "view point (" << x << "," << y << ") not covered\n";
                }
            }
        }
    }
    out.errors = err.str();
    return out;
}

}  // namespace tiletest
