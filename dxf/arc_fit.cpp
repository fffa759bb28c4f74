// Arcs that T bends: fitted through T of their start, middle and end.

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

#include "dxf/entity_rewriter.hpp"
#include "dxf/portable_math.hpp"

namespace kelvrin::dxf {
namespace {

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

}  // namespace

// An arc whose ends are to meet the lines T puts beside them: the circle
// through T of its start, middle and end. Near its own point T turns and
// scales the plane, but over a long arc the grid routes bend it by up to
// centimetres, which a radius and angles turned at the centre would leave
// between an arc and its tangents. The arc keeps the similarity where it
// is too flat to tell (its middle less than a millimetre off its chord) or
// where T does not cover it.
void EntityRewriter::fit_arc(std::size_t from) {
  // On a tilted plane T seen in the plane's own coordinates is no longer
  // conformal: a circle through three of its points would move the centre
  // off T's, so such an arc keeps the similarity.
  if (ocs_.kind() != Ocs::Kind::world && ocs_.kind() != Ocs::Kind::mirrored) return;
  ArcFit fit;
  const std::size_t last = std::min(record_.size(), from + 12);
  for (std::size_t j = from; j < last; ++j) {
    const int code = record_[j].code;
    if (code == 10 && fit.centre == EntityFacts::no_point && j + 1 < last &&
        record_[j + 1].code == 20) {
      fit.centre = j;
    } else if (code == 40 && fit.radius == EntityFacts::no_point) {
      fit.radius = j;
    } else if (code == 50 && fit.start == EntityFacts::no_point) {
      fit.start = j;
    } else if (code == 51 && fit.end == EntityFacts::no_point) {
      fit.end = j;
    } else if (code == 72 || code == 92 || code == 97) {
      break;  // the next edge or path
    }
  }
  if (fit.centre == EntityFacts::no_point || fit.radius == EntityFacts::no_point ||
      fit.start == EntityFacts::no_point || fit.end == EntityFacts::no_point) {
    return;
  }
  const auto cx = number(value(record_[fit.centre]));
  const auto cy = number(value(record_[fit.centre + 1]));
  const auto r = number(value(record_[fit.radius]));
  auto a0 = number(value(record_[fit.start]));
  auto a1 = number(value(record_[fit.end]));
  if (!cx || !cy || !r || !a0 || !a1 || !(*r > 0.0) || !std::isfinite(*r)) return;
  // A clockwise HATCH edge keeps 360 - angle, its ends swapped.
  const bool clockwise = kind_ == EntityKind::hatch && clockwise_edge(fit.end);
  if (clockwise) {
    const double stored_start = *a0;
    a0 = 360.0 - *a1;
    a1 = 360.0 - stored_start;
  }
  double sweep = std::fmod(*a1 - *a0, 360.0);
  if (sweep <= 0.0) sweep += 360.0;
  const double sagitta = *r * (1.0 - portable::cos(0.5 * sweep * radians_per_degree));
  constexpr double flat = 0.001;  // metres
  if (!(sagitta > flat) || sweep >= 359.0) return;
  const double z = height_of(fit.centre);
  PlanarPoint moved[3];
  const double angles[3] = {*a0, *a0 + 0.5 * sweep, *a0 + sweep};
  for (int k = 0; k < 3; ++k) {
    const double a = angles[k] * radians_per_degree;
    const PlanarPoint on_arc{*cx + *r * portable::cos(a), *cy + *r * portable::sin(a)};
    const PointResult result = operation_->forward(ocs_.to_world(on_arc, z));
    if (result.status != PointStatus::ok) return;
    moved[k] = ocs_.from_world(result.point, z + height_change_);
  }
  // Where T is a similarity over the arc, as it is for a shift, turning and
  // scaling at the centre already puts the ends on T's, and copies what a
  // shift leaves alone.
  if (similarity(record_[fit.radius]) || !own_similarity_) return;
  const PointResult moved_centre = operation_->forward(ocs_.to_world({*cx, *cy}, z));
  if (moved_centre.status != PointStatus::ok) return;
  const PlanarPoint similar_centre = ocs_.from_world(moved_centre.point, z + height_change_);
  const double similar_radius = own_similarity_->scaled(*r);
  const auto similar_miss = [&](double degrees, PlanarPoint exact) {
    const double a = own_similarity_->turned_degrees(degrees) * radians_per_degree;
    return portable::hypot(similar_centre.x + similar_radius * portable::cos(a) - exact.x,
                           similar_centre.y + similar_radius * portable::sin(a) - exact.y);
  };
  constexpr double exact_enough = 1e-6;  // metres
  if (similar_miss(*a0, moved[0]) < exact_enough && similar_miss(*a1, moved[2]) < exact_enough) {
    return;
  }
  const auto centre = circle_centre(moved[0], moved[1], moved[2]);
  if (!centre) return;
  const double radius = portable::hypot(moved[0].x - centre->x, moved[0].y - centre->y);
  const auto direction = [&](PlanarPoint p) {
    return portable::atan2(p.y - centre->y, p.x - centre->x) / radians_per_degree;
  };
  double start = nearest_turn(direction(moved[0]), *a0);
  double end = nearest_turn(direction(moved[2]), *a1);
  // A map this close to a similarity keeps the arc's sense and nearly its
  // size; anything else is no arc to fit.
  if (!std::isfinite(radius) || std::abs(radius / *r - 1.0) > 0.01 ||
      std::abs(std::remainder(end - start - sweep, 360.0)) > 1.0) {
    return;
  }
  if (clockwise) {
    const double real_start = start;
    start = 360.0 - end;
    end = 360.0 - real_start;
  }
  fit.centre_at = *centre;
  fit.radius_value = radius;
  fit.start_value = start;
  fit.end_value = end;
  arc_ = fit;
}

}  // namespace kelvrin::dxf
