#include "transform/polynomial.hpp"

#include <gtest/gtest.h>

#include <limits>

#include "dxf/point_transform.hpp"
#include "transform/island_sets.hpp"
#include "transform/mainland_sets.hpp"

namespace kelvrin::transform {
namespace {

PlanarPoint convert(const CoefficientSet& set, double x, double y) {
  const PointResult result = PolynomialTransform(set).forward({x, y});
  EXPECT_EQ(result.status, PointStatus::ok);
  return result.point;
}

// The published check values, to the last bit: they hold only when the
// polynomial is evaluated in the official order.
TEST(MainlandPolynomial, OfficialCheckValues) {
  const auto a = convert(transf_01_set, 100000.0, 200000.0);
  EXPECT_EQ(a.x, 100005.02816080576);
  EXPECT_EQ(a.y, 199999.57660867003);
  const auto b = convert(transf_01_set, 0.0, 0.0);
  EXPECT_EQ(b.x, -0.289668974294758);
  EXPECT_EQ(b.y, 0.088665491830128);
  const auto c = convert(transf_10_set, 100000.0, 200000.0);
  EXPECT_EQ(c.x, 99994.97186529057);
  EXPECT_EQ(c.y, 200000.42325784644);
  const auto d = convert(transf_10_set, 0.0, 0.0);
  EXPECT_EQ(d.x, 0.289669620741944);
  EXPECT_EQ(d.y, -0.0886590501150693);
}

TEST(MainlandPolynomial, RoundTripsWithinATenthOfAMillimetreOverTheMainland) {
  double worst = 0.0;
  for (double x = -140000.0; x <= 185000.0; x += 5000.0) {
    for (double y = -320000.0; y <= 290000.0; y += 5000.0) {
      const auto there = convert(transf_01_set, x, y);
      const auto back = convert(transf_10_set, there.x, there.y);
      const auto other_way =
          convert(transf_01_set, convert(transf_10_set, x, y).x, convert(transf_10_set, x, y).y);
      worst = std::max({worst, std::abs(back.x - x), std::abs(back.y - y),
                        std::abs(other_way.x - x), std::abs(other_way.y - y)});
    }
  }
  EXPECT_LT(worst, 0.0001);
}

// The same map seen by central differences, which the exact derivative
// replaces: a second-degree polynomial has no third derivative to tell them
// apart, so only rounding may.
class Differenced final : public PointOperation {
 public:
  explicit Differenced(const PolynomialTransform& exact) : exact_(exact) {}
  PointResult forward(PlanarPoint p) const override { return exact_.forward(p); }

 private:
  const PolynomialTransform& exact_;
};

TEST(MainlandPolynomial, DerivativeIsThePolynomials) {
  const std::pair<PolynomialTransform, PlanarPoint> maps[] = {
      {PolynomialTransform(transf_01_set), {-30000.0, -100000.0}},
      {PolynomialTransform(transf_10_set), {150000.0, 250000.0}},
      {PolynomialTransform(transf_54_set, ScaleStep::by_sx_and_sy), {640000.0, 4162500.0}}};
  for (const auto& [map, at] : maps) {
    const JacobianResult exact = map.derivative(at);
    const JacobianResult differenced = Differenced(map).derivative(at);
    ASSERT_EQ(exact.status, PointStatus::ok);
    for (const auto& [e, d] : {std::pair{exact.jacobian.dx_dx, differenced.jacobian.dx_dx},
                               std::pair{exact.jacobian.dx_dy, differenced.jacobian.dx_dy},
                               std::pair{exact.jacobian.dy_dx, differenced.jacobian.dy_dx},
                               std::pair{exact.jacobian.dy_dy, differenced.jacobian.dy_dy}}) {
      EXPECT_NEAR(e, d, 1e-9);
    }
  }
}

TEST(MainlandPolynomial, YWithoutXIsCompletedAsIfXWereTheCentre) {
  const PolynomialTransform polynomial(transf_01_set);
  dxf::SequentialPoints transform(polynomial);
  const auto result = transform.complete_point(300000.0);  // v = 1
  const auto& a = transf_01_set.a;
  EXPECT_DOUBLE_EQ(result.point.x, a[0] + a[2] + a[5]);
}

TEST(MainlandPolynomial, OverflowAndZeroScaleAreArithmeticFailures) {
  const PolynomialTransform polynomial(transf_01_set);
  dxf::SequentialPoints transform(polynomial);
  ASSERT_EQ(transform.accept_x(1e300), dxf::PointStatus::ok);
  EXPECT_EQ(transform.complete_point(0.0).status, dxf::PointStatus::arithmetic_failure);
  EXPECT_EQ(transform.accept_x(-std::numeric_limits<double>::max()), dxf::PointStatus::ok);

  CoefficientSet no_scale = transf_01_set;
  no_scale.sx = 0.0;
  const PolynomialTransform broken_polynomial(no_scale);
  dxf::SequentialPoints broken(broken_polynomial);
  EXPECT_EQ(broken.accept_x(1.0), dxf::PointStatus::arithmetic_failure);
}

}  // namespace
}  // namespace kelvrin::transform
