// The simulated map application's own contract, seen from a fake "TarnArxWin" window.
#include <gtest/gtest.h>

#include <filesystem>

#include "mapsim/png.h"
#include "platform/win32/core/paths.h"
#include "platform/win32/core/unicode.h"
#include "platform/win32/sys/sys_hooks.h"
#include "support/testdirs.h"
#include "fake_client.h"

namespace mapsimtest {
namespace {

using mapsim::Get;
using mapsim::GetText;
using mapsim::MapSim;
using mapsim::Put;

class MapSimTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.Start());
        ASSERT_NE(client.hwnd, nullptr);
    }
    void Register() { id = client.Register(); }

    MapSim sim;
    FakeClient client;
    uint16_t id = 0;
};

Bytes MapFileRequest(const std::string& path, uint32_t level, uint32_t mapId, uint32_t pixels) {
    Bytes r(472, 0);
    Put<uint64_t>(r, 0, 0x1234567890ABCDEFull);
    Put<uint64_t>(r, 8, 7);
    Put<uint32_t>(r, 16, 1);
    mapsim::PutText(r, 24, 260, path);
    Put<double>(r, 304, 1000.0);
    Put<double>(r, 312, 2000.0);
    Put<double>(r, 320, 1256.0);
    Put<double>(r, 328, 2256.0);
    Put<uint8_t>(r, 336, 2);
    Put<uint32_t>(r, 340, level);
    Put<uint32_t>(r, 344, mapId);
    Put<uint32_t>(r, 348, pixels);
    Put<uint32_t>(r, 352, pixels);
    Put<uint8_t>(r, 384, 1);
    return r;
}

TEST_F(MapSimTest, RegistrationGivesTheConfiguredIdAndVersion) {
    sim.SetRegistrationId(0x8001);  // sets the sign bit of a 32-bit dwData
    sim.SetProtocolVersion(620);
    // Before registering, every request is refused so that the link renews its registration.
    EXPECT_EQ(client.Send(20006, {}, 5), mapsim::kNotRegistered);
    Register();
    EXPECT_EQ(id, 0x8001);
    EXPECT_EQ(sim.ClientName(), u"TarnArxWin");
    EXPECT_EQ(client.Send(20006, {}, id), 620);

    // A WM_COPYDATA with another wParam is recorded but not handled.
    COPYDATASTRUCT other{20006u | (uint32_t{id} << 16), 0, nullptr};
    EXPECT_EQ(SendMessageW(sim.Window(), WM_COPYDATA, 7, reinterpret_cast<LPARAM>(&other)), 0);
    EXPECT_EQ(sim.Requests().back().wParam, 7u);

    const auto registrations = sim.RequestsOf(20000);
    ASSERT_EQ(registrations.size(), 1u);
    EXPECT_EQ(registrations[0].dwData, 20000u);
    EXPECT_EQ(registrations[0].wParam, 1001u);
    EXPECT_EQ(registrations[0].payload.size(), 22u);  // "TarnArxWin" in UTF-16 with its NUL
    const auto versions = sim.RequestsOf(20006);
    ASSERT_EQ(versions.size(), 3u);
    EXPECT_EQ(versions[1].regId, 0x8001);

    // Refusal, and a restart forgetting the old registration.
    sim.SetRegistrationId(0);
    EXPECT_EQ(client.Register(), 0);
    sim.Stop();
    EXPECT_EQ(FindWindowW(u"tarnWin", nullptr), nullptr);
    sim.SetRegistrationId(9);
    ASSERT_TRUE(sim.Start());
    EXPECT_EQ(client.Send(20006, {}, id), mapsim::kNotRegistered);
    EXPECT_EQ(client.Register(), 9);
}

