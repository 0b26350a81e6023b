// A drawing's base map as its sync state holds it: the few operations the roads and the reactors need, so
// that they never include the base map's own folder. The base map's folder registers the maker of its layer;
// a sync state made without one holds none.
#pragma once

#include <memory>

#include "platform/arx/arxheaders.h"

inline constexpr int kMaxTileLevel = 28;  // the highest level of a base map

class CDocBaseMap {
public:
    virtual ~CDocBaseMap() = default;

    // The level of the current view.
    virtual int GetLevel() = 0;
    // Drawing units per pixel at a level, along X and along Y.
    virtual double ResolutionX(int level) const = 0;
    virtual double ResolutionY(int level) const = 0;
    // The layer the tiles lie on; null before the first tile.
    virtual AcDbObjectId MapLayerId() const = 0;
    // Forgets the tiles of a drawing being closed.
    virtual void PurgeImages() = 0;
    // The entity's extents become the capture's region; false when nothing was sent.
    virtual bool UseEntityExtents(const ads_name entity, bool erase) = 0;
};

using DocBaseMapMaker = std::unique_ptr<CDocBaseMap> (*)();
// The maker every new sync state calls for its base map.
void SetDocBaseMapMaker(DocBaseMapMaker maker);
std::unique_ptr<CDocBaseMap> MakeDocBaseMap();
