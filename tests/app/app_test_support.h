// Shared pieces of the window tests: a temporary folder, scripted prompts and a main window made for tests.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/manager_dlg.h"
#include "app/prompts.h"

namespace cantavo::testing {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::filesystem::path& Path() const { return m_path; }
    // Creates a file of `size` bytes (and its folders) and returns its path.
    std::filesystem::path MakeFile(const std::string& relative, std::size_t size = 0) const;

private:
    std::filesystem::path m_path;
};

// Prompts that answer from a script and remember what they were asked.
class ScriptedPrompts : public CPrompts {
public:
    bool Confirm(const wxString& text, const wxString& caption) override;
    bool AskYesNo(const wxString& text, const wxString& caption) override;
    void Message(const wxString& text, const wxString& caption, bool warning) override;
    wxString OpenFile(const wxString& filter, const wxString& default_ext,
                      const wxString& default_name) override;
    wxString SaveFile(const wxString& filter, const wxString& default_ext,
                      const wxString& default_name) override;
    int ChooseFromMenu(wxWindow& window, wxMenu& menu) override;

    bool confirm_answer = false;
    bool yes_answer = false;
    int menu_answer = -1;  // the item chosen from a menu; wxID_NONE (-1): dismissed
    // The last menu shown: each item's label and whether it could be chosen.
    std::vector<std::pair<wxString, bool>> menu_items;
    wxString file_answer;         // empty: Cancel
    std::vector<wxString> asked;  // every text, caption or filter shown, in order
    int confirms = 0;
    int questions = 0;
    int messages = 0;
    int menus = 0;
};

// A main window over a temporary profile, image folder and user folders (XDG_CONFIG_HOME, XDG_DATA_HOME and
// XDG_CACHE_HOME point into `folder` while it lives), without splash, initialised and not shown.
struct WindowUnderTest {
    explicit WindowUnderTest(const TempFolder& folder, CManagerOptions options = {});
    ~WindowUnderTest();

    ScriptedPrompts prompts;
    CManagerDlg* window = nullptr;
};

// The log lines, newest first.
std::vector<std::string> LogLines(const CManagerDlg& window);
bool LogContains(const CManagerDlg& window, const std::string& line);

}  // namespace cantavo::testing
