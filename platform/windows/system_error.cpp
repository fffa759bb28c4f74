#include "platform/system_error.hpp"

#include "platform/windows/wide_text.hpp"

namespace kelvrin::platform {

ErrorKind SystemError::kind() const noexcept {
  switch (static_cast<DWORD>(value_)) {
    case 0: return ErrorKind::none;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ErrorKind::not_found;
    case ERROR_ACCESS_DENIED: return ErrorKind::no_permission;
    case windows::error_folder_as_file: return ErrorKind::is_folder;
    case ERROR_DIRECTORY: return ErrorKind::not_a_folder;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ErrorKind::disk_full;
    case ERROR_WRITE_PROTECT: return ErrorKind::read_only_disk;
    case ERROR_CRC:
    case ERROR_IO_DEVICE:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT: return ErrorKind::disk_failure;
    case ERROR_FILENAME_EXCED_RANGE: return ErrorKind::name_too_long;
    case ERROR_NOT_SAME_DEVICE: return ErrorKind::other_disk;
    case ERROR_FILE_TOO_LARGE: return ErrorKind::too_large;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE: return ErrorKind::held_open;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME: return ErrorKind::invalid_name;
    default: return ErrorKind::other;
  }
}

std::string SystemError::system_text() const {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(value_), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  if (length == 0 || text == nullptr) return "erro " + std::to_string(value_) + " do Windows";
  std::wstring wide(text, length);
  LocalFree(text);
  while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L'.')) {
    wide.pop_back();
  }
  return windows::utf8_of(wide);
}

SystemError last_system_error() noexcept { return SystemError(static_cast<int>(GetLastError())); }

void forget_last_system_error() noexcept { SetLastError(0); }

SystemError error_of_kind(ErrorKind kind) noexcept {
  switch (kind) {
    case ErrorKind::none: return {};
    case ErrorKind::not_found: return SystemError(ERROR_FILE_NOT_FOUND);
    case ErrorKind::no_permission: return SystemError(ERROR_ACCESS_DENIED);
    case ErrorKind::is_folder: return SystemError(windows::error_folder_as_file);
    case ErrorKind::not_a_folder: return SystemError(ERROR_DIRECTORY);
    case ErrorKind::disk_full: return SystemError(ERROR_DISK_FULL);
    case ErrorKind::read_only_disk: return SystemError(ERROR_WRITE_PROTECT);
    case ErrorKind::disk_failure:
    case ErrorKind::other: return SystemError(ERROR_IO_DEVICE);
    case ErrorKind::name_too_long: return SystemError(ERROR_FILENAME_EXCED_RANGE);
    case ErrorKind::other_disk: return SystemError(ERROR_NOT_SAME_DEVICE);
    case ErrorKind::too_large: return SystemError(ERROR_FILE_TOO_LARGE);
    case ErrorKind::held_open: return SystemError(ERROR_SHARING_VIOLATION);
    case ErrorKind::invalid_name: return SystemError(ERROR_INVALID_NAME);
  }
  return SystemError(ERROR_IO_DEVICE);
}

}  // namespace kelvrin::platform
