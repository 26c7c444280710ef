#include "app_test_support.h"

#include <wx/listbox.h>
#include <wx/menu.h>

#include <fstream>
#include <random>

namespace cantavo::testing {

TempFolder::TempFolder() {
    std::random_device random;
    m_path = std::filesystem::temp_directory_path() / ("cantavo-app-test-" + std::to_string(random()));
    std::filesystem::create_directories(m_path);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::filesystem::path TempFolder::MakeFile(const std::string& relative, std::size_t size) const {
    const auto path = m_path / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << std::string(size, 'x');
    return path;
}

bool ScriptedPrompts::Confirm(const wxString& text, const wxString& caption) {
    ++confirms;
    asked.push_back(text);
    asked.push_back(caption);
    return confirm_answer;
}

bool ScriptedPrompts::AskYesNo(const wxString& text, const wxString& caption) {
    ++questions;
    asked.push_back(text);
    asked.push_back(caption);
    return yes_answer;
}

int ScriptedPrompts::ChooseFromMenu(wxWindow&, wxMenu& menu) {
    ++menus;
    menu_items.clear();
    for (const wxMenuItem* item : menu.GetMenuItems())
        menu_items.emplace_back(item->GetItemLabelText(), item->IsEnabled());
    return menu_answer;
}

void ScriptedPrompts::Message(const wxString& text, const wxString& caption, bool) {
    ++messages;
    asked.push_back(text);
    asked.push_back(caption);
}

wxString ScriptedPrompts::OpenFile(const wxString& filter, const wxString&, const wxString&) {
    asked.push_back(filter);
    return file_answer;
}

wxString ScriptedPrompts::SaveFile(const wxString& filter, const wxString&, const wxString&) {
    asked.push_back(filter);
    return file_answer;
}

WindowUnderTest::WindowUnderTest(const TempFolder& folder, CManagerOptions options) {
    setenv("XDG_CONFIG_HOME", (folder.Path() / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (folder.Path() / "data").c_str(), 1);
    setenv("XDG_CACHE_HOME", (folder.Path() / "cache").c_str(), 1);
    options.profile_path = wxString::FromUTF8((folder.Path() / "profile.ini").string());
    if (options.image_folder.empty()) options.image_folder = folder.Path();
    options.prompts = &prompts;
    options.splash = false;
    window = new CManagerDlg(options);
    window->OnInitDialog();
}

WindowUnderTest::~WindowUnderTest() {
    delete window;
    for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) unsetenv(variable);
}

std::vector<std::string> LogLines(const CManagerDlg& window) {
    std::vector<std::string> lines;
    for (unsigned i = 0; i < window.LogList()->GetCount(); ++i)
        lines.push_back(window.LogList()->GetString(i).utf8_string());
    return lines;
}

bool LogContains(const CManagerDlg& window, const std::string& line) {
    for (const auto& logged : LogLines(window))
        if (logged == line) return true;
    return false;
}

}  // namespace cantavo::testing
