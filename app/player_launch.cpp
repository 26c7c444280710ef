#include "app/player_launch.h"

#include "app/info_dlg.h"
#include "player/player_dlg.h"

namespace cantavo {

void RunPlayerDialog(wxWindow* parent, const wxString& initial_file) {
    CPlayerDlg player(parent, initial_file, [](wxWindow* about_parent) {
        CInfoDlg info(about_parent);
        info.ShowModal();
    });
    player.ShowModal();
}

}  // namespace cantavo
