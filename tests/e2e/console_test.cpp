// The console user, the map application's console directives, and strings sent for execution.
#include <filesystem>

#include "host_fixture.h"
#include "platform/mfc/afxdlg.h"

namespace {

using e2e::HostTest;
using platform::CommandOutcome;

class NameDialog : public CDialog {
public:
    NameDialog() : CDialog(9001) {}
    void OnOK() override {
        GetDlgItemText(1001, m_name);
        m_checked = IsDlgButtonChecked(1002) == BST_CHECKED;
        CDialog::OnOK();
    }
    CString m_name;
    bool m_checked = false;
};

TEST_F(HostTest, TheConsoleAnswersBoxesDialogsAndPicksFromLines) {
    // A plain box is only shown; a question takes a line, and a line no button matches is asked again.
    EXPECT_EQ(AfxMessageBox(u"Plain", MB_OK), IDOK);
    host.Answer("perhaps");
    host.Answer("N");
    EXPECT_EQ(AfxMessageBox(u"Move the plug-in?", MB_YESNO), IDNO);
    EXPECT_EQ(AfxMessageBox(u"Nobody answers", MB_YESNOCANCEL), IDCANCEL);
    host.Answer("^C");  // Esc, or Ctrl-C on the terminal, declines
    EXPECT_EQ(AfxMessageBox(u"Keep it?", MB_YESNO), IDNO);
    EXPECT_NE(out.str().find("Move the plug-in? [yes/no]: "), std::string::npos) << out.str();

    // A dialog: shown with its controls, then worked line by line until it ends.
    platform::DialogTemplate resource;
    resource.caption = u"Name it";
    resource.controls = {{1001, platform::ControlKind::Edit, u"old"},
                         {1002, platform::ControlKind::CheckBox, u"Keep"},
                         {IDOK, platform::ControlKind::DefPushButton, u"OK"},
                         {IDCANCEL, platform::ControlKind::PushButton, u"Cancel"}};
    platform::RegisterDialogResource(9001, resource);
    for (const char* line : {"set 1001 new name", "check 1002", "click 4711", "click IDOK"}) {
        host.Answer(line);
    }
    NameDialog dialog;
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(std::u16string(dialog.m_name.GetString()), u"new name");
    EXPECT_TRUE(dialog.m_checked);
    EXPECT_NE(out.str().find("[dialog 9001] Name it\n  1001 control \"old\""), std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("*Not done: click 4711*"), std::string::npos);
    NameDialog walkAway;  // no lines left: closed, which cancels it
    EXPECT_EQ(walkAway.DoModal(), IDCANCEL);
    host.Answer("set 1001 changed");
    host.Answer("^C");
    host.Answer("click IDOK");  // not taken: the dialog was closed by Esc
    NameDialog escaped;
    EXPECT_EQ(escaped.DoModal(), IDCANCEL);
    EXPECT_EQ(host.Console().Queued(), 1u);
    host.Console().ClearQueue();

    // Entity picks by handle or "last", with a pick point; anything else misses.
    ASSERT_EQ(Run("POINT 1,1"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("POINT 2,2"), CommandOutcome::kEnded);
    ads_name picked;
    ads_point at;
    host.Answer("last 2,3");
    ASSERT_EQ(acedEntSel(u"\nSelect: ", picked, at), RTNORM);
    AcDbObjectId id;
    acdbGetObjectId(id, picked);
    EXPECT_EQ(id, Entities()[1]);
    EXPECT_EQ(at[1], 3.0);
    host.Answer("somewhere");
    EXPECT_EQ(acedEntSel(u"\nSelect: ", picked, at), RTERROR);
    host.Answer("^C");
    EXPECT_EQ(acedEntSel(u"\nSelect: ", picked, at), RTCAN);

    std::vector<AcDbObjectId> ids;
    std::string bad;
    EXPECT_TRUE(tarnhost::ParseSelection(host.Drawing(), "all last", ids, &bad));
    EXPECT_EQ(ids.size(), 2u);
    EXPECT_FALSE(tarnhost::ParseSelection(host.Drawing(), "h:zz", ids, &bad));
    EXPECT_EQ(bad, "h:zz");
    // An erased entity's handle names nothing.
    ACHAR handle[32];
    Entities()[1].handle().getIntoAsciiBuffer(handle, 32);
    ASSERT_EQ(Run("ERASE last"), CommandOutcome::kEnded);
    ids.clear();
    EXPECT_FALSE(tarnhost::ParseSelection(host.Drawing(), "h:" + platform::Utf16ToUtf8(handle), ids, &bad));
}

// A script's lines read as a session typed at the host: each echoed line ends before what its command
// prints, texts printed without a leading line break start below the echo, and SELECT always asks (its
// answer never runs as a command).
TEST_F(HostTest, AScriptReadsAsTypedAndSelectAlwaysAsks) {
    platform::DefineHostCommand(u"SAYTWICE", [] {
        acutPrintf(u"Town hall");
        acutPrintf(u"\nWater tower\n");
        return CommandOutcome::kEnded;
    });
    // An answer typed ahead on the command's line ends its line too.
    platform::DefineHostCommand(u"ASKSAY", [] {
        ACHAR name[64] = {};
        if (acedGetString(0, u"\nName: ", name, 64) != RTNORM) {
            return CommandOutcome::kFailed;
        }
        acutPrintf(u"%s", name);
        acutPrintf(u"\nsaid\n");
        return CommandOutcome::kEnded;
    });
    e2e::WriteFile(dir + "/session.tarn",
                   "POINT 1,1\nPOINT 2,2\nASKSAY Well\nSAYTWICE\nSELECT\nall\nSELECT\nlast\nERASE\nDUMP\n");
    tarnhost::ScriptSource script;
    ASSERT_TRUE(script.Open(dir + "/session.tarn", nullptr));
    std::string error;
    const bool ran = host.RunLines(script, true, &error);
    platform::RemoveHostCommand(u"SAYTWICE");
    platform::RemoveHostCommand(u"ASKSAY");
    const std::string shown = out.str();
    ASSERT_TRUE(ran) << error << "\n" << shown;
    EXPECT_NE(shown.find("Command: ASKSAY Well\nName: Well\nWell\nsaid\nCommand: "), std::string::npos)
        << shown;
    EXPECT_NE(shown.find("Command: SAYTWICE\nTown hall\nWater tower\nCommand: "), std::string::npos) << shown;
    EXPECT_NE(
        shown.find("Command: SELECT\nSelect objects: all\n2 found\nCommand: SELECT\nSelect objects: last\n"
                   "1 found\nCommand: ERASE\n1 found\n"),
        std::string::npos)
        << shown;
    EXPECT_EQ(shown.find("Unknown command"), std::string::npos) << shown;
    // The second selection, not the first, went to ERASE: the first point stays.
    ASSERT_EQ(Entities().size(), 1u);
    EXPECT_NE(Describe(Entities()[0]).find("POINT at (1,1,0)"), std::string::npos) << Describe(Entities()[0]);
    EXPECT_EQ(shown.find("\n\n"), std::string::npos) << shown;
}

// CHECK lines hold or print what they found instead; the summary fails when any failed or none ran.
TEST_F(HostTest, ChecksCountWhatHoldsAndTheSummaryFailsOnAnyThatDoesNot) {
    EXPECT_EQ(Run("CHECK SUMMARY"), CommandOutcome::kFailed);
    const uint32_t roads = host.MapSim().AddFolder(mapsim::kRootFolder, "Roads");
    host.MapSim().AddObject(8, roads, mapsim::Bytes(64, 0), 20);
    ASSERT_EQ(Run("POINT 1,1"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("CIRCLE 0,0 1"), CommandOutcome::kEnded);
    Mark();
    for (const char* holds : {"MAP OBJECT 20 IN Roads", "MAP OBJECT 21 NONE", "MAP OBJECT 20 RECEIVED 1",
                              "MAP FOLDER Roads IN Nowhere", "LAYER 0 2", "layer 0 1 circle"}) {
        EXPECT_EQ(Run(std::string("CHECK ") + holds), CommandOutcome::kEnded) << holds;
    }
    EXPECT_EQ(host.Checks().failed, 1) << Printed();  // Roads lies in the unnamed top folder
    EXPECT_EQ(host.Checks().passed, 5) << Printed();
    EXPECT_EQ(Run("CHECK MAP OBJECT 20 IN Buildings"), CommandOutcome::kEnded);
    EXPECT_NE(Printed().find("Check FAILED: MAP OBJECT 20 IN Buildings (object 101 in \"Roads\" received 1)"),
              std::string::npos)
        << Printed();
    for (const char* malformed :
         {"MAP OBJECT x IN Roads", "MAP OBJECT 20 NONE Roads", "MAP OBJECT 20 RECEIVED", "MAP FOLDER Roads",
          "LAYER 0", "LAYER 0 -1", "LAYER 0 1 LINE more", "FLY"}) {
        EXPECT_EQ(Run(std::string("CHECK ") + malformed), CommandOutcome::kFailed) << malformed;
    }
    EXPECT_EQ(Run("CHECK SUMMARY Here"), CommandOutcome::kFailed);
    EXPECT_NE(Printed().find("Here: 2 of 7 checks FAILED."), std::string::npos) << Printed();
}

TEST_F(HostTest, MapDirectivesAndSentStringsRunOutsideCommands) {
    Mark();
    EXPECT_EQ(Run("MAPSIM FOLDER Survey points"), CommandOutcome::kEnded);
    EXPECT_EQ(Run("MAPSIM LIST"), CommandOutcome::kEnded);
    EXPECT_NE(Printed().find("folder 100 in 1 \"Survey points\""), std::string::npos) << Printed();
    EXPECT_EQ(Run("MAPSIM SELECT 100"), CommandOutcome::kEnded);
    EXPECT_EQ(Run("MAPSIM SELECT 999"), CommandOutcome::kFailed);
    EXPECT_EQ(Run("MAPSIM SENDTOCAD"), CommandOutcome::kEnded);
    EXPECT_EQ(Run("MAPSIM STATUS"), CommandOutcome::kEnded);
    EXPECT_NE(Printed().find("Map application running"), std::string::npos);
    EXPECT_EQ(Run("MAPSIM STOP"), CommandOutcome::kEnded);
    EXPECT_EQ(FindWindowW(u"tarnWin", nullptr), nullptr);
    EXPECT_EQ(Run("MAPSIM LIST"), CommandOutcome::kFailed);
    EXPECT_EQ(Run("MAPSIM START"), CommandOutcome::kEnded);
    EXPECT_NE(FindWindowW(u"tarnWin", nullptr), nullptr);
    EXPECT_EQ(Run("MAPSIM FLY"), CommandOutcome::kFailed);
    EXPECT_EQ(Run("DELAY 500"), CommandOutcome::kEnded);
    EXPECT_EQ(platform::clock::NowMs(), 500u);

    // Strings sent for execution run once the host is idle, in their document.
    AcApDocument* first = host.Document();
    ASSERT_EQ(Run("NEW"), CommandOutcome::kEnded);
    acDocManager->sendStringToExecute(first, u"CIRCLE 1,1 2 ");
    EXPECT_TRUE(Entities().empty());
    host.Idle();
    EXPECT_EQ(host.Document(), first);
    EXPECT_EQ(Entities().size(), 1u);
    acDocManager->sendStringToExecute(first, u"QUIT ");
    host.Idle();
    EXPECT_FALSE(host.Started());
}

// A dialog or a question box is a prompt too: in a script, the first line it refuses stops the script there,
// so the lines after it (a save, a CLOSE) are neither swallowed by it nor run after it.
TEST_F(HostTest, AScriptStopsAtTheFirstLineADialogOrABoxRefuses) {
    platform::DialogTemplate resource;
    resource.caption = u"Name it";
    resource.controls = {{1001, platform::ControlKind::Edit, u"old"},
                         {IDOK, platform::ControlKind::DefPushButton, u"OK"},
                         {IDCANCEL, platform::ControlKind::PushButton, u"Cancel"}};
    platform::RegisterDialogResource(9001, resource);
    platform::DefineHostCommand(u"NAMEIT", [] {
        NameDialog dialog;
        return dialog.DoModal() == IDOK ? CommandOutcome::kEnded : CommandOutcome::kCancelled;
    });
    platform::DefineHostCommand(u"ASKGO", [] {
        return AfxMessageBox(u"Go on?", MB_YESNO) == IDYES ? CommandOutcome::kEnded
                                                           : CommandOutcome::kCancelled;
    });
    auto script = [&](const std::string& name, const std::string& text, std::string* error) {
        e2e::WriteFile(dir + "/" + name, text);
        tarnhost::ScriptSource source;
        return source.Open(dir + "/" + name, nullptr) && host.RunLines(source, true, error);
    };
    std::string error;
    EXPECT_FALSE(
        script("dialog.tarn", "NAMEIT\nset 1001 x\nDELAY 300\nSAVEAS " + dir + "/a.dxf\nCLOSE\n", &error));
    EXPECT_EQ(error, "line 3: \"DELAY 300\" failed");
    EXPECT_NE(out.str().find("*Not done: DELAY 300*"), std::string::npos) << out.str();
    EXPECT_FALSE(std::filesystem::exists(dir + "/a.dxf"));
    EXPECT_NE(host.Document(), nullptr);

    EXPECT_FALSE(script("box.tarn", "POINT 0,0\nASKGO\nPOINT 1,1\nSAVEAS " + dir + "/b.dxf\n", &error));
    EXPECT_EQ(error, "line 3: \"POINT 1,1\" failed");
    EXPECT_EQ(Entities().size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(dir + "/b.dxf"));

    // Answers they take let the script go on.
    EXPECT_TRUE(
        script("good.tarn", "NAMEIT\nset 1001 x\nclick IDOK\nASKGO\ny\nSAVEAS " + dir + "/c.dxf\n", &error))
        << error << out.str();
    EXPECT_TRUE(std::filesystem::exists(dir + "/c.dxf"));
    platform::RemoveHostCommand(u"NAMEIT");
    platform::RemoveHostCommand(u"ASKGO");
}

// Answers on the command's line read as they would on lines of their own: a selection takes every selection
// word, a quoted path or text keeps its blanks; messages show the paths typed as they are.
TEST_F(HostTest, AnswersOnTheCommandLineReadAsOnTheirOwnLines) {
    for (const char* point : {"POINT 1,1", "POINT 2,2", "POINT 3,3"}) {
        ASSERT_EQ(Run(point), CommandOutcome::kEnded);
    }
    auto handle = [&](size_t i) {
        ACHAR text[32];
        Entities()[i].handle().getIntoAsciiBuffer(text, 32);
        return "h:" + platform::Utf16ToUtf8(text);
    };
    Mark();
    EXPECT_EQ(Run("ERASE " + handle(0) + " " + handle(1)), CommandOutcome::kEnded);
    EXPECT_EQ(Printed().find("Unknown command"), std::string::npos) << Printed();
    ASSERT_EQ(Entities().size(), 1u);
    EXPECT_EQ(Run("MOVE " + handle(0) + " last 0,0 5,5"), CommandOutcome::kEnded);
    EXPECT_NE(Describe(Entities()[0]).find("POINT at (8,8,0)"), std::string::npos) << Describe(Entities()[0]);

    ASSERT_EQ(Run("TEXT 0,0 2.5 0 \"Town hall\""), CommandOutcome::kEnded);
    EXPECT_NE(Describe(Entities().back()).find("\"Town hall\""), std::string::npos)
        << Describe(Entities().back());
    const std::string folder = dir + "/with space";
    std::filesystem::create_directories(folder);
    ASSERT_EQ(Run("SAVEAS \"" + folder + "/a b.dxf\""), CommandOutcome::kEnded) << Printed();
    ASSERT_EQ(Run("SAVEAS", {"\"" + folder + "/c d.dxf\""}), CommandOutcome::kEnded) << Printed();
    ASSERT_EQ(Run("CLOSE"), CommandOutcome::kEnded);
    ASSERT_EQ(Run("OPEN \"" + folder + "/a b.dxf\""), CommandOutcome::kEnded) << Printed();
    EXPECT_EQ(platform::Utf16ToUtf8(host.FileNameOf(host.Document())),
              platform::Utf16ToUtf8(platform::ToWindowsPath(folder + "/a b.dxf")));
    EXPECT_EQ(Entities().size(), 2u);
    EXPECT_TRUE(std::filesystem::exists(folder + "/c d.dxf"));

    Mark();
    EXPECT_EQ(Run("OPEN /nonexist/目录/图.dxf"), CommandOutcome::kFailed);
    EXPECT_NE(Printed().find("Cannot open C:\\nonexist\\目录\\图.dxf: no such folder."), std::string::npos)
        << Printed();
    EXPECT_EQ(Run("ARX Load /nonexist/模块.arx"), CommandOutcome::kFailed);
    EXPECT_NE(Printed().find("\"/nonexist/模块.arx\" not found."), std::string::npos) << Printed();
}

}  // namespace
