#include "platform/file_pattern.hpp"

namespace kelvrin::platform {

// The shell has expanded what it could; a pattern left as typed matched
// nothing there and is a file name like any other.
std::optional<std::vector<std::string>> expand_file_pattern(const std::string&) {
  return std::nullopt;
}

}  // namespace kelvrin::platform
