#include "tools/ntv2_pipeline.hpp"

#include <string>

namespace kelvrin::tools {
namespace {

// EPSG:27493 Datum 73 / Hayford-Gauss and EPSG:5018 Datum Lisboa /
// Hayford-Gauss: one projection, the International 1924 ellipsoid, and a
// false origin for Datum 73 only.
constexpr const char* datum73_projection =
    "+proj=tmerc +lat_0=39.66666666666666 +lon_0=-8.131906111111112 +k=1 "
    "+x_0=180.598 +y_0=-86.99 +ellps=intl";
constexpr const char* lisboa_projection =
    "+proj=tmerc +lat_0=39.66666666666666 +lon_0=-8.131906111111112 +k=1 "
    "+x_0=0 +y_0=0 +ellps=intl";
constexpr const char* datum73_grid = "D73_ETRS89_geo.gsb";
constexpr const char* lisboa_grid = "DLX_ETRS89_geo.gsb";

std::string pipeline_text(Direction direction) {
  const bool forward = direction == Direction::datum73_to_lisboa;
  const std::string from_projection = forward ? datum73_projection : lisboa_projection;
  const std::string to_projection = forward ? lisboa_projection : datum73_projection;
  const std::string from_grid = forward ? datum73_grid : lisboa_grid;
  const std::string to_grid = forward ? lisboa_grid : datum73_grid;
  return "+proj=pipeline +step +inv " + from_projection +
         " +step +proj=hgridshift +grids=" + from_grid +
         " +step +inv +proj=hgridshift +grids=" + to_grid + " +step " + to_projection;
}

}  // namespace

Ntv2Pipeline::Ntv2Pipeline(Direction direction, const std::string& grid_folder)
    : pipeline_(transform::ProjOperation::from_pipeline(pipeline_text(direction), {grid_folder})
                    .operation) {
  const bool forward = direction == Direction::datum73_to_lisboa;
  source_projection_ = transform::ProjOperation::from_pipeline(
                           std::string("+proj=pipeline +step +inv ") +
                               (forward ? datum73_projection : lisboa_projection) +
                               " +step +proj=unitconvert +xy_in=rad +xy_out=deg",
                           {grid_folder})
                           .operation;
}

namespace {

std::optional<Ntv2Pipeline::Point> run(const transform::ProjOperation& operation, double x,
                                       double y) {
  const transform::PointResult result = operation.forward({x, y});
  if (result.status != transform::PointStatus::ok) return std::nullopt;
  return Ntv2Pipeline::Point{result.point.x, result.point.y};
}

}  // namespace

std::optional<Ntv2Pipeline::Point> Ntv2Pipeline::transform(double x, double y) const {
  return run(*pipeline_, x, y);
}

std::optional<Ntv2Pipeline::Point> Ntv2Pipeline::source_geographic(double x, double y) const {
  return run(*source_projection_, x, y);
}

}  // namespace kelvrin::tools
