// Arbitrary bytes as a sound file through the converter (ConvertAudio: libsndfile reads them from memory,
// then the fit to the slot), with the options taken from the last byte; what comes out is played a little by
// the engine.
#include <span>

#include "fuzz/fuzz_conversion.h"

// LeakSanitizer's list of leaks to overlook, read when it starts (in this target and in its corpus replay
// under the sanitizers): libsndfile keeps the Vorbis header state of an Ogg stream it failed to open, and
// returns no handle that could free it.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:vorbis_info_init\n";
}

namespace cantavo {
namespace {

int TestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const ConvertOptions options = fuzz::ConversionOptions(data[size - 1]);
    fuzz::CheckConversion(ConvertAudio(std::span(data, size - 1), "fuzz.wav", options), "fuzz.wav");
    return 0;
}

}  // namespace
}  // namespace cantavo

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return cantavo::TestOneInput(data, size);
}
