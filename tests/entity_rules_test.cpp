// The rule table on its own: the types it knows, the parts a record walks
// through, and the facts of each kind agreeing with the roles and measures
// of its codes (the loop over an entity's tags trusts both at once).

#include "dxf/entity_rules.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <string_view>

namespace kelvrin::dxf {
namespace {

constexpr std::size_t kind_count = static_cast<std::size_t>(EntityKind::viewport) + 1;

EntityKind kind_at(std::size_t i) { return static_cast<EntityKind>(i); }

TEST(EntityRules, TypeNamesAreMatchedExactly) {
  struct Row {
    const char* name;
    std::string_view type;
    EntityKind kind;
  };
  const Row rows[] = {
      {"line", "LINE", EntityKind::line},
      {"arc is a circle", "ARC", EntityKind::circle},
      {"trace is a solid", "TRACE", EntityKind::solid},
      {"attrib is a text", "ATTRIB", EntityKind::text},
      {"wipeout is an image", "WIPEOUT", EntityKind::image},
      {"both multileader names", "MLEADER", EntityKind::multileader},
      {"longest name", "LARGE_RADIAL_DIMENSION", EntityKind::large_radial_dimension},
      {"lower case", "line", EntityKind::unknown},
      {"trailing blank", "LINE ", EntityKind::unknown},
      {"a prefix", "LIN", EntityKind::unknown},
      {"empty", "", EntityKind::unknown},
      {"a custom entity", "ACAD_PROXY_ENTITY", EntityKind::unknown},
  };
  for (const Row& row : rows) EXPECT_EQ(entity_kind(row.type), row.kind) << row.name;
}

TEST(EntityRules, PiecesStartOnlyAtEntitiesThatOpenNothing) {
  for (const std::string_view type :
       {"LINE", "LWPOLYLINE", "CIRCLE", "ARC", "TEXT", "MTEXT", "POINT", "HATCH", "SPLINE",
        "ELLIPSE", "SOLID", "3DFACE", "POLYLINE", "DIMENSION", "LEADER", "INSERT"}) {
    EXPECT_TRUE(may_start_piece(type)) << type;
  }
  // What belongs to the entity before it, what a piece would cut in two,
  // and what the table does not know.
  for (const std::string_view type :
       {"VERTEX", "SEQEND", "ATTRIB", "ATTDEF", "BLOCK", "ENDBLK", "VIEWPORT", "TRACE",
        "MULTILEADER", "Line", "LINE ", "", "UNKNOWN_THING"}) {
    EXPECT_FALSE(may_start_piece(type)) << type;
  }
}

// A HATCH with a polyline path, an edge path of an arc and a line, its
// pattern and its seeds, as its marker tags take it through its parts.
TEST(EntityRules, HatchWalksThroughItsParts) {
  const PartMarkers markers = kind_rules(EntityKind::hatch).part_markers;
  struct Step {
    int code;
    int value;
    Part part;      // after the tag
    Role point_10;  // what a 10 there is
  };
  const Step steps[] = {
      {92, 2, Part::hatch_polyline_path, Role::ocs_point},
      {72, 1, Part::hatch_polyline_path, Role::ocs_point},  // "has bulges", no edge type
      {92, 1, Part::hatch_edge_path, Role::copy},
      {72, 2, Part::hatch_arc_edge, Role::ocs_point},
      {72, 1, Part::hatch_line_edge, Role::ocs_point},
      {72, 9, Part::hatch_edge_path, Role::copy},
      {75, 1, Part::hatch_pattern, Role::copy},
      {98, 1, Part::hatch_seeds, Role::ocs_point},
      {75, 0, Part::hatch_seeds, Role::ocs_point},  // a 75 among the seeds is no style
  };
  Part part = first_part(EntityKind::hatch);
  EXPECT_EQ(part, Part::hatch_head);
  EXPECT_EQ(role_of(EntityKind::hatch, part, 10), Role::copy);  // the elevation point
  for (const Step& step : steps) {
    ASSERT_TRUE(marks_part(markers, step.code)) << step.code;
    part = next_part(EntityKind::hatch, part, step.code, step.value);
    EXPECT_EQ(part, step.part) << step.code << " = " << step.value;
    EXPECT_EQ(role_of(EntityKind::hatch, part, 10), step.point_10) << step.code;
  }
  EXPECT_EQ(measure_of(EntityKind::hatch, Part::hatch_seeds, 460), Measure::angle_radians);
  for (const int code : {73, 93, 97, 101, 300}) EXPECT_FALSE(marks_part(markers, code)) << code;
}

TEST(EntityRules, MultileaderBlocksOpenOnlyWhereTheyMayStand) {
  const EntityKind kind = EntityKind::multileader;
  const PartMarkers markers = kind_rules(kind).part_markers;
  struct Step {
    int code;
    Part part;
  };
  // 302 and 304 also carry text: outside the block they would open, they
  // open nothing.
  const Step steps[] = {
      {302, Part::main},
      {300, Part::mleader_context},
      {304, Part::mleader_context},
      {302, Part::mleader_leader},
      {304, Part::mleader_leader_line},
      {305, Part::mleader_leader},
      {303, Part::mleader_context},
      {301, Part::main},
  };
  Part part = first_part(kind);
  for (const Step& step : steps) {
    ASSERT_TRUE(marks_part(markers, step.code)) << step.code;
    part = next_part(kind, part, step.code, 0);
    EXPECT_EQ(part, step.part) << step.code;
  }
  EXPECT_FALSE(marks_part(markers, 72));
  EXPECT_FALSE(marks_part(markers, 306));
}

TEST(EntityRules, EmbeddedObjectChangesWhatTextPointsAre) {
  for (const EntityKind kind : {EntityKind::text, EntityKind::mtext}) {
    const PartMarkers markers = kind_rules(kind).part_markers;
    EXPECT_TRUE(marks_part(markers, 101));
    EXPECT_FALSE(marks_part(markers, 72));
    EXPECT_EQ(next_part(kind, Part::main, 101, 0), Part::embedded);
  }
  EXPECT_EQ(role_of(EntityKind::text, Part::main, 10), Role::ocs_point);
  EXPECT_EQ(role_of(EntityKind::text, Part::embedded, 10), Role::point);
  EXPECT_EQ(role_of(EntityKind::mtext, Part::main, 10), Role::point);
  EXPECT_EQ(role_of(EntityKind::mtext, Part::embedded, 10), Role::vector);
  // A kind without parts stays where it is.
  EXPECT_EQ(next_part(EntityKind::line, Part::main, 101, 0), Part::main);
  EXPECT_EQ(next_part(EntityKind::line, Part::main, 92, 2), Part::main);
}

TEST(EntityRules, CodesOutsideTheTablesAreCopied) {
  // An entity nobody described: every pair 10-18 moves, the 11x codes do not.
  for (int code = 10; code <= 18; ++code) {
    EXPECT_EQ(role_of(EntityKind::unknown, Part::main, code), Role::historical) << code;
  }
  EXPECT_EQ(role_of(EntityKind::unknown, Part::main, 110), Role::copy);
  EXPECT_EQ(role_of(EntityKind::line, Part::main, 20), Role::copy);    // not an X code
  EXPECT_EQ(role_of(EntityKind::line, Part::main, 12), Role::copy);    // not listed
  EXPECT_EQ(role_of(EntityKind::line, Part::main, 1010), Role::copy);  // extended data
  for (const int code : {0, 37, 54, 459, 461, 1040}) {
    EXPECT_EQ(measure_of(EntityKind::circle, Part::main, code), Measure::none) << code;
  }
  // The Y of every X, and nothing else.
  for (int code = 0; code < 1100; ++code) {
    EXPECT_EQ(is_y_code(code), is_x_code(code - 10)) << code;
  }
}

// Each kind's facts must agree with what its codes are: a default added
// for a measure the kind does not turn when present, or an elevation on a
// plane whose height never moves, would write a drawing at odds with itself.
TEST(EntityRules, KindFactsAgreeWithRolesAndMeasures) {
  for (std::size_t i = 0; i < kind_count; ++i) {
    const EntityKind kind = kind_at(i);
    const KindRules& rules = kind_rules(kind);
    const Part first = rules.first_part;
    SCOPED_TRACE(::testing::Message() << "kind " << i);
    if (rules.elevation_code != 0) {
      EXPECT_TRUE(rules.one_height);
      EXPECT_EQ(rules.elevation_part, first);
      EXPECT_EQ(measure_of(kind, first, rules.elevation_code), Measure::none);
    }
    if (rules.head_point) {
      EXPECT_EQ(role_of(kind, first, 10), Role::copy);
    }
    if (rules.own_point_ahead) {
      EXPECT_EQ(role_of(kind, first, 10), Role::copy);
    }
    if (rules.defaults_after == DefaultsAfter::height) {
      EXPECT_EQ(measure_of(kind, Part::main, 40), Measure::length);
    }
    if (rules.defaults_after == DefaultsAfter::own_point) {
      EXPECT_NE(role_of(kind, Part::main, 10), Role::copy);
    }
    const bool adds = rules.adds_rotation || rules.adds_scales || rules.adds_direction;
    EXPECT_EQ(adds, rules.defaults_after != DefaultsAfter::none);
    if (rules.adds_rotation) {
      EXPECT_EQ(measure_of(kind, Part::main, 50), Measure::angle_degrees);
    }
    if (rules.adds_scales) {
      EXPECT_EQ(measure_of(kind, Part::main, 41), Measure::length);
      EXPECT_EQ(measure_of(kind, Part::main, 42), Measure::length);
    }
    if (rules.adds_direction) {
      EXPECT_EQ(role_of(kind, Part::main, 11), Role::vector);
    }
    if (rules.fits_arcs) {
      EXPECT_EQ(role_of(kind, Part::main, 10), Role::ocs_point);
      EXPECT_EQ(measure_of(kind, Part::main, 40), Measure::length);
      EXPECT_EQ(measure_of(kind, Part::main, 50), Measure::angle_degrees);
      EXPECT_EQ(measure_of(kind, Part::main, 51), Measure::angle_degrees);
    }
    if (rules.part_markers == PartMarkers::none) {
      EXPECT_EQ(first, Part::main);
    }
  }
  // The HATCH arc edge, fitted like an ARC, keeps its own angle form.
  EXPECT_EQ(measure_of(EntityKind::hatch, Part::hatch_arc_edge, 40), Measure::length);
  EXPECT_EQ(measure_of(EntityKind::hatch, Part::hatch_arc_edge, 51), Measure::edge_angle);
}

}  // namespace
}  // namespace kelvrin::dxf
