#include "platform/file_replacement.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

namespace kelvrin::platform {
namespace fs = std::filesystem;

namespace {

// The folder's entry of the renamed file reaches the disk too; file systems
// that cannot sync a folder say EINVAL, and have nothing to sync.
SystemError sync_folder(const std::string& file) {
  const fs::path parent = fs::path(file).parent_path();
  const fs::path folder = parent.empty() ? fs::path(".") : parent;
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return last_system_error();
  const SystemError error(::fsync(fd) == 0 || errno == EINVAL ? 0 : errno);
  ::close(fd);
  return error;
}

}  // namespace

SystemError look_at(const std::string& path, ExistingFile& file) {
  file = ExistingFile{};
  file.path = path;
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    return errno == ENOENT ? SystemError() : last_system_error();
  }
  file.kind = S_ISDIR(info.st_mode)   ? PathKind::folder
              : S_ISREG(info.st_mode) ? PathKind::regular_file
                                      : PathKind::other;
  file.has_other_names = info.st_nlink > 1;
  file.permissions = info.st_mode & 07777;
  file.owner = info.st_uid;
  file.group = info.st_gid;
  return {};
}

SystemError check_writable(const std::string& path) {
  return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0 ? SystemError()
                                                                    : last_system_error();
}

FileHandle open_device_for_writing(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
}

FileHandle open_for_overwrite(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
}

SystemError truncate_file(FileHandle file, std::uint64_t size) {
  return ::ftruncate(static_cast<int>(file), static_cast<off_t>(size)) == 0 ? SystemError()
                                                                            : last_system_error();
}

// Owner and group first: a change of owner clears set-id bits that the
// mode then restores. Either may be refused to a user who does not own the
// file.
void keep_what_it_had(FileHandle file, const ExistingFile& existing) noexcept {
  if (::fchown(static_cast<int>(file), existing.owner, existing.group) != 0) {
    [[maybe_unused]] const int ignored =
        ::fchown(static_cast<int>(file), static_cast<uid_t>(-1), existing.group);
  }
  ::fchmod(static_cast<int>(file), existing.permissions);
}

SystemError set_permissions(FileHandle file, const std::string& /*path*/,
                            std::uint32_t permissions) {
  return ::fchmod(static_cast<int>(file), permissions) == 0 ? SystemError() : last_system_error();
}

std::uint32_t new_file_permissions(std::uint32_t permissions) {
  // umask can only be read by setting it; the conversion runs on one thread.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return permissions & 0777 & ~mask;
}

std::uint32_t permissions_of(const std::string& path, std::uint32_t otherwise) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : otherwise;
}

SystemError replace_durably(FileHandle file, const std::string& from, const std::string& to,
                            bool& renamed) {
  renamed = false;
  if (::fsync(static_cast<int>(file)) != 0) return last_system_error();
  if (::rename(from.c_str(), to.c_str()) != 0) return last_system_error();
  renamed = true;
  return sync_folder(to);
}

}  // namespace kelvrin::platform
