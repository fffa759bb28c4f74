// The numeric value of a line: the fast path and the general scan agree,
// values are finite, and every value is written back in the "0.00000" form
// within half a unit of its fifth decimal.

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "dxf/number_format.hpp"
#include "dxf/numbers.hpp"
#include "tests/fuzz/fuzz_support.hpp"

using kelvrin::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const auto fast = kelvrin::dxf::lenient_number(line);
  const auto general = kelvrin::dxf::lenient_number_general(line);
  require(fast.has_value() == general.has_value(), "both scans agree on what is too large");
  if (!fast) return 0;
  require(*fast == *general, "both scans give the same value");
  require(std::isfinite(*fast), "a value read is finite");

  char text[kelvrin::dxf::max_coordinate_text];
  const std::size_t length = kelvrin::dxf::format_coordinate(*fast, text);
  const std::string written(text, length);
  require(length >= 7 && written[length - 6] == '.', "five decimals after a point");
  require(written != "-0.00000", "no negative zero");
  if (std::fabs(*fast) < 1e15) {
    const auto back = kelvrin::dxf::lenient_number(written);
    // Reading the text back lands on the nearest double, a few ulps away.
    const double ulp = std::nextafter(std::fabs(*fast), INFINITY) - std::fabs(*fast);
    require(back.has_value() && std::fabs(*back - *fast) <= 0.5e-5 + 4 * ulp,
            "the written value is the value rounded to five decimals");
  }
  return 0;
}
