// Group-code level input and output of ASCII drawing files: a file is a sequence of (group code, value) line
// pairs. Texts are written in ASCII with "\U+XXXX" escapes for everything else, so the file reads the same
// in any code page; doubles are written in their shortest round-trip form, angles in degrees through long
// double so that radians come back bit-exact.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/arx/acdb/dbstatus.h"

namespace platform::dxf {

// The value classes of group codes as files hold them.
enum class ValueType { kText, kReal, kInteger, kHandle, kBinary, kUnknown };

// What a group code holds in a file (the R2000-2018 ranges).
ValueType ValueTypeOf(int code);
// Group codes whose value is the first coordinate of a point (its Y and Z follow at +10 and +20).
bool IsPointCode(int code);

// ---- values ----

// ASCII text: printable ASCII stays, every other UTF-16 unit becomes "\U+XXXX", and a backslash that would
// read as such an escape is escaped itself.
std::string EncodeText(std::u16string_view text);
// The text of a file value: raw UTF-8 when the bytes are valid UTF-8, else the file's code page; then the
// "\U+XXXX" escapes are expanded.
std::u16string DecodeText(std::string_view raw, int codePage);

std::string FormatReal(double value);
std::string FormatInteger(long long value);
std::string FormatHandle(std::uint64_t handle);
// Radians as degrees, written so that ParseDegrees gives the same double back.
std::string FormatDegrees(double radians);
std::string FormatBinary(std::string_view bytes);

// Strict parses of trimmed text; false for anything else.
bool ParseReal(std::string_view text, double& value);
bool ParseInteger(std::string_view text, long long& value);
bool ParseHandle(std::string_view text, std::uint64_t& handle);
bool ParseDegrees(std::string_view text, double& radians);
bool ParseBinary(std::string_view text, std::string& bytes);

std::string_view Trim(std::string_view text);

// ---- output ----

class Writer {
public:
    void raw(int code, std::string_view value);
    void text(int code, std::u16string_view value) { raw(code, EncodeText(value)); }
    void real(int code, double value) { raw(code, FormatReal(value)); }
    void degrees(int code, double radians) { raw(code, FormatDegrees(radians)); }
    void integer(int code, long long value) { raw(code, FormatInteger(value)); }
    void handle(int code, std::uint64_t value) { raw(code, FormatHandle(value)); }
    // code, code + 10 and, for three coordinates, code + 20.
    void point(int code, const double* xyz, int dimensions = 3);

    // Handles for what the file needs but the database does not hold (BLOCK and ENDBLK of each block,
    // empty tables, sequence ends): taken above every handle in use, so the file's seed moves past them.
    void setFirstFreeHandle(std::uint64_t handle) { m_nextHandle = handle; }
    std::uint64_t takeHandle() { return m_nextHandle++; }
    std::uint64_t nextFreeHandle() const { return m_nextHandle; }

    const std::string& data() const { return m_out; }
    std::string& data() { return m_out; }

private:
    std::string m_out;
    std::uint64_t m_nextHandle = 1;
};

// ---- input ----

struct Group {
    int code = 0;
    std::string_view value;  // untrimmed for texts, trimmed for numbers
    int line = 0;            // line of the group code (1-based)
};

// How a read failed: the status for callers, the line and a message naming it.
struct Error {
    Acad::ErrorStatus status = Acad::eOk;
    int line = 0;
    std::string message;
};

// Splits the file into groups and checks every numeric value against its group code. The groups point into
// file, which must outlive them.
bool Tokenize(std::string_view file, std::vector<Group>& groups, Error& error);

// Sets error to "line N: what" (status eDxfReadAborted unless given) and returns false.
bool Fail(Error& error, int line, const std::string& what, Acad::ErrorStatus status = Acad::eDxfReadAborted);

}  // namespace platform::dxf
