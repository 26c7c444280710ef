#include "app/skin.h"

#include <cstdlib>
#include <string>

#include "app/app_texts.h"
#include "app/control_ids.h"
#include "app_art.h"

namespace {

// The size an SVG asks for in its width="..." and height="..." attributes.
wxSize NaturalSize(std::string_view svg) {
    auto attribute = [svg](std::string_view name) {
        const auto at = svg.find(name);
        return at == std::string_view::npos ? 0 : std::atoi(std::string(svg.substr(at + name.size(), 8)).c_str());
    };
    return {attribute(" width=\""), attribute(" height=\"")};
}

}  // namespace

const std::array<SideButton, 10> kSideButtons = {{
    {ids::kConnect, texts::kConnect, "connect.svg", texts::kConnect},
    {ids::kReload, texts::kReload, "reload.svg", texts::kReload},
    {ids::kSave, texts::kSave, "save.svg", texts::kSave},
    {ids::kLoad, texts::kLoad, "load.svg", texts::kLoad},
    {ids::kDownload, texts::kReflex, "download.svg", texts::kDownload},
    {ids::kStop, texts::kStop, "stop.svg", texts::kStop},
    {ids::kSetting, texts::kSetting, "setting.svg", texts::kSetting},
    {ids::kExit, texts::kExit, "exit.svg", texts::kExit},
    {ids::kInfo, texts::kInfo, "info.svg", texts::kInformation},
    {ids::kPlayer, texts::kInfo, "player.svg", nullptr},
}};

wxBitmapBundle LoadPicture(std::string_view file_name) {
    const std::string_view svg = app_art::Find(file_name);
    if (svg.empty()) return {};
    return LoadPicture(file_name, NaturalSize(svg));
}

wxBitmapBundle LoadPicture(std::string_view file_name, wxSize size) {
    const std::string_view svg = app_art::Find(file_name);
    if (svg.empty()) return {};
    // The embedded bytes end in a zero, as the SVG reader wants.
    return wxBitmapBundle::FromSVG(svg.data(), size);
}
