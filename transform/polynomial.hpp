#pragma once

#include "transform/coefficient_set.hpp"
#include "transform/point_operation.hpp"

namespace kelvrin::transform {

enum class ScaleStep {
  none,          // mainland and user-defined sets: the polynomial is in metres
  by_sx_and_sy,  // island sets: the polynomial is in kilometres from the centre
};

// The second-degree polynomial of a coefficient set. A northing with no
// easting before it is completed as if X were Xc (normalised easting 0).
class PolynomialTransform final : public PointOperation {
 public:
  explicit PolynomialTransform(const CoefficientSet& set, ScaleStep scale = ScaleStep::none)
      : set_(set), scale_(scale) {}

  PointResult forward(PlanarPoint source) const override;
  PointStatus check_x(double x) const override;
  // Exact: the polynomial's own partial derivatives.
  JacobianResult derivative(PlanarPoint at) const override;
  double initial_x() const override { return set_.xc; }
  bool finite_results() const override { return true; }

 private:
  CoefficientSet set_;
  ScaleStep scale_;
};

}  // namespace kelvrin::transform
