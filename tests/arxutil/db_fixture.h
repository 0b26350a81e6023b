// Shared set-up of the helper tests that work on a drawing: a working database of the test's own, and (for
// helpers that ask the user) a scripted user. Each test must leave no object open or leaked.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/arx/acdb/acdb_all.h"
#include "platform/mfc/uidriver.h"

namespace arxtest {

class WorkingDbTest : public ::testing::Test {
protected:
    void SetUp() override { acdbHostApplicationServices()->setWorkingDatabase(&m_db); }
    void TearDown() override {
        EXPECT_EQ(platform::OpenObjectCount(), 0) << "objects left open";
        EXPECT_EQ(platform::LiveNonResidentObjectCount(), 0) << "non-resident objects leaked";
        EXPECT_EQ(platform::ReactorViolations(), std::vector<std::string>());
        acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    }

    AcDbDatabase m_db;
};

// The scripted user must have been asked everything the test told it to expect.
class ScriptedDbTest : public WorkingDbTest {
protected:
    void SetUp() override {
        WorkingDbTest::SetUp();
        platform::SetUiDriver(&m_driver);
    }
    void TearDown() override {
        std::string report;
        EXPECT_TRUE(m_driver.Verify(&report)) << report;
        platform::SetUiDriver(nullptr);
        WorkingDbTest::TearDown();
    }

    platform::ScriptedUiDriver m_driver;
};

}  // namespace arxtest
