// The whole DXF pass with the grid interpolation (held X code lines), on a
// smooth synthetic grid with a no-data hole, against the reference.

#include <cstdint>
#include <string_view>

#include "dxf/point_transform.hpp"
#include "tests/fuzz/reference_pass.hpp"
#include "transform/grid.hpp"

namespace {

using namespace kelvrin::transform;

Grid field(double east_factor, double north_factor, bool with_hole) {
  Grid grid;
  for (int row = 1; row <= grid_geometry::rows; ++row) {
    for (int column = 1; column <= grid_geometry::columns; ++column) {
      const double x = grid_geometry::west + (column - 1) * grid_geometry::spacing;
      const double y = grid_geometry::north - (row - 1) * grid_geometry::spacing;
      const bool hole = with_hole && row == 61 && column == 33;
      grid.values()[static_cast<std::size_t>((row - 1) * grid_geometry::columns + column - 1)] =
          hole ? grid_geometry::no_data : east_factor * x + north_factor * y + 1e-7 * x * y;
    }
  }
  return grid;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Grid m_grid = field(1.0, 0.001, true);
  static const Grid p_grid = field(-0.002, 1.0, false);
  if (size == 0 || size > 65536) return 0;
  const std::size_t buffer_size = 1 + data[0] % 64;
  const std::string_view drawing(reinterpret_cast<const char*>(data) + 1, size - 1);
  const GridTransform grid(m_grid, p_grid);
  kelvrin::dxf::SequentialPoints streaming(grid);
  kelvrin::dxf::SequentialPoints reference(grid);
  kelvrin::fuzz::check_pass_against_reference(
      drawing, buffer_size, kelvrin::dxf::XCodeLine::held_for_y_pair, streaming, reference);
  return 0;
}
