// A loader file from the input (a loader table or a bare loader image): read as the window and cantavo-cli
// read it, and when taken, downloaded to a far end that acknowledges every frame, which must receive exactly
// that image with the parameter words, and which the virtual handset, told to run that loader, accepts.
#include <memory>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "tests/transfer/recording_view.h"
#include "tests/transfer/scripted_port.h"
#include "tools/handset/loader_check.h"
#include "transfer/handset_session.h"
#include "transfer/loader_table.h"
#include "transfer/protocol.h"

namespace cantavo {
namespace {

namespace fs = std::filesystem;
using testing::CScriptedPort;

constexpr size_t kTableBytes = 11960;
constexpr size_t kImageArea = 5976;
constexpr size_t kSmallestImage = 30;
constexpr uint8_t kAck = 0x06;

// The size word of entry 0 of a table, or the size of a bare image; 0 when the file is neither.
size_t SendableSize(std::span<const uint8_t> file) {
    const size_t size = file.size() == kTableBytes
                            ? (file[0] | file[1] << 8 | file[2] << 16 | size_t{file[3]} << 24)
                            : file.size();
    return size >= kSmallestImage && size <= kImageArea ? size : 0;
}

// The image bytes as a loader file gives them.
std::span<const uint8_t> ImageOf(std::span<const uint8_t> file, size_t size) {
    return file.size() == kTableBytes ? file.subspan(8, size) : file.first(size);
}

// The frames the PC wrote, checked one by one (length, data, check byte), joined; the end frame last.
std::vector<uint8_t> JoinFrames(const std::vector<uint8_t>& written) {
    std::vector<uint8_t> image;
    size_t at = 0;
    for (;;) {
        FUZZ_CHECK(at < written.size());
        const size_t length = written[at];
        FUZZ_CHECK(length <= protocol::LoaderFrame::kMaxData && at + length + 2 <= written.size());
        uint8_t check = 0;
        for (size_t i = at; i <= at + length; ++i) check ^= written[i];
        FUZZ_CHECK(written[at + length + 1] == check);
        if (length == 0) {
            FUZZ_CHECK(at + 2 == written.size());
            return image;
        }
        // Every frame is full but the last one before the end frame.
        image.insert(image.end(), written.begin() + at + 1, written.begin() + at + 1 + length);
        at += length + 2;
        FUZZ_CHECK(length == protocol::LoaderFrame::kMaxData || written[at] == 0);
    }
}

int TestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> file(data, size);
    const fs::path path = fuzz::Folder() / "handset.ldr";
    fuzz::WriteFile(path, file);

    std::string error;
    const auto table = ReadLoaderFile(path, error);
    const size_t sendable = SendableSize(file);
    FUZZ_CHECK(table.has_value() == (sendable != 0));
    if (!table) {
        FUZZ_CHECK(error.starts_with(path.string() + ": "));
        return 0;
    }
    const auto image = ImageOf(file, sendable);
    FUZZ_CHECK(std::equal(table->Image().begin(), table->Image().end(), image.begin(), image.end()));

    testing::CRecordingView view;
    auto owned = std::make_unique<CScriptedPort>(
        [](CScriptedPort& port, std::span<const uint8_t>) { port.Deliver({kAck}); });
    CScriptedPort& port = *owned;
    CHandsetSession session(view, std::move(owned));
    FUZZ_CHECK(session.LoadLoaderFile(path) == 1);
    FUZZ_CHECK(session.InitSerialPort(protocol::kWorkingBaud) == 1);
    FUZZ_CHECK(session.DownloadLoader() == 1);

    // What arrived is the image with the three parameter words of a Connect over its bytes 4..15, which the
    // virtual handset running this loader accepts.
    const auto received = JoinFrames(port.Written());
    FUZZ_CHECK(received.size() == image.size());
    FUZZ_CHECK(std::equal(image.begin(), image.begin() + 4, received.begin()));
    FUZZ_CHECK(std::equal(image.begin() + 16, image.end(), received.begin() + 16));
    FUZZ_CHECK(CheckLoader(received, image, protocol::LineControlWord(8, 0)).empty());
    return 0;
}

}  // namespace
}  // namespace cantavo

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return cantavo::TestOneInput(data, size);
}
