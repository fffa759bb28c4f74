#include "dxf/record_writer.hpp"

namespace kelvrin::dxf {

// Out of line: a pair's point, the usual case, is written where it is
// moved; these serve the rest.
void RecordWriter::write_rewritten(const Tag& tag, double number, bool shortest) {
  copy_.code_line(tag);
  copy_.flush();
  if (shortest) {
    write_shortest(number);
  } else {
    write_coordinate(out_, number);
  }
}

void RecordWriter::write_added(std::string_view code, double number) {
  copy_.flush();
  out_.write_line(code);
  write_shortest(number);
}

void RecordWriter::write_shortest(double number) {
  char* room = out_.begin_line(max_shortest_text);
  out_.end_line(format_shortest(number, room));
}

}  // namespace kelvrin::dxf
