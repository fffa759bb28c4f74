#pragma once

#include "dxf/ocs.hpp"
#include "transform/point_operation.hpp"

namespace kelvrin::dxf {

// How the transformation carries the angles and sizes of an entity near its
// own point, in the entity's own plane. The routes' maps are conformal: their
// derivative is a rotation times a scale to better than 1e-6, so an angle
// turns by the local rotation and a length follows the local scale, as the
// points around it do.
class LocalSimilarity {
 public:
  LocalSimilarity(const transform::Jacobian& world, const Ocs& ocs);

  // A length of the map: a radius, a height, a scale factor.
  double scaled(double length) const noexcept { return length * scale_; }

  // An angle of the plane, counter-clockwise from its x axis, as the
  // direction it names is carried. A turn of zero leaves it as it was.
  double turned_degrees(double degrees) const noexcept;
  double turned_radians(double radians) const noexcept;

  // A direction in the plane.
  transform::PlanarPoint carried(transform::PlanarPoint v) const noexcept {
    return plane_.apply(v);
  }

 private:
  double turn(double radians) const noexcept;

  transform::Jacobian plane_;  // the derivative within the entity's plane
  double scale_ = 1.0;
};

}  // namespace kelvrin::dxf
