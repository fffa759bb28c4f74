#include "dxf/numbers.hpp"

#include <charconv>
#include <cstdint>
#include <iterator>
#include <system_error>

namespace kelvrin::dxf {
namespace {

constexpr bool is_digit(char c) noexcept { return c >= '0' && c <= '9'; }
constexpr bool is_blank(char c) noexcept { return c == ' ' || c == '\t'; }

// Beyond this many digits the mantissa may overflow 64 bits.
constexpr int gathered_digits_limit = 19;
constexpr std::uint64_t exact_mantissa_limit = std::uint64_t{1} << 53;
// The digits that the usual form takes at most: exact_decimal's bound.
constexpr int plain_digits_limit = 15;

// Digits, a point and digits, from `p`: where each part lies, and the digits
// gathered into an integer as they are scanned.
struct DecimalDigits {
  const char* int_begin;
  const char* int_end;
  const char* frac_begin;
  const char* frac_end;
  std::uint64_t mantissa = 0;
  int gathered = 0;

  bool empty() const { return int_begin == int_end && frac_begin == frac_end; }
  std::size_t decimals() const { return static_cast<std::size_t>(frac_end - frac_begin); }
  // The usual form: few enough digits for exact_decimal.
  bool plain() const { return !empty() && gathered <= plain_digits_limit; }
};

DecimalDigits scan_digits(const char* p, const char* end) noexcept {
  DecimalDigits digits{p, p, p, p};
  for (; p != end && is_digit(*p); ++p, ++digits.gathered) {
    digits.mantissa = digits.mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
  }
  digits.int_end = digits.frac_begin = digits.frac_end = p;
  if (p != end && *p == '.') {
    digits.frac_begin = ++p;
    for (; p != end && is_digit(*p); ++p, ++digits.gathered) {
      digits.mantissa = digits.mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
    }
    digits.frac_end = p;
  }
  return digits;
}

// An exponent's digits after `p`, where "e" or "E" stands: their end, or `p`
// itself when no digit follows (the letter is then no exponent).
const char* exponent_end(const char* p, const char* end) noexcept {
  if (p == end || (*p != 'e' && *p != 'E')) return p;
  const char* e = p + 1;
  if (e != end && (*e == '+' || *e == '-')) ++e;
  const char* digits_end = e;
  while (digits_end != end && is_digit(*digits_end)) ++digits_end;
  return digits_end != e ? digits_end : p;
}

// Where from_chars reports a number out of range, tells overflow from
// underflow by the decimal order of magnitude of its first significant digit.
// Saturates: exponents with any number of digits are fine.
bool magnitude_at_least_one(const DecimalDigits& digits, const char* exp_begin,
                            const char* exp_end) {
  std::int64_t order = 0;
  const char* p = digits.int_begin;
  while (p != digits.int_end && *p == '0') ++p;
  if (p != digits.int_end) {
    order = digits.int_end - p - 1;
  } else {
    const char* q = digits.frac_begin;
    while (q != digits.frac_end && *q == '0') ++q;
    if (q == digits.frac_end) return false;  // zero, whatever the exponent
    order = -(q - digits.frac_begin) - 1;
  }
  if (exp_begin != exp_end) {
    bool exp_negative = false;
    const char* e = exp_begin;
    if (*e == '+' || *e == '-') exp_negative = *e++ == '-';
    std::int64_t exponent = 0;
    for (; e != exp_end; ++e) {
      exponent = exponent * 10 + (*e - '0');
      if (exponent > 1'000'000'000) break;
    }
    order += exp_negative ? -exponent : exponent;
  }
  return order >= 0;
}

// The value of the unsigned number `digits` and its exponent (to `end`),
// any length: nullopt beyond a double, zero below one.
std::optional<double> general_value(const DecimalDigits& digits, const char* end) noexcept {
  const char* const exp_begin = digits.frac_end == end ? end : digits.frac_end + 1;
  if (exp_begin == end && digits.gathered <= gathered_digits_limit &&
      digits.mantissa <= exact_mantissa_limit &&
      digits.decimals() < std::size(detail::exact_powers_of_ten)) {
    return detail::exact_decimal(digits.mantissa, digits.decimals(), false);
  }
  double value = 0.0;
  const auto [parsed_end, error] =
      std::from_chars(digits.int_begin, end, value, std::chars_format::general);
  if (error == std::errc::result_out_of_range) {
    if (magnitude_at_least_one(digits, exp_begin, end)) return std::nullopt;
    return 0.0;
  }
  // The scan only passes what from_chars accepts; stay safe anyway.
  if (error != std::errc{} || parsed_end != end) return std::nullopt;
  return value;
}

}  // namespace

std::optional<double> lenient_number_general(std::string_view line) noexcept {
  const char* p = line.data();
  const char* const end = p + line.size();
  while (p != end && is_blank(*p)) ++p;
  bool negative = false;
  if (p != end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  const DecimalDigits digits = scan_digits(p, end);
  if (digits.empty()) return 0.0;  // not a number
  const auto value = general_value(digits, exponent_end(digits.frac_end, end));
  if (!value) return std::nullopt;
  return negative ? -*value : *value;
}

std::optional<double> lenient_number(std::string_view line) noexcept {
  const char* p = line.data();
  const char* const end = p + line.size();
  while (p != end && *p == ' ') ++p;
  const bool negative = p != end && *p == '-';
  const DecimalDigits digits = scan_digits(p + (negative ? 1 : 0), end);
  if (digits.frac_end == end && digits.plain()) {
    return detail::exact_decimal(digits.mantissa, digits.decimals(), negative);
  }
  return lenient_number_general(line);
}

std::optional<double> strict_number(std::string_view line) noexcept {
  while (!line.empty() && is_blank(line.front())) line.remove_prefix(1);
  while (!line.empty() && is_blank(line.back())) line.remove_suffix(1);
  const char* p = line.data();
  const char* const end = p + line.size();
  bool negative = false;
  if (p != end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  const DecimalDigits digits = scan_digits(p, end);
  if (digits.empty()) return std::nullopt;  // a word, "inf", "nan", a lone sign
  if (digits.frac_end == end && digits.plain()) {
    return detail::exact_decimal(digits.mantissa, digits.decimals(), negative);
  }
  if (exponent_end(digits.frac_end, end) != end) return std::nullopt;
  const auto value = general_value(digits, end);
  if (!value) return std::nullopt;
  return negative ? -*value : *value;
}

}  // namespace kelvrin::dxf
