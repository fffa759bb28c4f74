#include "core/output_target.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace kelvrin::core {
namespace fs = std::filesystem;

namespace {

// The folder's entry of the renamed file reaches the disk too; file systems
// that cannot sync a folder say EINVAL, and have nothing to sync.
int sync_folder(const std::string& file) {
  const fs::path parent = fs::path(file).parent_path();
  const fs::path folder = parent.empty() ? fs::path(".") : parent;
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  int error = ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
  ::close(fd);
  return error;
}

// Owner and group first: a change of owner clears set-id bits that the
// mode then restores. Either may be refused to a user who does not own the
// file; cp then keeps what it can, and so does this.
void keep_owner_and_mode(int fd, const struct stat& existing) {
  if (::fchown(fd, existing.st_uid, existing.st_gid) != 0) {
    [[maybe_unused]] const int ignored = ::fchown(fd, static_cast<uid_t>(-1), existing.st_gid);
  }
  ::fchmod(fd, existing.st_mode & 07777);
}

// A file with several names is written over in place; the signals wait, so
// the file is never left half old and half new by an interruption.
int rewrite_in_place(int finished, const std::string& path) {
  const SignalsHeld held;
  const int out = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
  if (out < 0) return errno;
  int error = ::lseek(finished, 0, SEEK_SET) < 0 ? errno : copy_rest(finished, out);
  if (error == 0) {
    const off_t size = ::lseek(finished, 0, SEEK_END);
    if (size < 0 || ::ftruncate(out, size) != 0 || ::fsync(out) != 0) error = errno;
  }
  if (::close(out) != 0 && error == 0) error = errno;
  return error;
}

}  // namespace

int examine_output(const std::string& output, OutputTarget& target) {
  target = OutputTarget{output};
  std::error_code ignored;
  if (fs::is_symlink(output, ignored)) {
    const fs::path resolved = fs::canonical(output, ignored);
    if (!ignored) target.path = resolved.string();
  }
  if (::stat(target.path.c_str(), &target.existing) != 0) {
    return errno == ENOENT ? 0 : errno;
  }
  if (S_ISDIR(target.existing.st_mode)) return EISDIR;
  if (!S_ISREG(target.existing.st_mode)) {
    target.kind = OutputKind::device;
    return 0;
  }
  if (::faccessat(AT_FDCWD, target.path.c_str(), W_OK, AT_EACCESS) != 0) return errno;
  target.kind = target.existing.st_nlink > 1 ? OutputKind::linked_file : OutputKind::replaced_file;
  return 0;
}

std::string scratch_folder(const OutputTarget& target) {
  if (target.kind == OutputKind::device) {
    std::error_code ignored;
    return fs::temp_directory_path(ignored).string();
  }
  return fs::path(target.path).parent_path().string();
}

int open_device(const OutputTarget& target) {
  const int fd = ::open(target.path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  return fd >= 0 ? fd : -errno;
}

int place_output(ScratchFile& file, const OutputTarget& target, mode_t new_file_mode) {
  const int fd = file.descriptor();
  if (target.kind == OutputKind::linked_file) return rewrite_in_place(fd, target.path);
  if (target.kind == OutputKind::replaced_file) {
    keep_owner_and_mode(fd, target.existing);
  } else if (::fchmod(fd, new_file_mode) != 0) {
    return errno;
  }
  if (::fsync(fd) != 0) return errno;
  if (::rename(file.path().c_str(), target.path.c_str()) != 0) return errno;
  file.hand_over();
  return sync_folder(target.path);
}

mode_t new_file_mode_for(mode_t input_mode) {
  // umask can only be read by setting it; the conversion runs on one thread.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return input_mode & 0777 & ~mask;
}

}  // namespace kelvrin::core
