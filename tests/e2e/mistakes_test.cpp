// tarnhost used as a newcomer uses it: commands without a drawing, answers that cannot be taken, scripts that
// go wrong, files that other drawings hold, drawings from other programs, names in the map application.
#include <filesystem>

#include "host_fixture.h"
#include "platform/arx/acdb/dbunknown.h"
#include "platform/arx/aced/acedinput.h"

namespace {

using e2e::Count;
using e2e::HostTest;
using platform::CommandOutcome;
namespace fs = std::filesystem;

std::string Windows(const std::string& path) {
    return platform::Utf16ToUtf8(platform::ToWindowsPath(path));
}

// Runs a script file through the host as tarnhost --script does; false with the error when it stopped.
bool RunScript(tarnhost::Host& host, const std::string& path, const std::string& text, std::string* error) {
    e2e::WriteFile(path, text);
    tarnhost::ScriptSource script;
    if (!script.Open(path, error)) {
        return false;
    }
    return host.RunLines(script, true, error);
}

TEST_F(HostTest, CommandsThatNeedADrawingRefuseAtOnceWithoutOne) {
    ASSERT_EQ(Run("CLOSE"), CommandOutcome::kEnded);
    ASSERT_EQ(host.Document(), nullptr);
    for (const char* line : {"-LAYER", "LINE", "CIRCLE", "ERASE", "MOVE", "SELECT", "DUMP", "LIST", "ZOOM",
                             "QSAVE", "SAVEAS", "TEXT", "U", "UNDO", "REDO", "CLOSE"}) {
        platform::ClearTypeAhead();
        const size_t prompts = platform::PromptTranscript().size();
        Mark();
        EXPECT_EQ(Run(line), CommandOutcome::kFailed) << line;
        EXPECT_NE(Printed().find("No drawing is open."), std::string::npos) << line << Printed();
        EXPECT_EQ(platform::PromptTranscript().size(), prompts) << line << ": asked before refusing";
    }
    // In a script the options after the refused command are not taken as commands.
    std::string error;
    EXPECT_FALSE(RunScript(host, dir + "/layer.tarn", "-LAYER Make Roads\nNEW\n", &error));
    EXPECT_NE(error.find("line 1"), std::string::npos) << error;
    EXPECT_EQ(host.Document(), nullptr);
    // What works without a drawing still does.
    EXPECT_EQ(Run("ARX ?"), CommandOutcome::kEnded);
    EXPECT_EQ(Run("NEW"), CommandOutcome::kEnded);
    EXPECT_EQ(Run("-LAYER Make Roads", {""}), CommandOutcome::kEnded);
}

TEST_F(HostTest, OnlyFiniteNumbersAreTakenAndTheRefusedPromptIsAskedAgain) {
    Mark();
    EXPECT_EQ(Run("CIRCLE 0,0", {"nan", "inf", "-inf", "2"}), CommandOutcome::kEnded);
    EXPECT_EQ(Count(Printed(), "Requires numeric value."), 3) << Printed();
    EXPECT_EQ(Count(Printed(), "Specify radius of circle: "), 4);
    EXPECT_EQ(Run("POINT", {"nan,1", "1,inf", "1,2,-inf", "1,2"}), CommandOutcome::kEnded);
    EXPECT_EQ(Count(Printed(), "Invalid point."), 3) << Printed();
    EXPECT_EQ(Run("TEXT 0,0", {"inf", "3", "nan", "45", "label"}), CommandOutcome::kEnded);
    // A rotation by NaN would turn every entity into NaN points, which a save would then keep.
    EXPECT_EQ(Run("ROTATE all 0,0", {"nan", "90"}), CommandOutcome::kEnded);
    EXPECT_EQ(Run("MOVE all", {"inf,0", "0,0", "1,nan", "1,1"}), CommandOutcome::kEnded);
    Mark();
    ASSERT_EQ(Run("DUMP"), CommandOutcome::kEnded);
    EXPECT_EQ(Printed().find("nan"), std::string::npos) << Printed();
    EXPECT_EQ(Printed().find("inf"), std::string::npos) << Printed();
    EXPECT_NE(Printed().find("CIRCLE center (1,1,0) radius 2"), std::string::npos) << Printed();
    EXPECT_NE(Printed().find("height 3 rotation 135 \"label\""), std::string::npos) << Printed();

    // A value the host takes but the listing must show in a form that fits.
    EXPECT_EQ(Run("POINT 1e308,-1e300"), CommandOutcome::kEnded);
    Mark();
    ASSERT_EQ(Run("LIST last"), CommandOutcome::kEnded);
    EXPECT_NE(Printed().find("POINT at (1e+308,-1e+300,0)"), std::string::npos) << Printed();
}

TEST_F(HostTest, AnAnswerTooLongForItsPromptFailsTheCommandWithAMessage) {
    Mark();
    EXPECT_EQ(Run("TEXT 0,0 2.5 0", {std::string(2048, 'x')}), CommandOutcome::kFailed);
    EXPECT_NE(Printed().find("The answer is too long: at most 2047 characters."), std::string::npos)
        << Printed();
    EXPECT_TRUE(Entities().empty());
    EXPECT_EQ(Run("TEXT 0,0 2.5 0", {std::string(2047, 'x')}), CommandOutcome::kEnded);
    EXPECT_EQ(Entities().size(), 1u);
    EXPECT_EQ(Run("SAVEAS", {dir + "/" + std::string(1024, 'n')}), CommandOutcome::kFailed);
    EXPECT_EQ(Run("OPEN", {std::string(1024, 'n')}), CommandOutcome::kFailed);
    EXPECT_EQ(Run("-LAYER Make", {std::string(600, 'L')}), CommandOutcome::kFailed);

    // In a script the long answer stops it with an error, before the save after it.
    std::string error;
    EXPECT_FALSE(RunScript(host, dir + "/long.tarn",
                           "TEXT\n0,0\n\n\n" + std::string(3000, 'y') + "\nSAVEAS " + dir + "/long.dxf\n",
                           &error));
    EXPECT_NE(error.find("line 5"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(dir + "/long.dxf"));
}

TEST_F(HostTest, AScriptStopsAtTheFirstRefusedAnswer) {
    std::string error;
    // The refused radius does not take the lines after it as further tries.
    EXPECT_FALSE(RunScript(host, dir + "/nan.tarn",
                           "POINT 5,5\nCIRCLE\n0,0\nnan\n2\nSAVEAS " + dir + "/saved.dxf\n", &error));
    EXPECT_NE(error.find("line 4: \"nan\""), std::string::npos) << error;
    EXPECT_EQ(Entities().size(), 1u);
    EXPECT_FALSE(fs::exists(dir + "/saved.dxf"));
    // The same on one line: the tokens after the refused one run nothing.
    EXPECT_FALSE(RunScript(host, dir + "/line.tarn", "CIRCLE 0,0 nan 2 POINT 9,9\n", &error));
    EXPECT_NE(error.find("line 1"), std::string::npos) << error;
    EXPECT_EQ(Entities().size(), 1u);
    // A keyword no option matches, a selection naming nothing.
    EXPECT_FALSE(RunScript(host, dir + "/kw.tarn", "-LAYER\nFly\nSet\n0\n\n", &error));
    EXPECT_NE(error.find("line 2"), std::string::npos) << error;
    EXPECT_FALSE(RunScript(host, dir + "/sel.tarn", "ERASE\nh:FFFF\nall\n", &error));
    EXPECT_NE(error.find("line 2"), std::string::npos) << error;
    EXPECT_EQ(Entities().size(), 1u);
    // Afterwards the console asks again as usual: a person may try once more.
    EXPECT_EQ(Run("CIRCLE 0,0", {"nan", "2"}), CommandOutcome::kEnded);

    // Script files: a folder and a missing file are errors; a UTF-8 byte-order mark is no part of line 1.
    tarnhost::ScriptSource folder;
    EXPECT_FALSE(folder.Open(dir, &error));
    EXPECT_NE(error.find("it is a folder"), std::string::npos) << error;
    tarnhost::ScriptSource missing;
    EXPECT_FALSE(missing.Open(dir + "/missing.tarn", &error));
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
    EXPECT_TRUE(RunScript(host, dir + "/bom.tarn", "\xEF\xBB\xBFPOINT 7,7\n", &error)) << error;
    EXPECT_NE(Describe(Entities().back()).find("POINT at (7,7,0)"), std::string::npos);
}

TEST_F(HostTest, OpenAndSaveFollowTheFileSystemAndNameTheRealCause) {
    const std::string upper = dir + "/Case.dxf";
    ASSERT_EQ(Run("POINT 1,1"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("SAVEAS", {upper}), CommandOutcome::kEnded);
    AcApDocument* first = host.Document();

    // Another name is another file here, even when only the case differs.
    ASSERT_EQ(Run("NEW"), CommandOutcome::kEnded);
    Mark();
    EXPECT_EQ(Run("OPEN", {dir + "/case.dxf"}), CommandOutcome::kFailed);
    EXPECT_NE(Printed().find("the file does not exist"), std::string::npos) << Printed();
    fs::copy_file(upper, dir + "/case.dxf");
    EXPECT_EQ(Run("OPEN", {dir + "/case.dxf"}), CommandOutcome::kEnded);
    EXPECT_NE(host.Document(), first);
    EXPECT_EQ(acDocManager->documentCount(), 3);
    // The same file under another name (a link) is the open drawing.
    fs::create_symlink(upper, dir + "/link.dxf");
    EXPECT_EQ(Run("OPEN", {dir + "/link.dxf"}), CommandOutcome::kEnded);
    EXPECT_EQ(host.Document(), first);

    // A file another open drawing holds is not overwritten.
    ASSERT_EQ(Run("NEW"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("CIRCLE 0,0 1"), CommandOutcome::kEnded);
    const std::string before = e2e::ReadFile(upper);
    Mark();
    EXPECT_EQ(Run("SAVEAS", {upper}), CommandOutcome::kFailed);
    EXPECT_NE(Printed().find("Cannot save " + Windows(upper) + ": another open drawing uses this file."),
              std::string::npos)
        << Printed();
    EXPECT_EQ(Run("SAVEAS", {dir + "/link.dxf"}), CommandOutcome::kFailed);
    EXPECT_EQ(e2e::ReadFile(upper), before);
    EXPECT_TRUE(host.FileNameOf(host.Document()).empty());
    // The drawing that holds it saves to it as before.
    acDocManager->activateDocument(first);
    EXPECT_EQ(Run("QSAVE"), CommandOutcome::kEnded);

    // Messages name the cause, with the path in one form.
    fs::create_directories(dir + "/folder.dxf");
    const std::string longName = dir + "/" + std::string(300, 'a') + ".dxf";
    const struct {
        std::string command, answer, path, cause;
    } cases[] = {
        {"SAVEAS", dir + "/no/such/x.dxf", dir + "/no/such/x.dxf", "no such folder"},
        {"SAVEAS", dir + "/folder.dxf", dir + "/folder.dxf", "it is a folder"},
        {"SAVEAS", longName, longName, "file name too long"},
        {"OPEN", dir + "/no/such/x.dxf", dir + "/no/such/x.dxf", "no such folder"},
        {"OPEN", dir + "/folder.dxf", dir + "/folder.dxf", "it is a folder"},
        {"OPEN", longName, longName, "file name too long"},
    };
    for (const auto& c : cases) {
        Mark();
        EXPECT_EQ(Run(c.command, {c.answer}), CommandOutcome::kFailed) << c.command << " " << c.cause;
        const std::string verb = c.command == "OPEN" ? "Cannot open " : "Cannot save ";
        EXPECT_NE(Printed().find(verb + Windows(c.path) + ": " + c.cause + "."), std::string::npos)
            << Printed();
        EXPECT_EQ(Printed().find(dir), std::string::npos) << "a second path form: " << Printed();
    }
}

// A drawing file of another program: the model-space entities a writer puts there, of kinds the stand-in
// does not model, inserted into a file the host saved.
std::string WithForeignEntities(std::string file) {
    const std::string entities =
        "  0\nSOLID\n  5\nA0\n100\nAcDbEntity\n  8\nSurvey\n 62\n3\n100\nAcDbTrace\n 10\n0.0\n 20\n0.0\n 30\n"
        "0.0\n 11\n1.0\n 21\n0.0\n 31\n0.0\n 12\n0.0\n 22\n1.0\n 32\n0.0\n 13\n1.0\n 23\n1.0\n 33\n0.0\n"
        "  0\nDIMENSION\n  5\nA1\n100\nAcDbEntity\n  8\n0\n100\nAcDbDimension\n  2\n*D1\n 10\n5.0\n 20\n"
        "5.0\n 30\n0.0\n  1\nfrom elsewhere\n 70\n32\n  3\nStandard\n100\nAcDbAlignedDimension\n 13\n0.0\n"
        " 23\n0.0\n 33\n0.0\n 14\n5.0\n 24\n0.0\n 34\n0.0\n"
        "  0\nINSERT\n  5\nA2\n100\nAcDbEntity\n  8\nSurvey\n 66\n1\n100\nAcDbBlockReference\n  2\nMARK\n"
        " 10\n2.0\n 20\n3.0\n 30\n0.0\n"
        "  0\nATTRIB\n  5\nA3\n330\nA2\n100\nAcDbEntity\n  8\nSurvey\n100\nAcDbText\n 10\n2.0\n 20\n3.0\n"
        " 30\n0.0\n 40\n1.0\n  1\nP-17\n100\nAcDbAttribute\n  2\nID\n 70\n0\n"
        "  0\nSEQEND\n  5\nA4\n330\nA2\n100\nAcDbEntity\n  8\nSurvey\n";
    const size_t section = file.find("ENTITIES\n");
    const size_t end = file.find("  0\nENDSEC\n", section);
    file.insert(end, entities);
    return file;
}

TEST_F(HostTest, EntitiesOfKindsNotModelledAreKeptThroughOpenAndSave) {
    const std::string mine = dir + "/mine.dxf";
    ASSERT_EQ(Run("LINE 0,0 10,0", {""}), CommandOutcome::kEnded);
    ASSERT_EQ(Run("SAVEAS", {mine}), CommandOutcome::kEnded);
    const std::string foreign = dir + "/foreign.dxf";
    e2e::WriteFile(foreign, WithForeignEntities(e2e::ReadFile(mine)));

    Mark();
    ASSERT_EQ(Run("OPEN", {foreign}), CommandOutcome::kEnded);
    EXPECT_EQ(Printed().find("Skipped"), std::string::npos) << Printed();
    ASSERT_EQ(Entities().size(), 4u);
    Mark();
    ASSERT_EQ(Run("DUMP"), CommandOutcome::kEnded);
    EXPECT_NE(Printed().find("h:A0 layer \"Survey\" color 3 SOLID (kept as read)"), std::string::npos)
        << Printed();
    EXPECT_NE(Printed().find("h:A1 layer \"0\" DIMENSION (kept as read)"), std::string::npos);
    // The insert is a block reference with its attribute.
    EXPECT_NE(Printed().find("h:A2 layer \"Survey\" INSERT \"MARK\" at (2,3,0)"), std::string::npos)
        << Printed();
    EXPECT_NE(Printed().find("layer \"Survey\" color 7"), std::string::npos);  // made for its entities
    Mark();
    ASSERT_EQ(Run("LIST h:A1"), CommandOutcome::kEnded);
    EXPECT_NE(Printed().find("DIMENSION (kept as read)"), std::string::npos) << Printed();

    // Editing around them: they stay as read (their geometry is not known here), the rest moves; erasing one
    // and undoing brings it back.
    Mark();
    EXPECT_EQ(Run("MOVE all 0,0 0,1"), CommandOutcome::kEnded);
    EXPECT_NE(Describe(Entities()[0]).find("from (0,1,0) to (10,1,0)"), std::string::npos);
    EXPECT_EQ(Run("ERASE h:A0"), CommandOutcome::kEnded);
    EXPECT_EQ(Entities().size(), 3u);
    EXPECT_EQ(Run("U"), CommandOutcome::kEnded);
    EXPECT_EQ(Entities().size(), 4u);

    // Saved and read again: the same records, groups in their order, the follower records of the insert.
    const std::string again = dir + "/again.dxf";
    ASSERT_EQ(Run("SAVEAS", {again}), CommandOutcome::kEnded);
    const std::string text = e2e::ReadFile(again);
    for (const char* record :
         {"SOLID\n  5\nA0\n", "DIMENSION\n  5\nA1\n", "INSERT\n  5\nA2\n", "ATTRIB\n  5\nA3\n330\nA2\n",
          "  1\nfrom elsewhere\n 70\n32\n", "  1\nP-17\n", "100\nAcDbAttribute\n  2\nID\n"}) {
        EXPECT_EQ(Count(text, record), 1) << record;
    }
    ASSERT_EQ(Run("CLOSE"), CommandOutcome::kEnded);
    Mark();
    ASSERT_EQ(Run("OPEN", {again}), CommandOutcome::kEnded) << Printed();
    EXPECT_EQ(Entities().size(), 4u);
    AcDbObjectId id;
    ASSERT_EQ(host.Drawing()->getAcDbObjectId(id, false, AcDbHandle(0xA2)), Acad::eOk);
    AcDbEntity* insert = nullptr;
    ASSERT_EQ(acdbOpenObject(insert, id, AcDb::kForRead), Acad::eOk);
    ASSERT_NE(AcDbBlockReference::cast(insert), nullptr);
    EXPECT_EQ(AcDbBlockReference::cast(insert)->tarnAttributeIds().size(), 1u);
    EXPECT_EQ(std::u16string(insert->layer()), u"Survey");
    insert->close();
    // A new entity takes a handle none of the kept records has.
    ASSERT_EQ(Run("POINT 0,0"), CommandOutcome::kEnded);
    EXPECT_GT(Entities().back().handle().value(), 0xA4u);
}

TEST_F(HostTest, MapFolderNamesAreStoredAsTheMapApplicationsOwnInputWould) {
    Mark();
    ASSERT_EQ(Run("MAPSIM FOLDER 中文 文件夹"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("MAPSIM FOLDER é \xF0\x9F\x98\x80"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("MAPSIM LIST"), CommandOutcome::kEnded);
    EXPECT_NE(Printed().find("\"中文 文件夹\""), std::string::npos) << Printed();
    EXPECT_NE(Printed().find("\"é \xF0\x9F\x98\x80\""), std::string::npos) << Printed();
    const auto& folders = host.MapSim().Folders();
    ASSERT_EQ(folders.size(), 2u);
    EXPECT_EQ(folders.begin()->second.Name(), "中文 文件夹");
    // Outside the basic plane each half of the pair is written alone.
    EXPECT_EQ(std::next(folders.begin())->second.Name(), "\xC3\xA9 \xED\xA0\xBD\xED\xB8\x80");
}

TEST_F(HostTest, AnUnknownCommandPointsAtNoHelp) {
    Mark();
    EXPECT_EQ(Run("LINEE"), CommandOutcome::kUnknown);
    EXPECT_NE(Printed().find("Unknown command \"LINEE\"."), std::string::npos) << Printed();
    EXPECT_EQ(Printed().find("F1"), std::string::npos) << Printed();
}

}  // namespace
