#pragma once

#include <filesystem>

namespace kelvrin::core {

// The folder that holds the running executable, resolved through links
// (never taken from argv[0]).
std::filesystem::path executable_folder();

// Where the grid files are: beside the executable (the build tree, or a
// folder the programs were copied to), else ../share/kelvrin relative to it
// (an installation by the GNU directories, as the Debian package makes).
std::filesystem::path grid_folder();

}  // namespace kelvrin::core
