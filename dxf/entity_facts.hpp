#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "dxf/entity_rules.hpp"
#include "dxf/ocs.hpp"
#include "dxf/tag_reader.hpp"
#include "transform/point_operation.hpp"

namespace kelvrin::dxf {

// What an entity's tags (and the POLYLINE that owns a VERTEX) tell about it
// before its coordinates are rewritten.
struct EntityFacts {
  static constexpr std::size_t no_point = ~std::size_t{0};

  bool paper_space = false;
  bool has_paper_flag = false;
  Vector3 extrusion;
  double elevation = 0.0;  // LWPOLYLINE 38, the POLYLINE's and HATCH's own point
  std::int64_t flags = 0;
  bool attributes_follow = false;      // INSERT: 66 = 1
  std::size_t first_point = no_point;  // the entity's own point: its first 10/20 pair
  bool has_rotation = false;           // 50 in the entity's main part
  bool has_x_scale = false;            // INSERT 41, 42
  bool has_y_scale = false;
  bool has_direction = false;  // MTEXT 11
  // A tilted 2D POLYLINE's own point (its first vertex, in its plane), and
  // the height change its vertices share.
  std::optional<transform::PlanarPoint> own_point;
  std::optional<double> height_change;
};

// Reads the facts of a held entity.
EntityFacts gather_facts(std::span<const Tag> record, EntityKind kind, const TagReader& in);

// The first tag of `code` in a record, and its number.
const Tag* find_tag(std::span<const Tag> record, int code);
std::optional<double> number_of(std::span<const Tag> record, int code, const TagReader& in);

}  // namespace kelvrin::dxf
