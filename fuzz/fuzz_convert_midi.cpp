// Arbitrary bytes as a MIDI file through the converter (ConvertMidi), with the options taken from the last
// byte; what comes out is played a little by the engine.
#include <span>

#include "fuzz/fuzz_conversion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const ConvertOptions options = cantavo::fuzz::ConversionOptions(data[size - 1]);
    cantavo::fuzz::CheckConversion(ConvertMidi(std::span(data, size - 1), "fuzz.mid", options), "fuzz.mid");
    return 0;
}
