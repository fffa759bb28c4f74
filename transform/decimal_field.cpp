#include "transform/decimal_field.hpp"

#include <charconv>

namespace kelvrin::transform {

std::optional<double> parse_decimal_field(std::string_view text) {
  const char* begin = text.data();
  const char* const end = begin + text.size();
  // One sign at most: from_chars takes no "+", so it is stepped over here,
  // and a "-" behind it ("+-5") is a second sign.
  const bool plus = begin != end && *begin == '+';
  if (plus) ++begin;
  const char* first = !plus && begin != end && *begin == '-' ? begin + 1 : begin;
  if (first == end || !((*first >= '0' && *first <= '9') || *first == '.')) return std::nullopt;
  double value = 0.0;
  const auto [stop, error] = std::from_chars(begin, end, value, std::chars_format::general);
  if (error != std::errc{} || stop != end) return std::nullopt;
  return value;
}

}  // namespace kelvrin::transform
