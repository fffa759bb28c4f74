#pragma once

#include <string_view>

#include "dxf/line_writer.hpp"
#include "dxf/number_format.hpp"
#include "dxf/pass_support.hpp"
#include "dxf/tag_copy.hpp"
#include "dxf/tag_reader.hpp"
#include "transform/point_operation.hpp"

namespace kelvrin::dxf {

// Writes the tags of a held record that get a new value: the code line as
// it lies in the input, then the number, as a coordinate or in the shortest
// form that reads back the same. The tags left as they are go through the
// copy, which goes out first.
class RecordWriter {
 public:
  RecordWriter(const TagReader& in, TagCopy& copy, LineWriter& out)
      : in_(in), copy_(copy), out_(out) {}

  void write_rewritten(const Tag& tag, double number, bool shortest = false);

  // An X, Y pair: a point as coordinates, a direction in the shortest form.
  void write_pair(const Tag& x_tag, const Tag& y_tag, transform::PlanarPoint written,
                  bool direction) {
    if (!direction && y_tag.crlf) {
      copy_.code_line(x_tag);
      copy_.flush();
      write_moved_point(out_, written, in_.bytes(y_tag.code_line.begin, y_tag.value_line.begin));
    } else {
      write_rewritten(x_tag, written.x, direction);
      write_rewritten(y_tag, written.y, direction);
    }
  }

  // A tag the record did not have.
  void write_added(std::string_view code, double number);

 private:
  void write_shortest(double number);

  const TagReader& in_;
  TagCopy& copy_;
  LineWriter& out_;
};

}  // namespace kelvrin::dxf
