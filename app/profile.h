// The application profile: an INI file in the user's config folder. Group "Cantavo" holds the last source
// folder ("MainPath") and the handset's loader file ("LoaderPath", which cantavo-cli reads too); group
// "Ports" may map a port name to a device ("COM1=/dev/ttyUSB0").
#pragma once

#include <wx/string.h>

#include "serial/serial_comm.h"

namespace cantavo {

class CProfile {
public:
    // The profile at `file_path`; DefaultPath() is the user's.
    explicit CProfile(wxString file_path);

    static wxString DefaultPath();
    const wxString& FilePath() const { return m_strFilePath; }

    wxString ReadMainPath() const;
    // Writes the folder and saves the file; false when the file cannot be written.
    bool WriteMainPath(const wxString& folder) const;
    // Writes the loader file's path and saves the file; false when the file cannot be written.
    bool WriteLoaderPath(const wxString& file) const;

    // The "COMn" -> device entries of group "Ports".
    PortMap ReadPortMap() const;

private:
    bool WriteValue(const wxString& key, const wxString& value) const;

    wxString m_strFilePath;
};

}  // namespace cantavo
