#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/file.hpp"

namespace kelvrin::platform::windows {

// The wide API speaks UTF-16; the program speaks UTF-8.
std::wstring wide_of(std::string_view utf8);
std::string utf8_of(std::wstring_view wide);

// A UTF-8 path as the wide API takes it: backslashes, and the \\?\ form
// when it is longer than MAX_PATH, so that deep folders work whatever the
// system's long-path setting.
std::wstring wide_path(std::string_view utf8);

// Whether Windows gives a file this name: not a device (CON, NUL, COM1,
// "nul.dxf" too), not ending in a dot or a blank, which it would drop.
bool acceptable_name(std::string_view utf8_path);

inline HANDLE handle_of(FileHandle file) { return reinterpret_cast<HANDLE>(file); }
inline FileHandle file_of(HANDLE handle) { return reinterpret_cast<FileHandle>(handle); }

// ERROR_DIRECTORY_NOT_SUPPORTED ("an operation is not supported on a
// directory"), missing from mingw-w64's winerror.h: a folder opened as a file.
constexpr DWORD error_folder_as_file = 336;

// Every share mode: others may read, write, rename and remove a file we
// only read, as they could on POSIX.
constexpr DWORD share_everything = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace kelvrin::platform::windows
