#include "dxf/line_reader.hpp"

#include <algorithm>
#include <cstring>

#include "platform/file.hpp"

namespace kelvrin::dxf {
LineReader::~LineReader() {
  if (owns_fd_) platform::close_file(fd_);
}

bool LineReader::open(const std::string& path) {
  fd_ = platform::open_for_reading(path);
  if (fd_ == platform::no_file) return false;
  owns_fd_ = true;
  return start_reading();
}

bool LineReader::open_handle(platform::FileHandle fd) {
  if (platform::rewind(fd)) return false;
  fd_ = fd;
  return start_reading();
}

bool LineReader::open_at(platform::FileHandle fd, std::uint64_t offset) {
  fd_ = fd;
  positioned_ = true;
  read_offset_ = offset;
  consumed_before_buffer_ = offset;
  return start_reading();
}

void LineReader::jump(std::uint64_t offset, std::uint64_t lines) {
  positioned_ = true;
  read_offset_ = offset;
  consumed_before_buffer_ = offset;
  mark_ = pos_ = end_ = 0;
  eof_ = false;
  line_number_ = lines;
  rescan();
}

bool LineReader::start_reading() {
  if (const auto size = platform::regular_file_size(fd_)) file_size_ = *size;
  buffer_.resize(std::max<std::size_t>(initial_buffer_size_, 1));
  rescan();
  return true;
}

bool LineReader::refill() {
  if (eof_ || error_ || line_too_long_) return false;
  if (mark_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + mark_, end_ - mark_);
    consumed_before_buffer_ += mark_;
    pos_ -= mark_;
    end_ -= mark_;
    mark_ = 0;
  }
  if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);
  const std::size_t room = buffer_.size() - end_;
  platform::SystemError error;
  const std::int64_t got =
      positioned_ ? platform::read_at(fd_, buffer_.data() + end_, room, read_offset_, error)
                  : platform::read_some(fd_, buffer_.data() + end_, room, error);
  if (got > 0) {
    end_ += static_cast<std::size_t>(got);
    read_offset_ += static_cast<std::uint64_t>(got);
  } else if (got == 0) {
    eof_ = true;
  } else {
    error_ = error;
  }
  // The buffer may have moved, and holds more.
  rescan();
  return got > 0;
}

std::string_view LineReader::peek(std::size_t count) {
  while (end_ - pos_ < count && refill()) {
  }
  return {buffer_.data() + pos_, std::min(count, end_ - pos_)};
}

std::optional<LineReader::LineSpan> LineReader::read_line_across_refill() {
  std::size_t scan = pos_;
  for (;;) {
    const char* data = buffer_.data();  // moves with every refill
    scan = static_cast<std::size_t>(find_line_end(data + scan, data + end_) - data);
    if (scan - pos_ > max_line_length) {
      line_too_long_ = true;
      return std::nullopt;
    }
    if (scan != end_) {
      // A CR as the last buffered byte may be the first half of CR LF.
      if (data[scan] == '\r' && scan + 1 == end_ && !eof_) {
        const std::size_t offset = scan - pos_;
        refill();
        if (error_) return std::nullopt;
        scan = pos_ + offset;
        data = buffer_.data();
      }
      const LineSpan line{pos_ - mark_, scan - pos_};
      std::size_t next = scan + 1;
      if (data[scan] == '\r' && next != end_ && data[next] == '\n') {
        ++next;
      } else {
        ++other_line_ends_;
      }
      pos_ = next;
      ++line_number_;
      return line;
    }
    const std::size_t offset = scan - pos_;
    if (!refill()) {
      if (error_ || pos_ == end_) return std::nullopt;
      const LineSpan line{pos_ - mark_, end_ - pos_};
      pos_ = end_;
      ++line_number_;
      ++other_line_ends_;
      return line;
    }
    scan = pos_ + offset;
  }
}

}  // namespace kelvrin::dxf
