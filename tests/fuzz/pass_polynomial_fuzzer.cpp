// The whole DXF pass with the ETRS89 TM06 -> Datum 73 polynomial, against
// the in-memory reference, with read buffers from 1 to 64 bytes so every
// line end falls across a refill somewhere, and now and then of 64 bytes to
// 2 KiB, where the tags are read 64 bytes at a time.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "dxf/point_transform.hpp"
#include "tests/fuzz/reference_pass.hpp"
#include "transform/mainland_sets.hpp"
#include "transform/polynomial.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > 65536) return 0;
  const std::size_t buffer_size =
      data[0] < 192 ? 1 + std::size_t{data[0]} % 64 : std::size_t{64} << (data[0] % 6);
  const std::string_view drawing(reinterpret_cast<const char*>(data) + 1, size - 1);
  static const kelvrin::transform::PolynomialTransform polynomial(
      kelvrin::transform::transf_01_set);
  kelvrin::dxf::SequentialPoints streaming(polynomial);
  kelvrin::dxf::SequentialPoints reference(polynomial);
  kelvrin::fuzz::check_pass_against_reference(
      drawing, buffer_size, kelvrin::dxf::XCodeLine::written_at_once, streaming, reference);
  return 0;
}
