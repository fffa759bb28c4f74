#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kelvrin::dxf {

// The LFs and the CRs of the 64 bytes at `data`, one bit each, the first
// byte in the lowest bit.
inline void line_end_masks(const char* data, std::uint64_t& line_feeds, std::uint64_t& returns) {
#if defined(__SSE2__)
  const auto matches = [data](int part, char wanted) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * part));
    const int bits = _mm_movemask_epi8(_mm_cmpeq_epi8(chunk, _mm_set1_epi8(wanted)));
    return static_cast<std::uint64_t>(static_cast<unsigned>(bits)) << (16 * part);
  };
  line_feeds = matches(0, '\n') | matches(1, '\n') | matches(2, '\n') | matches(3, '\n');
  returns = matches(0, '\r') | matches(1, '\r') | matches(2, '\r') | matches(3, '\r');
#else
  line_feeds = 0;
  returns = 0;
  for (int i = 0; i < 64; ++i) {
    line_feeds |= static_cast<std::uint64_t>(data[i] == '\n') << i;
    returns |= static_cast<std::uint64_t>(data[i] == '\r') << i;
  }
#endif
}

// The one scan of a drawing's line ends: the bytes from `begin` to `end`,
// 64 at a time, as nearly every drawing has them, every line ending in
// CR LF. next() gives the LF of each line end in turn while the blocks are
// so; at a block with another line end (a lone CR or LF), or with none at all
// (a line that long is not what this scan is for), it stops, and the caller
// reads the lines there by itself, up to irregular_until(), before it scans
// again from where it then stands. Every line it gives is shorter than two
// blocks.
class CrlfLines {
 public:
  static constexpr std::size_t block = 64;

  CrlfLines() = default;
  CrlfLines(const char* begin, const char* end) : begin_(begin), end_(end), scanned_(begin) {}

  // The LF that ends the next line, false where the scan stops.
  [[gnu::always_inline]] bool next(const char*& lf) {
    while (line_ends_ == 0) {
      if (end_ - scanned_ < static_cast<std::ptrdiff_t>(block) || scanned_ < irregular_until_) {
        return false;
      }
      std::uint64_t line_feeds = 0;
      std::uint64_t returns = 0;
      line_end_masks(scanned_, line_feeds, returns);
      const std::uint64_t carried = scanned_ != begin_ && scanned_[-1] == '\r' ? 1 : 0;
      if (((returns << 1) | carried) != line_feeds || line_feeds == 0) {
        irregular_until_ = scanned_ + block;
        return false;
      }
      line_ends_ = line_feeds;
      scanned_ += block;
    }
    lf = scanned_ - block + std::countr_zero(line_ends_);
    line_ends_ &= line_ends_ - 1;
    return true;
  }

  // Goes on from `at`, a line's start at or behind every line end given so
  // far and not yet passed over: the line ends from there are given again.
  void restart_at(const char* at) {
    line_ends_ = 0;
    scanned_ = at;
  }

  // Goes on from `at`, a line's start that lies past every line end given
  // so far: the lines before it were read otherwise.
  void pass_over_to(const char* at) {
    if (at >= scanned_) {
      restart_at(at);
    } else if (at + block > scanned_) {
      line_ends_ &= ~std::uint64_t{0} << (at + block - scanned_);
    }
  }

  // Where the block that stopped the scan ends: the scan does not look at
  // blocks before it again.
  const char* irregular_until() const { return irregular_until_; }

 private:
  const char* begin_ = nullptr;
  const char* end_ = nullptr;
  const char* scanned_ = nullptr;          // the blocks before it are scanned
  const char* irregular_until_ = nullptr;  // the end of the last irregular block
  std::uint64_t line_ends_ = 0;            // the LFs of the last block not yet given
};

// The first CR or LF from `from` on, or `end`: for the lines CrlfLines
// leaves to its caller.
inline const char* find_line_end(const char* from, const char* end) {
  for (; static_cast<std::size_t>(end - from) >= CrlfLines::block; from += CrlfLines::block) {
    std::uint64_t line_feeds = 0;
    std::uint64_t returns = 0;
    line_end_masks(from, line_feeds, returns);
    if ((line_feeds | returns) != 0) return from + std::countr_zero(line_feeds | returns);
  }
  while (from != end && *from != '\n' && *from != '\r') ++from;
  return from;
}

}  // namespace kelvrin::dxf
