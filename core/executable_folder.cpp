#include "core/executable_folder.hpp"

#include <system_error>

namespace kelvrin::core {

std::filesystem::path executable_folder() {
  std::error_code error;
  const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return std::filesystem::current_path(error);
  return executable.parent_path();
}

std::filesystem::path grid_folder() {
  const std::filesystem::path beside = executable_folder();
  std::error_code error;
  if (std::filesystem::exists(beside / "et_lx_m.asc", error)) return beside;
  const std::filesystem::path installed = beside.parent_path() / "share" / "kelvrin";
  if (std::filesystem::is_directory(installed, error)) return installed;
  return beside;  // the job then names the missing files
}

}  // namespace kelvrin::core
