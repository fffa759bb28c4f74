#pragma once

#include <optional>
#include <string>

struct PJconsts;
struct pj_ctx;

namespace kelvrin::tools {

enum class Direction {
  datum73_to_lisboa,  // EPSG:27493 -> EPSG:5018
  lisboa_to_datum73,  // EPSG:5018 -> EPSG:27493
};

// The official way between the two Hayford-Gauss systems, run by PROJ:
// inverse projection, the NTv2 grid of the source datum to ETRS89, the
// inverse NTv2 grid of the target datum, projection again. The grids
// D73_ETRS89_geo.gsb and DLX_ETRS89_geo.gsb are read from `grid_folder`.
class Ntv2Pipeline {
 public:
  Ntv2Pipeline(Direction direction, const std::string& grid_folder);
  ~Ntv2Pipeline();
  Ntv2Pipeline(const Ntv2Pipeline&) = delete;
  Ntv2Pipeline& operator=(const Ntv2Pipeline&) = delete;

  bool valid() const { return pipeline_ != nullptr; }

  struct Point {
    double x;
    double y;
  };
  // The point in the target system, or nullopt where a grid does not cover it.
  std::optional<Point> transform(double x, double y) const;

  // Longitude and latitude (degrees) of a point of the source system.
  std::optional<Point> source_geographic(double x, double y) const;

 private:
  pj_ctx* context_ = nullptr;
  PJconsts* pipeline_ = nullptr;
  PJconsts* source_projection_ = nullptr;
};

}  // namespace kelvrin::tools
