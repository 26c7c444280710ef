// cantavo-demo OUTDIR: writes the demo melodies (ode.mmf, drums.mmf, bells.mmf) into OUTDIR.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "cantavo_version.h"
#include "tools/demo/demo_songs.h"

namespace cantavo {
namespace {

constexpr const char* kUsage =
    "Usage: cantavo-demo OUTDIR | --help | --version\n"
    "Writes the demo melodies of the project into OUTDIR:\n";

bool WriteFile(const std::filesystem::path& path, const smaf::Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

void PrintUsage(std::FILE* stream) {
    std::fputs(kUsage, stream);
    for (const demo::DemoSong& song : demo::DemoSongs())
        std::fprintf(stream, "  %-10s %s\n", std::string(song.file_name).c_str(),
                     std::string(song.description).c_str());
}

int Run(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        PrintUsage(stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("%s\n", VersionLine("cantavo-demo").c_str());
        return 0;
    }
    if (argc != 2) {
        PrintUsage(stderr);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    int status = 0;
    for (const demo::DemoSong& song : demo::DemoSongs()) {
        const std::filesystem::path path = folder / song.file_name;
        if (!WriteFile(path, song.build())) {
            std::fprintf(stderr, "cantavo-demo: cannot write %s\n", path.string().c_str());
            status = 1;
        }
    }
    return status;
}

}  // namespace
}  // namespace cantavo

int main(int argc, char** argv) {
    return cantavo::Run(argc, argv);
}
