#include "platform/program_folder.hpp"

#include <system_error>

namespace kelvrin::platform {

std::filesystem::path program_folder() {
  std::error_code error;
  const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return std::filesystem::current_path(error);
  return executable.parent_path();
}

}  // namespace kelvrin::platform
