#pragma once

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kelvrin::dxf {

// Room for the written form of any finite double: up to 309 integer digits,
// a sign, the point and five decimals.
inline constexpr std::size_t max_coordinate_text = 330;

// format_coordinate for every finite value, by exact integer arithmetic.
std::size_t format_coordinate_exactly(double value, char* out) noexcept;

namespace detail {

// Below 2^43 the product of a double and 10^5 is within 2^-11 of the exact
// product, so both round to the same integer unless the product lies within
// that distance of a half: `magnitude` times 10^5 rounded then, false when
// only exact arithmetic can tell.
inline bool quickly_rounded(double magnitude, std::uint64_t& rounded) {
  const double scaled = magnitude * 100000.0;
  if (scaled >= 0x1p43) return false;
  // Signed conversions: one instruction each, and exact below 2^43.
  const auto whole = static_cast<std::int64_t>(scaled);         // truncation is floor here
  const double fraction = scaled - static_cast<double>(whole);  // exact
  rounded = static_cast<std::uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
  return std::fabs(fraction - 0.5) > 0x1p-9;
}

#if defined(__SSE2__)
// The eight decimal digits of `number` (below 10^8) as 16-bit lanes, the
// first digit in the lowest lane: halves by one multiplication, then each
// half divided by 1000, 100, 10 and 1 at once with multiply-high steps
// (reciprocals exact for values below 10^4), and the digits taken apart.
inline __m128i eight_digit_lanes(std::uint32_t number) {
  const __m128i whole = _mm_cvtsi32_si128(static_cast<int>(number));
  const __m128i high =  // number / 10^4, as 0xd1b71759 / 2^45 divides it
      _mm_srli_epi64(_mm_mul_epu32(whole, _mm_set1_epi32(static_cast<int>(0xd1b71759))), 45);
  const __m128i low = _mm_sub_epi32(whole, _mm_mul_epu32(high, _mm_set1_epi32(10000)));
  const __m128i halves = _mm_slli_epi64(_mm_unpacklo_epi16(high, low), 2);
  const __m128i spread =
      _mm_unpacklo_epi32(_mm_unpacklo_epi16(halves, halves), _mm_unpacklo_epi16(halves, halves));
  const auto lanes = [](int a, int b, int c, int d) {
    return _mm_set_epi16(static_cast<short>(d), static_cast<short>(c), static_cast<short>(b),
                         static_cast<short>(a), static_cast<short>(d), static_cast<short>(c),
                         static_cast<short>(b), static_cast<short>(a));
  };
  // Prefixes of 1, 2, 3 and 4 digits of each half.
  const __m128i prefixes = _mm_mulhi_epu16(_mm_mulhi_epu16(spread, lanes(8389, 5243, 13108, 32768)),
                                           lanes(1 << 7, 1 << 11, 1 << 13, 1 << 15));
  // Each prefix less ten times the one before it: the digit.
  return _mm_sub_epi16(prefixes, _mm_slli_epi64(_mm_mullo_epi16(prefixes, _mm_set1_epi16(10)), 16));
}

// Writes `scaled` (below 10^16) as the integer part and five decimals of a
// coordinate, with no leading zeros but the units digit; returns the end.
inline char* write_scaled(std::uint64_t scaled, char* p) {
  const auto high = static_cast<std::uint32_t>(scaled / 100000000);
  const auto low = static_cast<std::uint32_t>(scaled - std::uint64_t{high} * 100000000);
  const __m128i digits = _mm_packus_epi16(eight_digit_lanes(high), eight_digit_lanes(low));
  // Sixteen digits: the integer part ends at digit 10, the decimals follow.
  constexpr int units = 10;
  const auto zeros =
      static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(digits, _mm_setzero_si128())));
  const int leading = std::countr_zero(~zeros | (1U << units));
  alignas(16) char text[32];
  _mm_store_si128(reinterpret_cast<__m128i*>(text), _mm_add_epi8(digits, _mm_set1_epi8('0')));
  _mm_store_si128(reinterpret_cast<__m128i*>(text + 16), _mm_setzero_si128());
  std::memcpy(p, text + leading, 16);
  p += units + 1 - leading;
  std::uint64_t decimals = 0;
  std::memcpy(&decimals, text + units + 1, 8);
  decimals = (decimals << 8) | '.';
  std::memcpy(p, &decimals, 8);
  return p + 6;
}
#endif
}  // namespace detail

// Writes a transformed coordinate in the drawing's number form "0.00000": the
// exact value correctly rounded to five decimals, a point as separator, no
// grouping and never an exponent. A value that rounds to zero is written
// without a minus sign. `value` must be finite; `out` must hold
// max_coordinate_text characters. Returns the number of characters written.
inline std::size_t format_coordinate(double value, char* out) noexcept {
#if defined(__SSE2__)
  // Every usual coordinate is done here.
  if (std::uint64_t rounded = 0; detail::quickly_rounded(std::fabs(value), rounded)) {
    char* p = out;
    if (std::signbit(value) && rounded != 0) *p++ = '-';
    return static_cast<std::size_t>(detail::write_scaled(rounded, p) - out);
  }
#endif
  return format_coordinate_exactly(value, out);
}

}  // namespace kelvrin::dxf

namespace kelvrin::dxf {

// Room for format_fixed's form of any double with up to max_fixed_decimals.
inline constexpr int max_fixed_decimals = 40;
inline constexpr std::size_t max_fixed_text = 312 + max_fixed_decimals;

// `value` correctly rounded to `decimals` decimals (0 to max_fixed_decimals),
// ties to even, in the form format_coordinate writes, which it is for five
// decimals: a point, no grouping, no exponent, no minus sign on a value that
// rounds to zero. Returns the number of characters written.
std::size_t format_fixed(double value, int decimals, char* out) noexcept;

// Room for the shortest fixed-point form of any double (a denormal needs
// 324 decimals).
inline constexpr std::size_t max_shortest_text = 400;

// Writes a direction vector's component in the shortest fixed-point form
// that reads back to the same double, never with an exponent. Zero is
// written "0", without a sign. Returns the number of characters written.
std::size_t format_shortest(double value, char* out) noexcept;

}  // namespace kelvrin::dxf
