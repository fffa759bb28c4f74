#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

namespace kelvrin::dxf {

// A byte buffer that grows with realloc: for large sizes the C library
// moves the pages instead of copying them, so holding a line of hundreds of
// megabytes costs about its own size in memory, not old plus new buffer.
// The bytes are not initialised.
class GrowableBuffer {
 public:
  // Bytes before the first and behind the last that may be read (never
  // written), so that a scan can load 16 bytes at a time wherever a line
  // begins or ends.
  static constexpr std::size_t readable_slack = 16;

  GrowableBuffer() = default;
  ~GrowableBuffer() { std::free(allocation()); }
  GrowableBuffer(const GrowableBuffer&) = delete;
  GrowableBuffer& operator=(const GrowableBuffer&) = delete;

  void resize(std::size_t size) {
    void* grown = std::realloc(allocation(), readable_slack + size + readable_slack);
    if (grown == nullptr) throw std::bad_alloc();
    data_ = static_cast<char*>(grown) + readable_slack;
    size_ = size;
  }

  char* data() noexcept { return data_; }
  const char* data() const noexcept { return data_; }
  std::size_t size() const noexcept { return size_; }
  char operator[](std::size_t index) const noexcept { return data_[index]; }

 private:
  void* allocation() noexcept { return data_ == nullptr ? nullptr : data_ - readable_slack; }

  char* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace kelvrin::dxf
