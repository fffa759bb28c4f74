#pragma once

#include <memory>
#include <optional>
#include <string>

#include "transform/proj_operation.hpp"

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

  bool valid() const { return pipeline_ != nullptr && source_projection_ != nullptr; }

  struct Point {
    double x;
    double y;
  };
  // The point in the target system, or nullopt where a grid does not cover it.
  std::optional<Point> transform(double x, double y) const;

  // Longitude and latitude (degrees) of a point of the source system.
  std::optional<Point> source_geographic(double x, double y) const;

 private:
  std::unique_ptr<transform::ProjOperation> pipeline_;
  std::unique_ptr<transform::ProjOperation> source_projection_;
};

}  // namespace kelvrin::tools
