#include "dxf/placed_operation.hpp"

#include <algorithm>
#include <cmath>

#include "dxf/local_similarity.hpp"
#include "dxf/ocs.hpp"
#include "dxf/portable_math.hpp"

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
                                 const ComposedPlacement& placement)
    : route_(route), placement_(placement), inverse_(inverse(placement.linear)) {}

PlacedOperation::PlacedOperation(const transform::PointOperation& route,
                                 const BlockPlacement& placement, PlanarPoint base_point)
    : PlacedOperation(route, ComposedPlacement::of(placement, base_point)) {}

PlanarPoint PlacedOperation::placed(PlanarPoint p) const { return placement_.apply(p); }

PlanarPoint PlacedOperation::unplaced(PlanarPoint world) const {
  return inverse_.apply({world.x - placement_.offset.x, world.y - placement_.offset.y});
}

PointResult PlacedOperation::forward(PlanarPoint source) const {
  const PlanarPoint world = placed(source);
  const PointResult moved = route_.forward(world);
  // A point the route refuses is named where the drawing shows it.
  if (moved.status != transform::PointStatus::ok) return {moved.status, world};
  PointResult result = moved;
  result.point = unplaced(moved.point);
  return result;
}

transform::JacobianResult PlacedOperation::derivative(PlanarPoint at) const {
  const transform::JacobianResult world = route_.derivative(placed(at));
  if (world.status != transform::PointStatus::ok) return world;
  return {transform::PointStatus::ok,
          product(inverse_, product(world.jacobian, placement_.linear))};
}

double shared_block_miss(const transform::PointOperation& route, const BlockPlacement& placement,
                         const BlockExtent& extent, const ComposedPlacement& outer) {
  // The insert as the pass rewrites it, in the coordinates of the block
  // that holds it: its point through T, its rotation and scales by T's
  // similarity there.
  const PlacedOperation holder(route, outer);
  const Ocs plane(placement.extrusion);
  const PlanarPoint own = plane.to_world(placement.insertion, 0.0);
  const PointResult moved = holder.forward(own);
  const transform::JacobianResult derivative = holder.derivative(own);
  if (moved.status != transform::PointStatus::ok ||
      derivative.status != transform::PointStatus::ok) {
    return 0.0;
  }
  const LocalSimilarity local(derivative.jacobian, plane);
  const BlockPlacement rewritten{plane.from_world(moved.point, 0.0),
                                 local.scaled(placement.x_scale), local.scaled(placement.y_scale),
                                 local.turned_degrees(placement.rotation_degrees),
                                 placement.extrusion};
  const ComposedPlacement before = outer.then(ComposedPlacement::of(placement, extent.base));
  const ComposedPlacement after = outer.then(ComposedPlacement::of(rewritten, extent.base));
  double largest = 0.0;
  for (const double x : {extent.low.x, extent.high.x}) {
    for (const double y : {extent.low.y, extent.high.y}) {
      const PointResult exact = route.forward(before.apply({x, y}));
      if (exact.status != transform::PointStatus::ok) return 0.0;
      const PlanarPoint shown = after.apply({x, y});
      largest =
          std::max(largest, portable::hypot(shown.x - exact.point.x, shown.y - exact.point.y));
    }
  }
  return largest;
}

}  // namespace kelvrin::dxf
