#pragma once

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "dxf/line_writer.hpp"
#include "dxf/number_format.hpp"
#include "dxf/rewrite_dxf.hpp"
#include "dxf/tag_reader.hpp"
#include "platform/system_error.hpp"

namespace kelvrin::dxf {

// What both rewrite policies share: how a binary DXF announces itself, how
// often progress is told, how a transformed coordinate is written, and how a
// stop of the tag reader is told.
inline constexpr std::string_view binary_dxf_sentinel = "AutoCAD Binary DXF";
inline constexpr std::uint64_t progress_interval = std::uint64_t{8} << 20;
// How much of the file a pass keeps in the read buffer before what it copies
// of it goes out: long enough stretches for few, large copies.
inline constexpr std::size_t copied_stretch = std::size_t{64} << 10;

// Tells the listener how far the pass has read, once `next_report` is
// reached, and sets the next one a progress_interval further.
inline void tell_progress(const PassOptions& options, const TagReader& in,
                          std::uint64_t& next_report) {
  if (options.progress == nullptr || in.bytes_consumed() < next_report) return;
  options.progress->advanced(in.bytes_consumed(), in.file_size());
  next_report = in.bytes_consumed() + progress_interval;
}

// Blanks only: a tab in front of a name is part of it.
inline std::string_view trim_blanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// Block names are compared without regard to case, as CAD programs do.
inline std::string upper_case(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return upper;
}

// Opens the input (refusing a binary DXF) and creates the output; on failure
// the result says which step failed and why.
inline PassResult open_pass_files(TagReader& in, LineWriter& out, const PassFile& input,
                                  const PassFile& output) {
  PassResult result;
  if (!in.open(input)) {
    result.failure = PassFailure::cannot_open_input;
    result.system_error = platform::last_system_error();
  } else if (in.peek(binary_dxf_sentinel.size()) == binary_dxf_sentinel) {
    result.failure = PassFailure::binary_dxf;
  } else if (in.error()) {
    result.failure = PassFailure::read_error;
    result.system_error = in.error();
  } else if (output.handle != platform::no_file) {
    out.attach(output.handle);
  } else if (!out.create(output.path)) {
    result.failure = PassFailure::cannot_create_output;
    result.system_error = platform::last_system_error();
  }
  return result;
}

// The failure for a tag reader that stopped before the end of the file.
inline PassResult reading_failure(TagReader::Next next, const TagReader& in) {
  PassResult result;
  switch (next) {
    case TagReader::Next::read_error:
      result.failure = PassFailure::read_error;
      result.line = in.failed_line();
      result.system_error = in.error();
      break;
    case TagReader::Next::odd_line_count:
      result.failure = PassFailure::odd_line_count;
      result.line = in.last_line();
      break;
    case TagReader::Next::line_too_long:
      result.failure = PassFailure::line_too_long;
      result.line = in.failed_line();
      break;
    case TagReader::Next::tag:
    case TagReader::Next::end: break;
  }
  return result;
}

inline void write_coordinate(LineWriter& out, double value) {
  char* room = out.begin_line(max_coordinate_text);
  out.end_line(format_coordinate(value, room));
}

// What an X, Y pair turns into after its X code line: X', the Y code line as
// it lies in the input (read with its CR LF, from the reader's buffer, which
// lets a short copy read past it), Y'; all three in one stretch of room.
inline void write_moved_point(LineWriter& out, transform::PlanarPoint point,
                              std::string_view y_code_line) {
  constexpr std::size_t line_move = 16;
  static_assert(GrowableBuffer::readable_slack >= line_move);
  char* const room = out.begin_line(2 * max_coordinate_text + 2 + y_code_line.size() + line_move);
  char* p = room + format_coordinate(point.x, room);
  *p++ = '\r';
  *p++ = '\n';
  if (y_code_line.size() <= line_move) {
    std::memcpy(p, y_code_line.data(), line_move);
  } else {
    std::memcpy(p, y_code_line.data(), y_code_line.size());
  }
  p += y_code_line.size();
  p += format_coordinate(point.y, p);
  out.end_line(static_cast<std::size_t>(p - room));
}

}  // namespace kelvrin::dxf
