#include "dxf/number_format.hpp"

#include <charconv>
#include <cstring>

namespace kelvrin::dxf {

std::size_t format_coordinate(double value, char* out) noexcept {
  const auto result =
      std::to_chars(out, out + max_coordinate_text, value, std::chars_format::fixed, 5);
  auto length = static_cast<std::size_t>(result.ptr - out);
  constexpr char negative_zero[] = "-0.00000";
  if (length == sizeof negative_zero - 1 && std::memcmp(out, negative_zero, length) == 0) {
    std::memmove(out, out + 1, --length);
  }
  return length;
}

}  // namespace kelvrin::dxf
