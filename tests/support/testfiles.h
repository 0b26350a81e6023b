// Whole files of the test's scratch space, read and written byte for byte.
#pragma once

#include <fstream>
#include <iterator>
#include <string>

namespace tarntest {

// The file's bytes; empty when it cannot be read.
inline std::string ReadFile(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& hostPath, const std::string& bytes) {
    std::ofstream(hostPath, std::ios::binary) << bytes;
}

}  // namespace tarntest
