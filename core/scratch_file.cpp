#include "core/scratch_file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <random>
#include <vector>

namespace kelvrin::core {
namespace {

std::string random_suffix() {
  static constexpr char alphabet[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::mt19937_64 generator{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof alphabet - 2);
  std::string suffix(6, ' ');
  for (char& c : suffix) c = alphabet[pick(generator)];
  return suffix;
}

}  // namespace

ScratchFile::~ScratchFile() {
  if (!path_.empty()) ::unlink(path_.c_str());
  remembered_.reset();
  if (fd_ >= 0) ::close(fd_);
}

int ScratchFile::create_named(const std::string& folder, const std::string& stem) {
  const std::string prefix =
      (folder.empty() ? std::string() : folder + "/") + "." + stem + ".kelvrin-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = prefix + random_suffix();
    // An interruption removes the file only once it is ours, and always then.
    const SignalsHeld held;
    const int fd =
        ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
      fd_ = fd;
      remembered_ = std::make_unique<OwnFileName>(candidate);
      path_ = std::move(candidate);
      return 0;
    }
    if (errno != EEXIST) return errno;
  }
  return EEXIST;
}

int ScratchFile::create_beside(const std::string& target) {
  const std::filesystem::path path(target);
  return create_named(path.parent_path().string(), path.filename().string());
}

int ScratchFile::create_unnamed(const std::string& folder) {
  const std::string where = folder.empty() ? "." : folder;
  fd_ = ::open(where.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd_ >= 0) return 0;
  // File systems without unnamed files: a named one, unnamed at once.
  if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return errno;
  if (const int error = create_named(folder, "kelvrin"); error != 0) return error;
  ::unlink(path_.c_str());
  path_.clear();
  remembered_.reset();
  return 0;
}

void ScratchFile::hand_over() noexcept {
  path_.clear();
  remembered_.reset();
}

namespace {

int write_all(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t put = ::write(fd, data, size);
    if (put > 0) {
      data += put;
      size -= static_cast<std::size_t>(put);
    } else if (put == 0) {
      return ENOSPC;  // a write that makes no progress will never finish
    } else if (errno != EINTR) {
      return errno;
    }
  }
  return 0;
}

}  // namespace

int copy_rest(int from, int to) {
  std::vector<char> buffer(std::size_t{1} << 20);
  for (;;) {
    const ssize_t got = ::read(from, buffer.data(), buffer.size());
    if (got == 0) return 0;
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (const int error = write_all(to, buffer.data(), static_cast<std::size_t>(got)); error != 0) {
      return error;
    }
  }
}

}  // namespace kelvrin::core
