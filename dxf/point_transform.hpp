#pragma once

namespace kelvrin::dxf {

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
};

// The arithmetic a transformation plugs into the DXF pass. The pass hands it
// the easting of every X pair and the northing of every Y pair of the
// entities zone, in file order. A fresh object starts in its initial X state,
// so each pass uses a new one.
class PointTransform {
 public:
  virtual ~PointTransform() = default;

  // Takes the easting of an X pair as the X state, replacing an earlier one.
  [[nodiscard]] virtual PointStatus accept_x(double x) = 0;

  // Completes a point from the northing of a Y pair and the current X state.
  [[nodiscard]] virtual PointResult complete_point(double y) = 0;
};

}  // namespace kelvrin::dxf
