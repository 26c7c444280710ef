// libFuzzer target: arbitrary bytes as a SMAF file through the Synth functions.
#include "fuzz/synth_fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RunSynthFuzzInput(data, size);
    return 0;
}
