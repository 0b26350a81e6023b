// CStdioFile: the framework's text file. Text content is in the ANSI code page (936), with "\r\n" line ends,
// as a text-mode file of the real platform holds it; ReadString also takes a bare "\n". Paths go through
// _wfopen, so they may be Windows or host paths. The throwing constructor and failed writes throw a
// CFileException* (allocated with new; the catcher calls Delete()), as the framework does.
#pragma once

#include <cstdio>

#include "platform/mfc/cstring.h"

class CException {
public:
    virtual ~CException() = default;
    void Delete() { delete this; }
    // The message box of the framework for this exception.
    virtual int ReportError(UINT type = MB_OK, UINT messageId = 0);
    virtual BOOL GetErrorMessage(LPTSTR buffer, UINT capacity, UINT* helpContext = nullptr) const;
};

class CFileException : public CException {
public:
    enum {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile
    };

    CFileException(int cause = none, LONG osError = -1, LPCTSTR fileName = nullptr)
        : m_cause(cause), m_lOsError(osError), m_strFileName(fileName) {}
    BOOL GetErrorMessage(LPTSTR buffer, UINT capacity, UINT* helpContext = nullptr) const override;

    int m_cause;
    LONG m_lOsError;
    CString m_strFileName;
};

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000
    };
    enum SeekPosition { begin = 0, current = 1, end = 2 };
};

class CStdioFile : public CFile {
public:
    CStdioFile() = default;
    // Opens or throws a CFileException*.
    CStdioFile(LPCTSTR fileName, UINT openFlags);
    virtual ~CStdioFile();
    CStdioFile(const CStdioFile&) = delete;
    CStdioFile& operator=(const CStdioFile&) = delete;

    virtual BOOL Open(LPCTSTR fileName, UINT openFlags, CFileException* error = nullptr);
    virtual void Close();
    // Closes without throwing, whatever the state.
    virtual void Abort();

    // Writes the text; each "\n" becomes "\r\n". Throws a CFileException* when the write fails.
    virtual void WriteString(LPCTSTR text);
    // The next line without its line break; FALSE at the end of the file.
    virtual BOOL ReadString(CString& line);

    ULONGLONG SeekToEnd();
    void SeekToBegin();
    ULONGLONG GetPosition() const;
    ULONGLONG GetLength() const;
    CString GetFilePath() const { return m_strFileName; }
    void Flush();

    FILE* m_pStream = nullptr;

private:
    CString m_strFileName;
    bool m_binary = false;
};
