#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "dxf/arc_fit.hpp"
#include "dxf/entity_facts.hpp"
#include "dxf/entity_rules.hpp"
#include "dxf/line_writer.hpp"
#include "dxf/local_similarity.hpp"
#include "dxf/model_views.hpp"
#include "dxf/numbers.hpp"
#include "dxf/ocs.hpp"
#include "dxf/record_writer.hpp"
#include "dxf/rewrite_dxf.hpp"
#include "dxf/tag_copy.hpp"
#include "dxf/tag_reader.hpp"
#include "transform/point_operation.hpp"

namespace kelvrin::dxf {

// A failure found while rewriting one record.
struct Stop {
  PassFailure failure;
  std::uint64_t line;
  PlanarPoint source_point;
};

// Rewrites the held entities that belong to the model through the
// transformation T: an entity's positions by their role, its angles and
// sizes by T's local rotation and scale at its own point, the height of a
// tilted plane so that its points keep their world height.
class EntityRewriter {
 public:
  EntityRewriter(const TagReader& in, TagCopy& copy, LineWriter& out, PassReport& report)
      : in_(in), copy_(copy), writer_(in, copy, out), report_(report) {}

  // The transformation for the records that follow.
  // `to_metres` carries a vector of the records' plan into the world's
  // metres, as a block's placement does its content's.
  void use(const transform::PointOperation& operation, const transform::Jacobian& to_metres = {}) {
    operation_ = &operation;
    to_metres_ = to_metres;
    cached_at_.reset();
  }
  // The next vertex's point, for the bulge of a POLYLINE's VERTEX: read
  // ahead in the file, or the first vertex's where the polyline closes.
  void next_vertex(std::optional<transform::PlanarPoint> point) { next_vertex_ = point; }
  // The OCS height change of the last entity's tilted plane.
  double height_change() const { return entity_.height_change; }

  std::optional<Stop> rewrite(std::span<const Tag> record, EntityKind kind, Part part,
                              const EntityFacts& facts);

 private:
  std::optional<Stop> begin_entity(std::span<const Tag> record, EntityKind kind, Part part,
                                   const EntityFacts& facts);
  Part enter_part(Part part, std::size_t i);
  std::optional<Stop> rewrite_value(Measure measure, Part part, std::size_t& i);
  std::optional<Stop> rewrite_point(Role role, std::size_t& i);
  std::optional<Stop> move_in_plane(transform::PlanarPoint source, double z, const Tag& x_tag,
                                    transform::PlanarPoint& written);
  std::optional<Stop> after_pair(Role role, const Tag* z_tag, double z, std::size_t& i);
  std::optional<Stop> keep_on_edge(std::size_t& i);
  std::optional<Stop> carry_direction(Role role, transform::PlanarPoint source, const Tag& x_tag,
                                      transform::PlanarPoint& written);
  std::optional<Stop> rewrite_measure(Measure measure, std::size_t& i);
  double measured(Measure measure, std::size_t i, double old) const;
  void carry_plane_vector(std::size_t& i, double x);
  std::optional<Stop> add_missing_measures(const Tag& after);
  std::optional<Stop> settle_plane();
  void start_arc(std::size_t from, Part part);
  std::optional<Stop> rewrite_bulge(std::size_t i);
  std::optional<transform::PlanarPoint> segment_end(std::size_t i) const;
  bool is_elevation(Part part, int code) const {
    return code == entity_.rules->elevation_code && code != 0 &&
           part == entity_.rules->elevation_part;
  }
  bool is_lone_y(Part part, std::size_t i) const;
  void note_unpaired(const Tag& tag);
  bool clockwise_edge(std::size_t i) const;
  transform::PlanarPoint first_point_in_plan() const;
  double height_of(std::size_t x_index) const;
  std::optional<Stop> jacobian_at_anchor(const Tag& x_tag, transform::Jacobian& jacobian);
  std::optional<Stop> similarity(const Tag& tag);
  std::optional<Stop> jacobian_at(transform::PlanarPoint at, const Tag& x_tag,
                                  transform::Jacobian& jacobian);
  std::optional<double> number_in(const Tag& tag) const { return number(in_.value_text(tag)); }

  const TagReader& in_;
  TagCopy& copy_;
  RecordWriter writer_;
  PassReport& report_;
  const transform::PointOperation* operation_ = nullptr;
  transform::Jacobian to_metres_;
  std::optional<transform::PlanarPoint> next_vertex_;

  // The entity being rewritten.
  struct Entity {
    std::span<const Tag> record;
    EntityKind kind = EntityKind::unknown;
    const KindRules* rules = nullptr;
    EntityFacts facts;
    Ocs ocs;
    bool own_point_in_plane = false;  // its own point is an OCS point
    double height_change = 0.0;       // a tilted plane's OCS z change
    bool counted_on_edge = false;     // counted as not converted: its plane is on edge
  };
  Entity entity_;
  std::optional<transform::PlanarPoint> anchor_;   // its most recent point, in the plan
  std::optional<LocalSimilarity> own_similarity_;  // at its own point
  // An arc fitted through T of its start, middle and end: where its tags
  // stand in the record, and what they become.
  struct ArcFit {
    std::size_t centre;
    std::size_t radius;
    std::size_t start;
    std::size_t end;
    FittedArc fitted;
  };
  std::optional<ArcFit> arc_;
  // The derivative last asked for, kept while the point stays the same.
  std::optional<transform::PlanarPoint> cached_at_;
  transform::Jacobian cached_jacobian_;
};

}  // namespace kelvrin::dxf