TEST_F(MapSimTest, FoldersCreateListFindQueryDeleteRoundTrip) {
    Register();
    // The workspace under the root: parent 1, caller value 1, the 176-byte folder record.
    Bytes create = WithHeader(16, 30, 1, 0, 1);
    const Bytes record = mapsim::MakeFolderRecord("CAD工作空间");
    create.insert(create.end(), record.begin(), record.end());
    const LRESULT workspace = client.Send(20102, create, id);
    ASSERT_GT(workspace, 1);
    Bytes child = WithHeader(16, 30, static_cast<uint32_t>(workspace));
    const Bytes childRecord = mapsim::MakeFolderRecord("a.dwg");
    child.insert(child.end(), childRecord.begin(), childRecord.end());
    const LRESULT drawing = client.Send(20102, child, id);
    ASSERT_GT(drawing, workspace);

    // List (argument 0 means the root) arrives nested: header + 108-byte entries.
    EXPECT_EQ(client.Send(20100, WithHeader(16, 0, 0, static_cast<uint32_t>(workspace)), id), 0);
    auto lists = client.Of(20100);
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_TRUE(lists[0].duringSend);
    ASSERT_EQ(lists[0].payload.size(), 16u + 108u);
    EXPECT_EQ(Get<uint32_t>(lists[0].payload, 16), static_cast<uint32_t>(drawing));
    EXPECT_EQ(Get<uint32_t>(lists[0].payload, 20), 30u);
    EXPECT_EQ(GetText(lists[0].payload, 24, 100), "a.dwg");

    // Find by exact name under a parent (parent 0 is the root).
    Bytes find = WithHeader(116, 30, 0);
    mapsim::PutText(find, 16, 100, "CAD工作空间");
    client.Send(20105, find, id);
    mapsim::PutText(find, 16, 100, "CAD工作空");
    client.Send(20105, find, id);
    const auto finds = client.Of(20105);
    ASSERT_EQ(finds.size(), 2u);
    ASSERT_EQ(finds[0].payload.size(), 124u);
    EXPECT_EQ(Get<uint32_t>(finds[0].payload, 16), static_cast<uint32_t>(workspace));
    EXPECT_EQ(finds[1].payload.size(), 16u);

    // Query: found gives type 30, the id at 8 and the record; missing gives type 0.
    client.Send(20101, WithHeader(16, 0, 0, static_cast<uint32_t>(drawing)), id);
    client.Send(20101, WithHeader(16, 0, 0, 4242), id);
    const auto queries = client.Of(20101);
    ASSERT_EQ(queries.size(), 2u);
    ASSERT_EQ(queries[0].payload.size(), 192u);
    EXPECT_EQ(queries[0].payload[2], 30);
    EXPECT_EQ(Get<uint32_t>(queries[0].payload, 8), static_cast<uint32_t>(drawing));
    EXPECT_EQ(GetText(queries[0].payload, 16, 100), "a.dwg");
    EXPECT_EQ(queries[1].payload[2], 0);

    // Deleting the workspace takes its subfolders with it; creating under a gone parent fails.
    Bytes remove = WithHeader(20, 0, 0, 0, 3);
    Put<uint32_t>(remove, 16, static_cast<uint32_t>(workspace));
    EXPECT_EQ(client.Send(20103, remove, id), 0);
    EXPECT_TRUE(sim.Folders().empty());
    EXPECT_EQ(client.Send(20102, child, id), mapsim::kFailed);
}

