// The window's pictures: our own SVG drawings compiled into the program, and the side-button table.
#pragma once

#include <wx/bitmap.h>
#include <wx/bmpbndl.h>

#include <array>
#include <string_view>

namespace cantavo {

// A drawing by file name at its natural size (or at `size`); an empty bundle for an unknown name.
wxBitmapBundle LoadPicture(std::string_view file_name);
wxBitmapBundle LoadPicture(std::string_view file_name, wxSize size);

struct SideButton {
    int id;
    const char* text;     // the button's own text (its accessible name; the bitmap is what is shown)
    const char* picture;  // drawing in data/art/app
    const char* tooltip;  // nullptr: no tooltip
};

// Top to bottom as they stand in the window.
extern const std::array<SideButton, 10> kSideButtons;

inline const wxSize kSideButtonPictureSize{32, 32};

}  // namespace cantavo
