#include "platform/new_file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace kelvrin::platform {

FileHandle create_exclusive(const std::string& path) {
  return ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
}

bool name_taken(SystemError error) noexcept { return error.value() == EEXIST; }

FileHandle create_unnamed(const std::string& folder) {
  return ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
}

bool unnamed_files_unsupported(SystemError error) noexcept {
  // O_TMPFILE unknown to the kernel reads as a folder opened for writing.
  const int value = error.value();
  return value == EOPNOTSUPP || value == EISDIR || value == EINVAL;
}

SystemError remove_file(const char* path) noexcept {
  return ::unlink(path) == 0 ? SystemError() : SystemError(errno);
}

}  // namespace kelvrin::platform
