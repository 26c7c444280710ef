// The user-area image files: reading the handset's area, the working copy, slot names and inserts.
#include <algorithm>
#include <array>

#include "host/file_io.h"
#include "transfer/charset.h"
#include "transfer/handset_session.h"
#include "transfer/protocol.h"
#include "transfer/scramble.h"
#include "transfer/session_texts.h"
#include "transfer/text_format.h"
#include "transfer/user_area.h"

namespace cantavo {

int CHandsetSession::ReadUserArea() {
    m_view.SetTitle(texts::kTitleLoading);
    SetProgress(0);
    std::string error;
    // Created (or emptied) first, so a folder we cannot write is found before the 13 s read.
    if (!WriteFileBytes(m_imageFile, {}, error)) {
        m_view.LogMessage(error);
        return 0;
    }
    const auto start = Now();
    std::vector<uint8_t> image;
    image.reserve(kUserAreaBytes);
    SendByte(protocol::kSyncRequest);
    std::array<uint8_t, protocol::kReadGroupBytes> group{};
    while (image.size() < kUserAreaBytes) {
        SendByte(protocol::kSyncAnswer);
        // The group at once: each byte still has its own time-out, but the wait does not wake for every byte.
        const size_t count = ReadBytesTimeout(protocol::kReadByteTimeoutMs, group);
        m_nProgress = static_cast<int>((image.size() + count) * 100 / kUserAreaBytes);
        SetProgress(m_nProgress);
        if (count < group.size()) {
            m_view.ShowNotification(texts::kUserDataLoadingError);
            // "sm.tmp" keeps what was read so far.
            if (!WriteFileBytes(m_imageFile, image, error)) m_view.LogMessage(error);
            return 0;
        }
        ScrambleBytes(group.data(), group.size());
        image.insert(image.end(), group.begin(), group.end());
    }
    if (!WriteFileBytes(m_imageFile, image, error)) {
        m_view.LogMessage(error);
        return 0;
    }
    m_view.LogMessage(Format(texts::kDumpingFinished, SecondsSince(start)));
    SetProgress(0);
    return 1;
}

int CHandsetSession::CopyImage() {
    std::string error;
    const auto image = ReadFileBytes(m_imageFile, error);
    if (!image || !WriteFileBytes(m_workFile, *image, error)) {
        m_view.LogMessage(error);
        return 0;
    }
    return 1;
}

void CHandsetSession::ShowSlotNames() {
    std::string error;
    const auto image = ReadFileBytes(m_workFile, error);
    if (!image) {
        m_view.LogMessage(error);
        return;
    }
    SlotNames names;
    for (int slot = 0; slot < kMelodySlotCount; ++slot) {
        const auto plain = PlainSlot(*image, slot);
        names[slot].erased = IsErasedSlot(plain);
        if (!names[slot].erased) names[slot].title = SlotTitle(plain);
    }
    m_view.ShowSlotNames(names);
}

void CHandsetSession::OnSelectSlot(int index) {
    if (index < 0 || index >= kMelodySlotCount) return;
    m_nSlotIndex = index;
    m_nSlotMask = 1 << index;
}

void CHandsetSession::SelectSourceFile(const std::filesystem::path& file) {
    m_selPath = file;
    m_strSelName = file.filename().string();
    m_strSelTitle = TitleFromFileName(m_strSelName);
}

int CHandsetSession::InsertFile() {
    if (IsWorkerRunning()) return 0;
    std::string error;
    const auto reportOpenError = [&] {
        m_view.LogMessage(texts::kFileOpenError);
        m_view.LogMessage(error);
    };
    std::error_code ec;
    const bool folder = std::filesystem::is_directory(m_selPath, ec);
    const auto size = folder ? std::uintmax_t{0} : std::filesystem::file_size(m_selPath, ec);
    if (folder || ec) {
        error = Format(texts::kFileError, m_selPath.c_str(), folder ? "is a folder" : ec.message().c_str());
        reportOpenError();
        return 0;
    }
    if (!FitsSelectedSlot(size)) return 0;  // before reading a file of any size
    std::vector<uint8_t> melody(size);
    const auto count = ReadFileAt(m_selPath, 0, melody, error);
    if (!count) {
        reportOpenError();
        return 0;
    }
    melody.resize(*count);
    if (!StartsWithSmafChunk(melody) && !m_view.Ask(Format(texts::kNotSmafQuestion, m_strSelName.c_str())))
        return 0;
    return InsertMelody(melody);
}

bool CHandsetSession::FitsSelectedSlot(std::uintmax_t size) {
    // The title takes 32 bytes of the slot: a file that fills the whole slot would lose its end.
    const uint32_t capacity = SlotCapacity(SlotFromMask(m_nSlotMask));
    if (size <= capacity) return true;
    m_view.LogMessage(Format(texts::kFileSizeOver, static_cast<int>(capacity)));
    return false;
}

int CHandsetSession::InsertMelody(const std::vector<uint8_t>& melody) {
    if (IsWorkerRunning() || !FitsSelectedSlot(melody.size())) return 0;
    const int slot = SlotFromMask(m_nSlotMask);
    auto bytes = BuildSlot(slot, m_strSelTitle, melody);
    const bool titleCut = Utf8ToCp1252(m_strSelTitle).size() > kSlotTitleBytes;
    const std::string stored = SlotTitle(bytes);
    ScrambleBytes(bytes.data(), bytes.size());
    std::string error;
    if (!WriteFileAt(m_workFile, SlotOffset(slot), bytes, error)) {
        m_view.LogMessage(error);
        return 0;
    }
    if (titleCut) m_view.LogMessage(Format(texts::kTitleCut, stored.c_str()));
    m_view.LogMessage(m_strSelTitle + texts::kFileInserted);
    ShowSlotNames();
    return 1;
}

std::optional<std::vector<uint8_t>> CHandsetSession::SlotMelody(int index) {
    if (index < 0 || index >= kMelodySlotCount) return std::nullopt;
    std::string error;
    const auto image = ReadFileBytes(m_workFile, error);
    if (!image) {
        m_view.LogMessage(error);
        return std::nullopt;
    }
    const auto slot = PlainSlot(*image, index);
    if (IsErasedSlot(slot)) {
        m_view.LogMessage(Format(texts::kSlotEmpty, SlotLabel(index).c_str()));
        return std::nullopt;
    }
    return MelodyBytes(slot);
}

int CHandsetSession::SaveSlotMelody(int index, const std::filesystem::path& file) {
    const auto melody = SlotMelody(index);
    if (!melody) return 0;
    std::string error;
    if (!WriteFileBytes(file, *melody, error)) {
        m_view.LogMessage(error);
        return 0;
    }
    m_view.LogMessage(Format(texts::kMelodySaved, SlotLabel(index).c_str(), file.c_str()));
    return 1;
}

int CHandsetSession::ClearSlot(int index) {
    if (IsWorkerRunning() || index < 0 || index >= kMelodySlotCount) return 0;
    // Erased flash: 0xFF, which the scrambling leaves as it is.
    const std::vector<uint8_t> erased(SlotSize(index), kErasedByte);
    std::string error;
    if (!WriteFileAt(m_workFile, SlotOffset(index), erased, error)) {
        m_view.LogMessage(error);
        return 0;
    }
    m_view.LogMessage(Format(texts::kSlotCleared, SlotLabel(index).c_str()));
    ShowSlotNames();
    return 1;
}

void CHandsetSession::OnReload() {
    if (IsWorkerRunning()) return;
    if (CopyImage() == 0) return;
    ShowSlotNames();
    m_view.LogMessage(texts::kReloadDone);
}

}  // namespace cantavo
