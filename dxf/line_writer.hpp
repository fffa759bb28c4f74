#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "dxf/growable_buffer.hpp"
#include "platform/file.hpp"

namespace kelvrin::dxf {

// Writes lines ending in CR LF through one large buffer. The first failed
// write is remembered and every later call
// does nothing, so callers check once, at the end of a pair or of the file.
class LineWriter {
 public:
  explicit LineWriter(std::size_t buffer_size = std::size_t{1} << 20) : buffer_size_(buffer_size) {}
  ~LineWriter();
  LineWriter(const LineWriter&) = delete;
  LineWriter& operator=(const LineWriter&) = delete;

  // Creates the file, or empties it when it exists; false, with
  // platform::last_system_error() telling why, when it cannot.
  bool create(const std::string& path);

  // Writes through `fd`, which stays the caller's: close() flushes only.
  void attach(platform::FileHandle fd);

  // Writes into `sink` instead of a file, failing (too large) beyond `limit`
  // bytes.
  void collect(std::string& sink, std::size_t limit);

  void write_line(std::string_view line);

  // write_bytes for bytes that lie in a GrowableBuffer (a LineReader's),
  // which may be read past their end: short ones go by one fixed move.
  void write_read_bytes(std::string_view bytes) {
    constexpr std::size_t short_bytes = 16;
    static_assert(GrowableBuffer::readable_slack >= short_bytes);
    if (bytes.size() <= short_bytes && buffer_.size() - used_ >= short_bytes) {
      std::memcpy(buffer_.data() + used_, bytes.data(), short_bytes);
      used_ += bytes.size();
    } else {
      write_bytes(bytes);
    }
  }

  // Writes bytes as they are: lines that already end in CR LF.
  void write_bytes(std::string_view bytes) {
    if (bytes.size() <= buffer_.size() - used_) {
      std::memcpy(buffer_.data() + used_, bytes.data(), bytes.size());
      used_ += bytes.size();
    } else {
      write_bytes_through(bytes);
    }
  }

  // Room for `count` characters of one line; finish it with end_line(used).
  char* begin_line(std::size_t count) {
    if (count + 2 > buffer_.size() - used_) make_room(count + 2);
    return buffer_.data() + used_;
  }
  void end_line(std::size_t used) {
    if (error_) return;
    used_ += used;
    buffer_[used_] = '\r';
    buffer_[used_ + 1] = '\n';
    used_ += 2;
  }

  // Writes what is buffered and closes the file; false on any write error.
  bool close();

  bool failed() const noexcept { return static_cast<bool>(error_); }
  platform::SystemError error() const noexcept { return error_; }

 private:
  void flush();
  void make_room(std::size_t count);
  void write_bytes_through(std::string_view bytes);
  void write_now(const char* data, std::size_t size);
  // Writes everything or returns the error that stopped it.
  platform::SystemError write_all(const char* data, std::size_t size);

  std::size_t buffer_size_;
  platform::FileHandle fd_ = platform::no_file;
  bool owns_fd_ = false;
  std::string* sink_ = nullptr;
  std::size_t sink_limit_ = 0;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
  platform::SystemError error_;
  bool regular_file_ = false;
  std::uint64_t written_ = 0;       // bytes written so far
  std::uint64_t written_back_ = 0;  // bytes whose writeback has been started
};

}  // namespace kelvrin::dxf
