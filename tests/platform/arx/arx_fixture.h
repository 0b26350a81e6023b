// Shared set-up of the drawing-database tests: a working database and helpers to post entities.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/arx/acdb/acdb_all.h"

namespace tarntest {

// Appends to a block of db (model space unless named) and closes; returns the id.
inline AcDbObjectId PostTo(AcDbDatabase* db, AcDbEntity* entity, const ACHAR* block = ACDB_MODEL_SPACE) {
    AcDbBlockTable* table = nullptr;
    EXPECT_EQ(db->getBlockTable(table, AcDb::kForRead), Acad::eOk);
    AcDbBlockTableRecord* space = nullptr;
    EXPECT_EQ(table->getAt(block, space, AcDb::kForWrite), Acad::eOk);
    table->close();
    AcDbObjectId id;
    EXPECT_EQ(space->appendAcDbEntity(id, entity), Acad::eOk);
    space->close();
    entity->close();
    return id;
}

class DbTest : public ::testing::Test {
protected:
    void SetUp() override {
        db = new AcDbDatabase();
        acdbHostApplicationServices()->setWorkingDatabase(db);
    }
    void TearDown() override {
        EXPECT_EQ(platform::OpenObjectCount(), 0) << "objects left open";
        EXPECT_EQ(platform::CheckDatabase(db), "");
        EXPECT_EQ(platform::ReactorViolations(), std::vector<std::string>());
        delete db;
        EXPECT_EQ(platform::LiveNonResidentObjectCount(), 0) << "non-resident objects leaked";
    }

    // Appends to model space and closes; returns the id.
    AcDbObjectId Post(AcDbEntity* entity) { return PostTo(db, entity); }

    AcDbObjectId AddLayer(const ACHAR* name) {
        AcDbLayerTable* table = nullptr;
        EXPECT_EQ(db->getLayerTable(table, AcDb::kForWrite), Acad::eOk);
        auto* record = new AcDbLayerTableRecord();
        EXPECT_EQ(record->setName(name), Acad::eOk);
        AcDbObjectId id;
        EXPECT_EQ(table->add(id, record), Acad::eOk);
        record->close();
        table->close();
        return id;
    }

    Acad::ErrorStatus EraseObject(AcDbObjectId id, bool erasing = true) {
        AcDbObject* object = nullptr;
        Acad::ErrorStatus es = acdbOpenObject(object, id, AcDb::kForWrite, true);
        if (es != Acad::eOk) {
            return es;
        }
        es = object->erase(erasing);
        object->close();
        return es;
    }

    AcDbDatabase* db = nullptr;
};

// Records database notifications as text lines ("appended AcDbLine 2A").
class Recorder : public AcDbDatabaseReactor {
public:
    static std::string Name(const AcDbObject* object) {
        std::u16string name = object->isA()->name();
        return std::string(name.begin(), name.end());
    }
    void objectAppended(const AcDbDatabase*, const AcDbObject* object) override {
        events.push_back("appended " + Name(object));
    }
    void objectModified(const AcDbDatabase*, const AcDbObject* object) override {
        events.push_back("modified " + Name(object));
    }
    void objectErased(const AcDbDatabase*, const AcDbObject* object, bool erased) override {
        events.push_back((erased ? "erased " : "unerased ") + Name(object));
    }
    std::vector<std::string> events;
};

}  // namespace tarntest
