#pragma once

#include <cstdint>
#include <string>

#include "dxf/rewrite_dxf.hpp"
#include "points/columns.hpp"
#include "points/fields.hpp"
#include "transform/point_operation.hpp"

namespace kelvrin::points {

struct PointListOptions {
  // The --columns text; empty: the header line names the columns.
  std::string columns;
  // Decimals a converted coordinate has at least: millimetres in metres,
  // about 0.1 mm in degrees.
  int minimum_decimals = 3;
  dxf::PassProgress* progress = nullptr;
};

// How a list is written, as read from its first lines.
struct PointListLayout {
  Separator separator = Separator::comma;
  char decimal_mark = '.';
  Columns columns;
  std::uint64_t header_line = 0;  // the header's line number; 0 when there is none
};

enum class PointListFailure {
  none,
  cannot_open_input,
  cannot_create_output,
  read_error,
  write_error,
  line_too_long,
  no_points,        // nothing but blank and comment lines
  no_separator,     // the first lines share no separator
  unknown_columns,  // neither --columns nor a header says which columns hold what
  too_few_fields,
  not_a_number,
  grouped_digits,  // thousands separators
  point_rejected,  // outside what the transformation covers
  arithmetic_failure,
};

struct PointListResult {
  PointListFailure failure = PointListFailure::none;
  std::uint64_t line = 0;  // where, 1-based
  std::string text;        // that line as read (its start, when long)
  std::string field;       // the field at fault
  ColumnsProblem columns_problem = ColumnsProblem::none;  // with unknown_columns
  platform::SystemError system_error;
  transform::PlanarPoint source_point;  // the point a transformation refused
  std::uint64_t points = 0;
  // Points converted outside the operation's area of use; the first one's
  // line and coordinates.
  std::uint64_t points_outside_area = 0;
  std::uint64_t first_outside_line = 0;
  transform::PlanarPoint first_outside_point;
  PointListLayout layout;

  bool completed() const noexcept { return failure == PointListFailure::none; }
};

// One streaming pass over a point list that converts the east and north
// column of every data line with `operation` and copies every other byte:
// the header, blank and comment ("#") lines, the other fields, separators,
// quotes, line ends and encoding. Each converted coordinate keeps its
// decimal mark and its number of decimals (at least minimum_decimals).
// Nothing is written before the columns are known; on any other failure the
// output may be partly written, and the caller owns its removal.
PointListResult rewrite_point_list(const dxf::PassFile& input, const dxf::PassFile& output,
                                   const transform::PointOperation& operation,
                                   const PointListOptions& options);

}  // namespace kelvrin::points
