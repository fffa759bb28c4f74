#pragma once

#include <span>
#include <string_view>

#include "ui/form_layout.hpp"

namespace kelvrin::ui {

// The information window as designed, for any toolkit that draws it: a list
// that holds the text and fills the window but for a margin. Twips from the
// top left corner of the client area, as in form_layout.hpp.

// Its text, one entry per line of the list (UTF-8).
std::span<const std::string_view> information_lines();

inline constexpr std::string_view information_caption = "Veltra - Ondrasil";
inline constexpr int information_client_width = 8925;
inline constexpr int information_client_height = 3690;
inline constexpr TwipsRect information_list_rect{120, 120, 8715, 3420};
inline constexpr Font information_font{font_family::arial, 9.75, true};
// Navy text on the system's tooltip colour (readable_background).
inline constexpr Rgb information_text_colour{0, 0, 128};

}  // namespace kelvrin::ui