TEST_F(MapSimTest, ObjectsAreStoredAsReceivedAndReturnedInTheSelection) {
    Register();
    const uint32_t drawingFolder = sim.AddFolder(0, "a.dwg");
    mapsim::Packet packet;
    packet.folder = drawingFolder;
    mapsim::PacketRecord layer;
    layer.type = 30;
    layer.key = 77;
    layer.parent = drawingFolder;
    layer.payload = mapsim::MakeFolderRecord("Layer1");
    mapsim::PacketRecord line;
    line.type = 8;
    line.key = 0x2A;
    line.parent = drawingFolder;
    line.payload = Track("line", "hello", 3);
    ASSERT_EQ(line.payload.size(), 360u);
    packet.records = {layer, line};
    const Bytes bytes = mapsim::WritePacket(packet);
    EXPECT_EQ(Get<uint32_t>(bytes, 16), bytes.size() - 80);

    EXPECT_EQ(client.Send(20112, bytes, id), 0);
    const auto answers = client.Of(20112);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_TRUE(answers[0].duringSend);
    ASSERT_EQ(answers[0].payload.size(), 128u);
    EXPECT_EQ(Get<uint32_t>(answers[0].payload, 4), 30u);
    EXPECT_EQ(Get<uint64_t>(answers[0].payload, 16), 77u);
    EXPECT_EQ(Get<uint32_t>(answers[0].payload, 64 + 4), 8u);
    EXPECT_EQ(Get<uint64_t>(answers[0].payload, 64 + 16), 0x2Au);
    const uint32_t layerId = Get<uint32_t>(answers[0].payload, 8);
    const uint32_t lineId = Get<uint32_t>(answers[0].payload, 64 + 8);
    ASSERT_NE(sim.FindFolder(layerId), nullptr);
    const mapsim::StoredObject* stored = sim.FindObject(lineId);
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->bytes, line.payload);
    EXPECT_TRUE(stored->wellFormed);

    // A scripted mark joins the selection; the 20110 answer is a transfer packet of both.
    Bytes mark(420, 0);
    mapsim::PutText(mark, 0, 100, "pin");
    const uint32_t markId = sim.AddObject(7, layerId, mark);
    sim.Select({lineId, markId});
    EXPECT_EQ(client.Send(20110, WithHeader(16, 0, 0, 0, 0), id), 0);
    const auto selections = client.Of(20110);
    ASSERT_EQ(selections.size(), 1u);
    const Bytes& got = selections[0].payload;
    ASSERT_EQ(got.size(), 80u + 64 + 360 + 64 + 420);
    EXPECT_EQ(Get<uint32_t>(got, 16), got.size() - 80);
    EXPECT_EQ(Get<int32_t>(got, 80), 360);
    EXPECT_EQ(Get<uint32_t>(got, 84), 8u);
    EXPECT_EQ(Get<uint32_t>(got, 88), lineId);
    EXPECT_EQ(Get<uint32_t>(got, 92), drawingFolder);
    EXPECT_EQ(Bytes(got.begin() + 144, got.begin() + 504), line.payload);
    EXPECT_EQ(Get<uint32_t>(got, 504 + 4), 7u);
    EXPECT_EQ(Get<uint32_t>(got, 504 + 12), layerId);

    // A total that reaches past the bytes is refused without an answer.
    Bytes broken = bytes;
    Put<uint32_t>(broken, 16, static_cast<uint32_t>(broken.size()));
    EXPECT_EQ(client.Send(20112, broken, id), mapsim::kFailed);
    EXPECT_EQ(client.Of(20112).size(), 1u);
}

TEST_F(MapSimTest, SelectedExplodedFolderBringsExactlyTheCountedParts) {
    Register();
    const uint32_t layer = sim.AddFolder(0, "0");
    // A block reference sent exploded: its folder counts three parts (byte 115 marks it exploded).
    mapsim::Packet packet;
    packet.folder = layer;
    mapsim::PacketRecord folder;
    folder.type = 30;
    folder.parent = layer;
    folder.key = 5;
    folder.payload = mapsim::MakeFolderRecord("BlockRef_03_14_09_05_07");
    Put<uint32_t>(folder.payload, 100, 3);
    folder.payload[115] = 1;
    mapsim::PacketRecord part;
    part.type = 7;
    part.payload = Bytes(420, 0);
    mapsim::PutText(part.payload, 0, 100, "pin");
    packet.records = {folder, part, part, part};
    ASSERT_EQ(client.Send(20112, mapsim::WritePacket(packet), id), 0);
    const Bytes pairs = client.Of(20112).at(0).payload;
    ASSERT_EQ(pairs.size(), 4u * 64);
    const uint32_t block = Get<uint32_t>(pairs, 8);
    const uint32_t part1 = Get<uint32_t>(pairs, 64 + 8);
    const uint32_t part2 = Get<uint32_t>(pairs, 128 + 8);
    const uint32_t part3 = Get<uint32_t>(pairs, 192 + 8);
    EXPECT_EQ(sim.FindObject(part3)->parent, block);
    // One part is deleted in the map meanwhile; an unrelated mark lies beside the folder.
    Bytes remove = WithHeader(20);
    Put<uint32_t>(remove, 16, part3);
    ASSERT_EQ(client.Send(20103, remove, id), 0);
    const uint32_t lone = sim.AddObject(7, layer, part.payload);

    // The user selected the folder, one of its parts and the unrelated mark: the parts follow the folder,
    // each once, the count says how many, and the unrelated mark comes after them.
    sim.Select({block, part2, lone});
    EXPECT_EQ(client.Send(20110, WithHeader(16), id), 0);
    const auto selections = client.Of(20110);
    ASSERT_EQ(selections.size(), 1u);
    const Bytes& got = selections[0].payload;
    ASSERT_EQ(got.size(), 80u + (64 + 176) + 3 * (64 + 420));
    size_t at = 80;
    EXPECT_EQ(Get<uint32_t>(got, at + 8), block);
    EXPECT_EQ(Get<uint32_t>(got, at + 64 + 100), 2u);  // the child count as sent
    at += 64 + 176;
    EXPECT_EQ(Get<uint32_t>(got, at + 8), part1);
    EXPECT_EQ(Get<uint32_t>(got, at + 12), block);
    at += 64 + 420;
    EXPECT_EQ(Get<uint32_t>(got, at + 8), part2);
    at += 64 + 420;
    EXPECT_EQ(Get<uint32_t>(got, at + 8), lone);
    EXPECT_EQ(Get<uint32_t>(got, at + 12), layer);

    // Names the map application makes itself are cut at a character boundary, like the plug-in's.
    std::string longName;
    for (int i = 0; i < 40; ++i) {
        longName += "中";
    }
    const uint32_t cjk = sim.AddFolder(0, longName);
    EXPECT_EQ(sim.FindFolder(cjk)->Name(), longName.substr(0, 99));
    EXPECT_EQ(mapsim::MakeFolderRecord("a" + longName)[97], 0);  // 1 + 32 * 3 bytes kept
}

