#pragma once

#include <string_view>

namespace kelvrin::points {

// Whether a file is a point list rather than a DXF drawing: its name ends
// in .csv, .txt, .xyz, .pnt or .nez (any case), or it has no name (a
// stream), and its first bytes do not start a drawing (a group code alone on
// the first line, or the binary form's sentinel).
bool is_point_list(std::string_view name, bool stream, std::string_view first_bytes);

// Whether a file name ends in one of those extensions.
bool has_point_list_extension(std::string_view name);

// How many first bytes is_point_list looks at.
inline constexpr std::size_t point_list_sniff_bytes = 64;

}  // namespace kelvrin::points
