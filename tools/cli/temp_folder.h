#pragma once
// A private folder for the image files, removed with everything in it when the object goes.

#include <filesystem>
#include <string>

namespace cantavo::cli {

class CTempFolder {
public:
    CTempFolder() = default;
    ~CTempFolder();
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    bool Create(std::string& error);
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

}  // namespace cantavo::cli
