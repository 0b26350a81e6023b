// Map captures, the whole-view map image and the associated points end to end: the plug-in in tarnhost, its
// toolbar pressed, the simulated map application rendering and answering, the drawing checked afterwards.
#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "host_fixture.h"
#include "mapsim/png.h"
#include "platform/arx/acap/statusbar.h"
#include "platform/arx/aced/acedframe.h"
#include "platform/mfc/acui.h"
#include "platform/mfc/controls_api.h"
#include "platform/win32/bus/bus_hooks.h"

namespace {

using platform::CommandOutcome;

constexpr int kLevel = 15;

double Res(int level) {
    return mapsim::MapSim::DefaultResolutions()[size_t(level - 1)].second;
}

struct Picture {
    AcDbObjectId image;
    std::string file;  // host path
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    std::u16string layer;
};

class CaptureE2eTest : public e2e::HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        platform::SetScreenSize(1920, 1080);
        mapsim::MapSim& map = host.MapSim();
        std::array<uint8_t, 16> digest{};
        digest[0] = 7;
        map.SetCoordState(4, digest, "CGCS2000 plane");
        map.SetGridOrigin(500000.0, 3000000.0);
        map.SetMapState(kLevel, 1);
        drawing = dir + "/site.dxf";
        ASSERT_EQ(Run("SAVEAS", {drawing}), CommandOutcome::kEnded);
        std::string error;
        ASSERT_TRUE(host.LoadModule(TARN_PLUGIN_MODULE, &error)) << error;
        ASSERT_EQ(Run("ZOOM", {"0,0", "2000,1200"}), CommandOutcome::kEnded);
    }

    std::string Console() const { return out.str(); }
    // The window that owns the plug-in's toolbar and takes its commands.
    static CWnd* ToolBarOwner() {
        for (CControlBar* bar : acedGetAcadFrame()->m_listControlBars) {
            if (bar->IsKindOf(RUNTIME_CLASS(CToolBar))) {
                return bar->GetOwner();
            }
        }
        return nullptr;
    }
    // The associated-point dialog's window while it exists.
    static HWND SetCoorWindow() {
        for (const platform::WindowRecord& w : platform::LiveWindows()) {
            if (w.text == u"设置关联点" && IsWindowVisible(w.hwnd)) {
                return w.hwnd;
            }
        }
        return nullptr;
    }
    static std::u16string TextOf(HWND dialog, int id) {
        char16_t text[256] = {};
        GetDlgItemTextW(dialog, id, text, 256);
        return text;
    }
    void Settle(int rounds = 6) {
        for (int i = 0; i < rounds; ++i) {
            host.Wait(1000);
        }
    }

    // The drawing's raster images outside the base map's layer, each checked against the picture the map
    // application rendered into its file: its corners, its pixel size, its id, and the bottom of the draw
    // order. Faults go to errors.
    std::vector<Picture> Pictures(std::string& errors) {
        std::vector<Picture> pictures;
        AcDbDatabase* db = host.Drawing();
        std::vector<AcDbObjectId> ids = tarnhost::ModelSpaceIds(db);
        size_t position = 0;
        for (AcDbObjectId id : ids) {
            ++position;
            AcDbRasterImage* image = nullptr;
            if (acdbOpenObject(image, id, AcDb::kForRead) != Acad::eOk) {
                continue;
            }
            Picture p;
            p.image = id;
            AcGePoint3d origin;
            AcGeVector3d u, v;
            image->getOrientation(origin, u, v);
            p.minX = origin.x, p.minY = origin.y, p.maxX = origin.x + u.x, p.maxY = origin.y + v.y;
            AcDbLayerTableRecord* layer = nullptr;
            if (acdbOpenObject(layer, image->layerId(), AcDb::kForRead) == Acad::eOk) {
                const ACHAR* name = nullptr;
                layer->getName(name);
                p.layer = name;
                layer->close();
            }
            AcDbRasterImageDef* def = nullptr;
            if (acdbOpenObject(def, image->imageDefId(), AcDb::kForRead) == Acad::eOk) {
                p.file = platform::ToHostPath(def->sourceFileName());
                def->close();
            }
            image->close();
            pictures.push_back(p);
            mapsim::Image png;
            if (!mapsim::ReadPngFile(p.file, &png)) {
                errors += "unreadable " + p.file + "\n";
                continue;
            }
            const std::optional<mapsim::PictureMark> mark = mapsim::ReadMark(png);
            if (!mark) {
                continue;  // the whole-view picture carries its own bounds in its answer
            }
            if (std::fabs(mark->minX - p.minX) > 1e-6 || std::fabs(mark->minY - p.minY) > 1e-6 ||
                std::fabs(mark->maxX - p.maxX) > 1e-6 || std::fabs(mark->maxY - p.maxY) > 1e-6) {
                errors += "misplaced " + p.file + "\n";
            }
            const double res = Res(int(mark->level));
            if (mark->id != 0 &&
                (mark->width != uint32_t((p.maxX - p.minX) / res) ||
                 mark->height != uint32_t((p.maxY - p.minY) / res) || png.width != mark->width)) {
                errors += "wrong pixel size " + p.file + "\n";
            }
        }
        // Pictures lie under everything the user drew.
        for (size_t i = 0; i < pictures.size(); ++i) {
            if (ids.empty() || !IsPictureOrder(db, pictures.size())) {
                errors += "a picture above the drawing\n";
                break;
            }
        }
        return pictures;
    }
    static bool IsPictureOrder(AcDbDatabase* db, size_t count) {
        AcDbBlockTable* table = nullptr;
        db->getBlockTable(table, AcDb::kForRead);
        AcDbBlockTableRecord* model = nullptr;
        table->getAt(ACDB_MODEL_SPACE, model, AcDb::kForRead);
        table->close();
        AcDbSortentsTable* sortents = nullptr;
        bool ok = true;
        if (model->getSortentsTable(sortents, AcDb::kForRead, false) == Acad::eOk) {
            AcDbObjectIdArray order;
            sortents->getFullDrawOrder(order);
            sortents->close();
            for (int i = 0; i < order.length() && size_t(i) < count; ++i) {
                AcDbRasterImage* image = nullptr;
                if (acdbOpenObject(image, order[i], AcDb::kForRead) != Acad::eOk) {
                    ok = false;
                } else {
                    image->close();
                }
            }
        }
        model->close();
        return ok;
    }

    std::string drawing;
};

