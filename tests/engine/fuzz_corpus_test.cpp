// Replays the fuzz target's regression corpus through the same input function, without libFuzzer.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "engine/synth.h"
#include "fuzz/synth_fuzz_input.h"

namespace {

TEST(FuzzCorpus, EveryInputPlaysThroughAndIsReleased) {
    size_t inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(CANTAVO_FUZZ_CORPUS_DIR)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
        SCOPED_TRACE(entry.path().filename().string());
        RunSynthFuzzInput(bytes.data(), bytes.size());
        EXPECT_EQ(SynthPlay(), 0);  // released: nothing left to play
        ++inputs;
    }
    EXPECT_GE(inputs, 3u);
}

}  // namespace
