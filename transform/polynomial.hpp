#pragma once

#include "dxf/point_transform.hpp"
#include "transform/coefficient_set.hpp"

namespace kelvrin::transform {

enum class ScaleStep {
  none,          // mainland and user-defined sets: the polynomial is in metres
  by_sx_and_sy,  // island sets: the polynomial is in kilometres from the centre
};

// The second-degree polynomial as a point transformation of the DXF pass.
// The X state is the normalised easting u, 0 until the first X pair, so a Y
// pair with no X pair before it is completed as if X were Xc.
class PolynomialTransform final : public dxf::PointTransform {
 public:
  explicit PolynomialTransform(const CoefficientSet& set, ScaleStep scale = ScaleStep::none)
      : set_(set), scale_(scale) {}

  dxf::PointStatus accept_x(double x) override;
  dxf::PointResult complete_point(double y) override;

 private:
  CoefficientSet set_;
  ScaleStep scale_;
  double u_ = 0.0;
};

}  // namespace kelvrin::transform
