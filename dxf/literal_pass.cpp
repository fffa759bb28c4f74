#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "dxf/line_writer.hpp"
#include "dxf/number_format.hpp"
#include "dxf/numbers.hpp"
#include "dxf/pass_driver.hpp"
#include "dxf/pass_support.hpp"
#include "dxf/pieces.hpp"
#include "dxf/plain_tags.hpp"
#include "dxf/rewrite_dxf.hpp"
#include "dxf/tag_reader.hpp"

namespace kelvrin::dxf {
namespace {

enum class PairKind { x_pair, y_pair, other };

// For the code read as a number (any form) and as a plain integer alike.
template <typename Number>
PairKind classify(Number code) {
  if (code >= 10 && code <= 18) return PairKind::x_pair;
  if (code >= 20 && code <= 28) return PairKind::y_pair;
  return PairKind::other;
}

// The code line read as a number, as every line of this policy is; plain
// group codes, nearly all of them, without the general scan.
std::optional<double> code_value(std::string_view code_line) {
  if (const auto code = group_code(code_line)) return static_cast<double>(*code);
  return lenient_number(code_line);
}

class LiteralPass : public PassDriver<LiteralPass> {
 public:
  // With `operation` (the plain operation behind `transform`), a large
  // drawing is converted in pieces by helper threads.
  LiteralPass(PointTransform& transform, const PassOptions& options,
              const transform::PointOperation* operation = nullptr)
      : PassDriver(options),
        transform_(transform),
        sequential_(dynamic_cast<SequentialPoints*>(&transform)),
        operation_(operation) {}

 private:
  friend class PassDriver<LiteralPass>;

  // ---- what the tag loop asks of the policy ----

  // Codes are read as numbers where they matter, in the zone.
  std::optional<PassResult> read_code(Tag& /*tag*/) { return std::nullopt; }
  // A tag holds nothing back but an X pair's code line, which lies in the
  // point transform, not in the buffer.
  bool at_record_start(const Tag& /*tag*/) const { return true; }
  std::optional<PassResult> end_record() { return std::nullopt; }

  std::optional<PassResult> convert_tag(const Tag& tag) {
    if (in_zone_) return convert_pair(tag);
    in_zone_ = trim_blanks(in_.value_text(tag)) == "ENTITIES";
    copy_.tag(tag);
    return std::nullopt;
  }

  // The entities zone as nearly every drawing has it, in one loop that keeps
  // its place in local variables: tags whose lines all end in CR LF, lines
  // shorter than two 64-byte blocks, codes and values in their plain forms
  // and points the operation takes. It writes what the tag by tag loop
  // below writes, and stops before the first tag it would not do so, and
  // before the next piece, leaving those to that loop.
  bool convert_plain_tags() {
    if (!in_zone_ || options_.x_code_line == XCodeLine::held_for_y_pair) return false;
    LineWriter& out = copy_.out();
    if (sequential_ != nullptr) {
      convert_plain_run(*sequential_, out);  // calls it directly: it is final
    } else {
      convert_plain_run(transform_, out);
    }
    in_.mark();
    return true;
  }

  template <typename Transform>
  void convert_plain_run(Transform& transform, LineWriter& out) {
    const std::uint64_t offset = in_.bytes_consumed();
    const std::uint64_t first_line = in_.last_line() + 1;
    PlainRun run(in_);
    const char* copied = run.start();  // where the bytes not written yet begin
    // The tag at the next piece's start is for the loop below to look at.
    const char* const tags_end = check_at_ <= offset ? run.start()
                                 : check_at_ - offset < in_.lines().buffered_size()
                                     ? run.start() + (check_at_ - offset)
                                     : run.start() + in_.lines().buffered_size();
    PlainTag plain;
    while (run.at() < tags_end && run.next(plain)) {
      const PairKind kind = classify(plain.code);
      if (kind != PairKind::other) {
        const auto value = plain_decimal(plain.value_line());
        if (!value) break;
        if (kind == PairKind::x_pair) {
          if (transform.accept_x(*value) != PointStatus::ok) break;
          out.write_read_bytes({copied, static_cast<std::size_t>(plain.code_end + 1 - copied)});
        } else {
          const PointResult point = transform.complete_point(*value);
          if (point.status != PointStatus::ok) break;
          if (point.outside_area) {
            report_.note_outside_area({transform.current_x(), *value},
                                      first_line + run.line_count());
          }
          if (plain.begin != copied) {
            out.write_read_bytes({copied, static_cast<std::size_t>(plain.begin - copied)});
          }
          write_moved_point(out, point.point, plain.code_line_with_end());
        }
        copied = plain.end();
      }
      run.take(plain);
    }
    out.write_read_bytes({copied, static_cast<std::size_t>(run.at() - copied)});
  }

