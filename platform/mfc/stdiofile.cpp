#include "platform/mfc/stdiofile.h"

#include <cerrno>
#include <string>

#include "platform/mfc/uidriver.h"
#include "platform/win32/sys/sys_api.h"

namespace {

int CauseFromErrno(int error) {
    switch (error) {
        case ENOENT:
            return CFileException::fileNotFound;
        case ENOTDIR:
        case ENAMETOOLONG:
            return CFileException::badPath;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return CFileException::accessDenied;
        case EMFILE:
        case ENFILE:
            return CFileException::tooManyOpenFiles;
        case ENOSPC:
            return CFileException::diskFull;
        case EIO:
            return CFileException::hardIO;
        default:
            return CFileException::genericException;
    }
}

LONG OsErrorFromErrno(int error) {
    switch (error) {
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return ERROR_ACCESS_DENIED;
        case ENOSPC:
            return ERROR_DISK_FULL;
        default:
            return ERROR_WRITE_FAULT;
    }
}

[[noreturn]] void ThrowFileException(int error, const CString& fileName) {
    throw new CFileException(CauseFromErrno(error), OsErrorFromErrno(error), fileName);
}

std::string ToAnsi(const char16_t* text) {
    CStringA narrow(text);
    return narrow.Str();
}

}  // namespace

int CException::ReportError(UINT type, UINT) {
    char16_t text[512];
    if (!GetErrorMessage(text, 512)) {
        return AfxMessageBox(u"No error message is available.", type);
    }
    return AfxMessageBox(text, type);
}

BOOL CException::GetErrorMessage(LPTSTR buffer, UINT capacity, UINT* helpContext) const {
    if (helpContext != nullptr) {
        *helpContext = 0;
    }
    if (buffer != nullptr && capacity > 0) {
        buffer[0] = 0;
    }
    return FALSE;
}

BOOL CFileException::GetErrorMessage(LPTSTR buffer, UINT capacity, UINT* helpContext) const {
    if (helpContext != nullptr) {
        *helpContext = 0;
    }
    if (buffer == nullptr || capacity == 0) {
        return FALSE;
    }
    static const char16_t* const kTexts[] = {
        u"No error occurred.",
        u"An unknown error occurred while accessing %s.",
        u"%s was not found.",
        u"%s contains an incorrect path.",
        u"%s could not be opened because there are too many open files.",
        u"Access to %s was denied.",
        u"An incorrect file handle was associated with %s.",
        u"%s could not be removed because it is the current directory.",
        u"%s could not be created because the directory is full.",
        u"Seek failed on %s",
        u"A hardware I/O error was reported while accessing %s.",
        u"A sharing violation occurred while accessing %s.",
        u"A locking violation occurred while accessing %s.",
        u"Disk full while accessing %s.",
        u"An attempt was made to access %s past its end.",
    };
    const int cause = (m_cause >= 0 && m_cause <= endOfFile) ? m_cause : genericException;
    CString text;
    text.Format(kTexts[cause], m_strFileName.IsEmpty() ? u"an unnamed file" : m_strFileName.GetString());
    const UINT n = std::min<UINT>(static_cast<UINT>(text.GetLength()), capacity - 1);
    std::char_traits<char16_t>::copy(buffer, text.GetString(), n);
    buffer[n] = 0;
    return TRUE;
}

CStdioFile::CStdioFile(LPCTSTR fileName, UINT openFlags) {
    CFileException error;
    if (!Open(fileName, openFlags, &error)) {
        throw new CFileException(error);
    }
}

CStdioFile::~CStdioFile() {
    Abort();
}

