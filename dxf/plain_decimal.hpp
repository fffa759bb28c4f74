#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

#include "dxf/growable_buffer.hpp"
#include "dxf/number_scan.hpp"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kelvrin::dxf {

namespace detail {

// Eight ASCII digits, the first in the lowest byte, as their value.
inline std::uint64_t eight_digits(std::uint64_t chunk) noexcept {
  chunk -= 0x3030303030303030;
  chunk = chunk * 10 + (chunk >> 8);
  return (((chunk & 0x000000FF000000FF) * (100 + (1000000ULL << 32))) +
          (((chunk >> 16) & 0x000000FF000000FF) * (1 + (10000ULL << 32)))) >>
         32;
}

// The value of `count` (0 to 8) ASCII digits at the start of `chunk`.
inline std::uint64_t leading_digits(std::uint64_t chunk, unsigned count) noexcept {
  if (count == 0) return 0;
  // Move the digits to the top and fill below with '0's.
  const unsigned shift = 8 * (8 - count);
  const std::uint64_t zeros = shift == 0 ? 0 : 0x3030303030303030ULL >> (64 - shift);
  return eight_digits(shift == 0 ? chunk : (chunk << shift) | zeros);
}

}  // namespace detail

// The value of a line in the form coordinates nearly always take: an
// optional minus sign, up to 8 digits, an optional point and up to 8
// digits, 15 digits at most, and nothing else. nullopt for any other form,
// which the callers read with their general scan. Integer mantissa and power
// of ten are both exact doubles, so one division rounds correctly: the same
// value every other reading of the line gives.
//
// Reads 16 bytes from the start of the digits whatever the line's length:
// `line` must lie in a GrowableBuffer (a LineReader's lines do), which keeps
// that much readable room behind its last byte.
inline std::optional<double> plain_decimal(std::string_view line) noexcept {
#if defined(__SSE2__)
  const char* p = line.data();
  std::size_t size = line.size();
  const bool negative = size != 0 && *p == '-';
  p += negative ? 1 : 0;
  size -= negative ? 1 : 0;
  static_assert(GrowableBuffer::readable_slack >= 16);
  if (size == 0 || size > 16) return std::nullopt;

  const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i shifted = _mm_sub_epi8(chunk, _mm_set1_epi8('0'));
  const unsigned digits = static_cast<unsigned>(
      _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(shifted, _mm_set1_epi8(9)), _mm_set1_epi8(9))));
  const unsigned points =
      static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('.'))));
  const unsigned in_line = (1U << size) - 1;
  const unsigned line_points = points & in_line;
  if (((digits | line_points) & in_line) != in_line) return std::nullopt;
  if ((line_points & (line_points - 1)) != 0) return std::nullopt;  // two points

  const unsigned whole_count =
      line_points == 0 ? static_cast<unsigned>(size) : static_cast<unsigned>(__builtin_ctz(line_points));
  const unsigned fraction_count = line_points == 0 ? 0 : static_cast<unsigned>(size) - whole_count - 1;
  if (whole_count > 8 || fraction_count > 8 || whole_count + fraction_count == 0 ||
      whole_count + fraction_count > 15) {
    return std::nullopt;
  }
  std::uint64_t low = 0;
  std::uint64_t high = 0;
  std::memcpy(&low, p, 8);
  std::memcpy(&high, p + 8, 8);
  const std::uint64_t whole = detail::leading_digits(low, whole_count);
  // The fraction starts just behind the point, in either half.
  const unsigned from = whole_count + 1;
  const std::uint64_t fraction_chunk =
      from >= 8 ? high >> (8 * (from - 8)) : (low >> (8 * from)) | (high << (64 - 8 * from));
  const std::uint64_t fraction = detail::leading_digits(fraction_chunk, fraction_count);
  static constexpr std::uint64_t powers[] = {1,      10,      100,      1000,     10000,
                                             100000, 1000000, 10000000, 100000000};
  const std::uint64_t mantissa = whole * powers[fraction_count] + fraction;
  const double value =
      static_cast<double>(mantissa) / detail::exact_powers_of_ten[fraction_count];
  return negative ? -value : value;
#else
  (void)line;
  return std::nullopt;
#endif
}

}  // namespace kelvrin::dxf
