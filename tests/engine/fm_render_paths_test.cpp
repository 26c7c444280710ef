// The processor's vector renderer against the portable renderers: the same slot operations through both
// must give the same frames and leave the same slot state, sample for sample.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engine/fm_synth.h"

namespace cantavo {
namespace {

// Two synthesizers that receive every operation alike, one on each path.
class TwoPaths {
public:
    bool Ready() {
        m_portable.SetRenderPath(FmRenderPath::kPortable);
        return m_vector.SetRenderPath(FmRenderPath::kVector);
    }

    template <typename Operation>
    void Both(Operation operation) {
        operation(m_vector);
        operation(m_portable);
    }

    // Renders `frames` in LFO chunks of `chunk` on both paths; returns the frames that differ (0 = none)
    // and counts the samples that sound.
    uint32_t RenderAndCompare(uint32_t frames, uint32_t chunk) {
        std::vector<int16_t> vector_out(2 * frames, 0x5555);
        std::vector<int16_t> portable_out(2 * frames, 0x2222);
        m_vector.Render(vector_out.data(), frames, chunk);
        m_portable.Render(portable_out.data(), frames, chunk);
        uint32_t differing = 0;
        for (uint32_t i = 0; i < 2 * frames; ++i) {
            differing += vector_out[i] != portable_out[i];
            m_sounding += portable_out[i] != 0;
        }
        return differing;
    }

    // The state a later render depends on, compared slot by slot.
    void ExpectSameState() const {
        for (uint32_t s = 0; s < kVoiceSlotCount; ++s) {
            const FmSlot& v = m_vector.Slot(s);
            const FmSlot& p = m_portable.Slot(s);
            ASSERT_EQ(v.fb_last, p.fb_last) << "slot " << s;
            ASSERT_EQ(v.fb_prev, p.fb_prev) << "slot " << s;
            for (int k = 0; k < 4; ++k) {
                ASSERT_EQ(v.op[k].phase, p.op[k].phase) << "slot " << s << " operator " << k;
                ASSERT_EQ(v.op[k].eg_level, p.op[k].eg_level) << "slot " << s << " operator " << k;
                ASSERT_EQ(v.op[k].eg_state, p.op[k].eg_state) << "slot " << s << " operator " << k;
            }
        }
    }

