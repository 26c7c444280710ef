// Block programming against a scripted loader that plays the credit window.
#include <gtest/gtest.h>

#include <numeric>

#include "tests/transfer/session_fixture.h"
#include "transfer/scramble.h"
#include "transfer/session_texts.h"

namespace cantavo::testing {
namespace {

struct ServedBlock {
    std::vector<uint8_t> header;
    std::vector<uint8_t> data;
};

// Takes one block as a loader does: mirrors the PC's window to know each write, answers each with a credit
// byte
// (`extraCredit` too many), then the completion byte. Empty when the PC stops sending.
std::optional<ServedBlock> ServeBlock(const CPtyPair& pty, int extraCredit = 0, uint8_t completion = 0x99) {
    ServedBlock block;
    block.header = pty.Read(4);
    if (block.header.size() < 4) return std::nullopt;
    const int length = block.header[1] | block.header[2] << 8;
    int outstanding = 4;
    int offset = 0;
    do {
        const int n = std::max(0, std::min(16 - outstanding, length - offset));
        const auto bytes = pty.Read(static_cast<size_t>(n));
        if (static_cast<int>(bytes.size()) < n) return std::nullopt;
        block.data.insert(block.data.end(), bytes.begin(), bytes.end());
        outstanding += n;
        const int credit = outstanding + extraCredit;
        pty.Write({static_cast<uint8_t>(credit)});
        outstanding -= credit;
        offset += n;
    } while (offset < length || outstanding > 0);
    pty.Write({completion});
    return block;
}

std::vector<uint8_t> Pattern(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(0x30 + i % 64);
    return bytes;
}

TEST_F(SessionOnPty, AFullBlockIsAnnouncedAsZeroFourAndChecksummedAfterScrambling) {
    const auto original = Pattern(1024);
    auto buffer = original;
    std::optional<ServedBlock> served;
    FarEnd([&] { served = ServeBlock(pty); });
    EXPECT_EQ(session.SendBlock(buffer.data(), 1024), 1);
    JoinFarEnd();
    ASSERT_TRUE(served);
    EXPECT_EQ(served->header[0], 0xAA);
    EXPECT_EQ(served->header[1], 0x00);
    EXPECT_EQ(served->header[2], 0x04);
    auto scrambled = original;
    ScrambleBytes(scrambled.data(), scrambled.size());
    EXPECT_EQ(served->data, scrambled);
    const auto sum = [](const std::vector<uint8_t>& b) {
        return std::accumulate(b.begin(), b.end(), 0u) & 0xFF;
    };
    ASSERT_NE(sum(original), sum(scrambled));  // else the next check could not tell them apart
    EXPECT_EQ(served->header[3], sum(scrambled));
}

TEST_F(SessionOnPty, CreditBeyondWhatIsOutstandingStillEndsTheBlock) {
    auto buffer = Pattern(1024);
    std::optional<ServedBlock> served;
    FarEnd([&] { served = ServeBlock(pty, 20); });
    EXPECT_EQ(session.SendBlock(buffer.data(), 1024), 1);
    JoinFarEnd();
    ASSERT_TRUE(served);
    EXPECT_EQ(served->data.size(), 1024u);
}

TEST_F(SessionOnPty, MissingCreditEndsWithTheFlashErrorReport) {
    auto buffer = Pattern(64);
    FarEnd([&] { pty.Read(16); });
    EXPECT_EQ(session.SendBlock(buffer.data(), 64), 0);
    EXPECT_TRUE(view.Logged(texts::kFlashWritingErrorLog));
    EXPECT_EQ(view.Titles().back(), "Tessvar(M) V2.0  (FLASH 16M_GPO2)");
}

TEST_F(SessionOnPty, ABlockNotConfirmedWithTheCompletionByteFails) {
    auto buffer = Pattern(64);
    FarEnd([&] { ServeBlock(pty, 0, 0x15); });
    EXPECT_EQ(session.SendBlock(buffer.data(), 64), 0);
}

TEST_F(SessionOnPty, ATenByteTailGoesAsTwelveAndProgressEndsAtExactlyOneHundred) {
    const auto image = Pattern(1034);
    std::vector<ServedBlock> blocks;
    FarEnd([&] {
        for (int i = 0; i < 2; ++i)
            if (auto block = ServeBlock(pty)) blocks.push_back(*block);
    });
    EXPECT_EQ(session.SendFileBlocks(image), 1);
    JoinFarEnd();
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[1].header[1], 12);
    EXPECT_EQ(blocks[1].header[2], 0);
    ASSERT_EQ(blocks[1].data.size(), 12u);
    EXPECT_EQ(blocks[1].data[10], 0);
    EXPECT_EQ(blocks[1].data[11], 0);
    const auto progress = view.Progress();
    ASSERT_GE(progress.size(), 2u);
    EXPECT_EQ(progress[progress.size() - 2], 100);
    EXPECT_EQ(progress.back(), 0);
    const auto titles = view.Titles();
    EXPECT_NE(std::find(titles.begin(), titles.end(), "Processing : 100%"), titles.end());
    EXPECT_EQ(titles.back(), texts::kTitleResting);
}

TEST_F(SessionOnPty, AnEmptyImageSendsNoBlock) {
    EXPECT_EQ(session.SendFileBlocks({}), 1);
    EXPECT_FALSE(pty.ReadByte(50));
}

TEST_F(SessionOnPty, ProgrammingWithoutADetectedHandsetDoesNothing) {
    view.Clear();
    EXPECT_EQ(session.ProgramFlash(), 0);
    EXPECT_TRUE(view.Logs().empty());
    EXPECT_FALSE(pty.ReadByte(50));
}

}  // namespace
}  // namespace cantavo::testing