BOOL CStdioFile::Open(LPCTSTR fileName, UINT openFlags, CFileException* error) {
    Abort();
    m_strFileName = fileName;
    m_binary = (openFlags & typeBinary) != 0;
    const UINT access = openFlags & 3;
    const char16_t* mode;
    if ((openFlags & modeCreate) != 0 && (openFlags & modeNoTruncate) == 0) {
        mode = access == modeRead ? u"w+b" : (access == modeWrite ? u"wb" : u"w+b");
    } else if ((openFlags & modeCreate) != 0) {
        // Create when missing, keep the content when present.
        FILE* probe = _wfopen(fileName, u"rb");
        if (probe != nullptr) {
            std::fclose(probe);
            mode = u"r+b";
        } else {
            mode = u"w+b";
        }
    } else {
        mode = access == modeRead ? u"rb" : u"r+b";
    }
    errno = 0;
    m_pStream = fileName != nullptr ? _wfopen(fileName, mode) : nullptr;
    if (m_pStream == nullptr) {
        const int e = errno != 0 ? errno : ENOENT;
        if (error != nullptr) {
            error->m_cause = CauseFromErrno(e);
            error->m_lOsError = OsErrorFromErrno(e);
            error->m_strFileName = fileName;
        }
        return FALSE;
    }
    return TRUE;
}

void CStdioFile::Close() {
    if (m_pStream == nullptr) {
        return;
    }
    FILE* stream = m_pStream;
    m_pStream = nullptr;
    if (std::fclose(stream) != 0) {
        ThrowFileException(errno, m_strFileName);
    }
}

void CStdioFile::Abort() {
    if (m_pStream != nullptr) {
        std::fclose(m_pStream);
        m_pStream = nullptr;
    }
}

void CStdioFile::WriteString(LPCTSTR text) {
    if (m_pStream == nullptr) {
        throw new CFileException(CFileException::invalidFile, ERROR_INVALID_HANDLE, m_strFileName);
    }
    const std::string narrow = ToAnsi(text);
    std::string out;
    out.reserve(narrow.size() + 8);
    for (char c : narrow) {
        if (c == '\n' && !m_binary) {
            out.push_back('\r');  // GBK trail bytes are never 0x0A, so this cannot split a character
        }
        out.push_back(c);
    }
    if (!out.empty() && std::fwrite(out.data(), 1, out.size(), m_pStream) != out.size()) {
        ThrowFileException(errno != 0 ? errno : EIO, m_strFileName);
    }
}

BOOL CStdioFile::ReadString(CString& line) {
    line.Empty();
    if (m_pStream == nullptr) {
        throw new CFileException(CFileException::invalidFile, ERROR_INVALID_HANDLE, m_strFileName);
    }
    std::string bytes;
    bool any = false;
    for (int c; (c = std::fgetc(m_pStream)) != EOF;) {
        any = true;
        if (c == '\n') {
            break;
        }
        bytes.push_back(static_cast<char>(c));
    }
    if (!any) {
        return FALSE;
    }
    if (!bytes.empty() && bytes.back() == '\r') {
        bytes.pop_back();
    }
    line = CString(bytes.c_str());
    return TRUE;
}

ULONGLONG CStdioFile::SeekToEnd() {
    if (m_pStream == nullptr || std::fseek(m_pStream, 0, SEEK_END) != 0) {
        ThrowFileException(EIO, m_strFileName);
    }
    return GetPosition();
}

void CStdioFile::SeekToBegin() {
    if (m_pStream == nullptr || std::fseek(m_pStream, 0, SEEK_SET) != 0) {
        ThrowFileException(EIO, m_strFileName);
    }
}

ULONGLONG CStdioFile::GetPosition() const {
    if (m_pStream == nullptr) {
        return 0;
    }
    const long pos = std::ftell(m_pStream);
    return pos < 0 ? 0 : static_cast<ULONGLONG>(pos);
}

ULONGLONG CStdioFile::GetLength() const {
    if (m_pStream == nullptr) {
        return 0;
    }
    const long here = std::ftell(m_pStream);
    std::fseek(m_pStream, 0, SEEK_END);
    const long size = std::ftell(m_pStream);
    std::fseek(m_pStream, here, SEEK_SET);
    return size < 0 ? 0 : static_cast<ULONGLONG>(size);
}

void CStdioFile::Flush() {
    if (m_pStream != nullptr) {
        std::fflush(m_pStream);
    }
}
