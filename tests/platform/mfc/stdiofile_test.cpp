#include <gtest/gtest.h>

#include "platform/mfc/stdiofile.h"
#include "platform/win32/core/paths.h"
#include "support/testdirs.h"
#include "support/testfiles.h"

namespace {

TEST(CStdioFile, WritesAnsiTextWithCrLfAndReadsItBack) {
    const std::string host = tarntest::TempDir() + "/lines.txt";
    const CString path(platform::ToWindowsPath(host));
    {
        CStdioFile file;
        ASSERT_TRUE(file.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::typeText));
        file.WriteString(u"图层\n");
        file.WriteString(u"a,b\n");
        file.WriteString(u"last");
        file.Close();
    }
    EXPECT_EQ(tarntest::ReadFile(host), "\xcd\xbc\xb2\xe3\r\na,b\r\nlast");

    CStdioFile file(path, CFile::modeRead | CFile::typeText);
    CString line(u"stale");
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line, u"图层");
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line, u"a,b");
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line, u"last");
    EXPECT_FALSE(file.ReadString(line));
    EXPECT_TRUE(line.IsEmpty());
}

TEST(CStdioFile, NoTruncateKeepsContentAndSeekToEndAppends) {
    const std::string host = tarntest::TempDir() + "/log.txt";
    const CString path(platform::ToWindowsPath(host));
    for (const char16_t* text : {u"one\n", u"two\n"}) {
        CStdioFile file;
        ASSERT_TRUE(file.Open(path, CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite));
        file.SeekToEnd();
        file.WriteString(text);
    }
    EXPECT_EQ(tarntest::ReadFile(host), "one\r\ntwo\r\n");
}

TEST(CStdioFile, OpenFailuresReportOrThrowAFileException) {
    const CString missing(platform::ToWindowsPath(tarntest::TempDir() + "/no/such/file.txt"));
    CStdioFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(missing, CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
    EXPECT_EQ(error.m_strFileName, missing);

    bool thrown = false;
    try {
        CStdioFile throwing(missing, CFile::modeCreate | CFile::modeWrite);
    } catch (CFileException* e) {
        thrown = true;
        EXPECT_EQ(e->m_cause, CFileException::fileNotFound);
        char16_t text[256];
        EXPECT_TRUE(e->GetErrorMessage(text, 256));
        EXPECT_NE(std::u16string(text).find(u"file.txt"), std::u16string::npos);
        e->Delete();
    }
    EXPECT_TRUE(thrown);
}

}  // namespace
