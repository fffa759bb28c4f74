#pragma once

#include <cstddef>

#include "dxf/line_writer.hpp"
#include "dxf/tag_reader.hpp"

namespace kelvrin::dxf {

// Copies tags that a pass leaves as they are. Consecutive tags whose lines
// end in CR LF, as written lines do, gather into one stretch of the input
// that goes out as one block: most of a drawing is copied without looking at
// its lines twice. Other tags are written line by line, with CR LF.
//
// The stretch is counted from the reader's mark, so it must go out (flush)
// before the mark moves; what the pass writes itself goes through out(),
// after it.
class TagCopy {
 public:
  TagCopy(const TagReader& in, LineWriter& out) : in_(in), out_(out) {}

  void tag(const Tag& tag) {
    if (tag.crlf) {
      extend(tag.code_line.begin, tag.end);
    } else {
      flush();
      out_.write_line(in_.code_text(tag));
      out_.write_line(in_.value_text(tag));
    }
  }

  // The code line of a tag whose value is rewritten.
  void code_line(const Tag& tag) {
    if (tag.crlf) {
      extend(tag.code_line.begin, tag.value_line.begin);
    } else {
      flush();
      out_.write_line(in_.code_text(tag));
    }
  }

  // The writer, for lines of the pass's own: the stretch copied so far is
  // written first.
  LineWriter& out() {
    flush();
    return out_;
  }

  void flush() {
    if (begin_ != end_) out_.write_read_bytes(in_.bytes(begin_, end_));
    begin_ = end_ = 0;
  }

 private:
  void extend(std::size_t begin, std::size_t end) {
    if (begin != end_) {
      flush();
      begin_ = begin;
    }
    end_ = end;
  }

  const TagReader& in_;
  LineWriter& out_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
};

}  // namespace kelvrin::dxf
