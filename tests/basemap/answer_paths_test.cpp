// Paths in the map application's answers: only files the plug-in asked for are taken, and nothing outside
// the plug-in's own files is ever opened, inserted or deleted.
#include <unistd.h>
#include <sys/wait.h>

#include <fstream>

#include "app/frame_fixture.h"
#include "support/testfiles.h"
#include "platform/arx/acdb/dbsortents.h"
#include "platform/win32/core/unicode.h"
#include "plugin/basemap/BaseMapLayer.h"
#include "plugin/basemap/CaptureMapSetting.h"
#include "plugin/core/HostEnv.h"
#include "mapsim/png.h"
#include "plugin/exchange/Reactors.h"

namespace {

using frametest::Bytes;
using frametest::FrameTest;
using frametest::Put;
using frametest::Zeros;

class AnswerPathsTest : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        Load();
        g_Settings.m_bOnlineMap = 1;
        cache = dir + "/cache";
        std::filesystem::create_directories(cache + "/1/15");
        BaseMapAccess::Grid(BaseMap()).m_strCacheFolder = Win(cache);
        BaseMapAccess::Grid(BaseMap()).m_nLevel = 15;
        BaseMapAccess::Grid(BaseMap()).m_nMapId = 1;
        BaseMapAccess::SetTilePixels(BaseMap(), 256);
        BaseMapAccess::SetDrawing(BaseMap(), doc->database());
        BaseMapAccess::HoldViewAtLevel(BaseMap(), 15);  // the written tiles are of the view's level
    }
    void TearDown() override {
        g_Settings.m_bOnlineMap = 0;
        FrameTest::TearDown();
    }

    static CString Win(const std::string& hostPath) {
        return CString(platform::ToWindowsPath(hostPath).c_str());
    }

    // A written-tile answer under the id, naming the text as its path.
    static Bytes Written(uint64_t id, const std::string& pathText) {
        Bytes answer = Zeros(472);
        Put(answer, 0, id);
        Put(answer, 20, int32_t{1});
        std::memcpy(answer.data() + 24, pathText.data(), std::min<size_t>(pathText.size(), 259));
        answer[280] = 1;
        Put(answer, 340, DWORD{15});
        Put(answer, 344, DWORD{1});
        Put(answer, 348, DWORD{256});
        Put(answer, 352, DWORD{256});
        return answer;
    }

    // Tile pictures in the drawing: each has its own definition, which goes with its image.
    int Definitions() {
        AcDbDictionary* dict = nullptr;
        if (acdbOpenObject(dict, AcDbRasterImageDef::imageDictionary(doc->database()), AcDb::kForRead) !=
            Acad::eOk) {
            return 0;
        }
        const int count = static_cast<int>(dict->numEntries());
        dict->close();
        return count;
    }

    std::string cache;
};

