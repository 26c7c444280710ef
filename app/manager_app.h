// CManagerApp: runs the main window (or the player alone) modally; the program ends when that window closes.
#pragma once

#include <wx/app.h>

#include "app/command_line.h"

namespace cantavo {

class CManagerApp : public wxApp {
public:
    // What main() read from the command line, before the application object exists.
    static void SetCommandLine(const CommandLine& line) { s_commandLine = line; }

    bool OnInit() override;
    int OnRun() override;

private:
    static inline CommandLine s_commandLine;
};

}  // namespace cantavo
