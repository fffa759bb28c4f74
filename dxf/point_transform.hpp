#pragma once

#include "transform/point_operation.hpp"

namespace kelvrin::dxf {

using transform::PlanarPoint;
using transform::PointResult;
using transform::PointStatus;

// A point operation as the literal pass calls it: the easting of every X pair
// and the northing of every Y pair of the entities zone, in file order. A
// fresh object starts in its initial X state, so each pass uses a new one.
class PointTransform {
 public:
  virtual ~PointTransform() = default;

  // Takes the easting of an X pair as the X state, replacing an earlier one.
  [[nodiscard]] virtual PointStatus accept_x(double x) = 0;

  // Completes a point from the northing of a Y pair and the current X state.
  [[nodiscard]] virtual PointResult complete_point(double y) = 0;

  // The current X state: the easting of the source point complete_point()
  // makes, for a pass to report it.
  [[nodiscard]] virtual double current_x() const = 0;
};

// The X state over a plain point operation: the most recent easting that the
// operation accepted, or its initial easting before any.
class SequentialPoints final : public PointTransform {
 public:
  explicit SequentialPoints(const transform::PointOperation& operation)
      : operation_(operation), x_(operation.initial_x()) {}

  PointStatus accept_x(double x) override {
    const PointStatus status = operation_.check_x(x);
    if (status == PointStatus::ok) x_ = x;
    return status;
  }
  PointResult complete_point(double y) override { return operation_.forward({x_, y}); }
  double current_x() const override { return x_; }

 private:
  const transform::PointOperation& operation_;
  double x_;
};

}  // namespace kelvrin::dxf
