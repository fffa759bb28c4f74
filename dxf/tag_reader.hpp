#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "dxf/line_reader.hpp"
#include "dxf/numbers.hpp"
#include "dxf/rewrite_dxf.hpp"

namespace kelvrin::dxf {

// One group of a DXF text file: its code line and its value line, as spans
// counted from the reader's mark.
struct Tag {
  LineReader::LineSpan code_line;
  LineReader::LineSpan value_line;
  std::size_t end = 0;     // where the next tag begins, counted like the spans
  std::uint64_t line = 0;  // the code line's number, from 1
  int code = -1;           // the group code; -1 until a policy reads it
  bool crlf = true;        // both lines end in CR LF, as every written line does
};

// Reads a DXF text file as tags: lines taken two by two from the first line
// on, never re-synchronised. The line-end rules, the read errors and the
// odd line count are settled here; what a tag means is the policies' matter.
class TagReader {
 public:
  explicit TagReader(std::size_t buffer_size) : lines_(buffer_size) {}

  bool open(const PassFile& file) {
    return file.handle != platform::no_file ? lines_.open_handle(file.handle)
                                            : lines_.open(file.path);
  }
  bool open_at(platform::FileHandle fd, std::uint64_t offset) { return lines_.open_at(fd, offset); }
  void jump(std::uint64_t offset, std::uint64_t lines) { lines_.jump(offset, lines); }
  std::string_view peek(std::size_t count) { return lines_.peek(count); }

  enum class Next { tag, end, odd_line_count, read_error, line_too_long };

  [[gnu::always_inline]] Next next(Tag& tag) {
    if (lines_.read_crlf_pair(tag.code_line, tag.value_line, tag.end)) {
      tag.line = lines_.line_number() - 1;
      tag.code = -1;
      tag.crlf = true;
      return Next::tag;
    }
    if (lines_.at_end()) return lines_.failed() ? failure() : Next::end;
    const std::uint64_t other_ends = lines_.other_line_ends();
    const auto code_line = lines_.read_line();
    const auto value_line = code_line ? lines_.read_line() : std::nullopt;
    if (lines_.failed()) return failure();
    if (!value_line) return Next::odd_line_count;
    tag = Tag{*code_line,
              *value_line,
              lines_.position(),
              lines_.line_number() - 1,
              -1,
              lines_.other_line_ends() == other_ends};
    return Next::tag;
  }

  // For a PlainRun, which reads tags straight from the lines' buffer.
  LineReader& lines() noexcept { return lines_; }

  // Keeps every tag read from here on in the buffer until the next mark.
  void mark() noexcept { lines_.mark(); }

  // Moves the mark forward to where `tag` begins, keeping it and what
  // follows; `tag`'s spans are rebased on the new mark.
  void mark_at(Tag& tag) noexcept {
    const std::size_t shift = tag.code_line.begin;
    lines_.advance_mark(shift);
    tag.code_line.begin -= shift;
    tag.value_line.begin -= shift;
    tag.end -= shift;
  }

  // Where a tag begins in the file.
  std::uint64_t file_offset(const Tag& tag) const noexcept {
    return lines_.file_offset(tag.code_line.begin);
  }

  std::string_view code_text(const Tag& tag) const { return lines_.view(tag.code_line); }
  std::string_view value_text(const Tag& tag) const { return lines_.view(tag.value_line); }
  std::string_view bytes(std::size_t begin, std::size_t end) const {
    return lines_.bytes(begin, end);
  }

  // The line a failure concerns: the one after the last line read.
  std::uint64_t failed_line() const noexcept { return lines_.line_number() + 1; }
  std::uint64_t last_line() const noexcept { return lines_.line_number(); }
  platform::SystemError error() const noexcept { return lines_.error(); }
  platform::FileHandle handle() const noexcept { return lines_.handle(); }
  std::uint64_t bytes_consumed() const noexcept { return lines_.bytes_consumed(); }
  std::uint64_t file_size() const noexcept { return lines_.file_size(); }

 private:
  Next failure() const noexcept {
    return lines_.line_too_long() ? Next::line_too_long : Next::read_error;
  }

  LineReader lines_;
};

}  // namespace kelvrin::dxf
