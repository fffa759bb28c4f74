#include "platform/file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace kelvrin::platform {
namespace {
int descriptor(FileHandle file) { return static_cast<int>(file); }
}  // namespace

FileHandle open_for_reading(const std::string& path) {
  return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

FileHandle create_for_writing(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

SystemError create_folder(const std::string& path) {
  if (::mkdir(path.c_str(), 0777) == 0) return {};
  const SystemError why = last_system_error();
  struct stat status {};
  if (why.value() == EEXIST && ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
    return {};
  }
  return why;
}

SystemError close_file(FileHandle file) {
  return ::close(descriptor(file)) == 0 ? SystemError() : last_system_error();
}

std::int64_t read_some(FileHandle file, char* data, std::size_t size, SystemError& error) {
  for (;;) {
    const ssize_t got = ::read(descriptor(file), data, size);
    if (got >= 0) return got;
    if (errno != EINTR) {
      error = last_system_error();
      return -1;
    }
  }
}

std::int64_t read_at(FileHandle file, char* data, std::size_t size, std::uint64_t offset,
                     SystemError& error) {
  for (;;) {
    const ssize_t got = ::pread(descriptor(file), data, size, static_cast<off_t>(offset));
    if (got >= 0) return got;
    if (errno != EINTR) {
      error = last_system_error();
      return -1;
    }
  }
}

SystemError write_all(FileHandle file, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t put = ::write(descriptor(file), data, size);
    if (put > 0) {
      data += put;
      size -= static_cast<std::size_t>(put);
    } else if (put == 0) {
      return SystemError(ENOSPC);
    } else if (errno != EINTR) {
      return last_system_error();
    }
  }
  return {};
}

SystemError rewind(FileHandle file) {
  return ::lseek(descriptor(file), 0, SEEK_SET) < 0 ? last_system_error() : SystemError();
}

std::optional<std::uint64_t> regular_file_size(FileHandle file) {
  struct stat info {};
  if (::fstat(descriptor(file), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return static_cast<std::uint64_t>(info.st_size);
}

SystemError sync_file(FileHandle file) {
  return ::fsync(descriptor(file)) == 0 ? SystemError() : last_system_error();
}

void start_writeback([[maybe_unused]] FileHandle file, [[maybe_unused]] std::uint64_t offset,
                     [[maybe_unused]] std::uint64_t size) noexcept {
#if defined(SYNC_FILE_RANGE_WRITE)
  ::sync_file_range(descriptor(file), static_cast<off_t>(offset), static_cast<off_t>(size),
                    SYNC_FILE_RANGE_WRITE);
#endif
}

}  // namespace kelvrin::platform
