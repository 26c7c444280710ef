#include "host/program_folder.h"

namespace cantavo {

std::string SiblingProgram(const std::string& name) {
    const std::filesystem::path folder = ProgramFolder();
    return folder.empty() ? name : (folder / name).string();
}

}  // namespace cantavo
