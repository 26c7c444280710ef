#include "app/skin.h"

#include <cstdlib>
#include <string>

#include "app/app_texts.h"
#include "app/control_ids.h"
#include "app_art.h"

namespace cantavo {
namespace {

// The size an SVG asks for in its width="..." and height="..." attributes.
wxSize NaturalSize(std::string_view svg) {
    auto attribute = [svg](std::string_view name) {
        const auto at = svg.find(name);
        return at == std::string_view::npos ? 0
                                            : std::atoi(std::string(svg.substr(at + name.size(), 8)).c_str());
    };
    return {attribute(" width=\""), attribute(" height=\"")};
}

}  // namespace

const std::array<SideButton, 10> kSideButtons = {{
    {ids::kConnect, app_texts::kConnect, "connect.svg", app_texts::kConnect},
    {ids::kReload, app_texts::kReload, "reload.svg", app_texts::kReload},
    {ids::kSave, app_texts::kSave, "save.svg", app_texts::kSave},
    {ids::kLoad, app_texts::kLoad, "load.svg", app_texts::kLoad},
    {ids::kDownload, app_texts::kReflex, "download.svg", app_texts::kDownload},
    {ids::kStop, app_texts::kStop, "stop.svg", app_texts::kStop},
    {ids::kSetting, app_texts::kSetting, "setting.svg", app_texts::kSetting},
    {ids::kExit, app_texts::kExit, "exit.svg", app_texts::kExit},
    {ids::kInfo, app_texts::kInfo, "info.svg", app_texts::kInformation},
    {ids::kPlayer, app_texts::kInfo, "player.svg", nullptr},
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

}  // namespace cantavo
