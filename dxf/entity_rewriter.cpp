#include "dxf/entity_rewriter.hpp"

#include <algorithm>
#include <cmath>

namespace kelvrin::dxf {
namespace {

using transform::Jacobian;

// Where an arc's tags stand: an ARC's from its start, a HATCH arc edge's
// from its type (72), up to the next edge or path.
struct ArcTags {
  std::size_t centre = EntityFacts::no_point;
  std::size_t radius = EntityFacts::no_point;
  std::size_t start = EntityFacts::no_point;
  std::size_t end = EntityFacts::no_point;
};

std::optional<ArcTags> find_arc_tags(std::span<const Tag> record, std::size_t from) {
  ArcTags at;
  const std::size_t last = std::min(record.size(), from + 12);
  for (std::size_t j = from; j < last; ++j) {
    const int code = record[j].code;
    if (code == 10 && at.centre == EntityFacts::no_point && j + 1 < last &&
        record[j + 1].code == 20) {
      at.centre = j;
    } else if (code == 40 && at.radius == EntityFacts::no_point) {
      at.radius = j;
    } else if (code == 50 && at.start == EntityFacts::no_point) {
      at.start = j;
    } else if (code == 51 && at.end == EntityFacts::no_point) {
      at.end = j;
    } else if (code == 72 || code == 92 || code == 97) {
      break;  // the next edge or path
    }
  }
  if (at.centre == EntityFacts::no_point || at.radius == EntityFacts::no_point ||
      at.start == EntityFacts::no_point || at.end == EntityFacts::no_point) {
    return std::nullopt;
  }
  return at;
}

// Whether a number's text says zero ("0", "0.0", "-0.000"), as most bulges
// do: no need to read it.
bool zero_text(std::string_view text) {
  bool digit = false;
  for (const char c : text) {
    if (c == '0') {
      digit = true;
    } else if (c != '.' && c != '-' && c != '+' && c != ' ') {
      return false;
    }
  }
  return digit;
}

std::optional<Stop> check(const PointResult& moved, const Tag& x_tag) {
  if (moved.status == PointStatus::arithmetic_failure) {
    return Stop{PassFailure::arithmetic_failure, x_tag.line, {}};
  }
  if (moved.status == PointStatus::rejected) {
    return Stop{PassFailure::point_rejected, x_tag.line, moved.point};
  }
  return std::nullopt;
}

}  // namespace

// Flattened: every tag of every entity goes through this loop, and the
// functions below are its parts, written apart to be read apart; called,
// they would cost the pass a few instructions a pair.
[[gnu::flatten]] std::optional<Stop> EntityRewriter::rewrite(std::span<const Tag> record,
                                                             EntityKind kind, Part part,
                                                             const EntityFacts& facts) {
  if (auto stop = begin_entity(record, kind, part, facts)) return stop;
  const PartMarkers markers = entity_.rules->part_markers;
  // The record stays as it is while it is rewritten.
  const Tag* const tags = record.data();
  const std::size_t count = record.size();
  for (std::size_t i = 0; i < count; ++i) {
    const Tag& tag = tags[i];
    if (markers != PartMarkers::none && marks_part(markers, tag.code)) {
      part = enter_part(part, i);
      continue;
    }
    if (!is_x_code(tag.code)) {
      // Most tags are none of a measure, a plane's elevation or a lone Y.
      const Measure measure = measure_of(kind, part, tag.code);
      if (measure == Measure::none && entity_.height_change == 0.0 && !is_y_code(tag.code)) {
        copy_.tag(tag);
      } else if (auto stop = rewrite_value(measure, part, i)) {
        return stop;
      }
      continue;
    }
    const Role role = role_of(kind, part, tag.code);
    if (role == Role::copy) {
      copy_.tag(tag);
    } else if (auto stop = rewrite_point(role, i)) {
      return stop;
    }
  }
  return std::nullopt;
}

std::optional<Stop> EntityRewriter::begin_entity(std::span<const Tag> record, EntityKind kind,
                                                 Part part, const EntityFacts& facts) {
  const KindRules& rules = kind_rules(kind);
  entity_.record = record;
  entity_.kind = kind;
  entity_.rules = &rules;
  entity_.facts = facts;
  entity_.ocs = Ocs(facts.extrusion);
  entity_.own_point_in_plane = rules.head_point || role_of(kind, part, 10) == Role::ocs_point;
  entity_.height_change = facts.height_change.value_or(0.0);
  entity_.counted_on_edge = false;
  anchor_.reset();
  own_similarity_.reset();
  arc_.reset();
  if (entity_.ocs.kind() == Ocs::Kind::tilted && rules.one_height && !facts.height_change) {
    if (auto stop = settle_plane()) return stop;
  }
  if (rules.fits_arcs && facts.has_rotation) start_arc(facts.first_point, part);
  return std::nullopt;
}

// A tag that opens a part of the entity: copied, and an arc edge's fitted.
Part EntityRewriter::enter_part(Part part, std::size_t i) {
  const Tag& tag = entity_.record[i];
  const Part next = next_part(entity_.kind, part, tag.code, integer(number_in(tag)));
  copy_.tag(tag);
  if (next == Part::hatch_arc_edge && tag.code == 72) start_arc(i + 1, next);
  return next;
}

// A tag that is no coordinate's X: a measure, a tilted plane's elevation, a
// Y without its X, or a tag to copy.
std::optional<Stop> EntityRewriter::rewrite_value(Measure measure, Part part, std::size_t& i) {
  const Tag& tag = entity_.record[i];
  if (measure == Measure::bulge) return rewrite_bulge(i);
  if (measure != Measure::none) {
    if (auto stop = rewrite_measure(measure, i)) return stop;
    if (part == Part::main && tag.code == 40 &&
        entity_.rules->defaults_after == DefaultsAfter::height) {
      return add_missing_measures(tag);
    }
    return std::nullopt;
  }
  if (entity_.height_change != 0.0 && is_elevation(part, tag.code)) {
    if (const auto height = number_in(tag)) {
      writer_.write_rewritten(tag, *height + entity_.height_change);
      return std::nullopt;
    }
  }
  if (is_lone_y(part, i)) note_unpaired(tag);
  copy_.tag(tag);
  return std::nullopt;
}

// The X, Y (and Z) of a coordinate whose X stands at `i`, by its role; `i`
// goes on to its last tag. Points go through T here, in one piece with
// their writing: every pair of a drawing passes this way.
std::optional<Stop> EntityRewriter::rewrite_point(Role role, std::size_t& i) {
  const std::span<const Tag> record = entity_.record;
  const Tag& x_tag = record[i];
  if (i + 1 == record.size() || record[i + 1].code != x_tag.code + 10) {
    note_unpaired(x_tag);
    copy_.tag(x_tag);
    return std::nullopt;
  }
  const Tag& y_tag = record[i + 1];
  const Tag* z_tag =
      i + 2 < record.size() && record[i + 2].code == x_tag.code + 20 ? &record[i + 2] : nullptr;
  const bool ocs_role = role == Role::ocs_point || role == Role::ocs_vector;
  if (ocs_role && entity_.ocs.kind() == Ocs::Kind::on_edge) return keep_on_edge(i);
  const auto x = number_in(x_tag);
  if (!x) return Stop{PassFailure::not_a_number, x_tag.line + 1, {}};
  const auto y = number_in(y_tag);
  if (!y) return Stop{PassFailure::not_a_number, y_tag.line + 1, {}};
  double z = entity_.facts.elevation;  // only a tilted plane needs the height
  if (z_tag != nullptr && ocs_role && entity_.ocs.kind() == Ocs::Kind::tilted) {
    const auto own_z = number_in(*z_tag);
    if (!own_z) return Stop{PassFailure::not_a_number, z_tag->line + 1, {}};
    z = *own_z;
  }
  PlanarPoint written;
  const bool direction = role == Role::vector || role == Role::ocs_vector;
  if (direction) {
    if (auto stop = carry_direction(role, {*x, *y}, x_tag, written)) return stop;
  } else if (role == Role::ocs_point) {
    if (auto stop = move_in_plane({*x, *y}, z, x_tag, written)) return stop;
  } else {
    const PointResult moved = operation_->forward({*x, *y});
    if (auto stop = check(moved, x_tag)) return stop;
    anchor_ = PlanarPoint{*x, *y};
    if (moved.outside_area) report_.note_outside_area(*anchor_, x_tag.line);
    written = moved.point;
  }
  if (!std::isfinite(written.x) || !std::isfinite(written.y)) {
    return Stop{PassFailure::arithmetic_failure, x_tag.line, {}};
  }
  writer_.write_pair(x_tag, y_tag, written, direction);
  return after_pair(role, z_tag, z, i);
}

// After a pair written, its Z: put back on a tilted plane at its new
// height, or at the entity's own point copied before the defaults the
// entity adds there. `i` goes on to the last tag of the coordinate.
std::optional<Stop> EntityRewriter::after_pair(Role role, const Tag* z_tag, double z,
                                               std::size_t& i) {
  const Tag& x_tag = entity_.record[i];
  const bool at_own_point = i == entity_.facts.first_point;
  ++i;
  const bool moves_z = role == Role::ocs_point && entity_.height_change != 0.0;
  if (z_tag != nullptr && moves_z) {
    writer_.write_rewritten(*z_tag, z + entity_.height_change);
    ++i;
  }
  if (!at_own_point || entity_.rules->defaults_after != DefaultsAfter::own_point) {
    return std::nullopt;
  }
  if (z_tag != nullptr && !moves_z) {
    copy_.tag(*z_tag);
    ++i;
  }
  return add_missing_measures(x_tag);
}

// A point of the entity's plane at OCS height z through T, put back on the
// plane at its new height; a fitted arc's centre where the fit put it.
std::optional<Stop> EntityRewriter::move_in_plane(PlanarPoint source, double z, const Tag& x_tag,
                                                  PlanarPoint& written) {
  const PlanarPoint world = entity_.ocs.to_world(source, z);
  const PointResult moved = operation_->forward(world);
  if (auto stop = check(moved, x_tag)) return stop;
  anchor_ = world;
  if (moved.outside_area) report_.note_outside_area(world, x_tag.line);
  written = arc_ && &x_tag == &entity_.record[arc_->centre]
                ? arc_->fitted.centre
                : entity_.ocs.from_world(moved.point, z + entity_.height_change);
  return std::nullopt;
}

// A pair in a plane seen on edge, where a plan position fixes no point:
// copied, and the entity counted once as not converted.
std::optional<Stop> EntityRewriter::keep_on_edge(std::size_t& i) {
  if (!entity_.counted_on_edge) ++report_.unconverted_entities;
  entity_.counted_on_edge = true;
  copy_.tag(entity_.record[i]);
  copy_.tag(entity_.record[i + 1]);
  ++i;
  return std::nullopt;
}

// A direction, in the plan or in the entity's plane, through T's derivative
// at the entity's most recent point.
std::optional<Stop> EntityRewriter::carry_direction(Role role, PlanarPoint source, const Tag& x_tag,
                                                    PlanarPoint& written) {
  Jacobian jacobian;
  if (auto stop = jacobian_at_anchor(x_tag, jacobian)) return stop;
  const Ocs& ocs = entity_.ocs;
  written = role == Role::vector ? jacobian.apply(source)
                                 : ocs.from_world(jacobian.apply(ocs.to_world(source, 0.0)), 0.0);
  return std::nullopt;
}

// On a tilted plane the plan position of the entity's own point becomes
// T(x, y) and its world height stays: the plane's OCS height changes by
// the shift along the normal, and every point of the entity is put back
// on the plane at that height.
std::optional<Stop> EntityRewriter::settle_plane() {
  const EntityFacts& facts = entity_.facts;
  if (facts.first_point == EntityFacts::no_point) return std::nullopt;
  const Tag& x_tag = entity_.record[facts.first_point];
  const bool ahead = entity_.rules->own_point_ahead;
  if (ahead) {
    if (!facts.own_point) return std::nullopt;
  } else if (!number_in(x_tag) || !number_in(entity_.record[facts.first_point + 1])) {
    return std::nullopt;  // the loop stops on it, naming its line
  }
  const PlanarPoint world = first_point_in_plan();
  const PointResult moved = operation_->forward(world);
  // A polyline's vertex that T does not cover fails where it stands.
  if (ahead && moved.status != PointStatus::ok) return std::nullopt;
  if (auto stop = check(moved, x_tag)) return stop;
  entity_.height_change =
      entity_.ocs.height_shift({moved.point.x - world.x, moved.point.y - world.y});
  if (!std::isfinite(entity_.height_change)) {
    return Stop{PassFailure::arithmetic_failure, x_tag.line, {}};
  }
  return std::nullopt;
}

// The arc whose tags stand from `from`, fitted through T where T bends it.
void EntityRewriter::start_arc(std::size_t from, Part part) {
  const std::span<const Tag> record = entity_.record;
  const auto at = find_arc_tags(record, from);
  if (!at) return;
  const auto cx = number_in(record[at->centre]);
  const auto cy = number_in(record[at->centre + 1]);
  const auto r = number_in(record[at->radius]);
  const auto a0 = number_in(record[at->start]);
  const auto a1 = number_in(record[at->end]);
  if (!cx || !cy || !r || !a0 || !a1) return;
  const bool clockwise =
      measure_of(entity_.kind, part, 51) == Measure::edge_angle && clockwise_edge(at->end);
  const PlaneArc arc{
      {*cx, *cy},           *r, *a0, *a1, clockwise, entity_.ocs, height_of(at->centre),
      entity_.height_change};
  if (similarity(record[at->radius]) || !own_similarity_) return;
  if (const auto fitted = fit_arc(arc, *operation_, *own_similarity_, to_metres_)) {
    arc_ = ArcFit{at->centre, at->radius, at->start, at->end, *fitted};
    report_.note_arc_miss(fitted->miss, record[at->centre].line);
  }
}

// A polyline's bulge at `i`: the arc from its vertex to the next, fitted
// through T where T bends it.
std::optional<Stop> EntityRewriter::rewrite_bulge(std::size_t i) {
  const Tag& tag = entity_.record[i];
  const Ocs& ocs = entity_.ocs;
  // Most vertices are straight, told by their text alone; a tilted plane
  // keeps its bulges, as it keeps its arcs.
  const bool flat_plane = ocs.kind() == Ocs::Kind::world || ocs.kind() == Ocs::Kind::mirrored;
  const auto old = flat_plane && !zero_text(in_.value_text(tag)) ? number_in(tag) : std::nullopt;
  if (!old || *old == 0.0) {
    copy_.tag(tag);
    return std::nullopt;
  }
  std::optional<PlanarPoint> from, to;
  const std::span<const Tag> record = entity_.record;
  std::size_t vertex = EntityFacts::no_point;
  if (entity_.kind == EntityKind::vertex) {
    vertex = entity_.facts.first_point;
    to = next_vertex_;
  } else {
    for (std::size_t j = i; j-- > 0;) {
      if (record[j].code == 10) {
        vertex = j;
        break;
      }
    }
    to = segment_end(i);
  }
  if (vertex == EntityFacts::no_point || vertex + 1 >= record.size() ||
      record[vertex + 1].code != 20) {
    copy_.tag(tag);
    return std::nullopt;
  }
  // Its vertex, standing before it, was the last point moved: read already.
  const double z = height_of(vertex);
  if (vertex < i && anchor_) {
    from = ocs.from_world(*anchor_, z);
  } else {
    const auto x = number_in(record[vertex]);
    const auto y = number_in(record[vertex + 1]);
    if (x && y) from = PlanarPoint{*x, *y};
  }
  std::optional<FittedBulge> fitted;
  if (from && to) {
    fitted = fit_bulge({*from, *to, *old, ocs, z, entity_.height_change}, *operation_, to_metres_);
  }
  if (!fitted) {
    copy_.tag(tag);
    return std::nullopt;
  }
  report_.note_arc_miss(fitted->miss, tag.line);
  if (!std::isfinite(fitted->bulge)) return Stop{PassFailure::arithmetic_failure, tag.line, {}};
  writer_.write_rewritten(tag, fitted->bulge, true);
  return std::nullopt;
}

// The vertex an LWPOLYLINE's bulge at `i` runs to: the next, or the first
// where the polyline closes.
std::optional<PlanarPoint> EntityRewriter::segment_end(std::size_t i) const {
  const std::span<const Tag> record = entity_.record;
  std::size_t next = EntityFacts::no_point;
  for (std::size_t j = i + 1; j + 1 < record.size(); ++j) {
    if (record[j].code == 10) {
      next = j;
      break;
    }
  }
  constexpr std::int64_t closed = 1;
  if (next == EntityFacts::no_point && (entity_.facts.flags & closed) != 0) {
    next = entity_.facts.first_point;
  }
  if (next == EntityFacts::no_point || next + 1 >= record.size() || record[next + 1].code != 20) {
    return std::nullopt;
  }
  const auto x = number_in(record[next]);
  const auto y = number_in(record[next + 1]);
  if (!x || !y) return std::nullopt;
  return PlanarPoint{*x, *y};
}

// A Y code whose X partner, had it been there, would have been rewritten.
bool EntityRewriter::is_lone_y(Part part, std::size_t i) const {
  const std::span<const Tag> record = entity_.record;
  const int code = record[i].code;
  if (!is_y_code(code)) return false;
  if (role_of(entity_.kind, part, code - 10) == Role::copy) return false;
  return i == 0 || record[i - 1].code != code - 10;
}

void EntityRewriter::note_unpaired(const Tag& tag) {
  if (report_.unpaired_coordinates++ == 0) report_.first_unpaired_line = tag.line;
}

// Whether the HATCH arc edge whose angle stands at `i` runs clockwise: its
// flag 73 follows the angles.
bool EntityRewriter::clockwise_edge(std::size_t i) const {
  const std::span<const Tag> record = entity_.record;
  for (std::size_t j = i + 1; j < record.size() && j <= i + 2; ++j) {
    if (record[j].code == 73) return number_in(record[j]) == 0.0;
  }
  return false;
}

std::optional<Stop> EntityRewriter::rewrite_measure(Measure measure, std::size_t& i) {
  const Tag& tag = entity_.record[i];
  const auto old = number_in(tag);
  // A length of zero stays zero: most widths are, and need no derivative.
  // An entity with no point of its own has no place where they would turn.
  if (!old || (measure == Measure::length && *old == 0.0) ||
      entity_.facts.first_point == EntityFacts::no_point) {
    copy_.tag(tag);
    return std::nullopt;
  }
  if (auto stop = similarity(tag)) return stop;
  if (measure == Measure::plane_vector_x) {
    carry_plane_vector(i, *old);
    return std::nullopt;
  }
  double now = *old;
  if (arc_ && (i == arc_->radius || i == arc_->start || i == arc_->end)) {
    now = i == arc_->radius  ? arc_->fitted.radius
          : i == arc_->start ? arc_->fitted.start
                             : arc_->fitted.end;
  } else {
    now = measured(measure, i, *old);
  }
  if (!std::isfinite(now)) return Stop{PassFailure::arithmetic_failure, tag.line, {}};
  if (now == *old) {
    copy_.tag(tag);
  } else {
    writer_.write_rewritten(tag, now, true);
  }
  return std::nullopt;
}

// A measure as the similarity at the entity's own point carries it.
double EntityRewriter::measured(Measure measure, std::size_t i, double old) const {
  const LocalSimilarity& local = *own_similarity_;
  switch (measure) {
    case Measure::length: return local.scaled(old);
    case Measure::angle_degrees: return local.turned_degrees(old);
    case Measure::angle_radians: return local.turned_radians(old);
    case Measure::edge_angle:
      // A clockwise edge keeps 360 - angle: it turns the other way.
      return clockwise_edge(i) ? -local.turned_degrees(-old) : local.turned_degrees(old);
    default: return old;
  }
}

// A direction in the entity's plane whose x stands at `i` and whose y is the
// next code; copied when that y is not there.
void EntityRewriter::carry_plane_vector(std::size_t& i, double x) {
  const std::span<const Tag> record = entity_.record;
  const Tag& tag = record[i];
  const Tag* y_tag =
      i + 1 < record.size() && record[i + 1].code == tag.code + 1 ? &record[i + 1] : nullptr;
  const auto y = y_tag != nullptr ? number_in(*y_tag) : std::nullopt;
  if (!y) {
    copy_.tag(tag);
    return;
  }
  const PlanarPoint carried = own_similarity_->carried({x, *y});
  writer_.write_rewritten(tag, carried.x, true);
  writer_.write_rewritten(*y_tag, carried.y, true);
  ++i;
}

// An angle or scale that the entity leaves at its default (rotation 0,
// scale 1) changes like any other: it is written after `after`, where a
// reader finds it among its neighbours, when it differs from the default.
std::optional<Stop> EntityRewriter::add_missing_measures(const Tag& after) {
  const KindRules& rules = *entity_.rules;
  const EntityFacts& facts = entity_.facts;
  const bool rotation = rules.adds_rotation && !facts.has_rotation;
  const bool scales = rules.adds_scales;
  const bool direction = rules.adds_direction && !facts.has_direction && !facts.has_rotation;
  if ((!rotation && !scales && !direction) || facts.first_point == EntityFacts::no_point) {
    return std::nullopt;
  }
  if (auto stop = similarity(after)) return stop;
  const LocalSimilarity& local = *own_similarity_;
  if (scales && local.scaled(1.0) != 1.0) {
    if (!facts.has_x_scale) writer_.write_added("41", local.scaled(1.0));
    if (!facts.has_y_scale) writer_.write_added("42", local.scaled(1.0));
  }
  if (rotation && local.turned_degrees(0.0) != 0.0) {
    writer_.write_added("50", local.turned_degrees(0.0));
  }
  if (direction) {
    // An MTEXT's direction is a world direction, and without one its text
    // runs along the world's x axis, whatever its plane.
    Jacobian world;
    if (auto stop = jacobian_at(first_point_in_plan(), after, world)) return stop;
    const PlanarPoint x_axis = world.apply({1.0, 0.0});
    if (x_axis.x != 1.0 || x_axis.y != 0.0) {
      writer_.write_added("11", x_axis.x);
      writer_.write_added("21", x_axis.y);
      writer_.write_added("31", 0.0);
    }
  }
  return std::nullopt;
}

// The similarity at the entity's own point, for all its angles and sizes.
std::optional<Stop> EntityRewriter::similarity(const Tag& tag) {
  if (own_similarity_) return std::nullopt;
  Jacobian jacobian;
  if (auto stop = jacobian_at(first_point_in_plan(), tag, jacobian)) return stop;
  own_similarity_.emplace(jacobian, entity_.ocs);
  return std::nullopt;
}

// The entity's own point in the plan, for a derivative asked for before any
// of its points was moved (a polyline's constant width comes first).
PlanarPoint EntityRewriter::first_point_in_plan() const {
  const EntityFacts& facts = entity_.facts;
  if (facts.own_point) return entity_.ocs.to_world(*facts.own_point, facts.elevation);
  if (facts.first_point == EntityFacts::no_point) return {};
  const auto x = number_in(entity_.record[facts.first_point]);
  const auto y = number_in(entity_.record[facts.first_point + 1]);
  if (!x || !y) return {};
  if (!entity_.own_point_in_plane) return {*x, *y};
  return entity_.ocs.to_world({*x, *y}, height_of(facts.first_point));
}

// The OCS height of the point whose X stands at `x_index`: its own z, or
// the entity's elevation.
double EntityRewriter::height_of(std::size_t x_index) const {
  const std::span<const Tag> record = entity_.record;
  if (x_index + 2 < record.size() && record[x_index + 2].code == 30) {
    return number_in(record[x_index + 2]).value_or(entity_.facts.elevation);
  }
  return entity_.facts.elevation;
}

// The derivative at the entity's most recent point (or its own point).
std::optional<Stop> EntityRewriter::jacobian_at_anchor(const Tag& x_tag, Jacobian& jacobian) {
  if (!anchor_) anchor_ = first_point_in_plan();
  return jacobian_at(*anchor_, x_tag, jacobian);
}

// The derivative at `at`, kept while the point stays the same.
std::optional<Stop> EntityRewriter::jacobian_at(PlanarPoint at, const Tag& x_tag,
                                                Jacobian& jacobian) {
  if (!cached_at_ || cached_at_->x != at.x || cached_at_->y != at.y) {
    const auto result = operation_->derivative(at);
    if (result.status == PointStatus::rejected) {
      return Stop{PassFailure::point_rejected, x_tag.line, at};
    }
    if (result.status != PointStatus::ok) {
      return Stop{PassFailure::arithmetic_failure, x_tag.line, {}};
    }
    cached_at_ = at;
    cached_jacobian_ = result.jacobian;
  }
  jacobian = cached_jacobian_;
  return std::nullopt;
}

}  // namespace kelvrin::dxf
