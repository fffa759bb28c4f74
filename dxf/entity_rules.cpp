#include "dxf/entity_rules.hpp"

#include <array>
#include <cstdint>

namespace kelvrin::dxf {
namespace {

struct TypeName {
  std::string_view name;
  EntityKind kind;
  bool starts_piece;
};

constexpr bool piece_start = true;
constexpr bool inside_piece = false;

// In alphabetical order, for the reader; found through type_slots.
constexpr std::array type_names = std::to_array<TypeName>({
    {"3DFACE", EntityKind::face, piece_start},
    {"3DSOLID", EntityKind::not_convertible, inside_piece},
    {"ACAD_TABLE", EntityKind::table, inside_piece},
    {"ARC", EntityKind::circle, piece_start},
    {"ARC_DIMENSION", EntityKind::arc_dimension, inside_piece},
    {"ATTDEF", EntityKind::text, inside_piece},
    {"ATTRIB", EntityKind::text, inside_piece},
    {"BLOCK", EntityKind::no_coordinates, inside_piece},
    {"BODY", EntityKind::not_convertible, inside_piece},
    {"CIRCLE", EntityKind::circle, piece_start},
    {"DGNUNDERLAY", EntityKind::underlay, inside_piece},
    {"DIMENSION", EntityKind::dimension, piece_start},
    {"DWFUNDERLAY", EntityKind::underlay, inside_piece},
    {"ELLIPSE", EntityKind::ellipse, piece_start},
    {"ENDBLK", EntityKind::no_coordinates, inside_piece},
    {"EXTRUDEDSURFACE", EntityKind::not_convertible, inside_piece},
    {"HATCH", EntityKind::hatch, piece_start},
    {"HELIX", EntityKind::helix, inside_piece},
    {"IMAGE", EntityKind::image, inside_piece},
    {"INSERT", EntityKind::insert, piece_start},
    {"LARGE_RADIAL_DIMENSION", EntityKind::large_radial_dimension, inside_piece},
    {"LEADER", EntityKind::leader, piece_start},
    {"LIGHT", EntityKind::light, inside_piece},
    {"LINE", EntityKind::line, piece_start},
    {"LOFTEDSURFACE", EntityKind::not_convertible, inside_piece},
    {"LWPOLYLINE", EntityKind::lwpolyline, piece_start},
    {"MESH", EntityKind::mesh, inside_piece},
    {"MLEADER", EntityKind::multileader, inside_piece},
    {"MLINE", EntityKind::mline, inside_piece},
    {"MTEXT", EntityKind::mtext, piece_start},
    {"MULTILEADER", EntityKind::multileader, inside_piece},
    {"OLE2FRAME", EntityKind::ole_frame, inside_piece},
    {"OLEFRAME", EntityKind::no_coordinates, inside_piece},
    {"PDFUNDERLAY", EntityKind::underlay, inside_piece},
    {"PLANESURFACE", EntityKind::not_convertible, inside_piece},
    {"POINT", EntityKind::point_entity, piece_start},
    {"POLYLINE", EntityKind::polyline, piece_start},
    {"RAY", EntityKind::xline, inside_piece},
    {"REGION", EntityKind::not_convertible, inside_piece},
    {"REVOLVEDSURFACE", EntityKind::not_convertible, inside_piece},
    {"SECTION", EntityKind::no_coordinates, inside_piece},
    {"SEQEND", EntityKind::no_coordinates, inside_piece},
    {"SHAPE", EntityKind::shape, inside_piece},
    {"SOLID", EntityKind::solid, piece_start},
    {"SPLINE", EntityKind::spline, piece_start},
    {"SURFACE", EntityKind::not_convertible, inside_piece},
    {"SWEPTSURFACE", EntityKind::not_convertible, inside_piece},
    {"TEXT", EntityKind::text, piece_start},
    {"TOLERANCE", EntityKind::tolerance, inside_piece},
    {"TRACE", EntityKind::solid, inside_piece},
    {"VERTEX", EntityKind::vertex, inside_piece},
    {"VIEWPORT", EntityKind::viewport, inside_piece},
    {"WIPEOUT", EntityKind::image, inside_piece},
    {"XLINE", EntityKind::xline, inside_piece},
});

// Every entity's type is looked up, so the names lie in a small hash table
// (open addressing): one or two probes instead of a binary search of string
// comparisons.
constexpr std::size_t type_hash(std::string_view name) {
  if (name.empty()) return 0;
  return name.size() * 7 + static_cast<unsigned char>(name.front()) * 3 +
         static_cast<unsigned char>(name.back());
}

struct TypeSlots {
  static constexpr std::size_t count = 128;  // a power of two, well above the names
  std::array<std::int8_t, count> index{};    // into type_names; -1 for an empty slot
  constexpr TypeSlots() {
    index.fill(-1);
    for (std::size_t i = 0; i < type_names.size(); ++i) {
      std::size_t slot = type_hash(type_names[i].name) % count;
      while (index[slot] >= 0) slot = (slot + 1) % count;
      index[slot] = static_cast<std::int8_t>(i);
    }
  }
};
constexpr TypeSlots type_slots;

struct Rule {
  EntityKind kind;
  Part part;
  int code;  // the X code; the Y code is 10 more
  Role role;
};

using enum EntityKind;
using enum Role;

// Every coordinate that moves, and the ones that look like coordinates but
// must not (pixels, scales, elevation points), after the DXF reference as
// ezdxf's entity transform() methods implement it. A code of a known entity
// that is not listed is copied.
constexpr Rule rules[] = {
    {line, Part::main, 10, point},
    {line, Part::main, 11, point},
    {point_entity, Part::main, 10, Role::point},
    {face, Part::main, 10, Role::point},
    {face, Part::main, 11, Role::point},
    {face, Part::main, 12, Role::point},
    {face, Part::main, 13, Role::point},
    {solid, Part::main, 10, ocs_point},
    {solid, Part::main, 11, ocs_point},
    {solid, Part::main, 12, ocs_point},
    {solid, Part::main, 13, ocs_point},
    {circle, Part::main, 10, ocs_point},
    {ellipse, Part::main, 10, Role::point},
    {ellipse, Part::main, 11, vector},  // major axis, from the centre
    {text, Part::main, 10, ocs_point},
    {text, Part::main, 11, ocs_point},        // alignment point
    {text, Part::embedded, 10, Role::point},  // an ATTRIB's multiline text
    {text, Part::embedded, 11, vector},
    {mtext, Part::main, 10, Role::point},
    {mtext, Part::main, 11, vector},           // text direction
    {mtext, Part::embedded, 10, vector},       // columns: the direction again
    {mtext, Part::embedded, 11, Role::point},  // and the insertion point
    {insert, Part::main, 10, ocs_point},
    {lwpolyline, Part::main, 10, ocs_point},
    {polyline, Part::main, 10, copy},  // (0, 0, elevation)
    {vertex, Part::vertex_2d, 10, ocs_point},
    {vertex, Part::vertex_3d, 10, Role::point},
    {hatch, Part::hatch_head, 10, copy},  // (0, 0, elevation)
    {hatch, Part::hatch_polyline_path, 10, ocs_point},
    {hatch, Part::hatch_line_edge, 10, ocs_point},
    {hatch, Part::hatch_line_edge, 11, ocs_point},
    {hatch, Part::hatch_arc_edge, 10, ocs_point},
    {hatch, Part::hatch_ellipse_edge, 10, ocs_point},
    {hatch, Part::hatch_ellipse_edge, 11, ocs_vector},  // major axis
    {hatch, Part::hatch_spline_edge, 10, ocs_point},    // control points
    {hatch, Part::hatch_spline_edge, 11, ocs_point},    // fit points
    {hatch, Part::hatch_spline_edge, 12, ocs_vector},   // start tangent
    {hatch, Part::hatch_spline_edge, 13, ocs_vector},   // end tangent
    {hatch, Part::hatch_seeds, 10, ocs_point},
    {dimension, Part::main, 10, Role::point},
    {dimension, Part::main, 11, ocs_point},  // text middle point
    {dimension, Part::main, 12, ocs_point},  // insertion point of clones
    {dimension, Part::main, 13, Role::point},
    {dimension, Part::main, 14, Role::point},
    {dimension, Part::main, 15, Role::point},
    {dimension, Part::main, 16, ocs_point},
    {arc_dimension, Part::main, 10, Role::point},
    {arc_dimension, Part::main, 11, ocs_point},
    {arc_dimension, Part::main, 12, ocs_point},
    {arc_dimension, Part::main, 13, Role::point},
    {arc_dimension, Part::main, 14, Role::point},
    {arc_dimension, Part::main, 15, Role::point},
    {arc_dimension, Part::main, 16, Role::point},  // leader points
    {arc_dimension, Part::main, 17, Role::point},
    {large_radial_dimension, Part::main, 10, Role::point},
    {large_radial_dimension, Part::main, 11, ocs_point},
    {large_radial_dimension, Part::main, 12, ocs_point},
    {large_radial_dimension, Part::main, 13, Role::point},  // chord point
    {large_radial_dimension, Part::main, 14, Role::point},  // override centre
    {large_radial_dimension, Part::main, 15, Role::point},  // jog point
    {leader, Part::main, 10, Role::point},
    {multileader, Part::main, 10, copy},                     // block scale
    {multileader, Part::mleader_context, 10, Role::point},   // content base point
    {multileader, Part::mleader_context, 11, vector},        // text normal
    {multileader, Part::mleader_context, 12, Role::point},   // text location
    {multileader, Part::mleader_context, 13, vector},        // text direction
    {multileader, Part::mleader_context, 14, vector},        // block normal
    {multileader, Part::mleader_context, 15, Role::point},   // block location
    {multileader, Part::mleader_context, 16, copy},          // block scale
    {multileader, Part::mleader_context, 110, Role::point},  // plane origin
    {multileader, Part::mleader_context, 111, vector},       // plane x axis
    {multileader, Part::mleader_context, 112, vector},       // plane y axis
    {multileader, Part::mleader_leader, 10, Role::point},    // last leader point
    {multileader, Part::mleader_leader, 11, vector},         // dogleg direction
    {multileader, Part::mleader_leader, 12, Role::point},    // break start
    {multileader, Part::mleader_leader, 13, Role::point},    // break end
    {multileader, Part::mleader_leader_line, 10, Role::point},
    {multileader, Part::mleader_leader_line, 11, Role::point},
    {multileader, Part::mleader_leader_line, 12, Role::point},
    {mline, Part::main, 10, Role::point},
    {mline, Part::main, 11, Role::point},
    {mline, Part::main, 12, vector},  // segment direction
    {mline, Part::main, 13, vector},  // miter direction
    {spline, Part::main, 10, Role::point},
    {spline, Part::main, 11, Role::point},
    {spline, Part::main, 12, vector},
    {spline, Part::main, 13, vector},
    {xline, Part::main, 10, Role::point},
    {xline, Part::main, 11, vector},
    {image, Part::main, 10, Role::point},
    {image, Part::main, 11, vector},  // one pixel along u
    {image, Part::main, 12, vector},  // one pixel along v
    {image, Part::main, 13, copy},    // size in pixels
    {image, Part::main, 14, copy},    // clip boundary, in pixels
    {underlay, Part::main, 10, ocs_point},
    {underlay, Part::main, 11, copy},  // clip boundary, in the underlay's units
    {tolerance, Part::main, 10, Role::point},
    {tolerance, Part::main, 11, vector},
    {helix, Part::main, 10, Role::point},  // control points, then axis base
    {helix, Part::main, 11, Role::point},  // fit points, then start point
    {helix, Part::main, 12, vector},
    {helix, Part::main, 13, vector},
    {shape, Part::main, 10, ocs_point},
    {table, Part::main, 10, Role::point},
    {table, Part::main, 11, vector},
    {mesh, Part::main, 10, Role::point},
    {light, Part::main, 10, Role::point},
    {light, Part::main, 11, Role::point},
    {ole_frame, Part::main, 10, Role::point},
    {ole_frame, Part::main, 11, Role::point},
};

}  // namespace

namespace {

const TypeName* find_type(std::string_view type) noexcept {
  for (std::size_t slot = type_hash(type) % TypeSlots::count;;
       slot = (slot + 1) % TypeSlots::count) {
    const int index = type_slots.index[slot];
    if (index < 0) return nullptr;
    const TypeName& entry = type_names[static_cast<std::size_t>(index)];
    if (entry.name == type) return &entry;
  }
}

}  // namespace

EntityKind entity_kind(std::string_view type) noexcept {
  const TypeName* found = find_type(type);
  return found != nullptr ? found->kind : EntityKind::unknown;
}

bool may_start_piece(std::string_view type) noexcept {
  const TypeName* found = find_type(type);
  return found != nullptr && found->starts_piece;
}

namespace {

constexpr std::size_t kind_count = static_cast<std::size_t>(EntityKind::viewport) + 1;

struct KindRow {
  EntityKind kind;
  KindRules rules;
};

// The kinds that the loop over an entity's tags treats apart; every other
// kind has the defaults of KindRules.
constexpr KindRow kind_rows[] = {
    {circle, {.one_height = true, .fits_arcs = true}},
    {text,
     {.part_markers = PartMarkers::embedded_object,
      .one_height = true,
      .defaults_after = DefaultsAfter::height,
      .adds_rotation = true}},
    {mtext,
     {.part_markers = PartMarkers::embedded_object,
      .defaults_after = DefaultsAfter::own_point,
      .adds_direction = true}},
    {shape, {.one_height = true, .defaults_after = DefaultsAfter::height, .adds_rotation = true}},
    {insert,
     {.one_height = true,
      .defaults_after = DefaultsAfter::own_point,
      .adds_rotation = true,
      .adds_scales = true}},
    {solid, {.one_height = true}},
    {lwpolyline, {.one_height = true, .elevation_code = 38}},
    {polyline, {.one_height = true, .own_point_ahead = true, .elevation_code = 30}},
    {hatch,
     {.first_part = Part::hatch_head,
      .part_markers = PartMarkers::hatch_paths,
      .one_height = true,
      .head_point = true,
      .elevation_code = 30,
      .elevation_part = Part::hatch_head}},
    {multileader, {.part_markers = PartMarkers::multileader_blocks}},
};

constexpr std::array<KindRules, kind_count> make_kind_rules() {
  std::array<KindRules, kind_count> table{};
  for (const KindRow& row : kind_rows) table[static_cast<std::size_t>(row.kind)] = row.rules;
  return table;
}

constexpr std::array<KindRules, kind_count> kind_table = make_kind_rules();

}  // namespace

const KindRules& kind_rules(EntityKind kind) noexcept {
  return kind_table[static_cast<std::size_t>(kind)];
}

Part next_part(EntityKind kind, Part part, int code, std::int64_t value) noexcept {
  switch (kind_rules(kind).part_markers) {
    case PartMarkers::embedded_object: return code == 101 ? Part::embedded : part;
    case PartMarkers::hatch_paths:
      // 92: a boundary path's type flags (bit 2: polyline path); 72 in an
      // edge path: the type of the next edge; 98: the seed points follow.
      if (code == 92) return (value & 2) != 0 ? Part::hatch_polyline_path : Part::hatch_edge_path;
      if (code == 98) return Part::hatch_seeds;
      // 75, the hatch style, comes first after the last boundary path.
      if (code == 75 && part != Part::hatch_seeds) return Part::hatch_pattern;
      if (code == 72 && part != Part::hatch_polyline_path && part != Part::hatch_head &&
          part != Part::hatch_seeds) {
        switch (value) {
          case 1: return Part::hatch_line_edge;
          case 2: return Part::hatch_arc_edge;
          case 3: return Part::hatch_ellipse_edge;
          case 4: return Part::hatch_spline_edge;
          default: return Part::hatch_edge_path;
        }
      }
      return part;
    case PartMarkers::multileader_blocks:
      switch (code) {
        // Each opening code counts only where its block may stand: 302 and
        // 304 also carry text (block attributes, the default text content).
        case 300: return Part::mleader_context;
        case 301: return part == Part::mleader_context ? Part::main : part;
        case 302: return part == Part::mleader_context ? Part::mleader_leader : part;
        case 303: return part == Part::mleader_leader ? Part::mleader_context : part;
        case 304: return part == Part::mleader_leader ? Part::mleader_leader_line : part;
        case 305: return part == Part::mleader_leader_line ? Part::mleader_leader : part;
        default: return part;
      }
    case PartMarkers::none: break;
  }
  return part;
}

namespace {

// The rules laid out for one look-up per coordinate: kind, part, then the
// X codes 10-18 and 110-112.
constexpr std::size_t part_count = static_cast<std::size_t>(Part::mleader_leader_line) + 1;
static_assert(static_cast<std::size_t>(Part::hatch_pattern) < part_count);
constexpr std::size_t code_slots = 12;

constexpr std::size_t code_slot(int code) noexcept {
  return static_cast<std::size_t>(code >= 110 ? code - 110 + 9 : code - 10);
}

using RoleTable = std::array<std::array<std::array<Role, code_slots>, part_count>, kind_count>;

constexpr RoleTable make_role_table() {
  RoleTable table{};  // every entry Role::copy
  for (std::size_t part = 0; part < part_count; ++part) {
    for (int code = 10; code <= 18; ++code) {
      table[static_cast<std::size_t>(unknown)][part][code_slot(code)] = historical;
    }
  }
  for (const Rule& rule : rules) {
    table[static_cast<std::size_t>(rule.kind)][static_cast<std::size_t>(rule.part)]
         [code_slot(rule.code)] = rule.role;
  }
  return table;
}

constexpr RoleTable role_table = make_role_table();

}  // namespace

Role role_of(EntityKind kind, Part part, int code) noexcept {
  if (!is_x_code(code)) return copy;
  return role_table[static_cast<std::size_t>(kind)][static_cast<std::size_t>(part)]
                   [code_slot(code)];
}

namespace {

struct MeasureRule {
  EntityKind kind;
  Part part;
  int code;
  Measure measure;
};

using enum Measure;

// The angles and sizes of the map, after ezdxf's entity transform() methods
// (which carry them through an affine map as DXF readers read them). Ratios
// (width factors, an ellipse's axis ratio), obliquing angles, thicknesses
// and z scales are left: T scales the plan alike in every direction and
// does not touch heights.
constexpr MeasureRule measure_rules[] = {
    {circle, Part::main, 40, length},  // radius
    {circle, Part::main, 50, angle_degrees},
    {circle, Part::main, 51, angle_degrees},
    {text, Part::main, 40, length},  // height
    {text, Part::main, 50, angle_degrees},
    {text, Part::embedded, 40, length},  // an ATTRIB's multiline text: height,
    {text, Part::embedded, 41, length},  // reference width
    {text, Part::embedded, 46, length},  // and defined height
    {mtext, Part::main, 40, length},
    {mtext, Part::main, 41, length},
    {mtext, Part::main, 42, length},  // the text's own width and height
    {mtext, Part::main, 43, length},
    {mtext, Part::main, 46, length},
    {mtext, Part::main, 50, angle_degrees},  // read in degrees, as ezdxf does, when 11 is absent
    {shape, Part::main, 40, length},
    {shape, Part::main, 50, angle_degrees},
    {insert, Part::main, 41, length},  // x and y scale
    {insert, Part::main, 42, length},
    {insert, Part::main, 44, length},  // MINSERT column and row spacing
    {insert, Part::main, 45, length},
    {insert, Part::main, 50, angle_degrees},
    {lwpolyline, Part::main, 40, length},  // start, end and constant width
    {lwpolyline, Part::main, 41, length},
    {lwpolyline, Part::main, 43, length},
    {lwpolyline, Part::main, 42, bulge},
    {polyline, Part::main, 40, length},  // default widths
    {polyline, Part::main, 41, length},
    {vertex, Part::vertex_2d, 40, length},
    {vertex, Part::vertex_2d, 41, length},
    {vertex, Part::vertex_2d, 42, bulge},
    {hatch, Part::hatch_arc_edge, 40, length},
    {hatch, Part::hatch_arc_edge, 50, edge_angle},
    {hatch, Part::hatch_arc_edge, 51, edge_angle},
    {hatch, Part::hatch_pattern, 52, angle_degrees},   // the pattern's angle
    {hatch, Part::hatch_pattern, 41, length},          // and scale
    {hatch, Part::hatch_pattern, 53, angle_degrees},   // a pattern line's angle,
    {hatch, Part::hatch_pattern, 43, plane_vector_x},  // base point,
    {hatch, Part::hatch_pattern, 45, plane_vector_x},  // offset
    {hatch, Part::hatch_pattern, 49, length},          // and dashes
    {hatch, Part::hatch_pattern, 460, angle_radians},  // a gradient's angle (after the seeds)
    {hatch, Part::hatch_seeds, 460, angle_radians},
    {dimension, Part::main, 50, angle_degrees},  // a rotated dimension's angle
    {dimension, Part::main, 51, angle_degrees},  // the horizontal direction
    {dimension, Part::main, 53, angle_degrees},  // the text's rotation
    {arc_dimension, Part::main, 53, angle_degrees},
    {large_radial_dimension, Part::main, 53, angle_degrees},
    {leader, Part::main, 40, length},  // the annotation's height and width
    {leader, Part::main, 41, length},
    {mline, Part::main, 40, length},  // the style's scale
    {underlay, Part::main, 41, length},
    {underlay, Part::main, 42, length},
    {underlay, Part::main, 50, angle_degrees},
};

// Codes 38-53 and 460 carry the measures; one slot each.
constexpr std::size_t measure_slots = 53 - 38 + 2;

constexpr int measure_slot(int code) noexcept {
  if (code >= 38 && code <= 53) return code - 38;
  return code == 460 ? static_cast<int>(measure_slots) - 1 : -1;
}

using MeasureTable =
    std::array<std::array<std::array<Measure, measure_slots>, part_count>, kind_count>;

constexpr MeasureTable make_measure_table() {
  MeasureTable table{};  // every entry Measure::none
  for (const MeasureRule& rule : measure_rules) {
    table[static_cast<std::size_t>(rule.kind)][static_cast<std::size_t>(rule.part)]
         [static_cast<std::size_t>(measure_slot(rule.code))] = rule.measure;
  }
  return table;
}

constexpr MeasureTable measure_table = make_measure_table();

}  // namespace

Measure measure_of(EntityKind kind, Part part, int code) noexcept {
  const int slot = measure_slot(code);
  if (slot < 0) return none;
  return measure_table[static_cast<std::size_t>(kind)][static_cast<std::size_t>(part)]
                      [static_cast<std::size_t>(slot)];
}

}  // namespace kelvrin::dxf
