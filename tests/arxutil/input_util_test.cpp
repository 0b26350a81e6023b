// Command-line input, the module folder, INI keys, text files and string helpers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/arx/aced/acedinput.h"
#include "platform/arx/aced/sysvar.h"
#include "platform/mfc/stdiofile.h"
#include "platform/mfc/uidriver.h"
#include "platform/win32/core/paths.h"
#include "platform/win32/core/unicode.h"
#include "platform/win32/sys/sys_hooks.h"
#include "plugin/arxutil/AppDirectoryUtil.h"
#include "plugin/arxutil/GetInputUtil.h"
#include "plugin/arxutil/IniFile.h"
#include "plugin/arxutil/StringUtil.h"
#include "plugin/arxutil/TextFileUtil.h"
#include "support/testdirs.h"

namespace {

using platform::InputAnswer;
using platform::InputRequest;

// A Windows path to a file in the test's folder.
CString TestFile(const char* name) {
    return CString(platform::ToWindowsPath(tarntest::TempDir() + "/" + name).c_str());
}

std::vector<CString> SplitOf(const TCHAR* text, const TCHAR* separator, bool keepEmpty) {
    std::vector<CString> parts;
    CStringUtil::Split(text, separator, parts, keepEmpty);
    return parts;
}

std::vector<CString> Texts(std::initializer_list<const TCHAR*> items) {
    std::vector<CString> out;
    for (const TCHAR* item : items) {
        out.push_back(CString(item));
    }
    return out;
}

class InputTest : public ::testing::Test {
protected:
    void SetUp() override { platform::SetUiDriver(&m_driver); }
    void TearDown() override {
        std::string report;
        EXPECT_TRUE(m_driver.Verify(&report)) << report;
        platform::SetUiDriver(nullptr);
    }

