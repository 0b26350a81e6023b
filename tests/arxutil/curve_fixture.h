// Shared set-up of the curve, polyline and hatch helper tests: a working database, a scripted user, and
// readers of what model space holds.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/arx/acdb/acdb_all.h"
#include "platform/mfc/uidriver.h"
#include "plugin/arxutil/DwgDatabaseUtil.h"

namespace curvetest {

class CurveDbTest : public ::testing::Test {
protected:
    void SetUp() override {
        acdbHostApplicationServices()->setWorkingDatabase(&m_db);
        platform::SetUiDriver(&m_driver);
    }
    void TearDown() override {
        std::string report;
        EXPECT_TRUE(m_driver.Verify(&report)) << report;
        platform::SetUiDriver(nullptr);
        EXPECT_EQ(platform::OpenObjectCount(), 0) << "objects left open";
        EXPECT_EQ(platform::LiveNonResidentObjectCount(), 0) << "non-resident objects leaked";
        acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    }

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

    AcDbDatabase m_db;
    platform::ScriptedUiDriver m_driver;
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
