#include "dxf/line_writer.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kelvrin::dxf {
namespace {
constexpr char line_end[] = {'\r', '\n'};

// How much written data may wait in the page cache before the kernel is
// asked to start writing it out. The caller syncs the finished file; handing
// the disk the drawing as it grows leaves that sync less to wait for.
constexpr std::uint64_t writeback_interval = std::uint64_t{8} << 20;

bool is_regular_file(int fd) {
  struct stat info {};
  return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}
}  // namespace

LineWriter::~LineWriter() {
  if (owns_fd_) ::close(fd_);
}

bool LineWriter::create(const std::string& path) {
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) return false;
  owns_fd_ = true;
  regular_file_ = is_regular_file(fd_);
  buffer_.resize(std::max<std::size_t>(buffer_size_, 16));
  return true;
}

void LineWriter::attach(int fd) {
  fd_ = fd;
  regular_file_ = is_regular_file(fd_);
  buffer_.resize(std::max<std::size_t>(buffer_size_, 16));
}

void LineWriter::collect(std::string& sink, std::size_t limit) {
  sink_ = &sink;
  sink_limit_ = limit;
  buffer_.resize(std::max<std::size_t>(buffer_size_, 16));
}

int LineWriter::write_all(const char* data, std::size_t size) {
  if (sink_ != nullptr) {
    if (size > sink_limit_ - std::min(sink_limit_, sink_->size())) return EFBIG;
    sink_->append(data, size);
    return 0;
  }
  while (size > 0) {
    const ssize_t written = ::write(fd_, data, size);
    if (written > 0) {
      written_ += static_cast<std::uint64_t>(written);
      data += written;
      size -= static_cast<std::size_t>(written);
    } else if (written == 0) {
      return ENOSPC;  // a write that makes no progress will never finish
    } else if (errno != EINTR) {
      return errno;
    }
  }
#if defined(SYNC_FILE_RANGE_WRITE)
  if (regular_file_ && written_ - written_back_ >= writeback_interval) {
    // Only a request: a failure here is found again by the final sync.
    ::sync_file_range(fd_, static_cast<off_t>(written_back_),
                      static_cast<off_t>(written_ - written_back_), SYNC_FILE_RANGE_WRITE);
    written_back_ = written_;
  }
#endif
  return 0;
}

void LineWriter::write_now(const char* data, std::size_t size) {
  if (error_ == 0) error_ = write_all(data, size);
}

void LineWriter::flush() {
  write_now(buffer_.data(), used_);
  used_ = 0;
}

void LineWriter::write_line(std::string_view line) {
  if (error_ != 0) return;
  if (line.size() + sizeof line_end > buffer_.size() - used_) {
    flush();
    if (line.size() + sizeof line_end > buffer_.size()) {
      write_now(line.data(), line.size());
      write_now(line_end, sizeof line_end);
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
    write_now(bytes.data(), bytes.size());
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
  if (sink_ != nullptr) {
    if (error_ == 0) flush();
    return error_ == 0;
  }
  if (fd_ < 0) return error_ == 0;
  if (error_ == 0) flush();
  if (owns_fd_ && ::close(fd_) != 0 && error_ == 0) error_ = errno;
  fd_ = -1;
  owns_fd_ = false;
  return error_ == 0;
}

}  // namespace kelvrin::dxf
