#include "dxf/pieces.hpp"

#include <algorithm>
#include <cstring>
#include <exception>
#include <system_error>
#include <utility>

#include "dxf/line_ends.hpp"
#include "platform/file.hpp"

namespace kelvrin::dxf {
namespace {

// From this size on a drawing is converted in pieces; below it the threads
// cost more than they save.
constexpr std::uint64_t pieces_from = std::uint64_t{8} << 20;
// Helpers at most, however many cores: the pass that takes their pieces
// and writes them is one thread.
constexpr unsigned max_helpers = 3;
// How far behind each spacing mark a piece start is looked for: a few
// entities first, then farther (the windows are read twice over the file's
// bytes otherwise).
constexpr std::size_t near_window = std::size_t{4} << 10;
constexpr std::size_t far_window = std::size_t{64} << 10;

// The first tag in `text` (which begins anywhere in a line) at which a
// piece may begin, counted from its start: two lines after an LF, both
// ending in CR LF, that `test` accepts.
std::optional<std::size_t> piece_start_in(std::string_view text, PieceStartTest test) {
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  CrlfLines lines(begin, end);
  // The last three LFs met, the latest last, and how many of them there are.
  const char* ends[3] = {};
  int known = 0;
  for (;;) {
    const char* lf = nullptr;
    const char* const irregular = lines.irregular_until();
    if (!lines.next(lf)) {
      if (lines.irregular_until() == irregular) return std::nullopt;  // the end
      // Past the block with other line ends, from the next line on.
      const auto* next_lf = static_cast<const char*>(
          std::memchr(lines.irregular_until(), '\n', end - lines.irregular_until()));
      if (next_lf == nullptr) return std::nullopt;
      lines.restart_at(next_lf + 1);
      ends[2] = next_lf;
      known = 1;
      continue;
    }
    ends[0] = ends[1];
    ends[1] = ends[2];
    ends[2] = lf;
    if (++known < 3) continue;
    const std::string_view code(ends[0] + 1, static_cast<std::size_t>(ends[1] - 1 - (ends[0] + 1)));
    const std::string_view value(ends[1] + 1,
                                 static_cast<std::size_t>(ends[2] - 1 - (ends[1] + 1)));
    if (test(code, value)) return static_cast<std::size_t>(ends[0] + 1 - begin);
  }
}

std::optional<std::uint64_t> piece_start_within(platform::FileHandle fd, std::uint64_t from,
                                                std::size_t size, PieceStartTest test) {
  std::string window(size, '\0');
  platform::SystemError ignored;
  const std::int64_t got = platform::read_at(fd, window.data(), window.size(), from, ignored);
  if (got <= 0) return std::nullopt;
  const auto start = piece_start_in({window.data(), static_cast<std::size_t>(got)}, test);
  if (!start) return std::nullopt;
  return from + *start;
}

}  // namespace

std::vector<std::uint64_t> piece_starts(platform::FileHandle fd, std::uint64_t file_size,
                                        std::uint64_t spacing, PieceStartTest starts_piece) {
  std::vector<std::uint64_t> starts;
  for (std::uint64_t mark = spacing; mark < file_size; mark += spacing) {
    auto start = piece_start_within(fd, mark, near_window, starts_piece);
    if (!start) start = piece_start_within(fd, mark, far_window, starts_piece);
    if (start && (starts.empty() || *start > starts.back())) starts.push_back(*start);
  }
  return starts;
}

PieceRun::PieceRun(std::string storage, std::uint64_t begin, std::uint64_t end, LineWriter& out)
    : end_(end) {
  outcome_.output = std::move(storage);
  const std::uint64_t expected = end == Pieces::none ? piece_spacing : end - begin;
  outcome_.output.reserve(expected + expected / 4);
  out.collect(outcome_.output, 3 * piece_spacing);
}

PieceOutcome PieceRun::stopped(const PassResult& failure) {
  if (failure.failure == PassFailure::read_error || failure.failure == PassFailure::write_error) {
    return {};
  }
  outcome_.usable = true;
  outcome_.result = failure;
  return std::move(outcome_);
}

PieceOutcome PieceRun::ended(std::uint64_t stopped_at, std::uint64_t lines_before,
                             const TagReader& in, bool expected_state) {
  if (stopped_at != Pieces::none) {
    outcome_.usable = stopped_at == end_ && expected_state;
    outcome_.end = stopped_at;
    outcome_.lines = lines_before;
  } else {
    outcome_.usable = end_ == Pieces::none;
    outcome_.end = in.bytes_consumed();
    outcome_.lines = in.last_line();
  }
  return std::move(outcome_);
}

unsigned piece_helpers(std::uint64_t file_size, const transform::PointOperation& operation,
                       int wanted) {
  if (file_size < pieces_from || !operation.concurrent() || wanted == 0) return 0;
  if (wanted > 0) return std::min(static_cast<unsigned>(wanted), max_helpers);
  const unsigned cores = std::thread::hardware_concurrency();
  return cores <= 1 ? 0 : std::min(cores - 1, max_helpers);
}

Pieces::Pieces(std::vector<std::uint64_t> starts, unsigned helpers, Convert convert)
    : starts_(std::move(starts)),
      helpers_(helpers),
      convert_(std::move(convert)),
      slots_(starts_.size()) {
  if (helpers_ == 0 || starts_.empty()) {
    next_ = starts_.size();
    return;
  }
  next_start_ = next_ < starts_.size() ? starts_[next_] : none;
  try {
    for (unsigned helper = 0; helper < helpers_; ++helper) {
      threads_.emplace_back([this, helper] { help(helper); });
    }
  } catch (const std::system_error&) {
    // Fewer threads than planned: the pass converts the pieces left alone.
  }
}

Pieces::~Pieces() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void Pieces::advance() {
  do {
    ++next_;
  } while (next_ < starts_.size() && !helper_piece(next_));
  next_start_ = next_ < starts_.size() ? starts_[next_] : none;
}

void Pieces::pass_over(std::size_t piece) {
  {
    std::lock_guard lock(mutex_);
    slots_[piece].state = State::done;
    slots_[piece].outcome = {};
  }
  changed_.notify_all();
}

std::optional<PieceOutcome> Pieces::take(std::uint64_t offset, bool ready) {
  // Pieces the pass went past (it converted them itself) are given up.
  while (next_start_ < offset) {
    pass_over(next_);
    advance();
  }
  if (next_start_ != offset) return std::nullopt;
  const std::size_t piece = next_;
  advance();
  // A helper that could not be started leaves its pieces to the pass.
  if (!ready || piece % (helpers_ + 1) >= threads_.size()) {
    pass_over(piece);
    return std::nullopt;
  }
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return slots_[piece].state != State::waiting; });
  PieceOutcome outcome = std::move(slots_[piece].outcome);
  slots_[piece].state = State::done;
  slots_[piece].outcome = {};
  lock.unlock();
  changed_.notify_all();
  if (!outcome.usable) return std::nullopt;
  return outcome;
}

