#pragma once

#include <cstddef>

namespace kelvrin::dxf {

// Room for the written form of any finite double: up to 309 integer digits,
// a sign, the point and five decimals.
inline constexpr std::size_t max_coordinate_text = 330;

// Writes a transformed coordinate in the drawing's number form "0.00000": the
// exact value correctly rounded to five decimals, a point as separator, no
// grouping and never an exponent. A value that rounds to zero is written
// without a minus sign. `value` must be finite; `out` must hold
// max_coordinate_text characters. Returns the number of characters written.
std::size_t format_coordinate(double value, char* out) noexcept;

}  // namespace kelvrin::dxf

namespace kelvrin::dxf {

// Room for the shortest fixed-point form of any double (a denormal needs
// 324 decimals).
inline constexpr std::size_t max_shortest_text = 400;

// Writes a direction vector's component in the shortest fixed-point form
// that reads back to the same double, never with an exponent. Zero is
// written "0", without a sign. Returns the number of characters written.
std::size_t format_shortest(double value, char* out) noexcept;

}  // namespace kelvrin::dxf
