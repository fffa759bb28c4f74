#include "tools/ntv2_pipeline.hpp"

#include <proj.h>

#include <algorithm>
#include <cmath>
#include <vector>

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
    : context_(proj_context_create()) {
  // The NTv2 folder first, then PROJ's own (its database lives there).
  std::vector<std::string> folders = {grid_folder};
  const std::string defaults = proj_info().searchpath != nullptr ? proj_info().searchpath : "";
  for (std::size_t begin = 0; begin <= defaults.size();) {
    const std::size_t end = std::min(defaults.find(':', begin), defaults.size());
    if (end > begin) folders.push_back(defaults.substr(begin, end - begin));
    begin = end + 1;
  }
  std::vector<const char*> paths;
  for (const std::string& folder : folders) paths.push_back(folder.c_str());
  proj_context_set_search_paths(context_, static_cast<int>(paths.size()), paths.data());
  proj_context_set_enable_network(context_, 0);
  pipeline_ = proj_create(context_, pipeline_text(direction).c_str());
  const bool forward = direction == Direction::datum73_to_lisboa;
  source_projection_ = proj_create(context_, (std::string("+proj=pipeline +step +inv ") +
                                              (forward ? datum73_projection : lisboa_projection) +
                                              " +step +proj=unitconvert +xy_in=rad +xy_out=deg")
                                                 .c_str());
}

Ntv2Pipeline::~Ntv2Pipeline() {
  if (pipeline_ != nullptr) proj_destroy(pipeline_);
  if (source_projection_ != nullptr) proj_destroy(source_projection_);
  proj_context_destroy(context_);
}

namespace {

std::optional<Ntv2Pipeline::Point> run(PJconsts* operation, double x, double y) {
  proj_errno_reset(operation);
  const PJ_COORD result = proj_trans(operation, PJ_FWD, proj_coord(x, y, 0, 0));
  if (proj_errno(operation) != 0 || !std::isfinite(result.xy.x) || !std::isfinite(result.xy.y)) {
    return std::nullopt;
  }
  return Ntv2Pipeline::Point{result.xy.x, result.xy.y};
}

}  // namespace

std::optional<Ntv2Pipeline::Point> Ntv2Pipeline::transform(double x, double y) const {
  return run(pipeline_, x, y);
}

std::optional<Ntv2Pipeline::Point> Ntv2Pipeline::source_geographic(double x, double y) const {
  return run(source_projection_, x, y);
}

}  // namespace kelvrin::tools
