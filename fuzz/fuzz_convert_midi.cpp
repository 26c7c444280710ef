// Arbitrary bytes as a MIDI file through the converter (ConvertMidi), with the options taken from the last
// byte; what comes out is played a little by the engine.
#include <span>

#include "fuzz/fuzz_conversion.h"

namespace cantavo {
namespace {

int TestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const ConvertOptions options = fuzz::ConversionOptions(data[size - 1]);
    fuzz::CheckConversion(ConvertMidi(std::span(data, size - 1), "fuzz.mid", options), "fuzz.mid");
    return 0;
}

}  // namespace
}  // namespace cantavo

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return cantavo::TestOneInput(data, size);
}
