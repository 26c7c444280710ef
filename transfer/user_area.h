#pragma once
// The handset's 128 KB user area: twelve fixed slots, each a 32-byte title and the melody's bytes.
//
//   FM 1..8     index 0..7    offset index * 0x2000             8192 bytes
//   ADPCM 1..4  index 8..11   offset 0x10000 + (index-8)*0x4000  16384 bytes
// A slot as the handset holds it: title (Windows-1252, zero-padded; 32 characters or more keep 32 and no
// zero), then the melody file's bytes (at most the slot size less the title), then zeros. An erased slot
// (flash never written since its erase) is all 0xFF. The image files hold every slot passed through
// ScrambleBytes.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cantavo {

// The handset's twelve melody slots (the engine's sixteen FM voice slots are another thing).
inline constexpr int kMelodySlotCount = 12;
inline constexpr int kFmMelodySlotCount = 8;  // then ADPCM
inline constexpr uint32_t kFmSlotBytes = 8192;
inline constexpr uint32_t kAdpcmSlotBytes = 16384;
inline constexpr uint32_t kAdpcmAreaOffset = kFmMelodySlotCount * kFmSlotBytes;
inline constexpr uint32_t kUserAreaBytes =
    kAdpcmAreaOffset + (kMelodySlotCount - kFmMelodySlotCount) * kAdpcmSlotBytes;
static_assert(kUserAreaBytes == 128 * 1024);
inline constexpr uint32_t kSlotTitleBytes = 32;
// The melody bytes a slot holds: its size less the title (what the converter fits a melody to).
inline constexpr uint32_t kFmMelodyBytes = kFmSlotBytes - kSlotTitleBytes;        // 8160
inline constexpr uint32_t kAdpcmMelodyBytes = kAdpcmSlotBytes - kSlotTitleBytes;  // 16352
inline constexpr uint8_t kErasedByte = 0xFF;

uint32_t SlotOffset(int index);
uint32_t SlotSize(int index);
// The melody bytes slot `index` holds: kFmMelodyBytes or kAdpcmMelodyBytes.
uint32_t SlotCapacity(int index);
// "FM 1".."FM 8", "ADPCM 1".."ADPCM 4".
std::string SlotLabel(int index);
// The set bit's number for 1, 4, 8, ... 2048; 1 for any other mask (which covers 2).
int SlotFromMask(int mask);
// The file name up to its first '.'; the whole name when it has none.
std::string TitleFromFileName(std::string_view fileName);
// Whether a file starts with a SMAF file chunk ("MMMD" and its 32-bit length).
bool StartsWithSmafChunk(std::span<const uint8_t> bytes);
// A slot as stored before scrambling, from a UTF-8 title and the first bytes of the melody (cut to fit).
std::vector<uint8_t> BuildSlot(int index, std::string_view titleUtf8, std::span<const uint8_t> melody);
// The title shown for a slot's 32 title bytes (unscrambled): up to the first zero byte, in UTF-8.
std::string SlotTitle(std::span<const uint8_t> titleBytes);
// Slot `index` of an image file's bytes, unscrambled; bytes beyond a short image read as zero.
std::vector<uint8_t> PlainSlot(std::span<const uint8_t> image, int index);
// Whether an unscrambled slot is erased: its title bytes are all 0xFF.
bool IsErasedSlot(std::span<const uint8_t> slot);
// The melody bytes of an unscrambled slot: a SMAF file's own length from its header, or the data with
// trailing zero bytes removed when it is not SMAF.
std::vector<uint8_t> MelodyBytes(std::span<const uint8_t> slot);
// Parses "1".."12" (FM 1-8, then ADPCM 1-4) into a slot index.
std::optional<int> SlotIndexFromNumber(std::string_view number);

}  // namespace cantavo