// Edge cases of the capture road: the rectangle is the region and goes, a user's own entities never do; a
// picked entity's extents; regions too small; pixel sizes; two levels of one region never share a file.
TEST_F(CaptureE2eTest, RectangleAndPickedEntityCapturesLandBesideTheDrawing) {
    ASSERT_EQ(Run("LINE", {"-50,-50", "-40,-45", ""}), CommandOutcome::kEnded);
    const AcDbObjectId userLine = Entities().back();
    // The rectangle road: the dialog, then RECTANG drawn by the user; the map renders when it ends.
    ASSERT_EQ(Run("TOOLBAR 下载", {"select 8144 11", "click 1", "0,0", "400,200"}), CommandOutcome::kEnded);
    Settle();
    std::string errors;
    std::vector<Picture> pictures = Pictures(errors);
    EXPECT_EQ(errors, "");
    ASSERT_EQ(pictures.size(), 1u) << Console();
    EXPECT_EQ(pictures[0].minX, 0.0);
    EXPECT_EQ(pictures[0].maxY, 200.0);
    EXPECT_EQ(pictures[0].layer, u"0");
    EXPECT_EQ(std::filesystem::path(pictures[0].file).parent_path(), std::filesystem::path(dir + "/site"));
    EXPECT_EQ(Entities().size(), 2u);  // the user's line and the picture: the rectangle is gone
    EXPECT_EQ(Entities()[0], userLine);
    EXPECT_FALSE(platform::ProgressMeterShown());
    // The capture asks the map state as every caller does: byte 40 is 2.
    ASSERT_FALSE(host.MapSim().RequestsOf(20012).empty());
    EXPECT_EQ(host.MapSim().RequestsOf(20012).back().payload.at(40), 2);

    // The same region at another level is another file.
    const std::string first = pictures[0].file;
    ASSERT_EQ(Run("TOOLBAR 下载", {"select 8144 12", "click 1", "0,0", "400,200"}), CommandOutcome::kEnded);
    Settle();
    pictures = Pictures(errors);
    EXPECT_EQ(errors, "");
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_NE(pictures[0].file, pictures[1].file);
    EXPECT_TRUE(std::filesystem::exists(first));

    // A cancelled rectangle: the user's next RECTANG is the user's own and stays.
    const size_t before = Entities().size();
    ASSERT_EQ(Run("TOOLBAR 下载", {"select 8144 11", "click 1", "^C"}), CommandOutcome::kEnded);
    Settle(1);
    ASSERT_EQ(Run("RECTANG", {"500,500", "900,800"}), CommandOutcome::kEnded);
    Settle();
    EXPECT_EQ(Entities().size(), before + 1);
    EXPECT_EQ(Describe(Entities().back()).find("POLYLINE") != std::string::npos ||
                  Describe(Entities().back()).find("LWPOLYLINE") != std::string::npos,
              true)
        << Describe(Entities().back());

    // A picked entity's extents; it stays. A region 5 x 500 is taken, 9.9 x 9.9 refused.
    ASSERT_EQ(Run("LINE", {"1000,0", "1005,500", ""}), CommandOutcome::kEnded);
    const AcDbObjectId thin = Entities().back();
    host.MapSim().ClearRecords();
    ASSERT_EQ(Run("TOOLBAR 下载", {"select 8144 11", "click 8147", "click 1", "last"}),
              CommandOutcome::kEnded);
    Settle();
    ASSERT_EQ(host.MapSim().RequestsOf(20302).size(), 1u);
    EXPECT_EQ(Entities()[Entities().size() - 2], thin);  // picked, not erased
    pictures = Pictures(errors);
    EXPECT_EQ(errors, "");
    EXPECT_EQ(pictures.size(), 3u);
    ASSERT_EQ(Run("LINE", {"2000,0", "2009.9,9.9", ""}), CommandOutcome::kEnded);
    host.MapSim().ClearRecords();
    Mark();
    ASSERT_EQ(Run("TOOLBAR 下载", {"select 8144 11", "click 8147", "click 1", "last"}),
              CommandOutcome::kEnded);
    EXPECT_NE(Printed().find("您选择的范围太小，无法生成地图！"), std::string::npos) << Printed();
    EXPECT_TRUE(host.MapSim().RequestsOf(20302).empty());
    // An empty answer to the pick sends nothing.
    ASSERT_EQ(Run("TOOLBAR 下载", {"select 8144 11", "click 8147", "click 1", ""}), CommandOutcome::kEnded);
    EXPECT_TRUE(host.MapSim().RequestsOf(20302).empty());
}

