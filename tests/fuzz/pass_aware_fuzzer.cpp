// The DXF-aware pass on any bytes, under a map that turns and scales the
// plane (or stretches it unevenly): it must never crash, write the same
// drawing whatever its read buffer, keep every line that is not a number,
// write only finite numbers in place of numbers, and add nothing but the
// angle, scale and direction tags an entity lacked.

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "dxf/numbers.hpp"
#include "dxf/rewrite_dxf.hpp"
#include "tests/fuzz/fuzz_support.hpp"

namespace {

using namespace kelvrin;

// A similarity (0.7 turn, scale 1.0002) or an uneven stretch, with the
// far west refused as a grid refuses what it does not cover.
class Affine final : public transform::PointOperation {
 public:
  explicit Affine(bool conformal) : conformal_(conformal) {}
  transform::PointResult forward(transform::PlanarPoint p) const override {
    if (p.x < -1e7) return {transform::PointStatus::rejected, p};
    if (conformal_) {
      const double c = 1.0002 * std::cos(0.7), s = 1.0002 * std::sin(0.7);
      return {transform::PointStatus::ok, {c * p.x - s * p.y + 150.0, s * p.x + c * p.y - 90.0}};
    }
    return {transform::PointStatus::ok, {2.0 * p.x + 1000.0, 0.5 * p.y - 3.0}};
  }

 private:
  bool conformal_;
};

bool is_number(std::string_view line) {
  const auto value = dxf::strict_number(line);
  return value && std::isfinite(*value);
}

bool is_added_code(std::string_view line) {
  return line == "41" || line == "42" || line == "50" || line == "11" || line == "21" ||
         line == "31";
}

// Walks the input and the output together, tag by tag: a tag is copied,
// or its number became another finite number, or the output has an added
// tag of its own.
void check_kept(std::string_view input, std::string_view output) {
  const auto in = fuzz::split_lines(input);
  const auto out = fuzz::split_lines(output);
  std::size_t j = 0;
  for (std::size_t i = 0; i + 1 < in.size();) {
    fuzz::require(j + 1 < out.size(), "every input tag reaches the output");
    if (out[j] == in[i]) {
      fuzz::require(out[j + 1] == in[i + 1] || (is_number(in[i + 1]) && is_number(out[j + 1])),
                    "only numbers change, into finite numbers");
      i += 2;
    } else {
      fuzz::require(is_added_code(out[j]) && is_number(out[j + 1]),
                    "only angle, scale and direction tags are added");
    }
    j += 2;
  }
  // The last entity may end in a tag it lacked.
  while (j + 1 < out.size() && is_added_code(out[j]) && is_number(out[j + 1])) j += 2;
  fuzz::require(j == out.size(), "nothing follows the converted drawing");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2 || size > 65536) return 0;
  const Affine operation((data[0] & 1) != 0);
  const std::size_t buffer_size = 64 + (data[1] % 32) * 64;
  const std::string_view drawing(reinterpret_cast<const char*>(data) + 2, size - 2);

  static const fuzz::ScratchFile input(".in.dxf");
  static const fuzz::ScratchFile first(".a.dxf");
  static const fuzz::ScratchFile second(".b.dxf");
  input.write(drawing);
  dxf::PassOptions options;
  options.helper_threads = 0;
  options.buffer_size = buffer_size;
  const dxf::PassResult result = dxf::rewrite_aware(input.path(), first.path(), operation, options);
  options.buffer_size = std::size_t{1} << 20;
  const dxf::PassResult again = dxf::rewrite_aware(input.path(), second.path(), operation, options);
  fuzz::require(result.failure == again.failure && result.line == again.line,
                "the same failure whatever the read buffer");
  if (!result.completed()) return 0;
  const std::string written = fuzz::read_whole(first.path());
  fuzz::require(written == fuzz::read_whole(second.path()),
                "the same drawing whatever the read buffer");
  check_kept(drawing, written);
  return 0;
}
