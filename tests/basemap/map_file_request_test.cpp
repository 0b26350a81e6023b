// The 472-byte map-file record: the bytes of a tile request and the path of an answer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "plugin/basemap/MapFileRequest.h"

namespace {

template <typename T>
T At(const MapFileRequest& r, size_t offset) {
    T v{};
    std::memcpy(&v, reinterpret_cast<const uint8_t*>(&r) + offset, sizeof v);
    return v;
}

TEST(MapFileRequestRecord, TileRecordBytesAndSerials) {
    g_nMapFileSerial = 41;
    MapFileRequest r;
    std::memset(&r, 0xEE, sizeof r);
    ASSERT_TRUE(
        BuildTileRecord(r, "C:\\t\\1\\13\\1_-1.png", 0x1234567890ull, 3, 13, 512, 1.5, 2.5, 3.5, 4.5));
    EXPECT_EQ(At<uint64_t>(r, 0), 0x1234567890ull);
    EXPECT_EQ(At<uint64_t>(r, 8), 41u);
    EXPECT_EQ(At<uint32_t>(r, 16), 1u);
    EXPECT_EQ(At<int32_t>(r, 20), 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(&r) + 24, "C:\\t\\1\\13\\1_-1.png");
    EXPECT_EQ(At<double>(r, 304), 1.5);
    EXPECT_EQ(At<double>(r, 312), 2.5);
    EXPECT_EQ(At<double>(r, 320), 3.5);
    EXPECT_EQ(At<double>(r, 328), 4.5);
    EXPECT_EQ(At<uint8_t>(r, 336), 2u);
    EXPECT_EQ(At<uint32_t>(r, 340), 13u);
    EXPECT_EQ(At<uint32_t>(r, 344), 3u);
    EXPECT_EQ(At<uint32_t>(r, 348), 512u);
    EXPECT_EQ(At<uint32_t>(r, 352), 512u);
    EXPECT_EQ(At<uint32_t>(r, 376), 0u);
    EXPECT_EQ(At<uint8_t>(r, 384), 1u);
    // Everything else is zero: the fill of the caller's buffer never leaks out.
    const auto* bytes = reinterpret_cast<const uint8_t*>(&r);
    for (size_t at : {280, 281, 303, 337, 339, 356, 367, 368, 372, 380, 385, 471}) {
        EXPECT_EQ(bytes[at], 0) << at;
    }
    ASSERT_TRUE(BuildTileRecord(r, "x.png", 1, 1, 5, 256, 0, 0, 1, 1));
    EXPECT_EQ(At<uint64_t>(r, 8), 42u);
    // The counter is 32 bits wide and sign-extended into the record.
    g_nMapFileSerial = -2;
    ASSERT_TRUE(BuildTileRecord(r, "x.png", 1, 1, 5, 256, 0, 0, 1, 1));
    EXPECT_EQ(At<uint64_t>(r, 8), 0xFFFFFFFFFFFFFFFEull);
    g_nMapFileSerial = 1;
}

TEST(MapFileRequestRecord, PathsThatDoNotFitAreRefusedAndAnswersAreReadInsideTheirField) {
    MapFileRequest r;
    g_nMapFileSerial = 5;
    EXPECT_FALSE(BuildTileRecord(r, std::string(256, 'a'), 1, 1, 5, 256, 0, 0, 1, 1));
    EXPECT_FALSE(BuildTileRecord(r, "", 1, 1, 5, 256, 0, 0, 1, 1));
    EXPECT_EQ(g_nMapFileSerial, 5);  // nothing counted
    EXPECT_TRUE(BuildTileRecord(r, std::string(255, 'a'), 1, 1, 5, 256, 0, 0, 1, 1));
    // An answer whose path has no NUL ends at the field's end, before the written mark.
    std::memset(r.m_szPath, 'b', sizeof r.m_szPath);
    r.m_byWritten = 1;
    EXPECT_EQ(RecordPath(r), std::string(256, 'b'));
    g_nMapFileSerial = 1;
}

}  // namespace
