// Drawing files: the stand-in saves and opens drawings as ASCII DXF (R2000, AC1015) with its own writer and
// reader. AcDbDatabase::saveAs and readDwgFile go through here; tests and the host may call these directly.
//
// The writer puts out HEADER, CLASSES, TABLES, BLOCKS, ENTITIES and OBJECTS with every object under the
// handle it has, so handles survive a save and reopen (ids do not). The reader takes its own files and the
// R2000-2018 ASCII files of other programs: unknown sections are skipped, unknown group codes are ignored.
// Objects and entities of unknown kinds are kept as they were read (AcDbUnknownObject, AcDbUnknownEntity,
// with the file's CLASS record of their kind) and written back, so that what lists them still finds them and
// a drawing from another program loses nothing when saved; so are the records of the DIMSTYLE, VIEW and UCS
// tables, which the database does not keep (AcDbUnknownTableRecord). Their references to objects the reader
// did not keep are written as null. Only an entity too big to trust is left out, with a line on the command
// line. It builds into a fresh database and hands the contents over only when the whole file was read, so a
// damaged file leaves nothing behind. A save never writes what the reader would refuse: a drawing holding a
// number that is not finite is not saved, and the file saved before stays as it was.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "platform/arx/acdb/dbstatus.h"
#include "platform/arx/acut/adesk.h"

class AcDbDatabase;

namespace platform {

// Why the last read or save on this thread's process failed (status eOk and an empty message after a
// success). Messages name the line: "line 12: bad value \"x\" for group code 10".
struct DxfError {
    Acad::ErrorStatus status = Acad::eOk;
    int line = 0;
    std::string message;
};
const DxfError& LastDxfError();
// Sets what LastDxfError reports (the file functions).
void SetLastDxfError(Acad::ErrorStatus status, int line, const std::string& message);

// The drawing as DXF text. The database is not changed (objects need not be closed). A value that no reader
// takes back (a number that is not finite) makes the text no drawing: invalid, when given, then says which,
// and is empty otherwise.
std::string WriteDxf(const AcDbDatabase* db, std::string* invalid = nullptr);
// The same text handed to write in blocks as it is made (a file of any size needs a block's memory); false
// when write refused a block (nothing more is written) or a value no reader takes back was written (invalid,
// when given, says which).
bool WriteDxfBlocks(const AcDbDatabase* db, const std::function<bool(std::string_view)>& write,
                    std::string* invalid = nullptr);
// Replaces the contents of db with the drawing in text; on failure db is unchanged and LastDxfError says
// why. The file name of db is not touched.
Acad::ErrorStatus ReadDxf(AcDbDatabase* db, std::string_view text);

// The drawing in the bytes read gives, block by block into its buffer: the count it put there, 0 at the end
// of the file, -1 when the bytes cannot be read (readError is then the message). ReadDxf and ReadDxfFile go
// through here.
Acad::ErrorStatus ReadDxfBlocks(AcDbDatabase* db, const std::function<long long(char*, size_t)>& read,
                                const std::string& readError);
// Test hook: the size of the blocks a drawing is read in (0: the default).
void SetDxfReadBlockSize(size_t bytes);

// Files (Windows or POSIX paths). Reading caps files at 1 GiB.
Acad::ErrorStatus ReadDxfFile(AcDbDatabase* db, const ACHAR* path);
Acad::ErrorStatus SaveDxfFile(const AcDbDatabase* db, const ACHAR* path);

}  // namespace platform
