// The value parsers of drawing files on one value in a block of its own: nothing read past its end, nothing
// non-finite accepted, and what a writer puts out parses back to the same value.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "fuzz/entries/entries.h"
#include "platform/arx/acdb/dxfio.h"

namespace tarnfuzz {

std::string RunDxfValues(const std::uint8_t* data, std::size_t size) {
    namespace dxf = platform::dxf;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    double real = 0.0;
    if (dxf::ParseReal(text, real)) {
        if (!std::isfinite(real)) {
            return "a non-finite real was accepted";
        }
        double back = 0.0;
        if (!dxf::ParseReal(dxf::FormatReal(real), back) || back != real) {
            return "a real does not come back through its written form";
        }
    }
    double radians = 0.0;
    if (dxf::ParseDegrees(text, radians)) {
        if (!std::isfinite(radians)) {
            return "a non-finite angle was accepted";
        }
        double back = 0.0;
        if (!dxf::ParseDegrees(dxf::FormatDegrees(radians), back) || back != radians) {
            return "an angle does not come back through its written form";
        }
    }
    long long integer = 0;
    if (dxf::ParseInteger(text, integer)) {
        long long back = 0;
        if (!dxf::ParseInteger(dxf::FormatInteger(integer), back) || back != integer) {
            return "an integer does not come back through its written form";
        }
    }
    std::uint64_t handle = 0;
    if (dxf::ParseHandle(text, handle)) {
        std::uint64_t back = 0;
        if (!dxf::ParseHandle(dxf::FormatHandle(handle), back) || back != handle) {
            return "a handle does not come back through its written form";
        }
    }
    std::string bytes;
    if (dxf::ParseBinary(text, bytes)) {
        std::string back;
        if (!dxf::ParseBinary(dxf::FormatBinary(bytes), back) || back != bytes) {
            return "a binary chunk does not come back through its written form";
        }
    }
    for (int codePage : {936, 1252, 0}) {
        const std::u16string decoded = dxf::DecodeText(text, codePage);
        if (dxf::DecodeText(dxf::EncodeText(decoded), codePage) != decoded) {
            return "a text does not come back through its written form";
        }
    }
    return {};
}

}  // namespace tarnfuzz
