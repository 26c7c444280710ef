// list, insert and extract: work on image and backup files without a handset.
#include <cstdio>

#include "tools/cli/cli_view.h"
#include "tools/cli/commands.h"
#include "tools/cli/temp_folder.h"
#include "transfer/file_io.h"
#include "transfer/handset_session.h"
#include "transfer/scramble.h"
#include "transfer/user_area.h"

namespace cantavo::cli {
namespace {

int Fail(const std::string& text) {
    std::fprintf(stderr, "cantavo-cli: %s\n", text.c_str());
    return 1;
}

std::optional<std::vector<uint8_t>> ReadImage(const std::filesystem::path& file) {
    std::string error;
    auto image = ReadFileBytes(file, error);
    if (!image) {
        Fail(error);
        return std::nullopt;
    }
    if (image->size() < kUserAreaBytes) {
        Fail(file.string() + ": " + std::to_string(image->size()) + " bytes, not a user-area image (" +
             std::to_string(kUserAreaBytes) + " bytes)");
        return std::nullopt;
    }
    return image;
}

std::optional<int> ParseSlot(const std::string& slot) {
    const auto index = SlotIndexFromNumber(slot);
    if (!index) Fail("slot '" + slot + "': SLOT is 1-12 (FM 1-8, then ADPCM 1-4)");
    return index;
}

std::string SlotLabel(int index) {
    return index < kFmSlotCount ? "FM " + std::to_string(index + 1)
                                : "ADPCM " + std::to_string(index - kFmSlotCount + 1);
}

// A slot as the handset holds it.
std::vector<uint8_t> UnscrambledSlot(const std::vector<uint8_t>& image, int index) {
    std::vector<uint8_t> slot(image.begin() + SlotOffset(index),
                              image.begin() + SlotOffset(index) + SlotSize(index));
    ScrambleBytes(slot.data(), slot.size());
    return slot;
}

}  // namespace

int ListImage(const std::filesystem::path& file) {
    const auto image = ReadImage(file);
    if (!image) return 1;
    for (int index = 0; index < kSlotCount; ++index) {
        const auto slot = UnscrambledSlot(*image, index);
        std::printf("%2d  %-8s %-32s %6zu bytes\n", index + 1, SlotLabel(index).c_str(),
                    SlotTitle(slot).c_str(), MelodyBytes(slot).size());
    }
    return 0;
}

int InsertIntoImage(const std::filesystem::path& file, const std::string& slotNumber,
                    const std::filesystem::path& melody) {
    const auto index = ParseSlot(slotNumber);
    const auto image = index ? ReadImage(file) : std::nullopt;
    if (!image) return 1;
    // The session's own insert, on a private working image that replaces the file when it succeeds.
    CTempFolder folder;
    std::string error;
    if (!folder.Create(error)) return Fail(error);
    CCliView view(false);
    CHandsetSession session(view);
    session.Initialise(folder.Path());
    if (!WriteFileBytes(session.WorkFile(), *image, error)) return Fail(error);
    session.OnSelectSlot(*index);
    session.SelectSourceFile(melody);
    if (session.InsertFile() == 0) return 1;
    const auto updated = ReadFileBytes(session.WorkFile(), error);
    if (!updated || !WriteFileBytes(file, *updated, error)) return Fail(error);
    return 0;
}

int ExtractFromImage(const std::filesystem::path& file, const std::string& slotNumber,
                     const std::filesystem::path& out) {
    const auto index = ParseSlot(slotNumber);
    const auto image = index ? ReadImage(file) : std::nullopt;
    if (!image) return 1;
    const auto melody = MelodyBytes(UnscrambledSlot(*image, *index));
    std::string error;
    if (!WriteFileBytes(out, melody, error)) return Fail(error);
    return 0;
}

}  // namespace cantavo::cli
