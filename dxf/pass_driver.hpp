#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dxf/line_writer.hpp"
#include "dxf/pass_support.hpp"
#include "dxf/pieces.hpp"
#include "dxf/rewrite_dxf.hpp"
#include "dxf/tag_copy.hpp"
#include "dxf/tag_reader.hpp"

namespace kelvrin::dxf {

// The pass over a drawing's tags, whatever its policy: the files, the one
// loop over the tags (reading, the pieces of a large drawing that helper
// threads convert, progress, the check of writes), and a helper's run over
// its piece. A policy derives from PassDriver<itself> and gives it (a
// friend) what one tag does:
//   convert_plain_tags()  the tags from where reading stands that it reads
//                         straight from the buffer (a PlainRun), if any;
//                         true when it did
//   read_code(tag)        the tag's group code, or why the pass stops
//   at_record_start(tag)  whether nothing is held before the tag: there a
//                         piece may be taken and the buffer let go
//   end_record()          what it holds, written; or why the pass stops
//   convert_tag(tag)      the tag, held or written; or why the pass stops
// and for the pieces starts_piece(), start_piece(), in_piece_state(),
// piece_operation() (none: no helpers) and convert_piece().
template <typename Policy>
class PassDriver {
 public:
  PassResult run(const PassFile& input, const PassFile& output) {
    if (PassResult opened = open_pass_files(in_, out_, input, output); !opened.completed()) {
      return opened;
    }
    // Its helpers use the policy's members, which go before this base's:
    // they stop when the pass returns, or throws.
    const std::unique_ptr<Pieces> pieces = start_helpers();
    if (auto failure = convert_tags()) return *failure;
    copy_.flush();
    if (!out_.close()) return fail(PassFailure::write_error, 0, out_.error());
    if (options_.progress != nullptr) {
      options_.progress->advanced(in_.bytes_consumed(), in_.file_size());
    }
    PassResult result;
    result.report = std::move(report_);
    return result;
  }

  // A helper's work: the piece of the file from `begin` to the next piece
  // start at `end` (or to the end of the file), converted into memory as if
  // the pass had got there in the state pieces begin in.
  PieceOutcome run_piece(platform::FileHandle fd, std::uint64_t begin, std::uint64_t end,
                         std::string output) {
    if (!in_.open_at(fd, begin)) return {};
    PieceRun piece(std::move(output), begin, end, out_);
    piece_end_ = check_at_ = end;
    policy().start_piece();
    if (auto failure = convert_tags()) return piece.stopped(*failure);
    copy_.flush();
    if (!out_.close()) return {};
    PieceOutcome outcome =
        piece.ended(stopped_at_, lines_before_stop_, in_, policy().in_piece_state());
    outcome.result.report = std::move(report_);
    outcome.unknown_types = std::move(unknown_types_met_);
    return outcome;
  }

 protected:
  explicit PassDriver(const PassOptions& options)
      : options_(options), in_(options.buffer_size), out_(options.buffer_size) {}

  // The report names the first types met; a helper keeps them in order, so
  // that the pass names the same ones whoever converted them.
  void note_unknown_type(std::string_view type) {
    if (report_.unknown_types.size() < reported_type_names) report_.unknown_types.emplace(type);
    if (unknown_types_met_.size() < reported_type_names &&
        std::find(unknown_types_met_.begin(), unknown_types_met_.end(), type) ==
            unknown_types_met_.end()) {
      unknown_types_met_.emplace_back(type);
    }
  }

  static PassResult fail(PassFailure failure, std::uint64_t line,
                         platform::SystemError system_error) {
    return PassResult{failure, line, system_error, {}, {}};
  }

  // Where a piece converted by this pass begins, none for the pass itself.
  bool converting_piece() const { return piece_end_ != Pieces::none; }

  const PassOptions& options_;
  TagReader in_;
  LineWriter out_;
  TagCopy copy_{in_, out_};
  PassReport report_;
  // Where the next tag is looked at for pieces: a helper's end, or the
  // start of the next piece a helper converts.
  std::uint64_t check_at_ = Pieces::none;

 private:
  // Unknown entity types named in the report, at most.
  static constexpr std::size_t reported_type_names = 8;

  Policy& policy() { return static_cast<Policy&>(*this); }

