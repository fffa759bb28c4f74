#pragma once

#include <fstream>
#include <string>

namespace kelvrin::transform {

// Opens a grid or parameter file for reading; 0, or the errno value of why
// it cannot be read (a folder counts as unreadable, not as an empty file).
int open_text_file(const std::string& path, std::ifstream& in);

}  // namespace kelvrin::transform
