#include "dxf/tag_reader.hpp"

namespace kelvrin::dxf {

std::optional<int> group_code(std::string_view code_line) noexcept {
  const char* p = code_line.data();
  const char* end = p + code_line.size();
  while (p != end && *p == ' ') ++p;
  while (end != p && end[-1] == ' ') --end;
  const bool negative = p != end && *p == '-';  // -1 and -2 are valid codes
  if (negative) ++p;
  if (p == end || end - p > 4) return std::nullopt;  // codes stop at 1071
  int code = 0;
  for (; p != end; ++p) {
    const auto digit = static_cast<unsigned>(*p - '0');
    if (digit > 9) return std::nullopt;
    code = code * 10 + static_cast<int>(digit);
  }
  return negative ? -code : code;
}

}  // namespace kelvrin::dxf