    platform::ScriptedUiDriver m_driver;
};

TEST_F(InputTest, KeywordAnswersGiveTheirPositionEnterTheDefaultAndCancelFalse) {
    m_driver.ExpectInput(platform::kInputGetKword, u"Keep<Yes>:", InputAnswer::Text(u"no"))
        .ExpectInput(platform::kInputGetKword, u"Keep<Yes>:", InputAnswer::None())
        .ExpectInput(platform::kInputGetKword, u"Keep:", InputAnswer::Cancelled());

    int index = -1;
    EXPECT_TRUE(CGetInputUtil::GetKeyword(_T("Keep"), _T("Yes No"), _T("Yes"), 0, index));
    EXPECT_EQ(index, 1);

    index = -1;
    EXPECT_TRUE(CGetInputUtil::GetKeyword(_T("Keep"), _T("Yes No"), _T("Yes"), 0, index));
    EXPECT_EQ(index, 0);

    index = 7;
    EXPECT_FALSE(CGetInputUtil::GetKeyword(_T("Keep"), _T("Yes No"), nullptr, 0, index));
    EXPECT_EQ(index, 7);
}

TEST_F(InputTest, KeywordWithoutDefaultRefusesEmptyInput) {
    int flags = -1;
    m_driver.ExpectInput(platform::kInputGetKword, u"Mode:", [&](const InputRequest& request) {
        flags = request.initFlags;
        EXPECT_EQ(request.keywords, u"LType eXit");
        return InputAnswer::Text(u"x");
    });
    int index = -1;
    EXPECT_TRUE(CGetInputUtil::GetKeyword(_T("Mode"), _T("LType eXit"), nullptr, 0, index));
    EXPECT_EQ(index, 1);
    EXPECT_EQ(flags & RSG_NONULL, RSG_NONULL);
}

TEST_F(InputTest, RealShowsTheDefaultWithItsDecimalsAndEnterKeepsIt) {
    m_driver.ExpectInput(platform::kInputGetReal, u"Width<2.50>:", InputAnswer::None())
        .ExpectInput(platform::kInputGetReal, u"Width<2.50>:", InputAnswer::Real(7.25))
        .ExpectInput(platform::kInputGetReal, u"Scale 100%<1>:", InputAnswer::Real(3))
        .ExpectInput(platform::kInputGetReal, u"Name %s %d<1.5>:", InputAnswer::Real(4))
        .ExpectInput(platform::kInputGetReal, u"Height", InputAnswer::Cancelled());

    double value = 0;
    EXPECT_TRUE(CGetInputUtil::GetReal(_T("Width:  "), 2.5, 2, value));
    EXPECT_DOUBLE_EQ(value, 2.5);
    EXPECT_TRUE(CGetInputUtil::GetReal(_T("Width:"), 2.5, 2, value));
    EXPECT_DOUBLE_EQ(value, 7.25);
    // A '%' of the prompt is text, not a conversion.
    EXPECT_TRUE(CGetInputUtil::GetReal(_T("Scale 100%:"), 1.0, 0, value));
    EXPECT_DOUBLE_EQ(value, 3.0);
    // Conversions in the prompt are its text: none of them takes the default's place.
    EXPECT_TRUE(CGetInputUtil::GetReal(_T("Name %s %d:"), 1.5, 1, value));
    EXPECT_DOUBLE_EQ(value, 4.0);
    EXPECT_FALSE(CGetInputUtil::GetReal(_T("Height"), 1.0, 1, value));

    const auto& prompts = platform::PromptTranscript();
    ASSERT_FALSE(prompts.empty());
    EXPECT_EQ(prompts.front(), u"Width<2.50>:");
}

TEST_F(InputTest, PointsComeBackInWorldCoordinatesAndTheBaseGoesOutInUcs) {
    // A UCS moved by (10, 20, 0): the host speaks UCS, the caller world coordinates.
    ASSERT_TRUE(platform::CurrentSysVars().SetUcs(AcGePoint3d(10, 20, 0), AcGeVector3d(1, 0, 0),
                                                  AcGeVector3d(0, 1, 0)));
    double baseSeen[3] = {0, 0, 0};
    bool hadBase = false;
    m_driver.ExpectInput(platform::kInputGetPoint, u"Pick", InputAnswer::Point(1, 2, 0))
        .ExpectInput(platform::kInputGetPoint, u"Next",
                     [&](const InputRequest& request) {
                         hadBase = request.hasBasePoint;
                         std::copy(request.basePoint, request.basePoint + 3, baseSeen);
                         return InputAnswer::Point(5, 5, 0);
                     })
        .ExpectInput(platform::kInputGetPoint, u"Again", InputAnswer::Cancelled());

    AcGePoint3d point;
    EXPECT_TRUE(CGetInputUtil::GetPoint(_T("Pick"), point));
    EXPECT_DOUBLE_EQ(point.x, 11);
    EXPECT_DOUBLE_EQ(point.y, 22);

    EXPECT_EQ(CGetInputUtil::GetPointReturnCode(AcGePoint3d(11, 22, 0), _T("Next"), point), RTNORM);
    EXPECT_TRUE(hadBase);
    EXPECT_DOUBLE_EQ(baseSeen[0], 1);
    EXPECT_DOUBLE_EQ(baseSeen[1], 2);
    EXPECT_DOUBLE_EQ(point.x, 15);
    EXPECT_DOUBLE_EQ(point.y, 25);

    const AcGePoint3d before = point;
    EXPECT_FALSE(CGetInputUtil::GetPoint(AcGePoint3d(0, 0, 0), _T("Again"), point));
    EXPECT_EQ(point, before);
}

TEST(ModuleFolder, IsTheModulePathCutAtItsLastBackslash) {
    const HMODULE module = platform::PluginModuleHandle();
    platform::SetModuleFileName(module, u"C:\\A\\B\\M.arx");
    EXPECT_EQ(CAppDirectoryUtil::GetCurrentDirectory(module), CString(_T("C:\\A\\B")));
    EXPECT_EQ(CAppDirectoryUtil::GetParentDirectory(module), CString(_T("C:\\A")));

    platform::SetModuleFileName(module, u"C:\\M.arx");
    EXPECT_EQ(CAppDirectoryUtil::GetCurrentDirectory(module), CString(_T("C:")));
    EXPECT_TRUE(CAppDirectoryUtil::GetParentDirectory(module).IsEmpty());

    // A path longer than the buffer would be cut somewhere inside a folder name: no folder at all.
    platform::SetModuleFileName(module, u"C:\\" + std::u16string(600, u'x') + u"\\M.arx");
    EXPECT_TRUE(CAppDirectoryUtil::GetCurrentDirectory(module).IsEmpty());

    EXPECT_TRUE(CAppDirectoryUtil::GetCurrentDirectory(reinterpret_cast<HMODULE>(0x7777)).IsEmpty());
}

TEST(IniFile, TypedValuesRoundTripAndMissingKeysKeepTheDefault) {
    const CIniFile ini(TestFile("a.ini"));
    EXPECT_TRUE(ini.SetValueOfKey(_T("Main"), _T("Count"), -42));
    EXPECT_TRUE(ini.SetValueOfKey(_T("Main"), _T("Byte"), static_cast<BYTE>(200)));
    EXPECT_TRUE(ini.SetValueOfKey(_T("Main"), _T("On"), true));
    EXPECT_TRUE(ini.SetValueOfKey(_T("Main"), _T("Pi"), 3.14159, 2));
    EXPECT_TRUE(ini.SetValueOfKey(_T("Main"), _T("Name"), _T("北京 测绘")));
    EXPECT_TRUE(ini.SetValueOfKey(_T("Main"), _T("Two"), _T("2")));
    EXPECT_TRUE(ini.SetValueOfKey(_T("Main"), _T("Wide"), _T("300")));
    EXPECT_TRUE(ini.SetValueOfKey(_T("Main"), _T("Odd"), _T("NotExist")));

    int count = 0;
    EXPECT_TRUE(ini.GetValueOfKey(_T("main"), _T("count"), count));
    EXPECT_EQ(count, -42);
    BYTE byte = 0;
    EXPECT_TRUE(ini.GetValueOfKey(_T("Main"), _T("Byte"), byte));
    EXPECT_EQ(byte, 200);
    EXPECT_TRUE(ini.GetValueOfKey(_T("Main"), _T("Wide"), byte));
    EXPECT_EQ(byte, 300 % 256);
    bool on = false;
    EXPECT_TRUE(ini.GetValueOfKey(_T("Main"), _T("On"), on));
    EXPECT_TRUE(on);
    EXPECT_TRUE(ini.GetValueOfKey(_T("Main"), _T("Two"), on));
    EXPECT_FALSE(on);
    double pi = 0;
    EXPECT_TRUE(ini.GetValueOfKey(_T("Main"), _T("Pi"), pi));
    EXPECT_DOUBLE_EQ(pi, 3.14);
    CString text;
    EXPECT_TRUE(ini.GetValueOfKey(_T("Main"), _T("Pi"), text, 100));
    EXPECT_EQ(text, CString(_T("3.14")));
    EXPECT_TRUE(ini.GetValueOfKey(_T("Main"), _T("Name"), text, 100));
    EXPECT_EQ(text, CString(_T("北京 测绘")));
    // A short buffer cuts the value.
    EXPECT_TRUE(ini.GetValueOfKey(_T("Main"), _T("Name"), text, 3));
    EXPECT_EQ(text, CString(_T("北京")));

    // Missing keys, sections and files, and the marker word itself, leave the value as it was.
    text = _T("keep");
    EXPECT_FALSE(ini.GetValueOfKey(_T("Main"), _T("Nothing"), text, 100));
    EXPECT_FALSE(ini.GetValueOfKey(_T("Main"), _T("Nothing"), text, 3));  // the marker must not be cut
    EXPECT_FALSE(ini.GetValueOfKey(_T("Main"), _T("Odd"), text, 100));
    EXPECT_FALSE(ini.GetValueOfKey(_T("Main"), _T("Nothing"), text, 0));
    EXPECT_EQ(text, CString(_T("keep")));
    count = 9;
    EXPECT_FALSE(ini.GetValueOfKey(_T("Other"), _T("Count"), count));
    EXPECT_FALSE(CIniFile(TestFile("none.ini")).GetValueOfKey(_T("Main"), _T("Count"), count));
    EXPECT_EQ(count, 9);

    // Out-of-range decimals still give a number.
    EXPECT_TRUE(ini.SetValueOfKey(_T("Main"), _T("Neg"), 2.5, -3));
    EXPECT_TRUE(ini.GetValueOfKey(_T("Main"), _T("Neg"), text, 100));
    EXPECT_EQ(text, CString(_T("2")));
}

TEST_F(InputTest, IniWithoutAFileNameRefusesToWriteWithItsMessage) {
    m_driver.ExpectMessageBox(u"m_strFile未被赋值");
    const CIniFile ini(_T(""));
    EXPECT_FALSE(ini.SetValueOfKey(_T("Main"), _T("Count"), 1));
}

TEST(IniFile, NumbersAreReadAsTheRuntimeReadsThem) {
    const CIniFile ini(TestFile("n.ini"));
    ini.SetValueOfKey(_T("S"), _T("Lead"), _T("  +17abc"));
    ini.SetValueOfKey(_T("S"), _T("Huge"), _T("99999999999"));
    ini.SetValueOfKey(_T("S"), _T("Text"), _T("abc"));
    int value = -1;
    EXPECT_TRUE(ini.GetValueOfKey(_T("S"), _T("Lead"), value));
    EXPECT_EQ(value, 17);
    EXPECT_TRUE(ini.GetValueOfKey(_T("S"), _T("Huge"), value));
    EXPECT_EQ(value, 2147483647);
    EXPECT_TRUE(ini.GetValueOfKey(_T("S"), _T("Text"), value));
    EXPECT_EQ(value, 0);
}

TEST(TextFile, LinesWithChineseTextRoundTrip) {
    const CString path = TestFile("lines.txt");
    const std::vector<CString> lines = Texts({_T("第一行 first"), _T(""), _T("坐标 (100.5, 200)")});
    CTextFileUtil::Save(path, lines);

    std::vector<CString> read = Texts({_T("stale")});
    CTextFileUtil::Load(path, read);
    EXPECT_EQ(read, lines);

    CTextFileUtil::Save(path, {});
    CTextFileUtil::Load(path, read);
    EXPECT_TRUE(read.empty());
}

TEST(TextFile, AFileThatCannotBeOpenedThrowsTheFrameworkException) {
    std::vector<CString> read;
    bool thrown = false;
    try {
        CTextFileUtil::Load(TestFile("missing/none.txt"), read);
    } catch (CFileException* e) {
        thrown = true;
        e->Delete();
    }
    EXPECT_TRUE(thrown);
    thrown = false;
    try {
        CTextFileUtil::Save(TestFile("missing/none.txt"), Texts({_T("x")}));
    } catch (CFileException* e) {
        thrown = true;
        e->Delete();
    }
    EXPECT_TRUE(thrown);
}

TEST(StringUtil, SplitKeepsOrDropsEmptyPieces) {
    EXPECT_EQ(SplitOf(_T("a,,b"), _T(","), true), Texts({_T("a"), _T(""), _T("b")}));
    EXPECT_EQ(SplitOf(_T("a,,b"), _T(","), false), Texts({_T("a"), _T("b")}));
    EXPECT_EQ(SplitOf(_T("a,b,"), _T(","), true), Texts({_T("a"), _T("b"), _T("")}));
    EXPECT_EQ(SplitOf(_T("abc  "), _T(","), true), Texts({_T("abc")}));
    EXPECT_TRUE(SplitOf(_T("   "), _T(","), true).empty());
    EXPECT_EQ(SplitOf(_T("a::b"), _T("::"), true), Texts({_T("a"), _T("b")}));
    // An empty separator would be found everywhere.
    EXPECT_EQ(SplitOf(_T("a,b "), _T(""), true), Texts({_T("a,b")}));

    std::vector<CString> parts = Texts({_T("old")});
    CStringUtil::Split(_T("x y"), _T(" "), parts, true);
    EXPECT_EQ(parts, Texts({_T("old"), _T("x"), _T("y")}));
}

TEST(StringUtil, JoinDropsTrailingSeparatorCharacters) {
    EXPECT_EQ(CStringUtil::Join(Texts({_T("a"), _T("b")}), _T(",")), CString(_T("a,b")));
    EXPECT_EQ(CStringUtil::Join(Texts({_T("a"), _T("b,")}), _T(",")), CString(_T("a,b")));
    EXPECT_EQ(CStringUtil::Join(Texts({_T("a"), _T("b")}), _T("")), CString(_T("ab")));
    EXPECT_TRUE(CStringUtil::Join({}, _T(",")).IsEmpty());
}

TEST(StringUtil, NumbersToTextAndBack) {
    EXPECT_EQ(CStringUtil::IntToString(-12), CString(_T("-12")));
    EXPECT_EQ(CStringUtil::DoubleToString(2.5), CString(_T("2.500000")));
    // Far beyond the 32 characters of a short buffer.
    const CString huge = CStringUtil::DoubleToString(-1e300);
    EXPECT_EQ(huge.GetLength(), 1 + 301 + 7);
    EXPECT_EQ(huge.Right(7), CString(_T(".000000")));

    EXPECT_DOUBLE_EQ(CStringUtil::ToDouble(_T("  3512345.678xyz")), 3512345.678);
    EXPECT_DOUBLE_EQ(CStringUtil::ToDouble(_T("坐标")), 0.0);
    EXPECT_DOUBLE_EQ(CStringUtil::ToDouble(_T("")), 0.0);

    // "中文" in the conversion code page (GBK).
    EXPECT_EQ(CStringUtil::AnsiToString("\xD6\xD0\xCE\xC4"), CString(_T("中文")));
    EXPECT_TRUE(CStringUtil::AnsiToString(nullptr).IsEmpty());
}

}  // namespace
