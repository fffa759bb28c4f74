#include "transform/text_file.hpp"

#include <filesystem>
#include <system_error>

#include "platform/utf8_path.hpp"

namespace kelvrin::transform {

platform::SystemError open_text_file(const std::string& path, std::ifstream& in) {
  std::error_code ignored;
  if (std::filesystem::is_directory(platform::path_of(path), ignored)) {
    return platform::error_of_kind(platform::ErrorKind::is_folder);
  }
  // A stream need not say why it failed to open; the system usually does.
  platform::forget_last_system_error();
  in.open(platform::path_of(path), std::ios::binary);
  if (in.is_open()) return {};
  const platform::SystemError why = platform::last_system_error();
  return why ? why : platform::error_of_kind(platform::ErrorKind::disk_failure);
}

}  // namespace kelvrin::transform
