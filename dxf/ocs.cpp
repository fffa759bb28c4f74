#include "dxf/ocs.hpp"

#include <cmath>

namespace kelvrin::dxf {
namespace {

Vector3 cross(Vector3 a, Vector3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vector3 normalised(Vector3 v) {
  const double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  return {v.x / length, v.y / length, v.z / length};
}

// Below this, the plane is taken as vertical: the 2 x 2 system that puts a
// plan position back on it has no usable solution.
constexpr double on_edge_limit = 1e-9;

}  // namespace

Ocs::Ocs(Vector3 extrusion) {
  const double length =
      std::sqrt(extrusion.x * extrusion.x + extrusion.y * extrusion.y + extrusion.z * extrusion.z);
  if (!std::isfinite(length) || length == 0.0 || (extrusion.x == 0.0 && extrusion.y == 0.0)) {
    kind_ = extrusion.z < 0.0 ? Kind::mirrored : Kind::world;
    return;
  }
  az_ = normalised(extrusion);
  // The arbitrary-axis algorithm: a normal close to the world z axis takes
  // its x axis from world y, any other from world z.
  constexpr double arbitrary_axis_bound = 1.0 / 64.0;
  const Vector3 reference =
      std::abs(az_.x) < arbitrary_axis_bound && std::abs(az_.y) < arbitrary_axis_bound
          ? Vector3{0, 1, 0}
          : Vector3{0, 0, 1};
  ax_ = normalised(cross(reference, az_));
  ay_ = normalised(cross(az_, ax_));
  kind_ = std::abs(az_.z) < on_edge_limit ? Kind::on_edge : Kind::tilted;
}

transform::PlanarPoint Ocs::tilted_to_world(transform::PlanarPoint ocs, double z) const noexcept {
  return {ocs.x * ax_.x + ocs.y * ay_.x + z * az_.x, ocs.x * ax_.y + ocs.y * ay_.y + z * az_.y};
}

transform::PlanarPoint Ocs::tilted_from_world(transform::PlanarPoint world,
                                              double z) const noexcept {
  // Solve x * ax + y * ay = world - z * az in plan; the determinant of an
  // orthonormal frame's plan part is az.z.
  const double bx = world.x - z * az_.x;
  const double by = world.y - z * az_.y;
  const double determinant = ax_.x * ay_.y - ay_.x * ax_.y;
  return {(bx * ay_.y - ay_.x * by) / determinant, (ax_.x * by - bx * ax_.y) / determinant};
}

}  // namespace kelvrin::dxf