TEST_F(MapSimTest, SelectionGoesOutInItsOwnOrderEachObjectOnce) {
    Register();
    const uint32_t layer = sim.AddFolder(0, "0");
    std::vector<uint32_t> ids;
    for (int i = 0; i < 4; ++i) {
        Bytes mark(420, 0);
        mapsim::PutText(mark, 0, 100, "pin " + std::to_string(i));
        ids.push_back(sim.AddObject(7, layer, mark));
    }
    // The last one is deleted in the map after the user selected it.
    Bytes remove = WithHeader(20);
    Put<uint32_t>(remove, 16, ids[3]);
    ASSERT_EQ(client.Send(20103, remove, id), 0);

    // Selected against the ids' order, two of them twice, the deleted one among them: each remaining object
    // goes out once, where it was first selected, with its own bytes.
    sim.Select({ids[2], ids[0], ids[3], ids[1], ids[0], ids[2]});
    EXPECT_EQ(client.Send(20110, WithHeader(16), id), 0);
    const auto selections = client.Of(20110);
    ASSERT_EQ(selections.size(), 1u);
    const Bytes& got = selections[0].payload;
    ASSERT_EQ(got.size(), 80u + 3 * (64 + 420));
    const int order[] = {2, 0, 1};
    for (size_t i = 0; i < 3; ++i) {
        const size_t at = 80 + i * (64 + 420);
        EXPECT_EQ(Get<uint32_t>(got, at + 8), ids[order[i]]) << i;
        EXPECT_EQ(mapsim::GetText(got, at + 64, 100), "pin " + std::to_string(order[i])) << i;
    }
}

