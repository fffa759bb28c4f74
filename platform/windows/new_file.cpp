#include "platform/new_file.hpp"

#include <random>

#include "platform/windows/wide_text.hpp"

namespace kelvrin::platform {

// Hidden while it is a scratch file; open to readers, and to the rename
// that makes it the output, but to no other writer. WRITE_DAC lets it take
// the access list of the file it replaces.
FileHandle create_exclusive(const std::string& path) {
  if (!windows::acceptable_name(path)) {
    SetLastError(ERROR_INVALID_NAME);
    return no_file;
  }
  return windows::file_of(CreateFileW(
      windows::wide_path(path).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE | WRITE_DAC,
      FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr));
}

bool name_taken(SystemError error) noexcept {
  return error.value() == ERROR_FILE_EXISTS || error.value() == ERROR_ALREADY_EXISTS;
}

// Windows has no file without a name; one that the system removes when its
// handle closes, however the program ends, leaves nothing behind either.
FileHandle create_unnamed(const std::string& folder) {
  static constexpr char digits[] = "0123456789abcdef";
  thread_local std::mt19937_64 generator{std::random_device{}()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = folder + "\\kelvrin-";
    for (std::uint64_t value = generator(), i = 0; i < 12; ++i, value >>= 4) {
      name += digits[value & 15];
    }
    name += ".tmp";
    const HANDLE handle = CreateFileW(
        windows::wide_path(name).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
        windows::share_everything, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle != INVALID_HANDLE_VALUE) return windows::file_of(handle);
    if (!name_taken(last_system_error())) return no_file;
  }
  return no_file;
}

bool unnamed_files_unsupported(SystemError) noexcept { return false; }

SystemError remove_file(const char* path) noexcept {
  try {
    return DeleteFileW(windows::wide_path(path).c_str()) ? SystemError() : last_system_error();
  } catch (...) {
    return SystemError(ERROR_NOT_ENOUGH_MEMORY);
  }
}

}  // namespace kelvrin::platform
