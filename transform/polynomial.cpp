#include "transform/polynomial.hpp"

#include <array>
#include <cmath>

namespace kelvrin::transform {
namespace {

// The official evaluation order, kept step by step: the published check
// values are reproduced to the last bit only in this order.
double evaluate(const std::array<double, 6>& c, double u, double v) {
  const double t1 = (u * u) * c[3];
  const double t2 = (u * c[1] + c[0]) + v * c[2];
  const double t3 = t1 + t2;
  const double t4 = t3 + (u * c[4]) * v;
  return (v * v) * c[5] + t4;
}

// The partial derivatives of the polynomial by u and by v.
PlanarPoint gradient(const std::array<double, 6>& c, double u, double v) {
  return {c[1] + 2.0 * u * c[3] + v * c[4], c[2] + u * c[4] + 2.0 * v * c[5]};
}

}  // namespace

// A zero scale needs no test of its own: the division gives inf or NaN.
PointStatus PolynomialTransform::check_x(double x) const {
  return std::isfinite((x - set_.xc) / set_.sx) ? PointStatus::ok : PointStatus::arithmetic_failure;
}

PointResult PolynomialTransform::forward(PlanarPoint source) const {
  const double u = (source.x - set_.xc) / set_.sx;
  const double v = (source.y - set_.yc) / set_.sy;
  double x_out = evaluate(set_.a, u, v);
  if (scale_ == ScaleStep::by_sx_and_sy) x_out = x_out * set_.sx;
  x_out = x_out + set_.ox;
  double y_out = evaluate(set_.b, u, v);
  if (scale_ == ScaleStep::by_sx_and_sy) y_out = y_out * set_.sy;
  y_out = y_out + set_.oy;
  // A zero scale, an overflow or an invalid operation in any step ends as
  // inf or NaN in u, v or here: nothing after it can bring a non-finite
  // value back.
  if (!std::isfinite(u) || !std::isfinite(v) || !std::isfinite(x_out) || !std::isfinite(y_out)) {
    return {PointStatus::arithmetic_failure, {}};
  }
  return {PointStatus::ok, {x_out, y_out}};
}

JacobianResult PolynomialTransform::derivative(PlanarPoint at) const {
  const double u = (at.x - set_.xc) / set_.sx;
  const double v = (at.y - set_.yc) / set_.sy;
  // Metres of output per unit of u and v: the island sets' polynomial is in
  // the same normalised units as its input.
  const double x_unit = scale_ == ScaleStep::by_sx_and_sy ? set_.sx : 1.0;
  const double y_unit = scale_ == ScaleStep::by_sx_and_sy ? set_.sy : 1.0;
  const PlanarPoint a = gradient(set_.a, u, v);
  const PlanarPoint b = gradient(set_.b, u, v);
  const Jacobian j{x_unit * a.x / set_.sx, x_unit * a.y / set_.sy, y_unit * b.x / set_.sx,
                   y_unit * b.y / set_.sy};
  if (!std::isfinite(u) || !std::isfinite(v) || !std::isfinite(j.dx_dx) ||
      !std::isfinite(j.dx_dy) || !std::isfinite(j.dy_dx) || !std::isfinite(j.dy_dy)) {
    return {PointStatus::arithmetic_failure, {}};
  }
  return {PointStatus::ok, j};
}

}  // namespace kelvrin::transform
