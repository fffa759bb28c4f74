#pragma once

#include <cstdint>
#include <string_view>

#include "dxf/line_writer.hpp"
#include "dxf/number_format.hpp"

namespace kelvrin::dxf {

// What both rewrite policies share: how a binary DXF announces itself, how
// often progress is told, and how a transformed coordinate is written.
inline constexpr std::string_view binary_dxf_sentinel = "AutoCAD Binary DXF";
inline constexpr std::uint64_t progress_interval = std::uint64_t{8} << 20;

// Blanks only: a tab in front of a name is part of it.
inline std::string_view trim_blanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

inline void write_coordinate(LineWriter& out, double value) {
  char* room = out.begin_line(max_coordinate_text);
  out.end_line(format_coordinate(value, room));
}

}  // namespace kelvrin::dxf
