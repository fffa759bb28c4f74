#include "dxf/number_scan.hpp"

#include <charconv>
#include <cstdint>
#include <system_error>

namespace kelvrin::dxf {
namespace {

constexpr bool is_digit(char c) noexcept { return c >= '0' && c <= '9'; }

const char* skip_digits(const char* p, const char* end) noexcept {
  while (p != end && is_digit(*p)) ++p;
  return p;
}

// Where from_chars reports a number out of range, tells overflow from
// underflow by the decimal order of magnitude of its first significant digit.
// Saturates: exponents with any number of digits are fine.
bool magnitude_at_least_one(const char* int_begin, const char* int_end, const char* frac_begin,
                            const char* frac_end, const char* exp_begin, const char* exp_end) {
  std::int64_t order = 0;
  const char* p = int_begin;
  while (p != int_end && *p == '0') ++p;
  if (p != int_end) {
    order = int_end - p - 1;
  } else {
    const char* q = frac_begin;
    while (q != frac_end && *q == '0') ++q;
    if (q == frac_end) return false;  // zero, whatever the exponent
    order = -(q - frac_begin) - 1;
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

}  // namespace

std::optional<double> numeric_value(std::string_view line) noexcept {
  const char* p = line.data();
  const char* const end = p + line.size();
  while (p != end && (*p == ' ' || *p == '\t')) ++p;

  bool negative = false;
  if (p != end && (*p == '+' || *p == '-')) negative = *p++ == '-';

  const char* const int_begin = p;
  const char* const int_end = skip_digits(p, end);
  p = int_end;
  const char* frac_begin = p;
  const char* frac_end = p;
  if (p != end && *p == '.') {
    frac_begin = p + 1;
    frac_end = skip_digits(frac_begin, end);
  }
  if (int_begin == int_end && frac_begin == frac_end) return 0.0;  // not a number
  p = frac_end;

  const char* exp_begin = p;
  const char* exp_end = p;
  if (p != end && (*p == 'e' || *p == 'E')) {
    const char* e = p + 1;
    if (e != end && (*e == '+' || *e == '-')) ++e;
    const char* digits_end = skip_digits(e, end);
    if (digits_end != e) {
      exp_begin = p + 1;
      exp_end = digits_end;
      p = digits_end;
    }
  }

  // Plain integers (every group code, many coordinates) need no parser.
  const bool has_point = frac_end != int_end;
  if (!has_point && exp_begin == exp_end && int_end - int_begin <= 15) {
    std::int64_t whole = 0;
    for (const char* d = int_begin; d != int_end; ++d) whole = whole * 10 + (*d - '0');
    const auto value = static_cast<double>(whole);
    return negative ? -value : value;
  }

  double value = 0.0;
  const auto [parsed_end, error] = std::from_chars(int_begin, p, value, std::chars_format::general);
  if (error == std::errc::result_out_of_range) {
    if (magnitude_at_least_one(int_begin, int_end, frac_begin, frac_end, exp_begin, exp_end)) {
      return std::nullopt;
    }
    value = 0.0;
  } else if (error != std::errc{} || parsed_end != p) {
    // The scan above only passes what from_chars accepts; stay safe anyway.
    return 0.0;
  }
  return negative ? -value : value;
}

}  // namespace kelvrin::dxf
