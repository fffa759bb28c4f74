// Measures how far the 5 km bilinear grids of a data folder are from the
// direct NTv2 pipeline, on a regular raster of points over mainland Portugal
// (an outline a few kilometres generous, so the border areas count), and
// over the whole grid, where the NTv2 grids hold uneven values in Spain.
//
//   kelvrin-check-grids NTV2_FOLDER DATA_FOLDER [STEP_METRES]

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <utility>

#include "tools/ntv2_pipeline.hpp"
#include "transform/grid.hpp"

namespace {

using namespace kelvrin;
using namespace kelvrin::transform::grid_geometry;

// Mainland Portugal, longitude and latitude in degrees: a coarse outline
// along the coast and the border with Spain, drawn a little outside both.
constexpr double mainland_outline[][2] = {
    {-8.90, 41.90}, {-8.20, 42.17}, {-7.90, 41.90}, {-7.20, 41.93}, {-6.55, 42.00}, {-6.15, 41.60},
    {-6.85, 41.00}, {-6.80, 40.30}, {-7.00, 39.95}, {-7.50, 39.70}, {-7.00, 39.40}, {-6.95, 38.85},
    {-7.25, 38.40}, {-6.90, 38.20}, {-7.30, 37.95}, {-7.50, 37.55}, {-7.38, 37.15}, {-7.90, 36.95},
    {-8.65, 37.05}, {-9.02, 36.98}, {-8.85, 37.90}, {-9.00, 38.40}, {-9.55, 38.75}, {-9.45, 39.40},
    {-8.95, 40.20}, {-8.75, 41.20}};

bool in_mainland(double lon, double lat) {
  bool inside = false;
  const std::size_t count = std::size(mainland_outline);
  for (std::size_t i = 0, j = count - 1; i < count; j = i++) {
    const double* a = mainland_outline[i];
    const double* b = mainland_outline[j];
    if ((a[1] > lat) != (b[1] > lat) && lon < (b[0] - a[0]) * (lat - a[1]) / (b[1] - a[1]) + a[0]) {
      inside = !inside;
    }
  }
  return inside;
}

struct Largest {
  double distance = 0.0;
  double x = 0.0;
  double y = 0.0;
  long samples = 0;
  long within_centimetre = 0;
  void add(double d, double at_x, double at_y) {
    ++samples;
    if (d <= 0.01) ++within_centimetre;
    if (d > distance) {
      distance = d;
      x = at_x;
      y = at_y;
    }
  }
};

bool check(tools::Direction direction, const std::string& ntv2_folder,
           const std::string& data_folder, const char* m_name, const char* p_name, double step) {
  transform::Grid m_grid;
  transform::Grid p_grid;
  if (transform::load_grid(data_folder + "/" + m_name, m_grid).error !=
          transform::GridFileError::none ||
      transform::load_grid(data_folder + "/" + p_name, p_grid).error !=
          transform::GridFileError::none) {
    std::fprintf(stderr, "kelvrin-check-grids: cannot load %s and %s\n", m_name, p_name);
    return false;
  }
  const tools::Ntv2Pipeline pipeline(direction, ntv2_folder);
  transform::GridTransform grid(m_grid, p_grid);
  Largest mainland;
  Largest everywhere;
  for (double y = south; y <= north; y += step) {
    for (double x = west; x <= east; x += step) {
      const transform::PointResult interpolated = grid.forward({x, y});
      if (interpolated.status != transform::PointStatus::ok) continue;
      const auto direct = pipeline.transform(x, y);
      if (!direct) continue;
      const double distance =
          std::hypot(interpolated.point.x - direct->x, interpolated.point.y - direct->y);
      everywhere.add(distance, x, y);
      const auto geographic = pipeline.source_geographic(x, y);
      if (geographic && in_mainland(geographic->x, geographic->y)) mainland.add(distance, x, y);
    }
  }
  for (const auto& [name, largest] :
       {std::pair{"mainland Portugal", &mainland}, std::pair{"whole grid", &everywhere}}) {
    std::printf(
        "%s/%s, %s: %ld points every %.0f m, %.2f%% within 0.01 m, largest difference %.4f m at "
        "(%.0f, %.0f)\n",
        m_name, p_name, name, largest->samples, step,
        100.0 * static_cast<double>(largest->within_centimetre) /
            static_cast<double>(std::max(largest->samples, 1L)),
        largest->distance, largest->x, largest->y);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: kelvrin-check-grids NTV2_FOLDER DATA_FOLDER [STEP_METRES]\n");
    return 2;
  }
  const double step = argc == 4 ? std::atof(argv[3]) : 500.0;
  const bool ok = check(tools::Direction::datum73_to_lisboa, argv[1], argv[2], "et_lx_m.asc",
                        "et_lx_p.asc", step) &&
                  check(tools::Direction::lisboa_to_datum73, argv[1], argv[2], "lx_et_m.asc",
                        "lx_et_p.asc", step);
  return ok ? 0 : 1;
}
