#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "dxf/growable_buffer.hpp"
#include "dxf/line_ends.hpp"
#include "platform/file.hpp"

namespace kelvrin::dxf {

// The longest line a drawing may have. DXF values are short (AutoCAD writes
// strings of at most 2049 characters and splits longer texts over several
// groups); a line beyond this is not a drawing, and refusing it keeps an
// endless input such as /dev/zero from taking all memory.
inline constexpr std::size_t max_line_length = std::size_t{1} << 20;

// Reads a text file line by line through one large buffer, with no
// allocation per line. A line ends at CR LF, at a lone CR or at a lone LF;
// the line end is not part of the line, and a last line without one still
// counts. Lines are bytes: nothing is decoded.
//
// Lines read since the last mark() stay in the buffer, so a caller that
// marks before each pair of lines can look at both lines at once through
// view(). Memory grows only with the longest marked stretch, never with the
// file.
class LineReader {
 public:
  explicit LineReader(std::size_t buffer_size = std::size_t{1} << 20)
      : initial_buffer_size_(buffer_size) {}
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // Opens the file; false, with platform::last_system_error() telling why,
  // when it cannot be opened.
  bool open(const std::string& path);

  // Reads an open file from its start through `fd`, which stays the
  // caller's; false, with platform::last_system_error() telling why, when
  // it cannot be rewound.
  bool open_handle(platform::FileHandle fd);

  // Reads a regular file shared with others from `offset` on, by
  // positioned reads that leave `fd` (the caller's) where it is.
  bool open_at(platform::FileHandle fd, std::uint64_t offset);

  // Goes on reading at `offset`, which `lines` lines come before; whatever
  // was read and not consumed is dropped. Regular files only.
  void jump(std::uint64_t offset, std::uint64_t lines);

  // The file offset of a position counted from the mark.
  std::uint64_t file_offset(std::size_t from_mark) const noexcept {
    return consumed_before_buffer_ + mark_ + from_mark;
  }

  // The first bytes of the file, up to `count`, without consuming them.
  std::string_view peek(std::size_t count);

  // True when no byte is left to read (or a read failed).
  bool at_end() { return pos_ == end_ && !refill(); }

  // Keep everything from the current position on valid until the next mark.
  void mark() noexcept { mark_ = pos_; }

  // Moves the mark `count` bytes forward, still behind the current position.
  void advance_mark(std::size_t count) noexcept { mark_ += count; }

  // Where a line lies, counted from the mark: stable while the buffer moves.
  struct LineSpan {
    std::size_t begin;
    std::size_t size;
  };

  // The next line, or nullopt at the end of the file or on a read error.
  std::optional<LineSpan> read_line() {
    // Almost every line ends inside the buffer, with its line end complete.
    const auto line_end = static_cast<std::size_t>(
        find_line_end(buffer_.data() + pos_, buffer_.data() + end_) - buffer_.data());
    if (line_end + 1 < end_ && line_end - pos_ <= max_line_length) {
      const LineSpan line{pos_ - mark_, line_end - pos_};
      const bool crlf = buffer_[line_end] == '\r' && buffer_[line_end + 1] == '\n';
      pos_ = line_end + (crlf ? 2 : 1);
      ++line_number_;
      other_line_ends_ += crlf ? 0 : 1;
      crlf_.pass_over_to(buffer_.data() + pos_);
      return line;
    }
    const auto line = read_line_across_refill();
    crlf_.pass_over_to(buffer_.data() + pos_);
    return line;
  }

  // Both lines of a pair when both end in CR LF inside the buffer, as nearly
  // every pair of a drawing does; false (nothing read) otherwise, and the
  // caller reads them with read_line(). `pair_end` is where the next line
  // begins, counted from the mark.
  [[gnu::always_inline]] bool read_crlf_pair(LineSpan& first, LineSpan& second,
                                             std::size_t& pair_end) {
    const CrlfLines before = crlf_;
    const char* first_lf = nullptr;
    const char* second_lf = nullptr;
    if (!crlf_.next(first_lf) || !crlf_.next(second_lf)) {
      crlf_ = before;
      return false;
    }
    const char* const data = buffer_.data();
    first = {pos_ - mark_, static_cast<std::size_t>(first_lf - 1 - (data + pos_))};
    second = {static_cast<std::size_t>(first_lf + 1 - data) - mark_,
              static_cast<std::size_t>(second_lf - first_lf - 2)};
    pos_ = static_cast<std::size_t>(second_lf + 1 - data);
    pair_end = pos_ - mark_;
    line_number_ += 2;
    return true;
  }

  // For a reader of whole tags straight from the buffer: the scan of its
  // line ends, where the next line begins, and then where the reader stopped
  // (a line's start), after how many lines. The scan goes on from there.
  CrlfLines& crlf_lines() noexcept { return crlf_; }
  const char* next_line() const noexcept { return buffer_.data() + pos_; }
  std::size_t buffered_size() const noexcept { return end_ - pos_; }
  void consume_lines_to(const char* at, std::uint64_t lines) noexcept {
    pos_ = static_cast<std::size_t>(at - buffer_.data());
    line_number_ += lines;
    crlf_.restart_at(at);
  }

  // The text of a line read since the last mark, valid until the next read.
  std::string_view view(LineSpan line) const {
    return {buffer_.data() + mark_ + line.begin, line.size};
  }

  // The bytes from `begin` to `end`, counted from the mark, line ends and
  // all: what was read since the mark, as it lies in the file.
  std::string_view bytes(std::size_t begin, std::size_t end) const {
    return {buffer_.data() + mark_ + begin, end - begin};
  }

  // Where the next line begins, counted from the mark.
  std::size_t position() const noexcept { return pos_ - mark_; }

  // Lines read so far that did not end in CR LF (a lone CR or LF, or no line
  // end at all): a stretch without them can be copied as it lies.
  std::uint64_t other_line_ends() const noexcept { return other_line_ends_; }

  bool failed() const noexcept { return error_ || line_too_long_; }
  // Whether reading stopped at a line longer than max_line_length.
  bool line_too_long() const noexcept { return line_too_long_; }
  platform::SystemError error() const noexcept { return error_; }
  std::uint64_t line_number() const noexcept { return line_number_; }
  platform::FileHandle handle() const noexcept { return fd_; }
  std::uint64_t bytes_consumed() const noexcept { return consumed_before_buffer_ + pos_; }
  std::uint64_t file_size() const noexcept { return file_size_; }

 private:
  std::optional<LineSpan> read_line_across_refill();

  // Starts the scan of line ends again where reading stands, over what the
  // buffer holds now.
  void rescan() noexcept {
    crlf_ = CrlfLines(buffer_.data(), buffer_.data() + end_);
    crlf_.restart_at(buffer_.data() + pos_);
  }

  // Reads more bytes behind the buffered ones, moving the marked stretch to
  // the front first; false when nothing more could be read.
  bool refill();

  bool start_reading();

  std::size_t initial_buffer_size_;
  platform::FileHandle fd_ = platform::no_file;
  bool owns_fd_ = false;
  bool line_too_long_ = false;
  GrowableBuffer buffer_;
  std::size_t mark_ = 0;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool eof_ = false;
  platform::SystemError error_;
  std::uint64_t line_number_ = 0;
  std::uint64_t other_line_ends_ = 0;
  CrlfLines crlf_;
  std::uint64_t consumed_before_buffer_ = 0;
  std::uint64_t file_size_ = 0;
  bool positioned_ = false;        // reads with platform::read_at at read_offset_
  std::uint64_t read_offset_ = 0;  // in the file, of the next byte to read
};

}  // namespace kelvrin::dxf
