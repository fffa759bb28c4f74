#include "dxf/line_writer.hpp"

#include <algorithm>
#include <cstring>

#include "platform/file.hpp"

namespace kelvrin::dxf {
namespace {
constexpr char line_end[] = {'\r', '\n'};

// How much written data may wait in the page cache before the kernel is
// asked to start writing it out. The caller syncs the finished file; handing
// the disk the drawing as it grows leaves that sync less to wait for.
constexpr std::uint64_t writeback_interval = std::uint64_t{8} << 20;

bool is_regular_file(platform::FileHandle fd) {
  return platform::regular_file_size(fd).has_value();
}
}  // namespace

LineWriter::~LineWriter() {
  if (owns_fd_) platform::close_file(fd_);
}

bool LineWriter::create(const std::string& path) {
  fd_ = platform::create_for_writing(path);
  if (fd_ == platform::no_file) return false;
  owns_fd_ = true;
  regular_file_ = is_regular_file(fd_);
  buffer_.resize(std::max<std::size_t>(buffer_size_, 16));
  return true;
}

void LineWriter::attach(platform::FileHandle fd) {
  fd_ = fd;
  regular_file_ = is_regular_file(fd_);
  buffer_.resize(std::max<std::size_t>(buffer_size_, 16));
}

void LineWriter::collect(std::string& sink, std::size_t limit) {
  sink_ = &sink;
  sink_limit_ = limit;
  buffer_.resize(std::max<std::size_t>(buffer_size_, 16));
}

platform::SystemError LineWriter::write_all(const char* data, std::size_t size) {
  if (sink_ != nullptr) {
    if (size > sink_limit_ - std::min(sink_limit_, sink_->size()))
      return platform::error_of_kind(platform::ErrorKind::too_large);
    sink_->append(data, size);
    return {};
  }
  if (const platform::SystemError error = platform::write_all(fd_, data, size)) return error;
  written_ += size;
  if (regular_file_ && written_ - written_back_ >= writeback_interval) {
    platform::start_writeback(fd_, written_back_, written_ - written_back_);
    written_back_ = written_;
  }
  return {};
}

void LineWriter::write_now(const char* data, std::size_t size) {
  if (!error_) error_ = write_all(data, size);
}

void LineWriter::flush() {
  write_now(buffer_.data(), used_);
  used_ = 0;
}

void LineWriter::write_line(std::string_view line) {
  if (error_) return;
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
  if (error_) return;
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
    if (!error_) flush();
    return !error_;
  }
  if (fd_ == platform::no_file) return !error_;
  if (!error_) flush();
  if (owns_fd_) {
    const platform::SystemError error = platform::close_file(fd_);
    if (!error_) error_ = error;
  }
  fd_ = -1;
  owns_fd_ = false;
  return !error_;
}

}  // namespace kelvrin::dxf
