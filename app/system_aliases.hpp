#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/system_codes.hpp"

namespace kelvrin::app {

// The systems' short names and EPSG codes, kept with the engine's catalogue.
using SystemAliases = core::SystemCodes;

std::span<const SystemAliases> system_aliases();

// The display name for a display name (exact) or an alias (short name, EPSG
// code or "EPSG:code", ASCII case ignored). Anything else is returned as
// given.
std::string resolve_system_name(std::string_view text);

// Whether `name` is the display name of a system, the NTv2 names included.
bool is_system_name(std::string_view name);

// "EPSG:code" for a system with its own EPSG code, or empty.
std::string epsg_of(std::string_view display_name);

// A system for PROJ as typed: "AUTHORITY:code", a bare EPSG number, a PROJ
// string ("+proj=..."), WKT, or a file holding WKT; the text PROJ is to
// read, or empty when it is none of these. Names are never taken: a slip
// such as "Datum 73" must not become a geographic system.
std::string proj_definition(const std::string& typed);

// Up to `count` short names nearest to what was typed (by edit distance
// from the short and the display names, ASCII case ignored), nearest first.
std::vector<std::string> nearest_system_names(std::string_view typed, std::size_t count);

}  // namespace kelvrin::app
