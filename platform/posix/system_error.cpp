#include "platform/system_error.hpp"

#include <cerrno>
#include <cstring>

namespace kelvrin::platform {

ErrorKind SystemError::kind() const noexcept {
  switch (value_) {
    case 0: return ErrorKind::none;
    case ENOENT: return ErrorKind::not_found;
    case EACCES:
    case EPERM: return ErrorKind::no_permission;
    case EISDIR: return ErrorKind::is_folder;
    case ENOTDIR: return ErrorKind::not_a_folder;
    case ENOSPC:
    case EDQUOT: return ErrorKind::disk_full;
    case EROFS: return ErrorKind::read_only_disk;
    case EIO: return ErrorKind::disk_failure;
    case ENAMETOOLONG: return ErrorKind::name_too_long;
    case EXDEV: return ErrorKind::other_disk;
    case EFBIG: return ErrorKind::too_large;
    default: return ErrorKind::other;
  }
}

std::string SystemError::system_text() const { return std::strerror(value_); }

SystemError last_system_error() noexcept { return SystemError(errno); }

void forget_last_system_error() noexcept { errno = 0; }

SystemError error_of_kind(ErrorKind kind) noexcept {
  switch (kind) {
    case ErrorKind::none: return {};
    case ErrorKind::not_found: return SystemError(ENOENT);
    case ErrorKind::no_permission: return SystemError(EACCES);
    case ErrorKind::is_folder: return SystemError(EISDIR);
    case ErrorKind::not_a_folder: return SystemError(ENOTDIR);
    case ErrorKind::disk_full: return SystemError(ENOSPC);
    case ErrorKind::read_only_disk: return SystemError(EROFS);
    case ErrorKind::disk_failure:
    case ErrorKind::other: return SystemError(EIO);
    case ErrorKind::name_too_long: return SystemError(ENAMETOOLONG);
    case ErrorKind::other_disk: return SystemError(EXDEV);
    case ErrorKind::too_large: return SystemError(EFBIG);
    case ErrorKind::held_open: return SystemError(EBUSY);
    case ErrorKind::invalid_name: return SystemError(EINVAL);
  }
  return SystemError(EIO);
}

}  // namespace kelvrin::platform
