#include "plugin/arxutil/TextFileUtil.h"

#include "platform/mfc/stdiofile.h"

void CTextFileUtil::Save(const TCHAR* fileName, const std::vector<CString>& lines) {
    CStdioFile file(fileName, CFile::modeCreate | CFile::modeWrite | CFile::typeText);
    for (const CString& line : lines) {
        file.WriteString(line + _T("\n"));
    }
    file.Close();
}

void CTextFileUtil::Load(const TCHAR* fileName, std::vector<CString>& lines) {
    lines.clear();
    CStdioFile file(fileName, CFile::modeRead | CFile::typeText);
    CString line;
    while (file.ReadString(line)) {
        lines.push_back(line);
    }
    file.Close();
}
