#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "dxf/line_writer.hpp"
#include "dxf/number_format.hpp"
#include "dxf/number_scan.hpp"
#include "dxf/pass_support.hpp"
#include "dxf/pieces.hpp"
#include "dxf/plain_decimal.hpp"
#include "dxf/plain_tags.hpp"
#include "dxf/rewrite_dxf.hpp"
#include "dxf/tag_copy.hpp"
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
  return numeric_value(code_line);
}

// Pieces begin at an X pair: what it reads replaces whatever X state the
// pass had, so a piece needs nothing from before it.
bool starts_piece(std::string_view code_line, std::string_view /*value_line*/) {
  return trim_blanks(code_line) == "10";
}

class Pass {
 public:
  // With `operation` (the plain operation behind `transform`), a large
  // drawing is converted in pieces by helper threads.
  Pass(PointTransform& transform, const PassOptions& options,
       const transform::PointOperation* operation = nullptr)
      : transform_(transform),
        sequential_(dynamic_cast<SequentialPoints*>(&transform)),
        options_(options),
        operation_(operation),
        in_(options.buffer_size),
        out_(options.buffer_size) {}

  PassResult run(const PassFile& input, const PassFile& output) {
    if (PassResult opened = open_pass_files(in_, out_, input, output); !opened.completed()) {
      return opened;
    }
    start_helpers();
    if (PassResult converted = convert_tags(); !converted.completed()) return converted;
    PassResult result = finish_pass(copy_, out_, in_, options_);
    if (result.completed()) result.report = report_;
    return result;
  }

  // A helper's work: the piece from the X pair at `begin` to the one at
  // `end` (or to the end of the file), converted into memory.
  PieceOutcome run_piece(int fd, std::uint64_t begin, std::uint64_t end, std::string output) {
    if (!in_.open_at(fd, begin)) return {};
    PieceRun piece(std::move(output), begin, end, out_);
    in_zone_ = true;
    piece_end_ = check_at_ = end;
    if (PassResult converted = convert_tags(); !converted.completed()) {
      return piece.stopped(converted);
    }
    copy_.flush();
    if (!out_.close()) return {};
    PieceOutcome outcome = piece.ended(stopped_at_, lines_before_stop_, in_, true);
    outcome.result.report = report_;
    return outcome;
  }

 private:
  PassResult convert_tags() {
    std::uint64_t next_report = progress_interval;
    Tag tag;
    in_.mark();
    for (;;) {
      if (in_zone_ && in_.bytes_consumed() >= plain_from_) {
        convert_plain_run();
        if (out_.failed()) return fail(PassFailure::write_error, 0, out_.error());
        tell_progress(options_, in_, next_report);
      }
      const TagReader::Next next = in_.next(tag);
      if (next == TagReader::Next::end) break;
      if (next != TagReader::Next::tag) return reading_failure(next, in_);
      if (const std::uint64_t offset = in_.file_offset(tag); offset >= check_at_) {
        if (piece_end_ != Pieces::none) {  // a helper at the end of its piece
          stopped_at_ = offset;
          lines_before_stop_ = tag.line - 1;
          break;
        }
        auto piece = pieces_->take(offset, in_zone_);
        check_at_ = pieces_->next_start();
        if (piece) {
          copy_.flush();
          out_.write_bytes(piece->output);
          if (!piece->result.completed()) {
            PassResult failure = piece->result;
            if (failure.line != 0) failure.line += tag.line - 1;
            return failure;
          }
          report_.add_outside_area(piece->result.report, tag.line - 1);
          in_.jump(piece->end, tag.line - 1 + piece->lines);
          in_.mark();
          pieces_->give_back(std::move(piece->output));
          continue;
        }
      }

      if (in_zone_) {
        if (auto failure = rewrite_pair(tag)) return *failure;
      } else {
        in_zone_ = trim_blanks(in_.value_text(tag)) == "ENTITIES";
        copy_.tag(tag);
      }
      // Once a stretch: a failed write makes every later one do nothing, so
      // looking for it here loses no more than the stretch.
      if (tag.end >= copied_stretch) {
        copy_.flush();
        in_.mark();
        if (out_.failed()) return fail(PassFailure::write_error, 0, out_.error());
        tell_progress(options_, in_, next_report);
      }
    }
    if (out_.failed()) return fail(PassFailure::write_error, 0, out_.error());
    return {};
  }

  // The entities zone as nearly every drawing has it, in one loop that keeps
  // its place in local variables: tags whose lines all end in CR LF, lines
  // shorter than two 64-byte blocks, codes and values in their plain forms
  // and points the operation takes. It writes what the tag by tag loop
  // below writes, and stops before the first tag it would not do so, and
  // before the next piece, leaving those to that loop.
  void convert_plain_run() {
    if (options_.x_code_line == XCodeLine::held_for_y_pair) {
      plain_from_ = Pieces::none;
    } else if (sequential_ != nullptr) {
      convert_plain_run(*sequential_);  // calls it directly: it is final
    } else {
      convert_plain_run(transform_);
    }
  }

