#include "transform/text_file.hpp"

#include <cstdint>
#include <filesystem>
#include <system_error>

#include "platform/utf8_path.hpp"

namespace kelvrin::transform {

TextFile::~TextFile() {
  if (file_ != platform::no_file) platform::close_file(file_);
}

platform::SystemError TextFile::open(const std::string& path) {
  // A folder opens for reading on POSIX and fails only at the first read;
  // it is told as what it is, before anything is read.
  std::error_code ignored;
  if (std::filesystem::is_directory(platform::path_of(path), ignored)) {
    return platform::error_of_kind(platform::ErrorKind::is_folder);
  }
  file_ = platform::open_for_reading(path);
  return file_ == platform::no_file ? platform::last_system_error() : platform::SystemError();
}

bool TextFile::refill() {
  if (file_ == platform::no_file || ended_) return false;
  const std::int64_t got = platform::read_some(file_, buffer_.data(), buffer_.size(), error_);
  if (got <= 0) {
    ended_ = true;
    return false;
  }
  next_ = 0;
  filled_ = static_cast<std::size_t>(got);
  return true;
}

}  // namespace kelvrin::transform
