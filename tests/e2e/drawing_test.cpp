// Drawings through the host's commands: a script that draws, saves, reopens and lists; editing and undo;
// saves that cannot write; damaged files.
#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "../exchange/link_fixture.h"
#include "host_fixture.h"

namespace {

using e2e::Count;
using e2e::HostTest;
using platform::CommandOutcome;

std::vector<std::string> EntityLines(const std::string& dump) {
    std::vector<std::string> lines;
    std::istringstream in(dump);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("  h:", 0) == 0) {
            lines.push_back(line);
        }
    }
    return lines;
}

TEST_F(HostTest, ScriptDrawsSavesReopensAndListsTheSameDrawing) {
    const std::string drawing = dir + "/site.dxf";
    e2e::WriteFile(dir + "/draw.tarn",
                   "# layers first\n"
                   "-LAYER\nMake\nRoads\nColor\n1\nRoads\n\n"
                   "LINE 0,0 10,0 10,5\n\n"
                   "-LAYER\nNew\nWater,Text\nSet\nWater\n\n"
                   "CIRCLE\n5,5\n2\n"
                   "ARC 0,0 1,1 2,0\n"
                   "PLINE 0,0 4,0 4,4 C\n"
                   "   # an indented comment\n"
                   "TEXT\n1,1\n\n30\nHello world, 你好\n"
                   "POINT 7,7,1\n"
                   "SAVEAS\n" +
                       drawing +
                       "\n"
                       "DUMP\n");
    tarnhost::ScriptSource script;
    ASSERT_TRUE(script.Open(dir + "/draw.tarn", nullptr));
    std::string error;
    ASSERT_TRUE(host.RunLines(script, true, &error)) << error << "\n" << platform::CommandLineUtf8();
    const std::vector<std::string> before = EntityLines(Printed());
    ASSERT_EQ(before.size(), 7u) << Printed();
    EXPECT_NE(before[0].find("layer \"Roads\" LINE from (0,0,0) to (10,0,0)"), std::string::npos);
    EXPECT_NE(before[2].find("layer \"Water\" CIRCLE center (5,5,0) radius 2"), std::string::npos);
    EXPECT_NE(before[3].find("ARC center (1,0,0) radius 1 from 0 to 180 degrees"), std::string::npos);
    EXPECT_NE(before[4].find("LWPOLYLINE closed, (0,0) (4,0) (4,4)"), std::string::npos);
    EXPECT_NE(before[5].find("height 2.5 rotation 30 \"Hello world, 你好\""), std::string::npos);
    EXPECT_NE(before[6].find("POINT at (7,7,1)"), std::string::npos);
    EXPECT_NE(Printed().find("layer \"Roads\" color 1"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(drawing));
    EXPECT_EQ(platform::Utf16ToUtf8(host.FileNameOf(host.Document())),
              platform::Utf16ToUtf8(platform::ToWindowsPath(drawing)));

    // Close it, open it again: the same entities under the same handles, the same layers.
    Mark();
    EXPECT_EQ(Run("CLOSE"), CommandOutcome::kEnded);
    EXPECT_EQ(host.Document(), nullptr);
    EXPECT_EQ(Run("OPEN", {drawing}), CommandOutcome::kEnded);
    ASSERT_NE(host.Document(), nullptr);
    Mark();
    EXPECT_EQ(Run("DUMP"), CommandOutcome::kEnded);
    EXPECT_EQ(EntityLines(Printed()), before);
    EXPECT_NE(Printed().find("layer \"Water\" color 7 current"), std::string::npos) << Printed();

    // Opening it once more activates the open document instead of reading it twice; QSAVE writes it back.
    AcApDocument* doc = host.Document();
    EXPECT_EQ(Run("NEW"), CommandOutcome::kEnded);
    EXPECT_NE(host.Document(), doc);
    EXPECT_EQ(Run("OPEN", {drawing}), CommandOutcome::kEnded);
    EXPECT_EQ(host.Document(), doc);
    EXPECT_EQ(acDocManager->documentCount(), 2);
    EXPECT_EQ(Run("ERASE last"), CommandOutcome::kEnded);
    EXPECT_EQ(Run("QSAVE"), CommandOutcome::kEnded);
    EXPECT_EQ(Count(e2e::ReadFile(drawing), "\nPOINT\n"), 0);
    EXPECT_EQ(Count(e2e::ReadFile(drawing), "\nCIRCLE\n"), 1);

    // A script stops at its first failing command and names the line.
    e2e::WriteFile(dir + "/bad.tarn", "LINE 0,0 1,1\n\nNOSUCH\nCIRCLE 0,0 1\n");
    tarnhost::ScriptSource bad;
    ASSERT_TRUE(bad.Open(dir + "/bad.tarn", nullptr));
    const size_t count = Entities().size();
    EXPECT_FALSE(host.RunLines(bad, true, &error));
    EXPECT_NE(error.find("line 3"), std::string::npos) << error;
    EXPECT_EQ(Entities().size(), count + 1);

    // QUIT in a script ends it and stops the host.
    e2e::WriteFile(dir + "/quit.tarn", "QUIT\nCIRCLE 0,0 1\n");
    tarnhost::ScriptSource quit;
    ASSERT_TRUE(quit.Open(dir + "/quit.tarn", nullptr));
    EXPECT_TRUE(host.RunLines(quit, true, &error));
    EXPECT_FALSE(host.Started());
    EXPECT_EQ(acDocManager->documentCount(), 0);
}

// A drawing made here, saved, reopened and saved again gives the same file byte for byte, and so does the
// file saved from that.
TEST_F(HostTest, ADrawingSavedAndReopenedSavesToTheSameFile) {
    ASSERT_EQ(Run("LINE 0,0 5,5", {""}), CommandOutcome::kEnded);
    ASSERT_EQ(Run("PLINE 0,0 3,0 3,3", {""}), CommandOutcome::kEnded);
    ASSERT_EQ(Run("TEXT 0,0 2.5 0 hello"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("BLOCK B1 0,0 last"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("-INSERT B1 10,10 1 0"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("MLINE 0,0 4,4", {""}), CommandOutcome::kEnded);
    std::vector<std::string> files;
    for (int i = 0; i < 3; ++i) {
        files.push_back(dir + "/saved" + std::to_string(i) + ".dxf");
        ASSERT_EQ(Run("SAVEAS", {files.back()}), CommandOutcome::kEnded);
        ASSERT_EQ(Run("CLOSE"), CommandOutcome::kEnded);
        ASSERT_EQ(Run("OPEN", {files.back()}), CommandOutcome::kEnded);
    }
    EXPECT_EQ(Count(e2e::ReadFile(files[0]), "\nBLOCK\n"), 3);
    EXPECT_TRUE(e2e::ReadFile(files[0]) == e2e::ReadFile(files[1]));
    EXPECT_TRUE(e2e::ReadFile(files[1]) == e2e::ReadFile(files[2]));
}

// An editor reactor that keeps the command notifications.
struct CommandLog : AcEditorReactor {
    std::vector<std::string> log;
    void commandWillStart(const ACHAR* name) override {
        log.push_back("start " + platform::Utf16ToUtf8(name));
    }
    void commandEnded(const ACHAR* name) override { log.push_back("ended " + platform::Utf16ToUtf8(name)); }
    void commandCancelled(const ACHAR* name) override {
        log.push_back("cancelled " + platform::Utf16ToUtf8(name));
    }
    void commandFailed(const ACHAR* name) override { log.push_back("failed " + platform::Utf16ToUtf8(name)); }
};

TEST_F(HostTest, EditingCommandsChangeTheDrawingInUndoableGroups) {
    CommandLog log;
    acedEditor->addReactor(&log);
    AcDbDatabase* db = host.Drawing();
    EXPECT_EQ(Run("LINE 0,0 10,0", {""}), CommandOutcome::kEnded);
    EXPECT_EQ(Run("CIRCLE", {"5,5", "1"}), CommandOutcome::kEnded);
    ASSERT_EQ(Entities().size(), 2u);
    const AcDbObjectId line = Entities()[0];
    const AcDbObjectId circle = Entities()[1];
    EXPECT_EQ(log.log,
              (std::vector<std::string>{"start LINE", "ended LINE", "start CIRCLE", "ended CIRCLE"}));
    EXPECT_EQ(platform::UndoGroupCount(db), 2);

    // MOVE and ROTATE by handle; a pick-first selection made by SELECT is used (and used up) by ERASE.
    ACHAR handle[32];
    line.handle().getIntoAsciiBuffer(handle, 32);
    const std::string lineHandle = "h:" + platform::Utf16ToUtf8(handle);
    EXPECT_EQ(Run("MOVE " + lineHandle + " 0,0 1,2"), CommandOutcome::kEnded);
    EXPECT_NE(Describe(line).find("from (1,2,0) to (11,2,0)"), std::string::npos) << Describe(line);
    EXPECT_EQ(Run("ROTATE", {lineHandle, "1,2", "90"}), CommandOutcome::kEnded);
    EXPECT_NE(Describe(line).find("from (1,2,0) to (1,12,0)"), std::string::npos) << Describe(line);
    EXPECT_EQ(Run("SELECT all"), CommandOutcome::kEnded);
    EXPECT_EQ(platform::PickFirst().size(), 2u);
    EXPECT_EQ(Run("ERASE"), CommandOutcome::kEnded);
    EXPECT_TRUE(Entities().empty());
    EXPECT_TRUE(platform::PickFirst().empty());

    // U brings the erase back; UNDO 3 takes back SELECT (a group of its own), the rotation and the move; REDO
    // redoes the move.
    EXPECT_EQ(Run("U"), CommandOutcome::kEnded);
    EXPECT_EQ(Entities().size(), 2u);
    EXPECT_EQ(Run("UNDO 3"), CommandOutcome::kEnded);
    EXPECT_NE(Describe(line).find("from (0,0,0) to (10,0,0)"), std::string::npos) << Describe(line);
    EXPECT_EQ(Run("REDO"), CommandOutcome::kEnded);
    EXPECT_NE(Describe(line).find("from (1,2,0) to (11,2,0)"), std::string::npos) << Describe(line);

    // Esc cancels; a bad selection word selects nothing and fails the command; entities on a locked layer
    // stay put.
    log.log.clear();
    EXPECT_EQ(Run("CIRCLE", {"^C"}), CommandOutcome::kCancelled);
    EXPECT_EQ(log.log, (std::vector<std::string>{"start CIRCLE", "cancelled CIRCLE"}));
    Mark();
    EXPECT_EQ(Run("ERASE h:FFFFFF"), CommandOutcome::kFailed);
    EXPECT_NE(Printed().find("*Invalid selection*: h:FFFFFF"), std::string::npos) << Printed();
    EXPECT_EQ(Entities().size(), 2u);
    EXPECT_EQ(Run("-LAYER LOck 0", {""}), CommandOutcome::kEnded);
    Mark();
    EXPECT_EQ(Run("MOVE all 0,0 5,5"), CommandOutcome::kEnded);
    EXPECT_NE(Printed().find("2 were on a locked layer."), std::string::npos) << Printed();
    EXPECT_NE(Describe(circle).find("center (5,5,0)"), std::string::npos);
    EXPECT_EQ(Run("-LAYER Unlock *", {""}), CommandOutcome::kEnded);
    EXPECT_EQ(Run("MOVE all 0,0 5,5"), CommandOutcome::kEnded);
    EXPECT_NE(Describe(circle).find("center (10,10,0)"), std::string::npos);

    // ZOOM Extents frames the drawing: (6,7)-(16,11), 10 wide on a 16:9 screen.
    EXPECT_EQ(Run("ZOOM E"), CommandOutcome::kEnded);
    resbuf size{}, center{};
    ASSERT_EQ(acedGetVar(u"VIEWSIZE", &size), RTNORM);
    ASSERT_EQ(acedGetVar(u"VIEWCTR", &center), RTNORM);
    EXPECT_NEAR(size.resval.rreal, 10.0 * 900.0 / 1600.0, 1e-9);
    EXPECT_NEAR(center.resval.rpoint[0], 11.0, 1e-9);
    EXPECT_NEAR(center.resval.rpoint[1], 9.0, 1e-9);
    EXPECT_EQ(Run("ZOOM", {"0,0", "4,2"}), CommandOutcome::kEnded);
    ASSERT_EQ(acedGetVar(u"VIEWSIZE", &size), RTNORM);
    EXPECT_NEAR(size.resval.rreal, 2.25, 1e-9);
    EXPECT_EQ(Run("NOSUCH"), CommandOutcome::kUnknown);
    acedEditor->removeReactor(&log);
}

// A copy of a reference holds attributes of its own: moving or undoing the copy leaves the original's where
// they were.
TEST_F(HostTest, ACopiedReferenceHoldsAttributesOfItsOwn) {
    ASSERT_EQ(Run("CIRCLE", {"0,0", "1"}), CommandOutcome::kEnded);
    ASSERT_EQ(Run("BLOCK", {"M", "0,0", "all"}), CommandOutcome::kEnded);
    ASSERT_EQ(Run("-INSERT", {"M", "0,0", "", ""}), CommandOutcome::kEnded);
    const AcDbObjectId original = Entities().back();
    {
        linktest::DocLock lock(host.Document());
        AcDbBlockReference* ref = nullptr;
        ASSERT_EQ(acdbOpenObject(ref, original, AcDb::kForWrite), Acad::eOk);
        auto* attribute = new AcDbAttribute(AcGePoint3d(0, 1, 0), u"A-1", u"NO");
        ASSERT_EQ(ref->appendAttribute(attribute), Acad::eOk);
        attribute->close();
        ref->close();
    }
    // The reference's attributes: id and place.
    auto attributes = [](AcDbObjectId id) {
        std::vector<std::pair<AcDbObjectId, AcGePoint3d>> found;
        AcDbBlockReference* ref = nullptr;
        EXPECT_EQ(acdbOpenObject(ref, id, AcDb::kForRead), Acad::eOk);
        for (AcDbObjectId attributeId :
             ref != nullptr ? ref->tarnAttributeIds() : std::vector<AcDbObjectId>{}) {
            AcDbAttribute* attribute = nullptr;
            EXPECT_EQ(acdbOpenObject(attribute, attributeId, AcDb::kForRead), Acad::eOk);
            if (attribute != nullptr) {
                found.emplace_back(attributeId, attribute->position());
                attribute->close();
            }
        }
        if (ref != nullptr) {
            ref->close();
        }
        return found;
    };
    const auto before = attributes(original);
    ASSERT_EQ(before.size(), 1u);

    ASSERT_EQ(Run("COPY", {"all", "0,0", "100,0"}), CommandOutcome::kEnded);
    ASSERT_EQ(Run("MOVE", {"last", "0,0", "0,50"}), CommandOutcome::kEnded);
    const auto copied = attributes(Entities().back());
    ASSERT_EQ(copied.size(), 1u);
    EXPECT_NE(copied[0].first, before[0].first);
    EXPECT_EQ(copied[0].second, AcGePoint3d(100, 51, 0));
    EXPECT_EQ(attributes(original), before);

    ASSERT_EQ(Run("UNDO 2"), CommandOutcome::kEnded);
    EXPECT_EQ(Entities().size(), 1u);
    EXPECT_EQ(attributes(original), before);
}

TEST_F(HostTest, ASaveThatCannotWriteLeavesTheOldFileAndTheNameAsTheyWere) {
    const std::string drawing = dir + "/keep.dxf";
    ASSERT_EQ(Run("LINE 0,0 1,1", {""}), CommandOutcome::kEnded);
    ASSERT_EQ(Run("SAVEAS", {drawing}), CommandOutcome::kEnded);
    // The document itself takes the new name, so a loaded module sees it too.
    EXPECT_EQ(platform::Utf16ToUtf8(host.Document()->fileName()),
              platform::Utf16ToUtf8(platform::ToWindowsPath(drawing)));
    EXPECT_EQ(platform::Utf16ToUtf8(host.Document()->docTitle()), "keep.dxf");
    const std::string saved = e2e::ReadFile(drawing);
    ASSERT_FALSE(saved.empty());
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(Run("CIRCLE " + std::to_string(i) + ",0 1"), CommandOutcome::kEnded);
    }

    // Files may not grow past 1000 bytes for a moment: the write of the new drawing fails half-way.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    Mark();
    const CommandOutcome qsave = Run("QSAVE");
    const CommandOutcome saveAs = Run("SAVEAS", {dir + "/other"});
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(qsave, CommandOutcome::kFailed);
    EXPECT_EQ(saveAs, CommandOutcome::kFailed);
    EXPECT_NE(Printed().find("Cannot save"), std::string::npos) << Printed();
    EXPECT_EQ(Printed().find(dir), std::string::npos) << "a second form of the path: " << Printed();
    EXPECT_EQ(e2e::ReadFile(drawing), saved);
    EXPECT_FALSE(std::filesystem::exists(dir + "/other.dxf"));
    EXPECT_EQ(platform::Utf16ToUtf8(host.FileNameOf(host.Document())),
              platform::Utf16ToUtf8(platform::ToWindowsPath(drawing)));
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        EXPECT_EQ(entry.path().filename().string().find(".keep.dxf."), std::string::npos)
            << "temporary file left";
    }

    // A name that is no file of this machine is refused before anything is written.
    EXPECT_EQ(Run("SAVEAS", {"D:\\elsewhere\\x.dxf"}), CommandOutcome::kFailed);

    // The save command has started before the file is written: its reactors may still change the drawing.
    struct AtStart : AcEditorReactor {
        std::string path, seen;
        void commandWillStart(const ACHAR* name) override {
            if (std::u16string(name) == u"QSAVE") {
                seen = e2e::ReadFile(path);
            }
        }
    } atStart;
    atStart.path = drawing;
    acedEditor->addReactor(&atStart);
    EXPECT_EQ(Run("QSAVE"), CommandOutcome::kEnded);
    acedEditor->removeReactor(&atStart);
    EXPECT_EQ(atStart.seen, saved);
    EXPECT_EQ(Count(e2e::ReadFile(drawing), "\nCIRCLE\n"), 20);
}

TEST_F(HostTest, ADamagedOrMissingDrawingGivesAClearErrorAndNoDocument) {
    const std::string good = dir + "/good.dxf";
    ASSERT_EQ(Run("LINE 0,0 1,1", {""}), CommandOutcome::kEnded);
    ASSERT_EQ(Run("SAVEAS", {good}), CommandOutcome::kEnded);
    std::string text = e2e::ReadFile(good);
    const size_t at = text.find("\nLINE\n");
    ASSERT_NE(at, std::string::npos);
    const size_t x = text.find("\n 10\n", at);
    ASSERT_NE(x, std::string::npos) << text.substr(at, 200);
    text.replace(x + 5, text.find('\n', x + 5) - (x + 5), "ten");
    const std::string damaged = dir + "/damaged.dxf";
    e2e::WriteFile(damaged, text);
    e2e::WriteFile(dir + "/notes.dxf", "these are not the drawings you are looking for\n");

    const int documents = acDocManager->documentCount();
    Mark();
    EXPECT_EQ(Run("OPEN", {damaged}), CommandOutcome::kFailed);
    EXPECT_NE(Printed().find("Cannot open " + platform::Utf16ToUtf8(platform::ToWindowsPath(damaged)) +
                             ": the drawing is damaged: line "),
              std::string::npos)
        << Printed();
    EXPECT_NE(Printed().find("ten"), std::string::npos) << Printed();
    Mark();
    EXPECT_EQ(Run("OPEN", {dir + "/notes.dxf"}), CommandOutcome::kFailed);
    EXPECT_NE(Printed().find("Cannot open"), std::string::npos) << Printed();
    Mark();
    EXPECT_EQ(Run("OPEN", {dir + "/missing.dxf"}), CommandOutcome::kFailed);
    EXPECT_NE(Printed().find("the file does not exist"), std::string::npos) << Printed();
    EXPECT_EQ(acDocManager->documentCount(), documents);
    std::string error;
    EXPECT_EQ(host.OpenDrawing(damaged, &error), nullptr);
    EXPECT_NE(error.find("line "), std::string::npos);
}

}  // namespace
