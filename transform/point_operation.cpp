#include "transform/point_operation.hpp"

#include <cmath>

namespace kelvrin::transform {
namespace {

// One column of the derivative: the change of the target point per metre
// along one source axis.
struct Column {
  PointStatus status = PointStatus::ok;
  PlanarPoint rate;
};

Column difference(const PointOperation& operation, PlanarPoint at, PlanarPoint step,
                  const PointResult& centre) {
  const PointResult after = operation.forward({at.x + step.x, at.y + step.y});
  const PointResult before = operation.forward({at.x - step.x, at.y - step.y});
  const double h = PointOperation::derivative_step;
  if (after.status == PointStatus::ok && before.status == PointStatus::ok) {
    return {
        PointStatus::ok,
        {(after.point.x - before.point.x) / (2 * h), (after.point.y - before.point.y) / (2 * h)}};
  }
  if (after.status == PointStatus::ok) {
    return {PointStatus::ok,
            {(after.point.x - centre.point.x) / h, (after.point.y - centre.point.y) / h}};
  }
  if (before.status == PointStatus::ok) {
    return {PointStatus::ok,
            {(centre.point.x - before.point.x) / h, (centre.point.y - before.point.y) / h}};
  }
  return {after.status, {}};
}

}  // namespace

JacobianResult PointOperation::derivative(PlanarPoint at) const {
  const PointResult centre = forward(at);
  if (centre.status != PointStatus::ok) return {centre.status, {}};
  const Column along_x = difference(*this, at, {derivative_step, 0.0}, centre);
  if (along_x.status != PointStatus::ok) return {along_x.status, {}};
  const Column along_y = difference(*this, at, {0.0, derivative_step}, centre);
  if (along_y.status != PointStatus::ok) return {along_y.status, {}};
  const Jacobian j{along_x.rate.x, along_y.rate.x, along_x.rate.y, along_y.rate.y};
  if (!std::isfinite(j.dx_dx) || !std::isfinite(j.dx_dy) || !std::isfinite(j.dy_dx) ||
      !std::isfinite(j.dy_dy)) {
    return {PointStatus::arithmetic_failure, {}};
  }
  return {PointStatus::ok, j};
}

}  // namespace kelvrin::transform
