#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/system_error.hpp"

namespace kelvrin::platform {

// An open file of the system's: a descriptor on POSIX, a HANDLE on Windows,
// held as a number either way. Whoever opened it closes it; the functions
// below never do. Paths are UTF-8 throughout.
using FileHandle = std::intptr_t;
inline constexpr FileHandle no_file = -1;  // also Windows' INVALID_HANDLE_VALUE

// An existing file opened for reading; no_file, with last_system_error()
// telling why, when it cannot be.
FileHandle open_for_reading(const std::string& path);

// `path` created, or emptied when it exists, for writing; no_file, with
// last_system_error() telling why, when it cannot be.
FileHandle create_for_writing(const std::string& path);

// A new folder at `path` in a folder that exists; a folder already there is
// no error, and nothing is made above it.
SystemError create_folder(const std::string& path);

// A failed close may be the first report of a failed write.
SystemError close_file(FileHandle file);

// Bytes read at the current position (0 at the end of the file), or -1 with
// `error` set. A read cut short by a signal is tried again.
std::int64_t read_some(FileHandle file, char* data, std::size_t size, SystemError& error);

// The same at `offset`, leaving the file's position where it is, so that
// several readers (threads included) may share one open file.
std::int64_t read_at(FileHandle file, char* data, std::size_t size, std::uint64_t offset,
                     SystemError& error);

// Writes everything, or tells what stopped it; a write that makes no
// progress is taken for a full disk, since it would never finish.
SystemError write_all(FileHandle file, const char* data, std::size_t size);

// Copies everything left to read from `from` onto `to`.
SystemError copy_rest(FileHandle from, FileHandle to);

// Back to the start of the file, for reading it again from there.
SystemError rewind(FileHandle file);

// The size of a regular file; nothing for a pipe, a terminal or a device,
// whose size means nothing.
std::optional<std::uint64_t> regular_file_size(FileHandle file);

// The written data on disk.
SystemError sync_file(FileHandle file);

// Asks the system to start writing `size` bytes from `offset` to disk now,
// without waiting: a later sync_file then has less to wait for. Only a
// request; a failure is found again by that sync.
void start_writeback(FileHandle file, std::uint64_t offset, std::uint64_t size) noexcept;

}  // namespace kelvrin::platform
