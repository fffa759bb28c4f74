#include "dxf/line_reader.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

namespace kelvrin::dxf {
namespace {
// Room kept in front of each part the reading thread reads, for the marked
// stretch that carries over; a longer one is copied.
constexpr std::size_t carried_room = std::size_t{256} << 10;
}  // namespace

LineReader::~LineReader() {
  stop_reading_thread();
  if (owns_fd_) ::close(fd_);
}

void LineReader::read_ahead() {
  if (thread_.joinable() || fd_ < 0 || end_ != 0) return;
  ahead_room_ = carried_room;
  const std::size_t part = buffer_.size();
  buffer_.resize(ahead_room_ + part);
  ahead_.resize(ahead_room_ + part);
  // Reading starts at the room's end, as it does after every trade.
  mark_ = pos_ = end_ = scan_ = ahead_room_;
  consumed_before_buffer_ -= ahead_room_;
  ahead_wanted_ = true;
  try {
    thread_ = std::thread([this] { read_parts(); });
  } catch (const std::system_error&) {
    ahead_wanted_ = false;  // no thread to be had: read on the caller's thread
  }
}

void LineReader::read_parts() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return ahead_wanted_ || stopping_; });
    if (stopping_) return;
    ahead_wanted_ = false;
    lock.unlock();
    const std::size_t part = ahead_.size() - ahead_room_;
    std::size_t got = 0;
    int error = 0;
    while (got < part) {
      const ssize_t read = ::read(fd_, ahead_.data() + ahead_room_ + got, part - got);
      if (read > 0) {
        got += static_cast<std::size_t>(read);
      } else if (read == 0) {
        break;
      } else if (errno != EINTR) {
        error = errno;
        break;
      }
    }
    lock.lock();
    ahead_size_ = got;
    ahead_error_ = error;
    ahead_ready_ = true;
    changed_.notify_all();
  }
}

void LineReader::stop_reading_thread() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

bool LineReader::take_read_ahead() {
  std::size_t got = 0;
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return ahead_ready_; });
    ahead_ready_ = false;
    got = ahead_size_;
    error_ = ahead_error_;
  }
  if (error_ != 0) return false;
  if (got == 0) {
    eof_ = true;
    return false;
  }
  const std::size_t carried = end_ - mark_;
  if (carried <= ahead_room_) {
    // The marked stretch goes just in front of the new part; the buffers
    // trade places.
    const std::size_t new_mark = ahead_room_ - carried;
    std::memcpy(ahead_.data() + new_mark, buffer_.data() + mark_, carried);
    consumed_before_buffer_ += mark_;
    consumed_before_buffer_ -= new_mark;
    pos_ = new_mark + (pos_ - mark_);
    mark_ = new_mark;
    end_ = ahead_room_ + got;
    swap(buffer_, ahead_);
  } else {
    // A longer stretch stays where it is, moved to the front, and the new
    // part is copied behind it.
    std::memmove(buffer_.data(), buffer_.data() + mark_, carried);
    consumed_before_buffer_ += mark_;
    pos_ -= mark_;
    mark_ = 0;
    if (carried + got > buffer_.size()) buffer_.resize(2 * (carried + got));
    std::memcpy(buffer_.data() + carried, ahead_.data() + ahead_room_, got);
    end_ = carried + got;
  }
  {
    std::lock_guard lock(mutex_);
    ahead_wanted_ = true;
  }
  changed_.notify_all();
  return true;
}

bool LineReader::open(const std::string& path) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return false;
  owns_fd_ = true;
  return start_reading();
}

bool LineReader::open_descriptor(int fd) {
  if (::lseek(fd, 0, SEEK_SET) < 0) return false;
  fd_ = fd;
  return start_reading();
}

bool LineReader::start_reading() {
  struct stat info {};
  if (::fstat(fd_, &info) == 0 && S_ISREG(info.st_mode)) {
    file_size_ = static_cast<std::uint64_t>(info.st_size);
  }
  buffer_.resize(std::max<std::size_t>(initial_buffer_size_, 1));
  return true;
}

bool LineReader::refill() {
  if (eof_ || error_ != 0 || line_too_long_) return false;
  if (thread_.joinable()) {
    const bool more = take_read_ahead();
    line_ends_ = 0;
    scan_ = pos_;
    irregular_until_ = 0;
    return more;
  }
  if (mark_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + mark_, end_ - mark_);
    consumed_before_buffer_ += mark_;
    pos_ -= mark_;
    end_ -= mark_;
    mark_ = 0;
  }
  // The pair reader starts again where reading stands.
  line_ends_ = 0;
  scan_ = pos_;
  irregular_until_ = 0;
  if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);
  for (;;) {
    const ssize_t got = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
    if (got > 0) {
      end_ += static_cast<std::size_t>(got);
      return true;
    }
    if (got == 0) {
      eof_ = true;
      return false;
    }
    if (errno != EINTR) {
      error_ = errno;
      return false;
    }
  }
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
    scan = find_line_end(data, scan, end_);
    if (scan - pos_ > max_line_length) {
      line_too_long_ = true;
      return std::nullopt;
    }
    if (scan != end_) {
      // A CR as the last buffered byte may be the first half of CR LF.
      if (data[scan] == '\r' && scan + 1 == end_ && !eof_) {
        const std::size_t offset = scan - pos_;
        refill();
        if (error_ != 0) return std::nullopt;
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
      if (error_ != 0 || pos_ == end_) return std::nullopt;
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
