#include "tools/ntv2_pipeline.hpp"

#include <string>

#include "core/proj_procedures.hpp"

namespace kelvrin::tools {
namespace {

core::Procedure procedure_of(Direction direction) {
  return direction == Direction::datum73_to_lisboa ? core::Procedure::ntv2_12
                                                   : core::Procedure::ntv2_21;
}

std::optional<Ntv2Pipeline::Point> run(const transform::ProjOperation& operation, double x,
                                       double y) {
  const transform::PointResult result = operation.forward({x, y});
  if (result.status != transform::PointStatus::ok) return std::nullopt;
  return Ntv2Pipeline::Point{result.point.x, result.point.y};
}

}  // namespace

Ntv2Pipeline::Ntv2Pipeline(Direction direction, const std::string& grid_folder)
    : pipeline_(transform::ProjOperation::from_pipeline(
                    core::ntv2_pipeline(procedure_of(direction)), {grid_folder})
                    .operation),
      source_projection_(transform::ProjOperation::from_pipeline(
                             "+proj=pipeline +step +inv " +
                                 core::ntv2_source_projection(procedure_of(direction)) +
                                 " +step +proj=unitconvert +xy_in=rad +xy_out=deg",
                             {grid_folder})
                             .operation) {}

std::optional<Ntv2Pipeline::Point> Ntv2Pipeline::transform(double x, double y) const {
  return run(*pipeline_, x, y);
}

std::optional<Ntv2Pipeline::Point> Ntv2Pipeline::source_geographic(double x, double y) const {
  return run(*source_projection_, x, y);
}

}  // namespace kelvrin::tools