// On a locked current layer both roads capture: a picked entity is only read, the drawn rectangle still goes,
// and the layer stays locked.
TEST_F(CaptureE2eTest, CapturesOnALockedLayerLandAndTheRectangleStillGoes) {
    ASSERT_EQ(Run("LINE", {"0,0", "300,200", ""}), CommandOutcome::kEnded);
    const AcDbObjectId line = Entities().back();
    ASSERT_EQ(Run("-LAYER LOck 0", {""}), CommandOutcome::kEnded);
    ASSERT_EQ(Run("TOOLBAR 下载", {"select 8144 11", "click 8147", "click 1", "last"}),
              CommandOutcome::kEnded);
    Settle();
    std::string errors;
    std::vector<Picture> pictures = Pictures(errors);
    ASSERT_EQ(pictures.size(), 1u) << Console();
    EXPECT_EQ(pictures[0].maxX, 300.0);

    ASSERT_EQ(Run("TOOLBAR 下载", {"select 8144 11", "click 1", "1000,0", "1400,200"}),
              CommandOutcome::kEnded);
    Settle();
    pictures = Pictures(errors);
    EXPECT_EQ(errors, "");
    ASSERT_EQ(pictures.size(), 2u) << Console();
    EXPECT_EQ(Entities().size(), 3u);  // the line and the two pictures: the rectangle is gone
    EXPECT_NE(std::find(Entities().begin(), Entities().end(), line), Entities().end());
    AcDbLayerTableRecord* layer = nullptr;
    ASSERT_EQ(acdbOpenObject(layer, host.Drawing()->clayer(), AcDb::kForRead), Acad::eOk);
    EXPECT_TRUE(layer->isLocked());
    layer->close();
}

// Not ready, then written: the meter shows and goes, the request is sent again with the same path; an error
// answer ends the capture so that the next one is not refused.
TEST_F(CaptureE2eTest, ACaptureIsAskedAgainUntilReadyAndAnErrorEndsIt) {
    host.MapSim().SetMapFilesNotReady(2);
    ASSERT_EQ(Run("TOOLBAR 下载", {"select 8144 11", "click 1", "0,0", "400,200"}), CommandOutcome::kEnded);
    host.Wait(100);
    EXPECT_TRUE(platform::ProgressMeterShown());
    Settle(8);
    const auto requests = host.MapSim().RequestsOf(20302);
    ASSERT_EQ(requests.size(), 3u);
    std::string errors;
    EXPECT_EQ(Pictures(errors).size(), 1u);
    EXPECT_EQ(errors, "");
    EXPECT_FALSE(platform::ProgressMeterShown());

    host.MapSim().SetMapFilesNotReady(0);
    host.MapSim().SetMapFileStatus(-6);
    Mark();
    ASSERT_EQ(Run("TOOLBAR 下载", {"select 8144 11", "click 1", "0,400", "400,600"}), CommandOutcome::kEnded);
    Settle(2);
    EXPECT_NE(Printed().find("创建地图失败！"), std::string::npos);
    host.MapSim().SetMapFileStatus(0);
    Mark();
    ASSERT_EQ(Run("TOOLBAR 下载", {"select 8144 11", "click 1", "0,400", "400,600"}), CommandOutcome::kEnded);
    Settle(2);
    EXPECT_EQ(Printed().find("当前正在取图中"), std::string::npos);
    EXPECT_EQ(Pictures(errors).size(), 2u);

    // Not ready, and then an error while the retry waits: the capture has ended, the retry asks nothing.
    host.MapSim().SetMapFilesNotReady(1);
    host.MapSim().ClearRecords();
    ASSERT_EQ(Run("TOOLBAR 下载", {"select 8144 11", "click 1", "0,800", "400,1000"}),
              CommandOutcome::kEnded);
    host.Wait(100);
    ASSERT_EQ(host.MapSim().RequestsOf(20302).size(), 1u);
    const mapsim::Bytes asked = host.MapSim().RequestsOf(20302)[0].payload;
    mapsim::MapFileRecord failed = mapsim::MapFileRecord::Read(asked.data() + 16, asked.size() - 16);
    failed.status = -6;
    host.MapSim().SendRaw(20302, failed.Write());
    Settle(8);
    EXPECT_EQ(host.MapSim().RequestsOf(20302).size(), 1u);
    EXPECT_EQ(Pictures(errors).size(), 2u);
}

