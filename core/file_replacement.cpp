#include "core/file_replacement.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <vector>

namespace kelvrin::core {
namespace fs = std::filesystem;

namespace {

int copy_contents(const std::string& from, const std::string& to) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return errno;
  const int out = ::open(to.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (out < 0) {
    const int error = errno;
    ::close(in);
    return error;
  }
  std::vector<char> buffer(std::size_t{1} << 20);
  int error = 0;
  while (error == 0) {
    const ssize_t got = ::read(in, buffer.data(), buffer.size());
    if (got == 0) break;
    if (got < 0) {
      if (errno != EINTR) error = errno;
      continue;
    }
    for (ssize_t done = 0; done < got && error == 0;) {
      const ssize_t put = ::write(out, buffer.data() + done, static_cast<std::size_t>(got - done));
      if (put > 0) {
        done += put;
      } else if (put == 0) {
        error = ENOSPC;
      } else if (errno != EINTR) {
        error = errno;
      }
    }
  }
  ::close(in);
  if (::close(out) != 0 && error == 0) error = errno;
  return error;
}

}  // namespace

std::string replacement_target(const std::string& output) {
  std::error_code ignored;
  if (fs::is_symlink(output, ignored)) {
    const fs::path resolved = fs::canonical(output, ignored);
    if (!ignored) return resolved.string();
  }
  return output;
}

int create_staging_file(const std::string& target, std::string& staging_path) {
  const fs::path path(target);
  fs::path folder = path.parent_path();
  std::string name_template = (folder.empty() ? std::string() : folder.string() + "/") + "." +
                              path.filename().string() + ".kelvrin-XXXXXX";
  std::vector<char> name(name_template.begin(), name_template.end());
  name.push_back('\0');
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return errno;
  ::close(fd);
  staging_path = name.data();
  return 0;
}

int commit_replacement(const std::string& staged, const std::string& target) {
  struct stat existing {};
  if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
    ::chmod(staged.c_str(), existing.st_mode & 07777);
  } else {
    // A new file gets the permissions any new file would get.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(staged.c_str(), 0666 & ~mask);
  }
  if (::rename(staged.c_str(), target.c_str()) != 0) return errno;
  return 0;
}

int move_into_place(const std::string& from, const std::string& target) {
  const int error = commit_replacement(from, target);
  if (error != EXDEV) return error;
  std::string staged;
  if (const int staging_error = create_staging_file(target, staged); staging_error != 0) {
    return staging_error;
  }
  int copy_error = copy_contents(from, staged);
  if (copy_error == 0) copy_error = commit_replacement(staged, target);
  if (copy_error != 0) {
    remove_if_present(staged);
    return copy_error;
  }
  remove_if_present(from);
  return 0;
}

void remove_if_present(const std::string& path) {
  if (!path.empty()) ::unlink(path.c_str());
}

bool same_file_path(const std::string& a, const std::string& b) {
  if (a == b) return true;
  std::error_code error_a;
  std::error_code error_b;
  const fs::path canonical_a = fs::weakly_canonical(fs::absolute(a, error_a), error_a);
  const fs::path canonical_b = fs::weakly_canonical(fs::absolute(b, error_b), error_b);
  return !error_a && !error_b && canonical_a == canonical_b;
}

}  // namespace kelvrin::core
