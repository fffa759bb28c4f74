#pragma once

#include <optional>
#include <string_view>

namespace kelvrin::transform {

// A field of a grid or parameter file that must be a decimal number as a
// whole: optional sign, digits with an optional point, optional exponent,
// "." as the decimal point. "inf", "nan", hexadecimal and numbers beyond a
// double are not numbers.
std::optional<double> parse_decimal_field(std::string_view text);

}  // namespace kelvrin::transform
