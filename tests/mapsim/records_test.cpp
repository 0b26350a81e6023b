// The simulator's own readers of the wire records: the checks that keep peer bytes from being read past.
#include <gtest/gtest.h>

#include "fake_client.h"
#include "mapsim/png.h"
#include "mapsim/records.h"

namespace mapsimtest {
namespace {

using mapsim::Put;
using mapsim::SerialisedFormOk;

TEST(MapSimRecords, SerialisedLengthsFollowTheirCounts) {
    const Bytes track = Track("t", "hello", 3);  // H = 216, 3 points
    EXPECT_EQ(track.size(), 360u);
    EXPECT_TRUE(SerialisedFormOk(8, track.data(), track.size()));
    EXPECT_TRUE(SerialisedFormOk(13, track.data(), track.size()));
    EXPECT_FALSE(SerialisedFormOk(8, track.data(), 359));
    Bytes longer = track;
    longer.push_back(0);
    EXPECT_FALSE(SerialisedFormOk(8, longer.data(), longer.size()));
    // A text length or count that would wrap 32-bit sums is refused.
    Bytes wrap = track;
    Put<uint32_t>(wrap, 200, 0xFFFFFFF0u);
    EXPECT_FALSE(SerialisedFormOk(8, wrap.data(), wrap.size()));
    Put<uint32_t>(wrap, 200, 5);
    Put<int32_t>(wrap, 120, -1);
    EXPECT_FALSE(SerialisedFormOk(8, wrap.data(), wrap.size()));

    Bytes mark(420, 0);
    EXPECT_TRUE(SerialisedFormOk(7, mark.data(), mark.size()));
    Put<uint32_t>(mark, 416, 1);
    EXPECT_FALSE(SerialisedFormOk(7, mark.data(), mark.size()));
    const Bytes folder = mapsim::MakeFolderRecord("f");
    EXPECT_TRUE(SerialisedFormOk(30, folder.data(), folder.size()));
    EXPECT_FALSE(SerialisedFormOk(30, folder.data(), 175));

    // Multi-part: items of every part must lie within the bytes; extra bytes are allowed.
    Bytes multi(488 + 1432, 0);
    Put<int32_t>(multi, 120, 1);
    Put<int32_t>(multi, 488 + 1416, 2);
    EXPECT_FALSE(SerialisedFormOk(11, multi.data(), multi.size()));
    multi.resize(multi.size() + 32 + 8, 0);
    EXPECT_TRUE(SerialisedFormOk(11, multi.data(), multi.size()));
    Put<int32_t>(multi, 488 + 1416, -2);
    EXPECT_FALSE(SerialisedFormOk(11, multi.data(), multi.size()));
    EXPECT_FALSE(SerialisedFormOk(99, multi.data(), multi.size()));
}

TEST(MapSimRecords, PacketReaderRefusesSizesPastTheEnd) {
    mapsim::Packet packet;
    packet.folder = 5;
    mapsim::PacketRecord record;
    record.type = 7;
    record.payload.assign(420, 0);
    packet.records.push_back(record);
    Bytes bytes = mapsim::WritePacket(packet);
    ASSERT_EQ(bytes.size(), 80u + 64 + 420);
    EXPECT_EQ(mapsim::Get<uint32_t>(bytes, 28), 5u);
    ASSERT_TRUE(mapsim::ReadPacket(bytes.data(), bytes.size()).has_value());

    Bytes bad = bytes;
    Put<int32_t>(bad, 80, 421);
    EXPECT_FALSE(mapsim::ReadPacket(bad.data(), bad.size()).has_value());
    Put<int32_t>(bad, 80, -1);
    EXPECT_FALSE(mapsim::ReadPacket(bad.data(), bad.size()).has_value());
    Put<int32_t>(bad, 80, 420);
    Put<uint32_t>(bad, 16, 30);  // a total that ends inside an object header
    EXPECT_FALSE(mapsim::ReadPacket(bad.data(), bad.size()).has_value());
    EXPECT_FALSE(mapsim::ReadPacket(bytes.data(), 79).has_value());
}

TEST(MapSimRecords, MapFileRecordRoundTripAndUnterminatedPath) {
    mapsim::MapFileRecord r;
    r.id = 0x7FFF000011112222ull;
    r.serial = static_cast<uint64_t>(-2);
    r.mode = 1;
    r.status = -3;
    r.path = "C:\\t\\1\\14\\0_0.png";
    r.minX = -1.5;
    r.maxY = 9.25;
    r.kind = 2;
    r.level = 14;
    r.mapId = 3;
    r.width = 1024;
    r.height = 512;
    r.total = 9;
    r.done = 4;
    r.captureParam = 20;
    r.flag = 1;
    const Bytes bytes = r.Write();
    ASSERT_EQ(bytes.size(), 472u);
    EXPECT_EQ(mapsim::Get<uint32_t>(bytes, 376), 20u);
    const auto back = mapsim::MapFileRecord::Read(bytes.data(), bytes.size());
    EXPECT_EQ(back.Write(), bytes);
    EXPECT_TRUE(back.pathTerminated);

    Bytes full = bytes;
    std::fill(full.begin() + 24, full.begin() + 284, 'a');
    const auto unterminated = mapsim::MapFileRecord::Read(full.data(), full.size());
    EXPECT_FALSE(unterminated.pathTerminated);
    EXPECT_EQ(unterminated.path.size(), 260u);
}

TEST(MapSimRecords, TileNamesAndPictureMarks) {
    int32_t col = 0, row = 0;
    EXPECT_TRUE(mapsim::TileFromPath("C:\\a\\1\\14\\-12_-7.png", &col, &row));
    EXPECT_EQ(col, -12);
    EXPECT_EQ(row, -7);
    EXPECT_FALSE(mapsim::TileFromPath("/a/capture.png", &col, &row));
    EXPECT_FALSE(mapsim::TileFromPath("/a/1_2.jpg", &col, &row));
    EXPECT_FALSE(mapsim::TileFromPath("/a/1_x.png", &col, &row));

    mapsim::PictureMark mark;
    mark.mapId = 2;
    mark.level = 9;
    mark.width = 7;
    mark.height = 4;
    mark.maxX = 3.5;
    const mapsim::Image image = mapsim::MakePicture(mark);
    Bytes png;
    ASSERT_TRUE(mapsim::EncodePng(image, &png));
    mapsim::Image decoded;
    ASSERT_TRUE(mapsim::DecodePng(png.data(), png.size(), &decoded));
    EXPECT_EQ(decoded.rgba, image.rgba);
    const auto back = mapsim::ReadMark(decoded);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->level, 9u);
    EXPECT_EQ(back->maxX, 3.5);
    // Too small to carry a mark, and not a PNG at all.
    mark.width = 3;
    mark.height = 3;
    EXPECT_FALSE(mapsim::ReadMark(mapsim::MakePicture(mark)).has_value());
    EXPECT_FALSE(mapsim::DecodePng(png.data(), 20, &decoded));
}

}  // namespace
}  // namespace mapsimtest
