#include "app/profile.h"

#include <wx/fileconf.h>
#include <wx/filename.h>

#include <memory>

#include "host/loader_lookup.h"
#include "host/profile_file.h"
#include "host/user_folders.h"

namespace cantavo {
namespace {

constexpr const char* kMainPathKey = "/Cantavo/MainPath";
constexpr const char* kPortsGroup = "/Ports";

// Backslashes are plain characters in our values, not escapes (and cantavo-cli reads the values as written).
std::unique_ptr<wxFileConfig> OpenProfile(const wxString& path) {
    return std::make_unique<wxFileConfig>("cantavo", wxEmptyString, path, wxEmptyString,
                                          wxCONFIG_USE_LOCAL_FILE | wxCONFIG_USE_NO_ESCAPE_CHARACTERS);
}

}  // namespace

CProfile::CProfile(wxString file_path) : m_strFilePath(std::move(file_path)) {}

wxString CProfile::DefaultPath() {
    return wxString::FromUTF8(UserProfileFile().string());
}

wxString CProfile::ReadMainPath() const {
    return OpenProfile(m_strFilePath)->Read(kMainPathKey, wxEmptyString);
}

bool CProfile::WriteMainPath(const wxString& folder) const {
    return WriteValue(kMainPathKey, folder);
}

bool CProfile::WriteLoaderPath(const wxString& file) const {
    return WriteValue(wxString::Format("/%s/%s", kLoaderProfileGroup, kLoaderProfileKey), file);
}

bool CProfile::WriteValue(const wxString& key, const wxString& value) const {
    const wxFileName file(m_strFilePath);
    if (!MakeFolders(file.GetPath().utf8_string())) return false;
    auto profile = OpenProfile(m_strFilePath);
    return profile->Write(key, value) && profile->Flush();
}

PortMap CProfile::ReadPortMap() const {
    PortMap ports;
    auto profile = OpenProfile(m_strFilePath);
    profile->SetPath(kPortsGroup);
    wxString name;
    long cookie = 0;
    for (bool more = profile->GetFirstEntry(name, cookie); more; more = profile->GetNextEntry(name, cookie))
        ports[name.utf8_string()] = profile->Read(name, wxEmptyString).utf8_string();
    return ports;
}

}  // namespace cantavo
