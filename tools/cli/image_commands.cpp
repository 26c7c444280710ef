// list, insert and extract: work on image and backup files without a handset.
#include <cstdio>

#include "host/file_io.h"
#include "tools/cli/cli_view.h"
#include "tools/cli/commands.h"
#include "tools/cli/image_file.h"
#include "tools/cli/temp_folder.h"
#include "transfer/handset_session.h"
#include "transfer/user_area.h"

namespace cantavo::cli {
namespace {

constexpr size_t kTitleColumns = kSlotTitleBytes;

std::optional<int> ParseSlot(const std::string& slot) {
    const auto index = SlotIndexFromNumber(slot);
    if (!index) Fail("slot '" + slot + "': SLOT is 1-12 (FM 1-8, then ADPCM 1-4)");
    return index;
}

// A title as the terminal shows it, padded to `columns` columns. Titles are Windows-1252 text, one column per
// character; control characters, which a terminal would act on, are shown as '?'.
std::string TitleColumn(const std::string& utf8, size_t columns) {
    std::string shown;
    size_t used = 0;
    for (size_t i = 0; i < utf8.size(); ++used) {
        const auto lead = static_cast<uint8_t>(utf8[i]);
        const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        // C0 controls and DEL are single bytes; C1 controls (U+0080..U+009F) are 0xC2 0x80..0x9F.
        const bool control =
            length == 1 ? lead < 0x20 || lead == 0x7F
                        : lead == 0xC2 && i + 1 < utf8.size() && static_cast<uint8_t>(utf8[i + 1]) < 0xA0;
        shown += control ? std::string("?") : utf8.substr(i, length);
        i += length;
    }
    if (used < columns) shown.append(columns - used, ' ');
    return shown;
}

// The session's own slot operations, on a private working copy of an image file.
class CImageRun {
public:
    CImageRun() : m_view(false), m_session(m_view) {}

    bool Open(const std::vector<uint8_t>& image) {
        std::string error;
        if (m_folder.Create(error)) {
            m_session.Initialise(m_folder.Path());
            if (WriteFileBytes(m_session.WorkFile(), image, error)) return true;
        }
        Fail(error);
        return false;
    }
    CHandsetSession& Session() { return m_session; }
    CCliView& View() { return m_view; }

private:
    CTempFolder m_folder;
    CCliView m_view;
    CHandsetSession m_session;
};

}  // namespace

int ListImage(const std::filesystem::path& file) {
    const auto image = ReadImage(file);
    if (!image) return kExitFailure;
    for (int index = 0; index < kMelodySlotCount; ++index) {
        const auto slot = PlainSlot(*image, index);
        if (IsErasedSlot(slot))
            std::printf("%2d  %-8s (empty)\n", index + 1, SlotLabel(index).c_str());
        else
            std::printf("%2d  %-8s %s %6zu bytes\n", index + 1, SlotLabel(index).c_str(),
                        TitleColumn(SlotTitle(slot), kTitleColumns).c_str(), MelodyBytes(slot).size());
    }
    return kExitSuccess;
}

int InsertIntoImage(const std::filesystem::path& file, const std::string& slotNumber,
                    const std::filesystem::path& melody, bool force) {
    const auto index = ParseSlot(slotNumber);
    const auto image = index ? ReadImage(file) : std::nullopt;
    if (!image) return kExitFailure;
    CImageRun run;
    if (!run.Open(*image)) return kExitFailure;
    run.View().SetForce(force);
    run.Session().OnSelectSlot(*index);
    run.Session().SelectSourceFile(melody);
    if (run.Session().InsertFile() == 0) return kExitFailure;
    // The working copy replaces the file only when the insert succeeded.
    std::string error;
    const auto updated = ReadFileBytes(run.Session().WorkFile(), error);
    if (!updated || !WriteFileBytes(file, *updated, error)) return Fail(error);
    return kExitSuccess;
}

int ExtractFromImage(const std::filesystem::path& file, const std::string& slotNumber,
                     const std::filesystem::path& out) {
    const auto index = ParseSlot(slotNumber);
    const auto image = index ? ReadImage(file) : std::nullopt;
    if (!image) return kExitFailure;
    CImageRun run;
    if (!run.Open(*image)) return kExitFailure;
    return run.Session().SaveSlotMelody(*index, out) == 1 ? 0 : 1;
}

}  // namespace cantavo::cli
