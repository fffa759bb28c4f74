#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "dxf/line_ends.hpp"
#include "dxf/numbers.hpp"
#include "dxf/tag_reader.hpp"

namespace kelvrin::dxf {

// One tag as a PlainRun reads it: pointers into the reader's buffer.
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

// The tags from where a TagReader stands, as nearly every drawing has them,
// read straight from its buffer in a loop whose place lies in local
// variables: lines that the reader's CrlfLines gives (CR LF, short), group
// codes in their plain form. It stops before the first tag it does not read
// so, which the TagReader then reads with every other form and failure; the
// reader is told what the run took when the run ends.
class PlainRun {
 public:
  explicit PlainRun(TagReader& in)
      : in_(in), lines_(in.lines().crlf_lines()), start_(in.lines().next_line()), at_(start_) {}
  ~PlainRun() {
    in_.lines().crlf_lines() = lines_;
    in_.lines().consume_lines_to(at_, line_count_);
  }
  PlainRun(const PlainRun&) = delete;
  PlainRun& operator=(const PlainRun&) = delete;

  // The next tag, not taken yet; false where the plain reading stops.
  [[gnu::always_inline]] bool next(PlainTag& tag) {
    if (!lines_.next(tag.code_end) || !lines_.next(tag.value_end)) return false;
    tag.begin = at_;
    const auto code = group_code(tag.code_line());
    if (!code) return false;
    tag.code = *code;
    return true;
  }

  // The next tag of code 0, taking the others without reading their codes,
  // for a reader that looks only at where records start.
  [[gnu::always_inline]] bool next_record(PlainTag& tag) {
    for (;;) {
      if (!lines_.next(tag.code_end) || !lines_.next(tag.value_end)) return false;
      tag.begin = at_;
      if (group_code(tag.code_line()) == 0) {
        tag.code = 0;
        return true;
      }
      take(tag);
    }
  }

  // The tag next() gave becomes part of the run.
  void take(const PlainTag& tag) {
    at_ = tag.end();
    line_count_ += 2;
  }

  const char* start() const { return start_; }
  const char* at() const { return at_; }
  // Lines taken so far.
  std::uint64_t line_count() const { return line_count_; }

 private:
  TagReader& in_;
  CrlfLines lines_;  // the reader's, kept here while the run goes
  const char* const start_;
  const char* at_;  // where the next tag begins
  std::uint64_t line_count_ = 0;
};

}  // namespace kelvrin::dxf
