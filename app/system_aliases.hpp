#pragma once

#include <span>
#include <string>
#include <string_view>

namespace kelvrin::app {

// Short ASCII names for the reference systems, for scripts and terminals,
// and the EPSG code where one code names exactly one system.
struct SystemAliases {
  std::string_view display_name;
  std::string_view short_name;
  std::string_view epsg;  // empty where the code is shared (the Base SW islands)
};

std::span<const SystemAliases> system_aliases();

// The display name for a display name (exact) or an alias (short name, EPSG
// code or "EPSG:code", ASCII case ignored). Anything else is returned as
// given, so the conversion job reports it like an unknown name typed in.
std::string resolve_system_name(std::string_view text);

}  // namespace kelvrin::app
