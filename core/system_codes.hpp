#pragma once

#include <span>
#include <string_view>

namespace kelvrin::core {

// Short ASCII names for the reference systems, for scripts and terminals,
// and the EPSG code where one code names exactly one system, with the name
// the EPSG registry gives that code.
struct SystemCodes {
  std::string_view display_name;
  std::string_view short_name;
  std::string_view epsg;      // empty where the code is shared (the Base SW islands)
  std::string_view crs_name;  // the EPSG name of that code
};

std::span<const SystemCodes> system_codes();

// The entry of the system with this display name (an NTv2 name counts as
// the system it names), or nullptr.
const SystemCodes* codes_of(std::string_view display_name);

}  // namespace kelvrin::core
