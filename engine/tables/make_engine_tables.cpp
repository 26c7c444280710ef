// Writes the engine's tables that follow from exponential and trigonometric rules, once per build, as
// constexpr headers: the engine itself then needs no <cmath> in a constant expression.
//   make_engine_tables OUT_FOLDER   writes OUT_FOLDER/engine/fm_tables_computed.h and attenuation_computed.h
// Each table's rule is written here once, as the comment it carries in the header. Rules round half up.
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace cantavo {
namespace {

constexpr int kWaveLength = 4096;  // fm_tables::kWaveLength
constexpr int kWaveforms = 8;
constexpr int kLfoLength = 4096;  // fm_tables::kLfoLength
constexpr int kAttenuationSteps = 193;
constexpr double kPi = 3.14159265358979323846;

int64_t RoundHalfUp(double x) {
    return static_cast<int64_t>(std::floor(x + 0.5));
}

// 32767 sin(2 pi i / 4096); i may run to 8190 for the double-speed shapes.
int64_t Sine(int i) {
    return RoundHalfUp(32767.0 * std::sin(2.0 * kPi * i / kWaveLength));
}

int64_t Abs(int64_t x) {
    return x < 0 ? -x : x;
}

using Row = std::vector<int64_t>;

struct Table {
    const char* rule;  // the comment above the table
    const char* type;  // element type
    const char* name;
    std::vector<Row> rows;  // one row: a one-dimensional table
    bool nested = false;    // written as an array of rows
};

Table Waveforms() {
    Table t{
        "Waveforms 0..7 by phase index 0..4095, signed 16-bit, S(i) = round(32767 sin(2 pi i / 4096)):\n"
        "0 S(i); 1 S(i) in the first half, else 0; 2 |S(i)|; 3 |S(i)| where i mod 2048 <= 1024, else 0;\n"
        "4 S(2i) in the first half, else 0; 5 |S(2i)| in the first half, else 0; 6 +32767 in the first\n"
        "half, else -32767; 7 exponential saw: round(32767 x 2^(-i / 128)) for i < 2048,\n"
        "-round(32767 x 2^(-(4094 - i) / 128)) for 2048 <= i <= 4094, -32767 at 4095.",
        "int16_t", "kWaveform", std::vector<Row>(kWaveforms, Row(kWaveLength)), true};
    auto& w = t.rows;
    constexpr int half = kWaveLength / 2;
    for (int i = 0; i < kWaveLength; ++i) {
        const int64_t s = Sine(i);
        const int64_t s2 = i < half ? Sine(2 * i) : 0;
        w[0][i] = s;
        w[1][i] = i < half ? s : 0;
        w[2][i] = Abs(s);
        w[3][i] = i % half <= kWaveLength / 4 ? Abs(s) : 0;
        w[4][i] = s2;
        w[5][i] = Abs(s2);
        w[6][i] = i < half ? 32767 : -32767;
        if (i < half)
            w[7][i] = RoundHalfUp(32767.0 * std::exp2(-i / 128.0));
        else if (i <= kWaveLength - 2)
            w[7][i] = -RoundHalfUp(32767.0 * std::exp2(-(4094 - i) / 128.0));
        else
            w[7][i] = -32767;
    }
    return t;
}

Table TotalLevelGain() {
    Table t{"Q15 gain of total level 0..63: round(32768 x 10^(-0.75 TL / 20)), TL 0 = 32512.",
            "uint32_t",
            "kTotalLevelGain",
            {Row(64)}};
    for (int tl = 0; tl < 64; ++tl) t.rows[0][tl] = RoundHalfUp(32768.0 * std::pow(10.0, -0.75 * tl / 20.0));
    t.rows[0][0] = 32512;
    return t;
}

Table SustainTarget() {
    Table t{
        "eg_level where decay turns into sustain, by sustain level 0..15: round(2^31 x 10^(-3 SL / 20));\n"
        "SL 15 is taken as -93 dB.",
        "uint32_t",
        "kSustainTarget",
        {Row(16)}};
    for (int sl = 0; sl < 15; ++sl)
        t.rows[0][sl] = RoundHalfUp(2147483648.0 * std::pow(10.0, -3.0 * sl / 20.0));
    t.rows[0][15] = RoundHalfUp(2147483648.0 * std::pow(10.0, -93.0 / 20.0));
    return t;
}

Table KeyScaleGain() {
    Table t{
        "Q15 key-scale gains, tables 1..3 (table 0 is unity), index ((fnum >> 6) << 3) | block:\n"
        "A = max(0, 0.75 K[fnum >> 6] - 6 (7 - block)) dB times 1/4, 1/2 or 1; 32512 at 0 dB, else\n"
        "round(32768 x 10^(-A / 20)); K = 0, 24, 32, 37, 40, 43, 45, 47, 48, 50, 51, 52, 53, 54, 55, 56,\n"
        "except that table 2 takes 35 for row 3.",
        "uint32_t", "kKeyScaleGain", std::vector<Row>(4, Row(128)), true};
    constexpr std::array<int, 16> base = {0, 24, 32, 37, 40, 43, 45, 47, 48, 50, 51, 52, 53, 54, 55, 56};
    constexpr std::array<double, 4> scale = {0.0, 0.25, 0.5, 1.0};
    for (int table = 1; table < 4; ++table) {
        for (int f = 0; f < 16; ++f) {
            const int k = table == 2 && f == 3 ? 35 : base[f];
            for (int block = 0; block < 8; ++block) {
                const double full = 0.75 * k - 6.0 * (7 - block);
                const double a = (full > 0 ? full : 0.0) * scale[table];
                t.rows[table][(f << 3) | block] =
                    a == 0 ? 32512 : RoundHalfUp(32768.0 * std::pow(10.0, -a / 20.0));
            }
        }
    }
    return t;
}

Table Tremolo() {
    Table t{
        "Q15 tremolo gain, depth 0..3 by LFO index 0..4095: round(32768 x 10^(-D t(i) / 20)),\n"
        "D = 1.3, 2.8, 5.8, 11.8 dB, t a triangle from 0 at i = 0 to 1 at i = 2048 and back.",
        "uint16_t", "kTremolo", std::vector<Row>(4, Row(kLfoLength)), true};
    constexpr std::array<double, 4> depth_db = {1.3, 2.8, 5.8, 11.8};
    for (int d = 0; d < 4; ++d)
        for (int i = 0; i < kLfoLength; ++i) {
            const double tri = i <= 2048 ? i / 2048.0 : (4096 - i) / 2048.0;
            t.rows[d][i] = RoundHalfUp(32768.0 * std::pow(10.0, -depth_db[d] * tri / 20.0));
        }
    return t;
}

Table Vibrato() {
    Table t{
        "Q20 vibrato ratio, depth 0..3 by LFO index 0..4095: round(2^20 x 2^(C v(i) / 1200)),\n"
        "C = 3.4, 6.7, 13.5, 26.8 cents, v piecewise linear through (0, 0), (1023, 1), (2048, 0),\n"
        "(3072, -1), (4096, 0).",
        "uint32_t", "kVibrato", std::vector<Row>(4, Row(kLfoLength)), true};
    constexpr std::array<double, 4> depth_cents = {3.4, 6.7, 13.5, 26.8};
    for (int d = 0; d < 4; ++d)
        for (int i = 0; i < kLfoLength; ++i) {
            double v;
            if (i <= 1023)
                v = i / 1023.0;
            else if (i <= 2048)
                v = (2048 - i) / 1025.0;
            else if (i <= 3072)
                v = -(i - 2048) / 1024.0;
            else
                v = -(4096 - i) / 1024.0;
            t.rows[d][i] = RoundHalfUp(1048576.0 * std::exp2(depth_cents[d] * v / 1200.0));
        }
    return t;
}

Table AttenuationGain() {
    Table t{
        "Q15 gain of attenuation 0..192 in 0.5 dB steps: round(32768 x 10^(-0.5 i / 20)) for i < 192,\n"
        "entry 192 (silence) = 0.",
        "int32_t",
        "kAttenuationGain",
        {Row(kAttenuationSteps)}};
    for (int i = 0; i + 1 < kAttenuationSteps; ++i)
        t.rows[0][i] = RoundHalfUp(32768.0 * std::pow(10.0, -0.5 * i / 20.0));
    t.rows[0][kAttenuationSteps - 1] = 0;
    return t;
}

void WriteRow(std::FILE* out, const Row& row, const char* indent) {
    constexpr size_t kPerLine = 12;
    for (size_t i = 0; i < row.size(); ++i) {
        if (i % kPerLine == 0) std::fprintf(out, "%s", indent);
        std::fprintf(out, "%lld,", static_cast<long long>(row[i]));
        std::fputc(i % kPerLine == kPerLine - 1 || i + 1 == row.size() ? '\n' : ' ', out);
    }
}

void WriteTable(std::FILE* out, const Table& table) {
    std::string rule = table.rule;
    for (size_t at = 0; (at = rule.find('\n', at)) != std::string::npos; at += 4)
        rule.replace(at, 1, "\n// ");
    std::fprintf(out, "\n// %s\n", rule.c_str());
    const size_t length = table.rows[0].size();
    if (!table.nested) {
        std::fprintf(out, "inline constexpr std::array<%s, %zu> %s = {\n", table.type, length, table.name);
        WriteRow(out, table.rows[0], "    ");
        std::fprintf(out, "};\n");
        return;
    }
    std::fprintf(out, "inline constexpr std::array<std::array<%s, %zu>, %zu> %s = {{\n", table.type, length,
                 table.rows.size(), table.name);
    for (const Row& row : table.rows) {
        std::fprintf(out, "    {{\n");
        WriteRow(out, row, "        ");
        std::fprintf(out, "    }},\n");
    }
    std::fprintf(out, "}};\n");
}

bool WriteHeader(const std::filesystem::path& path, const char* name_space,
                 const std::vector<Table>& tables) {
    std::FILE* out = std::fopen(path.c_str(), "w");
    if (out == nullptr) {
        std::perror(path.c_str());
        return false;
    }
    std::fprintf(out,
                 "#pragma once\n// Written by engine/tables/make_engine_tables.cpp; do not edit.\n\n"
                 "#include <array>\n#include <cstdint>\n");
    std::fprintf(out, "\nnamespace %s {\n", name_space);
    for (const Table& table : tables) WriteTable(out, table);
    std::fprintf(out, "\n}  // namespace %s\n", name_space);
    const bool written = std::ferror(out) == 0;
    if (std::fclose(out) != 0 || !written) {
        std::perror(path.c_str());
        return false;
    }
    return true;
}

int Run(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_engine_tables OUT_FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = std::filesystem::path(argv[1]) / "engine";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const bool ok =
        WriteHeader(folder / "fm_tables_computed.h", "cantavo::fm_tables",
                    {Waveforms(), TotalLevelGain(), SustainTarget(), KeyScaleGain(), Tremolo(), Vibrato()}) &&
        WriteHeader(folder / "attenuation_computed.h", "cantavo", {AttenuationGain()});
    return ok ? 0 : 1;
}

}  // namespace
}  // namespace cantavo

int main(int argc, char** argv) {
    return cantavo::Run(argc, argv);
}
