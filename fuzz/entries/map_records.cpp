// Map-link records: whatever a parser accepts must write back to a wire form that parses again to the same
// wire form, and must own no byte of the message it came from.
#include <cstdlib>
#include <cstring>

#include "fuzz/entries/entries.h"
#include "plugin/maplink/maplink.h"
#include "plugin/maplink/mapobj.h"

namespace tarnfuzz {

namespace {

void* Parse(int type, const void* bytes, DWORD count) {
    switch (type) {
        case kMapTypeFolder:
            return MapApiParseFolder(nullptr, bytes, count);
        case kMapTypeMark:
            return MapApiParseMarker(nullptr, bytes, count);
        case kMapTypeTrack:
            return MapApiParseTrack(nullptr, bytes, count);
        case kMapTypeShape:
            return MapApiParseShape(nullptr, bytes, count);
        default:
            return MapApiParseMulti(nullptr, bytes, count);
    }
}

}  // namespace

std::string RunMapRecords(const std::uint8_t* data, std::size_t size) {
    static const int kTypes[] = {kMapTypeFolder, kMapTypeMark, kMapTypeTrack, kMapTypeShape, kMapTypeMulti};
    if (size < 1) {
        return {};
    }
    const int type = kTypes[data[0] % 5];
    // The message in a block of its own, so that a read past its end is caught.
    const std::size_t count = size - 1;
    auto* message = static_cast<std::uint8_t*>(std::malloc(count > 0 ? count : 1));
    std::memcpy(message, data + 1, count);
    void* first = Parse(type, message, static_cast<DWORD>(count));
    // The record must not lean on the message once it is parsed.
    std::memset(message, 0xA5, count);
    std::free(message);
    if (first == nullptr) {
        return {};
    }
    std::string problem;
    if (static_cast<const char*>(first)[kMapNameBytes - 1] != '\0') {
        problem = "name not terminated inside its field";
    }
    DWORD size1 = 0;
    BYTE* wire1 = MapApiSerializeObj(nullptr, first, type, &size1);
    MapApiFreeObj(nullptr, first, type);
    if (wire1 == nullptr) {
        return problem.empty() ? "a parsed record does not write back" : problem;
    }
    void* second = Parse(type, wire1, size1);
    if (second == nullptr) {
        std::free(wire1);
        return "the written form of a parsed record does not parse";
    }
    DWORD size2 = 0;
    BYTE* wire2 = MapApiSerializeObj(nullptr, second, type, &size2);
    MapApiFreeObj(nullptr, second, type);
    if (problem.empty() && (wire2 == nullptr || size1 != size2 || std::memcmp(wire1, wire2, size1) != 0)) {
        problem = "a record written, parsed and written again changed";
    }
    std::free(wire1);
    std::free(wire2);
    return problem;
}

}  // namespace tarnfuzz
