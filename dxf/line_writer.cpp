#include "dxf/line_writer.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kelvrin::dxf {
namespace {
constexpr char line_end[] = {'\r', '\n'};
}  // namespace

LineWriter::~LineWriter() {
  if (owns_fd_) ::close(fd_);
}

bool LineWriter::create(const std::string& path) {
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) return false;
  owns_fd_ = true;
  buffer_.resize(std::max<std::size_t>(buffer_size_, 16));
  return true;
}

void LineWriter::attach(int fd) {
  fd_ = fd;
  buffer_.resize(std::max<std::size_t>(buffer_size_, 16));
}

void LineWriter::write_out(const char* data, std::size_t size) {
  while (size > 0 && error_ == 0) {
    const ssize_t written = ::write(fd_, data, size);
    if (written > 0) {
      data += written;
      size -= static_cast<std::size_t>(written);
    } else if (written == 0) {
      error_ = ENOSPC;  // a write that makes no progress will never finish
    } else if (errno != EINTR) {
      error_ = errno;
    }
  }
}

void LineWriter::flush() {
  write_out(buffer_.data(), used_);
  used_ = 0;
}

void LineWriter::write_line(std::string_view line) {
  if (error_ != 0) return;
  if (line.size() + sizeof line_end > buffer_.size() - used_) {
    flush();
    if (line.size() + sizeof line_end > buffer_.size()) {
      write_out(line.data(), line.size());
      write_out(line_end, sizeof line_end);
      return;
    }
  }
  std::memcpy(buffer_.data() + used_, line.data(), line.size());
  used_ += line.size();
  std::memcpy(buffer_.data() + used_, line_end, sizeof line_end);
  used_ += sizeof line_end;
}

void LineWriter::write_bytes_through(std::string_view bytes) {
  if (error_ != 0) return;
  flush();
  if (bytes.size() >= buffer_.size()) {
    write_out(bytes.data(), bytes.size());
  } else {
    std::memcpy(buffer_.data(), bytes.data(), bytes.size());
    used_ = bytes.size();
  }
}

void LineWriter::make_room(std::size_t count) {
  flush();
  if (count > buffer_.size()) buffer_.resize(count);
}

bool LineWriter::close() {
  if (fd_ < 0) return error_ == 0;
  if (error_ == 0) flush();
  if (owns_fd_ && ::close(fd_) != 0 && error_ == 0) error_ = errno;
  fd_ = -1;
  owns_fd_ = false;
  return error_ == 0;
}

}  // namespace kelvrin::dxf
