// Drawing files on disk: reading whole files, saving through a temporary file that replaces the old one only
// when it is complete, and the database's readDwgFile and saveAs.
#include "platform/arx/acdb/dxffile.h"

#include <errno.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/win32/core/paths.h"
#include "platform/win32/core/unicode.h"
#include "platform/win32/sys/sys_api.h"

namespace platform {

namespace {

constexpr int64_t kMaxFileSize = int64_t{1} << 30;

Acad::ErrorStatus Failed(Acad::ErrorStatus status, const std::string& message) {
    SetLastDxfError(status, 0, message);
    return status;
}

// The path made absolute, in Windows form, for the file services; false for no path.
bool FullPath(const ACHAR* path, std::u16string& full, std::string& host) {
    if (path == nullptr || *path == 0 || !ToHostPath(path, host) || host.empty()) {
        return false;
    }
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(host, error);
    if (!error) {
        host = absolute.lexically_normal().string();
    }
    full = ToWindowsPath(host);
    return true;
}

Acad::ErrorStatus StatusOfErrno(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return Acad::eFileNotFound;
        case ENOSPC:
            return Acad::eOutOfDisk;
        default:
            return Acad::eFileAccessErr;
    }
}

// A fresh name beside the target for the file being written.
std::u16string TemporaryBeside(const std::u16string& target) {
    static unsigned counter = 0;
    return target + u".tmp" + Utf8ToUtf16(std::to_string(::getpid()) + "-" + std::to_string(++counter));
}

}  // namespace

Acad::ErrorStatus ReadDxfFile(AcDbDatabase* db, const ACHAR* path) {
    std::u16string full;
    std::string host;
    if (db == nullptr || !FullPath(path, full, host)) {
        return Failed(Acad::eInvalidInput, "no file name");
    }
    struct _stat64 status {};
    if (_wstat64(full.c_str(), &status) != 0) {
        return Failed(
            StatusOfErrno(errno) == Acad::eFileNotFound ? Acad::eFileNotFound : Acad::eFileAccessErr,
            "file not found: " + host);
    }
    if ((status.st_mode & _S_IFMT) != _S_IFREG) {
        return Failed(Acad::eFileAccessErr, "not a file: " + host);
    }
    if (status.st_size > kMaxFileSize) {
        return Failed(Acad::eFileAccessErr, "file too large to be a drawing: " + host);
    }
    FILE* in = _wfopen(full.c_str(), u"rb");
    if (in == nullptr) {
        const Acad::ErrorStatus es = StatusOfErrno(errno);
        return Failed(es == Acad::eOutOfDisk ? Acad::eFileAccessErr : es, "cannot read " + host);
    }
    // Read in blocks, never whole: the reader keeps only the groups. The cap holds for a file that grows
    // while it is read.
    size_t total = 0;
    const Acad::ErrorStatus es = ReadDxfBlocks(
        db,
        [&](char* buffer, size_t size) -> long long {
            const size_t n = std::fread(buffer, 1, size, in);
            total += n;
            if (std::ferror(in) != 0 || total > static_cast<size_t>(kMaxFileSize)) {
                return -1;
            }
            return static_cast<long long>(n);
        },
        "cannot read " + host);
    std::fclose(in);
    return es;
}

Acad::ErrorStatus SaveDxfFile(const AcDbDatabase* db, const ACHAR* path) {
    std::u16string full;
    std::string host;
    if (db == nullptr || !FullPath(path, full, host)) {
        return Failed(Acad::eInvalidInput, "no file name");
    }
    // Written beside the target and moved over it only when complete, so a failed save leaves the old file.
    // The text goes out in blocks as it is made.
    const std::u16string temp = TemporaryBeside(full);
    FILE* out = _wfopen(temp.c_str(), u"wbx");
    if (out == nullptr) {
        const Acad::ErrorStatus es = StatusOfErrno(errno);
        return Failed(es == Acad::eOutOfDisk ? es : Acad::eFileAccessErr,
                      "cannot write in the folder of " + host);
    }
    int writeErrno = 0;
    std::string invalid;
    bool written = WriteDxfBlocks(
        db,
        [&](std::string_view block) {
            if (std::fwrite(block.data(), 1, block.size(), out) != block.size()) {
                writeErrno = errno;
                return false;
            }
            return true;
        },
        &invalid);
    if (written && std::fflush(out) != 0) {
        written = false;
        writeErrno = errno;
    }
    const bool closed = std::fclose(out) == 0;
    if (!invalid.empty()) {
        // The file would not open again: the one saved before is kept.
        _wremove(temp.c_str());
        return Failed(Acad::eInvalidInput, invalid);
    }
    if (!written || !closed) {
        _wremove(temp.c_str());
        return Failed(writeErrno == ENOSPC || errno == ENOSPC ? Acad::eOutOfDisk : Acad::eFileAccessErr,
                      "cannot save " + host);
    }
    if (!MoveFileExW(temp.c_str(), full.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        _wremove(temp.c_str());
        return Failed(Acad::eFileAccessErr, "cannot save " + host);
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
