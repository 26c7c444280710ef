// Shared pieces of the window tests: a temporary folder, scripted prompts and a main window made for tests.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/manager_dlg.h"
#include "app/prompts.h"

namespace cantavo::test {

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
    void Message(const wxString& text, const wxString& caption, bool warning) override;
    wxString OpenFile(const wxString& filter, const wxString& default_ext,
                      const wxString& default_name) override;
    wxString SaveFile(const wxString& filter, const wxString& default_ext,
                      const wxString& default_name) override;

    bool confirm_answer = false;
    wxString file_answer;         // empty: Cancel
    std::vector<wxString> asked;  // every text, caption or filter shown, in order
    int confirms = 0;
    int messages = 0;
};

// A main window over a temporary profile and image folder, without splash, initialised and not shown.
struct WindowUnderTest {
    explicit WindowUnderTest(const TempFolder& folder, CManagerOptions options = {});
    ~WindowUnderTest();

    ScriptedPrompts prompts;
    CManagerDlg* window = nullptr;
};

// The log lines, newest first.
std::vector<std::string> LogLines(const CManagerDlg& window);
bool LogContains(const CManagerDlg& window, const std::string& line);

}  // namespace cantavo::test
