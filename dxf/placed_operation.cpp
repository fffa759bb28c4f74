#include "dxf/placed_operation.hpp"

#include <cmath>
#include <numbers>

namespace kelvrin::dxf {
namespace {

using transform::Jacobian;

Jacobian product(const Jacobian& a, const Jacobian& b) {
  return {a.dx_dx * b.dx_dx + a.dx_dy * b.dy_dx, a.dx_dx * b.dx_dy + a.dx_dy * b.dy_dy,
          a.dy_dx * b.dx_dx + a.dy_dy * b.dy_dx, a.dy_dx * b.dx_dy + a.dy_dy * b.dy_dy};
}

Jacobian inverse(const Jacobian& a) {
  const double determinant = a.dx_dx * a.dy_dy - a.dx_dy * a.dy_dx;
  return {a.dy_dy / determinant, -a.dx_dy / determinant, -a.dy_dx / determinant,
          a.dx_dx / determinant};
}

}  // namespace

PlacedOperation::PlacedOperation(const transform::PointOperation& route,
                                 const BlockPlacement& placement, PlanarPoint base_point)
    : route_(route), base_(base_point) {
  const double angle = placement.rotation_degrees * std::numbers::pi / 180.0;
  const double c = std::cos(angle);
  const double s = std::sin(angle);
  // In the insert's plane: scale, then turn. A mirrored plane (extrusion
  // (0, 0, -1)) has its x axis along the world's -x.
  const double mirror = placement.extrusion.z < 0.0 ? -1.0 : 1.0;
  linear_ = {mirror * c * placement.x_scale, mirror * -s * placement.y_scale,
             s * placement.x_scale, c * placement.y_scale};
  inverse_ = inverse(linear_);
  insertion_ = {mirror * placement.insertion.x, placement.insertion.y};
}

PlanarPoint PlacedOperation::placed(PlanarPoint p) const {
  const PlanarPoint v = linear_.apply({p.x - base_.x, p.y - base_.y});
  return {insertion_.x + v.x, insertion_.y + v.y};
}

PlanarPoint PlacedOperation::unplaced(PlanarPoint world) const {
  const PlanarPoint v = inverse_.apply({world.x - insertion_.x, world.y - insertion_.y});
  return {base_.x + v.x, base_.y + v.y};
}

PointResult PlacedOperation::forward(PlanarPoint source) const {
  const PlanarPoint world = placed(source);
  const PointResult moved = route_.forward(world);
  // A point the route refuses is named where the drawing shows it.
  if (moved.status != transform::PointStatus::ok) return {moved.status, world};
  return {transform::PointStatus::ok, unplaced(moved.point)};
}

transform::JacobianResult PlacedOperation::derivative(PlanarPoint at) const {
  const transform::JacobianResult world = route_.derivative(placed(at));
  if (world.status != transform::PointStatus::ok) return world;
  return {transform::PointStatus::ok, product(inverse_, product(world.jacobian, linear_))};
}

}  // namespace kelvrin::dxf
