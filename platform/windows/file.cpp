#include "platform/file.hpp"

#include <algorithm>

#include "platform/windows/wide_text.hpp"

namespace kelvrin::platform {
using windows::handle_of;

namespace {

// ReadFile and WriteFile count in DWORDs.
constexpr std::size_t largest_transfer = std::size_t{1} << 30;

FileHandle refuse_name() {
  SetLastError(ERROR_INVALID_NAME);
  return no_file;
}

// A folder opened as a file reads as "access denied"; it is told as a folder.
FileHandle opened_or_why(HANDLE handle, const std::wstring& path) {
  if (handle != INVALID_HANDLE_VALUE) return windows::file_of(handle);
  if (GetLastError() == ERROR_ACCESS_DENIED) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      SetLastError(windows::error_folder_as_file);
    } else {
      SetLastError(ERROR_ACCESS_DENIED);
    }
  }
  return no_file;
}

}  // namespace

FileHandle open_for_reading(const std::string& path) {
  if (!windows::acceptable_name(path)) return refuse_name();
  const std::wstring wide = windows::wide_path(path);
  return opened_or_why(CreateFileW(wide.c_str(), GENERIC_READ, windows::share_everything, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr),
                       wide);
}

FileHandle create_for_writing(const std::string& path) {
  if (!windows::acceptable_name(path)) return refuse_name();
  const std::wstring wide = windows::wide_path(path);
  return opened_or_why(CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr),
                       wide);
}

SystemError create_folder(const std::string& path) {
  if (!windows::acceptable_name(path)) return SystemError(ERROR_INVALID_NAME);
  const std::wstring wide = windows::wide_path(path);
  if (CreateDirectoryW(wide.c_str(), nullptr)) return {};
  const DWORD why = GetLastError();
  if (why == ERROR_ALREADY_EXISTS) {
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      return {};
    }
  }
  return SystemError(static_cast<int>(why));
}

SystemError close_file(FileHandle file) {
  return CloseHandle(handle_of(file)) ? SystemError() : last_system_error();
}

std::int64_t read_some(FileHandle file, char* data, std::size_t size, SystemError& error) {
  DWORD got = 0;
  if (ReadFile(handle_of(file), data, static_cast<DWORD>(std::min(size, largest_transfer)), &got,
               nullptr)) {
    return got;
  }
  const DWORD why = GetLastError();
  // The writer of a pipe has closed its end: the end of the input.
  if (why == ERROR_BROKEN_PIPE || why == ERROR_HANDLE_EOF) return 0;
  error = SystemError(static_cast<int>(why));
  return -1;
}

// A positioned ReadFile still moves the file pointer of the handle it reads
// through, which the sequential reader of the same file relies on: each such
// read goes through a handle of its own to the same file.
std::int64_t read_at(FileHandle file, char* data, std::size_t size, std::uint64_t offset,
                     SystemError& error) {
  const HANDLE own = ReOpenFile(handle_of(file), GENERIC_READ, windows::share_everything, 0);
  if (own == INVALID_HANDLE_VALUE) {
    error = last_system_error();
    return -1;
  }
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD got = 0;
  const bool read =
      ReadFile(own, data, static_cast<DWORD>(std::min(size, largest_transfer)), &got, &at);
  const DWORD why = read ? 0 : GetLastError();
  CloseHandle(own);
  if (read || why == ERROR_HANDLE_EOF) return got;
  error = SystemError(static_cast<int>(why));
  return -1;
}

SystemError write_all(FileHandle file, const char* data, std::size_t size) {
  while (size > 0) {
    DWORD put = 0;
    if (!WriteFile(handle_of(file), data, static_cast<DWORD>(std::min(size, largest_transfer)),
                   &put, nullptr)) {
      return last_system_error();
    }
    if (put == 0) return SystemError(ERROR_DISK_FULL);  // no progress would never finish
    data += put;
    size -= put;
  }
  return {};
}

SystemError rewind(FileHandle file) {
  return SetFilePointerEx(handle_of(file), LARGE_INTEGER{}, nullptr, FILE_BEGIN)
             ? SystemError()
             : last_system_error();
}

std::optional<std::uint64_t> regular_file_size(FileHandle file) {
  if (GetFileType(handle_of(file)) != FILE_TYPE_DISK) return std::nullopt;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(handle_of(file), &size)) return std::nullopt;
  return static_cast<std::uint64_t>(size.QuadPart);
}

SystemError sync_file(FileHandle file) {
  return FlushFileBuffers(handle_of(file)) ? SystemError() : last_system_error();
}

// Windows writes back on its own schedule; FlushFileBuffers does it all.
void start_writeback(FileHandle, std::uint64_t, std::uint64_t) noexcept {}

}  // namespace kelvrin::platform
