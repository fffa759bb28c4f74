#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "platform/file.hpp"
#include "platform/system_error.hpp"

namespace kelvrin::transform {

// A grid, parameter or WKT file read a character at a time, a block at a
// time from the system. A read that fails ends the file early, with
// error() telling why.
class TextFile {
 public:
  static constexpr int end = -1;

  TextFile() = default;
  ~TextFile();
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;

  // Opens `path`, or says why it cannot be read (a folder counts as
  // unreadable, not as an empty file).
  platform::SystemError open(const std::string& path);

  // The next character, as an unsigned char, or `end`.
  int peek() {
    return next_ < filled_ || refill() ? static_cast<unsigned char>(buffer_[next_]) : end;
  }
  int get() {
    const int c = peek();
    if (c != end) ++next_;
    return c;
  }

  // Why the file ended before its end; no error when it did not.
  platform::SystemError error() const { return error_; }

 private:
  bool refill();

  platform::FileHandle file_ = platform::no_file;
  std::array<char, 16384> buffer_;
  std::size_t next_ = 0;
  std::size_t filled_ = 0;
  bool ended_ = false;  // no more reads: a terminal or pipe may block again after its end
  platform::SystemError error_;
};

}  // namespace kelvrin::transform