TEST_F(MapSimTest, NestedAnswersArriveBeforeTheSendReturns) {
    Register();
    std::array<uint8_t, 16> digest{};
    digest[0] = 0xAB;
    digest[7] = 0x80;
    sim.SetCoordState(4, digest, "Beijing 1954");
    sim.SetMapState(14, 3);
    sim.SetGridOrigin(-100.5, 200.25);
    client.Send(20202, {}, id);
    client.Send(20211, {}, id);
    Bytes resolution(80, 0);
    Put<double>(resolution, 24, -100.5);
    Put<double>(resolution, 32, 200.25);
    client.Send(20212, resolution, id);
    Bytes state(104, 0);
    state[40] = 2;
    client.Send(20012, state, id);
    ASSERT_EQ(client.received.size(), 4u);
    for (const Received& r : client.received) {
        EXPECT_TRUE(r.duringSend) << r.code;
        EXPECT_EQ(r.regId, id) << r.code;
        EXPECT_EQ(r.wParam, 1001u);
    }
    const Bytes& coord = client.received[0].payload;
    EXPECT_EQ(Get<uint32_t>(coord, 40), 4u);
    EXPECT_EQ(coord[44], 0xAB);
    EXPECT_EQ(coord[51], 0x80);
    EXPECT_EQ(GetText(coord, 72, 100), "Beijing 1954");
    EXPECT_EQ(Get<double>(client.received[1].payload, 24), -100.5);
    EXPECT_EQ(Get<double>(client.received[1].payload, 32), 200.25);
    EXPECT_EQ(client.received[2].payload.size(), 28u * 104);
    EXPECT_DOUBLE_EQ(Get<double>(client.received[2].payload, 104) * 2,
                     Get<double>(client.received[2].payload, 0));
    EXPECT_EQ(client.received[3].payload.size(), 104u);
    EXPECT_EQ(Get<uint32_t>(client.received[3].payload, 44), 14u);
    EXPECT_EQ(Get<uint32_t>(client.received[3].payload, 48), 3u);

    // The plug-in may send to the map again from inside an answer (20201 answer -> 20202).
    Bytes assoc = WithHeader(136);
    Put<uint32_t>(assoc, 16, 3);
    Put<double>(assoc, 56, 117.5);
    Put<double>(assoc, 64, 39.25);
    assoc[72] = 1;
    client.onMessage = [&](const Received& r) -> LRESULT {
        if (r.code == 20201) {
            client.Send(20202, {}, id);
        }
        return 0;
    };
    EXPECT_EQ(client.Send(20201, assoc, id), 0);
    ASSERT_EQ(client.received.size(), 6u);
    EXPECT_EQ(client.received[4].code, 20201);
    EXPECT_EQ(Get<int32_t>(client.received[4].payload, 0), 0);
    EXPECT_EQ(client.received[5].code, 20202);
    ASSERT_EQ(sim.AssocPoints().size(), 1u);
    EXPECT_EQ(sim.AssocPoints()[0].longitude, 117.5);
    EXPECT_EQ(sim.AssocPoints()[0].latitude, 39.25);
}

TEST_F(MapSimTest, MapFilesAreAnsweredFromThePumpWithMarkedPngTiles) {
    Register();
    const std::string dir = tarntest::TempDir() + "/MapTemp/1/14";
    std::filesystem::create_directories(dir);
    const std::u16string windowsDir = platform::ToWindowsPath(dir);
    const std::string windowsPath = platform::Utf16ToUtf8(windowsDir) + "\\-3_12.png";
    sim.SetMapFilesNotReady(1);
    Bytes request = WithHeader(16);
    const Bytes record = MapFileRequest(windowsPath, 14, 1, 256);
    request.insert(request.end(), record.begin(), record.end());

    EXPECT_EQ(client.Send(20302, request, id), 0);
    EXPECT_TRUE(client.Of(20302).empty());  // not nested
    platform::PumpMessages();
    auto answers = client.Of(20302);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_FALSE(answers[0].duringSend);
    ASSERT_EQ(answers[0].payload.size(), 472u);
    EXPECT_EQ(Get<int32_t>(answers[0].payload, 20), -3);
    EXPECT_EQ(Get<uint32_t>(answers[0].payload, 368), 100u);
    EXPECT_FALSE(std::filesystem::exists(dir + "/-3_12.png"));

    // Asked again, the tile is written and the record echoed with status 1 and the written mark.
    client.Send(20302, request, id);
    platform::PumpMessages();
    answers = client.Of(20302);
    ASSERT_EQ(answers.size(), 2u);
    const Bytes& a = answers[1].payload;
    EXPECT_EQ(Get<int32_t>(a, 20), 1);
    EXPECT_EQ(a[280], 1);
    EXPECT_EQ(Get<uint64_t>(a, 0), 0x1234567890ABCDEFull);
    EXPECT_EQ(Get<uint64_t>(a, 8), 7u);
    EXPECT_EQ(GetText(a, 24, 260), windowsPath);
    EXPECT_EQ(Get<double>(a, 320), 1256.0);
    EXPECT_EQ(Get<uint32_t>(a, 348), 256u);

    mapsim::Image image;
    ASSERT_TRUE(mapsim::ReadPngFile(dir + "/-3_12.png", &image));
    EXPECT_EQ(image.width, 256u);
    EXPECT_EQ(image.height, 256u);
    const auto mark = mapsim::ReadMark(image);
    ASSERT_TRUE(mark.has_value());
    EXPECT_EQ(mark->mapId, 1u);
    EXPECT_EQ(mark->level, 14u);
    EXPECT_TRUE(mark->hasTile);
    EXPECT_EQ(mark->col, -3);
    EXPECT_EQ(mark->row, 12);
    EXPECT_EQ(mark->minY, 2000.0);
    EXPECT_EQ(mark->id, 0x1234567890ABCDEFull);

    // A folder that does not exist and a scripted status are errors, one message per record.
    Bytes two = WithHeader(16);
    const Bytes missing = MapFileRequest("C:\\no\\such\\folder\\1_1.png", 14, 1, 256);
    two.insert(two.end(), missing.begin(), missing.end());
    two.insert(two.end(), record.begin(), record.end());
    sim.SetMapFileStatus(-7);
    client.Send(20302, two, id);
    platform::PumpMessages();
    answers = client.Of(20302);
    ASSERT_EQ(answers.size(), 4u);
    EXPECT_EQ(Get<int32_t>(answers[2].payload, 20), -7);
    EXPECT_EQ(Get<int32_t>(answers[3].payload, 20), -7);
    sim.SetMapFileStatus(0);
    client.Send(20302, two, id);
    platform::PumpMessages();
    answers = client.Of(20302);
    ASSERT_EQ(answers.size(), 6u);
    EXPECT_EQ(Get<int32_t>(answers[4].payload, 20), -6);
    EXPECT_EQ(Get<int32_t>(answers[5].payload, 20), 1);

    // On a full disk the tile fails alike and leaves no half picture behind.
    std::filesystem::remove(dir + "/-3_12.png");
    platform::InjectDiskFull(dir);
    client.Send(20302, request, id);
    platform::PumpMessages();
    answers = client.Of(20302);
    ASSERT_EQ(answers.size(), 7u);
    EXPECT_EQ(Get<int32_t>(answers[6].payload, 20), -6);
    EXPECT_FALSE(std::filesystem::exists(dir + "/-3_12.png"));
}

