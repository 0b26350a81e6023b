#include "platform/arx/acdb/dbproxy.h"

#include "platform/arx/acdb/dbextents.h"

TARN_RX_DEFINE_ABSTRACT(AcDbProxyEntity, AcDbEntity, nullptr, 0)
// Made in memory only: drawing files keep proxy entities as read.
TARN_RX_DEFINE(AcDbZombieEntity, AcDbProxyEntity, u"", nullptr, 0)

AcDbProxyEntity::AcDbProxyEntity(const AcDbProxyEntity& other) : AcDbEntity(other) {
    *this = other;
}

AcDbProxyEntity& AcDbProxyEntity::operator=(const AcDbProxyEntity& other) {
    if (this == &other) {
        return *this;
    }
    AcDbEntity::operator=(other);
    m_className = other.m_className;
    m_parts.clear();
    for (const auto& part : other.m_parts) {
        adopt(static_cast<AcDbEntity*>(part->clone()));
    }
    return *this;
}

// Graphics held by the entity are part of it, not live objects of their own.
void AcDbProxyEntity::adopt(AcDbEntity* part) {
    part->tarnMarkSnapshot();
    m_parts.emplace_back(part);
}

void AcDbProxyEntity::tarnSetGraphics(const std::u16string& className,
                                      const std::vector<const AcDbEntity*>& parts) {
    m_className = className;
    m_parts.clear();
    for (const AcDbEntity* part : parts) {
        if (part != nullptr) {
            adopt(static_cast<AcDbEntity*>(part->clone()));
        }
    }
}

Acad::ErrorStatus AcDbProxyEntity::explode(AcDbVoidPtrArray& entities) const {
    if (m_parts.empty()) {
        return Acad::eCannotExplodeEntity;
    }
    for (const auto& part : m_parts) {
        entities.append(part->clone());
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbProxyEntity::getGeomExtents(AcDbExtents& extents) const {
    AcDbExtents box;
    bool any = false;
    for (const auto& part : m_parts) {
        AcDbExtents one;
        if (part->getGeomExtents(one) == Acad::eOk) {
            box.addExt(one);
            any = true;
        }
    }
    if (!any) {
        return Acad::eInvalidExtents;
    }
    extents = box;
    return Acad::eOk;
}
