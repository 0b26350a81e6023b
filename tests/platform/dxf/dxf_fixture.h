// Shared set-up of the drawing-file tests: a drawing to fill, saving and reopening it, and comparing
// objects field by field through their field tables.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "platform/arx/acdb/acdb_all.h"
#include "platform/arx/acdb/dxffile.h"
#include "platform/arx/arx_fixture.h"
#include "platform/win32/core/paths.h"
#include "platform/win32/core/unicode.h"
#include "support/testdirs.h"

namespace tarntest {

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

inline void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

class DxfTest : public ::testing::Test {
protected:
    void SetUp() override {
        db = std::make_unique<AcDbDatabase>();
        acdbHostApplicationServices()->setWorkingDatabase(db.get());
    }
    void TearDown() override {
        EXPECT_EQ(platform::OpenObjectCount(), 0) << "objects left open";
        EXPECT_EQ(platform::CheckDatabase(db.get()), "");
        if (reopened) {
            EXPECT_EQ(platform::CheckDatabase(reopened.get()), "");
        }
        acdbHostApplicationServices()->setWorkingDatabase(nullptr);
        reopened.reset();
        db.reset();
        EXPECT_EQ(platform::LiveNonResidentObjectCount(), 0) << "non-resident objects leaked";
    }

    std::string Path(const std::string& name) const { return TempDir() + "/" + name; }

    // Appends to model space (or the named block) and closes; returns the id.
    AcDbObjectId Post(AcDbEntity* entity, const ACHAR* block = ACDB_MODEL_SPACE) {
        return PostTo(db.get(), entity, block);
    }

    // Saves db and reads the file into a new database.
    void SaveAndReopen() {
        const std::u16string path = platform::Utf8ToUtf16(Path("drawing.dxf"));
        ASSERT_EQ(db->saveAs(path.c_str()), Acad::eOk);
        reopened = std::make_unique<AcDbDatabase>(false, true);
        ASSERT_EQ(reopened->readDwgFile(path.c_str()), Acad::eOk) << platform::LastDxfError().message;
    }

    // The object of the same handle in the reopened drawing.
    AcDbObject* Twin(AcDbObjectId id) const {
        AcDbObjectId other;
        if (reopened->getAcDbObjectId(other, false, id.handle()) != Acad::eOk) {
            return nullptr;
        }
        AcDbObject* object = nullptr;
        acdbOpenObject(object, other, AcDb::kForRead);
        return object;
    }

    std::unique_ptr<AcDbDatabase> db;
    std::unique_ptr<AcDbDatabase> reopened;
};

// Every field of the class table, compared exactly (doubles bit for bit); "" when all agree.
inline std::string CompareFields(const AcDbObject* a, const AcDbObject* b) {
    std::string differences;
    if (a->isA() != b->isA()) {
        return "different classes";
    }
    platform::ForEachField(a->isA(), [&](const platform::FieldDesc& field) {
        if (field.get == nullptr) {
            return;
        }
        platform::FieldValue x;
        platform::FieldValue y;
        field.get(a, x);
        field.get(b, y);
        const bool same = std::memcmp(&x.real, &y.real, sizeof(double)) == 0 && x.integer == y.integer &&
                          std::memcmp(x.point, y.point, sizeof(x.point)) == 0 && x.text == y.text &&
                          x.skip == y.skip;
        if (!same) {
            differences += std::string(field.name) + " ";
        }
    });
    return differences;
}

}  // namespace tarntest