TEST_F(MapSimTest, RenderViewAnswersWithAHeadAndADecodablePicture) {
    Register();
    Bytes request = WithHeader(112);
    Put<double>(request, 16, 0.0);
    Put<double>(request, 24, 0.0);
    Put<double>(request, 32, 400.0);
    Put<double>(request, 40, 200.0);
    request[48] = 2;
    Put<uint64_t>(request, 56, 20000);
    Put<uint32_t>(request, 64, 15);
    client.Send(20301, request, id);
    const auto answers = client.Of(20301);
    ASSERT_EQ(answers.size(), 1u);
    const Bytes& a = answers[0].payload;
    ASSERT_GT(a.size(), 112u);
    EXPECT_EQ(Get<double>(a, 32), 400.0);
    const uint32_t width = Get<uint32_t>(a, 68), height = Get<uint32_t>(a, 72);
    EXPECT_EQ(width, 2 * height);
    EXPECT_LE(uint64_t{width} * height, 20000u);
    mapsim::Image image;
    ASSERT_TRUE(mapsim::DecodePng(a.data() + 112, a.size() - 112, &image));
    EXPECT_EQ(image.width, width);
    const auto mark = mapsim::ReadMark(image);
    ASSERT_TRUE(mark.has_value());
    EXPECT_EQ(mark->level, 15u);
    EXPECT_FALSE(mark->hasTile);
}

