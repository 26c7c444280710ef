#include "app/profile.h"

#include <wx/fileconf.h>
#include <wx/filename.h>

#include <memory>

#include "host/user_folders.h"

namespace {

constexpr const char* kProfileFileName = "cantavo.ini";
constexpr const char* kMainPathKey = "/Cantavo/MainPath";
constexpr const char* kPortsGroup = "/Ports";

// Backslashes are plain characters in our values, not escapes.
std::unique_ptr<wxFileConfig> OpenProfile(const wxString& path) {
    return std::make_unique<wxFileConfig>("cantavo", wxEmptyString, path, wxEmptyString,
                                          wxCONFIG_USE_LOCAL_FILE | wxCONFIG_USE_NO_ESCAPE_CHARACTERS);
}

}  // namespace

CProfile::CProfile(wxString file_path) : m_strFilePath(std::move(file_path)) {}

wxString CProfile::DefaultPath() {
    return wxString::FromUTF8(UserConfigFolder()) + "/" + kProfileFileName;
}

wxString CProfile::ReadMainPath() const {
    return OpenProfile(m_strFilePath)->Read(kMainPathKey, wxEmptyString);
}

bool CProfile::WriteMainPath(const wxString& folder) const {
    const wxFileName file(m_strFilePath);
    if (!MakeFolders(file.GetPath().utf8_string())) return false;
    auto profile = OpenProfile(m_strFilePath);
    return profile->Write(kMainPathKey, folder) && profile->Flush();
}

cantavo::PortMap CProfile::ReadPortMap() const {
    cantavo::PortMap ports;
    auto profile = OpenProfile(m_strFilePath);
    profile->SetPath(kPortsGroup);
    wxString name;
    long cookie = 0;
    for (bool more = profile->GetFirstEntry(name, cookie); more; more = profile->GetNextEntry(name, cookie))
        ports[name.utf8_string()] = profile->Read(name, wxEmptyString).utf8_string();
    return ports;
}
