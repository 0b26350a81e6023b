// Shared set-up of the raster-image tests: a document of its own whose write lock the test holds (as the
// callers of these operations do), a scripted user for the message boxes, and PNG files to insert.
#pragma once

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/arx/arxheaders.h"
#include "platform/mfc/uidriver.h"
#include "platform/win32/core/paths.h"
#include "platform/win32/core/unicode.h"
#include "plugin/core/PngCodec.h"
#include "plugin/app/TarnArxApp.h"
#include "plugin/core/RasterImage.h"
#include "support/testdirs.h"

namespace rastertest {

// PNG bytes as a file holds them: the chunks of a header, the rows (each with its filter byte) compressed,
// and any extra chunks (PLTE, tRNS) between them.
inline std::string Chunk(const char* kind, const std::string& data) {
    std::string out;
    const uint32_t length = static_cast<uint32_t>(data.size());
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<char>(length >> shift));
    }
    const std::string body = std::string(kind, 4) + data;
    out += body;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<char>(crc >> shift));
    }
    return out;
}

inline std::string RawPng(uint32_t width, uint32_t height, int bitDepth, int colorType,
                          const std::string& rows, const std::string& extra = std::string()) {
    std::string header;
    for (uint32_t value : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            header.push_back(static_cast<char>(value >> shift));
        }
    }
    header += static_cast<char>(bitDepth);
    header += static_cast<char>(colorType);
    header += std::string(3, '\0');
    uLongf size = compressBound(static_cast<uLong>(rows.size()));
    std::string packed(size, '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(rows.data()),
             static_cast<uLong>(rows.size()));
    packed.resize(size);
    return std::string("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", header) + extra + Chunk("IDAT", packed) +
           Chunk("IEND", "");
}

class RasterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetPluginState();
        platform::SetUiDriver(&driver);
        doc = platform::NewDocument(u"C:\\proj\\site.dwg");
        acDocManager->lockDocument(doc);
        db = doc->database();
        g_WholeViewImages.clear();
        g_ImageColor.setRGB(12, 34, 56);
    }
    void TearDown() override {
        acDocManager->unlockDocument(doc);
        std::string report;
        EXPECT_TRUE(driver.Verify(&report)) << report;
        EXPECT_EQ(platform::OpenObjectCount(), 0) << "objects left open";
        EXPECT_EQ(platform::CheckDatabase(db), "");
        EXPECT_TRUE(platform::LockViolations().empty());
        platform::CloseAllDocuments();
        platform::SetUiDriver(nullptr);
        EXPECT_EQ(platform::LiveNonResidentObjectCount(), 0) << "non-resident objects leaked";
        ResetPluginState();
    }

    // A PNG file of the test's folder (Windows form): RGB, or RGBA with alpha.
    CString WritePng(const std::string& name, UINT width, UINT height, bool alpha = false) {
        CPngImage image;
        image.m_nWidth = width;
        image.m_nHeight = height;
        image.m_nStride = width * 3;
        image.m_rgb.assign(static_cast<size_t>(width) * height * 3, 0x7F);
        if (alpha) {
            image.m_alpha.assign(static_cast<size_t>(width) * height, 0x80);
        }
        std::vector<BYTE> png;
        EXPECT_EQ(EncodePng(image, png), PNG_STATUS_OK);
        return WriteBytes(name, std::string(png.begin(), png.end()));
    }

    CString WriteBytes(const std::string& name, const std::string& bytes) {
        const std::string path = tarntest::TempDir() + "/" + name;
        FILE* file = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
        return CString(platform::ToWindowsPath(path).c_str());
    }

    AcDbObjectId AddLayer(const ACHAR* name) {
        AcDbLayerTable* table = nullptr;
        EXPECT_EQ(db->getLayerTable(table, AcDb::kForWrite), Acad::eOk);
        auto* record = new AcDbLayerTableRecord();
        record->setName(name);
        AcDbObjectId id;
        EXPECT_EQ(table->add(id, record), Acad::eOk);
        record->close();
        table->close();
        return id;
    }

    AcDbObjectId AddLine() {
        AcDbBlockTable* table = nullptr;
        db->getBlockTable(table, AcDb::kForRead);
        AcDbBlockTableRecord* model = nullptr;
        table->getAt(ACDB_MODEL_SPACE, model, AcDb::kForWrite);
        table->close();
        auto* line = new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(50, 50, 0));
        AcDbObjectId id;
        model->appendAcDbEntity(id, line);
        line->close();
        model->close();
        return id;
    }

    std::vector<AcDbObjectId> DrawOrder(AcDbDatabase* database = nullptr) {
        AcDbBlockTable* table = nullptr;
        (database != nullptr ? database : db)->getBlockTable(table, AcDb::kForRead);
        AcDbBlockTableRecord* model = nullptr;
        table->getAt(ACDB_MODEL_SPACE, model, AcDb::kForRead);
        table->close();
        std::vector<AcDbObjectId> order;
        for (const AcDbObjectId& id : platform::DrawOrderOf(model)) {
            if (!id.isErased()) {
                order.push_back(id);
            }
        }
        model->close();
        return order;
    }

    // The definition under the name in the working database's image dictionary, or the null id.
    AcDbObjectId DefinitionNamed(const ACHAR* name) {
        AcDbDictionary* dict = nullptr;
        AcDbObjectId id;
        if (acdbOpenObject(dict, AcDbRasterImageDef::imageDictionary(db), AcDb::kForRead) == Acad::eOk) {
            dict->getAt(name, id);
            dict->close();
        }
        return id;
    }

    int DefinitionCount() {
        AcDbDictionary* dict = nullptr;
        if (acdbOpenObject(dict, AcDbRasterImageDef::imageDictionary(db), AcDb::kForRead) != Acad::eOk) {
            return 0;
        }
        const int count = static_cast<int>(dict->numEntries());
        dict->close();
        return count;
    }

    struct Placement {
        AcGePoint3d origin;
        AcGeVector3d u;
        AcGeVector3d v;
    };
    Placement PlacementOf(AcDbObjectId imageId) {
        Placement p;
        AcDbRasterImage* image = nullptr;
        EXPECT_EQ(acdbOpenObject(image, imageId, AcDb::kForRead), Acad::eOk);
        if (image != nullptr) {
            image->getOrientation(p.origin, p.u, p.v);
            image->close();
        }
        return p;
    }

    platform::ScriptedUiDriver driver;
    AcApDocument* doc = nullptr;
    AcDbDatabase* db = nullptr;
};

}  // namespace rastertest
