// Shared set-up of the curve, polyline and hatch helper tests: a working database, a scripted user, and
// readers of what model space holds.
#pragma once

#include <gtest/gtest.h>

#include "arxutil/db_fixture.h"
#include "plugin/arxutil/DwgDatabaseUtil.h"

namespace curvetest {

class CurveDbTest : public arxtest::ScriptedDbTest {
protected:
    int EntityCount() { return CDwgDatabaseUtil::GetAllEntityIds(nullptr, &m_db).length(); }

    AcDbObjectId PostEntity(AcDbEntity* entity) {
        return CDwgDatabaseUtil::PostToModelSpace(entity, CEntityProperty(), &m_db);
    }

    static bool IsErased(AcDbObjectId id) {
        AcDbObject* object = nullptr;
        if (acdbOpenObject(object, id, AcDb::kForRead, true) != Acad::eOk) {
            return false;
        }
        const bool erased = object->isErased();
        object->close();
        return erased;
    }
};

// An entity open for read for the life of the reader.
template <class T>
class Reader {
public:
    explicit Reader(AcDbObjectId id) { acdbOpenObject(m_object, id, AcDb::kForRead); }
    ~Reader() {
        if (m_object != nullptr) {
            m_object->close();
        }
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;
    T* operator->() const { return m_object; }
    T* get() const { return m_object; }

private:
    T* m_object = nullptr;
};

inline void ExpectPoint(const AcGePoint3d& actual, double x, double y, double z = 0, double tol = 1e-9) {
    EXPECT_NEAR(actual.x, x, tol);
    EXPECT_NEAR(actual.y, y, tol);
    EXPECT_NEAR(actual.z, z, tol);
}

}  // namespace curvetest
