#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "dxf/point_transform.hpp"

namespace kelvrin::dxf {

// How the code line of an X pair in the entities zone reaches the output.
enum class XCodeLine {
  // Written as soon as the X pair is read; X' follows with the Y pair.
  written_at_once,
  // Held back and written with the Y pair, in front of X' (the grid
  // transformations, which may still reject the point).
  held_for_y_pair,
};

// Told how far a pass has gone, so a host can show progress.
class PassProgress {
 public:
  virtual ~PassProgress() = default;
  virtual void advanced(std::uint64_t bytes_read, std::uint64_t bytes_total) = 0;
};

struct PassOptions {
  XCodeLine x_code_line = XCodeLine::written_at_once;
  PassProgress* progress = nullptr;
  // Size of the read and the write buffer; the read buffer grows to hold the
  // longest pair of lines.
  std::size_t buffer_size = std::size_t{1} << 20;
};

enum class PassFailure {
  none,
  cannot_open_input,
  binary_dxf,
  cannot_create_output,
  read_error,
  write_error,
  odd_line_count,
  number_too_large,
  arithmetic_failure,
  point_rejected,
};

struct PassResult {
  PassFailure failure = PassFailure::none;
  std::uint64_t line = 0;    // the input line where it failed, 1-based; 0 when none applies
  int system_error = 0;      // errno of a failed open, read or write
  PlanarPoint source_point;  // the point a transformation rejected

  bool completed() const noexcept { return failure == PassFailure::none; }
};

// One streaming pass over a DXF text file: copies it two lines at a time
// (code line, value line) and, from the first pair whose value is "ENTITIES"
// to the end of the file, replaces the value of every X pair (codes 10-18)
// and Y pair (codes 20-28) by what `transform` makes of them, written in the
// form "0.00000". Every line written ends in CR LF. Memory is bounded by the
// longest pair of lines, not by the file.
//
// On failure the output may be partly written; the caller owns its removal.
PassResult rewrite_dxf(const std::string& input_path, const std::string& output_path,
                       PointTransform& transform, const PassOptions& options = {});

}  // namespace kelvrin::dxf