  // Converts the tags to the end of the file, or a helper's to the end of
  // its piece; a failure when one stops it.
  std::optional<PassResult> convert_tags() {
    std::uint64_t next_report = progress_interval;
    Tag tag;
    in_.mark();
    for (;;) {
      if (policy().convert_plain_tags()) {
        if (out_.failed()) return write_failure();
        tell_progress(options_, in_, next_report);
      }
      const TagReader::Next next = in_.next(tag);
      if (next == TagReader::Next::end) break;
      if (next != TagReader::Next::tag) return reading_failure(next, in_);
      if (auto failure = policy().read_code(tag)) return failure;
      if (policy().at_record_start(tag)) {
        if (auto failure = policy().end_record()) return failure;
        if (const std::uint64_t offset = in_.file_offset(tag); offset >= check_at_) {
          if (at_piece_end(tag, offset)) break;
          if (auto piece = take_piece(offset)) {
            if (auto failure = adopt(*piece, tag)) return failure;
            continue;
          }
        }
        // Once a stretch: a failed write makes every later one do nothing,
        // so looking for it here loses no more than the stretch.
        if (tag.code_line.begin >= copied_stretch) {
          copy_.flush();
          in_.mark_at(tag);
          if (out_.failed()) return write_failure();
          tell_progress(options_, in_, next_report);
        }
      }
      if (auto failure = policy().convert_tag(tag)) return failure;
    }
    return policy().end_record();
  }

  PassResult write_failure() const { return fail(PassFailure::write_error, 0, out_.error()); }

  // At a tag at `offset`, at or past check_at_: whether a helper's piece
  // ends there, the helper stopping before it.
  bool at_piece_end(const Tag& tag, std::uint64_t offset) {
    if (!converting_piece()) return false;
    stopped_at_ = offset;
    lines_before_stop_ = tag.line - 1;
    return true;
  }

  // Else the helper's outcome for the piece beginning at `offset`, when the
  // pass takes it; nullopt when the pass converts the tags there itself.
  std::optional<PieceOutcome> take_piece(std::uint64_t offset) {
    auto piece = pieces_->take(offset, policy().in_piece_state());
    check_at_ = pieces_->next_start();
    return piece;
  }

  // Takes a helper's piece, beginning at `first`, into the drawing: its
  // output and its report, the pass going on where it ended; or its failure.
  std::optional<PassResult> adopt(PieceOutcome& piece, const Tag& first) {
    const std::uint64_t lines_before = first.line - 1;
    copy_.out().write_bytes(piece.output);
    if (!piece.result.completed()) {
      PassResult failure = piece.result;
      if (failure.line != 0) failure.line += lines_before;
      return failure;
    }
    report_.add_piece(piece.result.report, lines_before);
    for (const std::string& type : piece.unknown_types) note_unknown_type(type);
    in_.jump(piece.end, lines_before + piece.lines);
    in_.mark();
    pieces_->give_back(std::move(piece.output));
    return std::nullopt;
  }

  std::unique_ptr<Pieces> start_helpers() {
    const platform::FileHandle fd = in_.handle();
    const transform::PointOperation* operation = policy().piece_operation();
    if (operation == nullptr || fd < 0) return nullptr;
    const unsigned helpers = piece_helpers(in_.file_size(), *operation, options_.helper_threads);
    if (helpers == 0) return nullptr;
    auto pieces = std::make_unique<Pieces>(
        piece_starts(fd, in_.file_size(), piece_spacing, Policy::starts_piece), helpers,
        [this, fd](std::uint64_t begin, std::uint64_t end, std::string output) {
          PassOptions options;
          options.buffer_size = helper_buffer_size;
          options.x_code_line = options_.x_code_line;
          return policy().convert_piece(options, fd, begin, end, std::move(output));
        });
    pieces_ = pieces.get();
    check_at_ = pieces_->next_start();
    return pieces;
  }

  std::uint64_t piece_end_ = Pieces::none;  // a helper's
  // A helper's piece: where and after how many lines it stopped.
  std::uint64_t stopped_at_ = Pieces::none;
  std::uint64_t lines_before_stop_ = 0;
  std::vector<std::string> unknown_types_met_;
  Pieces* pieces_ = nullptr;  // run()'s, while it runs
};

}  // namespace kelvrin::dxf
