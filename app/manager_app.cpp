#include "app/manager_app.h"

#include "app/manager_dlg.h"
#include "app/player_launch.h"

namespace cantavo {

bool CManagerApp::OnInit() {
    wxInitAllImageHandlers();
    return true;
}

int CManagerApp::OnRun() {
    if (s_commandLine.player) {
        RunPlayerDialog(nullptr, wxString::FromUTF8(s_commandLine.player_file));
        return 0;
    }
    CManagerOptions options;
    options.virtual_handset = s_commandLine.virtual_handset;
    options.port_device = s_commandLine.port;
    options.loader_file = s_commandLine.loader;
    CManagerDlg window(options);
    SetTopWindow(&window);
    window.OnInitDialog();
    window.ShowModal();
    return 0;
}

}  // namespace cantavo
