// Replays a fuzz target's corpus through its entry point, without libFuzzer. A broken property stops the
// program in the target (FUZZ_CHECK) after the input's name was printed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace cantavo {
namespace {

TEST(CANTAVO_FUZZ_SUITE, EveryInputRunsThrough) {
    std::vector<std::filesystem::path> inputs;
    for (const auto& entry : std::filesystem::directory_iterator(CANTAVO_FUZZ_CORPUS_DIR))
        inputs.push_back(entry.path());
    std::sort(inputs.begin(), inputs.end());
    for (const auto& input : inputs) {
        std::fprintf(stderr, "%s\n", input.filename().c_str());
        const auto bytes = fuzz::ReadFile(input);
        EXPECT_EQ(LLVMFuzzerTestOneInput(bytes.data(), bytes.size()), 0);
    }
    EXPECT_GE(inputs.size(), 3u);
}

}  // namespace
}  // namespace cantavo
