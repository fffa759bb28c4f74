#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace kelvrin::dxf {

// Writes lines ending in CR LF through one large buffer. The first failed
// write is remembered (errno value) and every later call does nothing, so
// callers check once, at the end of a pair or of the file.
class LineWriter {
 public:
  explicit LineWriter(std::size_t buffer_size = std::size_t{1} << 20) : buffer_size_(buffer_size) {}
  ~LineWriter();
  LineWriter(const LineWriter&) = delete;
  LineWriter& operator=(const LineWriter&) = delete;

  // Creates the file, or empties it when it exists; false with errno set.
  bool create(const std::string& path);

  // Writes through `fd`, which stays the caller's: close() flushes only.
  void attach(int fd);

  void write_line(std::string_view line);

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
    if (error_ != 0) return;
    used_ += used;
    buffer_[used_] = '\r';
    buffer_[used_ + 1] = '\n';
    used_ += 2;
  }

  // Writes what is buffered and closes the file; false on any write error.
  bool close();

  bool failed() const noexcept { return error_ != 0; }
  int error() const noexcept { return error_; }

 private:
  void flush();
  void make_room(std::size_t count);
  void write_bytes_through(std::string_view bytes);
  void write_out(const char* data, std::size_t size);

  std::size_t buffer_size_;
  int fd_ = -1;
  bool owns_fd_ = false;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
  int error_ = 0;
};

}  // namespace kelvrin::dxf
