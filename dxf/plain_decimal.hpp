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

// Byte masks with their first `n` bytes set, for n from 0 to 16.
struct PrefixMasks {
  alignas(16) unsigned char masks[17][16];
  constexpr PrefixMasks() : masks() {
    for (int n = 0; n <= 16; ++n) {
      for (int i = 0; i < 16; ++i) masks[n][i] = i < n ? 0xFF : 0;
    }
  }
};
inline constexpr PrefixMasks prefix_masks;

}  // namespace detail

// The value of a line in the form coordinates nearly always take: an
// optional minus sign, digits with an optional point, 15 digits at most,
// and nothing else. nullopt for any other form, which the callers read with
// their general scan. Integer mantissa and power of ten are both exact
// doubles, so one division rounds correctly: the same value every other
// reading of the line gives.
//
// Reads the 16 bytes that end where the line ends, whatever its length:
// `line` must lie in a GrowableBuffer (a LineReader's lines do), which keeps
// that much readable room before its first byte.
inline std::optional<double> plain_decimal(std::string_view line) noexcept {
#if defined(__SSE2__)
  static_assert(GrowableBuffer::readable_slack >= 16);
  const char* p = line.data();
  std::size_t size = line.size();
  const bool negative = size != 0 && *p == '-';
  p += negative ? 1 : 0;
  size -= negative ? 1 : 0;
  if (size == 0 || size > 16) return std::nullopt;

  // The line's characters fill the last `size` bytes of the chunk.
  const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + size - 16));
  const __m128i outside =
      _mm_load_si128(reinterpret_cast<const __m128i*>(detail::prefix_masks.masks[16 - size]));
  const __m128i values = _mm_sub_epi8(chunk, _mm_set1_epi8('0'));
  const __m128i nine = _mm_set1_epi8(9);
  const __m128i is_digit = _mm_cmpeq_epi8(_mm_max_epu8(values, nine), nine);
  const __m128i is_point = _mm_cmpeq_epi8(chunk, _mm_set1_epi8('.'));
  const unsigned in_line = 0xFFFFU << (16 - size) & 0xFFFFU;
  const auto points = static_cast<unsigned>(_mm_movemask_epi8(is_point)) & in_line;
  const auto digits = static_cast<unsigned>(_mm_movemask_epi8(is_digit)) & in_line;
  if ((digits | points) != in_line || (points & (points - 1)) != 0) return std::nullopt;
  const std::size_t digit_count = size - (points != 0 ? 1 : 0);
  if (digit_count == 0 || digit_count > 15) return std::nullopt;

  // Digits as values, zero outside the line and at the point; then the
  // digits before the point move one place towards it, closing the gap.
  __m128i number = _mm_andnot_si128(_mm_or_si128(outside, is_point), values);
  int decimals = 0;
  if (points != 0) {
    const int point = __builtin_ctz(points);
    decimals = 15 - point;
    const __m128i before =
        _mm_load_si128(reinterpret_cast<const __m128i*>(detail::prefix_masks.masks[point + 1]));
    number = _mm_or_si128(_mm_and_si128(_mm_slli_si128(number, 1), before),
                          _mm_andnot_si128(before, number));
  }
  // Sixteen digits, the first in the lowest byte, to one integer: pairs,
  // then fours, then eights, by multiply-adds.
  const __m128i zero = _mm_setzero_si128();
  const __m128i tens = _mm_set_epi16(1, 10, 1, 10, 1, 10, 1, 10);
  const __m128i pairs = _mm_packs_epi32(_mm_madd_epi16(_mm_unpacklo_epi8(number, zero), tens),
                                        _mm_madd_epi16(_mm_unpackhi_epi8(number, zero), tens));
  const __m128i fours = _mm_madd_epi16(pairs, _mm_set_epi16(1, 100, 1, 100, 1, 100, 1, 100));
  const __m128i eights = _mm_madd_epi16(_mm_packs_epi32(fours, fours),
                                        _mm_set_epi16(1, 10000, 1, 10000, 1, 10000, 1, 10000));
  const auto high = static_cast<std::uint32_t>(_mm_cvtsi128_si32(eights));
  const auto low = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(eights, 4)));
  const std::uint64_t mantissa = std::uint64_t{high} * 100000000 + low;
  // Below 10^15: the signed conversion, one instruction, is exact.
  const double value = static_cast<double>(static_cast<std::int64_t>(mantissa)) /
                       detail::exact_powers_of_ten[decimals];
  return negative ? -value : value;
#else
  (void)line;
  return std::nullopt;
#endif
}

}  // namespace kelvrin::dxf