  // Pieces begin at an X pair: what it reads replaces whatever X state the
  // pass had, so a piece needs nothing from before it but the zone.
  static bool starts_piece(std::string_view code_line, std::string_view /*value_line*/) {
    return trim_blanks(code_line) == "10";
  }
  void start_piece() { in_zone_ = true; }
  bool in_piece_state() const { return in_zone_; }

  const transform::PointOperation* piece_operation() const { return operation_; }

  PieceOutcome convert_piece(const PassOptions& options, platform::FileHandle fd,
                             std::uint64_t begin, std::uint64_t end, std::string output) const {
    SequentialPoints points(*operation_);
    return LiteralPass(points, options).run_piece(fd, begin, end, std::move(output));
  }

  // Nothing, or why the pass stops: a result is only made for a failure.
  std::optional<PassResult> convert_pair(const Tag& tag) {
    const std::uint64_t code_line_number = tag.line;
    const auto code = code_value(in_.code_text(tag));
    if (!code) return fail(PassFailure::number_too_large, code_line_number, {});
    const PairKind kind = classify(*code);
    if (kind == PairKind::other) {
      copy_.tag(tag);
      return std::nullopt;
    }

    const std::string_view value_line = in_.value_text(tag);
    const auto value = lenient_buffered_number(value_line);
    if (!value) return fail(PassFailure::number_too_large, in_.last_line(), {});

    if (kind == PairKind::x_pair) {
      if (transform_.accept_x(*value) != PointStatus::ok) {
        return fail(PassFailure::arithmetic_failure, code_line_number, {});
      }
      if (options_.x_code_line == XCodeLine::held_for_y_pair) {
        held_x_code_line_.assign(in_.code_text(tag));
      } else {
        copy_.code_line(tag);
      }
      return std::nullopt;
    }

    const PointResult point = transform_.complete_point(*value);
    if (point.status == PointStatus::arithmetic_failure) {
      return fail(PassFailure::arithmetic_failure, code_line_number, {});
    }
    if (point.status == PointStatus::rejected) {
      PassResult rejected = fail(PassFailure::point_rejected, code_line_number, {});
      rejected.source_point = point.point;
      return rejected;
    }
    if (point.outside_area) {
      report_.note_outside_area({transform_.current_x(), *value}, code_line_number);
    }
    // With held X code lines, a Y pair that no X pair preceded writes what
    // the plain pass writes: X', the Y code line, Y'.
    if (!held_x_code_line_.empty()) {
      copy_.out().write_line(held_x_code_line_);
    }
    write_coordinate(copy_.out(), point.point.x);
    copy_.code_line(tag);
    write_coordinate(copy_.out(), point.point.y);
    return std::nullopt;
  }

  PointTransform& transform_;
  SequentialPoints* sequential_;  // transform_, when it is one
  const transform::PointOperation* operation_;
  bool in_zone_ = false;
  std::string held_x_code_line_;  // empty until an X pair is held
};

}  // namespace

PassResult rewrite_literal(const PassFile& input, const PassFile& output, PointTransform& transform,
                           const PassOptions& options) {
  return LiteralPass(transform, options).run(input, output);
}

PassResult rewrite_literal(const PassFile& input, const PassFile& output,
                           const transform::PointOperation& operation, const PassOptions& options) {
  SequentialPoints points(operation);
  return LiteralPass(points, options, &operation).run(input, output);
}

}  // namespace kelvrin::dxf
