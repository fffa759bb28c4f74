// What follows the model besides its entities: views, coordinate systems
// and the header's extents.

#include "dxf/model_views.hpp"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string_view>

#include "dxf/entity_facts.hpp"
#include "dxf/entity_rewriter.hpp"
#include "dxf/local_similarity.hpp"
#include "dxf/pass_support.hpp"
#include "dxf/portable_math.hpp"

namespace kelvrin::dxf {
namespace {

using transform::PlanarPoint;
using transform::PointResult;
using transform::PointStatus;

// $EXTMIN and its kind are written as 1e+20 and -1e+20 by an empty drawing.
constexpr double placeholder_magnitude = 1e19;

constexpr std::size_t no_pair = ~std::size_t{0};

// Where a UCS keeps its origin and axes: a table entry in codes 10-12, the
// header's current UCS in three variables.
struct UcsPlaces {
  std::size_t origin = no_pair;
  std::size_t axes[2] = {no_pair, no_pair};
};

struct HeaderPoint {
  std::size_t x_index = 0;
  std::optional<double> x;
  std::optional<double> y;
};

using Box = std::pair<PlanarPoint, PlanarPoint>;

// The box of a header's low and high corners through T; none for a box
// that is not there, is a placeholder, or that T does not cover.
std::optional<Box> transformed_box(const HeaderPoint& low, const HeaderPoint& high,
                                   const transform::PointOperation& operation) {
  if (!low.x || !low.y || !high.x || !high.y) return std::nullopt;
  for (double v : {*low.x, *low.y, *high.x, *high.y}) {
    if (std::abs(v) >= placeholder_magnitude) return std::nullopt;
  }
  if (*low.x > *high.x || *low.y > *high.y) return std::nullopt;
  PlanarPoint box_low{HUGE_VAL, HUGE_VAL};
  PlanarPoint box_high{-HUGE_VAL, -HUGE_VAL};
  for (double x : {*low.x, *high.x}) {
    for (double y : {*low.y, *high.y}) {
      const PointResult corner = operation.forward({x, y});
      if (corner.status != PointStatus::ok) return std::nullopt;
      box_low = {std::min(box_low.x, corner.point.x), std::min(box_low.y, corner.point.y)};
      box_high = {std::max(box_high.x, corner.point.x), std::max(box_high.y, corner.point.y)};
    }
  }
  return Box{box_low, box_high};
}

}  // namespace

// The record with the X, Y pairs at the given places written anew: points
// as coordinates, but for the one at `point` when given, directions in the
// shortest form.
void ViewRewriter::write_replacing(std::span<const Tag> record,
                                   const std::vector<ReplacedPair>& replaced, std::size_t point,
                                   std::span<const ReplacedValue> values) {
  for (std::size_t i = 0; i < record.size(); ++i) {
    const auto value = std::find_if(values.begin(), values.end(),
                                    [i](const ReplacedValue& entry) { return entry.index == i; });
    if (value != values.end() && !value->text.empty()) {
      copy_.code_line(record[i]);
      copy_.flush();
      out_.write_line(value->text);
      continue;
    }
    if (value != values.end()) {
      writer_.write_rewritten(record[i], value->angle, true);
      continue;
    }
    const auto found = std::find_if(replaced.begin(), replaced.end(),
                                    [i](const ReplacedPair& entry) { return entry.first == i; });
    if (found == replaced.end()) {
      copy_.tag(record[i]);
      continue;
    }
    const bool direction = point != all_points && i != point;
    writer_.write_rewritten(record[i], found->second.x, direction);
    writer_.write_rewritten(record[i + 1], found->second.y, direction);
    ++i;
  }
}

void ViewRewriter::follow_view(std::span<const Tag> record, ViewCodes codes) {
  const auto direction_x = number_of(record, codes.direction, in_);
  const auto direction_y = number_of(record, codes.direction + 10, in_);
  const auto direction_z = number_of(record, codes.direction + 20, in_);
  const auto twist = number_of(record, codes.twist, in_);
  const bool plan = direction_x.value_or(0.0) == 0.0 && direction_y.value_or(0.0) == 0.0 &&
                    direction_z.value_or(1.0) > 0.0 && twist.value_or(0.0) == 0.0;
  const auto target_x = number_of(record, codes.target, in_);
  const auto target_y = number_of(record, codes.target + 10, in_);
  const bool target_at_origin = target_x.value_or(0.0) == 0.0 && target_y.value_or(0.0) == 0.0;
  const int moved_code = target_at_origin ? codes.centre : codes.target;
  for (std::size_t i = 0; i < record.size(); ++i) {
    const Tag& tag = record[i];
    if (plan && tag.code == moved_code && i + 1 < record.size() &&
        record[i + 1].code == moved_code + 10) {
      const auto x = number(in_.value_text(tag));
      const auto y = number(in_.value_text(record[i + 1]));
      if (x && y) {
        const PointResult moved = operation_->forward({*x, *y});
        if (moved.status == PointStatus::ok) {
          writer_.write_rewritten(tag, moved.point.x);
          writer_.write_rewritten(record[i + 1], moved.point.y);
          ++i;
          continue;
        }
      }
    }
    copy_.tag(tag);
  }
}

void ViewRewriter::follow_ucs(std::span<const Tag> record) {
  UcsPlaces places;
  for (std::size_t i = 0; i + 1 < record.size(); ++i) {
    if (record[i + 1].code != record[i].code + 10) continue;
    if (record[i].code == 10) places.origin = i;
    if (record[i].code == 11) places.axes[0] = i;
    if (record[i].code == 12) places.axes[1] = i;
  }
  std::vector<ReplacedPair> replaced;
  if (places.origin != no_pair) turn_axes(record, places.origin, places.axes, replaced);
  write_replacing(record, replaced, places.origin);
}

// A UCS's origin through T, and its axes turned as T turns the plan there:
// unit axes stay unit axes. A UCS at the world's origin names no place of
// the model.
void ViewRewriter::turn_axes(std::span<const Tag> record, std::size_t origin,
                             const std::size_t (&axes)[2],
                             std::vector<ReplacedPair>& replaced) const {
  const auto x = number(in_.value_text(record[origin]));
  const auto y = number(in_.value_text(record[origin + 1]));
  if (!x || !y || (*x == 0.0 && *y == 0.0)) return;
  const PointResult moved = operation_->forward({*x, *y});
  const auto turned = operation_->derivative({*x, *y});
  if (moved.status != PointStatus::ok || turned.status != PointStatus::ok) return;
  replaced.emplace_back(origin, moved.point);
  const LocalSimilarity local(turned.jacobian, Ocs{});
  for (const std::size_t axis : axes) {
    if (axis == no_pair) continue;
    const auto ax = number(in_.value_text(record[axis]));
    const auto ay = number(in_.value_text(record[axis + 1]));
    if (!ax || !ay) continue;
    const PlanarPoint carried = local.carried({*ax, *ay});
    const double length = portable::hypot(carried.x, carried.y);
    if (!(length > 0.0)) continue;
    const double scale = portable::hypot(*ax, *ay) / length;
    replaced.emplace_back(axis, PlanarPoint{carried.x * scale, carried.y * scale});
  }
}

// The drawing's units, named in the report: $INSUNITS, whose 70 follows.
void ViewRewriter::note_units(std::span<const Tag> record, std::size_t i) {
  if (i + 1 >= record.size() || record[i + 1].code != 70) return;
  const auto units = number(in_.value_text(record[i + 1]));
  if (units && *units >= 0.0 && *units < 1000.0) report_.insunits = static_cast<int>(*units);
}

// $NORTHDIRECTION: the clockwise angle, in radians, from the drawing's +Y
// to north. North is a direction of the world, which turns with the
// drawing as T turns the plan; none when T does not reach `at`.
std::optional<double> ViewRewriter::turned_north(double north, PlanarPoint at) const {
  const auto turned = operation_->derivative(at);
  if (turned.status != PointStatus::ok) return std::nullopt;
  const LocalSimilarity local(turned.jacobian, Ocs{});
  constexpr double quarter_turn = 1.5707963267948966;
  const double direction = quarter_turn - north;
  const double turn = local.turned_radians(direction) - direction;
  return turn == 0.0 ? north : north - turn;
}

void ViewRewriter::rewrite_header(std::span<const Tag> record, std::string_view handseed) {
  HeaderPoint ext_min, ext_max, lim_min, lim_max, insertion_base;
  HeaderPoint* current = nullptr;
  std::size_t north = all_points;
  std::vector<ReplacedValue> values;
  for (std::size_t i = 0; i < record.size(); ++i) {
    const Tag& tag = record[i];
    if (tag.code == 9) {
      const std::string_view name = trim_blanks(in_.value_text(tag));
      if (name == "$INSUNITS") note_units(record, i);
      if (name == "$HANDSEED" && !handseed.empty() && i + 1 < record.size() &&
          record[i + 1].code == 5) {
        values.push_back({i + 1, 0.0, handseed});
      }
      if (name == "$NORTHDIRECTION" && i + 1 < record.size() && record[i + 1].code == 40) {
        north = i + 1;
      }
      current = name == "$EXTMIN"    ? &ext_min
                : name == "$EXTMAX"  ? &ext_max
                : name == "$LIMMIN"  ? &lim_min
                : name == "$LIMMAX"  ? &lim_max
                : name == "$INSBASE" ? &insertion_base
                                     : nullptr;
    } else if (current != nullptr && tag.code == 10 && i + 1 < record.size() &&
               record[i + 1].code == 20) {
      current->x_index = i;
      current->x = number(in_.value_text(tag));
      current->y = number(in_.value_text(record[i + 1]));
      current = nullptr;
    }
  }
  std::vector<ReplacedPair> replaced;
  for (auto [low, high] : {std::pair{&ext_min, &ext_max}, std::pair{&lim_min, &lim_max}}) {
    if (const auto box = transformed_box(*low, *high, *operation_)) {
      replaced.emplace_back(low->x_index, box->first);
      replaced.emplace_back(high->x_index, box->second);
    }
  }
  // North turns as T turns the plan in the middle of the drawing: the
  // header comes before the objects, and so before any design point of a
  // geographic reference. A drawing without extents turns it at its
  // insertion base.
  bool has_centre = true;
  PlanarPoint at;
  if (transformed_box(ext_min, ext_max, *operation_)) {
    at = {(*ext_min.x + *ext_max.x) / 2, (*ext_min.y + *ext_max.y) / 2};
  } else if (insertion_base.x && insertion_base.y) {
    at = {*insertion_base.x, *insertion_base.y};
  } else {
    has_centre = false;
  }
  const auto angle_now = north != all_points ? number(in_.value_text(record[north])) : std::nullopt;
  if (has_centre && angle_now.has_value()) {
    const double now = angle_now.value();
    const double turned = turned_north(now, at).value_or(now);
    if (turned != now) values.push_back({north, turned, {}});
  }
  write_replacing(record, replaced, all_points, values);
}

}  // namespace kelvrin::dxf
