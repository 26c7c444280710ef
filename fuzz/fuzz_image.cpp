// An image or backup file and a melody file from the input, through what cantavo-cli and the window do with
// them: list, insert, extract, and restore into a working image.
//
// Input: a flags byte, a slot byte, a name length and that many bytes of the melody's file name (".mmf" is
// added), a 16-bit length n, n bytes of the image file, the rest the melody file. Flags bit 0: insert with
// --force. Bit 1: the image is a whole user area of zeros with the n bytes at the slot's offset (else the n
// bytes are the file). Bit 2: a whole image gets (n mod 256) + 1 bytes more. Bit 3: the slot is given as a
// number outside 1-12. Bits 5-4: the operation (list, extract, insert, restore).
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "fuzz/fuzz_support.h"
#include "tests/transfer/recording_view.h"
#include "tools/cli/commands.h"
#include "transfer/handset_session.h"
#include "transfer/scramble.h"
#include "transfer/user_area.h"

namespace cantavo {
namespace {

using fuzz::CInputReader;
namespace fs = std::filesystem;

constexpr size_t kAreaBytes = 0x20000;
constexpr size_t kTitleBytes = 32;
constexpr size_t kMaxNameBytes = 40;

size_t SlotStart(int slot) {
    return slot < 8 ? slot * 0x2000 : 0x10000 + (slot - 8) * 0x4000;
}
size_t SlotBytes(int slot) {
    return slot < 8 ? 0x2000 : 0x4000;
}

std::vector<uint8_t> ImageFile(std::span<const uint8_t> part, uint8_t flags, int slot) {
    if (!(flags & 2)) return {part.begin(), part.end()};
    std::vector<uint8_t> image(kAreaBytes + ((flags & 4) ? part.size() % 256 + 1 : 0), 0);
    std::copy_n(part.begin(), std::min(part.size(), image.size() - SlotStart(slot)),
                image.begin() + SlotStart(slot));
    return image;
}

// A slot of `image` as the handset holds it (unscrambled); zeros past the end of a short image.
std::vector<uint8_t> HandsetSlot(const std::vector<uint8_t>& image, int slot) {
    std::vector<uint8_t> bytes(SlotBytes(slot), 0);
    const size_t start = SlotStart(slot);
    if (start < image.size())
        std::copy_n(image.begin() + start, std::min(bytes.size(), image.size() - start), bytes.begin());
    ScrambleBytes(bytes.data(), bytes.size());
    return bytes;
}

bool IsSmaf(std::span<const uint8_t> bytes) {
    return bytes.size() >= 8 && std::equal(bytes.begin(), bytes.begin() + 4, "MMMD");
}

// What extract writes for a slot: a SMAF file's own length, else the data without its trailing zeros.
std::vector<uint8_t> ExpectedMelody(const std::vector<uint8_t>& slot) {
    const std::span<const uint8_t> data = std::span(slot).subspan(kTitleBytes);
    if (IsSmaf(data)) {
        const uint64_t length = 8 + (uint64_t{data[4]} << 24 | data[5] << 16 | data[6] << 8 | data[7]);
        return {data.begin(), data.begin() + std::min<uint64_t>(length, data.size())};
    }
    size_t end = data.size();
    while (end > 0 && data[end - 1] == 0) --end;
    return {data.begin(), data.begin() + end};
}

// Runs `list` with its standard output in a file, and returns what it printed.
std::string ListOutput(const fs::path& image, int& status) {
    const fs::path listing = fuzz::Folder() / "listing.txt";
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    const int file = open(listing.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    FUZZ_CHECK(saved >= 0 && file >= 0);
    dup2(file, STDOUT_FILENO);
    close(file);
    status = cli::ListImage(image);
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    const auto bytes = fuzz::ReadFile(listing);
    return {bytes.begin(), bytes.end()};
}

// Twelve lines, and nothing a terminal would act on: no C0 control but the line ends, no DEL, no C1 control.
void CheckListing(const std::string& text) {
    FUZZ_CHECK(std::count(text.begin(), text.end(), '\n') == 12);
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<uint8_t>(text[i]);
        FUZZ_CHECK(byte >= 0x20 || byte == '\n');
        FUZZ_CHECK(byte != 0x7F);
        FUZZ_CHECK(!(byte == 0xC2 && i + 1 < text.size() && static_cast<uint8_t>(text[i + 1]) < 0xA0));
    }
}

void CheckInsert(const std::vector<uint8_t>& before, const std::vector<uint8_t>& after, int slot,
                 std::span<const uint8_t> melody, const std::string& name, bool inserted, bool force) {
    const size_t capacity = SlotBytes(slot) - kTitleBytes;
    const bool fits = before.size() >= kAreaBytes && melody.size() <= capacity;
    FUZZ_CHECK(inserted == (fits && (IsSmaf(melody) || force)));
    if (!inserted) {
        FUZZ_CHECK(after == before);
        return;
    }
    // Everything but the slot as it was; the slot holds the title, the melody and zeros.
    FUZZ_CHECK(after.size() == before.size());
    const size_t start = SlotStart(slot);
    const size_t end = start + SlotBytes(slot);
    FUZZ_CHECK(std::equal(before.begin(), before.begin() + start, after.begin()));
    FUZZ_CHECK(std::equal(before.begin() + end, before.end(), after.begin() + end));
    const auto stored = HandsetSlot(after, slot);
    FUZZ_CHECK(std::equal(melody.begin(), melody.end(), stored.begin() + kTitleBytes));
    FUZZ_CHECK(std::all_of(stored.begin() + kTitleBytes + melody.size(), stored.end(),
                           [](uint8_t b) { return b == 0; }));
    const auto titleEnd = std::find(stored.begin(), stored.begin() + kTitleBytes, 0);
    FUZZ_CHECK(std::all_of(titleEnd, stored.begin() + kTitleBytes, [](uint8_t b) { return b == 0; }));
    // A plain ASCII name is its own title, up to its first '.' and 32 characters.
    const std::string title = name.substr(0, name.find('.'));
    if (std::all_of(title.begin(), title.end(), [](char c) { return c >= 0x20 && c < 0x7F; })) {
        const size_t shown = std::min(title.size(), kTitleBytes);
        FUZZ_CHECK(std::equal(title.begin(), title.begin() + shown, stored.begin()));
        FUZZ_CHECK(shown == kTitleBytes || stored[shown] == 0);
    }
}

// The window's restore: the working image becomes the backup's first bytes, or stays when it is too short.
void CheckRestore(const fs::path& backup, const std::vector<uint8_t>& bytes) {
    const fs::path folder = fuzz::Folder() / "session";
    testing::CRecordingView view;
    CHandsetSession session(view);
    session.Initialise(folder);
    std::vector<uint8_t> work(kAreaBytes);
    for (size_t i = 0; i < work.size(); ++i) work[i] = static_cast<uint8_t>(i * 13);
    fuzz::WriteFile(session.WorkFile(), work);
    const int restored = session.RestoreBackupCopy(backup);
    const auto after = fuzz::ReadFile(session.WorkFile());
    FUZZ_CHECK(restored == (bytes.size() >= kAreaBytes ? 1 : 0));
    if (restored == 1)
        FUZZ_CHECK(std::equal(after.begin(), after.end(), bytes.begin()) && after.size() == kAreaBytes);
    else
        FUZZ_CHECK(after == work);
}

int TestOneInput(const uint8_t* data, size_t size) {
    CInputReader input(data, size);
    const uint8_t flags = input.Byte();
    const int slot = input.Byte() % 12;
    const auto nameBytes = input.Bytes(input.Byte() % (kMaxNameBytes + 1));
    const auto imagePart = input.Bytes(input.Word16());
    const auto melody = input.Rest();
    const bool force = flags & 1;
    const bool slotOk = !(flags & 8);
    const std::string slotText =
        slotOk ? std::to_string(slot + 1) : std::to_string(slot == 0 ? 0 : 12 + slot);

    const fs::path& folder = fuzz::Folder();
    const fs::path imageFile = folder / "image.smf";
    const auto image = ImageFile(imagePart, flags, slot);
    fuzz::WriteFile(imageFile, image);

    switch ((flags >> 4) & 3) {
        case 0: {
            int listed = 1;
            const std::string listing = ListOutput(imageFile, listed);
            FUZZ_CHECK(listed == (image.size() >= kAreaBytes ? 0 : 1));
            if (listed == 0) CheckListing(listing);
            break;
        }
        case 1: {
            const fs::path out = folder / "out.mmf";
            fs::remove(out);
            const int extracted = cli::ExtractFromImage(imageFile, slotText, out);
            const size_t title = std::min(image.size(), SlotStart(slot));
            const bool erased = std::all_of(image.begin() + title,
                                            image.begin() + std::min(image.size(), title + kTitleBytes),
                                            [](uint8_t b) { return b == 0xFF; });
            FUZZ_CHECK((extracted == 0) == (slotOk && image.size() >= kAreaBytes && !erased));
            if (extracted == 0) FUZZ_CHECK(fuzz::ReadFile(out) == ExpectedMelody(HandsetSlot(image, slot)));
            break;
        }
        case 2: {
            // The melody under a name from the input, when the file system takes it.
            std::string name(nameBytes.begin(), nameBytes.end());
            std::replace(name.begin(), name.end(), '/', '_');
            name.erase(std::remove(name.begin(), name.end(), '\0'), name.end());
            name += ".mmf";
            const fs::path melodyFile = folder / "melodies" / name;
            fs::create_directories(melodyFile.parent_path());
            fuzz::WriteFile(melodyFile, melody);
            if (!fs::exists(melodyFile) || fuzz::ReadFile(melodyFile).size() != melody.size()) break;
            const int status = cli::InsertIntoImage(imageFile, slotText, melodyFile, force);
            fs::remove(melodyFile);
            const auto after = fuzz::ReadFile(imageFile);
            if (slotOk)
                CheckInsert(image, after, slot, melody, name, status == 0, force);
            else
                FUZZ_CHECK(status == 1 && after == image);
            break;
        }
        case 3:
            CheckRestore(imageFile, image);
            break;
    }
    return 0;
}

}  // namespace
}  // namespace cantavo

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return cantavo::TestOneInput(data, size);
}
