#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kelvrin::app {

// Short ASCII names for the reference systems, for scripts and terminals,
// and the EPSG code where one code names exactly one system, with the name
// the EPSG registry gives that code.
struct SystemAliases {
  std::string_view display_name;
  std::string_view short_name;
  std::string_view epsg;      // empty where the code is shared (the Base SW islands)
  std::string_view crs_name;  // the EPSG name of that code
};

std::span<const SystemAliases> system_aliases();

// The display name for a display name (exact) or an alias (short name, EPSG
// code or "EPSG:code", ASCII case ignored). Anything else is returned as
// given.
std::string resolve_system_name(std::string_view text);

// Whether `name` is the display name of a system.
bool is_system_name(std::string_view name);

// Up to `count` short names nearest to what was typed (by edit distance
// from the short and the display names, ASCII case ignored), nearest first.
std::vector<std::string> nearest_system_names(std::string_view typed, std::size_t count);

}  // namespace kelvrin::app