// Names: a named capture is refused while its file exists; unsaved drawings are refused at the start.
TEST_F(CaptureE2eTest, NamedCapturesAreNotOverwritten) {
    ASSERT_EQ(Run("TOOLBAR 下载", {"select 8144 11", "set 8148 north", "click 1", "0,0", "400,200"}),
              CommandOutcome::kEnded);
    Settle();
    ASSERT_TRUE(std::filesystem::exists(dir + "/site/north.png")) << Console();
    Mark();
    ASSERT_EQ(Run("TOOLBAR 下载", {"select 8144 11", "set 8148 north", "click 1", "ok", "close"}),
              CommandOutcome::kEnded);
    EXPECT_NE(Console().find("该文件已存在，请更换名称！"), std::string::npos);
    std::string errors;
    EXPECT_EQ(Pictures(errors).size(), 1u);

    // A long name is a name like another; one too long for the request's path is refused when the request
    // is built, with its line, and nothing is asked.
    const std::string longName(120, 'n');
    ASSERT_EQ(Run("TOOLBAR 下载", {"select 8144 11", "set 8148 " + longName, "click 1", "0,400", "400,600"}),
              CommandOutcome::kEnded);
    Settle();
    EXPECT_TRUE(std::filesystem::exists(dir + "/site/" + longName + ".png")) << Console();
    host.MapSim().ClearRecords();
    Mark();
    ASSERT_EQ(Run("TOOLBAR 下载",
                  {"select 8144 11", "set 8148 " + std::string(250, 'n'), "click 1", "0,800", "400,1000"}),
              CommandOutcome::kEnded);
    Settle();
    EXPECT_NE(Printed().find("地图文件路径太长"), std::string::npos) << Printed();
    EXPECT_TRUE(host.MapSim().RequestsOf(20302).empty());
    EXPECT_EQ(Pictures(errors).size(), 2u);
}

