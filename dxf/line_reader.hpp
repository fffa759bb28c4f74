#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "dxf/growable_buffer.hpp"
#include "platform/file.hpp"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kelvrin::dxf {

// The first CR or LF in [from, end) of `data`, or end. Sixteen bytes at a
// time where the processor allows: this scan sees every byte of a drawing.
inline std::size_t find_line_end(const char* data, std::size_t from, std::size_t end) {
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  for (; from + 16 <= end; from += 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + from));
    const int hits =
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(chunk, cr), _mm_cmpeq_epi8(chunk, lf)));
    if (hits != 0)
      return from + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(hits)));
  }
#endif
  while (from != end && data[from] != '\n' && data[from] != '\r') ++from;
  return from;
}

// The LFs and the CRs of the 64 bytes at `data`, one bit each, the first
// byte in the lowest bit.
inline void line_end_masks(const char* data, std::uint64_t& line_feeds, std::uint64_t& returns) {
#if defined(__SSE2__)
  const auto matches = [data](int part, char wanted) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * part));
    const int bits = _mm_movemask_epi8(_mm_cmpeq_epi8(chunk, _mm_set1_epi8(wanted)));
    return static_cast<std::uint64_t>(static_cast<unsigned>(bits)) << (16 * part);
  };
  line_feeds = matches(0, '\n') | matches(1, '\n') | matches(2, '\n') | matches(3, '\n');
  returns = matches(0, '\r') | matches(1, '\r') | matches(2, '\r') | matches(3, '\r');
#else
  line_feeds = 0;
  returns = 0;
  for (int i = 0; i < 64; ++i) {
    line_feeds |= static_cast<std::uint64_t>(data[i] == '\n') << i;
    returns |= static_cast<std::uint64_t>(data[i] == '\r') << i;
  }
#endif
}

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
    const std::size_t line_end = find_line_end(buffer_.data(), pos_, end_);
    if (line_end + 1 < end_ && line_end - pos_ <= max_line_length) {
      const LineSpan line{pos_ - mark_, line_end - pos_};
      const bool crlf = buffer_[line_end] == '\r' && buffer_[line_end + 1] == '\n';
      pos_ = line_end + (crlf ? 2 : 1);
      ++line_number_;
      other_line_ends_ += crlf ? 0 : 1;
      forget_line_ends_before_pos();
      return line;
    }
    const auto line = read_line_across_refill();
    forget_line_ends_before_pos();
    return line;
  }

  // Both lines of a pair when both end in CR LF inside the buffer, as nearly
  // every pair of a drawing does; false (nothing read) otherwise, and the
  // caller reads them with read_line(). `pair_end` is where the next line
  // begins, counted from the mark.
  [[gnu::always_inline]] bool read_crlf_pair(LineSpan& first, LineSpan& second,
                                             std::size_t& pair_end) {
    const std::uint64_t line_ends = line_ends_;
    const std::size_t scan = scan_;
    std::size_t first_lf = 0;
    std::size_t second_lf = 0;
    if (!next_crlf(first_lf)) return false;
    line_ends_ &= line_ends_ - 1;
    if (!next_crlf(second_lf) || first_lf - pos_ > max_line_length ||
        second_lf - first_lf > max_line_length) {
      line_ends_ = line_ends;
      scan_ = scan;
      return false;
    }
    line_ends_ &= line_ends_ - 1;
    first = {pos_ - mark_, first_lf - 1 - pos_};
    second = {first_lf + 1 - mark_, second_lf - first_lf - 2};
    pos_ = second_lf + 1;
    pair_end = pos_ - mark_;
    line_number_ += 2;
    return true;
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

  // For a caller that reads lines by itself: the bytes read into the buffer
  // and not consumed yet (readable room of GrowableBuffer::readable_slack
  // before and behind them), and then how many of them it consumed, in
  // `lines` whole lines that all end in CR LF.
  std::string_view buffered() const noexcept { return {buffer_.data() + pos_, end_ - pos_}; }
  void consume_lines(std::size_t bytes, std::uint64_t lines) noexcept {
    pos_ += bytes;
    line_number_ += lines;
    forget_line_ends_before_pos();
  }

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

  // The line ends of the pair reader: the LFs of the 64 bytes before scan_
  // that lie at or behind pos_, one bit each. Blocks whose line ends are not
  // all CR LF are left to read_line(), up to irregular_until_.
  static constexpr std::size_t block = 64;

  // Where the next line ends when that is a CR LF in a regular block: the
  // offset of its LF. The bit stays set; the caller clears it.
  [[gnu::always_inline]] bool next_crlf(std::size_t& lf) {
    while (line_ends_ == 0) {
      const std::size_t base = scan_;
      if (base + block > end_ || pos_ < irregular_until_) return false;
      std::uint64_t line_feeds = 0;
      std::uint64_t returns = 0;
      line_end_masks(buffer_.data() + base, line_feeds, returns);
      const std::uint64_t carried_return = base != 0 && buffer_[base - 1] == '\r' ? 1 : 0;
      if (((returns << 1) | carried_return) != line_feeds) {
        irregular_until_ = base + block;
        return false;
      }
      line_ends_ = pos_ > base ? line_feeds & (~std::uint64_t{0} << (pos_ - base)) : line_feeds;
      scan_ = base + block;
    }
    lf = scan_ - block + static_cast<std::size_t>(__builtin_ctzll(line_ends_));
    return true;
  }

  // After read_line() moved pos_: the pair reader's bits behind it are void.
  void forget_line_ends_before_pos() {
    if (pos_ >= scan_) {
      line_ends_ = 0;
      scan_ = pos_;
    } else if (pos_ + block > scan_) {
      line_ends_ &= ~std::uint64_t{0} << (pos_ + block - scan_);
    }
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
  std::size_t scan_ = 0;
  std::uint64_t line_ends_ = 0;
  std::size_t irregular_until_ = 0;
  std::uint64_t consumed_before_buffer_ = 0;
  std::uint64_t file_size_ = 0;
  bool positioned_ = false;        // reads with platform::read_at at read_offset_
  std::uint64_t read_offset_ = 0;  // in the file, of the next byte to read
};

}  // namespace kelvrin::dxf
