#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "dxf/line_reader.hpp"
#include "dxf/tag_reader.hpp"

namespace kelvrin::dxf {

// One tag as PlainTags reads it: pointers into the reader's buffer.
struct PlainTag {
  const char* begin;      // the code line's first byte
  const char* code_end;   // the LF that ends the code line
  const char* value_end;  // the LF that ends the value line
  int code;

  std::string_view code_line() const {
    return {begin, static_cast<std::size_t>(code_end - 1 - begin)};
  }
  std::string_view value_line() const {
    return {code_end + 1, static_cast<std::size_t>(value_end - code_end - 2)};
  }
  // The code line with its CR LF, as it lies in the input.
  std::string_view code_line_with_end() const {
    return {begin, static_cast<std::size_t>(code_end + 1 - begin)};
  }
  const char* end() const { return value_end + 1; }
};

// Reads the tags of the bytes a TagReader holds as nearly every drawing
// has them, in one loop whose place lies in local variables: lines that all
// end in CR LF, 64 bytes at a time, no line longer than two such blocks,
// group codes in their plain form. It stops before the first tag it does
// not read so; the caller leaves that one, and the lines up to
// resume_after(), to the TagReader, which knows every other form and
// failure, and then tells it what was consumed.
class PlainTags {
 public:
  explicit PlainTags(std::string_view buffered)
      : start_(buffered.data()), end_(start_ + buffered.size()), scanned_(start_) {}

  // The next tag, beginning at `at` (where the last one ended, or the
  // start); false where the plain reading stops.
  [[gnu::always_inline]] bool next(const char* at, PlainTag& tag) {
    if (!next_line_end(tag.code_end) || !next_line_end(tag.value_end)) return false;
    tag.begin = at;
    const auto code = group_code(tag.code_line());
    if (!code) return false;
    tag.code = *code;
    return true;
  }

  // The next tag of code 0, passing over the others without reading their
  // codes, for a reader that looks only at where records start; false
  // where the plain reading stops. `at` and `lines` move past the tags
  // passed over.
  [[gnu::always_inline]] bool next_record(const char*& at, std::uint64_t& lines, PlainTag& tag) {
    for (;;) {
      if (!next_line_end(tag.code_end) || !next_line_end(tag.value_end)) return false;
      tag.begin = at;
      if (group_code(tag.code_line()) == 0) {
        tag.code = 0;
        return true;
      }
      at = tag.end();
      lines += 2;
    }
  }

  const char* start() const { return start_; }

  // Where the plain reading may go on after stopping at `at`: past the
  // block whose lines end otherwise, or past the one tag at `at`.
  std::size_t resume_after(const char* at) const {
    return static_cast<std::size_t>((irregular_ ? scanned_ + block : at + 1) - start_);
  }

 private:
  static constexpr std::size_t block = 64;

  [[gnu::always_inline]] bool next_line_end(const char*& lf) {
    while (line_ends_ == 0) {
      if (static_cast<std::size_t>(end_ - scanned_) < block) return false;
      std::uint64_t line_feeds = 0;
      std::uint64_t returns = 0;
      line_end_masks(scanned_, line_feeds, returns);
      const std::uint64_t carried = scanned_ != start_ && scanned_[-1] == '\r' ? 1 : 0;
      // A block without a line end would let a line grow past what the cap
      // on line length checks.
      if (((returns << 1) | carried) != line_feeds || line_feeds == 0) {
        irregular_ = true;
        return false;
      }
      line_ends_ = line_feeds;
      scanned_ += block;
    }
    lf = scanned_ - block + std::countr_zero(line_ends_);
    line_ends_ &= line_ends_ - 1;
    return true;
  }

  const char* start_;
  const char* end_;
  const char* scanned_;          // the blocks before it are scanned
  std::uint64_t line_ends_ = 0;  // the LFs of the last block not yet used
  bool irregular_ = false;       // stopped at a block with other line ends
};

}  // namespace kelvrin::dxf
