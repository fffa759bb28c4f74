#pragma once

#include <fstream>
#include <string>

#include "platform/system_error.hpp"

namespace kelvrin::transform {

// Opens a grid or parameter file for reading, or says why it cannot be read
// (a folder counts as unreadable, not as an empty file).
platform::SystemError open_text_file(const std::string& path, std::ifstream& in);

}  // namespace kelvrin::transform