// The whole-view picture of request 20301 replaces the drawing's earlier one and its file; CLEARMAP removes
// it; closing another drawing leaves it alone.
TEST_F(CaptureE2eTest, TheWholeViewPictureReplacesItselfAndClearsWithItsDrawing) {
    auto render = [&](double minX, double minY, double maxX, double maxY) {
        host.MapSim().SendRenderedView(minX, minY, maxX, maxY, 15);
    };
    render(0, 0, 800, 600);
    std::string errors;
    std::vector<Picture> pictures = Pictures(errors);
    ASSERT_EQ(pictures.size(), 1u) << Console();
    EXPECT_EQ(pictures[0].maxX, 800.0);
    const std::string file = pictures[0].file;
    EXPECT_NE(file.find("/MapTemp/site.dxf_"), std::string::npos) << file;
    render(100, 100, 500, 400);
    pictures = Pictures(errors);
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0].minX, 100.0);
    // Another drawing with a picture of its own, closed: its picture file goes, this one's stays.
    ASSERT_EQ(Run("NEW"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("SAVEAS", {dir + "/other.dxf"}), CommandOutcome::kEnded);
    render(0, 0, 300, 300);
    const std::vector<Picture> others = Pictures(errors);
    ASSERT_EQ(others.size(), 1u);
    EXPECT_NE(others[0].file.find("/MapTemp/other.dxf_"), std::string::npos);
    ASSERT_EQ(Run("CLOSE"), CommandOutcome::kEnded);
    EXPECT_FALSE(std::filesystem::exists(others[0].file));
    ASSERT_EQ(Run("OPEN", {drawing}), CommandOutcome::kEnded);
    EXPECT_EQ(Pictures(errors).size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(errors, "");
    ASSERT_EQ(Run("CLEARMAP"), CommandOutcome::kEnded);
    EXPECT_TRUE(Pictures(errors).empty());
    EXPECT_FALSE(std::filesystem::exists(file));

    // The toolbar window's command 32780, which no button carries, clears it the same way.
    render(0, 0, 800, 600);
    pictures = Pictures(errors);
    ASSERT_EQ(pictures.size(), 1u);
    CWnd* toolBarWnd = ToolBarOwner();
    ASSERT_NE(toolBarWnd, nullptr);
    SendMessageW(toolBarWnd->GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(32780, 0), 0);
    EXPECT_TRUE(Pictures(errors).empty());
    EXPECT_FALSE(std::filesystem::exists(pictures[0].file));
    EXPECT_EQ(errors, "");
}

// The whole-view picture's file lies in the plug-in's folder and goes when the drawing closes: a save takes
// the picture out first, so the saved drawing never points at that file.
TEST_F(CaptureE2eTest, ASaveTakesTheWholeViewPictureOutOfTheDrawingFirst) {
    ASSERT_EQ(Run("LINE", {"0,0", "300,200", ""}), CommandOutcome::kEnded);
    host.MapSim().SendRenderedView(0, 0, 800, 600, 15);
    std::string errors;
    const std::vector<Picture> pictures = Pictures(errors);
    ASSERT_EQ(pictures.size(), 1u) << Console();
    ASSERT_EQ(Run("QSAVE"), CommandOutcome::kEnded);
    EXPECT_TRUE(Pictures(errors).empty());
    EXPECT_EQ(Entities().size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(pictures[0].file));
    const std::string saved = e2e::ReadFile(drawing);
    EXPECT_EQ(saved.find("MapTemp"), std::string::npos);
    EXPECT_EQ(errors, "");
}

// Two open drawings of one name in two folders: each whole-view picture keeps a file of its own, so neither
// shows the other's picture, and clearing or closing one leaves the other's file where its image points.
TEST_F(CaptureE2eTest, DrawingsOfOneNameKeepTheirWholeViewPicturesApart) {
    auto bytes = [](const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    std::string errors;
    host.MapSim().SendRenderedView(0, 0, 800, 600, 15);
    const std::vector<Picture> first = Pictures(errors);
    ASSERT_EQ(first.size(), 1u) << Console();
    const std::string firstBytes = bytes(first[0].file);
    ASSERT_FALSE(firstBytes.empty());

    std::filesystem::create_directories(dir + "/copy");
    const std::string twin = dir + "/copy/site.dxf";
    ASSERT_EQ(Run("NEW"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("SAVEAS", {twin}), CommandOutcome::kEnded);
    host.MapSim().SendRenderedView(100, 100, 300, 200, 16);
    const std::vector<Picture> second = Pictures(errors);
    ASSERT_EQ(second.size(), 1u) << Console();
    EXPECT_NE(second[0].file, first[0].file);
    EXPECT_TRUE(bytes(first[0].file) == firstBytes);
    ASSERT_EQ(Run("CLEARMAP"), CommandOutcome::kEnded);
    EXPECT_FALSE(std::filesystem::exists(second[0].file));
    EXPECT_TRUE(bytes(first[0].file) == firstBytes);
    host.MapSim().SendRenderedView(100, 100, 300, 200, 16);
    ASSERT_EQ(Run("CLOSE"), CommandOutcome::kEnded);
    EXPECT_TRUE(bytes(first[0].file) == firstBytes);

    // The first drawing still shows its own picture from its own file, and clears it as before.
    ASSERT_EQ(Run("OPEN", {drawing}), CommandOutcome::kEnded);
    const std::vector<Picture> kept = Pictures(errors);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].file, first[0].file);
    EXPECT_EQ(errors, "");
    ASSERT_EQ(Run("CLEARMAP"), CommandOutcome::kEnded);
    EXPECT_FALSE(std::filesystem::exists(first[0].file));
}

// The whole-view picture on a layer the user has locked since still clears whole: image, definition and file
// go together, and the layer stays locked. The drawing then saves with no image of a deleted file.
TEST_F(CaptureE2eTest, TheWholeViewPictureOnALockedLayerClearsWithItsFile) {
    host.MapSim().SendRenderedView(0, 0, 800, 600, 15);
    std::string errors;
    const std::vector<Picture> pictures = Pictures(errors);
    ASSERT_EQ(pictures.size(), 1u) << Console();
    ASSERT_EQ(Run("-LAYER LOck 0", {""}), CommandOutcome::kEnded);
    ASSERT_EQ(Run("CLEARMAP"), CommandOutcome::kEnded);
    EXPECT_TRUE(Pictures(errors).empty());
    EXPECT_FALSE(std::filesystem::exists(pictures[0].file));
    AcDbLayerTableRecord* layer = nullptr;
    ASSERT_EQ(acdbOpenObject(layer, host.Drawing()->clayer(), AcDb::kForRead), Acad::eOk);
    EXPECT_TRUE(layer->isLocked());
    layer->close();
    ASSERT_EQ(Run("QSAVE"), CommandOutcome::kEnded);
    const std::string saved = e2e::ReadFile(drawing);
    EXPECT_EQ(saved.find("IMAGEDEF\n  5"), std::string::npos);
    EXPECT_EQ(saved.find("MapTemp"), std::string::npos);
}

// Bounds from the map application that no picture can have (not numbers, endless, absurdly far, empty) never
// reach the drawing: the whole view is refused and the picture there stays; a capture lands on the region it
// asked for whatever its answer says. The drawing then saves and opens again. A drawing that does hold a
// value no file can hold is not saved: the file saved before stays, and nothing says "Saved".
TEST_F(CaptureE2eTest, BoundsThatAreNotNumbersNeverReachTheDrawingOrItsFile) {
    mapsim::MapSim& map = host.MapSim();
    ASSERT_EQ(Run("LINE", {"10,10", "300,150", ""}), CommandOutcome::kEnded);
    map.SendRenderedView(0, 0, 800, 600, 15);
    std::string errors;
    ASSERT_EQ(Pictures(errors).size(), 1u) << Console();
    const double nan = std::nan(""), inf = HUGE_VAL;
    const std::array<double, 4> bad[] = {{nan, 0, 800, 600},      {0, 0, inf, 600}, {0, -inf, 800, 600},
                                         {-1e300, 0, 1e300, 600}, {800, 0, 0, 600}, {0, 600, 800, 600}};
    for (const auto& bounds : bad) {
        map.SetAnsweredBounds(bounds);
        Mark();
        map.SendRenderedView(100, 100, 500, 400, 15);
        EXPECT_NE(Printed().find("错误代码：3(加载底图失败)！"), std::string::npos) << Printed();
        const std::vector<Picture> pictures = Pictures(errors);
        ASSERT_EQ(pictures.size(), 1u);
        EXPECT_EQ(pictures[0].maxX, 800.0);  // the earlier picture, untouched
        EXPECT_TRUE(std::filesystem::exists(pictures[0].file));
    }
    map.SetAnsweredBounds(std::array<double, 4>{nan, nan, inf, -inf});
    ASSERT_EQ(Run("TOOLBAR 下载", {"select 8144 11", "click 1", "0,0", "400,200"}), CommandOutcome::kEnded);
    Settle();
    map.SetAnsweredBounds(std::nullopt);
    std::vector<Picture> pictures = Pictures(errors);
    EXPECT_EQ(errors, "");  // placed where it was rendered for
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_EQ(pictures[1].minX, 0.0);
    EXPECT_EQ(pictures[1].maxY, 200.0);

    Mark();
    ASSERT_EQ(Run("QSAVE"), CommandOutcome::kEnded);
    EXPECT_NE(Printed().find("Saved"), std::string::npos) << Printed();
    const std::string saved = e2e::ReadFile(drawing);
    EXPECT_EQ(saved.find("nan"), std::string::npos);
    EXPECT_EQ(saved.find("inf"), std::string::npos);

    // A line that holds a number no file can hold (made past the setters, which refuse it).
    ASSERT_EQ(acDocManager->lockDocument(host.Document()), Acad::eOk);
    AcDbLine* line = nullptr;
    ASSERT_EQ(acdbOpenObject(line, Entities().front(), AcDb::kForWrite), Acad::eOk);
    EXPECT_EQ(line->setEndPoint(AcGePoint3d(nan, 0, 0)), Acad::eInvalidInput);
    line->close();
    AcDbBlockTable* table = nullptr;
    ASSERT_EQ(host.Drawing()->getBlockTable(table, AcDb::kForRead), Acad::eOk);
    AcDbBlockTableRecord* model = nullptr;
    ASSERT_EQ(table->getAt(ACDB_MODEL_SPACE, model, AcDb::kForWrite), Acad::eOk);
    table->close();
    auto* endless = new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(inf, 5, 0));
    ASSERT_EQ(model->appendAcDbEntity(endless), Acad::eOk);
    endless->close();
    model->close();
    acDocManager->unlockDocument(host.Document());
    Mark();
    EXPECT_EQ(Run("QSAVE"), CommandOutcome::kFailed);
    EXPECT_EQ(Printed().find("Saved"), std::string::npos) << Printed();
    EXPECT_NE(Printed().find("Cannot save"), std::string::npos) << Printed();
    EXPECT_EQ(e2e::ReadFile(drawing), saved);
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        files +=
            entry.path().extension() == ".dxf" || entry.path().string().find(".tmp") != std::string::npos;
    }
    EXPECT_EQ(files, 1u);  // no temporary file left beside it

    ASSERT_EQ(Run("CLOSE"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("OPEN", {drawing}), CommandOutcome::kEnded) << Console();
    EXPECT_EQ(Entities().size(), 2u);  // the line and the capture: the whole view went before the first save
}

