// The drawings of an end-to-end test, kept for the independent DXF reader that CTest runs after the tests
// (tests/scripts/check_drawings.py). When TARN_KEEP_DRAWINGS names a folder, at the end of the test
//   - every drawing file the test left in its folder is copied there as "<suite>.<test>.<file>", and
//   - every drawing still open is saved there as "<suite>.<test>.open<n>.dxf" as it stands (with what the
//     test received, inserted and linked since it last saved, if it ever did),
// each with "<...>.counts" beside it, one "<what> <count>" a line: model-space entities by DXF name, block
// definitions, the entities in them, layers. For an open drawing they are the database's own, the blocks
// aside: those are what the stand-in reads back from the saved file, which also holds the blocks the writer
// draws for dimensions without a current one; for a file, what the stand-in reads back from it.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "platform/arx/acap/acapdoc.h"
#include "platform/arx/acdb/dbunknown.h"
#include "platform/arx/acdb/dxffile.h"
#include "platform/arx/arxheaders.h"
#include "platform/win32/core/paths.h"
#include "platform/win32/core/unicode.h"

namespace e2e {

inline std::string DxfNameOf(const AcDbObject* object) {
    if (const AcDbUnknownEntity* unknown = AcDbUnknownEntity::cast(object)) {
        return unknown->tarnFileType();  // kept as the file gave it
    }
    const AcRxClass* kind = object->isA();
    const ACHAR* name = kind != nullptr ? kind->dxfName() : nullptr;
    if (name != nullptr && *name != u'\0') {
        return platform::Utf16ToUtf8(std::u16string(name));
    }
    // A kind the writer has no file type for: named by its class.
    return "(" + (kind != nullptr ? platform::Utf16ToUtf8(std::u16string(kind->name())) : std::string("?")) +
           ")";
}

inline bool CountDatabase(AcDbDatabase& db, std::map<std::string, int>& counts) {
    AcDbBlockTable* table = nullptr;
    if (db.getBlockTable(table, AcDb::kForRead) != Acad::eOk) {
        return false;
    }
    AcDbBlockTableIterator* blocks = nullptr;
    table->newIterator(blocks);
    for (; !blocks->done(); blocks->step()) {
        AcDbBlockTableRecord* block = nullptr;
        if (blocks->getRecord(block, AcDb::kForRead) != Acad::eOk) {
            continue;
        }
        const ACHAR* raw = nullptr;
        block->getName(raw);
        std::string name = platform::Utf16ToUtf8(std::u16string(raw != nullptr ? raw : u""));
        for (char& c : name) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        const bool model = name == "*MODEL_SPACE";
        const bool paper = name.rfind("*PAPER_SPACE", 0) == 0;
        if (!model && !paper) {
            ++counts["blocks"];
        }
        AcDbBlockTableRecordIterator* entities = nullptr;
        block->newIterator(entities);
        for (; !entities->done(); entities->step()) {
            AcDbEntity* entity = nullptr;
            if (entities->getEntity(entity, AcDb::kForRead) != Acad::eOk) {
                continue;
            }
            if (model) {
                ++counts["model " + DxfNameOf(entity)];
            } else if (!paper) {
                ++counts["block-entities " + DxfNameOf(entity)];
            }
            entity->close();
        }
        delete entities;
        block->close();
    }
    delete blocks;
    table->close();
    AcDbLayerTable* layers = nullptr;
    if (db.getLayerTable(layers, AcDb::kForRead) == Acad::eOk) {
        AcDbLayerTableIterator* it = nullptr;
        layers->newIterator(it);
        for (; !it->done(); it->step()) {
            ++counts["layers"];
        }
        delete it;
        layers->close();
    }
    return true;
}

// What the stand-in reads from a drawing file; false when it is not one it can read.
inline bool CountDrawing(const std::string& path, std::map<std::string, int>& counts) {
    AcDbDatabase db(false, true);
    return platform::ReadDxfFile(&db, platform::ToWindowsPath(path).c_str()) == Acad::eOk &&
           CountDatabase(db, counts);
}

inline void WriteCounts(const std::string& path, const std::map<std::string, int>& counts) {
    std::ofstream out(path + ".part");
    for (const auto& [what, count] : counts) {
        out << what << ' ' << count << '\n';
    }
    out.close();
    std::error_code ec;
    std::filesystem::rename(path + ".part", path, ec);
}

// The open drawings as they stand; call while the host still runs.
inline void KeepOpenDrawings() {
    const char* keep = std::getenv("TARN_KEEP_DRAWINGS");
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    if (keep == nullptr || *keep == '\0' || info == nullptr || acDocManager == nullptr) {
        return;
    }
    std::error_code ec;
    std::filesystem::create_directories(keep, ec);
    const std::string test = std::string(info->test_suite_name()) + "." + info->name();
    AcApDocumentIterator* it = acDocManager->newAcApDocumentIterator();
    int n = 0;
    for (; it != nullptr && !it->done(); it->step()) {
        AcDbDatabase* db = it->document() != nullptr ? it->document()->database() : nullptr;
        std::map<std::string, int> counts;
        if (db == nullptr || !CountDatabase(*db, counts)) {
            continue;
        }
        const std::string target =
            (std::filesystem::path(keep) / (test + ".open" + std::to_string(++n) + ".dxf")).string();
        // Written beside and moved over whole: the whole program runs again while these are read.
        std::map<std::string, int> saved;
        if (platform::SaveDxfFile(db, platform::ToWindowsPath(target).c_str()) == Acad::eOk &&
            CountDrawing(target, saved)) {
            for (auto it = counts.begin(); it != counts.end();) {
                it = it->first.rfind("block", 0) == 0 ? counts.erase(it) : std::next(it);
            }
            for (const auto& [what, count] : saved) {
                if (what.rfind("block", 0) == 0) {
                    counts[what] = count;
                }
            }
            WriteCounts(target + ".counts", counts);
        }
    }
    delete it;
}

inline void KeepDrawings(const std::string& dir) {
    const char* keep = std::getenv("TARN_KEEP_DRAWINGS");
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    if (keep == nullptr || *keep == '\0' || info == nullptr || dir.empty()) {
        return;
    }
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(keep, ec);
    const std::string test = std::string(info->test_suite_name()) + "." + info->name();
    for (fs::recursive_directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec) || it->path().extension() != ".dxf") {
            continue;
        }
        std::map<std::string, int> counts;
        if (!CountDrawing(it->path().string(), counts)) {
            continue;  // the tests' damaged files and other texts
        }
        std::string flat = fs::relative(it->path(), dir, ec).string();
        for (char& c : flat) {
            if (c == '/') {
                c = '.';
            }
        }
        const fs::path target = fs::path(keep) / (test + "." + flat);
        // Whole files or none: the whole program runs again while these are read.
        fs::copy_file(it->path(), target.string() + ".part", fs::copy_options::overwrite_existing, ec);
        fs::rename(target.string() + ".part", target, ec);
        WriteCounts(target.string() + ".counts", counts);
    }
}

}  // namespace e2e
