#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "dxf/line_writer.hpp"
#include "dxf/rewrite_dxf.hpp"
#include "dxf/tag_reader.hpp"
#include "platform/file.hpp"

namespace kelvrin::dxf {

// What a helper thread made of one piece of a drawing.
struct PieceOutcome {
  // The piece ended exactly where the next one begins (or at the end of the
  // file) in the state every piece is assumed to begin in, so that its
  // output is what the pass itself would have written. Otherwise the pass
  // converts the piece itself.
  bool usable = false;
  std::string output;
  std::uint64_t end = 0;    // the file offset where it ended
  std::uint64_t lines = 0;  // lines read in it
  // A failure's line and the first unpaired line counted from the piece's
  // first line; the report of the piece alone.
  PassResult result;
  std::vector<std::string> unknown_types;  // as met, at most the report's number
};

// Whether a tag, its code line and its value line, is one at which a piece
// may begin: where the policy's state is known without what came before.
using PieceStartTest = bool (*)(std::string_view code_line, std::string_view value_line);

// Offsets near every `spacing` bytes of a regular file at which a line
// starts that, with the next, makes a tag `starts_piece` accepts (both lines
// ending in CR LF). Whether the line really is a code line, and not a value
// line, is not known here: the pass checks it when it gets there.
std::vector<std::uint64_t> piece_starts(platform::FileHandle fd, std::uint64_t file_size,
                                        std::uint64_t spacing, PieceStartTest starts_piece);

// Large drawings converted by several threads at once. The file is cut into
// pieces at piece_starts(); helper threads convert every piece but every
// (helpers + 1)-th, each with a pass of its own, into memory, while the pass
// itself converts the others. When the pass reaches the start of a helper's
// piece in the state pieces begin in, it takes the helper's output and goes
// on where the piece ended; in any other case it converts the piece itself,
// so the drawing written is always the one a single pass writes.
class Pieces {
 public:
  // `output` is storage to write into, kept from an earlier piece.
  using Convert =
      std::function<PieceOutcome(std::uint64_t begin, std::uint64_t end, std::string output)>;
  static constexpr std::uint64_t none = std::numeric_limits<std::uint64_t>::max();

  // `convert` runs a piece from `begin` to `end` (none: to the end of the
  // file) on a helper thread.
  Pieces(std::vector<std::uint64_t> starts, unsigned helpers, Convert convert);
  ~Pieces();
  Pieces(const Pieces&) = delete;
  Pieces& operator=(const Pieces&) = delete;

  // Where the next piece a helper converts begins, or none.
  std::uint64_t next_start() const noexcept { return next_start_; }

  // Called by the pass at a tag beginning at `offset`, at or behind
  // next_start(), with `ready` telling whether the pass is in the state
  // pieces begin in. The helper's outcome for the piece beginning there when
  // the pass may take it; nullopt when the pass goes on by itself.
  std::optional<PieceOutcome> take(std::uint64_t offset, bool ready);

  // Gives back the storage of a piece's output, once written, for the next.
  void give_back(std::string output);

 private:
  enum class State { waiting, ready, done };  // done: taken or passed over
  struct Slot {
    State state = State::waiting;
    PieceOutcome outcome;
  };

  bool helper_piece(std::size_t piece) const { return piece % (helpers_ + 1) != helpers_; }
  void advance();  // to the next helper piece
  void pass_over(std::size_t piece);
  void help(unsigned helper);

  const std::vector<std::uint64_t> starts_;
  const unsigned helpers_;
  const Convert convert_;
  std::size_t next_ = 0;  // the next helper piece
  std::uint64_t next_start_ = none;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Slot> slots_;
  std::vector<std::string> spare_outputs_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

// What a helper's pass does around converting its piece.
class PieceRun {
 public:
  // Sends what `out` writes into the outcome's output, in `storage` kept
  // from an earlier piece; a piece that writes far more than it reads (a
  // giant entity) fails there and is left to the pass.
  PieceRun(std::string storage, std::uint64_t begin, std::uint64_t end, LineWriter& out);

  // The outcome of a piece that a failure stopped: the pass's own failure
  // at that line, unless reading or writing failed (the pass's business).
  PieceOutcome stopped(const PassResult& failure);

  // The outcome of a piece whose pass stopped at a tag at `stopped_at`, after
  // `lines_before` lines, or (none) at the end of the file: usable when it
  // stopped where the next piece begins in `expected_state`.
  PieceOutcome ended(std::uint64_t stopped_at, std::uint64_t lines_before, const TagReader& in,
                     bool expected_state);

 private:
  std::uint64_t end_;
  PieceOutcome outcome_;
};

// How many helpers a pass over `file_size` bytes starts: none for small
// drawings, for operations that cannot run on several threads, or on one
// core; `wanted` as PassOptions::helper_threads.
unsigned piece_helpers(std::uint64_t file_size, const transform::PointOperation& operation,
                       int wanted);

// The spacing of piece starts: what a helper holds in memory at most is
// about twice this.
inline constexpr std::uint64_t piece_spacing = std::uint64_t{1} << 20;

// The read and write buffers of a helper thread's pass.
inline constexpr std::size_t helper_buffer_size = std::size_t{256} << 10;

}  // namespace kelvrin::dxf