    uint64_t Sounding() const { return m_sounding; }

private:
    CFmSynth m_vector;
    CFmSynth m_portable;
    uint64_t m_sounding = 0;
};

// Sixteen 4-operator slots, every connection, feedback, vibrato and full-depth tremolo, keyed again every
// buffer so that the envelopes keep starting, attacking and decaying.
TEST(FmRenderPaths, DenseModulatedSlotsRenderTheSameOnBothPaths) {
    TwoPaths synths;
    if (!synths.Ready()) GTEST_SKIP() << "this processor has no vector renderer";
    for (uint32_t slot = 0; slot < kVoiceSlotCount; ++slot) {
        VoiceRecord voice{};
        voice.algorithm = static_cast<uint8_t>(4 + slot % 4);
        voice.feedback = static_cast<uint8_t>(1 + slot % 7);
        voice.lfo_rate = static_cast<uint8_t>(slot % 4);
        voice.octave_code = 1;
        for (int k = 0; k < 4; ++k) {
            OperatorParams& op = voice.op[k];
            op.multiple = static_cast<uint8_t>(1 + (slot + k) % 5);
            op.vibrato = 1;
            op.tremolo = 1;
            op.tremolo_depth = 3;
            op.attack_rate = static_cast<uint8_t>(11 + k);
            op.decay_rate = static_cast<uint8_t>(3 + k);
            op.sustain_level = static_cast<uint8_t>(2 + k);
            op.release_rate = 9;
            op.total_level = static_cast<uint8_t>(4 * k);
            op.waveform = static_cast<uint8_t>((slot + k) % 8);
        }
        synths.Both([&](CFmSynth& s) {
            s.SetVoice(slot, &voice);
            s.SetModulation(slot, 4);
            s.SetLevels(slot, static_cast<uint8_t>(slot), static_cast<uint8_t>(15 - slot));
            s.SetBlockFnum(slot, static_cast<uint8_t>(2 + slot % 4), static_cast<uint16_t>(400 + 37 * slot));
        });
    }
    for (int buffer = 0; buffer < 24; ++buffer) {
        synths.Both([&](CFmSynth& s) {
            for (uint32_t slot = 0; slot < kVoiceSlotCount; ++slot) {
                if ((slot + buffer) % 3 == 0)
                    s.KeyOff(slot);
                else
                    s.KeyOn(slot);
            }
        });
        ASSERT_EQ(synths.RenderAndCompare(2048, buffer % 2 == 0 ? 22 : 2048), 0u) << "buffer " << buffer;
        synths.ExpectSameState();
    }
    EXPECT_GT(synths.Sounding(), 24u * 2048);  // most of it sounds
}

// Random voices (2 and 4 operators, every connection, rate and level, the empty types too), pitches,
// levels and key events on random slots, rendered in random lengths and LFO chunks: any number of sounding
// slots, envelopes that start, cap, reach their sustain target and switch off inside a pass.
TEST(FmRenderPaths, RandomVoicesAndEventsRenderTheSameOnBothPaths) {
    TwoPaths synths;
    if (!synths.Ready()) GTEST_SKIP() << "this processor has no vector renderer";
    std::mt19937 random(1913);
    const auto pick = [&random](uint32_t n) { return static_cast<uint8_t>(random() % n); };
    constexpr uint8_t kAlgorithms[] = {0, 1, 4, 5, 6, 7, 4, 5, 6, 7, 2};
    for (int round = 0; round < 600; ++round) {
        for (int operations = pick(6); operations > 0; --operations) {
            const uint32_t slot = pick(kVoiceSlotCount);
            switch (pick(7)) {
                case 0: {
                    VoiceRecord voice{};
                    voice.algorithm = kAlgorithms[pick(sizeof kAlgorithms)];
                    voice.feedback = pick(8);
                    voice.lfo_rate = pick(4);
                    voice.octave_code = pick(4);
                    for (OperatorParams& op : voice.op) {
                        op.multiple = pick(16);
                        op.vibrato = pick(2);
                        op.sustained = pick(2);
                        op.hold_release = pick(4) == 0;
                        op.rate_scaling = pick(2);
                        op.release_rate = pick(16);
                        op.decay_rate = pick(16);
                        op.attack_rate = pick(3) == 0 ? 15 : pick(16);
                        op.sustain_level = pick(16);
                        op.total_level = pick(4) == 0 ? pick(64) : pick(16);
                        op.key_scale_level = pick(4);
                        op.tremolo_depth = pick(4);
                        op.tremolo = pick(2);
                        op.waveform = pick(8);
                    }
                    synths.Both([&](CFmSynth& s) { s.SetVoice(slot, &voice); });
                    break;
                }
                case 1: {
                    const uint8_t block = pick(8);
                    const auto fnum = static_cast<uint16_t>(random() % 1024);
                    synths.Both([&](CFmSynth& s) { s.SetBlockFnum(slot, block, fnum); });
                    break;
                }
                case 2: {
                    const uint8_t left = pick(40);
                    const uint8_t right = pick(200);
                    synths.Both([&](CFmSynth& s) { s.SetLevels(slot, left, right); });
                    break;
                }
                case 3:
                    synths.Both([&](CFmSynth& s) { s.KeyOn(slot); });
                    break;
                case 4:
                    synths.Both([&](CFmSynth& s) { s.KeyOff(slot); });
                    break;
                case 5:  // on and off in one interval
                    synths.Both([&](CFmSynth& s) {
                        s.KeyOn(slot);
                        s.KeyOff(slot);
                    });
                    break;
                default: {
                    const uint8_t level = pick(5);
                    synths.Both([&](CFmSynth& s) { s.SetModulation(slot, level); });
                    break;
                }
            }
        }
        const uint32_t frames = 1 + random() % 700;
        constexpr uint32_t kChunks[] = {1, 7, 22, 256, 300, 2048};
        const uint32_t chunk = kChunks[pick(6)];
        ASSERT_EQ(synths.RenderAndCompare(frames, chunk), 0u) << "round " << round;
        synths.ExpectSameState();
        if (::testing::Test::HasFatalFailure()) return;
    }
    EXPECT_GT(synths.Sounding(), 10000u);
}

}  // namespace
}  // namespace cantavo
