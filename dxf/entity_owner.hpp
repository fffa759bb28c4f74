#pragma once

#include <cstdint>
#include <string_view>

#include "dxf/entity_facts.hpp"
#include "dxf/entity_rules.hpp"
#include "dxf/ocs.hpp"

namespace kelvrin::dxf {

// What a POLYLINE or INSERT hands to the VERTEX or ATTRIB entities that
// follow it, up to its SEQEND: whether they lie in paper space, and a 2D
// polyline's plane, elevation and height change for its vertices.
class EntityOwner {
 public:
  // Meets each entity in turn, before it is rewritten: an owner opens, an
  // owned entity takes what it hands on, a SEQEND closes it.
  void meet(EntityKind kind, std::string_view type, EntityFacts& facts) {
    // A POLYLINE always has VERTEXes and a SEQEND; an INSERT has ATTRIBs
    // and a SEQEND only when it says so. An INSERT without them hands
    // nothing on: the TEXT after a title block in paper space is the model's.
    if (kind == EntityKind::polyline || (kind == EntityKind::insert && facts.attributes_follow)) {
      constexpr std::int64_t polyline_3d = 8;
      constexpr std::int64_t polygon_mesh = 16;
      constexpr std::int64_t polyface_mesh = 64;
      owner_ = {true, facts.paper_space,
                (facts.flags & (polyline_3d | polygon_mesh | polyface_mesh)) != 0, facts.extrusion,
                facts.elevation};
    } else if (kind == EntityKind::insert) {
      owner_.active = false;
    }
    const bool owned = kind == EntityKind::vertex || kind == EntityKind::text ||
                       (kind == EntityKind::no_coordinates && type == "SEQEND");
    if (owned && owner_.active && !facts.has_paper_flag) facts.paper_space = owner_.paper_space;
    if (type == "SEQEND") owner_.active = false;
  }

  // The part a VERTEX with `flags` is rewritten in; a 2D polyline's vertex
  // takes its owner's plane.
  Part vertex_part(std::int64_t flags, EntityFacts& facts) const {
    constexpr std::int64_t face_record = 128;
    constexpr std::int64_t mesh_vertex = 64;
    constexpr std::int64_t polyline_3d_vertex = 32;
    if ((flags & face_record) != 0 && (flags & mesh_vertex) == 0) return Part::vertex_face;
    if ((flags & (mesh_vertex | polyline_3d_vertex)) != 0) return Part::vertex_3d;
    if (!owner_.active) return Part::vertex_2d;
    if (owner_.three_d) return Part::vertex_3d;
    facts.extrusion = owner_.extrusion;
    facts.elevation = owner_.elevation;
    facts.height_change = owner_.height_change;
    return Part::vertex_2d;
  }

  // Whether `kind` with `facts` is a 2D polyline on a tilted plane, whose
  // vertices share its height change.
  bool tilted_2d_polyline(EntityKind kind, const EntityFacts& facts) const {
    return kind == EntityKind::polyline && !owner_.three_d &&
           Ocs(facts.extrusion).kind() == Ocs::Kind::tilted;
  }
  void set_height_change(double change) { owner_.height_change = change; }

  // No POLYLINE or INSERT is open: where a piece may begin.
  bool open() const { return owner_.active; }

 private:
  struct State {
    bool active = false;
    bool paper_space = false;
    bool three_d = false;  // 3D polyline, polygon mesh or polyface mesh
    Vector3 extrusion;
    double elevation = 0.0;
    double height_change = 0.0;  // a tilted 2D polyline's, for its vertices
  };
  State owner_;
};

}  // namespace kelvrin::dxf
