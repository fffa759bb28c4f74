#include "transform/decimal_field.hpp"

#include <charconv>

namespace kelvrin::transform {

std::optional<double> parse_decimal_field(std::string_view text) {
  const char* begin = text.data();
  const char* const end = begin + text.size();
  if (begin != end && *begin == '+') ++begin;
  const char* first = begin != end && *begin == '-' ? begin + 1 : begin;
  if (first == end || !((*first >= '0' && *first <= '9') || *first == '.')) return std::nullopt;
  double value = 0.0;
  const auto [stop, error] = std::from_chars(begin, end, value, std::chars_format::general);
  if (error != std::errc{} || stop != end) return std::nullopt;
  return value;
}

}  // namespace kelvrin::transform
