// The pieces of geometry the DXF-aware pass carries entities with, on their
// own: the similarity at an entity's point, a block's content as its one
// insert places it, and arcs fitted through T. Expected values come from
// ezdxf (its OCSTransform and Insert.matrix44()) or from the property each
// piece exists for.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

#include "dxf/arc_fit.hpp"
#include "dxf/local_similarity.hpp"
#include "dxf/ocs.hpp"
#include "dxf/placed_operation.hpp"
#include "transform/point_operation.hpp"

namespace kelvrin::dxf {
namespace {

using transform::Jacobian;
using transform::PlanarPoint;
using transform::PointResult;
using transform::PointStatus;

constexpr double radians_per_degree = std::numbers::pi / 180.0;

// T(p) = shift + scale R(turn) p.
class Similarity final : public transform::PointOperation {
 public:
  Similarity(double turn_degrees, double scale, PlanarPoint shift)
      : c_(scale * std::cos(turn_degrees * radians_per_degree)),
        s_(scale * std::sin(turn_degrees * radians_per_degree)),
        shift_(shift) {}
  PointResult forward(PlanarPoint p) const override {
    return {PointStatus::ok, {shift_.x + c_ * p.x - s_ * p.y, shift_.y + s_ * p.x + c_ * p.y}};
  }
  Jacobian jacobian() const { return {c_, -s_, s_, c_}; }

 private:
  double c_;
  double s_;
  PlanarPoint shift_;
};

// T(z) = z + k z^2 in complex terms: conformal everywhere, and it bends
// circles, more the larger they are; rejects what lies east of `east`.
class Bend final : public transform::PointOperation {
 public:
  explicit Bend(double k, double east = HUGE_VAL) : k_(k), east_(east) {}
  PointResult forward(PlanarPoint p) const override {
    if (p.x > east_) return {PointStatus::rejected, p};
    return {PointStatus::ok, {p.x + k_ * (p.x * p.x - p.y * p.y), p.y + k_ * 2.0 * p.x * p.y}};
  }

 private:
  double k_;
  double east_;
};

// T(z) = z + k (z - z0)^3: conformal, and bending an arc around z0 more
// than any circle follows (z + k z^2 sends circles to near circles).
class Twist final : public transform::PointOperation {
 public:
  Twist(double k, PlanarPoint z0) : k_(k), z0_(z0) {}
  PointResult forward(PlanarPoint p) const override {
    const double x = p.x - z0_.x, y = p.y - z0_.y;
    return {PointStatus::ok,
            {p.x + k_ * (x * x * x - 3.0 * x * y * y), p.y + k_ * (3.0 * x * x * y - y * y * y)}};
  }

