#include "dxf/local_similarity.hpp"

#include <cmath>
#include <numbers>

#include "dxf/portable_math.hpp"

namespace kelvrin::dxf {

LocalSimilarity::LocalSimilarity(const transform::Jacobian& world, const Ocs& ocs) {
  // The plane's axes taken to the map, carried and taken back: a mirrored
  // plane turns the other way, a tilted one by its projection.
  const auto column = [&](transform::PlanarPoint axis) {
    return ocs.from_world(world.apply(ocs.to_world(axis, 0.0)), 0.0);
  };
  const transform::PlanarPoint along_x = column({1.0, 0.0});
  const transform::PlanarPoint along_y = column({0.0, 1.0});
  plane_ = {along_x.x, along_y.x, along_x.y, along_y.y};
  // Lengths in the plan: the scale of the world derivative, which no
  // projection of a tilted plane distorts.
  scale_ = std::sqrt(std::abs(world.dx_dx * world.dy_dy - world.dx_dy * world.dy_dx));
}

// The turn from the direction at `radians` to the one it is carried to:
// exactly zero when the derivative leaves the direction alone, so that an
// unchanged angle is written as it was.
double LocalSimilarity::turn(double radians) const noexcept {
  const transform::PlanarPoint direction{portable::cos(radians), portable::sin(radians)};
  const transform::PlanarPoint carried_to = plane_.apply(direction);
  const double cross = direction.x * carried_to.y - direction.y * carried_to.x;
  const double dot = direction.x * carried_to.x + direction.y * carried_to.y;
  return cross == 0.0 && dot > 0.0 ? 0.0 : portable::atan2(cross, dot);
}

double LocalSimilarity::turned_radians(double radians) const noexcept {
  return radians + turn(radians);
}

double LocalSimilarity::turned_degrees(double degrees) const noexcept {
  constexpr double radians_per_degree = std::numbers::pi / 180.0;
  return degrees + turn(degrees * radians_per_degree) / radians_per_degree;
}

}  // namespace kelvrin::dxf
