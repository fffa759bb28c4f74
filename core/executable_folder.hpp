#pragma once

#include <filesystem>

namespace kelvrin::core {

// The folder that holds the running executable, resolved through links
// (never taken from argv[0]). The grid files are installed there.
std::filesystem::path executable_folder();

}  // namespace kelvrin::core
