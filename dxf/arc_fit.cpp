// Arcs that T bends: fitted through T of their start, middle and end.

#include "dxf/arc_fit.hpp"

#include <cmath>
#include <numbers>

#include "dxf/portable_math.hpp"

namespace kelvrin::dxf {
namespace {

using transform::PlanarPoint;
using transform::PointResult;
using transform::PointStatus;

constexpr double radians_per_degree = std::numbers::pi / 180.0;

// The angle nearest `near` that names the same direction as `degrees`.
double nearest_turn(double degrees, double near) {
  return near + std::remainder(degrees - near, 360.0);
}

// The centre of the circle through a, b and c; none when they lie on a line.
std::optional<PlanarPoint> circle_centre(PlanarPoint a, PlanarPoint b, PlanarPoint c) {
  // Counted from a: the differences keep their digits where the coordinates
  // are large.
  const double bx = b.x - a.x, by = b.y - a.y, cx = c.x - a.x, cy = c.y - a.y;
  const double d = 2.0 * (bx * cy - by * cx);
  if (d == 0.0 || !std::isfinite(d)) return std::nullopt;
  const double b2 = bx * bx + by * by, c2 = cx * cx + cy * cy;
  return PlanarPoint{a.x + (cy * b2 - by * c2) / d, a.y + (bx * c2 - cx * b2) / d};
}

// A point of the arc's plane through T, back in the plane.
std::optional<PlanarPoint> moved_in_plane(const PlaneArc& arc, PlanarPoint at,
                                          const transform::PointOperation& operation) {
  const PointResult result = operation.forward(arc.plane.to_world(at, arc.z));
  if (result.status != PointStatus::ok) return std::nullopt;
  return arc.plane.from_world(result.point, arc.z + arc.height_change);
}

// The arc counter-clockwise, from `start` through `sweep` degrees.
struct Sweep {
  double start;
  double end;
  double sweep;
};

Sweep counter_clockwise(const PlaneArc& arc) {
  Sweep s{arc.start, arc.end, 0.0};
  if (arc.clockwise) s = {360.0 - arc.end, 360.0 - arc.start, 0.0};
  s.sweep = std::fmod(s.end - s.start, 360.0);
  if (s.sweep <= 0.0) s.sweep += 360.0;
  return s;
}

// Whether turning and scaling at the centre already puts the ends on T's,
// as it does where T is a similarity over the arc (a shift): then the arc
// is left to the similarity, which copies what a shift leaves alone.
bool similarity_meets_ends(const PlaneArc& arc, const Sweep& s, const PlanarPoint (&moved)[3],
                           const transform::PointOperation& operation,
                           const LocalSimilarity& similarity) {
  const auto centre = moved_in_plane(arc, arc.centre, operation);
  if (!centre) return true;
  const double radius = similarity.scaled(arc.radius);
  const auto miss = [&](double degrees, PlanarPoint exact) {
    const double a = similarity.turned_degrees(degrees) * radians_per_degree;
    return portable::hypot(centre->x + radius * portable::cos(a) - exact.x,
                           centre->y + radius * portable::sin(a) - exact.y);
  };
  constexpr double exact_enough = 1e-6;  // metres
  return miss(s.start, moved[0]) < exact_enough && miss(s.end, moved[2]) < exact_enough;
}

}  // namespace

std::optional<FittedArc> fit_arc(const PlaneArc& arc, const transform::PointOperation& operation,
                                 const LocalSimilarity& similarity) {
  // On a tilted plane T seen in the plane's own coordinates is no longer
  // conformal: a circle through three of its points would move the centre
  // off T's, so such an arc keeps the similarity.
  const Ocs::Kind plane = arc.plane.kind();
  if (plane != Ocs::Kind::world && plane != Ocs::Kind::mirrored) return std::nullopt;
  if (!(arc.radius > 0.0) || !std::isfinite(arc.radius)) return std::nullopt;
  const Sweep s = counter_clockwise(arc);
  const double sagitta = arc.radius * (1.0 - portable::cos(0.5 * s.sweep * radians_per_degree));
  constexpr double flat = 0.001;  // metres
  if (!(sagitta > flat) || s.sweep >= 359.0) return std::nullopt;
  PlanarPoint moved[3];
  const double angles[3] = {s.start, s.start + 0.5 * s.sweep, s.start + s.sweep};
  for (int k = 0; k < 3; ++k) {
    const double a = angles[k] * radians_per_degree;
    const PlanarPoint on_arc{arc.centre.x + arc.radius * portable::cos(a),
                             arc.centre.y + arc.radius * portable::sin(a)};
    const auto through = moved_in_plane(arc, on_arc, operation);
    if (!through) return std::nullopt;
    moved[k] = *through;
  }
  if (similarity_meets_ends(arc, s, moved, operation, similarity)) return std::nullopt;
  const auto centre = circle_centre(moved[0], moved[1], moved[2]);
  if (!centre) return std::nullopt;
  const double radius = portable::hypot(moved[0].x - centre->x, moved[0].y - centre->y);
  const auto direction = [&](PlanarPoint p) {
    return portable::atan2(p.y - centre->y, p.x - centre->x) / radians_per_degree;
  };
  const double start = nearest_turn(direction(moved[0]), s.start);
  const double end = nearest_turn(direction(moved[2]), s.end);
  // A map this close to a similarity keeps the arc's sense and nearly its
  // size; anything else is no arc to fit.
  if (!std::isfinite(radius) || std::abs(radius / arc.radius - 1.0) > 0.01 ||
      std::abs(std::remainder(end - start - s.sweep, 360.0)) > 1.0) {
    return std::nullopt;
  }
  if (arc.clockwise) return FittedArc{*centre, radius, 360.0 - end, 360.0 - start};
  return FittedArc{*centre, radius, start, end};
}

}  // namespace kelvrin::dxf
