#pragma once

namespace kelvrin::transform {

struct PlanarPoint {
  double x = 0.0;  // easting (M), metres
  double y = 0.0;  // northing (P), metres
};

enum class PointStatus {
  ok,
  arithmetic_failure,  // overflow, division by zero or invalid operation
  rejected,            // the transformation does not cover the point
};

struct PointResult {
  PointStatus status = PointStatus::ok;
  PlanarPoint point;  // the target point; for a rejected one, the source point
  // Converted, but where the operation is not meant to be used (outside a
  // PROJ operation's area of use): the result may be far off.
  bool outside_area = false;
};

// The local derivative of a transformation at a point: how a small vector
// (dx, dy) of the source system is carried into the target system.
struct Jacobian {
  double dx_dx = 1.0;
  double dx_dy = 0.0;
  double dy_dx = 0.0;
  double dy_dy = 1.0;

  PlanarPoint apply(PlanarPoint v) const {
    return {dx_dx * v.x + dx_dy * v.y, dy_dx * v.x + dy_dy * v.y};
  }
};

struct JacobianResult {
  PointStatus status = PointStatus::ok;
  Jacobian jacobian;
};

// A transformation between two plane coordinate systems, as a plain function
// of a point. Both rewrite policies of the DXF pass use it: the literal one
// point by point in file order, the DXF-aware one with the derivative for
// direction vectors as well.
class PointOperation {
 public:
  virtual ~PointOperation() = default;

  // The target point of a source point.
  [[nodiscard]] virtual PointResult forward(PlanarPoint source) const = 0;

  // Whether an easting can take part in a point at all; the literal pass asks
  // as soon as it reads an X value, so an arithmetic failure shows up there.
  [[nodiscard]] virtual PointStatus check_x(double /*x*/) const { return PointStatus::ok; }

  // The easting a northing with no easting before it is completed with.
  [[nodiscard]] virtual double initial_x() const { return 0.0; }

  // The derivative at `at`. By central differences over `derivative_step`:
  // exact for the second-degree polynomials and for a bilinear cell, and
  // one-sided where a neighbour falls outside what the operation covers.
  [[nodiscard]] virtual JacobianResult derivative(PlanarPoint at) const;

  // Whether every result it calls ok is finite already: callers that refuse
  // non-finite results need not look again.
  [[nodiscard]] virtual bool finite_results() const { return false; }

  // Whether several threads may call it at once (large drawings are
  // converted in pieces).
  [[nodiscard]] virtual bool concurrent() const { return true; }

  static constexpr double derivative_step = 1.0;  // metres
};

}  // namespace kelvrin::transform
