#include "transform/text_file.hpp"

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace kelvrin::transform {

int open_text_file(const std::string& path, std::ifstream& in) {
  std::error_code ignored;
  if (std::filesystem::is_directory(path, ignored)) return EISDIR;
  errno = 0;
  in.open(path, std::ios::binary);
  if (!in.is_open()) return errno != 0 ? errno : EIO;
  return 0;
}

}  // namespace kelvrin::transform
