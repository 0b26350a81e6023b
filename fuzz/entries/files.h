// Inputs that are files to the code under test: written to a folder of this process's own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarnfuzz {

// Writes the bytes to a file of the given name in the process's scratch folder; its path, "" on failure.
std::string WriteScratchFile(const char* name, const std::uint8_t* data, std::size_t size);

}  // namespace tarnfuzz
