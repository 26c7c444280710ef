#include "host/data_folder.h"

#include "host/program_folder.h"

namespace cantavo {

std::filesystem::path DataFolderBeside(const std::filesystem::path& program_folder) {
    if (program_folder.empty()) return {};
    return (program_folder / CANTAVO_DATA_FROM_PROGRAM_FOLDER).lexically_normal();
}

std::filesystem::path InstalledDataFolder() {
    return DataFolderBeside(ProgramFolder());
}

std::filesystem::path DemoFolder() {
    const std::filesystem::path data = InstalledDataFolder();
    return data.empty() ? data : data / "demo";
}

}  // namespace cantavo
