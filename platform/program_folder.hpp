#pragma once

#include <filesystem>

namespace kelvrin::platform {

// The folder that holds the running executable, resolved through links
// (never taken from argv[0]); the current folder when the system will not
// say.
std::filesystem::path program_folder();

}  // namespace kelvrin::platform
