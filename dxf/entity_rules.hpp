#pragma once

#include <cstdint>
#include <string_view>

namespace kelvrin::dxf {

// What a coordinate of an entity is, and so how a change of reference
// system carries it.
enum class Role : std::uint8_t {
  copy,        // not a model-space position: pixels, scales, an elevation point
  point,       // a point in world coordinates: T(point)
  ocs_point,   // a point in the entity's own plane (OCS)
  vector,      // a world direction: the derivative of T at the entity's point
  ocs_vector,  // a direction in the entity's own plane
  historical,  // an entity type nobody described: every 10-18 / 20-28 pair
};

// The entity types the table knows, grouped where their coordinates mean
// the same.
enum class EntityKind : std::uint8_t {
  unknown,
  no_coordinates,   // BLOCK, ENDBLK, SEQEND, ...: nothing that moves
  not_convertible,  // ACIS solids, regions and surfaces: geometry we cannot read
  line,
  point_entity,  // POINT
  face,          // 3DFACE
  solid,         // SOLID, TRACE
  circle,        // CIRCLE, ARC
  ellipse,
  text,  // TEXT, ATTRIB, ATTDEF
  mtext,
  insert,
  lwpolyline,
  polyline,
  vertex,
  hatch,
  dimension,
  arc_dimension,
  large_radial_dimension,
  leader,
  multileader,
  mline,
  spline,
  xline,     // XLINE, RAY
  image,     // IMAGE, WIPEOUT
  underlay,  // PDFUNDERLAY, DWFUNDERLAY, DGNUNDERLAY
  tolerance,
  helix,
  shape,
  table,  // ACAD_TABLE
  mesh,
  light,
  ole_frame,  // OLE2FRAME
  viewport,
};

EntityKind entity_kind(std::string_view type) noexcept;

// Whether a helper thread's piece of a large drawing may begin at an entity
// of this type: one that opens nothing for the entities after it. An ATTRIB
// or a VERTEX belongs to what comes before it.
bool may_start_piece(std::string_view type) noexcept;

// Where inside an entity a tag stands, for the entities whose group codes
// mean different things in different parts.
enum class Part : std::uint8_t {
  main,
  embedded,     // after 101 "Embedded Object" (MTEXT columns, ATTRIB)
  vertex_2d,    // a VERTEX of a 2D polyline: OCS of the polyline
  vertex_3d,    // of a 3D polyline, polygon mesh or polyface mesh
  vertex_face,  // a polyface mesh face record: indices, no position
  hatch_head,   // before the boundary paths: the elevation point
  hatch_polyline_path,
  hatch_edge_path,  // an edge path before its first edge type
  hatch_line_edge,
  hatch_arc_edge,
  hatch_ellipse_edge,
  hatch_spline_edge,
  hatch_seeds,
  hatch_pattern,        // after the boundary paths: fill style, pattern and its lines
  mleader_context,      // MULTILEADER "CONTEXT_DATA{"
  mleader_leader,       // "LEADER{"
  mleader_leader_line,  // "LEADER_LINE{"
};

// The group codes that mark where an entity's parts begin (next_part tells
// which part follows).
enum class PartMarkers : std::uint8_t {
  none,
  embedded_object,     // 101
  hatch_paths,         // 72, 75, 92 and 98
  multileader_blocks,  // 300-305
};

inline bool marks_part(PartMarkers markers, int code) noexcept {
  switch (markers) {
    case PartMarkers::embedded_object: return code == 101;
    case PartMarkers::hatch_paths: return code == 72 || code == 75 || code == 92 || code == 98;
    case PartMarkers::multileader_blocks: return code >= 300 && code <= 305;
    case PartMarkers::none: break;
  }
  return false;
}

// Where an entity that leaves an angle or a scale at its default (rotation
// 0, scale 1, a text running along x) gets it written when the map changes
// it: after its height (40) or after its own point.
enum class DefaultsAfter : std::uint8_t { none, height, own_point };

// What a kind of entity says about it beyond the roles and measures of its
// codes.
struct KindRules {
  Part first_part = Part::main;
  PartMarkers part_markers = PartMarkers::none;
  // Its points share one plane at one OCS height: on a tilted plane that
  // height follows the plan position of its own point.
  bool one_height = false;
  // Its first point is a head that holds the elevation (a HATCH's); its own
  // point is the next one, in its plane.
  bool head_point = false;
  // Its own point is its first VERTEX's, read ahead (a 2D POLYLINE's).
  bool own_point_ahead = false;
  // The code of its elevation (38, or 30: the z of a point that is not a
  // position), and the part it stands in; 0 for none.
  int elevation_code = 0;
  Part elevation_part = Part::main;
  // An arc of it (a CIRCLE with angles) is fitted through T of its ends.
  bool fits_arcs = false;
  // The defaults it may leave out: rotation 50, scales 41 and 42, a text
  // direction 11, 21, 31; and after which tag they are written.
  DefaultsAfter defaults_after = DefaultsAfter::none;
  bool adds_rotation = false;
  bool adds_scales = false;
  bool adds_direction = false;
};

const KindRules& kind_rules(EntityKind kind) noexcept;

// The part an entity starts in.
inline Part first_part(EntityKind kind) noexcept { return kind_rules(kind).first_part; }

// The part after a tag of `code` with integer value `value` (group codes 72,
// 75, 92, 98, 101 and 300-305 carry the structure; other values are not
// looked at).
Part next_part(EntityKind kind, Part part, int code, std::int64_t value) noexcept;

// Whether the code is the X code of a coordinate in this kind of entity.
inline bool is_x_code(int code) noexcept {
  return (code >= 10 && code <= 18) || (code >= 110 && code <= 112);
}

// Whether the code is the Y code of such a coordinate.
inline bool is_y_code(int code) noexcept {
  return (code >= 20 && code <= 28) || (code >= 120 && code <= 122);
}

// The role of the coordinate whose X code is `code`.
Role role_of(EntityKind kind, Part part, int code) noexcept;

// A value that is not a coordinate but a measure in the map, which follows
// the transformation's local rotation and scale at the entity's point.
enum class Measure : std::uint8_t {
  none,
  angle_degrees,  // a direction in the entity's plane, counter-clockwise from its x axis
  angle_radians,
  edge_angle,      // a HATCH arc edge's angle: stored as 360 - angle when clockwise
  length,          // a radius, a height, a width, a scale factor
  plane_vector_x,  // the x of a direction in the plane; its y is the next code
  bulge,           // a polyline's arc to its next vertex, as tan(angle / 4)
};

// The measure of a tag of `code` that is not a coordinate's X or Y.
Measure measure_of(EntityKind kind, Part part, int code) noexcept;

}  // namespace kelvrin::dxf
