// Arcs that T bends: fitted through T of their start, middle and end.

#include "dxf/arc_fit.hpp"

#include <algorithm>
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

// A point of a plane at OCS height z through T, back in the plane.
std::optional<PlanarPoint> moved_in_plane(const Ocs& plane, double z, double height_change,
                                          PlanarPoint at,
                                          const transform::PointOperation& operation) {
  const PointResult result = operation.forward(plane.to_world(at, z));
  if (result.status != PointStatus::ok) return std::nullopt;
  return plane.from_world(result.point, z + height_change);
}

std::optional<PlanarPoint> moved_in_plane(const PlaneArc& arc, PlanarPoint at,
                                          const transform::PointOperation& operation) {
  return moved_in_plane(arc.plane, arc.z, arc.height_change, at, operation);
}

// An arc of the source drawing by its circle, in radians: from `start`
// through `sweep`, negative clockwise.
struct SourceArc {
  PlanarPoint centre;
  double radius;
  double start;
  double sweep;

  PlanarPoint at(double fraction) const {
    const double a = start + fraction * sweep;
    return {centre.x + radius * portable::cos(a), centre.y + radius * portable::sin(a)};
  }
};

// How far T of the source arc's points at its eighths lie from the circle
// fitted through T of its ends and middle, in metres. Between the three
// points it was fitted through the miss is largest near the quarters, and
// measured across to the circle: along it, the point only slides.
double largest_miss(const SourceArc& source, const Ocs& plane, double z, double height_change,
                    PlanarPoint centre, double radius, const transform::PointOperation& operation,
                    const transform::Jacobian& to_metres) {
  double largest = 0.0;
  // The quarters first: where they miss by a fraction of a millimetre, the
  // eighths between them cannot miss by a millimetre.
  constexpr int order[] = {2, 6, 1, 3, 5, 7};
  constexpr double quarters_enough = 0.00025;  // metres
  for (int k = 0; k < 6; ++k) {
    if (k == 2 && largest < quarters_enough) break;
    const int eighth = order[k];
    const auto moved = moved_in_plane(plane, z, height_change, source.at(eighth / 8.0), operation);
    if (!moved) continue;
    const double dx = moved->x - centre.x;
    const double dy = moved->y - centre.y;
    const double distance = portable::hypot(dx, dy);
    if (!(distance > 0.0)) continue;
    const double across = 1.0 - radius / distance;
    // The mirrored plane's x is the world's -x; lengths are the world's.
    const transform::PlanarPoint miss =
        to_metres.apply({(plane.kind() == Ocs::Kind::mirrored ? -dx : dx) * across, dy * across});
    largest = std::max(largest, portable::hypot(miss.x, miss.y));
  }
  return largest;
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
                                 const LocalSimilarity& similarity,
                                 const transform::Jacobian& to_metres) {
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
  const SourceArc source{arc.centre, arc.radius, s.start * radians_per_degree,
                         s.sweep * radians_per_degree};
  const double miss = largest_miss(source, arc.plane, arc.z, arc.height_change, *centre, radius,
                                   operation, to_metres);
  if (arc.clockwise) return FittedArc{*centre, radius, 360.0 - end, 360.0 - start, miss};
  return FittedArc{*centre, radius, start, end, miss};
}

std::optional<FittedBulge> fit_bulge(const PlaneBulge& segment,
                                     const transform::PointOperation& operation,
                                     const transform::Jacobian& to_metres) {
  const Ocs::Kind plane = segment.plane.kind();
  if (plane != Ocs::Kind::world && plane != Ocs::Kind::mirrored) return std::nullopt;
  const double bulge = segment.bulge;
  if (bulge == 0.0 || !std::isfinite(bulge)) return std::nullopt;
  const PlanarPoint from = segment.from, to = segment.to;
  const double chord = portable::hypot(to.x - from.x, to.y - from.y);
  if (!(chord > 0.0) || !std::isfinite(chord)) return std::nullopt;
  constexpr double flat = 0.001;            // metres, as for an arc
  constexpr double nearly_closed = 229.18;  // tan(359 degrees / 4)
  if (!(0.5 * std::abs(bulge) * chord > flat) || std::abs(bulge) >= nearly_closed) {
    return std::nullopt;
  }
  // The arc's middle stands off its chord's by half the bulge in chord
  // lengths, to the right when it turns counter-clockwise: found without a
  // sine, as most bulges are short and need nothing more.
  const double rise = 0.5 * bulge;
  const auto middle_over = [rise](PlanarPoint a, PlanarPoint b) {
    return PlanarPoint{0.5 * (a.x + b.x) + rise * (b.y - a.y),
                       0.5 * (a.y + b.y) - rise * (b.x - a.x)};
  };
  const auto move = [&](PlanarPoint p) {
    return moved_in_plane(segment.plane, segment.z, segment.height_change, p, operation);
  };
  const auto a = move(from), m = move(middle_over(from, to)), b = move(to);
  if (!a || !m || !b) return std::nullopt;
  // Where the bulge as it is puts the middle between the new ends: there
  // already, T is a similarity over the segment and the bulge serves.
  const PlanarPoint kept_middle = middle_over(*a, *b);
  const double dx = kept_middle.x - m->x, dy = kept_middle.y - m->y;
  constexpr double exact_enough = 1e-6;  // metres
  if (dx * dx + dy * dy < exact_enough * exact_enough) return std::nullopt;
  // The angle at the middle between the ends is half a turn less half the
  // arc's: the bulge, tan(angle / 4), is its half's cotangent.
  const double ax = a->x - m->x, ay = a->y - m->y, bx = b->x - m->x, by = b->y - m->y;
  const double cross = ax * by - ay * bx;
  if (cross == 0.0 || !std::isfinite(cross)) return std::nullopt;
  const double fitted = (cross < 0.0 ? 1.0 : -1.0) *
                        (portable::hypot(ax, ay) * portable::hypot(bx, by) + ax * bx + ay * by) /
                        std::abs(cross);
  const double new_chord = portable::hypot(b->x - a->x, b->y - a->y);
  const double angle = 4.0 * portable::atan2(std::abs(bulge), 1.0);
  // A map this close to a similarity keeps the arc's sense and nearly its
  // size and angle.
  if (!std::isfinite(fitted) || (fitted > 0.0) != (bulge > 0.0) ||
      std::abs(new_chord / chord - 1.0) > 0.01 ||
      std::abs(4.0 * portable::atan2(std::abs(fitted), 1.0) - angle) > radians_per_degree) {
    return std::nullopt;
  }
  const auto new_centre = circle_centre(*a, *m, *b);
  if (!new_centre) return std::nullopt;
  const double new_radius = portable::hypot(a->x - new_centre->x, a->y - new_centre->y);
  // The source arc by its circle, for the points along it: the centre on
  // the chord's left when it turns counter-clockwise through less than half
  // a turn.
  const double sense = bulge > 0.0 ? 1.0 : -1.0;
  const double radius = chord / (2.0 * portable::sin(0.5 * angle));
  const double to_centre = sense * radius * portable::cos(0.5 * angle) / chord;
  const PlanarPoint centre{0.5 * (from.x + to.x) - to_centre * (to.y - from.y),
                           0.5 * (from.y + to.y) + to_centre * (to.x - from.x)};
  const SourceArc source{centre, radius, portable::atan2(from.y - centre.y, from.x - centre.x),
                         sense * angle};
  return FittedBulge{fitted, largest_miss(source, segment.plane, segment.z, segment.height_change,
                                          *new_centre, new_radius, operation, to_metres)};
}

}  // namespace kelvrin::dxf