 private:
  double k_;
  PlanarPoint z0_;
};

PlanarPoint on_circle(PlanarPoint centre, double radius, double degrees) {
  const double a = degrees * radians_per_degree;
  return {centre.x + radius * std::cos(a), centre.y + radius * std::sin(a)};
}

// ---- LocalSimilarity ----

TEST(LocalSimilarity, TurnsAndScalesAsEzdxfDoes) {
  const Similarity t(30.0, 2.0, {});
  struct Row {
    const char* name;
    Vector3 extrusion;
    double angle_40;           // OCSTransform.transform_deg_angle(40)
    PlanarPoint carried_1_m2;  // the direction (1.5, -2)
  };
  const Row rows[] = {
      {"world plane", {0, 0, 1}, 70.0, {4.598076211353316, -1.964101615137755}},
      {"mirrored plane", {0, 0, -1}, 10.0, {0.5980762113533162, -4.964101615137754}},
  };
  for (const Row& row : rows) {
    const LocalSimilarity local(t.jacobian(), Ocs(row.extrusion));
    EXPECT_NEAR(local.turned_degrees(40.0), row.angle_40, 1e-12) << row.name;
    EXPECT_NEAR(local.turned_radians(40.0 * radians_per_degree), row.angle_40 * radians_per_degree,
                1e-14)
        << row.name;
    EXPECT_NEAR(local.scaled(3.0), 6.0, 1e-14) << row.name;
    const PlanarPoint carried = local.carried({1.5, -2.0});
    EXPECT_NEAR(carried.x, row.carried_1_m2.x, 1e-12) << row.name;
    EXPECT_NEAR(carried.y, row.carried_1_m2.y, 1e-12) << row.name;
  }
}

// The derivative of a shift leaves every angle exactly as it was, so that a
// shifted drawing keeps its angles' text.
TEST(LocalSimilarity, AnglesNotTurnedStayExact) {
  for (const Ocs& plane : {Ocs({0, 0, 1}), Ocs({0, 0, -1})}) {
    const LocalSimilarity local(Jacobian{}, plane);
    for (const double degrees : {0.0, 123.456, -0.1, 359.99999, 1e-300, 720.5}) {
      EXPECT_EQ(local.turned_degrees(degrees), degrees);
      EXPECT_EQ(local.turned_radians(degrees), degrees);
    }
  }
}

// On a tilted plane the angles turn by the projection, but lengths follow
// the plan's scale, which the projection does not change.
TEST(LocalSimilarity, TiltedPlaneLengthsFollowThePlan) {
  const Similarity t(30.0, 2.0, {});
  const LocalSimilarity local(t.jacobian(), Ocs({0.6, 0.0, 0.8}));
  EXPECT_NEAR(local.scaled(1.0), 2.0, 1e-15);
  EXPECT_NE(local.turned_degrees(0.0), 30.0);
}

// ---- PlacedOperation ----

constexpr BlockPlacement placement{{100.0, 200.0}, 2.0, 3.0, 30.0, {0, 0, 1}};
constexpr PlanarPoint base{5.0, 7.0};

TEST(PlacedOperation, PlacesAsTheInsertDoes) {
  struct Row {
    const char* name;
    Vector3 extrusion;
    PlanarPoint placed;  // Insert.matrix44() of (10, -4)
  };
  const Row rows[] = {
      {"world plane", {0, 0, 1}, {125.160254037844, 176.421161675114}},
      {"mirrored plane", {0, 0, -1}, {-125.160254037844, 176.421161675114}},
  };
  const Similarity t(0.0, 1.0, {});
  for (const Row& row : rows) {
    BlockPlacement mirrored = placement;
    mirrored.extrusion = row.extrusion;
    const PlacedOperation placed(t, mirrored, base);
    const PlanarPoint world = placed.placed({10.0, -4.0});
    EXPECT_NEAR(world.x, row.placed.x, 1e-9) << row.name;
    EXPECT_NEAR(world.y, row.placed.y, 1e-9) << row.name;
    const PlanarPoint back = placed.unplaced(world);
    EXPECT_NEAR(back.x, 10.0, 1e-12) << row.name;
    EXPECT_NEAR(back.y, -4.0, 1e-12) << row.name;
  }
}

// The content lands where T puts it, through the insert that keeps its
// placement; a point T refuses is named where the drawing shows it.
TEST(PlacedOperation, ContentLandsOnT) {
  const Bend t(1e-4, 150.0);
  const PlacedOperation placed(t, placement, base);
  for (const PlanarPoint p : {PlanarPoint{10.0, -4.0}, PlanarPoint{-3.0, 12.5}, base}) {
    const PointResult moved = placed.forward(p);
    ASSERT_EQ(moved.status, PointStatus::ok);
    const PlanarPoint shown = placed.placed(moved.point);
    const PlanarPoint expected = t.forward(placed.placed(p)).point;
    EXPECT_NEAR(shown.x, expected.x, 1e-9);
    EXPECT_NEAR(shown.y, expected.y, 1e-9);
  }
  const PlanarPoint far{40.0, 0.0};  // placed east of 150
  const PointResult refused = placed.forward(far);
  EXPECT_EQ(refused.status, PointStatus::rejected);
  EXPECT_NEAR(refused.point.x, placed.placed(far).x, 1e-12);
  EXPECT_NEAR(refused.point.y, placed.placed(far).y, 1e-12);
}

TEST(PlacedOperation, DerivativeIsThatOfItsPoints) {
  const Bend t(1e-4);
  const PlacedOperation placed(t, placement, base);
  const PlanarPoint at{10.0, -4.0};
  const auto derivative = placed.derivative(at);
  ASSERT_EQ(derivative.status, PointStatus::ok);
  // Central differences of forward(): exact for a map of second degree.
  const double h = 0.5;
  const auto difference = [&](PlanarPoint step) {
    const PlanarPoint ahead = placed.forward({at.x + step.x, at.y + step.y}).point;
    const PlanarPoint behind = placed.forward({at.x - step.x, at.y - step.y}).point;
    return PlanarPoint{(ahead.x - behind.x) / (2 * h), (ahead.y - behind.y) / (2 * h)};
  };
  const PlanarPoint along_x = difference({h, 0.0});
  const PlanarPoint along_y = difference({0.0, h});
  EXPECT_NEAR(derivative.jacobian.dx_dx, along_x.x, 1e-9);
  EXPECT_NEAR(derivative.jacobian.dy_dx, along_x.y, 1e-9);
  EXPECT_NEAR(derivative.jacobian.dx_dy, along_y.x, 1e-9);
  EXPECT_NEAR(derivative.jacobian.dy_dy, along_y.y, 1e-9);
}

// A block inserted in a block: the two placements composed put a point
// where the product of ezdxf's matrix44() of the two inserts puts it,
// mirrored inner plane included; the content still lands on T through both.
TEST(PlacedOperation, ChainOfInsertsComposes) {
  const BlockPlacement inner{{10.0, -4.0}, 0.5, -0.5, -20.0, {0, 0, -1}};
  const ComposedPlacement chain =
      ComposedPlacement::of(placement, base).then(ComposedPlacement::of(inner, {1.0, 2.0}));
  const PlanarPoint world = chain.apply({3.0, 4.0});
  EXPECT_NEAR(world.x, 91.4066079353875, 1e-9);
  EXPECT_NEAR(world.y, 152.4935017554271, 1e-9);

  const Bend t(1e-4, 150.0);
  const PlacedOperation placed(t, chain);
  const PointResult moved = placed.forward({3.0, 4.0});
  ASSERT_EQ(moved.status, PointStatus::ok);
  const PlanarPoint expected = t.forward(world).point;
  EXPECT_NEAR(chain.apply(moved.point).x, expected.x, 1e-9);
  EXPECT_NEAR(chain.apply(moved.point).y, expected.y, 1e-9);
}

TEST(PlacedOperation, SharedBlockMissesOnlyWhereTBends) {
  BlockExtent extent;
  extent.base = base;
  extent.add({0.0, 0.0});
  extent.add({20.0, 10.0});
  EXPECT_NEAR(shared_block_miss(Similarity(30.0, 1.5, {1000.0, 2000.0}), placement, extent), 0.0,
              1e-9);
  const double bent = shared_block_miss(Bend(1e-4), placement, extent);
  EXPECT_GT(bent, 1e-3);
  EXPECT_LT(bent, 1.0);
  // Not covered: nothing to tell.
  EXPECT_EQ(shared_block_miss(Bend(1e-4, 110.0), placement, extent), 0.0);
}

// Stretched along x alone: a linear map, yet no similarity, and the insert
// follows only T's similarity: 1 km of content misses by metres' worth of
// the stretch, which the miss must show, as it must the content of a block
// placed through a block shown once.
class Stretch final : public transform::PointOperation {
 public:
  PointResult forward(PlanarPoint p) const override {
    return {PointStatus::ok, {p.x * (1.0 + 2e-5), p.y}};
  }
};

TEST(PlacedOperation, SharedBlockMissesWhereTIsNoSimilarity) {
  BlockExtent extent;
  extent.add({0.0, 0.0});
  extent.add({1000.0, 0.0});
  const BlockPlacement at_origin{{0.0, 0.0}, 1.0, 1.0, 0.0, {0, 0, 1}};
  // The similarity scales by sqrt(1 + 2e-5): 1 km ends 1e-5 km short.
  EXPECT_NEAR(shared_block_miss(Stretch{}, at_origin, extent), 0.01, 1e-4);
  // Turned a quarter inside its holder, the same content runs along y.
  const ComposedPlacement holder = ComposedPlacement::of({{0.0, 0.0}, 1.0, 1.0, 90.0, {}}, {});
  EXPECT_NEAR(shared_block_miss(Stretch{}, at_origin, extent, holder), 0.01, 1e-4);
}

// ---- fit_arc ----

// Where T puts a point of the arc's plane.
PlanarPoint through(const transform::PointOperation& t, const PlaneArc& arc, PlanarPoint p) {
  return arc.plane.from_world(t.forward(arc.plane.to_world(p, arc.z)).point, arc.z);
}

LocalSimilarity similarity_at(const transform::PointOperation& t, const PlaneArc& arc) {
  return LocalSimilarity(t.derivative(arc.plane.to_world(arc.centre, arc.z)).jacobian, arc.plane);
}

// The counter-clockwise start and end an arc's stored angles mean.
std::pair<double, double> real_ends(bool clockwise, double start, double end) {
  return clockwise ? std::pair{360.0 - end, 360.0 - start} : std::pair{start, end};
}

TEST(DxfArcFit, EndsLandWhereTPutsThem) {
  struct Row {
    const char* name;
    PlaneArc arc;
  };
  const Row rows[] = {
      {"counter-clockwise", {{300.0, 200.0}, 150.0, 20.0, 110.0, false, Ocs(), 0.0, 0.0}},
      {"across east", {{300.0, 200.0}, 150.0, 300.0, 60.0, false, Ocs(), 0.0, 0.0}},
      {"clockwise hatch edge", {{300.0, 200.0}, 150.0, 20.0, 110.0, true, Ocs(), 0.0, 0.0}},
      {"mirrored plane", {{-300.0, 200.0}, 150.0, 20.0, 200.0, false, Ocs({0, 0, -1}), 0.0, 0.0}},
  };
  const Bend t(1e-5);
  for (const Row& row : rows) {
    const PlaneArc& arc = row.arc;
    const auto fitted = fit_arc(arc, t, similarity_at(t, arc));
    ASSERT_TRUE(fitted) << row.name;
    EXPECT_NEAR(fitted->radius / arc.radius, 1.0, 0.01) << row.name;
    const auto [start, end] = real_ends(arc.clockwise, arc.start, arc.end);
    const auto [new_start, new_end] = real_ends(arc.clockwise, fitted->start, fitted->end);
    const double middle = start + 0.5 * std::fmod(end - start + 360.0, 360.0);
    for (const auto& [was, now] : {std::pair{start, new_start}, std::pair{end, new_end}}) {
      const PlanarPoint expected = through(t, arc, on_circle(arc.centre, arc.radius, was));
      const PlanarPoint got = on_circle(fitted->centre, fitted->radius, now);
      EXPECT_NEAR(got.x, expected.x, 1e-9) << row.name << " at " << was;
      EXPECT_NEAR(got.y, expected.y, 1e-9) << row.name << " at " << was;
    }
    const PlanarPoint mid = through(t, arc, on_circle(arc.centre, arc.radius, middle));
    EXPECT_NEAR(std::hypot(mid.x - fitted->centre.x, mid.y - fitted->centre.y), fitted->radius,
                1e-9)
        << row.name;
    // And where the similarity would have put them, they would have missed.
    EXPECT_GT(std::abs(fitted->radius - similarity_at(t, arc).scaled(arc.radius)), 1e-6)
        << row.name;
  }
}

TEST(DxfArcFit, LeavesArcsToTheSimilarity) {
  const Bend bend(1e-5);
  const Bend bend_refusing(1e-5, 400.0);
  const Similarity shift(0.0, 1.0, {1000.0, 2000.0});
  const Similarity turn(30.0, 2.0, {1000.0, 2000.0});
  struct Row {
    const char* name;
    PlaneArc arc;
    const transform::PointOperation* t;
  };
  const PlaneArc usual{{300.0, 200.0}, 150.0, 20.0, 110.0, false, Ocs(), 0.0, 0.0};
  PlaneArc flat = usual;
  flat.radius = 100.0;
  flat.end = flat.start + 0.5;  // its middle 0.95 mm off its chord
  PlaneArc closed = usual;
  closed.end = closed.start + 359.5;
  PlaneArc tilted = usual;
  tilted.plane = Ocs({0.6, 0.0, 0.8});
  PlaneArc no_radius = usual;
  no_radius.radius = 0.0;
  PlaneArc beyond = usual;
  beyond.start = 330.0;  // its start lies east of 400
  beyond.end = 90.0;
  const Row rows[] = {
      {"a shift", usual, &shift},
      {"a similarity", usual, &turn},
      {"too flat", flat, &bend},
      {"nearly closed", closed, &bend},
      {"tilted plane", tilted, &bend},
      {"no radius", no_radius, &bend},
      {"not covered", beyond, &bend_refusing},
  };
  for (const Row& row : rows) {
    EXPECT_FALSE(fit_arc(row.arc, *row.t, similarity_at(*row.t, row.arc))) << row.name;
  }
}

// The farthest T of the source arc's points lies from a circle, sought
// densely: what the miss told must come near.
double farthest_from(const transform::PointOperation& t, PlanarPoint centre, double radius,
                     double start_degrees, double sweep_degrees, PlanarPoint circle_centre,
                     double circle_radius) {
  double farthest = 0.0;
  for (int k = 0; k <= 1000; ++k) {
    const PlanarPoint p =
        t.forward(on_circle(centre, radius, start_degrees + sweep_degrees * k / 1000.0)).point;
    farthest = std::max(
        farthest,
        std::abs(std::hypot(p.x - circle_centre.x, p.y - circle_centre.y) - circle_radius));
  }
  return farthest;
}

TEST(DxfArcFit, TellsHowFarTheCircleMissesT) {
  const PlaneArc arc{{300.0, 200.0}, 150.0, 20.0, 110.0, false, Ocs(), 0.0, 0.0};
  const Twist bent(1e-8, {300.0, 200.0});
  const auto fitted = fit_arc(arc, bent, similarity_at(bent, arc));
  ASSERT_TRUE(fitted);
  const double farthest =
      farthest_from(bent, arc.centre, arc.radius, 20.0, 90.0, fitted->centre, fitted->radius);
  EXPECT_GT(farthest, 0.002);
  EXPECT_LE(fitted->miss, farthest * (1.0 + 1e-9));
  EXPECT_GT(fitted->miss, farthest * 0.9);
  // In a block placed at twice its size, twice as far in the world.
  const auto placed = fit_arc(arc, bent, similarity_at(bent, arc), {2.0, 0.0, 0.0, 2.0});
  ASSERT_TRUE(placed);
  EXPECT_NEAR(placed->miss, 2.0 * fitted->miss, 1e-12);
  // A circle follows a gentler bend to far better than a millimetre.
  const Twist gentle(1e-12, {300.0, 200.0});
  const auto followed = fit_arc(arc, gentle, similarity_at(gentle, arc));
  ASSERT_TRUE(followed);
  EXPECT_LT(followed->miss, 1e-4);
}

// A polyline's segment holding the arc `arc` draws, run either way.
PlaneBulge as_bulge(const PlaneArc& arc, bool backwards) {
  const double sweep = arc.end - arc.start;
  const PlanarPoint a = on_circle(arc.centre, arc.radius, arc.start);
  const PlanarPoint b = on_circle(arc.centre, arc.radius, arc.end);
  const double bulge = std::tan(sweep * radians_per_degree / 4.0);
  if (backwards) return {b, a, -bulge, arc.plane, 0.0, 0.0};
  return {a, b, bulge, arc.plane, 0.0, 0.0};
}

TEST(DxfArcFit, BulgesBendAsArcsDo) {
  const Twist t(1e-8, {250.0, 200.0});
  for (const double sweep : {90.0, 200.0}) {
    const PlaneArc arc{{300.0, 200.0}, 150.0, 20.0, 20.0 + sweep, false, Ocs(), 0.0, 0.0};
    const auto fitted_arc = fit_arc(arc, t, similarity_at(t, arc));
    ASSERT_TRUE(fitted_arc);
    for (const bool backwards : {false, true}) {
      const PlaneBulge segment = as_bulge(arc, backwards);
      const auto fitted = fit_bulge(segment, t);
      ASSERT_TRUE(fitted) << sweep;
      // Over T of the ends, the new bulge draws the arc's fitted circle: its
      // half angle's tangent is the chord's half over the radius.
      const PlanarPoint a = t.forward(segment.from).point, b = t.forward(segment.to).point;
      const double half_chord = 0.5 * std::hypot(b.x - a.x, b.y - a.y);
      const double half_angle = 2.0 * std::atan(std::abs(fitted->bulge));
      EXPECT_NEAR(half_chord / std::sin(half_angle), fitted_arc->radius, 1e-6) << sweep;
      EXPECT_EQ(fitted->bulge > 0.0, segment.bulge > 0.0);
      // Missing T by as much.
      EXPECT_NEAR(fitted->miss, fitted_arc->miss, 1e-9) << sweep;
    }
  }
  const PlaneArc usual{{300.0, 200.0}, 150.0, 20.0, 110.0, false, Ocs(), 0.0, 0.0};
  PlaneBulge straight = as_bulge(usual, false);
  straight.bulge = 0.0;
  PlaneBulge flat = straight;
  flat.bulge = 5e-6;  // its middle 0.53 mm off its chord of 212 m
  PlaneBulge tilted = as_bulge(usual, false);
  tilted.plane = Ocs({0.6, 0.0, 0.8});
  EXPECT_FALSE(fit_bulge(as_bulge(usual, false), Similarity(30.0, 2.0, {1000.0, 2000.0})));
  EXPECT_FALSE(fit_bulge(straight, t));
  EXPECT_FALSE(fit_bulge(flat, t));
  EXPECT_FALSE(fit_bulge(tilted, t));
  EXPECT_FALSE(fit_bulge(as_bulge(usual, false), Bend(1e-5, 400.0)));
}

}  // namespace
}  // namespace kelvrin::dxf