TEST_F(MapSimTest, QueuedAnswersAndNotificationsArriveAtThePump) {
    Register();
    sim.SetAnswerMode(20110, mapsim::AnswerMode::Queued);
    client.Send(20110, WithHeader(16, 0, 0, 0, 0), id);
    EXPECT_TRUE(client.Of(20110).empty());
    sim.SetPickedPoint(39.9, 116.4);
    client.Send(20001, {}, id);
    EXPECT_TRUE(client.Of(20001).empty());
    sim.NotifySendToCad(true);
    sim.SendProgress(120, 20, true);
    EXPECT_TRUE(client.received.empty());
    platform::PumpMessages();
    ASSERT_EQ(client.received.size(), 4u);
    EXPECT_EQ(client.received[0].code, 20110);
    EXPECT_EQ(client.received[0].payload.size(), 80u);  // empty selection
    EXPECT_EQ(client.received[1].code, 20001);
    EXPECT_EQ(Get<double>(client.received[1].payload, 0), 39.9);
    EXPECT_EQ(Get<double>(client.received[1].payload, 8), 116.4);
    EXPECT_EQ(client.received[2].code, 20402);
    EXPECT_EQ(client.received[2].regId, id);
    EXPECT_EQ(client.received[3].message, MapSim::ProgressMessage());
    EXPECT_EQ(client.received[3].wParam, 120u);
    EXPECT_EQ(client.received[3].lParam, 20);

    // Sent at once: the plug-in's return value comes back.
    client.onMessage = [](const Received& r) -> LRESULT { return r.code == 20009 ? 1 : 0; };
    EXPECT_EQ(sim.NotifyReady(), 1);
    EXPECT_EQ(sim.SentOf(20009).back().result, 1);
    // The user moves the map: the plug-in hears of it only while it follows the map.
    Bytes interval(4, 0);
    Put<uint32_t>(interval, 0, 1);
    client.Send(20013, interval, id);
    sim.UserMovesView(500.0, 600.0, 16, 2);
    platform::PumpMessages();
    EXPECT_TRUE(client.Of(20012).empty());
    Put<uint32_t>(interval, 0, 500);
    client.Send(20013, interval, id);
    sim.UserMovesView(700.0, 800.0, 17, 2);
    EXPECT_TRUE(client.Of(20012).empty());
    platform::PumpMessages();
    const auto states = client.Of(20012);
    ASSERT_EQ(states.size(), 1u);
    EXPECT_EQ(Get<double>(states[0].payload, 24), 700.0);
    EXPECT_EQ(Get<double>(states[0].payload, 32), 800.0);
    EXPECT_EQ(Get<uint32_t>(states[0].payload, 44), 17u);
    // A queued answer dies with the window.
    client.Send(20110, WithHeader(16, 0, 0, 0, 0), id);
    sim.Stop();
    platform::PumpMessages();
    EXPECT_EQ(client.Of(20110).size(), 1u);
}

TEST_F(MapSimTest, ScriptedFailuresVanishingAndReplacedAnswers) {
    Register();
    // A failure for a number of requests, then the normal answer.
    sim.FailCode(20006, -5, 2);
    EXPECT_EQ(client.Send(20006, {}, id), -5);
    EXPECT_EQ(client.Send(20006, {}, id), -5);
    EXPECT_EQ(client.Send(20006, {}, id), 621);
    // Short or marker-less requests are refused as unhandled.
    EXPECT_EQ(client.Send(20102, WithHeader(100, 30), id), mapsim::kFailed);
    Bytes noMarker = WithHeader(16);
    noMarker[0] = 0;
    EXPECT_EQ(client.Send(20100, noMarker, id), mapsim::kFailed);
    EXPECT_TRUE(client.Of(20100).empty());

    // Replaced answers: short, long, unterminated, for the next answer of the code only.
    sim.ReplaceNextAnswer(20202, Bytes(10, 0xFF));
    client.Send(20202, {}, id);
    client.Send(20202, {}, id);
    auto coords = client.Of(20202);
    ASSERT_EQ(coords.size(), 2u);
    EXPECT_EQ(coords[0].payload, Bytes(10, 0xFF));
    EXPECT_GE(coords[1].payload.size(), 72u);
    // A code that normally answers by return value can be made to send one too.
    sim.ReplaceNextAnswer(20013, Bytes{1, 2});
    Bytes interval(4, 0);
    Put<uint32_t>(interval, 0, 500);
    EXPECT_EQ(client.Send(20013, interval, id), 0);
    EXPECT_EQ(sim.FollowInterval(), 500u);
    EXPECT_EQ(client.Of(20013).size(), 1u);

    // Vanishing after the answer: the answer arrives, the send gives 0, the window is gone.
    sim.VanishOn(20211, mapsim::VanishPoint::AfterAnswer);
    EXPECT_EQ(client.Send(20211, {}, id), 0);
    EXPECT_EQ(client.Of(20211).size(), 1u);
    EXPECT_FALSE(sim.IsRunning());
    EXPECT_EQ(FindWindowW(u"tarnWin", nullptr), nullptr);

    // Vanishing before: no answer at all.
    ASSERT_TRUE(sim.Start());
    Register();
    sim.VanishOn(20211, mapsim::VanishPoint::BeforeAnswer);
    EXPECT_EQ(client.Send(20211, {}, id), 0);
    EXPECT_EQ(client.Of(20211).size(), 1u);
    EXPECT_FALSE(sim.IsRunning());
}

