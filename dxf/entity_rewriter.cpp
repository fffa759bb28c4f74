#include "dxf/entity_rewriter.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

#include "dxf/numbers.hpp"
#include "dxf/pass_support.hpp"

namespace kelvrin::dxf {
namespace {

using transform::Jacobian;

// The entities whose points share one plane at one OCS height: on a tilted
// plane, that height follows the plan position of their own point (a 2D
// POLYLINE's: its first vertex, read ahead; its vertices share its change).
bool shares_one_height(EntityKind kind) {
  switch (kind) {
    case EntityKind::lwpolyline:
    case EntityKind::hatch:
    case EntityKind::circle:
    case EntityKind::text:
    case EntityKind::insert:
    case EntityKind::shape:
    case EntityKind::solid:
    case EntityKind::polyline: return true;
    default: return false;
  }
}

bool has_parts(EntityKind kind) {
  return kind == EntityKind::hatch || kind == EntityKind::multileader || kind == EntityKind::text ||
         kind == EntityKind::mtext;
}

bool is_part_marker(EntityKind kind, int code) {
  return code == 72 || code == 92 || code == 98 || code == 101 || (code >= 300 && code <= 305) ||
         (code == 75 && kind == EntityKind::hatch);
}

}  // namespace

EntityFacts gather_facts(std::span<const Tag> record, EntityKind kind, const TagReader& in) {
  EntityFacts facts;
  const auto value = [&](const Tag& tag) { return number(in.value_text(tag)); };
  bool hatch_head_seen = false;
  for (std::size_t i = 0; i < record.size(); ++i) {
    const Tag& tag = record[i];
    switch (tag.code) {
      case 67:
        facts.has_paper_flag = true;
        facts.paper_space = value(tag) == 1.0;
        break;
      case 210: facts.extrusion.x = value(tag).value_or(0.0); break;
      case 220: facts.extrusion.y = value(tag).value_or(0.0); break;
      case 230: facts.extrusion.z = value(tag).value_or(1.0); break;
      case 66: facts.attributes_follow = value(tag) == 1.0; break;
      case 38: facts.elevation = value(tag).value_or(0.0); break;
      case 70:
        if (facts.flags == 0) facts.flags = integer(value(tag));
        break;
      case 30:
        // A POLYLINE and a HATCH keep their height in the z of a point that
        // is not a position.
        if (i > 0 && record[i - 1].code == 20 &&
            (kind == EntityKind::polyline ||
             (kind == EntityKind::hatch && facts.first_point == EntityFacts::no_point))) {
          facts.elevation = value(tag).value_or(0.0);
        }
        break;
      case 10:
        if (kind == EntityKind::hatch && !hatch_head_seen) {
          hatch_head_seen = true;
        } else if (facts.first_point == EntityFacts::no_point && i + 1 < record.size() &&
                   record[i + 1].code == 20) {
          facts.first_point = i;
        }
        break;
      case 11:
        if (kind == EntityKind::mtext && facts.first_point != EntityFacts::no_point) {
          facts.has_direction = true;
        }
        break;
      case 41: facts.has_x_scale = true; break;
      case 42: facts.has_y_scale = true; break;
      case 50: facts.has_rotation = true; break;
      default: break;
    }
  }
  return facts;
}

std::optional<Stop> EntityRewriter::rewrite_entity(std::span<const Tag> record, EntityKind kind,
                                                   Part part, const EntityFacts& facts) {
  record_ = record;
  kind_ = kind;
  facts_ = facts;
  ocs_ = Ocs(facts.extrusion);
  anchor_.reset();
  own_similarity_.reset();
  first_point_in_plane_ = kind == EntityKind::hatch || role_of(kind, part, 10) == Role::ocs_point;
  height_change_ = facts.height_change.value_or(0.0);
  if (ocs_.kind() == Ocs::Kind::tilted && shares_one_height(kind) && !facts.height_change) {
    if (auto stop = settle_plane()) return stop;
  }
  arc_.reset();
  if (kind == EntityKind::circle && facts.has_rotation) fit_arc(facts.first_point);
  const bool parts = has_parts(kind);
  bool counted_on_edge = false;

  // The record stays as it is while it is rewritten.
  const Tag* const tags = record.data();
  const std::size_t count = record.size();
  for (std::size_t i = 0; i < count; ++i) {
    const Tag& tag = tags[i];
    if (parts && is_part_marker(kind, tag.code)) {
      part = next_part(kind, part, tag.code, integer(number(value(tag))));
      copy_.tag(tag);
      if (part == Part::hatch_arc_edge && tag.code == 72) fit_arc(i + 1);
      continue;
    }
    const bool x_code = is_x_code(tag.code);
    const Role role = x_code ? role_of(kind, part, tag.code) : Role::copy;
    if (role == Role::copy) {
      if (!x_code) {
        if (const Measure measure = measure_of(kind, part, tag.code); measure != Measure::none) {
          if (auto stop = rewrite_measure(measure, i)) return stop;
          if (part == Part::main &&
              (tag.code == 40 && (kind == EntityKind::text || kind == EntityKind::shape))) {
            if (auto stop = add_missing_measures(tag)) return stop;
          }
          continue;
        }
        if (height_change_ != 0.0 && is_elevation(part, tag.code)) {
          if (const auto height = number(value(tag))) {
            write_rewritten(tag, *height + height_change_);
            continue;
          }
        }
        if (is_lone_y(kind, part, i)) note_unpaired(tag);
      }
      copy_.tag(tag);
      continue;
    }
    if (i + 1 == count || tags[i + 1].code != tag.code + 10) {
      note_unpaired(tag);
      copy_.tag(tag);
      continue;
    }
    const Tag& y_tag = tags[i + 1];
    const Tag* z_tag = i + 2 < count && tags[i + 2].code == tag.code + 20 ? &tags[i + 2] : nullptr;
    const bool ocs_role = role == Role::ocs_point || role == Role::ocs_vector;
    if (ocs_role && ocs_.kind() == Ocs::Kind::on_edge) {
      if (!counted_on_edge) ++report_.unconverted_entities;
      counted_on_edge = true;
      copy_.tag(tag);
      copy_.tag(y_tag);
      ++i;
      continue;
    }
    const std::size_t x_index = i;
    bool z_written = false;
    if (auto stop = rewrite_pair(role, tag, y_tag, z_tag, z_written)) return stop;
    i += z_written ? 2 : 1;
    if (x_index == facts_.first_point &&
        (kind == EntityKind::insert || kind == EntityKind::mtext)) {
      if (z_tag != nullptr && !z_written) {
        copy_.tag(*z_tag);
        ++i;
      }
      if (auto stop = add_missing_measures(tag)) return stop;
    }
  }
  return std::nullopt;
}

// On a tilted plane the plan position of the entity's own point becomes
// T(x, y) and its world height stays: the plane's OCS height changes by
// the shift along the normal, and every point of the entity is put back
// on the plane at that height.
std::optional<Stop> EntityRewriter::settle_plane() {
  if (facts_.first_point == EntityFacts::no_point) return std::nullopt;
  const Tag& x_tag = record_[facts_.first_point];
  if (kind_ == EntityKind::polyline) {
    if (!facts_.own_point) return std::nullopt;
  } else if (!number(value(x_tag)) || !number(value(record_[facts_.first_point + 1]))) {
    return std::nullopt;  // the loop stops on it, naming its line
  }
  const PlanarPoint world = first_point_in_plan();
  const PointResult moved = operation_->forward(world);
  // A polyline's vertex that T does not cover fails where it stands.
  if (kind_ == EntityKind::polyline && moved.status != PointStatus::ok) return std::nullopt;
  if (auto stop = check(moved, x_tag)) return stop;
  height_change_ = ocs_.height_change({moved.point.x - world.x, moved.point.y - world.y});
  if (!std::isfinite(height_change_)) return Stop{PassFailure::arithmetic_failure, x_tag.line, {}};
  return std::nullopt;
}

bool EntityRewriter::is_elevation(Part part, int code) const {
  return (kind_ == EntityKind::lwpolyline && code == 38) ||
         (kind_ == EntityKind::polyline && code == 30) ||
         (kind_ == EntityKind::hatch && part == Part::hatch_head && code == 30);
}

// A Y code whose X partner, had it been there, would have been rewritten.
bool EntityRewriter::is_lone_y(EntityKind kind, Part part, std::size_t i) const {
  const int code = record_[i].code;
  if (!((code >= 20 && code <= 28) || (code >= 120 && code <= 122))) return false;
  if (role_of(kind, part, code - 10) == Role::copy) return false;
  return i == 0 || record_[i - 1].code != code - 10;
}

void EntityRewriter::note_unpaired(const Tag& tag) {
  if (report_.unpaired_coordinates++ == 0) report_.first_unpaired_line = tag.line;
}

std::optional<Stop> EntityRewriter::rewrite_pair(Role role, const Tag& x_tag, const Tag& y_tag,
                                                 const Tag* z_tag, bool& z_written) {
  const auto x = number(value(x_tag));
  if (!x) return Stop{PassFailure::not_a_number, x_tag.line + 1, {}};
  const auto y = number(value(y_tag));
  if (!y) return Stop{PassFailure::not_a_number, y_tag.line + 1, {}};
  const bool tilted = ocs_.kind() == Ocs::Kind::tilted;
  double z = facts_.elevation;  // only a tilted plane needs the height
  if (z_tag != nullptr && tilted && (role == Role::ocs_point || role == Role::ocs_vector)) {
    const auto own_z = number(value(*z_tag));
    if (!own_z) return Stop{PassFailure::not_a_number, z_tag->line + 1, {}};
    z = *own_z;
  }
  PlanarPoint written;
  bool vector = false;
  switch (role) {
    case Role::point:
    case Role::historical: {
      const PointResult moved = operation_->forward({*x, *y});
      if (auto stop = check(moved, x_tag)) return stop;
      anchor_ = PlanarPoint{*x, *y};
      if (moved.outside_area) report_.note_outside_area(*anchor_, x_tag.line);
      written = moved.point;
      break;
    }
    case Role::ocs_point: {
      const PlanarPoint world = ocs_.to_world({*x, *y}, z);
      const PointResult moved = operation_->forward(world);
      if (auto stop = check(moved, x_tag)) return stop;
      anchor_ = world;
      if (moved.outside_area) report_.note_outside_area(world, x_tag.line);
      written = arc_ && &x_tag == &record_[arc_->centre]
                    ? arc_->centre_at
                    : ocs_.from_world(moved.point, z + height_change_);
      break;
    }
    case Role::vector:
    case Role::ocs_vector: {
      Jacobian jacobian;
      if (auto stop = derivative(x_tag, jacobian)) return stop;
      vector = true;
      if (role == Role::vector) {
        written = jacobian.apply({*x, *y});
      } else {
        written = ocs_.from_world(jacobian.apply(ocs_.to_world({*x, *y}, 0.0)), 0.0);
      }
      break;
    }
    case Role::copy: break;
  }
  if (!std::isfinite(written.x) || !std::isfinite(written.y)) {
    return Stop{PassFailure::arithmetic_failure, x_tag.line, {}};
  }
  if (!vector && y_tag.crlf) {
    copy_.code_line(x_tag);
    copy_.flush();
    write_moved_point(out_, written, in_.bytes(y_tag.code_line.begin, y_tag.value_line.begin));
  } else {
    write_rewritten(x_tag, written.x, vector);
    write_rewritten(y_tag, written.y, vector);
  }
  if (role == Role::ocs_point && z_tag != nullptr && height_change_ != 0.0) {
    write_rewritten(*z_tag, z + height_change_);
    z_written = true;
  }
  return std::nullopt;
}

// Whether the HATCH arc edge whose angle stands at `i` runs clockwise: its
// flag 73 follows the angles.
bool EntityRewriter::clockwise_edge(std::size_t i) const {
  for (std::size_t j = i + 1; j < record_.size() && j <= i + 2; ++j) {
    if (record_[j].code == 73) return number(value(record_[j])) == 0.0;
  }
  return false;
}

std::optional<Stop> EntityRewriter::rewrite_measure(Measure measure, std::size_t& i) {
  const Tag& tag = record_[i];
  const auto old = number(value(tag));
  // A length of zero stays zero: most widths are, and need no derivative.
  // An entity with no point of its own has no place where they would turn.
  if (!old || (measure == Measure::length && *old == 0.0) ||
      facts_.first_point == EntityFacts::no_point) {
    copy_.tag(tag);
    return std::nullopt;
  }
  if (auto stop = similarity(tag)) return stop;
  const LocalSimilarity* const local = &*own_similarity_;
  if (measure == Measure::plane_vector_x) {
    const Tag* y_tag =
        i + 1 < record_.size() && record_[i + 1].code == tag.code + 1 ? &record_[i + 1] : nullptr;
    const auto y = y_tag != nullptr ? number(value(*y_tag)) : std::nullopt;
    if (!y) {
      copy_.tag(tag);
      return std::nullopt;
    }
    const PlanarPoint carried = local->carried({*old, *y});
    write_rewritten(tag, carried.x, true);
    write_rewritten(*y_tag, carried.y, true);
    ++i;
    return std::nullopt;
  }
  double now = *old;
  if (arc_ && (i == arc_->radius || i == arc_->start || i == arc_->end)) {
    now = i == arc_->radius  ? arc_->radius_value
          : i == arc_->start ? arc_->start_value
                             : arc_->end_value;
    measure = Measure::none;
  }
  switch (measure) {
    case Measure::length: now = local->scaled(*old); break;
    case Measure::angle_degrees: now = local->turned_degrees(*old); break;
    case Measure::angle_radians: now = local->turned_radians(*old); break;
    case Measure::edge_angle:
      // A clockwise edge keeps 360 - angle: it turns the other way.
      now = clockwise_edge(i) ? -local->turned_degrees(-*old) : local->turned_degrees(*old);
      break;
    default: break;
  }
  if (!std::isfinite(now)) return Stop{PassFailure::arithmetic_failure, tag.line, {}};
  if (now == *old) {
    copy_.tag(tag);
  } else {
    write_rewritten(tag, now, true);
  }
  return std::nullopt;
}

// An angle or scale that the entity leaves at its default (rotation 0,
// scale 1) changes like any other: it is written after `after`, where a
// reader finds it among its neighbours, when it differs from the default.
std::optional<Stop> EntityRewriter::add_missing_measures(const Tag& after) {
  const bool rotation = !facts_.has_rotation && kind_ != EntityKind::mtext;
  const bool scales = kind_ == EntityKind::insert;
  const bool direction =
      kind_ == EntityKind::mtext && !facts_.has_direction && !facts_.has_rotation;
  if ((!rotation && !scales && !direction) || facts_.first_point == EntityFacts::no_point) {
    return std::nullopt;
  }
  if (auto stop = similarity(after)) return stop;
  const LocalSimilarity* const local = &*own_similarity_;
  if (scales && local->scaled(1.0) != 1.0) {
    if (!facts_.has_x_scale) write_added("41", local->scaled(1.0));
    if (!facts_.has_y_scale) write_added("42", local->scaled(1.0));
  }
  if (rotation && local->turned_degrees(0.0) != 0.0) {
    write_added("50", local->turned_degrees(0.0));
  }
  if (direction) {
    // An MTEXT's direction is a world direction, and without one its text
    // runs along the world's x axis, whatever its plane.
    Jacobian world;
    if (auto stop = jacobian_at(first_point_in_plan(), after, world)) return stop;
    const PlanarPoint x_axis = world.apply({1.0, 0.0});
    if (x_axis.x != 1.0 || x_axis.y != 0.0) {
      write_added("11", x_axis.x);
      write_added("21", x_axis.y);
      write_added("31", 0.0);
    }
  }
  return std::nullopt;
}

// The similarity at the entity's own point, for all its angles and sizes.
std::optional<Stop> EntityRewriter::similarity(const Tag& tag) {
  if (own_similarity_) return std::nullopt;
  Jacobian jacobian;
  if (auto stop = jacobian_at(first_point_in_plan(), tag, jacobian)) return stop;
  own_similarity_.emplace(jacobian, ocs_);
  return std::nullopt;
}

std::optional<Stop> EntityRewriter::check(const PointResult& moved, const Tag& x_tag) const {
  if (moved.status == PointStatus::arithmetic_failure) {
    return Stop{PassFailure::arithmetic_failure, x_tag.line, {}};
  }
  if (moved.status == PointStatus::rejected) {
    return Stop{PassFailure::point_rejected, x_tag.line, moved.point};
  }
  return std::nullopt;
}

// The entity's own point in the plan, for a derivative asked for before any
// of its points was moved (a polyline's constant width comes first).
PlanarPoint EntityRewriter::first_point_in_plan() const {
  if (facts_.own_point) return ocs_.to_world(*facts_.own_point, facts_.elevation);
  if (facts_.first_point == EntityFacts::no_point) return {};
  const auto x = number(value(record_[facts_.first_point]));
  const auto y = number(value(record_[facts_.first_point + 1]));
  if (!x || !y) return {};
  if (!first_point_in_plane_) return {*x, *y};
  return ocs_.to_world({*x, *y}, height_of(facts_.first_point));
}

// The OCS height of the point whose X stands at `x_index`: its own z, or
// the entity's elevation.
double EntityRewriter::height_of(std::size_t x_index) const {
  if (x_index + 2 < record_.size() && record_[x_index + 2].code == 30) {
    return number(value(record_[x_index + 2])).value_or(facts_.elevation);
  }
  return facts_.elevation;
}

// The derivative at the entity's most recent point (or its own point).
std::optional<Stop> EntityRewriter::derivative(const Tag& x_tag, Jacobian& jacobian) {
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

// A tag whose value is rewritten: its code line as it is, then `number`, as
// a coordinate or in the shortest form that reads back the same.
void EntityRewriter::write_rewritten(const Tag& tag, double number, bool shortest) {
  copy_.code_line(tag);
  copy_.flush();
  if (shortest) {
    write_shortest(number);
  } else {
    write_coordinate(out_, number);
  }
}

void EntityRewriter::write_added(std::string_view code, double number) {
  copy_.flush();
  out_.write_line(code);
  write_shortest(number);
}

void EntityRewriter::write_shortest(double number) {
  char* room = out_.begin_line(max_shortest_text);
  out_.end_line(format_shortest(number, room));
}

const Tag* find_tag(std::span<const Tag> record, int code) {
  for (const Tag& tag : record) {
    if (tag.code == code) return &tag;
  }
  return nullptr;
}

std::optional<double> number_of(std::span<const Tag> record, int code, const TagReader& in) {
  const Tag* tag = find_tag(record, code);
  return tag != nullptr ? number(in.value_text(*tag)) : std::nullopt;
}

}  // namespace kelvrin::dxf
