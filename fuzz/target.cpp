// One fuzz target: hands each input to the entry point named at build time and aborts on a broken check, so
// that the engine keeps the input.
#include <cstdio>
#include <cstdlib>

#include "fuzz/entries/entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const tarnfuzz::Entry* entry = tarnfuzz::FindEntry(TARN_FUZZ_ENTRY);
    if (entry == nullptr) {
        std::fprintf(stderr, "no fuzz entry named %s\n", TARN_FUZZ_ENTRY);
        std::abort();
    }
    const std::string problem = entry->run(data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "%s: %s\n", entry->name, problem.c_str());
        std::abort();
    }
    return 0;
}
