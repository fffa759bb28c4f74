#include "points/point_list_pass.hpp"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <vector>

#include "dxf/line_reader.hpp"
#include "dxf/line_writer.hpp"
#include "dxf/number_format.hpp"

namespace kelvrin::points {
namespace {

using transform::PlanarPoint;
using transform::PointStatus;

constexpr std::string_view utf8_mark = "\xEF\xBB\xBF";
// The first lines that decide the layout: enough to see past a header and
// a few irregular lines, few enough to be read at once.
constexpr std::size_t sample_lines = 20;
constexpr std::size_t sample_bytes = std::size_t{256} << 10;
// How much of a line a message quotes.
constexpr std::size_t quoted_length = 200;
constexpr std::uint64_t progress_interval = std::uint64_t{8} << 20;

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// Blank lines and "#" comments are copied as they are.
bool holds_no_point(std::string_view line) {
  const auto first = std::find_if_not(line.begin(), line.end(), is_blank);
  return first == line.end() || *first == '#';
}

bool open_input(dxf::LineReader& in, const dxf::PassFile& input) {
  return input.handle != platform::no_file ? in.open_handle(input.handle) : in.open(input.path);
}

std::string quoted(std::string_view line) { return std::string(line.substr(0, quoted_length)); }

PointListResult failed(PointListFailure failure, std::uint64_t line, std::string_view text) {
  PointListResult result;
  result.failure = failure;
  result.line = line;
  result.text = quoted(text);
  return result;
}

PointListResult reading_failure(const dxf::LineReader& in) {
  PointListResult result;
  result.failure =
      in.line_too_long() ? PointListFailure::line_too_long : PointListFailure::read_error;
  result.line = in.line_number() + 1;
  result.system_error = in.error();
  return result;
}

// A header names its columns: none of its fields is a number.
bool is_header(std::string_view line, Separator separator) {
  std::vector<FieldSpan> fields;
  split_fields(line, separator, fields);
  for (const FieldSpan field : fields) {
    const FieldSpan value = field_value(line, field);
    const std::string_view text = line.substr(value.begin, value.end - value.begin);
    for (const char mark : {'.', ','}) {
      if (read_field_number(text, mark).problem != FieldNumber::Problem::not_a_number) return false;
    }
  }
  return true;
}

// A comma decimal mark only where commas do not separate the fields.
char decimal_mark_of(const std::vector<std::string_view>& data_lines,
                     const PointListLayout& layout) {
  if (layout.separator == Separator::comma || layout.separator == Separator::blanks) return '.';
  std::vector<FieldSpan> fields;
  for (const std::string_view line : data_lines) {
    split_fields(line, layout.separator, fields);
    for (const std::size_t column : {layout.columns.east, layout.columns.north}) {
      if (column >= fields.size()) continue;
      const FieldSpan value = field_value(line, fields[column]);
      const std::string_view text = line.substr(value.begin, value.end - value.begin);
      if (text.find(',') != std::string_view::npos) return ',';
    }
  }
  return '.';
}

// The layout from the first lines of the list.
PointListResult read_layout(const dxf::PassFile& input, const PointListOptions& options) {
  dxf::LineReader in;
  if (!open_input(in, input)) {
    PointListResult result;
    result.failure = PointListFailure::cannot_open_input;
    result.system_error = platform::last_system_error();
    return result;
  }
  in.mark();
  std::vector<std::pair<std::uint64_t, dxf::LineReader::LineSpan>> spans;
  while (spans.size() < sample_lines && in.position() < sample_bytes) {
    const auto span = in.read_line();
    if (!span) break;
    spans.emplace_back(in.line_number(), *span);
  }
  if (in.failed()) return reading_failure(in);
  std::vector<std::string_view> lines;
  std::uint64_t first_line = 0;
  for (const auto& [number, span] : spans) {
    std::string_view line = in.view(span);
    if (number == 1 && line.starts_with(utf8_mark)) line.remove_prefix(utf8_mark.size());
    if (holds_no_point(line)) continue;
    if (lines.empty()) first_line = number;
    lines.push_back(line);
  }
  if (lines.empty()) return failed(PointListFailure::no_points, 0, {});

  PointListResult result;
  const auto separator = detect_separator(lines);
  if (!separator) return failed(PointListFailure::no_separator, first_line, lines.front());
  result.layout.separator = *separator;
  const bool header = is_header(lines.front(), *separator);
  ColumnsRead columns;
  if (!options.columns.empty()) {
    columns = columns_from_option(options.columns);
  } else if (header) {
    std::vector<FieldSpan> fields;
    split_fields(lines.front(), *separator, fields);
    std::vector<std::string_view> names;
    for (const FieldSpan field : fields) {
      names.push_back(lines.front().substr(field.begin, field.end - field.begin));
    }
    columns = columns_from_header(names);
  }
  if (!columns.columns) {
    result = failed(PointListFailure::unknown_columns, first_line, lines.front());
    result.columns_problem = columns.problem;
    return result;
  }
  result.layout.columns = std::move(*columns.columns);
  result.layout.header_line = header ? first_line : 0;
  if (header) lines.erase(lines.begin());
  result.layout.decimal_mark = decimal_mark_of(lines, result.layout);
  return result;
}

// The pass itself, once the layout is known.
class PointListPass {
 public:
  PointListPass(const transform::PointOperation& operation, const PointListOptions& options,
                const PointListLayout& layout)
      : operation_(operation), options_(options), layout_(layout) {
    result_.layout = layout;
  }

