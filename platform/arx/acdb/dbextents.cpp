#include "platform/arx/acdb/dbextents.h"

#include <algorithm>

#include "platform/arx/acdb/dbblock.h"
#include "platform/arx/acdb/dbentity.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/win32/core/testhooks.h"

namespace {

bool g_forceBlockExtFailure = false;

void EnsureReset() {
    static bool registered = false;
    if (!registered) {
        registered = true;
        platform::RegisterReset("acdb.extents", [] { g_forceBlockExtFailure = false; });
    }
}

}  // namespace

AcDbExtents::AcDbExtents()
    : m_min(platform::kEmptyExtentsSentinel, platform::kEmptyExtentsSentinel,
            platform::kEmptyExtentsSentinel),
      m_max(-platform::kEmptyExtentsSentinel, -platform::kEmptyExtentsSentinel,
            -platform::kEmptyExtentsSentinel) {}

AcDbExtents::AcDbExtents(const AcGePoint3d& minPoint, const AcGePoint3d& maxPoint) : AcDbExtents() {
    set(minPoint, maxPoint);
}

Acad::ErrorStatus AcDbExtents::set(const AcGePoint3d& minPoint, const AcGePoint3d& maxPoint) {
    if (minPoint.x > maxPoint.x || minPoint.y > maxPoint.y || minPoint.z > maxPoint.z) {
        return Acad::eInvalidExtents;
    }
    m_min = minPoint;
    m_max = maxPoint;
    return Acad::eOk;
}

void AcDbExtents::addPoint(const AcGePoint3d& point) {
    m_min.set(std::min(m_min.x, point.x), std::min(m_min.y, point.y), std::min(m_min.z, point.z));
    m_max.set(std::max(m_max.x, point.x), std::max(m_max.y, point.y), std::max(m_max.z, point.z));
}

void AcDbExtents::addExt(const AcDbExtents& other) {
    if (platform::IsEmptyExtents(other)) {
        return;
    }
    addPoint(other.m_min);
    addPoint(other.m_max);
}

Acad::ErrorStatus AcDbExtents::addBlockExt(AcDbBlockTableRecord* block) {
    EnsureReset();
    if (block == nullptr) {
        return Acad::eNullObjectPointer;
    }
    if (g_forceBlockExtFailure) {
        return Acad::eInvalidExtents;
    }
    AcDbExtents total;
    bool measured = false;
    for (const AcDbObjectId& id : block->tarnEntityIds()) {
        const platform::detail::DbSlot* slot = platform::detail::FindSlot(id);
        if (slot == nullptr || slot->erased) {
            continue;
        }
        const auto* entity = AcDbEntity::cast(slot->object);
        AcDbExtents one;
        if (entity != nullptr && entity->getGeomExtents(one) == Acad::eOk) {
            total.addExt(one);
            measured = true;
        }
    }
    if (!measured) {
        return Acad::eInvalidExtents;
    }
    addExt(total);
    return Acad::eOk;
}

void AcDbExtents::expandBy(const AcGeVector3d& vector) {
    if (platform::IsEmptyExtents(*this)) {
        return;
    }
    addPoint(m_min + vector);
    addPoint(m_max + vector);
}

void AcDbExtents::transformBy(const AcGeMatrix3d& matrix) {
    if (platform::IsEmptyExtents(*this)) {
        return;
    }
    AcDbExtents box;
    for (int corner = 0; corner < 8; ++corner) {
        AcGePoint3d p((corner & 1) ? m_max.x : m_min.x, (corner & 2) ? m_max.y : m_min.y,
                      (corner & 4) ? m_max.z : m_min.z);
        box.addPoint(p.transformBy(matrix));
    }
    *this = box;
}

bool AcDbExtents::operator==(const AcDbExtents& other) const {
    return m_min.x == other.m_min.x && m_min.y == other.m_min.y && m_min.z == other.m_min.z &&
           m_max.x == other.m_max.x && m_max.y == other.m_max.y && m_max.z == other.m_max.z;
}

bool platform::IsEmptyExtents(const AcDbExtents& extents) {
    const AcGePoint3d lo = extents.minPoint();
    const AcGePoint3d hi = extents.maxPoint();
    return lo.x > hi.x || lo.y > hi.y || lo.z > hi.z;
}

void platform::ForceAddBlockExtFailure(bool fail) {
    EnsureReset();
    g_forceBlockExtFailure = fail;
}
