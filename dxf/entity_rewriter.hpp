#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "dxf/entity_rules.hpp"
#include "dxf/line_writer.hpp"
#include "dxf/local_similarity.hpp"
#include "dxf/numbers.hpp"
#include "dxf/ocs.hpp"
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
  std::optional<PlanarPoint> own_point;
  std::optional<double> height_change;
};

// The first tag of `code` in a record, and its number.
const Tag* find_tag(std::span<const Tag> record, int code);
std::optional<double> number_of(std::span<const Tag> record, int code, const TagReader& in);

// Reads the facts of a held entity.
EntityFacts gather_facts(std::span<const Tag> record, EntityKind kind, const TagReader& in);

// Rewrites the held records that belong to the model through the
// transformation T: an entity's positions by their role, its angles and
// sizes by T's local rotation and scale at its own point, the height of a
// tilted plane so that its points keep their world height; a view's centre;
// the header's extents.
class EntityRewriter {
 public:
  EntityRewriter(const TagReader& in, TagCopy& copy, LineWriter& out, PassReport& report)
      : in_(in), copy_(copy), out_(out), report_(report) {}

  // The transformation for the records that follow.
  void use(const transform::PointOperation& operation) {
    operation_ = &operation;
    cached_at_.reset();
  }
  // The OCS height change of the last entity's tilted plane.
  double height_change() const { return height_change_; }

  std::optional<Stop> rewrite_entity(std::span<const Tag> record, EntityKind kind, Part part,
                                     const EntityFacts& facts);

  // A view (the active VPORT, a layout's VIEWPORT, a named VIEW) whose
  // centre or target lies in the model. Only plan views without twist are
  // followed; a view that cannot be followed is left as it was.
  struct ViewCodes {
    int centre;
    int target;
    int direction;
    int twist;
  };
  void follow_view(std::span<const Tag> record, ViewCodes codes);

  // A UCS whose origin lies in the model: the origin through T, its axes
  // turned as the plan turns there.
  void follow_ucs(std::span<const Tag> record);

  // The header section, variables and all: the extents and limits become
  // the box of their transformed corners.
  void rewrite_header(std::span<const Tag> record);

  void copy(std::span<const Tag> record) {
    for (const Tag& tag : record) copy_.tag(tag);
  }

 private:
  std::optional<Stop> rewrite_pair(Role role, const Tag& x_tag, const Tag& y_tag, const Tag* z_tag,
                                   bool& z_written);
  std::optional<Stop> rewrite_measure(Measure measure, std::size_t& i);
  std::optional<Stop> add_missing_measures(const Tag& after);
  std::optional<Stop> settle_plane();
  bool is_elevation(Part part, int code) const;
  PlanarPoint first_point_in_plan() const;
  std::optional<Stop> derivative(const Tag& x_tag, transform::Jacobian& jacobian);
  std::optional<Stop> similarity(const Tag& tag);
  std::optional<Stop> jacobian_at(PlanarPoint at, const Tag& x_tag, transform::Jacobian& jacobian);
  std::optional<Stop> check(const PointResult& moved, const Tag& x_tag) const;
  bool is_lone_y(EntityKind kind, Part part, std::size_t i) const;
  void note_unpaired(const Tag& tag);
  bool clockwise_edge(std::size_t i) const;
  void fit_arc(std::size_t from);
  void write_rewritten(const Tag& tag, double number, bool shortest = false);
  using ReplacedPair = std::pair<std::size_t, PlanarPoint>;
  static constexpr std::size_t all_points = ~std::size_t{0};
  void write_replacing(std::span<const Tag> record, const std::vector<ReplacedPair>& replaced,
                       std::size_t point = all_points);
  void write_added(std::string_view code, double number);
  void write_shortest(double number);
  double height_of(std::size_t x_index) const;
  std::string_view value(const Tag& tag) const { return in_.value_text(tag); }

  const TagReader& in_;
  TagCopy& copy_;
  LineWriter& out_;
  PassReport& report_;
  const transform::PointOperation* operation_ = nullptr;

  // The entity being rewritten.
  std::span<const Tag> record_;
  EntityKind kind_ = EntityKind::unknown;
  EntityFacts facts_;
  Ocs ocs_;
  bool first_point_in_plane_ = false;              // its own point is an OCS point
  double height_change_ = 0.0;                     // a tilted plane's OCS z change
  std::optional<PlanarPoint> anchor_;              // the entity's most recent point, in the plan
  std::optional<LocalSimilarity> own_similarity_;  // at its own point
  // An arc fitted through T of its start, middle and end: where its tags
  // stand in the record, and what they become.
  struct ArcFit {
    std::size_t centre = EntityFacts::no_point;
    std::size_t radius = EntityFacts::no_point;
    std::size_t start = EntityFacts::no_point;
    std::size_t end = EntityFacts::no_point;
    PlanarPoint centre_at;  // in the entity's plane
    double radius_value = 0.0;
    double start_value = 0.0;
    double end_value = 0.0;
  };
  std::optional<ArcFit> arc_;
  std::optional<PlanarPoint> cached_at_;
  transform::Jacobian cached_jacobian_;
};

}  // namespace kelvrin::dxf
