#include "dxf/number_format.hpp"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace kelvrin::dxf {
namespace {

// GCC and Clang both have it; __extension__ keeps -Wpedantic quiet.
__extension__ using uint128 = unsigned __int128;

constexpr std::uint64_t five_decimals = 100000;

// Below this magnitude the value times 10^5 fits in 64 bits after rounding.
constexpr double fast_path_limit = 1e13;

// The exact value of `magnitude` times 10^5, rounded to the nearest integer
// with ties to even, the same rounding as printf("%.5f") and std::to_chars.
// A double is m * 2^e exactly, with m below 2^53, so m * 10^5 is below 2^70
// and the rounding needs no more than 128-bit integer arithmetic.
std::uint64_t scaled_and_rounded(double magnitude) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &magnitude, sizeof bits);
  const int biased_exponent = static_cast<int>(bits >> 52);
  if (biased_exponent == 0) return 0;  // zero or subnormal: far below 0.000005
  const std::uint64_t mantissa = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  const int exponent = biased_exponent - 1075;
  const uint128 scaled = static_cast<uint128>(mantissa) * five_decimals;
  if (exponent >= 0) return static_cast<std::uint64_t>(scaled << exponent);
  const int shift = -exponent;
  if (shift > 72) return 0;  // scaled < 2^70 is less than half of 2^shift
  const uint128 quotient = scaled >> shift;
  const uint128 remainder = scaled - (quotient << shift);
  const uint128 half = static_cast<uint128>(1) << (shift - 1);
  const bool round_up = remainder > half || (remainder == half && (quotient & 1) != 0);
  return static_cast<std::uint64_t>(quotient) + (round_up ? 1 : 0);
}

constexpr char digit_pairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes `count` decimal digits of `number` ending just before `end`. The
// 32-bit arithmetic is cheaper, and it covers every real coordinate.
template <typename Unsigned>
void write_digits(Unsigned number, char* end, int count) {
  for (; count >= 2; count -= 2) {
    end -= 2;
    std::memcpy(end, digit_pairs + 2 * (number % 100), 2);
    number /= 100;
  }
  if (count == 1) end[-1] = static_cast<char>('0' + number);
}

constexpr std::uint64_t powers_of_ten[] = {1ULL,
                                           10ULL,
                                           100ULL,
                                           1000ULL,
                                           10000ULL,
                                           100000ULL,
                                           1000000ULL,
                                           10000000ULL,
                                           100000000ULL,
                                           1000000000ULL,
                                           10000000000ULL,
                                           100000000000ULL,
                                           1000000000000ULL,
                                           10000000000000ULL,
                                           100000000000000ULL,
                                           1000000000000000ULL,
                                           10000000000000000ULL,
                                           100000000000000000ULL,
                                           1000000000000000000ULL,
                                           10000000000000000000ULL};

// Decimal digits of a number: log10 estimated from its bit length
// (1233 / 4096 is just above log10(2)), then corrected by one comparison.
int digit_count(std::uint64_t number) {
  const int estimate = static_cast<int>((std::bit_width(number | 1) * 1233) >> 12);
  return estimate + ((number | 1) >= powers_of_ten[estimate] ? 1 : 0);
}

std::uint64_t scaled_and_rounded_quickly(double magnitude) {
  std::uint64_t rounded = 0;
  return detail::quickly_rounded(magnitude, rounded) ? rounded : scaled_and_rounded(magnitude);
}

}  // namespace

std::size_t format_coordinate_exactly(double value, char* out) noexcept {
  if (std::fabs(value) < fast_path_limit) {
    const std::uint64_t scaled = scaled_and_rounded_quickly(std::fabs(value));
    char* p = out;
    if (std::signbit(value) && scaled != 0) *p++ = '-';
#if defined(__SSE2__)
    // The room holds the 24 bytes this writes, whatever of them is used.
    if (scaled < 10000000000000000ULL)
      return static_cast<std::size_t>(detail::write_scaled(scaled, p) - out);
#endif
    const std::uint64_t whole = scaled / five_decimals;
    const int whole_digits = digit_count(whole);
    p += whole_digits;
    write_digits(whole, p, whole_digits);
    *p++ = '.';
    write_digits(static_cast<std::uint32_t>(scaled % five_decimals), p + 5, 5);
    return static_cast<std::size_t>(p + 5 - out);
  }
  const auto result =
      std::to_chars(out, out + max_coordinate_text, value, std::chars_format::fixed, 5);
  return static_cast<std::size_t>(result.ptr - out);
}

}  // namespace kelvrin::dxf

namespace kelvrin::dxf {

std::size_t format_fixed(double value, int decimals, char* out) noexcept {
  if (decimals == 5) return format_coordinate(value, out);
  decimals = std::clamp(decimals, 0, max_fixed_decimals);
  const auto written =
      std::to_chars(out, out + max_fixed_text, value, std::chars_format::fixed, decimals);
  const auto size = static_cast<std::size_t>(written.ptr - out);
  // "-0.000": the sign of a value too small to show.
  if (out[0] == '-' &&
      std::all_of(out + 1, out + size, [](char c) { return c == '0' || c == '.'; })) {
    std::memmove(out, out + 1, size - 1);
    return size - 1;
  }
  return size;
}

std::size_t format_shortest(double value, char* out) noexcept {
  if (value == 0.0) value = 0.0;  // no "-0"
  const auto written = std::to_chars(out, out + max_shortest_text, value, std::chars_format::fixed);
  return static_cast<std::size_t>(written.ptr - out);
}

}  // namespace kelvrin::dxf