TEST_F(MapSimTest, TimedOutRequestsAreHandledAtThePump) {
    Register();
    sim.SetTimesOut(true);
    Bytes menu = WithHeader(320);
    Put<int32_t>(menu, 20, 1);
    mapsim::PutText(menu, 24, 256, "发送所选对象到CAD");
    bool ok = true;
    EXPECT_EQ(client.Send(20401, menu, id, 1, &ok), 0);
    EXPECT_FALSE(ok);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
    EXPECT_FALSE(sim.MenuEntryPresent());
    platform::PumpMessages();
    EXPECT_TRUE(sim.MenuEntryPresent());
    EXPECT_EQ(sim.MenuText(), "发送所选对象到CAD");
    auto answers = client.Of(20401);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_FALSE(answers[0].duringSend);
    EXPECT_EQ(answers[0].payload, (Bytes{1, 0, 0, 0}));

    sim.SetTimesOut(false);
    Put<int32_t>(menu, 20, 0);
    EXPECT_EQ(client.Send(20401, menu, id, 1, &ok), 0);
    EXPECT_TRUE(ok);
    answers = client.Of(20401);
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[1].payload, (Bytes{0, 0, 0, 0}));
    EXPECT_FALSE(sim.MenuEntryPresent());
}

TEST_F(MapSimTest, UpdateCheckAndSimplifiedAssociatedPointsAnswers) {
    Register();
    sim.SetUpdate(1, 142, "新版本");
    sim.SetAssocAnswer(0, -1);
    Bytes update(64, 0);
    Put<uint32_t>(update, 0, 1);
    Put<uint32_t>(update, 4, 141);
    Put<uint32_t>(update, 24, 1);
    client.Send(20203, update, id);
    EXPECT_EQ(sim.ClientVersion(), 141u);
    const auto updates = client.Of(20203);
    ASSERT_EQ(updates.size(), 1u);
    EXPECT_EQ(Get<uint32_t>(updates[0].payload, 4), 142u);
    EXPECT_EQ(GetText(updates[0].payload, 64, 100), "新版本");

    Bytes assoc = WithHeader(136);
    Put<uint32_t>(assoc, 16, 4);
    client.Send(20201, assoc, id);
    Put<uint32_t>(assoc, 16, 3);
    client.Send(20201, assoc, id);
    const auto answers = client.Of(20201);
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(Get<int32_t>(answers[0].payload, 0), -1);
    EXPECT_EQ(Get<int32_t>(answers[1].payload, 0), 0);
    EXPECT_EQ(sim.AssocKind(), 3u);
}

TEST_F(MapSimTest, EveryCatalogueCodeRefusesShortRequestsAndHandlesMinimalOnes) {
    Register();
    size_t sends = 0;
    for (const mapsim::RequestSpec& entry : MapSim::Catalogue()) {
        if (entry.code == 20000) {
            continue;
        }
        if (entry.minPayload > 0) {
            Bytes shortRequest = entry.header ? WithHeader(entry.minPayload) : Bytes(entry.minPayload, 0);
            shortRequest.pop_back();
            EXPECT_EQ(client.Send(entry.code, shortRequest, id), mapsim::kFailed) << entry.name;
            ++sends;
        }
        Bytes minimal = entry.header ? WithHeader(entry.minPayload) : Bytes(entry.minPayload, 0);
        const LRESULT result = client.Send(entry.code, minimal, id);
        EXPECT_NE(result, mapsim::kNotRegistered) << entry.name;
        ++sends;
    }
    EXPECT_EQ(sim.Requests().size(), 1 + sends);  // every request recorded, the registration included
    EXPECT_EQ(client.Send(20999, {}, id), 0);     // unknown codes are ignored
}

}  // namespace
}  // namespace mapsimtest
