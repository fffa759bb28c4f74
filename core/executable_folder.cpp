#include "core/executable_folder.hpp"

#include <system_error>

#include "platform/program_folder.hpp"

namespace kelvrin::core {

std::filesystem::path executable_folder() { return platform::program_folder(); }

std::filesystem::path grid_folder() {
  const std::filesystem::path beside = executable_folder();
  std::error_code error;
  if (std::filesystem::exists(beside / "et_lx_m.asc", error)) return beside;
  const std::filesystem::path installed = beside.parent_path() / "share" / "kelvrin";
  if (std::filesystem::is_directory(installed, error)) return installed;
  return beside;  // the job then names the missing files
}

}  // namespace kelvrin::core