// The associated point: picked in the drawing, then in the map; sent with simplified parameters when the
// drawing point looks like plane coordinates, again without them when the map refuses them; a missing map
// point adopts the map's coordinate system instead.
TEST_F(CaptureE2eTest, AnAssociatedPointIsPickedOnBothSidesAndSent) {
    mapsim::MapSim& map = host.MapSim();
    map.SetPickedPoint(30.5, 114.25);
    map.SetAssocAnswer(0, -1);
    ASSERT_EQ(Run("TOOLBAR 关联点"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("DIALOG 设置关联点 click 8105", {"39500000,4000000"}), CommandOutcome::kEnded);
    host.Wait(100);  // the map point comes from the pump and shows the dialog again
    Mark();
    ASSERT_EQ(Run("DIALOG 设置关联点"), CommandOutcome::kEnded);
    const std::string shown = Console();
    EXPECT_NE(shown.find("114.250000"), std::string::npos) << shown;
    EXPECT_NE(shown.find("39500000.000000"), std::string::npos) << shown;
    // A message too short for a point changes nothing.
    map.SendRaw(20001, mapsim::Bytes(8, 0));
    ASSERT_EQ(Run("DIALOG 设置关联点 click 8106"), CommandOutcome::kEnded);
    host.Wait(100);
    const auto sent = map.RequestsOf(20201);
    ASSERT_EQ(sent.size(), 2u) << Console();
    EXPECT_EQ(map.AssocKind(), 3u);  // the simplified parameters refused: the same pair again without them
    ASSERT_EQ(map.AssocPoints().size(), 1u);
    EXPECT_EQ(map.AssocPoints()[0].longitude, 114.25);
    EXPECT_EQ(map.AssocPoints()[0].latitude, 30.5);
    EXPECT_EQ(map.AssocPoints()[0].x, 39500000.0);
    EXPECT_EQ(map.AssocPoints()[0].y, 4000000.0);
    EXPECT_FALSE(map.RequestsOf(20202).empty());  // the accepted pair's coordinate setting is kept
    EXPECT_EQ(Run("DIALOG 设置关联点"), CommandOutcome::kFailed);  // finished: closed

    // Without a map point: nothing sent, the coordinate system adopted.
    map.ClearRecords();
    ASSERT_EQ(Run("TOOLBAR 关联点"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("DIALOG 设置关联点 set 8112 500000"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("DIALOG 设置关联点 click 8106"), CommandOutcome::kEnded);
    EXPECT_TRUE(map.RequestsOf(20201).empty());
    EXPECT_FALSE(map.RequestsOf(20202).empty());

    // Shown again while it exists: the same dialog, its edits kept.
    ASSERT_EQ(Run("TOOLBAR 关联点"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("DIALOG 设置关联点 set 8112 123.5"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("TOOLBAR 关联点"), CommandOutcome::kEnded);
    Mark();
    const size_t before = Console().size();
    ASSERT_EQ(Run("DIALOG 设置关联点"), CommandOutcome::kEnded);
    EXPECT_NE(Console().substr(before).find("123.5"), std::string::npos) << Console().substr(before);
}

// The dialog's other buttons: clearing empties the four numbers; the map application is brought forward,
// or missed with a word; the current coordinate system is refused for longitude/latitude, missed without
// the map application, and otherwise adopted for the drawing, which closes the dialog. The dialog keeps the
// host's focus.
TEST_F(CaptureE2eTest, TheAssociatedPointDialogClearsBringsTheMapForwardAndAdoptsItsSystem) {
    mapsim::MapSim& map = host.MapSim();
    ASSERT_EQ(Run("TOOLBAR 关联点"), CommandOutcome::kEnded);
    const HWND dialog = SetCoorWindow();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(SendMessageW(dialog, WM_ACAD_KEEPFOCUS, 0, 0), TRUE);
    for (const char* line : {"set 8112 39500000", "set 8111 4000000", "set 8320 114.25", "set 8114 30.5"}) {
        ASSERT_EQ(Run(std::string("DIALOG 设置关联点 ") + line), CommandOutcome::kEnded);
    }
    EXPECT_EQ(TextOf(dialog, 8320), u"114.25");
    ASSERT_EQ(Run("DIALOG 设置关联点 click 8322"), CommandOutcome::kEnded);
    for (int id : {8112, 8111, 8320, 8114}) {
        EXPECT_EQ(TextOf(dialog, id), u"") << id;
    }

    const HWND mapWindow = FindWindowW(u"tarnWin", nullptr);
    ASSERT_NE(mapWindow, nullptr);
    ShowWindow(mapWindow, SW_MINIMIZE);
    BringWindowToTop(dialog);
    ASSERT_EQ(Run("DIALOG 设置关联点 click 8346"), CommandOutcome::kEnded);
    EXPECT_EQ(platform::TopWindow(), mapWindow);
    EXPECT_FALSE(platform::IsTopmost(mapWindow));
    EXPECT_FALSE(IsIconic(mapWindow));
    EXPECT_TRUE(IsWindowVisible(mapWindow));

    // Longitude/latitude, learnt as the toolbar opens the dialog again: refused, the dialog stays.
    std::array<uint8_t, 16> digest{};
    digest[0] = 9;
    map.SetCoordState(2, digest, "WGS 84");
    ASSERT_EQ(Run("TOOLBAR 关联点"), CommandOutcome::kEnded);
    map.ClearRecords();
    ASSERT_EQ(Run("DIALOG 设置关联点 click 8345"), CommandOutcome::kEnded);
    EXPECT_NE(Console().find("当前系统坐标系为经纬度！请设置平面坐标系！"), std::string::npos) << Console();
    EXPECT_TRUE(map.RequestsOf(20202).empty());
    EXPECT_EQ(SetCoorWindow(), dialog);

    digest[0] = 7;
    map.SetCoordState(4, digest, "CGCS2000 plane");
    ASSERT_EQ(Run("TOOLBAR 关联点"), CommandOutcome::kEnded);
    map.Stop();
    const int missed = e2e::Count(Console(), "Zavrel程序没有打开！");
    ASSERT_EQ(Run("DIALOG 设置关联点 click 8345"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("DIALOG 设置关联点 click 8346"), CommandOutcome::kEnded);
    EXPECT_EQ(e2e::Count(Console(), "Zavrel程序没有打开！"), missed + 2) << Console();
    EXPECT_EQ(SetCoorWindow(), dialog);
    ASSERT_TRUE(map.Start());

    const std::string settings = host.Options().localAppDataFolder + "/TarnArx_setting.ini";
    EXPECT_EQ(tarntest::ReadFile(settings).find("FILE_MD5"), std::string::npos);
    ASSERT_EQ(Run("DIALOG 设置关联点 click 8345"), CommandOutcome::kEnded);
    EXPECT_FALSE(map.RequestsOf(20202).empty());
    EXPECT_EQ(SetCoorWindow(), nullptr);  // closed
    EXPECT_NE(tarntest::ReadFile(settings).find("FILE_MD5"), std::string::npos)
        << tarntest::ReadFile(settings);
}

}  // namespace

namespace {

// The mode of each 20302 request's first record: 1 normally, 0 once the capture's progress stalled.
std::vector<uint32_t> CaptureModes(const mapsim::MapSim& map) {
    std::vector<uint32_t> modes;
    for (const mapsim::Request& r : map.RequestsOf(20302)) {
        modes.push_back(mapsim::MapFileRecord::Read(r.payload.data() + 16, mapsim::kMapFileRecordSize).mode);
    }
    return modes;
}

// A capture the map application lost (its send returned 0 and no answer came) blocks the drawing's captures
// for two minutes on the clock, then no more.
TEST_F(CaptureE2eTest, ACaptureWithoutAnAnswerForTwoMinutesBlocksNoLaterCapture) {
    mapsim::MapSim& map = host.MapSim();
    map.FailCode(20302, 0, 1);
    ASSERT_EQ(Run("TOOLBAR 下载", {"select 8144 11", "click 1", "0,0", "400,200"}), CommandOutcome::kEnded);
    Settle();
    ASSERT_EQ(map.RequestsOf(20302).size(), 1u);
    Mark();
    ASSERT_EQ(Run("TOOLBAR 下载"), CommandOutcome::kEnded);
    EXPECT_NE(Printed().find("当前正在取图中！"), std::string::npos) << Printed();
    for (int i = 0; i < 120; ++i) {
        host.Wait(1000);
    }
    Mark();
    ASSERT_EQ(Run("TOOLBAR 下载", {"select 8144 11", "click 1", "0,0", "400,200"}), CommandOutcome::kEnded);
    Settle();
    EXPECT_EQ(Printed().find("当前正在取图中"), std::string::npos) << Printed();
    EXPECT_EQ(map.RequestsOf(20302).size(), 2u);
    std::string errors;
    EXPECT_EQ(Pictures(errors).size(), 1u);
    EXPECT_EQ(errors, "");
}

// A capture whose map application went away (closed, then started again) is never answered: the next
// capture starts at once, without the two minutes a map application that is there but silent gets.
TEST_F(CaptureE2eTest, ACaptureLostWithItsMapApplicationBlocksNoNextCapture) {
    mapsim::MapSim& map = host.MapSim();
    map.FailCode(20302, 0, 1);  // taken, never answered
    ASSERT_EQ(Run("TOOLBAR 下载", {"select 8144 11", "click 1", "0,0", "400,200"}), CommandOutcome::kEnded);
    Settle();
    ASSERT_EQ(map.RequestsOf(20302).size(), 1u);
    map.Stop();
    ASSERT_TRUE(map.Start());
    map.ClearRecords();
    Mark();
    ASSERT_EQ(Run("TOOLBAR 下载", {"select 8144 11", "click 1", "0,0", "400,200"}), CommandOutcome::kEnded);
    Settle();
    EXPECT_EQ(Printed().find("当前正在取图中"), std::string::npos) << Printed();
    EXPECT_EQ(map.RequestsOf(20302).size(), 1u);
    std::string errors;
    EXPECT_EQ(Pictures(errors).size(), 1u) << Console();
    EXPECT_EQ(errors, "");
}

// A capture's answers reach the drawing that asked, also after another drawing became current; it is not
// asked again beyond its not-ready answer's one new try.
TEST_F(CaptureE2eTest, ACapturesPictureGoesToTheDrawingThatAskedForIt) {
    mapsim::MapSim& map = host.MapSim();
    map.SetMapFilesNotReady(1);
    ASSERT_EQ(Run("TOOLBAR 下载", {"select 8144 11", "click 1", "0,0", "400,200"}), CommandOutcome::kEnded);
    host.Wait(100);  // not ready: asked again in three seconds
    ASSERT_EQ(map.RequestsOf(20302).size(), 1u);
    ASSERT_EQ(Run("NEW"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("SAVEAS", {dir + "/other.dxf"}), CommandOutcome::kEnded);
    Settle();
    EXPECT_EQ(map.RequestsOf(20302).size(), 2u);
    std::string errors;
    EXPECT_TRUE(Pictures(errors).empty());  // the current drawing never asked
    std::string error;
    ASSERT_NE(host.OpenDrawing(drawing, &error), nullptr) << error;
    const std::vector<Picture> pictures = Pictures(errors);
    ASSERT_EQ(pictures.size(), 1u) << Console();
    EXPECT_EQ(errors, "");
    EXPECT_EQ(std::filesystem::path(pictures[0].file).parent_path(), std::filesystem::path(dir + "/site"));
    EXPECT_EQ(map.RequestsOf(20302).size(), 2u);
}

// A stall of one capture's progress (the same count twice) asks it again in mode 0; the next capture starts
// afresh in mode 1.
TEST_F(CaptureE2eTest, AStalledCaptureAsksInModeZeroAndTheNextCaptureStartsAfresh) {
    mapsim::MapSim& map = host.MapSim();
    // 150 not-ready answers count done as given * 100 / 151: 0, 0, 1, 1 - the fourth equals the third.
    map.SetMapFilesNotReady(150);
    ASSERT_EQ(Run("TOOLBAR 下载", {"select 8144 11", "click 1", "0,0", "400,200"}), CommandOutcome::kEnded);
    for (int i = 0; i < 20 && map.RequestsOf(20302).size() < 5; ++i) {
        host.Wait(1000);
    }
    EXPECT_EQ(CaptureModes(map), (std::vector<uint32_t>{1, 1, 1, 1, 0}));
    map.SetMapFilesNotReady(0);
    Settle();
    std::string errors;
    ASSERT_EQ(Pictures(errors).size(), 1u) << Console();
    map.ClearRecords();
    ASSERT_EQ(Run("TOOLBAR 下载", {"select 8144 11", "click 1", "0,400", "400,600"}), CommandOutcome::kEnded);
    Settle();
    EXPECT_EQ(CaptureModes(map), (std::vector<uint32_t>{1}));
    EXPECT_EQ(Pictures(errors).size(), 2u);
}

}  // namespace
