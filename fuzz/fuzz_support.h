#pragma once
// What the fuzz targets share: a check that stops the program on a broken property, the folder their files go
// to, and a reader of the input's fields.

#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <vector>

// A property every input must keep. When one does not, the program stops naming it: libFuzzer keeps the input
// as a crash, and the corpus replay of the test suite fails.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

namespace cantavo::fuzz {

// One folder per process under the temporary folder, made on first use and removed at exit.
inline const std::filesystem::path& Folder() {
    struct Owned {
        std::filesystem::path path;
        Owned() {
            std::string pattern = (std::filesystem::temp_directory_path() / "cantavo-fuzz-XXXXXX").string();
            if (mkdtemp(pattern.data()) == nullptr) {
                std::perror("cantavo fuzz: cannot make a temporary folder");
                std::abort();
            }
            path = pattern;
        }
        ~Owned() {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    };
    static const Owned folder;
    return folder.path;
}

inline void WriteFile(const std::filesystem::path& file, std::span<const uint8_t> bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The whole file; empty when it cannot be read.
inline std::vector<uint8_t> ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : 0;
    std::vector<uint8_t> bytes(size > 0 ? static_cast<size_t>(size) : 0);
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        bytes.clear();
    return bytes;
}

// The input taken field by field; a field past its end reads as zero bytes.
class CInputReader {
public:
    CInputReader(const uint8_t* data, size_t size) : m_bytes(data, size) {}

    bool Empty() const { return m_position >= m_bytes.size(); }
    uint8_t Byte() { return Empty() ? 0 : m_bytes[m_position++]; }
    uint32_t Word16() { return Byte() | Byte() << 8; }
    // Up to `count` bytes (fewer at the end).
    std::span<const uint8_t> Bytes(size_t count) {
        const size_t taken = std::min(count, m_bytes.size() - std::min(m_position, m_bytes.size()));
        const auto bytes = m_bytes.subspan(std::min(m_position, m_bytes.size()), taken);
        m_position += taken;
        return bytes;
    }
    std::span<const uint8_t> Rest() { return Bytes(m_bytes.size()); }

private:
    std::span<const uint8_t> m_bytes;
    size_t m_position = 0;
};

}  // namespace cantavo::fuzz
