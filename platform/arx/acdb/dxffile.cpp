// Drawing files on disk: reading whole files, saving through a temporary file that replaces the old one only
// when it is complete, and the database's readDwgFile and saveAs.
#include "platform/arx/acdb/dxffile.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/win32/core/paths.h"

namespace platform {

namespace {

constexpr std::uintmax_t kMaxFileSize = 1ull << 30;

Acad::ErrorStatus Failed(Acad::ErrorStatus status, const std::string& message) {
    SetLastDxfError(status, 0, message);
    return status;
}

// The host path of a Windows or POSIX path, made absolute.
bool HostPath(const ACHAR* path, std::string& host) {
    if (path == nullptr || *path == 0 || !ToHostPath(path, host) || host.empty()) {
        return false;
    }
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(host, error);
    if (!error) {
        host = absolute.lexically_normal().string();
    }
    return true;
}

bool WriteAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

Acad::ErrorStatus ReadDxfFile(AcDbDatabase* db, const ACHAR* path) {
    std::string host;
    if (db == nullptr || !HostPath(path, host)) {
        return Failed(Acad::eInvalidInput, "no file name");
    }
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(host, error);
    if (!std::filesystem::exists(status)) {
        return Failed(Acad::eFileNotFound, "file not found: " + host);
    }
    if (!std::filesystem::is_regular_file(status)) {
        return Failed(Acad::eFileAccessErr, "not a file: " + host);
    }
    const std::uintmax_t size = std::filesystem::file_size(host, error);
    if (error || size > kMaxFileSize) {
        return Failed(Acad::eFileAccessErr, "file too large to be a drawing: " + host);
    }
    std::ifstream in(host, std::ios::binary);
    std::string text(static_cast<size_t>(size), '\0');
    if (!in || !in.read(text.data(), static_cast<std::streamsize>(size))) {
        return Failed(Acad::eFileAccessErr, "cannot read " + host);
    }
    return ReadDxf(db, text);
}

Acad::ErrorStatus SaveDxfFile(const AcDbDatabase* db, const ACHAR* path) {
    std::string host;
    if (db == nullptr || !HostPath(path, host)) {
        return Failed(Acad::eInvalidInput, "no file name");
    }
    const std::string text = WriteDxf(db);
    const std::filesystem::path target(host);
    std::string temp = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        return Failed(Acad::eFileAccessErr, "cannot write in the folder of " + host);
    }
    // The new file takes the old one's permissions, or the usual ones for a new file.
    struct stat old {};
    ::fchmod(fd, ::stat(host.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
    const bool written = WriteAll(fd, text);
    const int writeErrno = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || std::rename(temp.c_str(), host.c_str()) != 0) {
        ::unlink(temp.c_str());
        return Failed(!written && writeErrno == ENOSPC ? Acad::eOutOfDisk : Acad::eFileAccessErr,
                      "cannot save " + host);
    }
    SetLastDxfError(Acad::eOk, 0, std::string());
    return Acad::eOk;
}

}  // namespace platform

namespace {

// After a successful read or save the database is named by the file's absolute path.
Acad::ErrorStatus TakeFileName(AcDbDatabase* db, const ACHAR* fileName, Acad::ErrorStatus es) {
    if (es == Acad::eOk) {
        std::string host;
        platform::ToHostPath(fileName, host);
        const std::filesystem::path absolute = std::filesystem::absolute(host).lexically_normal();
        db->tarnSetFilename(platform::ToWindowsPath(absolute.string()).c_str());
    }
    return es;
}

}  // namespace

Acad::ErrorStatus AcDbDatabase::readDwgFile(const ACHAR* fileName, int, bool, const ACHAR*) {
    return TakeFileName(this, fileName, platform::ReadDxfFile(this, fileName));
}

Acad::ErrorStatus AcDbDatabase::saveAs(const ACHAR* fileName) {
    return TakeFileName(this, fileName, platform::SaveDxfFile(this, fileName));
}