TEST_F(AnswerPathsTest, OnlyTheFileAskedForUnderItsIdIsTaken) {
    const std::string tile = cache + "/1/15/3_4.png";
    std::ofstream(tile) << "png";
    const CString asked = Win(tile);
    const uint64_t id = StringKey63(asked);
    BaseMapAccess::AskedFiles(BaseMap())[id] = asked;
    const std::string victim = dir + "/victim.txt";
    std::ofstream(victim) << "mine";
    const std::string utf8Cache = platform::Utf16ToUtf8(platform::ToWindowsPath(cache));
    g_pEditorReactor->m_bInCommand = 1;  // held, not inserted: only what is taken is looked at

    // The asked id with a path that climbs out of the cache, or lies elsewhere: ignored, nothing touched.
    for (const std::string& text :
         {utf8Cache + "\\..\\victim.txt", utf8Cache + "\\1\\15\\..\\..\\..\\victim.txt",
          platform::Utf16ToUtf8(platform::ToWindowsPath(victim)), std::string("D:\\1\\15\\3_4.png"),
          std::string("\\\\server\\share\\3_4.png"), utf8Cache + "\\1\\15\\3_4.png\x01",
          utf8Cache + "\\" + std::string(240, 'a') + ".png"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(Send(20302, Written(id, text)), 0);
        EXPECT_TRUE(BaseMapAccess::KnownFiles(BaseMap()).empty());
        EXPECT_TRUE(BaseMapAccess::PendingImages(BaseMap()).empty());
    }
    // A file of its own id that was never asked for, outside the cache or inside it: ignored.
    EXPECT_EQ(Send(20302,
                   Written(StringKey63(Win(victim)), platform::Utf16ToUtf8(platform::ToWindowsPath(victim)))),
              0);
    EXPECT_TRUE(BaseMapAccess::KnownFiles(BaseMap()).empty());
    // The asked file however spelled ("." and "..", "/" and letter case) is taken, under the plug-in's path.
    EXPECT_EQ(Send(20302, Written(id, utf8Cache + "/1/./15/../15/3_4.PNG")), 0);
    ASSERT_EQ(BaseMapAccess::KnownFiles(BaseMap()).count(id), 1u);
    ASSERT_EQ(BaseMapAccess::PendingImages(BaseMap()).size(), 1u);
    EXPECT_EQ(BaseMapAccess::PendingImages(BaseMap())[0].m_strPath, asked);
    // Answered, the tile is no longer asked for: a late copy of the answer is not taken again.
    EXPECT_EQ(BaseMapAccess::AskedFiles(BaseMap()).count(id), 0u);
    EXPECT_EQ(Send(20302, Written(id, utf8Cache + "/1/15/3_4.png")), 0);
    EXPECT_EQ(BaseMapAccess::PendingImages(BaseMap()).size(), 1u);
    EXPECT_EQ(tarntest::ReadFile(victim), "mine");
    g_pEditorReactor->m_bInCommand = 0;
    BaseMapAccess::PendingImages(BaseMap()).clear();
}

TEST_F(AnswerPathsTest, AKnownTileThatCannotBeInsertedIsForgottenAndAskedAgain) {
    // A file of the cache that is no picture: forgotten, its file deleted, and asked for again.
    BaseMapAccess::Grid(BaseMap()).m_nHalf[0] = 0;
    BaseMapAccess::Grid(BaseMap()).m_nHalf[1] = 0;
    const std::string own = cache + "/1/15/0_0.png";
    std::ofstream(own) << "no picture";
    const CString ownPath = Win(own);
    const uint64_t ownId = StringKey63(ownPath);
    BaseMapAccess::KnownFiles(BaseMap()).insert(ownId);
    EXPECT_NE(BaseMap().InsertTileImage(
                  CMapImageItem(AcGePoint2d(0, 0), AcGePoint2d(10, 10), ownPath, ownId, 15, false)),
              Acad::eOk);
    EXPECT_EQ(BaseMapAccess::KnownFiles(BaseMap()).count(ownId), 0u);
    EXPECT_FALSE(std::filesystem::exists(own));
    g_nCoordType = 0;
    map.ClearRecords();
    EXPECT_TRUE(BaseMap().CheckTile(0, 0));
    BaseMap().RequestMissingTiles();
    ASSERT_EQ(map.RequestsOf(20302).size(), 1u);
    const mapsim::MapFileRecord asked =
        mapsim::MapFileRecord::Read(map.RequestsOf(20302)[0].payload.data() + 16, 472);
    EXPECT_EQ(asked.path, platform::Utf16ToUtf8(platform::ToWindowsPath(own)));

    // A known file outside the cache (never the plug-in's tile) is forgotten too, but its file stays.
    const std::string stranger = dir + "/photo.png";
    std::ofstream(stranger) << "no picture";
    const CString strangerPath = Win(stranger);
    BaseMapAccess::KnownFiles(BaseMap()).insert(7);
    BaseMap().InsertTileImage(
        CMapImageItem(AcGePoint2d(0, 0), AcGePoint2d(10, 10), strangerPath, 7, 15, false));
    EXPECT_EQ(BaseMapAccess::KnownFiles(BaseMap()).count(7), 0u);
    EXPECT_TRUE(std::filesystem::exists(stranger));
}

TEST_F(AnswerPathsTest, ATileWhoseDrawOrderFailsIsStillTracked) {
    const std::string tile = cache + "/1/15/0_0.png";
    {
        mapsim::PictureMark mark;
        mark.width = mark.height = 16;
        ASSERT_TRUE(mapsim::WritePngFile(tile, mapsim::MakePicture(mark)));
    }
    const CString path = Win(tile);
    platform::FailNextMoveToBottom(Acad::eInvalidInput);
    user.ExpectMessageBox(u"Img MoveToBottom ErrorCode:3");
    BaseMap().InsertTileImage(
        CMapImageItem(AcGePoint2d(0, 0), AcGePoint2d(10, 10), path, StringKey63(path), 15, false));
    // The image is in the drawing: its record stays, its file too, and the purge takes it away.
    EXPECT_TRUE(std::filesystem::exists(tile));
    EXPECT_EQ(Definitions(), 1);
    BaseMap().PurgeImages();
    EXPECT_EQ(Definitions(), 0);
}

TEST(CaptureNames, NamesThatLeadOutOfTheDrawingsFolderAreRefused) {
    for (const char16_t* good : {u"site", u"工地 北区", u"a.b", u"COM10", u"console", u" a"}) {
        EXPECT_TRUE(IsUsableCaptureName(good)) << platform::Utf16ToUtf8(good);
    }
    // The name's length is the path's affair, not the name's.
    EXPECT_TRUE(IsUsableCaptureName(CString(std::u16string(101, u'图').c_str())));
    for (const char16_t* bad : {u"..\\..\\evil", u"../evil", u"a/b",  u"a\\b", u"..",    u".",     u"C:evil",
                                u"a*",           u"a?",      u"a\"b", u"a<b",  u"a>b",   u"a|b",   u"a\tb",
                                u"con",          u"NUL.txt", u"lpt1", u"Com3", u"name.", u"name ", u"   "}) {
        EXPECT_FALSE(IsUsableCaptureName(bad)) << platform::Utf16ToUtf8(bad);
    }
}

TEST_F(AnswerPathsTest, TheCacheStaysWhileAnotherRunningPluginHoldsIt) {
    const std::string root = dir + "/shared";
    const std::string tile = root + "/MapTemp/4611686018427387904/1/15/0_0.png";
    std::filesystem::create_directories(root);
    HoldMapTempFolder(Win(root));
    for (const char* folder :
         {"/4611686018427387904", "/4611686018427387904/1", "/4611686018427387904/1/15"}) {
        MakeCacheFolder(Win(root + "/MapTemp" + folder));  // the plug-in's folders, made its way
    }
    std::ofstream(tile) << "png";
    EXPECT_TRUE(std::filesystem::exists(root + "/MapTemp/TarnArx_" + std::to_string(::getpid()) + ".lock"));
    // Another host's plug-in, running: the unload of this one leaves the cache alone.
    const std::string other = root + "/MapTemp/TarnArx_" + std::to_string(::getppid()) + ".lock";
    std::ofstream(other).close();
    DeleteMapTempFolder(Win(root));
    EXPECT_TRUE(std::filesystem::exists(tile));
    EXPECT_TRUE(std::filesystem::exists(other));
    EXPECT_FALSE(std::filesystem::exists(root + "/MapTemp/TarnArx_" + std::to_string(::getpid()) + ".lock"));
    // A lock left by a process that has ended counts for nothing and goes with the cache.
    std::filesystem::remove(other);
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    std::ofstream(root + "/MapTemp/TarnArx_" + std::to_string(child) + ".lock").close();
    DeleteMapTempFolder(Win(root));
    EXPECT_FALSE(std::filesystem::exists(root + "/MapTemp"));
}

}  // namespace