  template <typename Transform>
  void convert_plain_run(Transform& transform) {
    copy_.flush();
    const std::string_view window = in_.buffered();
    const std::uint64_t offset = in_.bytes_consumed();
    PlainTags tags(window);
    const char* tag = tags.start();  // where the next tag begins
    const char* copied = tag;        // where the bytes not written yet begin
    // The tag at the next piece's start is for the loop below to look at.
    const char* const tags_end = check_at_ <= offset                  ? tag
                                 : check_at_ - offset < window.size() ? tag + (check_at_ - offset)
                                                                      : tag + window.size();
    std::uint64_t lines = 0;
    while (tag < tags_end) {
      PlainTag plain;
      if (!tags.next(tag, plain)) break;
      const PairKind kind = classify(plain.code);
      if (kind != PairKind::other) {
        const auto value = plain_decimal(plain.value_line());
        if (!value) break;
        if (kind == PairKind::x_pair) {
          if (transform.accept_x(*value) != PointStatus::ok) break;
          out_.write_read_bytes({copied, static_cast<std::size_t>(plain.code_end + 1 - copied)});
        } else {
          const PointResult point = transform.complete_point(*value);
          if (point.status != PointStatus::ok) break;
          if (point.outside_area) {
            report_.note_outside_area({transform.current_x(), *value}, in_.last_line() + lines + 1);
          }
          if (tag != copied) {
            out_.write_read_bytes({copied, static_cast<std::size_t>(tag - copied)});
          }
          write_moved_point(out_, point.point, plain.code_line_with_end());
        }
        copied = plain.end();
      }
      tag = plain.end();
      lines += 2;
    }
    out_.write_read_bytes({copied, static_cast<std::size_t>(tag - copied)});
    in_.consume_lines(static_cast<std::size_t>(tag - tags.start()), lines);
    plain_from_ = offset + tags.resume_after(tag);
    in_.mark();
  }

  void start_helpers() {
    const int fd = in_.descriptor();
    if (operation_ == nullptr || fd < 0) return;
    const unsigned helpers = piece_helpers(in_.file_size(), *operation_, options_.helper_threads);
    if (helpers == 0) return;
    pieces_ = std::make_unique<Pieces>(
        piece_starts(fd, in_.file_size(), piece_spacing, starts_piece), helpers,
        [this, fd](std::uint64_t begin, std::uint64_t end, std::string output) {
          PassOptions options;
          options.buffer_size = helper_buffer_size;
          options.x_code_line = options_.x_code_line;
          SequentialPoints points(*operation_);
          return Pass(points, options).run_piece(fd, begin, end, std::move(output));
        });
    check_at_ = pieces_->next_start();
  }

  // Nothing, or why the pass stops: a result is only made for a failure.
  std::optional<PassResult> rewrite_pair(const Tag& tag) {
    const std::uint64_t code_line_number = tag.line;
    const auto code = code_value(in_.code_text(tag));
    if (!code) return fail(PassFailure::number_too_large, code_line_number, 0);
    const PairKind kind = classify(*code);
    if (kind == PairKind::other) {
      copy_.tag(tag);
      return std::nullopt;
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
      return std::nullopt;
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
    if (point.outside_area) {
      report_.note_outside_area({transform_.current_x(), *value}, code_line_number);
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
    return std::nullopt;
  }

  PassResult fail(PassFailure failure, std::uint64_t line, int system_error) {
    return PassResult{failure, line, system_error, {}, {}};
  }

  PointTransform& transform_;
  SequentialPoints* sequential_;  // transform_, when it is one
  const PassOptions& options_;
  const transform::PointOperation* operation_;
  TagReader in_;
  LineWriter out_;
  TagCopy copy_{in_, out_};
  bool in_zone_ = false;
  std::string held_x_code_line_;  // empty until an X pair is held
  PassReport report_;             // only points outside the operation's area
  // Where the next tag is looked at for pieces: a helper's end, or the
  // start of the next piece a helper converts.
  std::uint64_t check_at_ = Pieces::none;
  // Where convert_plain_run may go on: after what it could not do.
  std::uint64_t plain_from_ = 0;
  std::uint64_t piece_end_ = Pieces::none;
  std::uint64_t stopped_at_ = Pieces::none;
  std::uint64_t lines_before_stop_ = 0;
  std::unique_ptr<Pieces> pieces_;  // last: its helpers use the members above
};

}  // namespace

PassResult rewrite_literal(const PassFile& input, const PassFile& output, PointTransform& transform,
                           const PassOptions& options) {
  return Pass(transform, options).run(input, output);
}

PassResult rewrite_literal(const PassFile& input, const PassFile& output,
                           const transform::PointOperation& operation, const PassOptions& options) {
  SequentialPoints points(operation);
  return Pass(points, options, &operation).run(input, output);
}

}  // namespace kelvrin::dxf
