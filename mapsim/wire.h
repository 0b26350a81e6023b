// Little-endian readers and writers over byte blocks. The simulator keeps no record structs of the plug-in's:
// it reads and writes every field at its offset, so a layout mistake on either side shows up as a mismatch.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace mapsim {

using Bytes = std::vector<uint8_t>;

// Reads a value at an offset; 0 when it does not lie wholly inside the block (peer bytes are untrusted).
template <typename T>
T Get(const uint8_t* data, size_t size, size_t offset) {
    static_assert(std::is_trivially_copyable_v<T>);
    T value{};
    if (offset <= size && sizeof(T) <= size - offset) {
        std::memcpy(&value, data + offset, sizeof(T));
    }
    return value;
}

template <typename T>
T Get(const Bytes& bytes, size_t offset) {
    return Get<T>(bytes.data(), bytes.size(), offset);
}

// Writes a value at an offset, growing the block with zeros when it is too short.
template <typename T>
void Put(Bytes& bytes, size_t offset, T value) {
    static_assert(std::is_trivially_copyable_v<T>);
    if (bytes.size() < offset + sizeof(T)) {
        bytes.resize(offset + sizeof(T), 0);
    }
    std::memcpy(bytes.data() + offset, &value, sizeof(T));
}

inline void PutBytes(Bytes& bytes, size_t offset, const void* data, size_t size) {
    if (bytes.size() < offset + size) {
        bytes.resize(offset + size, 0);
    }
    if (size > 0) {
        std::memcpy(bytes.data() + offset, data, size);
    }
}

// A NUL-terminated text inside a field of `width` bytes at `offset`; the text stops at the field's end or the
// block's end when no NUL comes first.
inline std::string GetText(const uint8_t* data, size_t size, size_t offset, size_t width) {
    if (offset >= size) {
        return {};
    }
    const size_t limit = std::min(width, size - offset);
    const auto* begin = reinterpret_cast<const char*>(data + offset);
    const void* nul = std::memchr(begin, 0, limit);
    return std::string(begin, nul ? static_cast<const char*>(nul) - begin : limit);
}

inline std::string GetText(const Bytes& bytes, size_t offset, size_t width) {
    return GetText(bytes.data(), bytes.size(), offset, width);
}

// Whether the field holds a NUL before its end (a terminated text).
inline bool IsTerminated(const uint8_t* data, size_t size, size_t offset, size_t width) {
    if (offset >= size || width > size - offset) {
        return false;
    }
    return std::memchr(data + offset, 0, width) != nullptr;
}

// Writes a UTF-8 text into a zeroed field of `width` bytes, cut to at most width - 1 bytes so that a NUL
// always follows; a cut never splits a character (names are cut so on both sides, and must compare equal).
inline void PutText(Bytes& bytes, size_t offset, size_t width, std::string_view text) {
    if (bytes.size() < offset + width) {
        bytes.resize(offset + width, 0);
    }
    std::memset(bytes.data() + offset, 0, width);
    size_t n = std::min(text.size(), width - 1);
    if (n < text.size()) {
        while (n > 0 && (static_cast<uint8_t>(text[n]) & 0xC0) == 0x80) {
            --n;  // text[n] continues the character before the cut: drop that character whole
        }
    }
    if (n > 0) {
        std::memcpy(bytes.data() + offset, text.data(), n);
    }
}

}  // namespace mapsim
