// Voice data files from the input: the bytes of ma2voice.vma and ma2voice.adp handed to a sound device as it
// is built, through the voice table's loaders, then notes on the loaded melody and drum voices rendered.
//
// Input: a flags byte, eight bytes choosing the notes, a 16-bit length n, n bytes of the .vma, the rest the
// .adp. Flags bit 0: the .vma is given as n bytes as they stand; otherwise a whole 86948-byte file, "FM  "
// (or the first four of the n bytes with bit 1), the n bytes placed at the melody records and zeros
// elsewhere. Bit 2: no .adp is given.
#include <array>
#include <cstddef>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/channel_messages.h"
#include "engine/sound_device.h"
#include "engine/synth_engine.h"
#include "fuzz/fuzz_support.h"

namespace cantavo {
namespace {

using fuzz::CInputReader;

constexpr size_t kVmaFileBytes = 86948;
constexpr size_t kVmaMelodyOffset = 33131;
constexpr uint32_t kSongMelodyBank = 20;
constexpr uint32_t kSongDrumBank = 30;
constexpr uint8_t kDirectBank = 0x7A;  // bank select MSB: the LSB is the voice table's bank itself
constexpr uint32_t kRenderFrames = 1024;
constexpr size_t kNotePicks = 8;

std::vector<uint8_t> VmaFile(std::span<const uint8_t> part, uint8_t flags) {
    if (flags & 1) return {part.begin(), part.end()};
    std::vector<uint8_t> file(kVmaFileBytes, 0);
    std::memcpy(file.data(), "FM  ", 4);
    if ((flags & 2) && part.size() >= 4) std::copy_n(part.begin(), 4, file.begin());
    std::copy_n(part.begin(), std::min(part.size(), kVmaFileBytes - kVmaMelodyOffset),
                file.begin() + kVmaMelodyOffset);
    return file;
}

void Send(CSoundDevice& device, std::initializer_list<uint8_t> message) {
    device.ProcessMessage(message.begin(), static_cast<uint32_t>(message.size()));
}

// Record for record but the drum waves: the .adp is read after the song banks were copied, so its waves go
// to the records it names only.
bool SameVoices(const CVoiceTable& voices, uint32_t a, uint32_t b) {
    constexpr size_t kAfterWave = offsetof(VoiceRecord, operator_count);
    for (uint32_t i = 0; i < kVoicesPerBank; ++i) {
        const auto* x = reinterpret_cast<const uint8_t*>(&voices.Record(a, i));
        const auto* y = reinterpret_cast<const uint8_t*>(&voices.Record(b, i));
        if (std::memcmp(x + kAfterWave, y + kAfterWave, sizeof(VoiceRecord) - kAfterWave) != 0) return false;
    }
    return true;
}

int TestOneInput(const uint8_t* data, size_t size) {
    CInputReader input(data, size);
    const uint8_t flags = input.Byte();
    const auto picks = input.Bytes(kNotePicks);
    const auto vma = input.Bytes(input.Word16());
    const auto adp = input.Rest();
    VoiceFiles voices;
    voices.vma = VmaFile(vma, flags);
    if (!(flags & 4)) voices.adp.assign(adp.begin(), adp.end());

    const auto device = std::make_unique<CSoundDevice>(voices);
    // The song banks start as copies of what the files gave banks 0 and 10.
    FUZZ_CHECK(SameVoices(device->Voices(), 0, kSongMelodyBank));
    FUZZ_CHECK(SameVoices(device->Voices(), 10, kSongDrumBank));
    for (uint32_t bank = 0; bank < kVoiceBanks; ++bank)
        for (uint32_t index = 0; index < kVoicesPerBank; ++index) {
            const uint8_t count = device->Voices().Record(bank, index).operator_count;
            FUZZ_CHECK(count == 0 || count == 2 || count == 4);
        }

    // Channel k plays a note from bank k (melody banks 0-9, drum banks 10-19 through channel 9 and up).
    for (uint8_t k = 0; k < kNotePicks; ++k) {
        const uint8_t pick = k < picks.size() ? picks[k] : static_cast<uint8_t>(k * 37);
        const auto channel = static_cast<uint8_t>(k < 4 ? k : k + 5);
        const auto bank = static_cast<uint8_t>(k < 4 ? pick % 10 : 10 + pick % 10);
        Send(*device, {static_cast<uint8_t>(kStatusControl | channel), kControllerBankMsb, kDirectBank});
        Send(*device, {static_cast<uint8_t>(kStatusControl | channel), kControllerBankLsb, bank});
        Send(*device, {static_cast<uint8_t>(kStatusProgram | channel), static_cast<uint8_t>(pick & 0x7F)});
        Send(*device,
             {static_cast<uint8_t>(kStatusNoteOn | channel), static_cast<uint8_t>((pick * 5) & 0x7F), 100});
    }
    // In the engine's chunks, as its render loop does.
    std::array<int16_t, 2 * kChunkFrames> chunk;
    for (uint32_t done = 0; done < kRenderFrames; done += kChunkFrames)
        device->Render(chunk.data(), kChunkFrames);
    return 0;
}

}  // namespace
}  // namespace cantavo

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return cantavo::TestOneInput(data, size);
}