  PointListResult run(const dxf::PassFile& input, const dxf::PassFile& output) {
    if (!open_input(in_, input)) {
      result_.failure = PointListFailure::cannot_open_input;
      result_.system_error = platform::last_system_error();
      return result_;
    }
    if (output.handle != platform::no_file) {
      out_.attach(output.handle);
    } else if (!out_.create(output.path)) {
      result_.failure = PointListFailure::cannot_create_output;
      result_.system_error = platform::last_system_error();
      return result_;
    }
    std::uint64_t next_report = progress_interval;
    while (true) {
      in_.mark();
      const auto span = in_.read_line();
      if (!span) break;
      if (!convert_line(in_.view(*span), in_.bytes(span->begin + span->size, in_.position()))) {
        return result_;
      }
      if (options_.progress != nullptr && in_.bytes_consumed() >= next_report) {
        options_.progress->advanced(in_.bytes_consumed(), in_.file_size());
        next_report = in_.bytes_consumed() + progress_interval;
      }
    }
    if (in_.failed()) {
      const PointListResult reading = reading_failure(in_);
      result_.failure = reading.failure;
      result_.line = reading.line;
      result_.system_error = reading.system_error;
    } else if (!out_.close()) {
      result_.failure = PointListFailure::write_error;
      result_.system_error = out_.error();
    }
    return result_;
  }

 private:
  bool fail(PointListFailure failure, std::string_view line) {
    result_.failure = failure;
    result_.line = in_.line_number();
    result_.text = quoted(line);
    return false;
  }

  // Writes one line and its line end; false when the line stops the pass.
  bool convert_line(std::string_view line, std::string_view line_end) {
    if (in_.line_number() == 1 && line.starts_with(utf8_mark)) {
      out_.write_bytes(utf8_mark);
      line.remove_prefix(utf8_mark.size());
    }
    if (in_.line_number() == layout_.header_line || holds_no_point(line)) {
      out_.write_bytes(line);
      out_.write_bytes(line_end);
      return !out_.failed() || fail(PointListFailure::write_error, line);
    }
    split_fields(line, layout_.separator, fields_);
    if (fields_.size() < layout_.columns.needed_fields()) {
      return fail(PointListFailure::too_few_fields, line);
    }
    const FieldSpan east = field_value(line, fields_[layout_.columns.east]);
    const FieldSpan north = field_value(line, fields_[layout_.columns.north]);
    FieldNumber x;
    FieldNumber y;
    if (!read_coordinate(line, east, x) || !read_coordinate(line, north, y)) return false;
    PlanarPoint target;
    if (!transform_point({x.value, y.value}, line, target)) return false;

    // The two numbers replaced where they stand, in the order they stand.
    Replaced first{east, target.x, x.decimals};
    Replaced second{north, target.y, y.decimals};
    if (north.begin < east.begin) std::swap(first, second);
    std::size_t copied = 0;
    for (const Replaced& number : {first, second}) {
      out_.write_bytes(line.substr(copied, number.span.begin - copied));
      write_number(number.value, number.decimals);
      copied = number.span.end;
    }
    out_.write_bytes(line.substr(copied));
    out_.write_bytes(line_end);
    ++result_.points;
    return !out_.failed() || fail(PointListFailure::write_error, line);
  }

  struct Replaced {
    FieldSpan span;
    double value;
    int decimals;
  };

  bool read_coordinate(std::string_view line, FieldSpan span, FieldNumber& number) {
    const std::string_view text = line.substr(span.begin, span.end - span.begin);
    number = read_field_number(text, layout_.decimal_mark);
    if (number.problem == FieldNumber::Problem::none) return true;
    result_.field = std::string(text.substr(0, quoted_length));
    return fail(number.problem == FieldNumber::Problem::grouped_digits
                    ? PointListFailure::grouped_digits
                    : PointListFailure::not_a_number,
                line);
  }

  bool transform_point(PlanarPoint source, std::string_view line, PlanarPoint& target) {
    PointStatus status = operation_.check_x(source.x);
    transform::PointResult result;
    if (status == PointStatus::ok) {
      result = operation_.forward(source);
      status = result.status;
    }
    if (status == PointStatus::ok &&
        !(std::isfinite(result.point.x) && std::isfinite(result.point.y))) {
      status = PointStatus::arithmetic_failure;
    }
    if (status != PointStatus::ok) {
      result_.source_point = source;
      return fail(status == PointStatus::rejected ? PointListFailure::point_rejected
                                                  : PointListFailure::arithmetic_failure,
                  line);
    }
    if (result.outside_area && result_.points_outside_area++ == 0) {
      result_.first_outside_line = in_.line_number();
      result_.first_outside_point = source;
    }
    target = result.point;
    return true;
  }

  void write_number(double value, int decimals) {
    char text[dxf::max_fixed_text];
    const std::size_t size =
        dxf::format_fixed(value, std::max(decimals, options_.minimum_decimals), text);
    if (layout_.decimal_mark != '.') std::replace(text, text + size, '.', layout_.decimal_mark);
    out_.write_bytes({text, size});
  }

  const transform::PointOperation& operation_;
  const PointListOptions& options_;
  const PointListLayout& layout_;
  dxf::LineReader in_;
  dxf::LineWriter out_;
  std::vector<FieldSpan> fields_;
  PointListResult result_;
};

}  // namespace

PointListResult rewrite_point_list(const dxf::PassFile& input, const dxf::PassFile& output,
                                   const transform::PointOperation& operation,
                                   const PointListOptions& options) {
  const PointListResult layout = read_layout(input, options);
  if (!layout.completed()) return layout;
  PointListPass pass(operation, options, layout.layout);
  return pass.run(input, output);
}

}  // namespace kelvrin::points
