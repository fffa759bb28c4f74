#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "dxf/growable_buffer.hpp"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The numbers of a drawing's text, and of the other text files read beside
// it (grids, parameter files, point lists, command lines): one reading of
// each form, with the form that fills real files first.

namespace kelvrin::dxf {

// Digits only, at most `max_digits` of them: counts, group codes, options.
[[nodiscard]] inline std::optional<std::uint64_t> whole_number(std::string_view text,
                                                               std::size_t max_digits) noexcept {
  if (text.empty() || text.size() > max_digits) return std::nullopt;
  std::uint64_t number = 0;
  for (const char c : text) {
    const auto digit = static_cast<unsigned>(c - '0');
    if (digit > 9) return std::nullopt;
    number = number * 10 + digit;
  }
  return number;
}

// The group code of a code line: an integer, optionally behind and before
// blanks. nullopt for anything else. Every tag passes here, so it is inline.
[[gnu::always_inline]] inline std::optional<int> group_code(std::string_view code_line) noexcept {
  const char* p = code_line.data();
  // Most writers right-align codes in three columns: "  0", " 10", "100".
  // Two-digit codes (the coordinates) are looked for first.
  if (code_line.size() == 3) {
    const auto units = static_cast<unsigned>(p[2] - '0');
    const auto tens = static_cast<unsigned>(p[1] - '0');
    if (p[0] == ' ' && units < 10) {
      if (tens < 10) return static_cast<int>(tens * 10 + units);
      if (p[1] == ' ') return static_cast<int>(units);
    } else if (const auto hundreds = static_cast<unsigned>(p[0] - '0');
               hundreds < 10 && tens < 10 && units < 10) {
      return static_cast<int>(hundreds * 100 + tens * 10 + units);
    }
  }
  while (!code_line.empty() && code_line.front() == ' ') code_line.remove_prefix(1);
  while (!code_line.empty() && code_line.back() == ' ') code_line.remove_suffix(1);
  const bool negative = !code_line.empty() && code_line.front() == '-';  // -1 and -2 are codes
  if (negative) code_line.remove_prefix(1);
  constexpr std::size_t code_digits = 4;  // codes stop at 1071
  const auto code = whole_number(code_line, code_digits);
  if (!code) return std::nullopt;
  return negative ? -static_cast<int>(*code) : static_cast<int>(*code);
}

// The literal rule: the numeric value of a line, as group codes and
// coordinate values are read there. Blanks and tabs are skipped, then the
// longest leading decimal number is taken (optional sign, digits, optional
// point and digits, optional exponent "E"/"e" that counts only when digits
// follow). Whatever follows is ignored, and a line that does not begin with
// a number is worth 0. The point is the only decimal separator, whatever the
// locale. nullopt when the number is too large for a double; a number too
// small for one reads as zero.
[[nodiscard]] std::optional<double> lenient_number(std::string_view line) noexcept;

// lenient_number without its fast path, for the tests that hold them equal.
[[nodiscard]] std::optional<double> lenient_number_general(std::string_view line) noexcept;

// The DXF-aware rule: a value line that must be a number and nothing else.
// Blanks and tabs around it, an optional sign, digits with an optional point
// and exponent. nullopt for an empty line, a word, "nan", "inf", trailing
// text or a value too large for a double; too small reads as zero.
[[nodiscard]] std::optional<double> strict_number(std::string_view line) noexcept;

// An integer value (flags, counts, a marker), or 0 for one that is absent
// or no integer a drawing could mean: a cast beyond int64 is undefined.
[[nodiscard]] inline std::int64_t integer(std::optional<double> read) noexcept {
  constexpr double integer_limit = 9007199254740992.0;  // 2^53
  return read && std::abs(*read) < integer_limit ? static_cast<std::int64_t>(*read) : 0;
}

namespace detail {

// Powers of ten that a double holds exactly.
inline constexpr double exact_powers_of_ten[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                 1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// A decimal whose digits, taken as an integer, and whose power of ten are
// both exact doubles: one division rounds correctly, the value every reading
// of the text gives. At most 15 digits keep the integer below 2^53, and the
// signed conversion is one instruction.
inline double exact_decimal(std::uint64_t digits, std::size_t decimals, bool negative) noexcept {
  const double value =
      static_cast<double>(static_cast<std::int64_t>(digits)) / exact_powers_of_ten[decimals];
  return negative ? -value : value;
}

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
// and nothing else; nullopt for any other form, which strict_number and
// lenient_number read as they read it.
//
// Reads the 16 bytes that end where the line ends, whatever its length:
// `line` must lie in a GrowableBuffer (a LineReader's lines do), which keeps
// that much readable room before its first byte.
[[nodiscard]] inline std::optional<double> plain_decimal(std::string_view line) noexcept {
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
  std::size_t decimals = 0;
  if (points != 0) {
    const int point = __builtin_ctz(points);
    decimals = static_cast<std::size_t>(15 - point);
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
  return detail::exact_decimal(std::uint64_t{high} * 100000000 + low, decimals, negative);
#else
  (void)line;
  return std::nullopt;
#endif
}

// strict_number for a value line in a reader's buffer: the usual form at
// once.
[[nodiscard]] inline std::optional<double> number(std::string_view line) noexcept {
  if (const auto plain = plain_decimal(line)) return plain;
  return strict_number(line);
}

// lenient_number for a value line in a reader's buffer.
[[nodiscard]] inline std::optional<double> lenient_buffered_number(std::string_view line) noexcept {
  if (const auto plain = plain_decimal(line)) return plain;
  return lenient_number(line);
}

}  // namespace kelvrin::dxf
