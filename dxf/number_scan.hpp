#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kelvrin::dxf {

// The numeric value of a line, as group codes and coordinate values are read:
// blanks and tabs are skipped, then the longest leading decimal number is
// taken (optional sign, digits, optional point and digits, optional exponent
// "E"/"e" that counts only when digits follow). Whatever follows is ignored,
// and a line that does not begin with a number is worth 0. The point is the
// only decimal separator, whatever the locale.
//
// Returns nullopt when the number is too large for a double. A number too
// small for one reads as zero.
[[nodiscard]] inline std::optional<double> numeric_value(std::string_view line) noexcept;

// Every form numeric_value accepts; numeric_value itself only adds a fast
// path for the forms that fill real drawings.
[[nodiscard]] std::optional<double> numeric_value_general(std::string_view line) noexcept;

namespace detail {
inline constexpr double exact_powers_of_ten[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
}  // namespace detail

// Group codes ("  10") and coordinates ("-87412.350") are blanks, a minus
// sign, at most 15 digits and a point up to the end of the line: their
// integer mantissa and the power of ten are exact doubles, so one division
// gives the correctly rounded value.
std::optional<double> numeric_value(std::string_view line) noexcept {
  const char* p = line.data();
  const char* const end = p + line.size();
  while (p != end && *p == ' ') ++p;
  // Group codes: one to three digits, often behind blanks.
  if (end - p <= 3 && p != end) {
    int code = 0;
    const char* q = p;
    for (; q != end && static_cast<unsigned>(*q - '0') < 10; ++q) code = code * 10 + (*q - '0');
    if (q == end) return static_cast<double>(code);
  }
  const bool negative = p != end && *p == '-';
  p += negative ? 1 : 0;
  std::uint64_t mantissa = 0;
  const char* const digits_begin = p;
  const char* point = nullptr;
  for (; p != end; ++p) {
    const auto digit = static_cast<unsigned>(*p - '0');
    if (digit < 10) {
      mantissa = mantissa * 10 + digit;
    } else if (*p == '.' && point == nullptr) {
      point = p;
    } else {
      return numeric_value_general(line);
    }
  }
  const auto length = p - digits_begin;
  const auto decimals = point == nullptr ? 0 : p - point - 1;
  const auto digit_count = length - (point == nullptr ? 0 : 1);
  if (digit_count == 0 || digit_count > 15) return numeric_value_general(line);
  const double value = static_cast<double>(mantissa) / detail::exact_powers_of_ten[decimals];
  return negative ? -value : value;
}

}  // namespace kelvrin::dxf

namespace kelvrin::dxf {

// A value line that must be a number and nothing else: blanks and tabs
// around it, an optional sign, digits with an optional point and exponent.
// nullopt for an empty line, a word, "nan", "inf", trailing text or a value
// too large for a double.
[[nodiscard]] std::optional<double> strict_number(std::string_view line) noexcept;

}  // namespace kelvrin::dxf
