#pragma once

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
[[nodiscard]] std::optional<double> numeric_value(std::string_view line) noexcept;

}  // namespace kelvrin::dxf
