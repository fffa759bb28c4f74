#include "dxf/number_scan.hpp"

#include <charconv>
#include <cstdint>
#include <system_error>

namespace kelvrin::dxf {
namespace {

constexpr bool is_digit(char c) noexcept { return c >= '0' && c <= '9'; }

// Powers of ten that a double holds exactly.
constexpr double exact_powers_of_ten[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                          1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                          1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr std::uint64_t exact_mantissa_limit = std::uint64_t{1} << 53;

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

std::optional<double> numeric_value_general(std::string_view line) noexcept {
  const char* p = line.data();
  const char* const end = p + line.size();
  while (p != end && (*p == ' ' || *p == '\t')) ++p;

  bool negative = false;
  if (p != end && (*p == '+' || *p == '-')) negative = *p++ == '-';

  // Digits are gathered into an integer as they are scanned; up to 19 of
  // them cannot overflow 64 bits.
  std::uint64_t mantissa = 0;
  int gathered = 0;
  const char* const int_begin = p;
  for (; p != end && is_digit(*p); ++p, ++gathered) {
    mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
  }
  const char* const int_end = p;
  const char* frac_begin = p;
  const char* frac_end = p;
  if (p != end && *p == '.') {
    frac_begin = ++p;
    for (; p != end && is_digit(*p); ++p, ++gathered) {
      mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
    }
    frac_end = p;
  }
  if (int_begin == int_end && frac_begin == frac_end) return 0.0;  // not a number

  const char* exp_begin = p;
  const char* exp_end = p;
  if (p != end && (*p == 'e' || *p == 'E')) {
    const char* e = p + 1;
    if (e != end && (*e == '+' || *e == '-')) ++e;
    const char* digits_end = e;
    while (digits_end != end && is_digit(*digits_end)) ++digits_end;
    if (digits_end != e) {
      exp_begin = p + 1;
      exp_end = digits_end;
      p = digits_end;
    }
  }

  // The common case, "123456.789": an integer mantissa and a power of ten
  // that are both exact doubles give the correctly rounded value in one
  // division.
  const auto decimals = static_cast<std::size_t>(frac_end - frac_begin);
  if (exp_begin == exp_end && gathered <= 19 && mantissa <= exact_mantissa_limit &&
      decimals < std::size(exact_powers_of_ten)) {
    const double value = static_cast<double>(mantissa) / exact_powers_of_ten[decimals];
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

namespace kelvrin::dxf {

std::optional<double> strict_number(std::string_view line) noexcept {
  const auto is_blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!line.empty() && is_blank(line.front())) line.remove_prefix(1);
  while (!line.empty() && is_blank(line.back())) line.remove_suffix(1);
  if (line.empty()) return std::nullopt;
  bool negative = false;
  if (line.front() == '+' || line.front() == '-') {
    negative = line.front() == '-';
    line.remove_prefix(1);
  }
  // from_chars alone would also take "inf", "nan" and hexadecimal forms.
  if (line.empty() || !(is_digit(line.front()) || line.front() == '.')) return std::nullopt;
  // The usual coordinate: at most 15 digits and a point, read exactly with
  // one division, as numeric_value reads it.
  std::uint64_t mantissa = 0;
  std::size_t digits = 0;
  std::size_t point = line.size();
  std::size_t i = 0;
  for (; i < line.size(); ++i) {
    const char c = line[i];
    if (is_digit(c)) {
      mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
      ++digits;
    } else if (c == '.' && point == line.size()) {
      point = i;
    } else {
      break;
    }
  }
  if (i == line.size() && digits > 0 && digits <= 15) {
    const std::size_t decimals = point == line.size() ? 0 : line.size() - point - 1;
    const double plain = static_cast<double>(mantissa) / exact_powers_of_ten[decimals];
    return negative ? -plain : plain;
  }
  double value = 0.0;
  const auto [end, error] =
      std::from_chars(line.data(), line.data() + line.size(), value, std::chars_format::general);
  if (error != std::errc() || end != line.data() + line.size()) {
    // Out of range: too small reads as zero, too large is no value.
    if (error == std::errc::result_out_of_range && end == line.data() + line.size()) {
      const auto general = numeric_value_general(line);
      if (general) return negative ? -*general : *general;
    }
    return std::nullopt;
  }
  return negative ? -value : value;
}

}  // namespace kelvrin::dxf
