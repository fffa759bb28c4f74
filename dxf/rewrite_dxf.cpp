#include "dxf/rewrite_dxf.hpp"

#include <cerrno>
#include <string_view>

#include "dxf/line_reader.hpp"
#include "dxf/line_writer.hpp"
#include "dxf/number_format.hpp"
#include "dxf/number_scan.hpp"

namespace kelvrin::dxf {
namespace {

constexpr std::string_view binary_dxf_sentinel = "AutoCAD Binary DXF";
constexpr std::uint64_t progress_interval = std::uint64_t{8} << 20;

enum class PairKind { x_pair, y_pair, other };

PairKind classify(double code) {
  if (code >= 10.0 && code <= 18.0) return PairKind::x_pair;
  if (code >= 20.0 && code <= 28.0) return PairKind::y_pair;
  return PairKind::other;
}

// Blanks only: a tab in front of ENTITIES keeps the zone closed.
std::string_view trim_blanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

void write_coordinate(LineWriter& out, double value) {
  char* room = out.begin_line(max_coordinate_text);
  out.end_line(format_coordinate(value, room));
}

class Pass {
 public:
  Pass(PointTransform& transform, const PassOptions& options)
      : transform_(transform),
        options_(options),
        in_(options.buffer_size),
        out_(options.buffer_size) {}

  PassResult run(const std::string& input_path, const std::string& output_path) {
    if (!in_.open(input_path)) return fail(PassFailure::cannot_open_input, 0, errno);
    if (in_.peek(binary_dxf_sentinel.size()) == binary_dxf_sentinel) {
      return fail(PassFailure::binary_dxf, 0, 0);
    }
    if (in_.failed()) return fail(PassFailure::read_error, 0, in_.error());
    if (!out_.create(output_path)) return fail(PassFailure::cannot_create_output, 0, errno);

    std::uint64_t next_report = progress_interval;
    while (!in_.at_end()) {
      in_.mark();
      const auto code_span = in_.read_line();
      const auto value_span = code_span ? in_.read_line() : std::nullopt;
      if (in_.failed()) return fail(PassFailure::read_error, in_.line_number() + 1, in_.error());
      if (!value_span) return fail(PassFailure::odd_line_count, in_.line_number(), 0);
      const std::string_view code = in_.view(*code_span);
      const std::string_view value = in_.view(*value_span);

      if (in_zone_) {
        if (const PassResult result = rewrite_pair(code, value); !result.completed()) {
          return result;
        }
      } else {
        in_zone_ = trim_blanks(value) == "ENTITIES";
        out_.write_line(code);
        out_.write_line(value);
      }
      if (out_.failed()) return fail(PassFailure::write_error, 0, out_.error());
      if (options_.progress != nullptr && in_.bytes_consumed() >= next_report) {
        options_.progress->advanced(in_.bytes_consumed(), in_.file_size());
        next_report = in_.bytes_consumed() + progress_interval;
      }
    }
    if (in_.failed()) return fail(PassFailure::read_error, in_.line_number() + 1, in_.error());
    if (!out_.close()) return fail(PassFailure::write_error, 0, out_.error());
    if (options_.progress != nullptr) {
      options_.progress->advanced(in_.bytes_consumed(), in_.file_size());
    }
    return {};
  }

 private:
  PassResult rewrite_pair(std::string_view code_line, std::string_view value_line) {
    const std::uint64_t code_line_number = in_.line_number() - 1;
    const auto code = numeric_value(code_line);
    if (!code) return fail(PassFailure::number_too_large, code_line_number, 0);
    const PairKind kind = classify(*code);
    if (kind == PairKind::other) {
      out_.write_line(code_line);
      out_.write_line(value_line);
      return {};
    }

    const auto value = numeric_value(value_line);
    if (!value) return fail(PassFailure::number_too_large, in_.line_number(), 0);

    if (kind == PairKind::x_pair) {
      if (transform_.accept_x(*value) != PointStatus::ok) {
        return fail(PassFailure::arithmetic_failure, code_line_number, 0);
      }
      if (options_.x_code_line == XCodeLine::held_for_y_pair) {
        held_x_code_line_.assign(code_line);
      } else {
        out_.write_line(code_line);
      }
      return {};
    }

    const PointResult point = transform_.complete_point(*value);
    if (point.status == PointStatus::arithmetic_failure) {
      return fail(PassFailure::arithmetic_failure, code_line_number, 0);
    }
    if (point.status == PointStatus::rejected) {
      PassResult rejected = fail(PassFailure::point_rejected, code_line_number, 0);
      rejected.source_point = point.point;
      return rejected;
    }
    // With held X code lines, a Y pair that no X pair preceded writes what
    // the plain pass writes: X', the Y code line, Y'.
    if (!held_x_code_line_.empty()) {
      out_.write_line(held_x_code_line_);
    }
    write_coordinate(out_, point.point.x);
    out_.write_line(code_line);
    write_coordinate(out_, point.point.y);
    return {};
  }

  PassResult fail(PassFailure failure, std::uint64_t line, int system_error) {
    return PassResult{failure, line, system_error, {}};
  }

  PointTransform& transform_;
  const PassOptions& options_;
  LineReader in_;
  LineWriter out_;
  bool in_zone_ = false;
  std::string held_x_code_line_;  // empty until an X pair is held
};

}  // namespace

PassResult rewrite_dxf(const std::string& input_path, const std::string& output_path,
                       PointTransform& transform, const PassOptions& options) {
  return Pass(transform, options).run(input_path, output_path);
}

}  // namespace kelvrin::dxf