void Pieces::give_back(std::string output) {
  output.clear();
  std::lock_guard lock(mutex_);
  spare_outputs_.push_back(std::move(output));
}

void Pieces::help(unsigned helper) {
  const std::size_t stride = helpers_ + 1;
  for (std::size_t piece = helper; piece < starts_.size(); piece += stride) {
    std::string output;
    {
      // One outcome held at a time: the previous one must have been taken.
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] {
        return stopping_ || piece < stride || slots_[piece - stride].state == State::done;
      });
      if (stopping_) return;
      if (slots_[piece].state == State::done) continue;  // passed over already
      if (!spare_outputs_.empty()) {
        output = std::move(spare_outputs_.back());
        spare_outputs_.pop_back();
      }
    }
    PieceOutcome outcome;
    try {
      outcome = convert_(starts_[piece], piece + 1 < starts_.size() ? starts_[piece + 1] : none,
                         std::move(output));
    } catch (const std::exception&) {
      outcome = {};  // unusable: the pass converts the piece itself
    }
    {
      std::lock_guard lock(mutex_);
      if (slots_[piece].state == State::waiting) {
        slots_[piece].outcome = std::move(outcome);
        slots_[piece].state = State::ready;
      }
    }
    changed_.notify_all();
  }
}

}  // namespace kelvrin::dxf
