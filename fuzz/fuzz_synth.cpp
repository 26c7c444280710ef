// Arbitrary bytes as a SMAF file through the Synth functions: the file in two pieces, play, a few renders, a
// seek to a point taken from the last byte, more renders, release.
#include <array>

#include "engine/synth.h"
#include "fuzz/fuzz_support.h"

namespace cantavo {
namespace {

constexpr uint32_t kRenderBytes = 1024;  // 256 frames a call
constexpr int kRendersBeforeSeek = 4;
constexpr int kRendersAfterSeek = 2;
constexpr size_t kLargestInput = 1 << 20;

void RenderSome(int calls) {
    std::array<uint8_t, kRenderBytes> buffer;
    for (int i = 0; i < calls && SynthRender(buffer.data(), kRenderBytes) != 0; ++i) {
    }
}

int TestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > kLargestInput) return 0;
    const uint8_t last = data[size - 1];
    SynthSetData(nullptr, 0);
    SynthSetRepeat(last & 1);
    const uint32_t half = static_cast<uint32_t>(size / 2);
    SynthSetData(data, half);
    SynthSetData(data + half, static_cast<uint32_t>(size - half));
    if (SynthPlay() == 1) {
        RenderSome(kRendersBeforeSeek);
        if (SynthSeek(last) == 0) RenderSome(kRendersAfterSeek);
    }
    SynthSetData(nullptr, 0);
    FUZZ_CHECK(SynthPlay() == 0);  // released: nothing left to play
    return 0;
}

}  // namespace
}  // namespace cantavo

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return cantavo::TestOneInput(data, size);
}
