#include "host/profile_file.h"

#include <algorithm>
#include <cctype>
#include <fstream>

#include "host/user_folders.h"

namespace cantavo {
namespace {

constexpr const char* kProfileFileName = "cantavo.ini";

std::string_view Trimmed(std::string_view text) {
    const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

bool SameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

std::filesystem::path UserProfileFile() {
    return std::filesystem::path(UserConfigFolder()) / kProfileFileName;
}

std::string ReadProfileValue(const std::filesystem::path& file, std::string_view group,
                             std::string_view key) {
    std::ifstream in(file);
    bool inGroup = false;
    for (std::string line; std::getline(in, line);) {
        const std::string_view text = Trimmed(line);
        if (text.empty() || text.front() == ';' || text.front() == '#') continue;
        if (text.front() == '[') {
            const size_t end = text.find(']');
            inGroup = end != std::string_view::npos && SameName(Trimmed(text.substr(1, end - 1)), group);
            continue;
        }
        const size_t equals = text.find('=');
        if (inGroup && equals != std::string_view::npos && SameName(Trimmed(text.substr(0, equals)), key))
            return std::string(Trimmed(text.substr(equals + 1)));
    }
    return {};
}

}  // namespace cantavo
