#include <cerrno>
#include <string_view>

#include "dxf/line_writer.hpp"
#include "dxf/number_format.hpp"
#include "dxf/number_scan.hpp"
#include "dxf/pass_support.hpp"
#include "dxf/plain_decimal.hpp"
#include "dxf/rewrite_dxf.hpp"
#include "dxf/tag_copy.hpp"
#include "dxf/tag_reader.hpp"

namespace kelvrin::dxf {
namespace {

// How much of the file stays in the read buffer before what is copied of it
// goes out: long enough stretches for few, large copies.
constexpr std::size_t copied_stretch = std::size_t{64} << 10;

enum class PairKind { x_pair, y_pair, other };

PairKind classify(double code) {
  if (code >= 10.0 && code <= 18.0) return PairKind::x_pair;
  if (code >= 20.0 && code <= 28.0) return PairKind::y_pair;
  return PairKind::other;
}

// The code line read as a number, as every line of this policy is; plain
// group codes, nearly all of them, without the general scan.
std::optional<double> code_value(std::string_view code_line) {
  if (const auto code = group_code(code_line)) return static_cast<double>(*code);
  return numeric_value(code_line);
}

class Pass {
 public:
  Pass(PointTransform& transform, const PassOptions& options)
      : transform_(transform),
        options_(options),
        in_(options.buffer_size),
        out_(options.buffer_size) {}

  PassResult run(const PassFile& input, const PassFile& output) {
    if (PassResult opened = open_pass_files(in_, out_, input, output); !opened.completed()) {
      return opened;
    }

    std::uint64_t next_report = progress_interval;
    Tag tag;
    in_.mark();
    for (;;) {
      const TagReader::Next next = in_.next(tag);
      if (next == TagReader::Next::end) break;
      if (next != TagReader::Next::tag) return reading_failure(next, in_);

      if (in_zone_) {
        if (const PassResult result = rewrite_pair(tag); !result.completed()) {
          return result;
        }
      } else {
        in_zone_ = trim_blanks(in_.value_text(tag)) == "ENTITIES";
        copy_.tag(tag);
      }
      if (tag.end >= copied_stretch) {
        copy_.flush();
        in_.mark();
      }
      if (out_.failed()) return fail(PassFailure::write_error, 0, out_.error());
      if (options_.progress != nullptr && in_.bytes_consumed() >= next_report) {
        options_.progress->advanced(in_.bytes_consumed(), in_.file_size());
        next_report = in_.bytes_consumed() + progress_interval;
      }
    }
    copy_.flush();
    if (!out_.close()) return fail(PassFailure::write_error, 0, out_.error());
    if (options_.progress != nullptr) {
      options_.progress->advanced(in_.bytes_consumed(), in_.file_size());
    }
    return {};
  }

 private:
  PassResult rewrite_pair(const Tag& tag) {
    const std::uint64_t code_line_number = tag.line;
    const auto code = code_value(in_.code_text(tag));
    if (!code) return fail(PassFailure::number_too_large, code_line_number, 0);
    const PairKind kind = classify(*code);
    if (kind == PairKind::other) {
      copy_.tag(tag);
      return {};
    }

    const std::string_view value_line = in_.value_text(tag);
    auto value = plain_decimal(value_line);
    if (!value) value = numeric_value(value_line);
    if (!value) return fail(PassFailure::number_too_large, in_.last_line(), 0);

    if (kind == PairKind::x_pair) {
      if (transform_.accept_x(*value) != PointStatus::ok) {
        return fail(PassFailure::arithmetic_failure, code_line_number, 0);
      }
      if (options_.x_code_line == XCodeLine::held_for_y_pair) {
        held_x_code_line_.assign(in_.code_text(tag));
      } else {
        copy_.code_line(tag);
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
    copy_.flush();
    if (!held_x_code_line_.empty()) {
      out_.write_line(held_x_code_line_);
    }
    write_coordinate(out_, point.point.x);
    copy_.code_line(tag);
    copy_.flush();
    write_coordinate(out_, point.point.y);
    return {};
  }

  PassResult fail(PassFailure failure, std::uint64_t line, int system_error) {
    return PassResult{failure, line, system_error, {}, {}};
  }

  PointTransform& transform_;
  const PassOptions& options_;
  TagReader in_;
  LineWriter out_;
  TagCopy copy_{in_, out_};
  bool in_zone_ = false;
  std::string held_x_code_line_;  // empty until an X pair is held
};

}  // namespace

PassResult rewrite_literal(const PassFile& input, const PassFile& output, PointTransform& transform,
                           const PassOptions& options) {
  return Pass(transform, options).run(input, output);
}

}  // namespace kelvrin::dxf
